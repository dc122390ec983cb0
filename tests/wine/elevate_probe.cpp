// The program's stand-in for the elevated-retry and registration tests
// under Wine, copied by them into directories with awkward names:
//   elevate_probe --call OPTION   runs RunElevatedTaskCommand(OPTION) and
//                                 exits with its result;
//   elevate_probe --install       registers the logon task from here and
//                                 exits with 0 on success, 1 on failure;
//   anything else                 is the elevated copy: it appends its
//                                 command-line tail to PLINTHWISE_PROBE_LOG
//                                 and exits with PLINTHWISE_PROBE_EXIT.
#include "platform/platform.h"

#include <stdlib.h>
#include <string.h>

#include "logintask/elevate.h"
#include "logintask/taskclient.h"

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

int main()
{
    const char *tail = Tail(GetCommandLineA());
    if (strncmp(tail, "--call ", 7) == 0)
        return RunElevatedTaskCommand(tail + 7);
    if (strcmp(tail, "--install") == 0) {
        CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
        return FAILED(InstallLoginTask()) ? 1 : 0;
    }
    char path[MAX_PATH];
    if (GetEnvironmentVariableA("PLINTHWISE_PROBE_LOG", path, MAX_PATH)) {
        HANDLE f = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, 0, NULL);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(f, tail, (DWORD)strlen(tail), &written, NULL);
            WriteFile(f, "\n", 1, &written, NULL);
            CloseHandle(f);
        }
    }
    char code[16];
    if (GetEnvironmentVariableA("PLINTHWISE_PROBE_EXIT", code, sizeof code))
        return atoi(code);
    return 0;
}
