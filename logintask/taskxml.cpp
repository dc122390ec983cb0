#include "logintask/taskxml.h"

#include <string.h>

#include "logintask/template.h"
#include "platform/ownpath.h"

// The "%s" stand for the user name, the user id (twice) and the executable's
// path. A logon trigger without a user fires at every user's logon, so it
// names the same user as the principal. Without a priority Task Scheduler
// starts the program at 7, a background task's level: below normal, with
// lowered I/O and memory priority. The interactive levels 4 to 6 all run at
// normal priority; 4, the highest, lowers least of what else the level sets.
static const char LoginTaskXmlTemplate[] =
    "<Task version=\"1.4\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
    " <RegistrationInfo>\r\n"
    "  <Author>%s</Author>\r\n"
    "  <URI>\\Plinthwise</URI>\r\n"
    " </RegistrationInfo>\r\n"
    " <Triggers>\r\n"
    "  <LogonTrigger>\r\n"
    "   <UserId>%s</UserId>\r\n"
    "  </LogonTrigger>\r\n"
    " </Triggers>\r\n"
    " <Principals>\r\n"
    "  <Principal id=\"Author\">\r\n"
    "   <UserId>%s</UserId>\r\n"
    "   <LogonType>InteractiveToken</LogonType>\r\n"
    "   <RunLevel>HighestAvailable</RunLevel>\r\n"
    "  </Principal>\r\n"
    " </Principals>\r\n"
    " <Settings>\r\n"
    "  <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
    "  <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
    "  <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
    "  <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>\r\n"
    "  <Priority>4</Priority>\r\n"
    " </Settings>\r\n"
    " <Actions Context=\"Author\">\r\n"
    "  <Exec>\r\n"
    "   <Command>%s</Command>\r\n"
    "  </Exec>\r\n"
    " </Actions>\r\n"
    "</Task>\r\n";

// Appends a user name, user id or path as XML character data. Bytes of
// multi-byte characters are never below 0x40 in the ANSI code pages, UTF-8
// among them, so escaping byte by byte cannot split a character. Control
// characters have no form at all in an XML 1.0 document.
static bool AppendEscaped(TemplateOutput &document, const char *text)
{
    for (const unsigned char *p = (const unsigned char *)text; *p; p++) {
        const char *entity = nullptr;
        switch (*p) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '"': entity = "&quot;"; break;
        case '\'': entity = "&apos;"; break;
        default:
            if (*p < 0x20)
                return false;
        }
        bool fits = entity ? AppendBytes(document, entity, (int)strlen(entity))
                           : AppendBytes(document, (const char *)p, 1);
        if (!fits)
            return false;
    }
    return true;
}

// Formats into the whole buffer rather than through wsprintfA, which stops
// at 1024 bytes and would cut a long document into one that is no longer
// XML; a document that does not fit is refused instead.
static HRESULT FormatLoginTaskXml(char *document, const char *userName, const char *userId, const char *modulePath)
{
    const char *substitutions[4] = {userName, userId, userId, modulePath};
    TemplateOutput out = {document, LoginTaskXmlSize, 0};
    if (FillTemplate(out, LoginTaskXmlTemplate, substitutions, AppendEscaped))
        return S_OK;
    document[0] = 0;
    return E_FAIL;
}

HRESULT BuildLoginTaskXml(char document[LoginTaskXmlSize])
{
    // Without the program's path the task would start nothing, yet be
    // reported as registered.
    char modulePath[OwnPathSize];
    if (!ReadOwnPath(modulePath)) {
        document[0] = 0;
        return E_FAIL;
    }

    // Zero-filled, so that a failing call leaves an empty text, not garbage.
    char userName[256] = {};
    DWORD userNameSize = sizeof userName;
    GetUserNameA(userName, &userNameSize);
    userName[sizeof userName - 1] = 0;

    // The SID's text form identifies the user across renames; an account
    // that does not resolve is named by its user name instead.
    char userId[256] = {};
    BYTE sid[512];
    DWORD sidSize = sizeof sid;
    char domain[256];
    DWORD domainSize = sizeof domain;
    SID_NAME_USE use;
    if (LookupAccountNameA(nullptr, userName, sid, &sidSize, domain, &domainSize, &use)) {
        LPSTR sidText = nullptr;
        if (ConvertSidToStringSidA(sid, &sidText)) {
            lstrcpynA(userId, sidText, sizeof userId);
            LocalFree(sidText);
        }
    }
    if (userId[0] == 0)
        lstrcpynA(userId, userName, sizeof userId);

    return FormatLoginTaskXml(document, userName, userId, modulePath);
}

HRESULT WidenLoginTaskXml(LPCSTR document, BSTR *xml)
{
    *xml = nullptr;
    int units = MultiByteToWideChar(CP_ACP, 0, document, -1, nullptr, 0);
    if (units <= 0)
        return E_FAIL;
    // The BSTR adds its own terminator; the conversion fills it as well.
    BSTR text = SysAllocStringLen(nullptr, (UINT)(units - 1));
    if (!text)
        return E_OUTOFMEMORY;
    if (MultiByteToWideChar(CP_ACP, 0, document, -1, text, units) != units) {
        SysFreeString(text);
        return E_FAIL;
    }
    *xml = text;
    return S_OK;
}
