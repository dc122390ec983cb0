// PowerShell's reading and running of the text after -Command, as far as the
// elevated retry's command needs it, for the stand-ins of PowerShell in both
// builds: single- and double-quoted strings by PowerShell's quoting rules,
// statements split at ';', "& { ... }", subexpressions "$( ... )",
// assignment of Start-Process's result, "if (<cond>) { ... }", and exit.
// Every statement the text holds is reported through the host, so that a
// test sees every command the text held, not only the one it meant.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace psscript {

struct StartRequest {
    std::wstring filePath;
    std::wstring argumentList;
    std::wstring verb;
    bool wait = false;
    bool passThru = false;
};

// What Start-Process hands back: with -PassThru a process object, whose
// ExitCode is $null when no exit code came back.
struct Started {
    bool valid = false;
    bool hasExitCode = false;
    unsigned long exitCode = 0;
};

struct Host {
    // One line per statement run, and per error.
    std::function<void(const std::wstring &)> note;
    // Starts the process as Start-Process would; false, with the error
    // text, when Start-Process reports a non-terminating error instead.
    std::function<bool(const StartRequest &, Started *, std::wstring *)> start;
};

// The script PowerShell runs: the arguments after -Command, joined by
// blanks; the options before it are skipped.
std::wstring CommandText(const std::vector<std::wstring> &arguments);
// A command line split into arguments by the C runtime's rules, as
// CommandLineToArgvW does (blanks outside quotes separate, backslashes
// escape a quote only before one); the program's own name is left out.
std::vector<std::wstring> SplitArguments(const std::wstring &commandLine);
// PowerShell's exit code for the script: the code of the exit statement
// that ends it ("exit $null" gives 0), else 1 when the last statement
// failed and 0 when it did not; 1 for a text PowerShell cannot parse.
int Run(const std::wstring &script, Host &host);

} // namespace psscript
