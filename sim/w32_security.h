// Account side of the simulated Win32 API (advapi32): the user the program
// runs as, account lookup and the text form of a SID.
#pragma once

#include "sim/w32_types.h"
#include "sim/w32_errors.h"

typedef enum _SID_NAME_USE {
    SidTypeUser = 1,
    SidTypeGroup,
    SidTypeDomain,
    SidTypeAlias,
    SidTypeWellKnownGroup,
    SidTypeDeletedAccount,
    SidTypeInvalid,
    SidTypeUnknown,
    SidTypeComputer,
    SidTypeLabel
} SID_NAME_USE, *PSID_NAME_USE;

// Sizes are in and out: in, the buffer's size; out, what was written
// without the terminator, or what is needed (ERROR_INSUFFICIENT_BUFFER).
// GetUserNameA counts the terminator in both directions, as on Windows.
BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
BOOL LookupAccountNameA(LPCSTR systemName, LPCSTR accountName, PSID sid, LPDWORD sidSize,
                        LPSTR referencedDomainName, LPDWORD domainSize, PSID_NAME_USE use);
// The string comes from LocalAlloc; the caller frees it with LocalFree.
BOOL ConvertSidToStringSidA(PSID sid, LPSTR *stringSid);
