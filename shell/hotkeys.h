// The ten global hotkeys on MainWindow: ALT+1..5 switch, ALT+SHIFT+1..5
// carry. Another program may hold some of them; the user is told once which,
// and each is taken as soon as that program lets it go.
#pragma once

// At start: registers the ten keys and tells the user, by a notice from the
// tray icon, which of them another program holds.
void RegisterHotkeys();
// At each maintenance tick: tries again the keys we do not hold, silently,
// and gives the start's notice if it is still due.
void RetryMissingHotkeys();
// At exit: releases the keys we hold.
void UnregisterHotkeys();
