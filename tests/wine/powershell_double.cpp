// A stand-in "powershell.exe" for the elevated-retry tests under Wine. It
// reads the text after -Command by PowerShell's rules for quoting and
// statements, runs the Start-Process and exit statements it finds the way
// PowerShell would (without elevation), and writes one line per statement
// to the file named by PLINTHWISE_PSDOUBLE_LOG, so that a test sees every
// command the text held, not only the one it meant.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace {

std::wstring logPath;

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

// PowerShell takes these for single quotes, and these for double quotes.
bool IsSingleQuote(wchar_t c) { return c == L'\'' || (c >= 0x2018 && c <= 0x201B); }
bool IsDoubleQuote(wchar_t c) { return c == L'"' || (c >= 0x201C && c <= 0x201E); }
bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }
bool IsPunctuation(wchar_t c) { return c == L';' || c == L'{' || c == L'}' || c == L'(' || c == L')' || c == L'|' || c == L'\n'; }

enum Kind { Word, String, Variable, Punct };
struct Token {
    Kind kind;
    std::wstring text;
};

// Splits the script into tokens; false on text PowerShell would refuse to
// parse, in which case nothing of it runs.
bool Tokenize(const std::wstring &s, std::vector<Token> *out, std::wstring *error)
{
    size_t i = 0;
    while (i < s.size()) {
        wchar_t c = s[i];
        if (IsSpace(c)) {
            i++;
        } else if (IsPunctuation(c)) {
            out->push_back({Punct, std::wstring(1, c == L'\n' ? L';' : c)});
            i++;
        } else if (IsSingleQuote(c)) {
            std::wstring text;
            for (i++;; i++) {
                if (i >= s.size()) {
                    *error = L"unterminated single-quoted string";
                    return false;
                }
                if (IsSingleQuote(s[i])) {
                    if (i + 1 < s.size() && IsSingleQuote(s[i + 1])) {
                        text += s[++i];
                        continue;
                    }
                    i++;
                    break;
                }
                text += s[i];
            }
            out->push_back({String, text});
        } else if (IsDoubleQuote(c)) {
            std::wstring text;
            for (i++;; i++) {
                if (i >= s.size()) {
                    *error = L"unterminated double-quoted string";
                    return false;
                }
                if (s[i] == L'`' && i + 1 < s.size()) {
                    text += s[++i];
                    continue;
                }
                if (IsDoubleQuote(s[i])) {
                    if (i + 1 < s.size() && IsDoubleQuote(s[i + 1])) {
                        text += s[++i];
                        continue;
                    }
                    i++;
                    break;
                }
                if (s[i] == L'$') {
                    *error = L"expansion in a double-quoted string is not supported by the double";
                    return false;
                }
                text += s[i];
            }
            out->push_back({String, text});
        } else {
            size_t start = i;
            while (i < s.size() && !IsSpace(s[i]) && !IsPunctuation(s[i]) && !IsSingleQuote(s[i]) &&
                   !IsDoubleQuote(s[i]))
                i++;
            std::wstring text = s.substr(start, i - start);
            out->push_back({text[0] == L'$' ? Variable : Word, text});
        }
    }
    return true;
}

bool Same(const std::wstring &a, const wchar_t *b) { return lstrcmpiW(a.c_str(), b) == 0; }

struct Started {
    bool valid = false;
    DWORD exitCode = 0;
};

