// Accounts on the simulated system: the user the program runs as, account
// lookup with SIDs in Windows' packed form, the SID's text form, and the
// local-memory blocks the system hands out for it.
#include "sim/system.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace sim {

void SetUserName(const char *name) { S().userName = name ? name : ""; }

void AddAccount(const char *name, const char *domain, const char *sid)
{
    S().accounts.push_back({name, domain, sid});
}

size_t LiveLocalBlocks() { return S().localBlocks.size(); }

// Objects take the integrity level of the process that makes them, high for
// an elevated one, and a process of lower integrity may not write to them
// (Mandatory Integrity Control); the all access asked for includes writing.
// The default DACL of an elevated token also grants the administrators
// alone, a group the same user's filtered token holds only to deny.
bool MayOpenWithAllAccess(const NamedObject &object, const ProcessRecord &opener)
{
    return !object.highIntegrity || opener.elevated;
}

// "S-1-5-21-1-2-3-1001" in Windows' packed form: revision, count of
// sub-authorities, the 48-bit authority big-endian, then the sub-authorities
// as 32-bit little-endian numbers. Empty for a malformed text.
static std::vector<BYTE> PackSid(const std::string &text)
{
    std::vector<unsigned long long> parts;
    if (text.compare(0, 2, "S-") != 0)
        return {};
    const char *p = text.c_str() + 2;
    while (*p) {
        char *end;
        parts.push_back(strtoull(p, &end, 10));
        if (end == p || (*end && *end != '-'))
            return {};
        p = *end ? end + 1 : end;
    }
    if (parts.size() < 2 || parts[0] != 1 || parts.size() - 2 > 15)
        return {};
    std::vector<BYTE> sid = {1, (BYTE)(parts.size() - 2)};
    for (int shift = 40; shift >= 0; shift -= 8)
        sid.push_back((BYTE)(parts[1] >> shift));
    for (size_t i = 2; i < parts.size(); i++)
        for (int shift = 0; shift < 32; shift += 8)
            sid.push_back((BYTE)(parts[i] >> shift));
    return sid;
}

static const System::Account *FindAccount(const std::string &name)
{
    std::string wanted = Lower(name);
    for (const System::Account &a : S().accounts) {
        if (Lower(a.name) == wanted || Lower(a.domain + "\\" + a.name) == wanted)
            return &a;
    }
    return nullptr;
}

} // namespace sim

using namespace sim;

BOOL GetUserNameA(LPSTR buffer, LPDWORD size)
{
    Log("GetUserNameA", "%u", size ? *size : 0u);
    if (!size || ShouldFail("GetUserNameA")) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::string &name = S().userName;
    DWORD needed = (DWORD)name.size() + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(buffer, name.c_str(), needed);
    *size = needed;
    return TRUE;
}

BOOL LookupAccountNameA(LPCSTR systemName, LPCSTR accountName, PSID sid, LPDWORD sidSize, LPSTR domain,
                        LPDWORD domainSize, PSID_NAME_USE use)
{
    Log("LookupAccountNameA", "%s, %s, %u, %u", systemName ? systemName : "0", accountName ? accountName : "0",
        sidSize ? *sidSize : 0u, domainSize ? *domainSize : 0u);
    if (!accountName || !sidSize || !domainSize || !use) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const System::Account *account = FindAccount(accountName);
    if (ShouldFail("LookupAccountNameA") || !account || (systemName && *systemName)) {
        SetLastError(ERROR_NONE_MAPPED);
        return FALSE;
    }
    std::vector<BYTE> packed = PackSid(account->sid);
    DWORD domainNeeded = (DWORD)account->domain.size() + 1;
    if (!sid || *sidSize < packed.size() || !domain || *domainSize < domainNeeded) {
        *sidSize = (DWORD)packed.size();
        *domainSize = domainNeeded;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    memcpy(sid, packed.data(), packed.size());
    *sidSize = (DWORD)packed.size();
    memcpy(domain, account->domain.c_str(), domainNeeded);
    *domainSize = domainNeeded - 1;
    *use = SidTypeUser;
    return TRUE;
}

BOOL ConvertSidToStringSidA(PSID sid, LPSTR *stringSid)
{
    Log("ConvertSidToStringSidA", "");
    if (!sid || !stringSid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ShouldFail("ConvertSidToStringSidA")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    const BYTE *p = (const BYTE *)sid;
    if (p[0] != 1 || p[1] > 15) {
        SetLastError(ERROR_INVALID_SID);
        return FALSE;
    }
    unsigned long long authority = 0;
    for (int i = 2; i < 8; i++)
        authority = (authority << 8) | p[i];
    char part[24];
    // Windows writes an authority that does not fit 32 bits in hex.
    snprintf(part, sizeof part, authority >> 32 ? "S-1-0x%llX" : "S-1-%llu", authority);
    std::string text = part;
    for (int i = 0; i < p[1]; i++) {
        const BYTE *s = p + 8 + 4 * i;
        snprintf(part, sizeof part, "-%lu", (unsigned long)(s[0] | s[1] << 8 | s[2] << 16 | (uint32_t)s[3] << 24));
        text += part;
    }
    char *block = (char *)malloc(text.size() + 1);
    memcpy(block, text.c_str(), text.size() + 1);
    S().localBlocks[block] = text.size() + 1;
    *stringSid = block;
    return TRUE;
}

HLOCAL LocalFree(HLOCAL mem)
{
    Log("LocalFree", "%s", mem ? "block" : "0");
    if (!mem)
        return nullptr;
    if (ShouldFail("LocalFree")) {
        SetLastError(ERROR_INVALID_HANDLE);
        return mem;
    }
    if (!S().localBlocks.erase(mem)) {
        NoteMisuse("LocalFree of a block the system did not hand out");
        SetLastError(ERROR_INVALID_HANDLE);
        return mem;
    }
    free(mem);
    return nullptr;
}
