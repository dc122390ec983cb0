// Random command-line tails through the entry point, each in a process of
// its own, as each start of the program is: no tail may crash it, and every
// one must end as the run-mode table says. The watcher exits with 1 when it
// cannot open the process it names and with 0 once that process has ended,
// having brought back the marked window; it waits for as long as a process
// it opened runs. The task modes exit with the sign of the Task Scheduler's
// result. Every other tail starts the program normally, which shows the
// marked window at once and exits with 0 when the user chooses Exit.
//
// PLINTH_FUZZ_TAILS sets the number of tails (default 300), PLINTH_FUZZ_SEED
// the seed; a failure prints the seed, the tail and how to replay it.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "shell/entry.h"
#include "sim/sim.h"
#include "sim/sim_system.h"
#include "tests/shell_fixture.h"
#include "workspace/marker.h"
#include "workspace/nowait.h"
#include "workspace/recovery.h"

namespace {

const char PlantedPid = '\x01';  // stands for the pid of a process that ends while watched
const char OwnPid = '\x02';      // stands for the program's own pid, which never ends

uint64_t g_state;

uint32_t Next()
{
    g_state ^= g_state >> 12;
    g_state ^= g_state << 25;
    g_state ^= g_state >> 27;
    return (uint32_t)((g_state * 0x2545F4914F6CDD1DULL) >> 32);
}

int Below(int n) { return (int)(Next() % (uint32_t)n); }

// One start of the program: its tail and the world it meets.
struct Case {
    bool nullTail = false;
    std::string tail;        // before the pid placeholders are filled in
    bool taskExists = false;
    bool denyChanges = false;
    int fault = 0;           // 0 none, 1 Connect fails, 2 the last call returns `result`
    HRESULT result = S_OK;
    int taskbarLate = 0;     // ms until the taskbar appears; 0: there from the start
};

std::string RandomToken()
{
    static const char *const options[] = {"--watch", "--install-task", "--remove-task"};
    static const char *const nearMisses[] = {"--watc", "-watch", "--WATCH", "\xE2\x80\x94watch", "--install_task",
                                             "--remove-tas", "--install -task", "watch", "--", "-", "/watch"};
    static const char *const odd[] = {"\"", "'", "\"C:\\Program Files\\Plinthwise\\plinthwise.exe\"", "%s%n",
                                      "4294967296", "4294967297", "0", "00000000000000000001"};
    switch (Below(20)) {
    case 0: case 1: case 2:
        return options[Below(3)];
    case 3: case 4:
        return nearMisses[Below((int)(sizeof nearMisses / sizeof *nearMisses))];
    case 5: case 6:
        return odd[Below((int)(sizeof odd / sizeof *odd))];
    case 7:
        return std::string(1, Below(3) ? PlantedPid : OwnPid);
    case 8: case 9: case 10: {
        std::string digits;
        for (int n = 1 + Below(12); n > 0; n--)
            digits += (char)('0' + Below(10));
        return digits;
    }
    case 11: case 12: case 13:
        return std::string(1 + Below(3), Below(4) ? ' ' : '\t');
    default: {
        // Any byte but NUL and the placeholders.
        std::string bytes;
        for (int n = 1 + Below(16); n > 0; n--)
            bytes += (char)(3 + Below(253));
        return bytes;
    }
    }
}

Case RandomCase()
{
    Case c;
    c.nullTail = Below(50) == 0;
    int tokens = Below(40) == 0 ? 200 + Below(600) : Below(9);
    for (int i = 0; i < tokens; i++)
        c.tail += RandomToken();
    c.taskExists = Below(2) == 0;
    c.denyChanges = Below(5) == 0;
    c.fault = Below(6) == 0 ? 1 + Below(2) : 0;
    static const HRESULT results[] = {S_FALSE, 0x00041300, E_ACCESSDENIED, (HRESULT)0x80070002, E_FAIL, 0x7FFFFFFF,
                                      (HRESULT)0x80000000};
    c.result = results[Below((int)(sizeof results / sizeof *results))];
    c.taskbarLate = Below(5) == 0 ? 1 + Below(3000) : 0;
    return c;
}

std::string Filled(const std::string &tail, DWORD planted)
{
    std::string out;
    for (char ch : tail) {
        if (ch == PlantedPid)
            out += std::to_string(planted);
        else if (ch == OwnPid)
            out += std::to_string(sim::ProgramProcessId());
        else
            out += ch;
    }
    return out;
}

// ---- What the run-mode table says, and what happened, as one number ------------

enum Outcome : int {
    ExitedOne = 1,        // the exit code was 1 (0 otherwise)
    OtherCode = 2,        // the exit code was neither 0 nor 1
    StillWaiting = 4,     // waiting for messages or a process when the script ran out
    MarkedShown = 8,      // the window an earlier run left hidden is on screen
    MarkerKept = 16,      // it still carries the marker
    Threw = 32,           // an exception other than the script's end
};

// The pid of a watcher tail: the first run of digits, wrapping at 2^32.
DWORD ParsedPid(const std::string &tail)
{
    size_t i = tail.find_first_of("0123456789");
    DWORD id = 0;
    for (; i < tail.size() && tail[i] >= '0' && tail[i] <= '9'; i++)
        id = id * 10 + (DWORD)(tail[i] - '0');
    return id;
}

int Expected(const Case &c, const std::string &tail, DWORD planted)
{
    const int leftAlone = MarkerKept, restored = MarkedShown;
    if (tail.find("--watch") != std::string::npos) {
        DWORD pid = ParsedPid(tail);
        const sim::ProcessRecord *p = sim::FindProcess(pid);
        if (pid == 0 || !p || !p->running)
            return ExitedOne | leftAlone;
        return pid == planted ? restored : StillWaiting | leftAlone;
    }
    bool install = tail.find("--install-task") != std::string::npos;
    if (install || tail.find("--remove-task") != std::string::npos) {
        bool failed;
        if (c.fault == 1)
            failed = true;
        else if (c.fault == 2)
            failed = FAILED(c.result);
        else
            failed = c.denyChanges || (!install && !c.taskExists);
        return (failed ? ExitedOne : 0) | leftAlone;
    }
    return restored;
}

int Run(const Case &c, const std::string &tail, HWND left)
{
    int outcome = 0;
    try {
        int code = WinMain(GetModuleHandleA(nullptr), nullptr, c.nullTail ? nullptr : (LPSTR)tail.c_str(),
                           SW_SHOWDEFAULT);
        outcome |= code == 1 ? ExitedOne : code == 0 ? 0 : OtherCode;
    } catch (sim::ScriptExhausted &) {
        outcome |= StillWaiting;
    } catch (...) {
        outcome |= Threw;
    }
    outcome |= sim::Visible(left) ? MarkedShown : 0;
    outcome |= sim::HasProp(left, HiddenMarkerName) ? MarkerKept : 0;
    return outcome;
}

struct Shared {
    int expected;
    char tail[8192];
};

// In the child: the world, the expectation, the run.
[[noreturn]] void Child(const Case &c, Shared *shared)
{
    alarm(20);  // a start that never ends is a failure, not a stuck test
    if (c.taskbarLate)
        sim::At((DWORD)c.taskbarLate, [] { sim::MakeTaskbar(); });
    else
        sim::MakeTaskbar();
    HWND left = sim::MakeWindow("TestApp", "Left hidden", WS_OVERLAPPEDWINDOW, 0, SW_HIDE);
    sim::OwnerSetProp(left, HiddenMarkerName, 1);
    DWORD planted = sim::StartForeignProcess("plinthwise.exe");
    if (c.taskExists)
        sim::PutTask("Plinthwise", "<Task/>");
    sim::DenyTaskChanges(c.denyChanges);
    if (c.fault == 1) {
        sim::FailCall("ITaskService::Connect", 1, 0);
    } else if (c.fault == 2) {
        const char *last = c.tail.find("--install-task") != std::string::npos ? "ITaskFolder::RegisterTaskDefinition"
                                                                              : "ITaskFolder::DeleteTask";
        sim::SetFailureResult(last, c.result);
        sim::FailCall(last, 1, 0);
    }
    // What happens while the program waits: the watched process ends, then
    // the user chooses Exit from the tray menu.
    sim::Then([planted] { sim::EndProcess(planted, 3); });
    ChooseExit();

    std::string tail = c.nullTail ? "" : Filled(c.tail, planted);
    shared->expected = Expected(c, tail, planted);
    snprintf(shared->tail, sizeof shared->tail, "%s", tail.c_str());
    _exit(Run(c, tail, left));
}

std::string Printable(const std::string &s, bool null)
{
    if (null)
        return "(null)";
    std::string out = "\"";
    const size_t shown = 160;  // a long tail is cut; the replay line brings it back whole
    for (unsigned char ch : s.substr(0, shown)) {
        char hex[8];
        if (ch >= 32 && ch < 127 && ch != '"' && ch != '\\') {
            out += (char)ch;
        } else {
            snprintf(hex, sizeof hex, "\\x%02x", ch);
            out += hex;
        }
    }
    out += "\"";
    if (s.size() > shown)
        out += "... (" + std::to_string(s.size()) + " bytes)";
    return out;
}

long EnvNumber(const char *name, long fallback)
{
    const char *text = getenv(name);
    return text && *text ? strtol(text, nullptr, 0) : fallback;
}

TEST(CommandLineFuzz, EveryTailEndsAsTheRunModeTableSays)
{
    long tails = EnvNumber("PLINTH_FUZZ_TAILS", 300);
    uint64_t seed = (uint64_t)EnvNumber("PLINTH_FUZZ_SEED", 20261208);
    g_state = seed * 0x9E3779B97F4A7C15ULL | 1;
    Shared *shared = (Shared *)mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);

