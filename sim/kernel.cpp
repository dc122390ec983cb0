// Kernel-side calls of the simulated desktop: the process heap, the ANSI
// string helpers, simulated time, and the current process.
#include "sim/desktop.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

using namespace sim;

static HANDLE const ProcessHeap = (HANDLE)0x6000010;
static DWORD lastError = 0;

HANDLE GetProcessHeap() { return ProcessHeap; }

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes)
{
    Log("HeapAlloc", "%lu", (unsigned long)bytes);
    if (heap != ProcessHeap || ShouldFail("HeapAlloc"))
        return nullptr;
    void *p = (flags & HEAP_ZERO_MEMORY) ? calloc(1, bytes ? bytes : 1) : malloc(bytes ? bytes : 1);
    if (p)
        D().heapBlocks.insert(p);
    return p;
}

LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID mem, SIZE_T bytes)
{
    Log("HeapReAlloc", "%lu", (unsigned long)bytes);
    // A null block is an error for HeapReAlloc, unlike realloc.
    if (heap != ProcessHeap || !mem || !D().heapBlocks.count(mem) || ShouldFail("HeapReAlloc"))
        return nullptr;
    void *p = realloc(mem, bytes ? bytes : 1);
    if (!p)
        return nullptr;
    D().heapBlocks.erase(mem);
    D().heapBlocks.insert(p);
    (void)flags;
    return p;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID mem)
{
    Log("HeapFree", "");
    if (heap != ProcessHeap)
        return FALSE;
    if (!mem)
        return TRUE;
    if (!D().heapBlocks.erase(mem))
        return FALSE;
    free(mem);
    return TRUE;
}

LPSTR lstrcpynA(LPSTR dst, LPCSTR src, int max)
{
    if (!dst || max <= 0)
        return dst;
    int i = 0;
    if (src)
        for (; i < max - 1 && src[i]; i++)
            dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

int lstrlenA(LPCSTR s) { return s ? (int)strlen(s) : 0; }

// user32's formatter: %s %c %d %i %u %x %X with an optional l, writing at
// most 1024 characters including the terminator. Like the real one it
// takes 32-bit numbers whatever the l says (long is 32 bits on Windows).
int wsprintfA(LPSTR out, LPCSTR format, ...)
{
    const int limit = 1024;
    va_list ap;
    va_start(ap, format);
    int n = 0;
    auto put = [&](char c) {
        if (n < limit - 1)
            out[n++] = c;
    };
    for (const char *f = format; *f; f++) {
        if (*f != '%') {
            put(*f);
            continue;
        }
        f++;
        if (*f == '%') {
            put('%');
            continue;
        }
        if (*f == 'l')
            f++;
        char digits[16];
        switch (*f) {
        case 's': {
            const char *s = va_arg(ap, const char *);
            for (s = s ? s : "(null)"; *s; s++)
                put(*s);
            break;
        }
        case 'c':
            put((char)va_arg(ap, int));
            break;
        case 'd':
        case 'i':
            snprintf(digits, sizeof digits, "%d", va_arg(ap, int));
            for (char *p = digits; *p; p++)
                put(*p);
            break;
        case 'u':
            snprintf(digits, sizeof digits, "%u", va_arg(ap, unsigned));
            for (char *p = digits; *p; p++)
                put(*p);
            break;
        case 'x':
        case 'X':
            snprintf(digits, sizeof digits, *f == 'x' ? "%x" : "%X", va_arg(ap, unsigned));
            for (char *p = digits; *p; p++)
                put(*p);
            break;
        default:
            if (!*f)
                f--;
            break;
        }
    }
    va_end(ap);
    out[n] = 0;
    return n;
}

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return -1;
    long long product = (long long)number * numerator;
    long long half = denominator / 2;
    bool negative = (product < 0) != (denominator < 0);
    long long a = product < 0 ? -product : product;
    long long b = denominator < 0 ? -(long long)denominator : denominator;
    long long q = (a + (half < 0 ? -half : half)) / b;
    return (int)(negative ? -q : q);
}

