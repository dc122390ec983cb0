// The orderly end of a normal run: every managed window back on screen and
// unmarked, then the hotkeys, the hook, the tray icon and the icons released.
#pragma once

void Shutdown();
// The first half of it: every managed window back on screen in its state
// and unmarked (one whose program does not answer when it does); the groups
// stay as they are.
void ReleaseEveryWindow();
