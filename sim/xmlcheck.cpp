// The well-formedness check the simulated Task Scheduler applies to a task
// document, as the real one rejects a document it cannot parse: tags that
// nest and match, attributes quoted and unique, '<' and '&' only as markup
// or references, and only characters that XML 1.0 allows.
#include "sim/system.h"

#include <set>

namespace sim {
namespace {

struct Reader {
    const std::u16string &text;
    size_t at = 0;
    std::string *why;

    bool Fail(const std::string &what)
    {
        *why = what + " at " + std::to_string(at);
        return false;
    }
    bool End() const { return at >= text.size(); }
    char16_t Peek(size_t ahead = 0) const { return at + ahead < text.size() ? text[at + ahead] : 0; }
    bool Starts(const char16_t *s) const { return text.compare(at, std::char_traits<char16_t>::length(s), s) == 0; }
    void SkipSpace()
    {
        while (!End() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
            at++;
    }
};

bool IsXmlChar(char16_t c) { return c >= 0x20 ? c != 0xFFFE && c != 0xFFFF : c == 0x9 || c == 0xA || c == 0xD; }
bool IsNameStart(char16_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80; }
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool ReadName(Reader &r, std::u16string *name)
{
    if (!IsNameStart(r.Peek()))
        return r.Fail("name expected");
    size_t start = r.at;
    while (!r.End() && IsNameChar(r.Peek()))
        r.at++;
    *name = r.text.substr(start, r.at - start);
    return true;
}

// After '&': a predefined entity or a character reference, up to ';'.
bool ReadReference(Reader &r)
{
    size_t semi = r.text.find(u';', r.at);
    if (semi == std::u16string::npos)
        return r.Fail("unterminated reference");
    std::u16string ref = r.text.substr(r.at, semi - r.at);
    static const std::set<std::u16string> named = {u"amp", u"lt", u"gt", u"quot", u"apos"};
    bool ok = named.count(ref) != 0;
    if (!ok && ref.size() > 1 && ref[0] == '#') {
        bool hex = ref[1] == 'x';
        size_t first = hex ? 2 : 1;
        unsigned long value = 0;
        ok = ref.size() > first;
        for (size_t i = first; ok && i < ref.size(); i++) {
            char16_t c = ref[i];
            int digit = c >= '0' && c <= '9' ? c - '0'
                      : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            ok = digit >= 0 && value < 0x110000;
            value = value * (hex ? 16 : 10) + (unsigned long)(digit < 0 ? 0 : digit);
        }
        ok = ok && value < 0x110000 && (value > 0xFFFF || IsXmlChar((char16_t)value));
    }
    if (!ok)
        return r.Fail("bad reference");
    r.at = semi + 1;
    return true;
}

// Character data up to the next '<' (or an attribute value up to its quote).
bool ReadChars(Reader &r, char16_t stop)
{
    while (!r.End() && r.Peek() != stop && r.Peek() != '<') {
        char16_t c = r.Peek();
        if (!IsXmlChar(c))
            return r.Fail("character not allowed in XML");
        if (c == '&') {
            r.at++;
            if (!ReadReference(r))
                return false;
            continue;
        }
        if (stop == '<' && r.Starts(u"]]>"))
            return r.Fail("']]>' in text");
        r.at++;
    }
    return true;
}

bool SkipUntil(Reader &r, const char16_t *end)
{
    size_t found = r.text.find(end, r.at);
    if (found == std::u16string::npos)
        return r.Fail("unterminated markup");
    r.at = found + std::char_traits<char16_t>::length(end);
    return true;
}

// Comments and processing instructions, allowed anywhere outside tags.
bool SkipMisc(Reader &r, bool *skipped)
{
    *skipped = true;
    if (r.Starts(u"<!--"))
        return SkipUntil(r, u"-->");
    if (r.Starts(u"<?"))
        return SkipUntil(r, u"?>");
    *skipped = false;
    return true;
}

// A start tag after its '<': name, attributes, and '>' or '/>'.
bool ReadStartTag(Reader &r, std::u16string *name, bool *empty)
{
    if (!ReadName(r, name))
        return false;
    std::set<std::u16string> seen;
    for (;;) {
        size_t before = r.at;
        r.SkipSpace();
        if (r.Starts(u"/>") || r.Peek() == '>') {
            *empty = r.Peek() == '/';
            r.at += *empty ? 2 : 1;
            return true;
        }
        if (r.at == before)
            return r.Fail("space expected before attribute");
        std::u16string attribute;
        if (!ReadName(r, &attribute))
            return false;
        if (!seen.insert(attribute).second)
            return r.Fail("repeated attribute");
        r.SkipSpace();
        if (r.Peek() != '=')
            return r.Fail("'=' expected");
        r.at++;
        r.SkipSpace();
        char16_t quote = r.Peek();
        if (quote != '"' && quote != '\'')
            return r.Fail("quoted value expected");
        r.at++;
        if (!ReadChars(r, quote))
            return false;
        if (r.Peek() != quote)
            return r.Fail("'<' in attribute value");
        r.at++;
    }
}

} // namespace

bool IsWellFormedXml(const std::u16string &text, const char *root, std::string *why)
{
    Reader r{text, 0, why};
    std::vector<std::u16string> open;
    bool seenRoot = false;
    while (!r.End()) {
        bool skipped;
        if (!SkipMisc(r, &skipped))
            return false;
        if (skipped)
            continue;
        if (open.empty()) {
            r.SkipSpace();
            if (r.End())
                break;
            if (r.Peek() != '<' || r.Starts(u"</"))
                return r.Fail("content outside the root element");
            if (!SkipMisc(r, &skipped))
                return false;
            if (skipped)
                continue;
            if (seenRoot)
                return r.Fail("second root element");
        }
        if (r.Starts(u"<![CDATA[")) {
            if (!SkipUntil(r, u"]]>"))
                return false;
        } else if (r.Starts(u"</")) {
            r.at += 2;
            std::u16string name;
            if (!ReadName(r, &name))
                return false;
            r.SkipSpace();
            if (r.Peek() != '>' || name != open.back())
                return r.Fail("end tag does not match");
            r.at++;
            open.pop_back();
        } else if (r.Peek() == '<') {
            r.at++;
            std::u16string name;
            bool empty = false;
            if (!ReadStartTag(r, &name, &empty))
                return false;
            if (open.empty()) {
                if (name != Widen(root))
                    return r.Fail("root element is not " + std::string(root));
                seenRoot = true;
            }
            if (!empty)
                open.push_back(name);
        } else if (!ReadChars(r, '<')) {
            return false;
        }
    }
    if (!open.empty())
        return r.Fail("element not closed: " + Narrow(open.back()));
    if (!seenRoot)
        return r.Fail("no root element");
    return true;
}

} // namespace sim
