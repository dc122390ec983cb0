// The normal start, the message table and the shutdown of the running
// program.
#include "tests/shell_fixture.h"

namespace {

const std::initializer_list<const char *> LifeCalls = {
    "CoInitializeEx",   "CreateMutexA",   "FindWindowA",    "Sleep",           "EnumWindows",    "RegisterClassA",
    "CreateWindowExA",  "RegisterWindowMessageA", "ChangeWindowMessageFilterEx", "Shell_NotifyIconA", "RegisterHotKey",
    "CreateProcessA",
    "CloseHandle",      "SetWinEventHook", "SetTimer",       "UnregisterHotKey", "UnhookWinEvent",
    "DestroyIcon"};

// The start in its order, with a taskbar that appears between the third and
// fourth poll, then Exit and the shutdown in its order.
std::vector<std::string> ExpectedLife(const std::string &main)
{
    std::vector<std::string> calls = {
        "CoInitializeEx(2)",
        "CreateMutexA(0, 0, Local\\PlinthwiseRunning)",
        "FindWindowA(Shell_TrayWnd, 0)", "Sleep(500)",
        "FindWindowA(Shell_TrayWnd, 0)", "Sleep(500)",
        "FindWindowA(Shell_TrayWnd, 0)", "Sleep(500)",
        "FindWindowA(Shell_TrayWnd, 0)",
        "EnumWindows()",  // recovery of what an earlier run left hidden
        "RegisterClassA(WorkspaceManagerClass)",
        "RegisterClassA(PlinthwiseAboutClass)",
        "CreateWindowExA(0x80, WorkspaceManagerClass, Plinthwise, 0x80000000, 0, 0, 0, 0, 0)",
        "RegisterWindowMessageA(TaskbarCreated)",
        "ChangeWindowMessageFilterEx(" + main + ", 0xc000, 1, 0)",
        "Shell_NotifyIconA(0, 528, " + main + ", 1, 0x7, 0x401, IDI_APPLICATION, \"Plinthwise Group: 1\")",
        "Shell_NotifyIconA(1, 528, " + main + ", 1, 0x6, 0x401, icon1, \"Plinthwise Group: 1\")",
    };
    for (int k = 0; k < 5; k++) {
        char key[8];
        snprintf(key, sizeof key, "0x%x", 0x31 + k);
        calls.push_back("RegisterHotKey(" + main + ", " + std::to_string(100 + k) + ", 1, " + key + ")");
        calls.push_back("RegisterHotKey(" + main + ", " + std::to_string(200 + k) + ", 5, " + key + ")");
    }
    calls.insert(calls.end(), {
        "EnumWindows()",  // initial adoption
        "CreateProcessA(0, \"C:\\Tools\\plinthwise.exe\" --watch 1000, 0x8000000)",
        "CloseHandle(T2000)",
        "CloseHandle(P2000)",
        "SetWinEventHook(3, 3, 0, 0, 0, 0)",
        "SetTimer(" + main + ", 1, 500)",
        "UnhookWinEvent(hook)",
    });
    for (int k = 0; k < 5; k++) {
        calls.push_back("UnregisterHotKey(" + main + ", " + std::to_string(100 + k) + ")");
        calls.push_back("UnregisterHotKey(" + main + ", " + std::to_string(200 + k) + ")");
    }
    calls.insert(calls.end(), {
        "Shell_NotifyIconA(2, 528, " + main + ", 1, 0x6, 0x401, icon1, \"Plinthwise Group: 1\")",
        "DestroyIcon(icon1)", "DestroyIcon(icon2)", "DestroyIcon(icon3)", "DestroyIcon(icon4)",
        "DestroyIcon(icon5)",
        "CloseHandle(mutex)",
    });
    return calls;
}

TEST(NormalStart, StartsInOrderOnceTheTaskbarExistsAndShutsDownInOrder)
{
    sim::SetModulePath("C:\\Tools\\plinthwise.exe");
    sim::At(1200, [] { sim::MakeTaskbar(); });
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    EXPECT_CALLS(ExpectedLife(sim::NameOf(MainWindow)), sim::CallsOf(LifeCalls));
    const std::vector<sim::ProcessRecord> started = sim::StartedProcesses();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].startupInfoSize, 104u);
    EXPECT_EQ(started[0].creationFlags, (DWORD)CREATE_NO_WINDOW);
    EXPECT_EQ(sim::OpenHandles(), 0u);
    EXPECT_EQ(sim::LiveGdi().icons, 0);
}

// The program unpacked into a folder named in Polish and Russian letters.
// With the manifest's UTF-8 code page the watcher gets the path whole; where
// Windows ignores it (before 10 1903) the path in short names; where the
// volume has no short names either, no watcher rather than one started from
// a path that names no file.
struct OwnPathCase {
    const char *name;
    bool manifestCodePage, shortNames;
    const char *watcherPath;  // null: no watcher started
};
const char OtherScriptsPath[] = "C:\\Za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 \xd0\x9f\xd1\x80\xd0\xbe\\plinthwise.exe";
const OwnPathCase OwnPathCases[] = {
    {"Utf8CodePage", true, true, OtherScriptsPath},
    {"WesternCodePageShortNames", false, true, "C:\\ZA~1\\plinthwise.exe"},
    {"WesternCodePageNoShortNames", false, false, nullptr},
};

class OwnPath : public ::testing::TestWithParam<OwnPathCase> {};

