// The elevated retry: the PowerShell command line, waiting for PowerShell,
// its exit code, and the handles on every path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logintask/elevate.h"
#include "sim/sim_system.h"
#include "tests/powershell_sim.h"
#include "tests/wincheck.h"

namespace {

// The command line written out from its three pieces, with the two
// literals as PowerShell must read them.
std::string ExpectedCommandLine(const std::string &pathLiteral, const std::string &optionLiteral)
{
    return "powershell.exe -NoProfile -WindowStyle Hidden -Command "
           "\"& { $p = Start-Process -FilePath " + pathLiteral + " -ArgumentList " + optionLiteral +
           " -Verb RunAs -Wait -PassThru; if ($p.ExitCode -is [int]) { exit $p.ExitCode }; exit 1 }\"";
}

// The length in bytes of the single quote at line[i] as PowerShell reads
// one, the apostrophe or U+2018 to U+201B in UTF-8; 0 for anything else.
size_t QuoteAt(const std::string &line, size_t i)
{
    if (line[i] == '\'')
        return 1;
    bool typographic = line.compare(i, 2, "\xE2\x80") == 0 && i + 2 < line.size() &&
                       (unsigned char)line[i + 2] >= 0x98 && (unsigned char)line[i + 2] <= 0x9B;
    return typographic ? 3 : 0;
}

// PowerShell's reading of a single-quoted literal that starts at *at: two
// quotes in a row stand for one, a lone quote ends it.
std::string ReadLiteral(const std::string &line, size_t *at)
{
    EXPECT_EQ(QuoteAt(line, *at), 1u);
    std::string text;
    for (size_t i = *at + 1; i < line.size();) {
        size_t quote = QuoteAt(line, i), next = quote ? QuoteAt(line, i + quote) : 0;
        if (!quote) {
            text += line[i++];
        } else if (next) {
            text += line.substr(i + quote, next);
            i += quote + next;
        } else {
            *at = i + quote;
            return text;
        }
    }
    ADD_FAILURE() << "literal not closed: " << line;
    return text;
}

// The elevated copy ends with the exit code, and PowerShell passes it on
// once the test's script lets it end.
void PowerShellExitsWith(DWORD code)
{
    RunPowerShellAs(Prompt::Accepted, code, nullptr, true);
}

class Elevate : public ::testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(sim::OpenHandles(), 0u);
        EXPECT_EQ(sim::BadHandleCloses(), 0u);
    }
};

TEST_F(Elevate, StartsPowerShellHiddenWithPathAndOption)
{
    const char *path = "C:\\Program Files\\Plinthwise\\plinthwise.exe";
    sim::SetModulePath(path);
    for (const char *option : {InstallTaskOption, RemoveTaskOption}) {
        PowerShellExitsWith(0);
        EXPECT_EQ(RunElevatedTaskCommand(option), 0);
        const sim::ProcessRecord p = sim::StartedProcesses().back();
        EXPECT_EQ(p.commandLine, ExpectedCommandLine("'" + std::string(path) + "'", "'" + std::string(option) + "'"));
        EXPECT_EQ(p.image, "powershell.exe");
        EXPECT_EQ(p.applicationName, "");
        EXPECT_EQ(p.creationFlags, CREATE_NO_WINDOW);
        EXPECT_EQ(p.inheritHandles, FALSE);
        EXPECT_EQ(p.startupInfoSize, sizeof(STARTUPINFOA));
    }
}

TEST_F(Elevate, QuotesInThePathCannotEndTheLiteral)
{
    const char *paths[] = {
        "C:\\Users\\O'Brien\\plinthwise.exe",
        "C:\\x'; Start-Process calc; '\\plinthwise.exe",
        "C:\\''\\'",
        // U+2018 to U+201B, in the program's UTF-8 code page.
        "C:\\\xE2\x80\x98x\xE2\x80\x99; calc; \xE2\x80\x9A\xE2\x80\x9B\\plinthwise.exe",
    };
    for (const char *path : paths) {
        SCOPED_TRACE(path);
        sim::SetModulePath(path);
        PowerShellExitsWith(0);
        RunElevatedTaskCommand(InstallTaskOption);
        std::string line = sim::StartedProcesses().back().commandLine;
        const std::string before = "-FilePath ";
        size_t at = line.find(before);
        ASSERT_NE(at, std::string::npos);
        at += before.size();
        EXPECT_EQ(ReadLiteral(line, &at), path);
        // Everything after the literal is the fixed text: nothing was added.
        EXPECT_EQ(line.substr(at),
                  " -ArgumentList '--install-task' -Verb RunAs -Wait -PassThru; "
                  "if ($p.ExitCode -is [int]) { exit $p.ExitCode }; exit 1 }\"");
    }
}

TEST_F(Elevate, WaitsAndReturnsTheElevatedCopysExitCode)
{
    for (DWORD code : {0u, 1u, 5u}) {
        SCOPED_TRACE(code);
        sim::ClearCalls();
        PowerShellExitsWith(code);
        EXPECT_EQ(RunElevatedTaskCommand(InstallTaskOption), (int)code);
        EXPECT_EQ(sim::StepsLeft(), 0u);
        std::string pid = std::to_string(sim::StartedProcesses().back().pid);
        const std::vector<std::string> waitThenClose = {
            "WaitForSingleObject(P" + pid + ", INFINITE)",
            "GetExitCodeProcess(P" + pid + ")",
            "CloseHandle(T" + pid + ")",
            "CloseHandle(P" + pid + ")",
        };
        EXPECT_CALLS(waitThenClose, sim::CallsOf({"WaitForSingleObject", "GetExitCodeProcess", "CloseHandle"}));
    }
}

// The user answers No, or the copy's exit code does not come back: Start-
// Process leaves $p empty and "exit $null" would end PowerShell with 0.
TEST_F(Elevate, DeclinedPromptOrMissingExitCodeEndsPowerShellWithOne)
{
    SimPowerShell seen;
    for (Prompt prompt : {Prompt::Declined, Prompt::NoExitCode}) {
        seen = SimPowerShell();
        RunPowerShellAs(prompt, 0, &seen, true);
        EXPECT_EQ(RunElevatedTaskCommand(InstallTaskOption), 1);
        EXPECT_EQ(seen.copies.size(), prompt == Prompt::Declined ? 0u : 1u);
        ASSERT_FALSE(seen.statements.empty());
        EXPECT_EQ(seen.statements.back(), "exit 1");
    }
}

TEST_F(Elevate, PowerShellThatCannotStartGivesMinusOne)
{
    sim::MissingProgram("powershell.exe");
    EXPECT_EQ(RunElevatedTaskCommand(RemoveTaskOption), -1);
    sim::FailCall("CreateProcessA");
    EXPECT_EQ(RunElevatedTaskCommand(RemoveTaskOption), -1);
    EXPECT_TRUE(sim::StartedProcesses().empty());
    EXPECT_TRUE(sim::CallsOf({"WaitForSingleObject", "CloseHandle"}).empty());
}

TEST_F(Elevate, UnreadableExitCodeCountsAsFailure)
{
    PowerShellExitsWith(0);
    sim::FailCall("GetExitCodeProcess");
    EXPECT_EQ(RunElevatedTaskCommand(InstallTaskOption), 1);
}

} // namespace
