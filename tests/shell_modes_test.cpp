// Run modes and exit codes of the entry point.
#include "tests/shell_fixture.h"

namespace {

const char WatchTail[] = "--watch %u";

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

} // namespace
