// The About window: the help text in a fixed-pitch font, closed by Esc, a
// click or the close box.
#pragma once

#include "platform/platform.h"

// The help text's font; null while no About window exists.
extern HFONT AboutFont;
// Name and version, hotkeys and tray menu, nine lines.
extern const char HelpText[];

// Window procedure of the class "PlinthwiseAboutClass".
LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
