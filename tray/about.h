// The About window: the help text in a fixed-pitch font, closed by Esc, a
// click or the close box.
#pragma once

#include "platform/platform.h"

// The window class, registered at start.
extern const char AboutClassName[];

// Opens the About window and runs it until it closes; while one is open,
// does nothing. `window` is MainWindow, whose module the window belongs to.
void ShowAboutWindow(HWND window);

// Window procedure of the class "PlinthwiseAboutClass".
LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
