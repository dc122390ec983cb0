// The group digit icons on the simulated desktop: the calls that draw them,
// what they leave behind, and what happens when a call fails.
#include <gtest/gtest.h>

#include "sim/sim_tray.h"
#include "tests/iconcheck.h"
#include "tests/wincheck.h"
#include "tray/icons.h"

namespace {

// Drawing entry 0, from the screen's device context to its release. Handles
// are named in the order they were made: dc1 is the screen, dc2 the memory
// context, bitmap1 the colour bitmap, bitmap2 the mask.
const std::vector<std::string> FirstIconCalls = {
    "GetDC(0)",
    "CreateCompatibleDC(dc1)",
    "CreateDIBSection(dc1, {124, 16, -16, 1, 32, 3, 0xff0000, 0xff00, 0xff, 0xff000000}, 0, 0, 0)",
    "SelectObject(dc2, bitmap1)",
    "SetBkMode(dc2, 1)",
    "SetTextColor(dc2, 0xffffff)",
    "CreateFontA(15, 0, 0, 0, 900, 0, 0, 0, 0, 0, 0, 4, 0, Arial)",
    "SelectObject(dc2, font1)",
    "TextOutA(dc2, 4, 0, \"1\", 1)",
    "SelectObject(dc2, stock:SYSTEM_FONT)",
    "DeleteObject(font1)",
    "SelectObject(dc2, stock:bitmap)",
    "CreateBitmap(16, 16, 1, 1, 0)",
    "CreateIconIndirect(1, 0, 0, bitmap2, bitmap1)",
    "DeleteObject(bitmap1)",
    "DeleteObject(bitmap2)",
    "DeleteDC(dc2)",
    "ReleaseDC(0, dc1)",
};

const std::vector<std::string> DigitsDrawn = {
    "TextOutA(dc2, 4, 0, \"1\", 1)", "TextOutA(dc4, 4, 0, \"2\", 1)", "TextOutA(dc6, 4, 0, \"3\", 1)",
    "TextOutA(dc8, 4, 0, \"4\", 1)", "TextOutA(dc10, 4, 0, \"5\", 1)",
};

TEST(GroupIconsSim, EachIsDrawnInItsOwnContextsAndOnlyTheIconsRemain)
{
    sim::GdiCounts before = sim::LiveGdi();
    BuildGroupIcons();
    sim::GdiCounts after = sim::LiveGdi();
    EXPECT_EQ(after.icons, before.icons + 5);
    EXPECT_EQ(after.dcs, before.dcs);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.fonts, before.fonts);

    const std::vector<std::string> &calls = sim::Calls();
    EXPECT_CALLS(FirstIconCalls,
                 std::vector<std::string>(calls.begin(), calls.begin() + std::min(calls.size(), FirstIconCalls.size())));
    EXPECT_CALLS(DigitsDrawn, sim::CallsOf({"TextOutA"}));
    for (int i = 0; i < GroupCount; i++)
        EXPECT_EQ(sim::GdiLabel(GroupIcons[i]), "icon" + std::to_string(i + 1));
}

// A failed call costs at most its own icon, and leaks nothing.
struct Failure {
    const char *function;
    int nth;
    int nullEntry;  // -1: every icon is still made
};

const Failure Failures[] = {
    {"CreateDIBSection", 3, 2},     // no pixel buffer: nothing may be written
    {"CreateBitmap", 4, 3},         // no mask
    {"CreateIconIndirect", 5, 4},
    {"CreateCompatibleDC", 1, 0},   // nothing to select the bitmap into: no digit, no icon
    {"SelectObject", 1, 0},         // the same
    {"CreateFontA", 2, -1},         // the digit in the context's own font
    {"GetDC", 1, -1},               // the memory context is then made for the screen
};

void PrintTo(const Failure &f, std::ostream *out) { *out << f.function << " call " << f.nth; }

class GroupIconsFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(GroupIconsFailure, CostsAtMostItsOwnIconAndLeaksNothing)
{
    const Failure &f = GetParam();
    sim::GdiCounts before = sim::LiveGdi();
    sim::FailCall(f.function, f.nth);
    BuildGroupIcons();
    sim::ClearFaults();

    sim::GdiCounts after = sim::LiveGdi();
    EXPECT_EQ(after.icons, before.icons + (f.nullEntry < 0 ? 5 : 4));
    EXPECT_EQ(after.dcs, before.dcs);
    EXPECT_EQ(after.bitmaps, before.bitmaps);
    EXPECT_EQ(after.fonts, before.fonts);
    for (int i = 0; i < GroupCount; i++) {
        if (i == f.nullEntry) {
            EXPECT_EQ(GroupIcons[i], nullptr) << "entry " << i;
        } else if (f.nullEntry >= 0 || std::string(f.function) == "GetDC") {
            SCOPED_TRACE("entry " + std::to_string(i));
            EXPECT_DIGIT_ICON(GroupIcons[i], (char)('1' + i));
        } else {
            EXPECT_NE(GroupIcons[i], nullptr) << "entry " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, GroupIconsFailure, ::testing::ValuesIn(Failures),
                         [](const ::testing::TestParamInfo<Failure> &info) {
                             return std::string(info.param.function) + std::to_string(info.param.nth);
                         });

TEST(GroupIconsSim, NoEntryIsSetBeforeTheyAreBuilt)
{
    for (int i = 0; i < GroupCount; i++)
        EXPECT_EQ(GroupIcons[i], nullptr);
    EXPECT_EQ(sim::LiveGdi().icons, 0);
}

} // namespace
