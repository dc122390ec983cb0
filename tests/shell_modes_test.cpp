// Run modes and exit codes of the entry point.
#include "tests/shell_fixture.h"

namespace {

const char WatchTail[] = "--watch %u";
const char RunningGuard[] = "Local\\PlinthwiseRunning";

class RunModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A window an earlier run left hidden and marked.
        left = App("Left hidden", SW_HIDE);
        sim::OwnerSetProp(left, HiddenMarkerName, 1);
    }
    HWND left = nullptr;
};

// The watcher waits for the main process, however it ends, then restores.
TEST_F(RunModes, WatcherRestoresAfterTheProcessEnds)
{
    DWORD main = sim::StartForeignProcess("plinthwise.exe");
    sim::HoldMutex(main, RunningGuard);  // the copy it watches does not stop it
    Step([&] {
        EXPECT_FALSE(sim::Visible(left)) << "nothing may be restored before the process ends";
        sim::EndProcess(main, 9);
    });
    char tail[64];
    snprintf(tail, sizeof tail, WatchTail, main);
    EXPECT_EQ(RunProgram(tail), 0);
    EXPECT_TRUE(sim::Visible(left));
    EXPECT_FALSE(sim::HasProp(left, HiddenMarkerName));
    EXPECT_EQ(sim::CallsOf({"CoInitializeEx", "CreateWindowExA", "Shell_NotifyIconA"}).size(), 0u)
        << "the watcher touches no COM, window or tray";
    EXPECT_EQ(sim::OpenHandles(), 0u);
}

// A window whose program does not answer: the watcher queues one show,
// stays for it alone, and once a new copy holds the guard touches nothing
// more: that copy's windows, hidden and marked by it, stay hidden.
TEST_F(RunModes, WatcherFinishesItsOwnWorkAndLeavesANewCopyAlone)
{
    DWORD main = sim::StartForeignProcess("plinthwise.exe");
    HWND hung = sim::MakeWindow("TestApp", "Hung", WS_OVERLAPPEDWINDOW, 0, SW_HIDE,
                                sim::StartForeignProcess("hung.exe"));
    HWND later = App("Hidden by the new copy");
    sim::OwnerSetProp(hung, HiddenMarkerName, 1);
    sim::Hang(hung, INFINITE);
    Step([&] { sim::EndProcess(main, 9); });
    sim::At(sim::Now() + 2000, [&] {
        DWORD copy = sim::StartForeignProcess("plinthwise.exe");
        sim::HoldMutex(copy, RunningGuard);
        sim::OwnerSetProp(later, HiddenMarkerName, 1);
        sim::OwnerShow(later, SW_HIDE);
    });
    char tail[64];
    snprintf(tail, sizeof tail, WatchTail, main);
    EXPECT_EQ(RunProgram(tail), 0);
    EXPECT_TRUE(sim::Visible(left));
    EXPECT_HIDDEN_BY_US(later);
    EXPECT_EQ(sim::CallsOf({"ShowWindowAsync"}).size(), 1u) << "one queued show for the hung window";
    EXPECT_GE(sim::Now(), 2000u);
}

struct ModeCase {
    const char *tail;
    const char *openedProcess;  // OpenProcess's logged arguments, or null
};

// The id is the first run of digits anywhere in the tail, wrapping modulo
// 2^32; no digit, or no such process, exits with 1 and restores nothing.
TEST_F(RunModes, WatcherParsesTheFirstDigitsAndFailsWithoutAProcess)
{
    const ModeCase cases[] = {
        {"--watch", "0x100000, 0"},
        {"7 --watch 1234", "0x100000, 7"},
        {"--watch 4294967301", "0x100000, 5"},
        {"--watch 99999", "0x100000, 99999"},
        {"--install-task --watch 12", "0x100000, 12"},
    };
    for (const ModeCase &c : cases) {
        SCOPED_TRACE(c.tail);
        sim::ClearCalls();
        EXPECT_EQ(RunProgram(c.tail), 1);
        EXPECT_CALLS(std::vector<std::string>{std::string("OpenProcess(") + c.openedProcess + ")"},
                     sim::CallsOf({"OpenProcess", "CoInitializeEx", "EnumWindows"}));
        EXPECT_FALSE(sim::Visible(left));
    }
}

