// COM on the simulated system: the apartment, class activation of the Task
// Scheduler, and OLE Automation strings and variants, each counted so that
// tests can prove the program gave back everything it took.
#include "sim/system.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace sim {

System &S()
{
    static System system;
    return system;
}

void NoteMisuse(const std::string &what)
{
    S().misuse.push_back(what);
}

const std::vector<std::string> &Misuse() { return S().misuse; }

// Distinct results for injected failures; the numbers are real codes of the
// kind each call can return, but the tests only rely on their being distinct.
static const struct {
    const char *function;
    HRESULT result;
} DefaultFailures[] = {
    {"CoInitializeEx", E_UNEXPECTED},
    {"CoCreateInstance", REGDB_E_CLASSNOTREG},
    {"ITaskService::Connect", (HRESULT)0x800706BA},        // RPC server unavailable
    {"ITaskService::GetFolder", (HRESULT)0x8007007B},      // invalid name
    {"ITaskService::NewTask", (HRESULT)0x80041315},        // service not running
    {"ITaskFolder::GetTask", (HRESULT)0x80041311},
    {"ITaskDefinition::put_XmlText", (HRESULT)0x80041317},
    {"ITaskFolder::RegisterTaskDefinition", (HRESULT)0x80041318},
    {"ITaskFolder::DeleteTask", (HRESULT)0x80070020},      // sharing violation
};

HRESULT FailureResult(const char *function)
{
    auto it = S().failureResults.find(function);
    if (it != S().failureResults.end())
        return it->second;
    for (const auto &f : DefaultFailures)
        if (strcmp(f.function, function) == 0)
            return f.result;
    return E_UNEXPECTED;
}

void SetFailureResult(const char *function, HRESULT result) { S().failureResults[function] = result; }

HRESULT InjectedFailure(const char *function)
{
    return ShouldFail(function) ? FailureResult(function) : S_OK;
}

std::string Narrow(const std::u16string &text)
{
    std::string out;
    for (char16_t c : text)
        out += c < 0x100 ? (char)c : '?';
    return out;
}

std::u16string Widen(const std::string &text)
{
    std::u16string out;
    for (char c : text)
        out += (char16_t)(unsigned char)c;
    return out;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    return text;
}

bool IsLiveBstr(const OLECHAR *text) { return text && S().bstrs.count((void *)text); }

std::u16string FromBstr(BSTR text)
{
    if (!text)
        return std::u16string();
    size_t n = IsLiveBstr(text) ? S().bstrs[text] : 0;
    if (!IsLiveBstr(text))
        while (text[n])
            n++;
    return std::u16string((const char16_t *)text, n);
}

// A BSTR as Windows lays it out: the length in bytes in the four bytes
// before the text, and a terminator after it.
static BSTR Allocate(const OLECHAR *text, UINT length)
{
    char *block = (char *)malloc(4 + ((size_t)length + 1) * sizeof(OLECHAR));
    if (!block)
        return nullptr;
    uint32_t bytes = length * (uint32_t)sizeof(OLECHAR);
    memcpy(block, &bytes, 4);
    BSTR s = (BSTR)(block + 4);
    for (UINT i = 0; i < length; i++)
        s[i] = text ? text[i] : (OLECHAR)0xFFFD;  // uninitialised on Windows
    s[length] = 0;
    S().bstrs[s] = length;
    return s;
}

BSTR NewBstr(const std::u16string &text) { return Allocate((const OLECHAR *)text.data(), (UINT)text.size()); }

// Short texts go into the call log as they are, long ones by their length.
std::string Shown(const OLECHAR *text, size_t length)
{
    if (!text)
        return "0";
    if (length > 40)
        return "<" + std::to_string(length) + " chars>";
    return Narrow(std::u16string((const char16_t *)text, length));
}

static const GUID TaskSchedulerClass = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};

static std::string GuidText(const GUID &g)
{
    if (memcmp(&g, &TaskSchedulerClass, sizeof g) == 0)
        return "TaskScheduler";
    if (IsTaskServiceIid(g))
        return "ITaskService";
    char text[40];
    snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
             g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}

