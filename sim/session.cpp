// The end of the session as the session manager runs it (WM_QUERYENDSESSION,
// WM_ENDSESSION, SetProcessShutdownParameters): processes are asked from the
// highest shutdown level down, the asking stops at the first refusal, and
// only the processes that agreed hear how it ended.
#include "sim/system.h"

#include <algorithm>

namespace sim {

static DWORD LevelOf(DWORD pid)
{
    const ProcessRecord *p = FindProcess(pid);
    return p ? p->shutdownLevel : 0x280;
}

// Every process with a top-level window, in the order it is asked. Nothing
// promises an order within one level: the program goes last among its
// equals, the worst case, the others in the order their windows stand.
static std::vector<DWORD> AskingOrder()
{
    std::vector<DWORD> pids;
    for (HWND w : ZOrder())
        if (std::find(pids.begin(), pids.end(), OwnerOf(w)) == pids.end())
            pids.push_back(OwnerOf(w));
    std::stable_sort(pids.begin(), pids.end(), [](DWORD a, DWORD b) {
        if (LevelOf(a) != LevelOf(b))
            return LevelOf(a) > LevelOf(b);
        return b == ProgramProcessId() && a != b;
    });
    return pids;
}

// Sends the message to each of the program's top-level windows; true when
// every one returned nonzero.
static bool SendToProgram(UINT message, WPARAM wParam, LPARAM reason)
{
    bool all = true;
    for (HWND w : ZOrder())
        if (OwnerOf(w) == ProgramProcessId() && !SendInternal(w, message, wParam, reason))
            all = false;
    return all;
}

bool EndSession(LPARAM reason, std::function<BOOL(DWORD pid)> answer)
{
    std::vector<DWORD> agreed;
    bool ends = true;
    for (DWORD pid : AskingOrder()) {
        bool yes = pid == ProgramProcessId() ? SendToProgram(WM_QUERYENDSESSION, 0, reason) : answer(pid) != FALSE;
        if (!yes) {
            ends = false;
            break;
        }
        agreed.push_back(pid);
    }
    for (DWORD pid : agreed)
        if (pid == ProgramProcessId())
            SendToProgram(WM_ENDSESSION, ends, reason);
    return ends;
}

} // namespace sim
