// The Task Scheduler client: what it passes in which order, what it gives
// back on every path of the failure table, and its effect on the store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "logintask/taskclient.h"
#include "logintask/taskxml.h"
#include "sim/sim_system.h"
#include "tests/wincheck.h"

namespace {

typedef std::vector<std::string> Calls;

Calls operator+(Calls a, const Calls &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The calls through which the client holds and gives back COM resources.
Calls ComCalls()
{
    return sim::CallsOf({"CoCreateInstance", "VariantInit", "VariantClear", "SysAllocString", "SysAllocStringLen",
                         "SysFreeString", "ITaskService::Connect", "ITaskService::GetFolder", "ITaskService::NewTask",
                         "ITaskFolder::GetTask", "ITaskFolder::DeleteTask", "ITaskFolder::RegisterTaskDefinition",
                         "ITaskDefinition::put_XmlText", "ITaskService::Release", "ITaskFolder::Release",
                         "ITaskDefinition::Release", "IRegisteredTask::Release"});
}

const Calls OpeningCalls = {
    "CoCreateInstance(TaskScheduler, 0, 1, ITaskService)",
    "VariantInit()", "VariantInit()", "VariantInit()", "VariantInit()",
    "ITaskService::Connect(EMPTY, EMPTY, EMPTY, EMPTY)",
    "VariantClear()", "VariantClear()", "VariantClear()", "VariantClear()",
    "SysAllocString(\\)",
    "ITaskService::GetFolder(\\)",
    "SysFreeString(\\)",
};

const Calls NothingReleased = {};
const Calls ServiceReleased = {"ITaskService::Release()"};
const Calls FolderServiceReleased = {"ITaskFolder::Release()", "ITaskService::Release()"};
const Calls DefinitionFolderServiceReleased = Calls{"ITaskDefinition::Release()"} + FolderServiceReleased;

const Calls ExistsCalls = OpeningCalls + Calls{
    "SysAllocString(Plinthwise)",
    "ITaskFolder::GetTask(Plinthwise)",
    "SysFreeString(Plinthwise)",
    "IRegisteredTask::Release()",
} + FolderServiceReleased;

const Calls RemoveCalls = OpeningCalls + Calls{
    "SysAllocString(Plinthwise)",
    "ITaskFolder::DeleteTask(Plinthwise, 0)",
    "SysFreeString(Plinthwise)",
} + FolderServiceReleased;

// The document's BSTR appears in the log by its length.
Calls InstallCalls(size_t xmlLength)
{
    std::string n = std::to_string(xmlLength);
    return OpeningCalls + Calls{
        "ITaskService::NewTask(0)",
        "SysAllocStringLen(0, " + n + ")",
        "ITaskDefinition::put_XmlText(<" + n + " chars>)",
        "SysFreeString(<" + n + " chars>)",
        "SysAllocString(Plinthwise)",
        "VariantInit()", "VariantInit()", "VariantInit()",
        "ITaskFolder::RegisterTaskDefinition(Plinthwise, definition, 6, EMPTY, EMPTY, 3, EMPTY, 0)",
        "SysFreeString(Plinthwise)",
        "VariantClear()", "VariantClear()", "VariantClear()",
    } + DefinitionFolderServiceReleased;
}

std::string OurDocument()
{
    char document[LoginTaskXmlSize];
    EXPECT_EQ(BuildLoginTaskXml(document), S_OK);
    return document;
}

class TaskClient : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::SetModulePath("C:\\Apps\\Plinthwise\\plinthwise.exe");
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)));
        sim::ClearCalls();
    }

    // Nothing is held once an operation has returned.
    void TearDown() override
    {
        EXPECT_EQ(sim::LiveComObjects(), 0u);
        EXPECT_EQ(sim::LiveBstrs(), 0u);
        EXPECT_EQ(sim::LiveVariants(), 0u);
        EXPECT_EQ(sim::LiveLocalBlocks(), 0u);
        EXPECT_TRUE(sim::Misuse().empty()) << sim::Misuse().front();
    }
};

