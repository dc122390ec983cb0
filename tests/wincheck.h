// State checks shared by the tests of both builds. Each reports the
// caller's file and line, so a failure points at the test that made it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

// True when the test runs under Wine rather than Windows or the sim.
bool RunningUnderWine();
// True on Windows itself: neither under Wine nor in the sim.
bool RunningOnWindows();

// Skips a case that Wine cannot pass, saying why; the case stays in the
// suite and runs everywhere else.
#define KNOWN_WINE_GAP(reason)                                   \
    do {                                                         \
        if (RunningUnderWine())                                  \
            GTEST_SKIP() << "Known Wine gap: " << (reason);      \
    } while (0)

// Skips on Windows a case that checks a fact of Wine which Windows does not
// share, naming it; under Wine and in the sim the case runs.
#define WINE_FACT(fact)                                                 \
    do {                                                                \
        if (RunningOnWindows())                                         \
            GTEST_SKIP() << "A fact of Wine, not of Windows: " << (fact); \
    } while (0)

// The window's visibility and the showCmd its placement reports.
void CheckWindow(const char *file, int line, HWND window, bool visible, UINT showCmd);
#define EXPECT_WINDOW(window, visible, showCmd) CheckWindow(__FILE__, __LINE__, (window), (visible), (showCmd))

// The windows stand in this order from the top of the Z order down (other
// windows may stand between them).
void CheckStacking(const char *file, int line, const std::vector<HWND> &topFirst);
bool InStackingOrder(const std::vector<HWND> &topFirst);
#define EXPECT_STACKING(...) CheckStacking(__FILE__, __LINE__, std::vector<HWND>{__VA_ARGS__})

// Whether the window carries the named property.
void CheckProp(const char *file, int line, HWND window, const char *name, bool present);
#define EXPECT_PROP(window, name, present) CheckProp(__FILE__, __LINE__, (window), (name), (present))

// Every line of the About window's help text fits its text control, in the
// font the control has, and the control lies inside the window's client area.
void CheckHelpTextWhole(const char *file, int line, HWND about);
#define EXPECT_HELP_TEXT_WHOLE(about) CheckHelpTextWhole(__FILE__, __LINE__, (about))

// An expected call sequence against the one made; on a mismatch both are
// printed side by side.
void CheckCalls(const char *file, int line, const std::vector<std::string> &expected,
                const std::vector<std::string> &actual);
#define EXPECT_CALLS(expected, actual) CheckCalls(__FILE__, __LINE__, (expected), (actual))

// Positions of the windows in a walk from the top of the Z order.
std::vector<HWND> ZOrderWalk();
