// The desktop around the program, as a test sees it: windows of another
// process that the test makes and drives as their own program would. Served
// by the simulated desktop in the sim build and by the helper process under
// Wine, so that one test source checks both.
#pragma once

#include <functional>

#include "platform/platform.h"

namespace desk {

// Prepare a desktop with no test windows; false when it cannot be had.
bool Start();
// Destroy the test windows and let go of the helper.
void Stop();

// A top-level window of the other process, owned by `owner` when given (a
// palette, a dialog). Returns null on failure.
HWND Make(const char *className, const char *title, DWORD style, DWORD exStyle, int showCmd, HWND owner = nullptr);
// What the window's own program does to it, from its own thread.
void Show(HWND window, int showCmd);
void Retitle(HWND window, const char *title);
void Destroy(HWND window);
void Activate(HWND window);
// Sets a window property from the other process (value is the handle value).
void SetProp(HWND window, const char *name, UINT_PTR value);
// The other process stops serving messages for the given time.
void Hang(DWORD ms);
DWORD OwnerProcessId();

// Let ms pass while this thread serves its own messages.
void Pump(DWORD ms);
// Serves this thread's messages until the condition holds or ms have passed;
// whether it held.
inline bool WaitUntil(const std::function<bool()> &condition, DWORD ms = 8000)
{
    for (DWORD waited = 0; waited < ms; waited += 25) {
        if (condition())
            return true;
        Pump(25);
    }
    return condition();
}
// Press and release a key with modifiers (MOD_ALT, MOD_SHIFT, MOD_CONTROL).
void PressKey(UINT modifiers, UINT vk);

} // namespace desk
