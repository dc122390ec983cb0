// The elevated retry under Wine. The program (elevate_probe) is copied into
// a directory with an awkward name next to our PowerShell double, which
// CreateProcessA finds first because the caller's own directory is searched
// before the system's. The double runs every statement the command text
// holds and logs it, and the probe started by it logs its arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logintask/elevate.h"
#include "tests/wine/scratch.h"

namespace {

struct Outcome {
    long result;
    std::vector<std::string> startedWith;  // what each elevated copy received
    std::vector<std::string> statements;   // what PowerShell ran
    std::wstring probe;
};

// elevation: the double's PLINTHWISE_PSDOUBLE_ELEVATION, "" for a prompt
// the user accepts.
Outcome RunFrom(const std::wstring &dirName, const char *option, int elevatedExit, const wchar_t *elevation = L"")
{
    Outcome o;
    std::wstring dir = scratch::Populate(dirName, {{L"elevate_probe.exe", L"elevate_probe.exe"},
                                                   {L"powershell_double.exe", L"powershell.exe"}});
    EXPECT_FALSE(dir.empty()) << "cannot populate " << scratch::Utf8(dirName);
    std::wstring probeLog = dir + L"\\..\\probe.log", doubleLog = dir + L"\\..\\double.log";
    scratch::Remove(probeLog);
    scratch::Remove(doubleLog);
    SetEnvironmentVariableW(L"PLINTHWISE_PROBE_LOG", probeLog.c_str());
    SetEnvironmentVariableW(L"PLINTHWISE_PSDOUBLE_LOG", doubleLog.c_str());
    SetEnvironmentVariableW(L"PLINTHWISE_PROBE_EXIT", std::to_wstring(elevatedExit).c_str());
    SetEnvironmentVariableW(L"PLINTHWISE_PSDOUBLE_ELEVATION", *elevation ? elevation : nullptr);
    o.probe = dir + L"\\elevate_probe.exe";
    std::string opt = option;
    o.result = scratch::RunAndWait(o.probe, L"--call " + std::wstring(opt.begin(), opt.end()));
    o.startedWith = scratch::ReadLines(probeLog);
    o.statements = scratch::ReadLines(doubleLog);
    return o;
}

// PowerShell ran exactly one Start-Process of the program with the option,
// elevated, waited, and exited with its code; the program ran once.
void CheckOnlyTheProgramRan(const Outcome &o, const char *option, int elevatedExit)
{
    std::vector<std::string> statements = {
        "Start-Process FilePath=" + scratch::Utf8(o.probe) + " ArgumentList=" + option + " Verb=RunAs Wait PassThru",
        "exit " + std::to_string(elevatedExit),
    };
    EXPECT_EQ(o.statements, statements);
    EXPECT_EQ(o.startedWith, std::vector<std::string>{option});
    EXPECT_EQ(o.result, elevatedExit);
}

TEST(ElevateWine, PathWithASpacePassesTheExitCodeBack)
{
    for (int code : {0, 1}) {
        for (const char *option : {InstallTaskOption, RemoveTaskOption}) {
            SCOPED_TRACE(std::string(option) + " exiting " + std::to_string(code));
            Outcome o = RunFrom(L"with space", option, code);
            CheckOnlyTheProgramRan(o, option, code);
        }
    }
}

// The probe runs with the program's manifest, so its path reaches
// PowerShell whole in letters of any script too.
TEST(ElevateWine, QuotesAndOtherScriptsInThePathStartOnlyTheProgram)
{
    const std::wstring names[] = {
        scratch::OtherScriptsName,
        L"it's",
        L"O\u2019Brien",  // PowerShell ends a literal on typographic quotes too
        // No ';' here: Wine's search path would split the directory at it.
        L"x' $(Start-Process elevate_probe -ArgumentList injected) '",
        L"y\u2019 $(Start-Process elevate_probe -ArgumentList injected) \u2018",
    };
    for (const std::wstring &name : names) {
        SCOPED_TRACE(scratch::Utf8(name));
        Outcome o = RunFrom(name, InstallTaskOption, 0);
        CheckOnlyTheProgramRan(o, InstallTaskOption, 0);
    }
}

// The user answers No: Start-Process reports an error and hands back no
// process, so no copy runs and PowerShell must not end with 0. The same
// when the copy ran but its exit code did not come back.
TEST(ElevateWine, DeclinedPromptOrNoExitCodeEndsWithOne)
{
    Outcome declined = RunFrom(L"with space", InstallTaskOption, 0, L"declined");
    EXPECT_TRUE(declined.startedWith.empty());
    ASSERT_FALSE(declined.statements.empty());
    EXPECT_EQ(declined.statements.back(), "exit 1");
    EXPECT_EQ(declined.result, 1);

    Outcome noCode = RunFrom(L"with space", InstallTaskOption, 0, L"noexitcode");
    EXPECT_EQ(noCode.startedWith, std::vector<std::string>{InstallTaskOption});
    EXPECT_EQ(noCode.result, 1);
}

} // namespace
