// The Task Scheduler client against Wine's Task Scheduler service, which
// the test bed starts in its prefix: registration, the document as the
// service gives it back, existence, and removal.
#include <gtest/gtest.h>

#include <wchar.h>

#include <string>

#include "logintask/taskclient.h"
#include "logintask/taskxml.h"
#include "tests/wincheck.h"
#include "tests/wine/scratch.h"

namespace {

// The task's document as the service gives it back, or "" when there is none.
std::string ReadBackXml()
{
    std::string out;
    ITaskService *service = NULL;
    if (FAILED(CoCreateInstance(CLSID_TaskScheduler, NULL, CLSCTX_INPROC_SERVER, IID_ITaskService, (void **)&service)))
        return out;
    VARIANT empty;
    VariantInit(&empty);
    ITaskFolder *folder = NULL;
    BSTR root = SysAllocString(L"\\");
    if (SUCCEEDED(service->Connect(empty, empty, empty, empty)) && SUCCEEDED(service->GetFolder(root, &folder))) {
        IRegisteredTask *task = NULL;
        BSTR name = SysAllocString(L"Plinthwise");
        if (SUCCEEDED(folder->GetTask(name, &task))) {
            BSTR xml = NULL;
            if (SUCCEEDED(task->get_Xml(&xml)) && xml)
                out = scratch::Utf8(std::wstring(xml, SysStringLen(xml)));
            SysFreeString(xml);
            task->Release();
        }
        SysFreeString(name);
        folder->Release();
    }
    SysFreeString(root);
    service->Release();
    return out;
}

// The text of the first element of that name; "" when absent or empty.
std::string ElementText(const std::string &xml, const std::string &tag)
{
    size_t start = xml.find("<" + tag + ">");
    if (start == std::string::npos)
        return "";
    start += tag.size() + 2;
    size_t end = xml.find("</" + tag + ">", start);
    return end == std::string::npos ? "" : xml.substr(start, end - start);
}

class TaskClientWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)));
        RemoveLoginTask();  // a task left by an earlier run
        ASSERT_FALSE(LoginTaskExists());
    }
    void TearDown() override { RemoveLoginTask(); }
};

TEST_F(TaskClientWine, InstallExistsRemove)
{
    ASSERT_EQ(InstallLoginTask(), S_OK);
    EXPECT_TRUE(LoginTaskExists());
    // Create-or-update: a second registration replaces the first.
    EXPECT_EQ(InstallLoginTask(), S_OK);
    EXPECT_TRUE(LoginTaskExists());
    EXPECT_EQ(RemoveLoginTask(), S_OK);
    EXPECT_FALSE(LoginTaskExists());
    EXPECT_TRUE(FAILED(RemoveLoginTask()));
}

TEST_F(TaskClientWine, ServiceKeepsOurDocument)
{
    char document[LoginTaskXmlSize];
    ASSERT_EQ(BuildLoginTaskXml(document), S_OK);
    ASSERT_EQ(InstallLoginTask(), S_OK);
    std::string stored = ReadBackXml();
    ASSERT_NE(stored, "");
    // Wine keeps the registration data and settings of a task but writes
    // back neither its principal nor its action; elsewhere every element
    // must come back.
    const struct {
        const char *tag;
        bool wineDrops;
    } elements[] = {
        {"Author", false},
        {"URI", false},
        {"MultipleInstancesPolicy", false},
        {"DisallowStartIfOnBatteries", false},
        {"StopIfGoingOnBatteries", false},
        {"ExecutionTimeLimit", false},
        {"Priority", false},
        {"UserId", true},
        {"LogonType", true},
        {"RunLevel", true},
        {"Command", true},
    };
    for (const auto &e : elements) {
        std::string expected = ElementText(document, e.tag), actual = ElementText(stored, e.tag);
        ASSERT_NE(expected, "") << e.tag;
        if (e.wineDrops && RunningUnderWine() && actual.empty()) {
            RecordProperty(std::string("wine_drops_") + e.tag, expected);
            continue;
        }
        EXPECT_EQ(actual, expected) << e.tag;
    }
}

// The command of the document a probe hands Task Scheduler.
std::string CommandOfProbe(const std::wstring &probe)
{
    std::wstring log = probe + L".xml";
    scratch::Remove(log);
    SetEnvironmentVariableW(L"PLINTHWISE_PROBE_LOG", log.c_str());
    EXPECT_EQ(scratch::RunAndWait(probe, L"--document"), 0);
    std::string document;
    for (const std::string &line : scratch::ReadLines(log))
        document += line + "\n";
    return ElementText(document, "Command");
}

// From a folder named in letters the test bed's ANSI code page lacks, the
// document the client hands Task Scheduler names the program's real path
// (the service here keeps no command to read back), and the real program
// registers its task from there. Without the manifest's code page, as on
// Windows before 10 1903, the command is the same path in short names.
TEST_F(TaskClientWine, FolderInOtherScriptsGoesIntoTheCommandWhole)
{
    ASSERT_FALSE(scratch::FitsAnsiCodePage(scratch::OtherScriptsName));
    std::wstring dir = scratch::Populate(scratch::OtherScriptsName, {{L"elevate_probe.exe", L"probe.exe"},
                                                                     {L"elevate_probe_1809.exe", L"probe1809.exe"},
                                                                     {L"plinthwise.exe", L"plinthwise.exe"}});
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(CommandOfProbe(dir + L"\\probe.exe"), scratch::Utf8(dir + L"\\probe.exe"));
    std::wstring old = dir + L"\\probe1809.exe";
    wchar_t shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameW(old.c_str(), shortPath, MAX_PATH), 0u);
    ASSERT_TRUE(scratch::FitsAnsiCodePage(shortPath)) << scratch::Utf8(shortPath);
    EXPECT_EQ(CommandOfProbe(old), scratch::Utf8(shortPath));

    EXPECT_EQ(scratch::RunAndWait(dir + L"\\plinthwise.exe", L"--install-task"), 0);
    EXPECT_TRUE(LoginTaskExists());
}

// A path of the longest length makes a document past the 1024 bytes that
// wsprintfA would have written; cut there, the service would refuse it.
TEST_F(TaskClientWine, DocumentWithTheLongestPathRegistersWhole)
{
    wchar_t temp[MAX_PATH];
    size_t base = GetTempPathW(MAX_PATH, temp) + wcslen(L"plinthwise-logintask\\") + wcslen(L"\\plinthwise.exe");
    ASSERT_LT(base, (size_t)MAX_PATH - 1);
    std::wstring name(MAX_PATH - 1 - base, L'x');
    std::wstring dir = scratch::Populate(name, {{L"elevate_probe.exe", L"plinthwise.exe"}});
    ASSERT_EQ(dir.size() + wcslen(L"\\plinthwise.exe"), (size_t)MAX_PATH - 1);
    EXPECT_EQ(scratch::RunAndWait(dir + L"\\plinthwise.exe", L"--install"), 0);
    EXPECT_TRUE(LoginTaskExists());
}

} // namespace
