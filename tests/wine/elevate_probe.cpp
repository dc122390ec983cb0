// The program's stand-in for the elevated-retry and registration tests
// under Wine, copied by them into directories with awkward names:
//   elevate_probe --call OPTION   runs RunElevatedTaskCommand(OPTION) and
//                                 exits with its result;
//   elevate_probe --install       registers the logon task from here and
//                                 exits with 0 on success, 1 on failure;
//   elevate_probe --document      appends the document the client would
//                                 hand Task Scheduler, in UTF-8, to
//                                 PLINTHWISE_PROBE_LOG;
//   anything else                 is the elevated copy: it appends its
//                                 command-line tail to PLINTHWISE_PROBE_LOG
//                                 and exits with PLINTHWISE_PROBE_EXIT.
#include "platform/platform.h"

#include <stdlib.h>
#include <string.h>

#include "logintask/elevate.h"
#include "logintask/taskclient.h"
#include "logintask/taskxml.h"

// The command line less the program's own path, quoted or not.
static const char *Tail(const char *line)
{
    if (*line == '"') {
        const char *end = strchr(line + 1, '"');
        line = end ? end + 1 : line + strlen(line);
    } else {
        while (*line && *line != ' ' && *line != '\t')
            line++;
    }
    while (*line == ' ' || *line == '\t')
        line++;
    return line;
}

static void AppendToLog(const char *text)
{
    // Wide: Wine 8's GetEnvironmentVariableA cuts a UTF-8 value to as many
    // bytes as it has characters.
    wchar_t path[1024];
    if (!GetEnvironmentVariableW(L"PLINTHWISE_PROBE_LOG", path, 1024))
        return;
    HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return;
    DWORD written;
    WriteFile(f, text, (DWORD)strlen(text), &written, NULL);
    WriteFile(f, "\n", 1, &written, NULL);
    CloseHandle(f);
}

// The document as Task Scheduler receives it: built, widened, then written
// in UTF-8 whatever the code page.
static int LogDocument()
{
    static char document[LoginTaskXmlSize], utf8[3 * LoginTaskXmlSize];
    BSTR xml = NULL;
    if (FAILED(BuildLoginTaskXml(document)) || FAILED(WidenLoginTaskXml(document, &xml)))
        return 1;
    int n = WideCharToMultiByte(CP_UTF8, 0, xml, -1, utf8, sizeof utf8, NULL, NULL);
    SysFreeString(xml);
    if (n <= 0)
        return 1;
    AppendToLog(utf8);
    return 0;
}

int main()
{
    const char *tail = Tail(GetCommandLineA());
    if (strncmp(tail, "--call ", 7) == 0)
        return RunElevatedTaskCommand(tail + 7);
    if (strcmp(tail, "--install") == 0) {
        CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
        return FAILED(InstallLoginTask()) ? 1 : 0;
    }
    if (strcmp(tail, "--document") == 0)
        return LogDocument();
    AppendToLog(tail);
    char code[16];
    if (GetEnvironmentVariableA("PLINTHWISE_PROBE_EXIT", code, sizeof code))
        return atoi(code);
    return 0;
}
