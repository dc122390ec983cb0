// Process-wide records of the application shell.
#pragma once

#include "platform/platform.h"

extern HWND MainWindow;               // hidden tool window: hotkeys, timer, tray icon
extern UINT TaskbarCreatedMessage;    // "TaskbarCreated"; 0 while not registered
extern HWINEVENTHOOK ForegroundHook;  // foreground WinEvent hook; null when none
extern BYTE AboutOpen;                // true while the About window exists

// Menu commands
const UINT CmdExit = 9001;
const UINT CmdRunAtLogin = 9002;
const UINT CmdAbout = 9003;

// Hotkey ids: ALT+1..5 switch, ALT+SHIFT+1..5 carry the foreground window.
const int HotkeySwitchFirst = 100;
const int HotkeyCarryFirst = 200;

const UINT_PTR MaintenanceTimerId = 1;
const UINT MaintenanceTimerPeriod = 500;  // ms
// One-shot: the tray icon catches up with the group on screen once the
// switches have stopped for this long.
const UINT_PTR TrayUpdateTimerId = 2;
const UINT TrayUpdateDelay = 500;  // ms
const UINT TrayCallbackMessage = WM_USER + 1;
