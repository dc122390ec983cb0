// What pwhelper.exe and desk_wine agree on; the commands are described in
// pwhelper.cpp.
#pragma once

#include <windows.h>

// Class of the helper's message-only control window.
static const char kHelperClass[] = "PlinthwiseTestHelper";
// Title of the control window: the test's process id makes it the test's own.
static const char kHelperTitleFormat[] = "pwhelper %lu";
// dwData of every command's COPYDATASTRUCT; other WM_COPYDATA are ignored.
static const ULONG_PTR kHelperMagic = 0x50574831; // "PWH1"
// Longest command text, tabs and fields included.
static const DWORD kHelperMaxCommand = 1024;
