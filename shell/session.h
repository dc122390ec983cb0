// The end of the session (sign-out, restart, shutdown): every window is
// given back before the programs that own them are asked to close, and the
// groups are put back when the end is called off.
#pragma once

#include "platform/platform.h"

// The top of the range for programs asked first (SetProcessShutdownParameters).
const DWORD SessionEndLevel = 0x3FF;

// WM_QUERYENDSESSION: the windows come back; the end of the session is never
// refused.
LRESULT OnQueryEndSession();
// WM_ENDSESSION: wParam is whether the session ends.
void OnEndSession(WPARAM ending);
// Between the two: a switch would hide windows again, so none is made.
bool IsSessionEnding();