    int failures = 0, modes[4] = {};
    for (long i = 0; i < tails; i++) {
        Case c = RandomCase();
        shared->expected = -1;
        shared->tail[0] = 0;
        fflush(stdout);
        fflush(stderr);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            Child(c, shared);
        int status = 0;
        waitpid(child, &status, 0);
        std::string tail = shared->tail;
        modes[tail.find("--watch") != std::string::npos          ? 0
              : tail.find("--install-task") != std::string::npos ? 1
              : tail.find("--remove-task") != std::string::npos  ? 2
                                                                 : 3]++;
        std::string what;
        if (WIFSIGNALED(status))
            what = std::string("ended by signal ") + strsignal(WTERMSIG(status));
        else if (WEXITSTATUS(status) != shared->expected)
            what = "outcome " + std::to_string(WEXITSTATUS(status)) + ", expected " +
                   std::to_string(shared->expected);
        if (what.empty())
            continue;
        if (++failures <= 10)
            ADD_FAILURE() << "tail " << i << " " << Printable(tail, c.nullTail) << ": " << what
                          << " (outcome bits: 1 exit code 1, 2 other code, 4 still waiting, 8 marked window shown, "
                             "16 marker kept, 32 threw)\nreplay: PLINTH_FUZZ_SEED="
                          << seed << " PLINTH_FUZZ_TAILS=" << i + 1;
    }
    munmap(shared, sizeof(Shared));
    printf("%ld tails (seed %llu): %d watcher, %d install, %d remove, %d normal; %d failed\n", tails,
           (unsigned long long)seed, modes[0], modes[1], modes[2], modes[3], failures);
    EXPECT_EQ(failures, 0);
}

}  // namespace