TEST_P(OwnPath, WatcherStartsFromTheRealPathOrNotAtAll)
{
    const OwnPathCase &c = GetParam();
    sim::SetModulePath(OtherScriptsPath);
    if (!c.manifestCodePage)
        sim::IgnoreManifestCodePage();
    sim::KeepShortNames(c.shortNames);
    sim::MakeTaskbar();
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    const std::vector<sim::ProcessRecord> started = sim::StartedProcesses();
    if (!c.watcherPath) {
        EXPECT_TRUE(started.empty());
        return;
    }
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine, "\"" + std::string(c.watcherPath) + "\" --watch 1000");
}

INSTANTIATE_TEST_SUITE_P(Folders, OwnPath, ::testing::ValuesIn(OwnPathCases),
                         [](const ::testing::TestParamInfo<OwnPathCase> &info) { return std::string(info.param.name); });

// At start every eligible window joins group 1 and the tray shows 1; one
// made later joins the group on screen within a tick.
TEST(NormalStart, AdoptsAtStartAndWithinATick)
{
    sim::MakeTaskbar();
    HWND a = App("A"), b = App("B");
    HWND tool = sim::MakeWindow("TestApp", "Tool", WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
    HWND later = nullptr;
    Step([&] {
        EXPECT_EQ(Members(0), (std::vector<HWND>{b, a}));
        EXPECT_EQ(FindInAnyGroup(tool), nullptr);
        EXPECT_EQ(TrayTip(), "Plinthwise Group: 1");
        sim::PressKey(MOD_ALT, '3');
    });
    Step([&] { later = App("Later"); });
    Tick();
    Step([&] {
        EXPECT_EQ(Members(2), (std::vector<HWND>{later}));
        EXPECT_EQ(TrayTip(), "Plinthwise Group: 3");
    });
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    for (HWND w : {a, b, later})
        EXPECT_ON_SCREEN(w, SW_SHOWNORMAL);
}

// Another program holds keys when we start: the start goes on, those keys
// reach that program, and one notice from the icon names them, given once
// the icon is there. Each key is ours at the tick after that program lets it
// go, with no second notice; Exit releases only the keys held. Never a
// message box.
struct Key {
    UINT modifiers, vk;
};
struct HeldKeysCase {
    const char *name;
    std::vector<Key> held;
    DWORD trayAnswersAt;  // 0: the notification area answers from the start
    bool letGo;           // after the first ticks
    const char *notice;   // "title: text"; null: none
};
const std::vector<Key> EveryKey = {{1, '1'}, {5, '1'}, {1, '2'}, {5, '2'}, {1, '3'},
                                   {5, '3'}, {1, '4'}, {5, '4'}, {1, '5'}, {5, '5'}};
const HeldKeysCase HeldKeysCases[] = {
    {"NoneHeld", {}, 0, false, nullptr},
    {"PairLetGo", {{MOD_ALT, '3'}, {MOD_ALT | MOD_SHIFT, '3'}}, 0, true,
     "Plinthwise: ALT+3 and ALT+SHIFT+3 are in use by another program"},
    {"OneWhileTheIconIsLate", {{MOD_ALT, '5'}}, 800, false, "Plinthwise: ALT+5 is in use by another program"},
    {"Every", EveryKey, 0, false,
     "Plinthwise: ALT+1, ALT+2, ALT+3, ALT+4, ALT+5, ALT+SHIFT+1, ALT+SHIFT+2, ALT+SHIFT+3, ALT+SHIFT+4 and "
     "ALT+SHIFT+5 are in use by another program"},
};

void PrintTo(const HeldKeysCase &c, std::ostream *out) { *out << c.name; }

class HeldKeys : public ::testing::TestWithParam<HeldKeysCase> {};

TEST_P(HeldKeys, NamedOnceAndOursAtTheTickAfterTheyAreFree)
{
    const HeldKeysCase &c = GetParam();
    sim::MakeTaskbar();
    sim::NotificationAreaReadyAt(c.trayAnswersAt);
    for (Key k : c.held)
        sim::HoldHotkey(k.modifiers, k.vk);
    HWND a = App("A");
    Tick();
    Tick();
    Step([&] {
        for (Key k : c.held)
            sim::PressKey(k.modifiers, k.vk);
    });
    Step([&] {
        EXPECT_EQ(CurrentGroup, 0);
        EXPECT_TRUE(sim::Visible(a));
        for (Key k : c.held)
            if (c.letGo)
                sim::ReleaseHotkey(k.modifiers, k.vk);
    });
    Tick();
    Step([&] {
        if (c.letGo)
            sim::PressKey(c.held[0].modifiers, c.held[0].vk);
    });
    Step([&] {
        if (c.letGo)
            EXPECT_EQ(CurrentGroup, (int)(c.held[0].vk - '1'));
    });
    Tick();
    Tick();
    Step([&] {
        sim::TrayIcon icon;
        ASSERT_TRUE(sim::FindTrayIcon(MainWindow, 1, &icon));
        EXPECT_EQ(icon.notices, c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
    });
    ChooseExit();
    EXPECT_EQ(RunProgram(""), 0);
    EXPECT_EQ(sim::CallsOf({"UnregisterHotKey"}).size(), 10 - (c.letGo ? 0 : c.held.size()));
    EXPECT_EQ(sim::MessageBoxesShown().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Start, HeldKeys, ::testing::ValuesIn(HeldKeysCases),
                         [](const ::testing::TestParamInfo<HeldKeysCase> &info) { return std::string(info.param.name); });

} // namespace
