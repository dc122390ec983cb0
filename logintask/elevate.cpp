#include "logintask/elevate.h"

#include "logintask/template.h"
#include "platform/ownpath.h"

// Each '%s' stands inside a PowerShell single-quoted literal: the module
// path, then the option. Start-Process reports a declined elevation prompt,
// or any other failure to start the copy, as a non-terminating error and
// hands back no process, and "exit $null" would end PowerShell with 0: so
// only an exit code that came back is passed on, and every other way ends
// with 1.
static const char ElevationCommandLine[] =
    "powershell.exe -NoProfile -WindowStyle Hidden -Command "
    "\"& { $p = Start-Process -FilePath '%s' -ArgumentList '%s' -Verb RunAs -Wait -PassThru; "
    "if ($p.ExitCode -is [int]) { exit $p.ExitCode }; exit 1 }\"";

// The longest path in UTF-8 with every character a quote written twice
// still fits.
const int CommandLineSize = 2 * OwnPathSize + 512;

static bool IsPowerShellQuote(WCHAR c)
{
    // PowerShell closes a single-quoted literal on the typographic single
    // quotes too, not only on the apostrophe.
    return c == 0x0027 || (c >= 0x2018 && c <= 0x201B);
}

// The length in bytes of the character at text in the ANSI code page, and
// whether PowerShell reads it as a single quote. ASCII stands for itself in
// every ANSI code page; other characters are found by widening them.
static int ExamineCharacter(const char *text, bool *quote)
{
    *quote = *text == '\'';
    if ((unsigned char)*text < 0x80)
        return 1;
    for (int count = 1; count <= 4; count++) {
        WCHAR wide[2];
        int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, count, wide, 2);
        if (units > 0) {
            *quote = units == 1 && IsPowerShellQuote(wide[0]);
            return count;
        }
        if (!text[count])
            break;
    }
    return 1;
}

// Inside a single-quoted literal a quote is written twice, so the literal
// ends only where the program ends it: no path can add a command.
static bool AppendQuotedText(TemplateOutput &line, const char *text)
{
    while (*text) {
        bool quote;
        int count = ExamineCharacter(text, &quote);
        if (quote && !AppendBytes(line, text, count))
            return false;
        if (!AppendBytes(line, text, count))
            return false;
        text += count;
    }
    return true;
}

static bool FormatElevationCommandLine(char *line, const char *modulePath, const char *option)
{
    const char *substitutions[2] = {modulePath, option};
    TemplateOutput out = {line, CommandLineSize, 0};
    return FillTemplate(out, ElevationCommandLine, substitutions, AppendQuotedText);
}

int RunElevatedTaskCommand(LPCSTR option)
{
    char modulePath[OwnPathSize];
    if (!ReadOwnPath(modulePath))
        return -1;

    // CreateProcessA may write into its command line, so it gets this
    // buffer. A line that would not fit is not cut but not run at all.
    char commandLine[CommandLineSize];
    if (!FormatElevationCommandLine(commandLine, modulePath, option))
        return -1;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        exitCode = 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)exitCode;
}