TEST_F(TaskClient, ExistsFollowsTheStore)
{
    EXPECT_FALSE(LoginTaskExists());
    sim::PutTask("Plinthwise", "<Task/>");
    sim::ClearCalls();
    EXPECT_TRUE(LoginTaskExists());
    EXPECT_CALLS(ExistsCalls, ComCalls());
}

TEST_F(TaskClient, InstallRegistersOurDocumentForTheInteractiveUser)
{
    std::string document = OurDocument();
    sim::ClearCalls();
    EXPECT_EQ(InstallLoginTask(), S_OK);
    EXPECT_CALLS(InstallCalls(document.size()), ComCalls());
    EXPECT_EQ(sim::TaskXml("Plinthwise"), document);
    EXPECT_TRUE(LoginTaskExists());
}

TEST_F(TaskClient, InstallTwiceReplacesInsteadOfFailing)
{
    sim::PutTask("Plinthwise", "<Task><URI>someone else's</URI></Task>");
    EXPECT_EQ(InstallLoginTask(), S_OK);
    sim::SetModulePath("D:\\Moved\\plinthwise.exe");
    EXPECT_EQ(InstallLoginTask(), S_OK);
    EXPECT_EQ(sim::TaskCount(), 1u);
    EXPECT_EQ(sim::TaskXml("Plinthwise"), OurDocument());
    ASSERT_EQ(sim::Registrations().size(), 2u);
    for (const sim::TaskRegistration &r : sim::Registrations())
        EXPECT_EQ(r.flags, TASK_CREATE_OR_UPDATE);
}

TEST_F(TaskClient, InstallWithMarkupInThePathRegisters)
{
    sim::SetModulePath("C:\\R&D <tools>\\plinthwise.exe");
    EXPECT_EQ(InstallLoginTask(), S_OK);
    EXPECT_NE(sim::TaskXml("Plinthwise").find("<Command>C:\\R&amp;D &lt;tools&gt;\\plinthwise.exe</Command>"),
              std::string::npos);
}

