// The About window on the simulated desktop, opened and run the way the
// shell's About command does it: created with AboutOpen set, shown, and
// served by a nested loop that offers every message to IsDialogMessageA.
#include <gtest/gtest.h>

#include <string.h>
#include <functional>

#include "shell/appstate.h"
#include "sim/sim_tray.h"
#include "tests/wincheck.h"
#include "tray/about.h"

namespace {

class AboutTest : public ::testing::Test {
protected:
    HWND about = NULL;

    void SetUp() override
    {
        // The class as the shell registers it at start.
        WNDCLASSA wc = {};
        wc.lpfnWndProc = AboutWindowProc;
        wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
        wc.lpszClassName = "PlinthwiseAboutClass";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }

    // The About command up to its nested loop.
    bool Open()
    {
        AboutOpen = TRUE;
        about = CreateWindowExA(WS_EX_DLGMODALFRAME, "PlinthwiseAboutClass", "About Plinthwise",
                                WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 640, 232, NULL, NULL, NULL,
                                NULL);
        if (!about) {
            AboutOpen = FALSE;
            return false;
        }
        ShowWindow(about, SW_SHOW);
        return true;
    }

    // The nested loop, with the user's actions as script steps.
    void Run(std::initializer_list<std::function<void()>> steps)
    {
        for (const auto &step : steps)
            sim::Then(step);
        MSG msg;
        while (AboutOpen) {
            if (!GetMessageA(&msg, NULL, 0, 0))
                break;
            if (!IsDialogMessageA(about, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }

    HWND Text() { return sim::ChildrenOf(about).empty() ? NULL : sim::ChildrenOf(about).front(); }
    HFONT Font() { return (HFONT)SendMessageA(Text(), WM_GETFONT, 0, 0); }

    void ExpectClosed()
    {
        EXPECT_FALSE(IsWindow(about));
        EXPECT_FALSE(AboutOpen);
        EXPECT_EQ(sim::LiveGdi().fonts, 0);
        EXPECT_EQ(sim::LiveGdi().dcs, 0);
    }
};

TEST_F(AboutTest, ShowsTheHelpTextInTenPointConsolas)
{
    ASSERT_TRUE(Open());
    HWND text = Text();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(sim::ClassOf(text), "Static");  // the name the system registered it under
    EXPECT_EQ((DWORD)GetWindowLongA(text, GWL_STYLE), (DWORD)(WS_CHILD | WS_VISIBLE));
    ASSERT_NE(Font(), nullptr);

    LOGFONTA lf;
    ASSERT_EQ(GetObjectA(Font(), sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH | FF_DONTCARE);
    EXPECT_STREQ(lf.lfFaceName, "Consolas");
    // The window's device context went back as soon as the height was known.
    EXPECT_EQ(sim::LiveGdi().dcs, 0);
    std::string window = sim::NameOf(about);
    EXPECT_CALLS((std::vector<std::string>{"GetDC(" + window + ")", "GetDeviceCaps(dc1, 90)",
                                           "ReleaseDC(" + window + ", dc1)"}),
                 sim::CallsOf({"GetDC", "GetDeviceCaps", "ReleaseDC"}));
}

TEST_F(AboutTest, HelpTextHasNineLinesWithTheDashesLinedUp)
{
    ASSERT_TRUE(Open());
    ASSERT_NE(Text(), nullptr);
    std::string all = sim::Title(Text());
    EXPECT_EQ(all.size(), 306u);
    std::vector<std::string> lines;
    for (size_t from = 0;;) {
        size_t end = all.find("\r\n", from);
        lines.push_back(all.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos)
            break;
        from = end + 2;
    }
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[0], "Plinthwise v1.0.0");
    for (int i : {3, 4, 7, 8}) {
        EXPECT_EQ(lines[i].substr(0, 2), "  ") << lines[i];
        EXPECT_EQ(lines[i].find(" - "), 31u) << lines[i];  // the dash in column 33
    }
    EXPECT_EQ(all.find('\n'), all.find("\r\n") + 1);
    EXPECT_NE(all.back(), '\n');
}

// Every way the user closes the window ends the loop and frees the font.
// (Escape, Alt+F4, Enter and a click on the text are also driven through
// real input under Wine: tray_about_input_test.)
struct Closing {
    const char *name;
    std::function<void(HWND about)> act;
};

const Closing Closings[] = {
    {"Escape", [](HWND) { sim::PressKey(0, VK_ESCAPE); }},
    {"ClickBesideTheText", [](HWND about) { sim::Click(about, 600, 180); }},
    {"CloseBox", [](HWND about) { sim::ClickClose(about); }},
};

void PrintTo(const Closing &c, std::ostream *out) { *out << c.name; }

class AboutClosing : public AboutTest, public ::testing::WithParamInterface<Closing> {};

TEST_P(AboutClosing, ClosesTheWindowAndClearsAboutOpenAndAboutFont)
{
    ASSERT_TRUE(Open());
    HWND window = about;
    Run({[&] { GetParam().act(window); }});
    ExpectClosed();
    EXPECT_EQ(sim::StepsLeft(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Ways, AboutClosing, ::testing::ValuesIn(Closings),
                         [](const ::testing::TestParamInfo<Closing> &info) { return std::string(info.param.name); });

// 100, 125, 150 and 200 %, and below: the font follows the resolution, and
// the text stays whole however the font's extent rounds.
TEST_F(AboutTest, FontAndPlaceFollowTheScreenResolution)
{
    struct {
        int dpi;
        LONG height;
    } const Heights[] = {{96, -13}, {120, -17}, {144, -20}, {72, -10}, {192, -27}};
    for (const auto &h : Heights) {
        sim::SetDpi(h.dpi);
        ASSERT_TRUE(Open());
        LOGFONTA lf;
        ASSERT_EQ(GetObjectA(Font(), sizeof lf, &lf), (int)sizeof lf);
        EXPECT_EQ(lf.lfHeight, h.height) << h.dpi << " dpi";
        EXPECT_HELP_TEXT_WHOLE(about);
        DestroyWindow(about);
        ExpectClosed();
    }
}

TEST_F(AboutTest, AHundredOpeningsLeakNothing)
{
    size_t windows = sim::WindowCount();
    for (int i = 0; i < 100; i++) {
        ASSERT_TRUE(Open());
        Run({[] { sim::PressKey(0, VK_ESCAPE); }});
        ASSERT_FALSE(AboutOpen) << "opening " << i;
    }
    ExpectClosed();
    EXPECT_EQ(sim::WindowCount(), windows);
    EXPECT_EQ(sim::CallsOf({"CreateFontA"}).size(), 100u);
    EXPECT_EQ(sim::CallsOf({"DeleteObject"}).size(), 100u);
}

TEST_F(AboutTest, WithoutItsFontTheTextKeepsTheSystemFontAndNothingIsDeleted)
{
    sim::FailCall("CreateFontA");
    ASSERT_TRUE(Open());
    EXPECT_EQ(sim::LiveGdi().fonts, 0);
    ASSERT_NE(Text(), nullptr);
    EXPECT_EQ(SendMessageA(Text(), WM_GETFONT, 0, 0), 0);
    Run({[] { sim::PressKey(0, VK_ESCAPE); }});
    ExpectClosed();
    EXPECT_TRUE(sim::CallsOf({"DeleteObject"}).empty());
}

TEST_F(AboutTest, WithoutItsTextControlTheWindowStillOpensAndCloses)
{
    sim::FailCall("CreateWindowExA", 2);
    ASSERT_TRUE(Open());
    EXPECT_EQ(Text(), nullptr);
    Run({[this] { sim::Click(about, 100, 50); }});
    ExpectClosed();
}

TEST_F(AboutTest, ClosingDoesNotEndTheProgram)
{
    ASSERT_TRUE(Open());
    Run({[] { sim::PressKey(0, VK_ESCAPE); }});
    EXPECT_TRUE(sim::CallsOf({"PostQuitMessage"}).empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

} // namespace
