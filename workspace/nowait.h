// Calls on other programs' windows that never wait for a program that has
// stopped answering, and the one record of the windows whose calls wait in
// their programs' queues. The engine says what it wants done; this module
// chooses the call or its queued form, which the system runs in order when
// the thread takes its messages again, and decides when a marker may go.
#pragma once

#include "platform/platform.h"

// A pass over many windows (a switch, the exit release, a recovery pass)
// asks each thread at most once: one that answered is taken to answer until
// the pass ends.
void BeginAnswerPass();
void EndAnswerPass();
// Whether a call made on the window now runs at once and in order: no call
// queued earlier is unseen, and its thread is ours or answers at once. The
// window's thread, where the caller knows it, saves reading it.
bool CallsRunAtOnce(HWND window, DWORD knownThread = 0);

// ShowWindow, or its queued form; no second show that brings the window
// back as it was hidden is queued behind one still queued.
void ShowNoWait(HWND window, int command);
// SetWindowPos with no move or size, below `insertAfter`. Queued, it shows
// the window only if no show waits in its queue already.
void PositionNoWait(HWND window, UINT flags, HWND insertAfter = HWND_TOP);
void MoveNoWait(HWND window, const RECT &to, UINT flags);
// Its showCmd shows or hides the window as ShowWindow's would.
void PlaceNoWait(HWND window, WINDOWPLACEMENT &placement);

// Marks the window and hides it, from the style just read, queued or not;
// one that cannot be marked stays on screen. False when it stays on screen
// unmarked, where its program may yet hide it.
bool MarkAndHide(HWND window, DWORD style, DWORD knownThread);

// Whether calls queued for the window may not have run yet, and whether
// they leave it on screen.
bool HasQueuedCalls(HWND window);
bool QueuedCallsShow(HWND window);

// Takes the marker off a window seen on screen whose queue, if any, leaves
// it there: the queue is then its way back, and a window its program hides
// from now on is dropped like any other it hid. True when the window is on
// screen and unmarked.
bool ReleaseMarkerIfBack(HWND window);
// Shows the window and takes the marker off once it is back; true when it
// is. One whose show is queued keeps the marker.
bool ShowAndRelease(HWND window, int command);

// The tick's step: forgets the queued calls whose outcome is seen; a window
// its queue brought back awaits its place. True when any settled.
bool SettleQueuedCalls();
bool AnyWaitingWindow();

// Late windows: back on screen after their group was shown, their place in
// the stacking still to be seen to. Taken out, at most `limit` into `out`;
// those beyond lose only their late placement.
void NoteAwaitingPlace(HWND window);
int TakeWindowsAwaitingPlace(HWND *out, int limit);
// Whether the record holds the window: it may not stand where the show
// put the windows around it.
bool IsWaiting(HWND window);

// The recovery, once a process: a marked window whose program does not
// answer gets a show queued even when it stands on screen, since a hide
// queued by a copy that is gone may wait before it. Later looks revisit only
// those windows: each loses its marker once it is back, and gets another
// show only once the one queued has run. RevisitQueuedRestores returns how
// many still wait.
void BeginRecoveryPass();
void QueueRecoveryShow(HWND window);
int RevisitQueuedRestores();
