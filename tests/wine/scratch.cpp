#include "tests/wine/scratch.h"

namespace scratch {

const wchar_t OtherScriptsName[] = L"Za\u017c\u00f3\u0142\u0107 g\u0119\u015bl\u0105 ja\u017a\u0144 "
                                   L"\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b";

std::wstring BuildDirectory()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring Populate(const std::wstring &name, const std::vector<std::pair<std::wstring, std::wstring>> &helpers)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"plinthwise-logintask";
    CreateDirectoryW(root.c_str(), NULL);
    std::wstring dir = root + L"\\" + name;
    CreateDirectoryW(dir.c_str(), NULL);
    for (const auto &h : helpers) {
        std::wstring from = BuildDirectory() + L"\\" + h.first;
        std::wstring to = dir + L"\\" + h.second;
        if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
            return std::wstring();
    }
    return dir;
}

long RunAndWait(const std::wstring &program, const std::wstring &arguments)
{
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return -2;
    long result = -3;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        result = (long)(int)code;
    } else {
        TerminateProcess(pi.hProcess, 1);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

std::vector<std::string> ReadLines(const std::wstring &path)
{
    std::vector<std::string> lines;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return lines;
    std::string text;
    char buffer[4096];
    DWORD got;
    while (ReadFile(f, buffer, sizeof buffer, &got, NULL) && got > 0)
        text.append(buffer, got);
    CloseHandle(f);
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

void Remove(const std::wstring &path) { DeleteFileW(path.c_str()); }

std::string Utf8(const std::wstring &text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), &out[0], n, NULL, NULL);
    return out;
}

bool FitsAnsiCodePage(const std::wstring &text)
{
    BOOL usedDefault = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), (int)text.size(), NULL, 0, NULL,
                                &usedDefault);
    return n > 0 && !usedDefault;
}

} // namespace scratch
