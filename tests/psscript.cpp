#include "tests/psscript.h"

#include <wctype.h>

#include <stdlib.h>

namespace psscript {
namespace {

// PowerShell takes these for single quotes, and these for double quotes.
bool IsSingleQuote(wchar_t c) { return c == L'\'' || (c >= 0x2018 && c <= 0x201B); }
bool IsDoubleQuote(wchar_t c) { return c == L'"' || (c >= 0x201C && c <= 0x201E); }
bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; }
bool IsPunctuation(wchar_t c)
{
    return c == L';' || c == L'{' || c == L'}' || c == L'(' || c == L')' || c == L'|' || c == L'\n';
}

enum Kind { Word, String, Variable, Punct };
struct Token {
    Kind kind;
    std::wstring text;
};
typedef std::vector<Token> Tokens;

bool Same(const std::wstring &a, const wchar_t *b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; i++)
        if (towlower((wint_t)a[i]) != towlower((wint_t)b[i]))
            return false;
    return i == a.size() && !b[i];
}

// Splits the script into tokens; false on text PowerShell would refuse to
// parse, in which case nothing of it runs.
bool Tokenize(const std::wstring &s, Tokens *out, std::wstring *error)
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

bool IsPunct(const Token &t, const wchar_t *text) { return t.kind == Punct && t.text == text; }

// The index of the bracket that closes the one at `open`, or the end.
size_t Closing(const Tokens &t, size_t open, const wchar_t *opening, const wchar_t *closing)
{
    size_t end = open + 1;
    for (int depth = 1; end < t.size(); end++) {
        depth += IsPunct(t[end], opening) ? 1 : IsPunct(t[end], closing) ? -1 : 0;
        if (depth == 0)
            break;
    }
    return end;
}

Tokens Slice(const Tokens &t, size_t from, size_t to)
{
    return Tokens(t.begin() + (long)from, t.begin() + (long)(to < t.size() ? to : t.size()));
}

struct Interpreter {
    Host &host;
    std::wstring variableName;
    Started variable;
    bool lastFailed = false;
    bool exited = false;
    int exitCode = 0;
};

void Execute(Interpreter &in, const Tokens &body);

// Start-Process with -FilePath, -ArgumentList, -Verb, -Wait, -PassThru.
bool StartProcess(Interpreter &in, const Tokens &args, Started *result)
{
    StartRequest r;
    int positional = 0;
    for (size_t i = 0; i < args.size(); i++) {
        const Token &t = args[i];
        bool hasValue = i + 1 < args.size();
        if (t.kind == Word && t.text[0] == L'-') {
            if (Same(t.text, L"-FilePath") && hasValue)
                r.filePath = args[++i].text;
            else if (Same(t.text, L"-ArgumentList") && hasValue)
                r.argumentList = args[++i].text;
            else if (Same(t.text, L"-Verb") && hasValue)
                r.verb = args[++i].text;
            else if (Same(t.text, L"-Wait"))
                r.wait = true;
            else if (Same(t.text, L"-PassThru"))
                r.passThru = true;
            else {
                in.host.note(L"error: Start-Process has no parameter " + t.text);
                return false;
            }
        } else if (positional == 0) {
            r.filePath = t.text;
            positional++;
        } else if (positional == 1) {
            r.argumentList = t.text;
            positional++;
        } else {
            in.host.note(L"error: Start-Process takes no argument " + t.text);
            return false;
        }
    }
    in.host.note(L"Start-Process FilePath=" + r.filePath + L" ArgumentList=" + r.argumentList + L" Verb=" + r.verb +
                 (r.wait ? L" Wait" : L"") + (r.passThru ? L" PassThru" : L""));
    Started started;
    std::wstring error;
    if (!in.host.start(r, &started, &error)) {
        in.host.note(L"error: " + error);
        return false;
    }
    if (r.passThru)
        *result = started;
    return true;
}

// Arguments with each subexpression "$( ... )" run in place; it stands for
// its output, which is nothing here.
Tokens Evaluate(Interpreter &in, const Tokens &args)
{
    Tokens out;
    for (size_t i = 0; i < args.size() && !in.exited; i++) {
        if (args[i].kind == Variable && args[i].text == L"$" && i + 1 < args.size() && IsPunct(args[i + 1], L"(")) {
            size_t end = Closing(args, i + 1, L"(", L")");
            in.host.note(L"subexpression");
            Execute(in, Slice(args, i + 2, end));
            out.push_back({String, L""});
            i = end;
            continue;
        }
        out.push_back(args[i]);
    }
    return out;
}

// The property ExitCode of the variable, as "$name.ExitCode" reads it.
bool ReadExitCode(const Interpreter &in, const Token &t, bool *isInt, unsigned long *code)
{
    if (t.kind != Variable || in.variableName.empty() || !Same(t.text, (in.variableName + L".ExitCode").c_str()))
        return false;
    *isInt = in.variable.valid && in.variable.hasExitCode;
    *code = in.variable.exitCode;
    return true;
}

// "$name.ExitCode -is [int]": true only when an exit code came back.
bool Condition(Interpreter &in, const Tokens &cond, bool *value)
{
    bool isInt;
    unsigned long code;
    if (cond.size() == 3 && ReadExitCode(in, cond[0], &isInt, &code) && Same(cond[1].text, L"-is") &&
        Same(cond[2].text, L"[int]")) {
        *value = isInt;
        return true;
    }
    return false;
}

