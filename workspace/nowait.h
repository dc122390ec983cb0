// Calls on other programs' windows that never wait for a program that has
// stopped answering. A window whose thread answers gets the usual call; one
// whose thread does not gets the call's asynchronous form, which the system
// carries out, in order, when that thread takes its messages again.
#pragma once

#include "platform/platform.h"

// True when the window is this thread's, or its thread takes messages now
// (it answers a null message at once), and no call queued for it earlier is
// still unsettled. A thread found silent is taken as silent for a while
// without asking again.
bool IsAnswering(HWND window);
// A pass over many windows (a switch, the exit release, a recovery pass)
// asks each thread once: one that answered is taken to answer until the pass
// ends. A program that stops answering within that pass is waited for, as it
// would be between any question and the call after it.
void BeginAnswerPass();
void EndAnswerPass();
// ShowWindow, or ShowWindowAsync for a window that does not answer; no
// second show that would bring it back as it was hidden is queued behind
// one still pending.
void ShowOrQueue(HWND window, int command, bool answering);
// The recovery's show of a marked window whose program does not answer: it
// is queued even when the window stands on screen, since a hide queued by a
// copy that is gone may still wait before it. At most one waits.
void QueueRestoringShow(HWND window);
// SetWindowPos with no move or size, or the same with SWP_ASYNCWINDOWPOS for
// a window that does not answer (which then shows it only if no show waits
// in its queue already).
void PositionOrQueue(HWND window, UINT flags, bool answering, HWND insertAfter = HWND_TOP);
// SetWindowPos that moves and sizes, or its queued form.
void MoveOrQueue(HWND window, const RECT &to, UINT flags, bool answering);
// SetWindowPlacement, or its queued form (WPF_ASYNCWINDOWPLACEMENT); its
// showCmd shows or hides the window like ShowWindow's.
void PlaceOrQueue(HWND window, WINDOWPLACEMENT &placement, bool answering);
// Whether calls queued for the window may not have run yet; its marker stays
// while they may not.
bool HasPendingCalls(HWND window);
bool AnyPendingCalls();
// Whether the last call queued for the window shows it.
bool IsPendingShow(HWND window);
// Forgets the queued calls whose outcome is seen: the window stands where
// its queue leads, or its thread has taken its messages since. True when
// any were forgotten.
bool SettlePendingCalls();
// Of those the last SettlePendingCalls forgot, the ones led to a show and
// not yet put in their place in the stacking (ForgetJustSettled).
bool IsJustSettled(HWND window);
void ForgetJustSettled(HWND window);
