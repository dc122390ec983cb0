// Running the whole program on the simulated desktop: its entry point with
// a tail, driven by a script of what the user and other programs do.
#pragma once

#include <gtest/gtest.h>

#include "shell/appstate.h"
#include "shell/entry.h"
#include "sim/sim.h"
#include "sim/sim_dialogs.h"
#include "sim/sim_system.h"
#include "sim/sim_tray.h"
#include "tests/engine_fixture.h"
#include "tray/notifyicon.h"

inline HINSTANCE ProgramInstance()
{
    return GetModuleHandleA(nullptr);
}

// Runs the entry point; a program still waiting when the script has run out
// is a failure of the test, not a hang.
inline int RunProgram(const char *tail)
{
    try {
        return WinMain(ProgramInstance(), nullptr, (LPSTR)tail, SW_SHOWDEFAULT);
    } catch (sim::ScriptExhausted &) {
        ADD_FAILURE() << "the program was still waiting for messages when the script ran out";
        return -1;
    } catch (sim::WaitedForever &) {
        ADD_FAILURE() << "the program waited for a program that never answers";
        return -1;
    }
}

// The next step of the script: what happens while the program waits.
inline void Step(std::function<void()> step)
{
    sim::Then(std::move(step));
}

// The user chooses Exit from the tray menu.
inline void ChooseExit()
{
    Step([] {
        sim::OnMenu([](const sim::ShownMenu &) { return (UINT_PTR)CmdExit; });
        sim::ClickTrayIcon(MainWindow, 1, WM_RBUTTONUP);
    });
}

// A maintenance tick passes.
inline void Tick()
{
    Step([] { sim::AdvanceTime(MaintenanceTimerPeriod); });
}

inline std::string TrayTip()
{
    sim::TrayIcon icon;
    return sim::FindTrayIcon(MainWindow, 1, &icon) ? icon.tip : std::string("(no icon)");
}
