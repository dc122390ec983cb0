// A stand-in "powershell.exe" for the elevated-retry tests under Wine. It
// runs the text after -Command as PowerShell would (tests/psscript.h), with
// Start-Process starting the program without elevation, and writes one line
// per statement to the file named by PLINTHWISE_PSDOUBLE_LOG.
// PLINTHWISE_PSDOUBLE_ELEVATION plays the user's part and the process
// object's: "declined" answers No to the elevation prompt, so Start-Process
// reports its non-terminating error and hands back nothing; "noexitcode"
// starts the program but hands back a process whose ExitCode is $null.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/psscript.h"

namespace {

std::wstring logPath;
std::wstring elevation;

void Note(const std::wstring &line)
{
    if (logPath.empty())
        return;
    HANDLE f = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return;
    std::wstring text = line + L"\n";
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string utf8((size_t)bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &utf8[0], bytes, NULL, NULL);
    DWORD written;
    WriteFile(f, utf8.data(), (DWORD)utf8.size(), &written, NULL);
    CloseHandle(f);
}

bool Start(const psscript::StartRequest &r, psscript::Started *result, std::wstring *error)
{
    // Windows PowerShell's words when the user answers No.
    if (elevation == L"declined" && lstrcmpiW(r.verb.c_str(), L"RunAs") == 0) {
        *error = L"This command cannot be run due to the error: The operation was canceled by the user.";
        return false;
    }
    std::wstring line = L"\"" + r.filePath + L"\"" + (r.argumentList.empty() ? L"" : L" " + r.argumentList);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        *error = L"cannot start " + r.filePath;
        return false;
    }
    if (r.wait)
        WaitForSingleObject(pi.hProcess, INFINITE);
    result->valid = true;
    DWORD code = 0;
    result->hasExitCode = elevation != L"noexitcode" && GetExitCodeProcess(pi.hProcess, &code) &&
                          code != STILL_ACTIVE;
    result->exitCode = code;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

std::wstring Environment(const wchar_t *name)
{
    wchar_t buffer[32768];
    DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

} // namespace

int main()
{
    logPath = Environment(L"PLINTHWISE_PSDOUBLE_LOG");
    elevation = Environment(L"PLINTHWISE_PSDOUBLE_ELEVATION");
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; i++)
        arguments.push_back(argv[i]);
    LocalFree(argv);
    psscript::Host host{Note, Start};
    return psscript::Run(psscript::CommandText(arguments), host);
}