bool ComInitialized() { return S().comInits > 0; }
size_t LiveBstrs() { return S().bstrs.size(); }
size_t LiveComObjects() { return S().liveObjects; }

size_t LiveVariants()
{
    size_t n = 0;
    for (const auto &v : S().variants)
        n += (size_t)v.second;
    return n;
}

} // namespace sim

using namespace sim;

HRESULT CoInitializeEx(LPVOID, DWORD coInit)
{
    Log("CoInitializeEx", "%u", coInit);
    if (HRESULT hr = InjectedFailure("CoInitializeEx"))
        return hr;
    System &s = S();
    DWORD mode = coInit & COINIT_APARTMENTTHREADED;
    if (s.comInits > 0 && s.comMode != mode)
        return RPC_E_CHANGED_MODE;
    s.comMode = mode;
    return s.comInits++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    Log("CoUninitialize", "");
    if (S().comInits > 0)
        S().comInits--;
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID iid, LPVOID *object)
{
    Log("CoCreateInstance", "%s, %s, %u, %s", GuidText(clsid).c_str(), outer ? "outer" : "0", clsContext,
        GuidText(iid).c_str());
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (HRESULT hr = InjectedFailure("CoCreateInstance"))
        return hr;
    if (!ComInitialized())
        return CO_E_NOTINITIALIZED;
    if (memcmp(&clsid, &TaskSchedulerClass, sizeof clsid) != 0 || !(clsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    static const GUID unknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    if (!IsTaskServiceIid(iid) && memcmp(&iid, &unknown, sizeof iid) != 0)
        return E_NOINTERFACE;
    *object = NewTaskService();
    return S_OK;
}

BSTR SysAllocString(const OLECHAR *text)
{
    size_t n = 0;
    if (text)
        while (text[n])
            n++;
    Log("SysAllocString", "%s", Shown(text, n).c_str());
    if (!text || ShouldFail("SysAllocString"))
        return nullptr;
    return Allocate(text, (UINT)n);
}

BSTR SysAllocStringLen(const OLECHAR *text, UINT length)
{
    Log("SysAllocStringLen", "%s, %u", text ? Shown(text, length).c_str() : "0", length);
    if (ShouldFail("SysAllocStringLen") || length > 0x7FFFFFF0u / sizeof(OLECHAR))
        return nullptr;
    return Allocate(text, length);
}

void SysFreeString(BSTR text)
{
    if (!text) {
        Log("SysFreeString", "0");
        return;
    }
    if (!IsLiveBstr(text)) {
        Log("SysFreeString", "?");
        NoteMisuse("SysFreeString of something that is not a live BSTR");
        return;
    }
    Log("SysFreeString", "%s", Shown(text, S().bstrs[text]).c_str());
    S().bstrs.erase(text);
    free((char *)text - 4);
}

UINT SysStringLen(BSTR text)
{
    if (!text)
        return 0;
    if (!IsLiveBstr(text)) {
        NoteMisuse("SysStringLen of something that is not a live BSTR");
        return 0;
    }
    return (UINT)S().bstrs[text];
}

void VariantInit(VARIANTARG *variant)
{
    Log("VariantInit", "");
    if (!variant)
        return;
    memset(variant, 0, sizeof *variant);
    variant->vt = VT_EMPTY;
    S().variants[variant]++;
}

HRESULT VariantClear(VARIANTARG *variant)
{
    Log("VariantClear", "");
    if (!variant)
        return E_INVALIDARG;
    if (variant->vt == VT_BSTR)
        SysFreeString(variant->bstrVal);
    else if (variant->vt == VT_UNKNOWN && variant->punkVal)
        variant->punkVal->Release();
    memset(variant, 0, sizeof *variant);
    auto it = S().variants.find(variant);
    if (it != S().variants.end() && --it->second == 0)
        S().variants.erase(it);
    return S_OK;
}
