// The logon task's document: its exact bytes, the user id and its fallback,
// escaping, the size limit and the widening for COM.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "logintask/taskclient.h"
#include "logintask/taskxml.h"
#include "sim/sim_system.h"
#include "tests/wincheck.h"

namespace {

const char UserSid[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const char ModulePath[] = "C:\\Program Files\\Plinthwise\\plinthwise.exe";

// The document's lines, written out from the task definition's table, with
// the three substitutions given.
std::string ExpectedDocument(const std::string &author, const std::string &userId, const std::string &command)
{
    const std::vector<std::string> lines = {
        "<Task version=\"1.4\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">",
        " <RegistrationInfo>",
        "  <Author>" + author + "</Author>",
        "  <URI>\\Plinthwise</URI>",
        " </RegistrationInfo>",
        " <Triggers>",
        "  <LogonTrigger>",
        "   <UserId>" + userId + "</UserId>",
        "  </LogonTrigger>",
        " </Triggers>",
        " <Principals>",
        "  <Principal id=\"Author\">",
        "   <UserId>" + userId + "</UserId>",
        "   <LogonType>InteractiveToken</LogonType>",
        "   <RunLevel>HighestAvailable</RunLevel>",
        "  </Principal>",
        " </Principals>",
        " <Settings>",
        "  <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>",
        "  <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
        "  <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
        "  <ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
        "  <Priority>4</Priority>",
        " </Settings>",
        " <Actions Context=\"Author\">",
        "  <Exec>",
        "   <Command>" + command + "</Command>",
        "  </Exec>",
        " </Actions>",
        "</Task>",
    };
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

class TaskXml : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::SetUserName("carol");
        sim::AddAccount("carol", "WORKGROUP", UserSid);
        sim::SetModulePath(ModulePath);
    }

    std::string Build(HRESULT expected = S_OK)
    {
        document.assign(LoginTaskXmlSize + 16, '#');  // room to see a write past the end
        EXPECT_EQ(BuildLoginTaskXml(&document[0]), expected);
        EXPECT_EQ(document[LoginTaskXmlSize], '#');
        EXPECT_EQ(sim::LiveLocalBlocks(), 0u);
        return document.c_str();
    }

    std::string document;
};

const std::vector<std::string> ResolvedUserCalls = {
    "GetModuleFileNameA(0, 780)",  // room for the longest path in UTF-8
    "GetUserNameA(256)",
    "LookupAccountNameA(0, carol, 512, 256)",
    "ConvertSidToStringSidA()",
    "LocalFree(block)",
};

TEST_F(TaskXml, ResolvedUserGetsTheSidAndThePathStandsUnquoted)
{
    std::string doc = Build();
    EXPECT_EQ(doc, ExpectedDocument("carol", UserSid, ModulePath));
    EXPECT_EQ(doc.size(), 828 + strlen("carol") + 2 * strlen(UserSid) + strlen(ModulePath));
    EXPECT_CALLS(ResolvedUserCalls, sim::CallsOf({"GetModuleFileNameA", "GetUserNameA", "LookupAccountNameA",
                                                  "ConvertSidToStringSidA", "LocalFree"}));
}

TEST_F(TaskXml, UserIdFallsBackToTheUserName)
{
    struct {
        const char *why;
        const char *user;
        const char *failing;
    } cases[] = {
        {"account unknown", "ghost", nullptr},
        {"lookup fails", "carol", "LookupAccountNameA"},
        {"conversion fails", "carol", "ConvertSidToStringSidA"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        sim::ClearFaults();
        sim::ClearCalls();
        sim::SetUserName(c.user);
        if (c.failing)
            sim::FailCall(c.failing);
        EXPECT_EQ(Build(), ExpectedDocument(c.user, c.user, ModulePath));
        // Only a string the conversion handed out is given back.
        EXPECT_TRUE(sim::CallsOf({"LocalFree"}).empty());
    }
}

// A failed user name leaves empty texts; without the program's path there
// is no document, since its task would start nothing.
TEST_F(TaskXml, FailedUserCallLeavesEmptyTextsFailedPathNoDocument)
{
    sim::FailCall("GetUserNameA");
    EXPECT_EQ(Build(), ExpectedDocument("", "", ModulePath));
    sim::FailCall("GetModuleFileNameA");
    EXPECT_EQ(Build(E_FAIL), "");
}

TEST_F(TaskXml, MarkupCharactersAreEscaped)
{
    sim::SetUserName("O'Neil & <Sons>");
    sim::SetModulePath("C:\\Tom & Jerry's \"<tools>\"\\plinthwise.exe");
    EXPECT_EQ(Build(), ExpectedDocument("O&apos;Neil &amp; &lt;Sons&gt;", "O&apos;Neil &amp; &lt;Sons&gt;",
                                        "C:\\Tom &amp; Jerry&apos;s &quot;&lt;tools&gt;&quot;\\plinthwise.exe"));
}

TEST_F(TaskXml, ControlCharacterCannotBeCarried)
{
    sim::SetUserName("tab\there");
    EXPECT_EQ(Build(E_FAIL), "");
}

// 828 + 3 * 170 * 6 (user name once, user id twice, all apostrophes)
// + 4 * 5 + 187 = 4095 characters: exactly full. One character more does
// not fit.
TEST_F(TaskXml, DocumentFillsTheWholeBufferButNeverMore)
{
    std::string user(170, '\'');
    std::string path = "&&&&" + std::string(187, 'x');
    sim::SetUserName(user.c_str());
    sim::SetModulePath(path.c_str());
    EXPECT_EQ(Build().size(), (size_t)LoginTaskXmlSize - 1);

    path += "x";
    sim::SetModulePath(path.c_str());
    EXPECT_EQ(Build(E_FAIL), "");
}

TEST_F(TaskXml, DocumentThatDoesNotFitCreatesNoComObject)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)));
    std::string user(255, '&');
    sim::SetUserName(user.c_str());
    sim::SetModulePath(std::string(259, '<').c_str());
    EXPECT_EQ(InstallLoginTask(), E_FAIL);
    EXPECT_TRUE(sim::CallsOf({"CoCreateInstance"}).empty());
    EXPECT_EQ(sim::TaskCount(), 0u);
}

