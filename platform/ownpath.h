// The full path of the program's own executable, which the watcher, the
// logon task and the elevated retry start.
#pragma once

#include "platform/platform.h"

#include <string.h>

// The manifest makes the ANSI code page UTF-8, where one UTF-16 unit of a
// path takes up to three bytes: room for the longest path Windows gives.
const DWORD OwnPathSize = 3 * MAX_PATH;

// Windows 10 before version 1903 ignores the manifest's code page. There a
// folder named in letters the ANSI code page lacks comes back with stand-ins
// ('?' or a look-alike), naming no file; the same path in short names, where
// the volume keeps them, holds only letters every code page has.
inline bool ReadOwnShortPath(char (&path)[OwnPathSize])
{
    WCHAR wide[MAX_PATH], shortPath[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, wide, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, path, OwnPathSize, nullptr, &lossy) > 0 && !lossy)
        return true;
    length = GetShortPathNameW(wide, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    lossy = FALSE;
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortPath, -1, path, OwnPathSize, nullptr, &lossy) > 0 &&
           !lossy;
}

// The path, NUL-terminated, and true; false and an empty text when it
// cannot be read whole, since a cut or mangled path would name some other
// file.
inline bool ReadOwnPath(char (&path)[OwnPathSize])
{
    memset(path, 0, sizeof path);
    DWORD length = GetModuleFileNameA(nullptr, path, OwnPathSize);
    bool whole = length > 0 && length < OwnPathSize && (GetACP() == CP_UTF8 || ReadOwnShortPath(path));
    if (!whole)
        path[0] = 0;
    return whole;
}
