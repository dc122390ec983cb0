#include "shell/appstate.h"

HWND MainWindow;
UINT TaskbarCreatedMessage;
HWINEVENTHOOK ForegroundHook;
BYTE AboutOpen;