void RunIf(Interpreter &in, const Tokens &statement)
{
    size_t condEnd = statement.size() > 1 && IsPunct(statement[1], L"(") ? Closing(statement, 1, L"(", L")")
                                                                          : statement.size();
    size_t bodyOpen = condEnd + 1;
    bool value = false;
    if (bodyOpen >= statement.size() || !IsPunct(statement[bodyOpen], L"{") ||
        !Condition(in, Slice(statement, 2, condEnd), &value)) {
        in.host.note(L"error: if not understood by the double");
        in.lastFailed = true;
        return;
    }
    if (value)
        Execute(in, Slice(statement, bodyOpen + 1, Closing(statement, bodyOpen, L"{", L"}")));
}

void RunExit(Interpreter &in, const Tokens &args)
{
    unsigned long code = 0;
    bool isInt;
    unsigned long read;
    if (args.size() == 1 && ReadExitCode(in, args[0], &isInt, &read))
        code = isInt ? read : 0;  // "exit $null" ends with 0
    else if (args.size() == 1 && args[0].kind == Word)
        code = wcstoul(args[0].text.c_str(), nullptr, 10);
    else if (!args.empty())
        in.host.note(L"error: exit takes no " + args[0].text);
    in.host.note(L"exit " + std::to_wstring(code));
    in.exited = true;
    in.exitCode = (int)code;
}

// Runs statements separated by ';' (outside brackets) until an exit.
void Execute(Interpreter &in, const Tokens &body)
{
    size_t i = 0;
    while (i < body.size() && !in.exited) {
        size_t end = i;
        for (int depth = 0; end < body.size(); end++) {
            depth += IsPunct(body[end], L"(") || IsPunct(body[end], L"{")   ? 1
                     : IsPunct(body[end], L")") || IsPunct(body[end], L"}") ? -1
                                                                            : 0;
            if (depth == 0 && IsPunct(body[end], L";"))
                break;
        }
        Tokens statement = Slice(body, i, end);
        i = end + 1;
        if (statement.empty())
            continue;
        if (statement[0].kind == Word && Same(statement[0].text, L"if")) {
            RunIf(in, statement);
            continue;
        }
        std::wstring assignTo;
        if (statement.size() >= 3 && statement[0].kind == Variable && statement[1].text == L"=") {
            assignTo = statement[0].text;
            statement.erase(statement.begin(), statement.begin() + 2);
        }
        const Token command = statement[0];
        Tokens args = Evaluate(in, Slice(statement, 1, statement.size()));
        if (in.exited)
            return;
        if (command.kind == Word && Same(command.text, L"Start-Process")) {
            Started started;
            in.lastFailed = !StartProcess(in, args, &started);
            if (!assignTo.empty()) {
                in.variableName = assignTo;
                in.variable = started;  // stays empty when nothing was handed back
            }
        } else if (command.kind == Word && Same(command.text, L"exit")) {
            RunExit(in, args);
        } else {
            in.host.note(L"unknown: " + command.text);
            in.lastFailed = true;
        }
    }
}

} // namespace

std::wstring CommandText(const std::vector<std::wstring> &arguments)
{
    std::wstring script;
    bool seenCommand = false;
    for (size_t i = 0; i < arguments.size(); i++) {
        if (seenCommand)
            script += (script.empty() ? L"" : L" ") + arguments[i];
        else if (Same(arguments[i], L"-Command"))
            seenCommand = true;
        else if (Same(arguments[i], L"-WindowStyle"))
            i++;
    }
    return script;
}

std::vector<std::wstring> SplitArguments(const std::wstring &line)
{
    std::vector<std::wstring> out;
    size_t i = 0;
    // The program's name ends at the closing quote or the first blank.
    if (i < line.size() && line[i] == L'"') {
        size_t close = line.find(L'"', 1);
        i = close == std::wstring::npos ? line.size() : close + 1;
    }
    while (i < line.size() && line[i] != L' ' && line[i] != L'\t')
        i++;
    for (;;) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t'))
            i++;
        if (i >= line.size())
            return out;
        std::wstring arg;
        bool quoted = false;
        for (; i < line.size() && (quoted || (line[i] != L' ' && line[i] != L'\t')); i++) {
            size_t slashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                slashes++;
                i++;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(slashes / 2, L'\\');
                if (slashes % 2)
                    arg += L'"';
                else
                    quoted = !quoted;
            } else {
                arg.append(slashes, L'\\');
                if (i >= line.size() || (!quoted && (line[i] == L' ' || line[i] == L'\t')))
                    break;
                arg += line[i];
            }
        }
        out.push_back(arg);
    }
}

int Run(const std::wstring &script, Host &host)
{
    Tokens tokens;
    std::wstring error;
    if (!Tokenize(script, &tokens, &error)) {
        host.note(L"parse error: " + error);
        return 1;
    }
    // The script itself, or the body of "& { ... }": the call operator on a
    // script block runs it.
    Tokens body(tokens);
    if (body.size() >= 3 && body[0].kind == Word && body[0].text == L"&" && IsPunct(body[1], L"{") &&
        IsPunct(body.back(), L"}"))
        body = Slice(tokens, 2, tokens.size() - 1);
    Interpreter in{host};
    Execute(in, body);
    return in.exited ? in.exitCode : in.lastFailed ? 1 : 0;
}

} // namespace psscript