// Start-Process with -FilePath, -ArgumentList, -Verb, -Wait, -PassThru.
bool StartProcess(const std::vector<Token> &args, Started *result)
{
    std::wstring filePath, argumentList, verb;
    bool wait = false, passThru = false;
    int positional = 0;
    for (size_t i = 0; i < args.size(); i++) {
        const Token &t = args[i];
        bool hasValue = i + 1 < args.size();
        if (t.kind == Word && t.text[0] == L'-') {
            if (Same(t.text, L"-FilePath") && hasValue)
                filePath = args[++i].text;
            else if (Same(t.text, L"-ArgumentList") && hasValue)
                argumentList = args[++i].text;
            else if (Same(t.text, L"-Verb") && hasValue)
                verb = args[++i].text;
            else if (Same(t.text, L"-Wait"))
                wait = true;
            else if (Same(t.text, L"-PassThru"))
                passThru = true;
            else {
                Note(L"error: Start-Process has no parameter " + t.text);
                return false;
            }
        } else if (positional == 0) {
            filePath = t.text;
            positional++;
        } else if (positional == 1) {
            argumentList = t.text;
            positional++;
        } else {
            Note(L"error: Start-Process takes no argument " + t.text);
            return false;
        }
    }
    Note(L"Start-Process FilePath=" + filePath + L" ArgumentList=" + argumentList + L" Verb=" + verb +
         (wait ? L" Wait" : L"") + (passThru ? L" PassThru" : L""));
    std::wstring line = L"\"" + filePath + L"\"" + (argumentList.empty() ? L"" : L" " + argumentList);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        Note(L"error: cannot start " + filePath);
        return false;
    }
    if (wait)
        WaitForSingleObject(pi.hProcess, INFINITE);
    if (passThru) {
        result->valid = true;
        GetExitCodeProcess(pi.hProcess, &result->exitCode);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

struct Interpreter {
    Started variable;
    std::wstring variableName;
    bool failed = false;
    bool exited = false;
    DWORD exitCode = 0;
};

void Execute(Interpreter &in, const std::vector<Token> &body);

bool IsPunct(const Token &t, const wchar_t *text) { return t.kind == Punct && t.text == text; }

// Arguments with each subexpression "$( ... )" run in place; it stands for
// its output, which is nothing here.
std::vector<Token> Evaluate(Interpreter &in, const std::vector<Token> &args)
{
    std::vector<Token> out;
    for (size_t i = 0; i < args.size() && !in.exited; i++) {
        if (args[i].kind == Variable && args[i].text == L"$" && i + 1 < args.size() && IsPunct(args[i + 1], L"(")) {
            size_t end = i + 2;
            for (int depth = 1; end < args.size(); end++) {
                depth += IsPunct(args[end], L"(") ? 1 : IsPunct(args[end], L")") ? -1 : 0;
                if (depth == 0)
                    break;
            }
            Note(L"subexpression");
            Execute(in, std::vector<Token>(args.begin() + (long)i + 2, args.begin() + (long)end));
            out.push_back({String, L""});
            i = end;
            continue;
        }
        out.push_back(args[i]);
    }
    return out;
}

// Runs statements separated by ';' (outside parentheses) until an exit.
void Execute(Interpreter &in, const std::vector<Token> &body)
{
    size_t i = 0;
    while (i < body.size() && !in.exited) {
        size_t end = i;
        for (int depth = 0; end < body.size(); end++) {
            depth += IsPunct(body[end], L"(") ? 1 : IsPunct(body[end], L")") ? -1 : 0;
            if (depth == 0 && IsPunct(body[end], L";"))
                break;
        }
        std::vector<Token> statement(body.begin() + (long)i, body.begin() + (long)end);
        i = end + 1;
        if (statement.empty())
            continue;
        std::wstring assignTo;
        if (statement.size() >= 3 && statement[0].kind == Variable && statement[1].text == L"=") {
            assignTo = statement[0].text;
            statement.erase(statement.begin(), statement.begin() + 2);
        }
        const Token command = statement[0];
        std::vector<Token> args = Evaluate(in, std::vector<Token>(statement.begin() + 1, statement.end()));
        if (in.exited)
            return;
        if (command.kind == Word && Same(command.text, L"Start-Process")) {
            Started started;
            if (!StartProcess(args, &started))
                in.failed = true;
            if (!assignTo.empty()) {
                in.variableName = assignTo;
                in.variable = started;
            }
        } else if (command.kind == Word && Same(command.text, L"exit")) {
            DWORD code = 0;
            if (args.size() == 1 && args[0].kind == Variable && Same(args[0].text, (in.variableName + L".ExitCode").c_str()))
                code = in.variable.valid ? in.variable.exitCode : 0;
            else if (args.size() == 1 && args[0].kind == Word)
                code = (DWORD)_wtoi(args[0].text.c_str());
            else if (!args.empty())
                Note(L"error: exit takes no " + args[0].text);
            Note(L"exit " + std::to_wstring(code));
            in.exited = true;
            in.exitCode = code;
        } else {
            Note(L"unknown: " + command.text);
            in.failed = true;
        }
    }
}

// The script itself, or the body of "& { ... }": the call operator on a
// script block runs it.
int Run(const std::vector<Token> &tokens)
{
    std::vector<Token> body(tokens);
    if (body.size() >= 3 && body[0].kind == Word && body[0].text == L"&" && IsPunct(body[1], L"{") &&
        IsPunct(body.back(), L"}"))
        body = std::vector<Token>(tokens.begin() + 2, tokens.end() - 1);
    Interpreter in;
    Execute(in, body);
    return in.exited ? (int)in.exitCode : in.failed ? 1 : 0;
}

} // namespace

int main()
{
    wchar_t buffer[32768];
    if (GetEnvironmentVariableW(L"PLINTHWISE_PSDOUBLE_LOG", buffer, 32768))
        logPath = buffer;
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    // PowerShell joins every argument after -Command into the script.
    std::wstring script;
    bool seenCommand = false;
    for (int i = 1; i < argc; i++) {
        if (seenCommand)
            script += (script.empty() ? L"" : L" ") + std::wstring(argv[i]);
        else if (Same(argv[i], L"-Command"))
            seenCommand = true;
        else if (Same(argv[i], L"-WindowStyle"))
            i++;
    }
    LocalFree(argv);
    std::vector<Token> tokens;
    std::wstring error;
    if (!Tokenize(script, &tokens, &error)) {
        Note(L"parse error: " + error);
        return 1;
    }
    return Run(tokens);
}