TEST_F(TaskClient, RemoveDeletesThenPassesTheFailureThrough)
{
    sim::PutTask("Plinthwise", "<Task/>");
    sim::ClearCalls();
    EXPECT_EQ(RemoveLoginTask(), S_OK);
    EXPECT_CALLS(RemoveCalls, ComCalls());
    EXPECT_FALSE(sim::HasTask("Plinthwise"));
    EXPECT_EQ(RemoveLoginTask(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(TaskClient, RefusedChangesComeBackAsAccessDenied)
{
    sim::PutTask("Plinthwise", "<Task/>");
    sim::DenyTaskChanges(true);
    EXPECT_EQ(InstallLoginTask(), E_ACCESSDENIED);
    EXPECT_EQ(RemoveLoginTask(), E_ACCESSDENIED);
    EXPECT_EQ(sim::TaskXml("Plinthwise"), "<Task/>");
}

// One row of the failure table, or one string that cannot be allocated.
enum Operation { Exists, Install, Remove };

struct FailureRow {
    const char *name;
    Operation operation;
    const char *failing;
    int nth;
    const Calls *released;
};

void PrintTo(const FailureRow &row, std::ostream *out) { *out << row.name; }

class FailureTable : public TaskClient, public ::testing::WithParamInterface<FailureRow> {};

// The full sequence cut after the failing call and the frees and clears
// that belong to it, then the releases the row names.
Calls ExpectedAfterFailure(const Calls &full, const FailureRow &row)
{
    std::string prefix = std::string(row.failing) + "(";
    size_t at = 0;
    for (int seen = 0; at < full.size(); at++)
        if (full[at].compare(0, prefix.size(), prefix) == 0 && ++seen == row.nth)
            break;
    Calls out(full.begin(), full.begin() + (long)at + 1);
    for (at++; at < full.size(); at++) {
        if (full[at].compare(0, 14, "SysFreeString(") != 0 && full[at] != "VariantClear()")
            break;
        out.push_back(full[at]);
    }
    return out + *row.released;
}

TEST_P(FailureTable, EndsTheOperationAndReleasesWhatItHolds)
{
    const FailureRow &row = GetParam();
    sim::PutTask("Plinthwise", "<Task/>");
    std::string document = OurDocument();
    sim::ClearCalls();
    sim::FailCall(row.failing, row.nth);
    bool outOfMemory = std::string(row.failing).compare(0, 3, "Sys") == 0;
    HRESULT expected = outOfMemory ? E_OUTOFMEMORY : sim::FailureResult(row.failing);
    switch (row.operation) {
    case Exists:
        EXPECT_FALSE(LoginTaskExists());
        EXPECT_CALLS(ExpectedAfterFailure(ExistsCalls, row), ComCalls());
        break;
    case Install:
        EXPECT_EQ(InstallLoginTask(), expected);
        EXPECT_CALLS(ExpectedAfterFailure(InstallCalls(document.size()), row), ComCalls());
        break;
    case Remove:
        EXPECT_EQ(RemoveLoginTask(), expected);
        EXPECT_CALLS(ExpectedAfterFailure(RemoveCalls, row), ComCalls());
        break;
    }
    EXPECT_EQ(sim::TaskXml("Plinthwise"), "<Task/>");
}

const FailureRow FailureRows[] = {
    {"ExistsCreate", Exists, "CoCreateInstance", 1, &NothingReleased},
    {"ExistsConnect", Exists, "ITaskService::Connect", 1, &ServiceReleased},
    {"ExistsGetFolder", Exists, "ITaskService::GetFolder", 1, &ServiceReleased},
    {"ExistsGetTask", Exists, "ITaskFolder::GetTask", 1, &FolderServiceReleased},
    {"InstallCreate", Install, "CoCreateInstance", 1, &NothingReleased},
    {"InstallConnect", Install, "ITaskService::Connect", 1, &ServiceReleased},
    {"InstallGetFolder", Install, "ITaskService::GetFolder", 1, &ServiceReleased},
    {"InstallNewTask", Install, "ITaskService::NewTask", 1, &FolderServiceReleased},
    {"InstallPutXmlText", Install, "ITaskDefinition::put_XmlText", 1, &DefinitionFolderServiceReleased},
    {"InstallRegister", Install, "ITaskFolder::RegisterTaskDefinition", 1, &DefinitionFolderServiceReleased},
    {"RemoveCreate", Remove, "CoCreateInstance", 1, &NothingReleased},
    {"RemoveConnect", Remove, "ITaskService::Connect", 1, &ServiceReleased},
    {"RemoveGetFolder", Remove, "ITaskService::GetFolder", 1, &ServiceReleased},
    {"RemoveDeleteTask", Remove, "ITaskFolder::DeleteTask", 1, &FolderServiceReleased},
    // Out of memory for a string: the folder path, the task name, the document.
    {"ExistsNoFolderPath", Exists, "SysAllocString", 1, &ServiceReleased},
    {"ExistsNoTaskName", Exists, "SysAllocString", 2, &FolderServiceReleased},
    {"InstallNoFolderPath", Install, "SysAllocString", 1, &ServiceReleased},
    {"InstallNoDocument", Install, "SysAllocStringLen", 1, &DefinitionFolderServiceReleased},
    {"InstallNoTaskName", Install, "SysAllocString", 2, &DefinitionFolderServiceReleased},
    {"RemoveNoFolderPath", Remove, "SysAllocString", 1, &ServiceReleased},
    {"RemoveNoTaskName", Remove, "SysAllocString", 2, &FolderServiceReleased},
};

INSTANTIATE_TEST_SUITE_P(Rows, FailureTable, ::testing::ValuesIn(FailureRows),
                         [](const ::testing::TestParamInfo<FailureRow> &info) { return info.param.name; });

} // namespace
