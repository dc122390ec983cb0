// Desktop window manager side of the simulated Win32 API (dwmapi).
#pragma once

#include "sim/w32_types.h"

#define DWMWA_CLOAKED 14
#define DWM_CLOAKED_APP 0x00000001u
#define DWM_CLOAKED_SHELL 0x00000002u
#define DWM_CLOAKED_INHERITED 0x00000004u

HRESULT DwmGetWindowAttribute(HWND window, DWORD attribute, void *value, DWORD size);