// The code page of the manifest: UTF-8, or one in which each byte maps to
// the code unit of the same value (Latin-1) standing in for a Western one.
// Malformed UTF-8 fails with MB_ERR_INVALID_CHARS and otherwise becomes
// U+FFFD, as on Windows.
static bool DecodeUtf8(const unsigned char *s, int n, std::vector<WCHAR> &out, bool strict)
{
    for (int i = 0; i < n;) {
        unsigned c = s[i];
        int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        unsigned code = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
        bool good = more >= 0 && i + more < n;
        for (int k = 1; good && k <= more; k++) {
            good = (s[i + k] & 0xC0) == 0x80;
            code = code << 6 | (s[i + k] & 0x3F);
        }
        static const unsigned Least[] = {0, 0x80, 0x800, 0x10000};
        good = good && code >= Least[more] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!good) {
            if (strict)
                return false;
            out.push_back(0xFFFD);
            i++;
            continue;
        }
        if (code >= 0x10000) {
            out.push_back((WCHAR)(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back((WCHAR)(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back((WCHAR)code);
        }
        i += more + 1;
    }
    return true;
}

std::vector<WCHAR> sim::Utf16Of(const std::string &utf8)
{
    std::vector<WCHAR> out;
    DecodeUtf8((const unsigned char *)utf8.data(), (int)utf8.size(), out, false);
    return out;
}

// Into the Latin-1 stand-in for a Western code page, where a character
// beyond it becomes '?' and is reported through usedDefault. The program
// converts only when the code page is not UTF-8; that one is not modelled.
int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR src, int srcLen, LPSTR dst, int dstLen, LPCSTR,
                        LPBOOL usedDefault)
{
    Log("WideCharToMultiByte", "%d, %d", srcLen, dstLen);
    if (!src || ShouldFail("WideCharToMultiByte"))
        return 0;
    size_t n = 0;
    if (srcLen < 0) {
        while (src[n])
            n++;
        n++;
    } else {
        n = (size_t)srcLen;
    }
    std::vector<WCHAR> wide(src, src + n);
    std::string bytes;
    bool lossy = false;
    if ((codePage == CP_ACP ? GetACP() : codePage) == CP_UTF8)
        return 0;
    for (WCHAR c : wide) {
        lossy = lossy || c > 0xFF;
        bytes += c > 0xFF ? '?' : (char)c;
    }
    if (usedDefault)
        *usedDefault = lossy;
    if (dstLen == 0)
        return (int)bytes.size();
    if (!dst || dstLen < (int)bytes.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(dst, bytes.data(), bytes.size());
    return (int)bytes.size();
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen)
{
    Log("MultiByteToWideChar", "%d, %d", srcLen, dstLen);
    if (!src || ShouldFail("MultiByteToWideChar"))
        return 0;
    int n = srcLen < 0 ? (int)strlen(src) + 1 : srcLen;
    std::vector<WCHAR> wide;
    const unsigned char *bytes = (const unsigned char *)src;
    if ((codePage == CP_ACP ? GetACP() : codePage) == CP_UTF8) {
        if (!DecodeUtf8(bytes, n, wide, (flags & MB_ERR_INVALID_CHARS) != 0)) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
    } else {
        wide.assign(bytes, bytes + n);
    }
    int units = (int)wide.size();
    if (dstLen == 0)
        return units;
    if (!dst || dstLen < units) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::copy(wide.begin(), wide.end(), dst);
    return units;
}

void Sleep(DWORD ms)
{
    Log("Sleep", "%u", ms);
    AdvanceTime(ms);
}

DWORD GetTickCount() { return D().now; }
DWORD GetCurrentProcessId() { return ProgramProcessId(); }
DWORD GetCurrentThreadId() { return ProgramProcessId() + 1; }
DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

HMODULE GetModuleHandleA(LPCSTR name)
{
    // The program's own module; other modules are not simulated.
    return name ? nullptr : (HMODULE)0x400000;
}
