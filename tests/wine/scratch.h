// Scratch directories for the login-task tests under Wine: the test helpers
// copied into directories with awkward names, and their logs read back.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

namespace scratch {

// A folder name in Polish and Russian letters, which no single ANSI code
// page holds: the program's path is read and passed on whole only in UTF-8.
extern const wchar_t OtherScriptsName[];

// The directory of the running test executable, where the helpers are built.
std::wstring BuildDirectory();
// A fresh directory of that name under the temporary directory, holding
// copies of the named helpers (the second name is the copy's); empty when
// it cannot be made.
std::wstring Populate(const std::wstring &name, const std::vector<std::pair<std::wstring, std::wstring>> &helpers);
// Runs the program with the arguments and waits up to a minute: its exit
// code, or -2 when it could not start, -3 when it did not end in time.
long RunAndWait(const std::wstring &program, const std::wstring &arguments);
// The lines of a UTF-8 text file (empty when there is none), and deletion.
std::vector<std::string> ReadLines(const std::wstring &path);
void Remove(const std::wstring &path);
std::string Utf8(const std::wstring &text);
// True when the text survives the round trip through the ANSI code page,
// so that the program's ANSI calls can name it.
bool FitsAnsiCodePage(const std::wstring &text);

} // namespace scratch
