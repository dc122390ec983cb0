// The Run-at-login dialogue: question, direct attempt, elevated retry and
// the one message that tells the outcome.
#include "tests/powershell_sim.h"
#include "tests/shell_fixture.h"

namespace {

const char InstallQuestion[] = "Start Plinthwise automatically at login? (creates a task using Task Scheduler)";
const char RemoveQuestion[] = "Stop starting Plinthwise at login? (removes the task)";
const char Installed[] = "Plinthwise will start automatically at login.";
const char Removed[] = "The login task was removed.";
const char Failed[] =
    "Failed (access denied or cancelled). If the problem persists, run Plinthwise as administrator once, then try "
    "again.";
const UINT QuestionFlags = MB_YESNO | MB_TOPMOST;
const UINT ResultFlags = MB_OK | MB_SETFOREGROUND | MB_TOPMOST;

struct DialogueCase {
    const char *name;
    bool taskExists;
    int answer;
    bool denied;              // the direct attempt is refused
    const char *powershell;   // "missing", "declined", or the elevated copy's exit code
    const char *question;
    const char *result;       // null: nothing after the question
    bool taskAfter;
    const char *elevatedOption;  // the option PowerShell is asked to pass, or null
};

const DialogueCase Cases[] = {
    {"No changes nothing", false, IDNO, false, nullptr, InstallQuestion, nullptr, false, nullptr},
    {"Install directly", false, IDYES, false, nullptr, InstallQuestion, Installed, true, nullptr},
    {"Remove directly", true, IDYES, false, nullptr, RemoveQuestion, Removed, false, nullptr},
    {"Install elevated", false, IDYES, true, "0", InstallQuestion, Installed, false, "--install-task"},
    {"Remove elevated", true, IDYES, true, "0", RemoveQuestion, Removed, true, "--remove-task"},
    {"Elevated copy fails", false, IDYES, true, "1", InstallQuestion, Failed, false, "--install-task"},
    {"Elevation declined", true, IDYES, true, "declined", RemoveQuestion, Failed, true, "--remove-task"},
    {"PowerShell missing", false, IDYES, true, "missing", InstallQuestion, Failed, false, nullptr},
};

class RunAtLogin : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(RunAtLogin, AsksTriesAndTellsTheOutcome)
{
    const DialogueCase &c = GetParam();
    sim::MakeTaskbar();
    if (c.taskExists)
        sim::PutTask("Plinthwise", "<Task/>");
    sim::DenyTaskChanges(c.denied);
    if (c.powershell && std::string(c.powershell) == "missing") {
        sim::MissingProgram("powershell.exe");
    } else if (c.powershell && std::string(c.powershell) == "declined") {
        RunPowerShellAs(Prompt::Declined, 0);
    } else if (c.powershell) {
        RunPowerShellAs(Prompt::Accepted, (DWORD)atoi(c.powershell));
    }
    sim::OnMessageBox([&](const sim::ShownMessageBox &box) { return (box.flags & 0xF) == MB_YESNO ? c.answer : IDOK; });
    Step([] { PostMessageA(MainWindow, WM_COMMAND, CmdRunAtLogin, 0); });
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);

    const std::vector<sim::ShownMessageBox> &boxes = sim::MessageBoxesShown();
    ASSERT_EQ(boxes.size(), c.result ? 2u : 1u);
    EXPECT_EQ(boxes[0].text, c.question);
    EXPECT_EQ(boxes[0].caption, "Plinthwise");
    EXPECT_EQ(boxes[0].flags, QuestionFlags);
    EXPECT_EQ(boxes[0].owner, nullptr);
    if (c.result) {
        EXPECT_EQ(boxes[1].text, c.result);
        EXPECT_EQ(boxes[1].caption, "Plinthwise");
        EXPECT_EQ(boxes[1].flags, ResultFlags);
    }
    EXPECT_EQ(sim::HasTask("Plinthwise"), c.taskAfter);

    std::vector<std::string> elevated;
    for (const sim::ProcessRecord &p : sim::StartedProcesses())
        if (p.image == "powershell.exe")
            elevated.push_back(p.commandLine);
    if (c.elevatedOption) {
        ASSERT_EQ(elevated.size(), 1u);
        EXPECT_NE(elevated[0].find(std::string("-ArgumentList '") + c.elevatedOption + "'"), std::string::npos)
            << elevated[0];
    } else if (!c.powershell) {
        EXPECT_EQ(elevated.size(), 0u);
    }
    EXPECT_EQ(sim::OpenHandles(), 0u);
    EXPECT_EQ(sim::LiveBstrs(), 0u);
    EXPECT_EQ(sim::LiveComObjects(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Outcomes, RunAtLogin, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<DialogueCase> &info) {
                             std::string name = info.param.name;
                             for (char &ch : name)
                                 if (!isalnum((unsigned char)ch))
                                     ch = '_';
                             return name;
                         });

} // namespace
