// The orderly end of a normal run: every managed window back on screen and
// unmarked, then the hotkeys, the hook, the tray icon and the icons released.
#pragma once

void Shutdown();
