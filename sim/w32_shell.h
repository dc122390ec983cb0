// Shell side of the simulated Win32 API: the notification area.
#pragma once

#include "sim/w32_types.h"

#define NIM_ADD 0x00000000u
#define NIM_MODIFY 0x00000001u
#define NIM_DELETE 0x00000002u
#define NIM_SETFOCUS 0x00000003u
#define NIM_SETVERSION 0x00000004u
#define NIF_MESSAGE 0x00000001u
#define NIF_ICON 0x00000002u
#define NIF_TIP 0x00000004u
#define NIF_STATE 0x00000008u
#define NIF_INFO 0x00000010u
#define NIF_GUID 0x00000020u
#define NIIF_INFO 0x00000001u

// The full layout, up to hBalloonIcon: 528 bytes in a 64-bit process.
typedef struct _NOTIFYICONDATAA {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    union {
        UINT uTimeout;
        UINT uVersion;
    };
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    HICON hBalloonIcon;
} NOTIFYICONDATAA, *PNOTIFYICONDATAA;

// The earlier layouts the shell still accepts: up to a 64-character szTip
// (V1), up to dwInfoFlags (V2), up to guidItem (V3).
#define NOTIFYICONDATAA_V1_SIZE 104
#define NOTIFYICONDATAA_V2_SIZE 504
#define NOTIFYICONDATAA_V3_SIZE 520

BOOL Shell_NotifyIconA(DWORD message, PNOTIFYICONDATAA data);