TEST_F(RunModes, TaskModesExitWithTheSignOfTheResult)
{
    sim::HoldMutex(sim::StartForeignProcess("plinthwise.exe"), RunningGuard);  // a running copy changes nothing
    EXPECT_EQ(RunProgram("--remove-task"), 1) << "no task to remove";
    EXPECT_EQ(RunProgram("--install-task --remove-task"), 0) << "install wins over remove";
    EXPECT_TRUE(sim::HasTask("Plinthwise"));
    EXPECT_EQ(RunProgram("x--remove-taskYZ"), 0) << "options are substrings";
    EXPECT_FALSE(sim::HasTask("Plinthwise"));
    sim::DenyTaskChanges(true);
    EXPECT_EQ(RunProgram("--install-task"), 1);
    EXPECT_TRUE(sim::ComInitialized());
    EXPECT_EQ(sim::CallsOf({"CreateWindowExA", "Shell_NotifyIconA", "MessageBoxA"}).size(), 0u)
        << "task modes show nothing";
    EXPECT_FALSE(sim::Visible(left)) << "task modes restore nothing";
}

// A null tail is an empty one: the normal start.
TEST_F(RunModes, NullTailStartsNormally)
{
    sim::MakeTaskbar();
    ChooseExit();
    EXPECT_EQ(RunProgram(nullptr), 0);
    EXPECT_TRUE(sim::Visible(left)) << "the start restores what an earlier run left";
}

// Another copy of the program, as a normal start finds it.
struct OtherCopy {
    const char *what;
    DWORD session;
    bool elevated, meElevated, ended;
    bool refused;            // CreateMutexA fails for a reason of its own
    bool blocks;             // the start ends at once
};

void PrintTo(const OtherCopy &c, std::ostream *os)
{
    *os << c.what;
}

class SecondStart : public RunModes, public ::testing::WithParamInterface<OtherCopy> {};

// A copy running in this session, whichever side is elevated, ends the
// start at once with 0 before anything else; one in another session, one
// that died, or a guard that cannot be had at all does not, and what was
// left hidden comes back.
TEST_P(SecondStart, EndsAtOnceOnlyForALiveCopyInThisSession)
{
    const OtherCopy &c = GetParam();
    DWORD first = sim::StartForeignProcess("plinthwise.exe");
    sim::SetProcessSession(first, c.session);
    sim::SetProcessElevated(first, c.elevated);
    sim::SetProcessElevated(sim::ProgramProcessId(), c.meElevated);
    sim::HoldMutex(first, RunningGuard);
    if (c.ended)
        sim::EndProcess(first, 1);
    if (c.refused)
        sim::FailCall("CreateMutexA");
    sim::MakeTaskbar();
    if (!c.blocks)
        ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    if (c.blocks) {
        std::vector<std::string> only = {"CoInitializeEx(2)", "CreateMutexA(0, 0, Local\\PlinthwiseRunning)"};
        if (!c.elevated || c.meElevated)
            only.push_back("CloseHandle(mutex)");
        EXPECT_CALLS(only, sim::Calls());
        EXPECT_TRUE(sim::MutexExists(RunningGuard)) << "the first copy's claim stands";
    }
    EXPECT_EQ(sim::Visible(left), !c.blocks);
    EXPECT_EQ(sim::HasProp(left, HiddenMarkerName), c.blocks);
    EXPECT_EQ(sim::MutexExists(RunningGuard), c.blocks) << "ours is released at the end";
    EXPECT_EQ(sim::OpenHandles(), 0u);
}

const OtherCopy OtherCopies[] = {
    {"Running", 1, false, false, false, false, true},
    {"RunningElevated", 1, true, false, false, false, true},
    {"RunningWhileWeAreElevated", 1, false, true, false, false, true},
    {"InAnotherSession", 2, false, false, false, false, false},
    {"Killed", 1, true, false, true, false, false},
    {"GuardRefusedForAnotherReason", 2, false, false, false, true, false},
};
INSTANTIATE_TEST_SUITE_P(Copies, SecondStart, ::testing::ValuesIn(OtherCopies),
                         [](const ::testing::TestParamInfo<OtherCopy> &i) { return std::string(i.param.what); });

} // namespace