// The manifest makes the ANSI code page UTF-8: a name beyond ASCII is two
// bytes in the document and one character in what Task Scheduler gets.
TEST_F(TaskXml, WidenedTextIsTheDocumentReadAsUtf8)
{
    sim::SetUserName("Ren\xc3\xa9");
    std::string doc = Build();
    std::vector<WCHAR> expected;
    for (size_t i = 0; i < doc.size(); i++) {
        bool e = doc.compare(i, 2, "\xc3\xa9") == 0;
        expected.push_back(e ? 0xE9 : (WCHAR)(unsigned char)doc[i]);
        i += e ? 1 : 0;
    }
    ASSERT_LT(expected.size(), doc.size());
    BSTR xml = NULL;
    ASSERT_EQ(WidenLoginTaskXml(doc.c_str(), &xml), S_OK);
    ASSERT_EQ(SysStringLen(xml), expected.size());
    EXPECT_EQ(std::vector<WCHAR>(xml, xml + expected.size()), expected);
    EXPECT_EQ(xml[expected.size()], 0);
    SysFreeString(xml);
    EXPECT_EQ(sim::LiveBstrs(), 0u);
}

TEST_F(TaskXml, WideningFailuresHoldNothing)
{
    std::string doc = Build();
    struct {
        const char *failing;
        int nth;
        HRESULT result;
    } cases[] = {
        {"SysAllocStringLen", 1, E_OUTOFMEMORY},
        {"MultiByteToWideChar", 1, E_FAIL},
        {"MultiByteToWideChar", 2, E_FAIL},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.failing) + " #" + std::to_string(c.nth));
        sim::ClearFaults();
        sim::FailCall(c.failing, c.nth);
        BSTR xml = (BSTR)1;
        EXPECT_EQ(WidenLoginTaskXml(doc.c_str(), &xml), c.result);
        EXPECT_EQ(xml, nullptr);
        EXPECT_EQ(sim::LiveBstrs(), 0u);
    }
}

} // namespace
