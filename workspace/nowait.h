// Calls on other programs' windows that never wait for a program that has
// stopped answering, and the one record of the windows whose calls wait in
// their programs' queues. A window whose thread answers gets the usual call;
// one whose thread does not gets the call's asynchronous form, which the
// system carries out, in order, when that thread takes its messages again.
// The engine says what it wants done; this module chooses the path, and
// decides when such a window's marker may come off.
#pragma once

#include "platform/platform.h"

// A pass over many windows (a switch, the exit release, a recovery pass)
// asks each thread once: one that answered is taken to answer until the pass
// ends. A program that stops answering within that pass is waited for, as it
// would be between any question and the call after it.
void BeginAnswerPass();
void EndAnswerPass();
// Whether a call made on the window now runs at once and in order: the
// window is this thread's, or its thread answers a null message at once,
// and no call queued for it earlier is still unseen. Asks the thread at most
// once a pass; one found silent is not asked again for a while.
bool CallsRunAtOnce(HWND window);

// ShowWindow or its queued form. No second show that would bring the window
// back as it was hidden is queued behind one still queued.
void ShowNoWait(HWND window, int command);
// SetWindowPos with no move or size, below `insertAfter`. Queued, it shows
// the window only if no show waits in its queue already.
void PositionNoWait(HWND window, UINT flags, HWND insertAfter = HWND_TOP);
// SetWindowPos that moves and sizes the window.
void MoveNoWait(HWND window, const RECT &to, UINT flags);
// SetWindowPlacement; its showCmd shows or hides the window like ShowWindow's.
void PlaceNoWait(HWND window, WINDOWPLACEMENT &placement);

// Marks the window and hides it, from the style just read. One whose
// program does not answer is marked all the same, since its hide runs only
// when its program answers again. One that cannot be marked stays on screen.
void MarkAndHide(HWND window, DWORD style);

// Whether calls queued for the window may not have run yet.
bool HasQueuedCalls(HWND window);
// Whether the calls queued for the window leave it on screen.
bool QueuedCallsShow(HWND window);

// Takes the marker off a window seen on screen whose queue, if any, leaves
// it there: its way back is then the queue, not the marker, and a window
// its program hides from now on is dropped like any other it hid. True when
// the window is on screen and unmarked.
bool ReleaseMarkerIfBack(HWND window);
// Shows the window (`command` keeps its state) and takes its marker off
// once it is back; true when it is. One whose show is queued keeps the
// marker until a later look sees it back.
bool ShowAndRelease(HWND window, int command);

// The tick's step: forgets the queued calls whose outcome is seen (the
// window stands where its queue leads, or its thread has taken its messages
// since). A window its queue brought back awaits its place in the stacking.
// True when any settled.
bool SettleQueuedCalls();
// Whether the record holds any window at all: the tick skips it otherwise.
bool AnyWaitingWindow();

// Late windows: back on screen after their group was shown, their place in
// the stacking still to be seen to. One that must wait for the windows
// above it is noted again.
void NoteAwaitingPlace(HWND window);
// Takes them out of the record, at most `limit` into `out`; those beyond it
// lose only their late placement. A switch places its windows anew.
int TakeWindowsAwaitingPlace(HWND *out, int limit);
// Whether the record holds the window in any state: it is not yet where
// the show put the windows around it.
bool IsWaiting(HWND window);

// The recovery: a pass starts anew; a marked window whose program does not
// answer gets a show queued even when it stands on screen, since a hide
// queued by a copy that is gone may still wait before it (at most one show
// waits). Later passes revisit only those windows: each loses its marker
// once it is back, and gets another show only once the one queued has run.
// RevisitQueuedRestores returns how many still wait.
void BeginRecoveryPass();
void QueueRecoveryShow(HWND window);
int RevisitQueuedRestores();
