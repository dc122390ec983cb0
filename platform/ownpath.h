// The full path of the program's own executable, which the watcher, the
// logon task and the elevated retry start.
#pragma once

#include "platform/platform.h"

#include <string.h>

// The manifest makes the ANSI code page UTF-8, where one UTF-16 unit of a
// path takes up to three bytes: room for the longest path Windows gives.
const DWORD OwnPathSize = 3 * MAX_PATH;

// The path, NUL-terminated, and true; false and an empty text when it
// cannot be read whole, since a cut path would name some other file.
inline bool ReadOwnPath(char (&path)[OwnPathSize])
{
    memset(path, 0, sizeof path);
    DWORD length = GetModuleFileNameA(NULL, path, OwnPathSize);
    if (length == 0 || length >= OwnPathSize) {
        path[0] = 0;
        return false;
    }
    return true;
}
