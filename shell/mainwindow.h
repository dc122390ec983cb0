// MainWindow's procedure: every hotkey, tick, tray click and menu command
// of the running program arrives here.
#pragma once

#include "platform/platform.h"

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
