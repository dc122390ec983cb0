// The group digit icons as the platform reads them back: in the sim build
// through the simulated GDI, under Wine through the real one.
#include <gtest/gtest.h>

#include "tests/iconcheck.h"
#include "tray/icons.h"

namespace {

class GroupIconsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (HICON &icon : GroupIcons) {
            if (icon)
                DestroyIcon(icon);
            icon = NULL;
        }
    }
};

TEST_F(GroupIconsTest, EachShowsItsDigitInWhiteOnOpaqueBlack)
{
    BuildGroupIcons();
    for (int i = 0; i < GroupCount; i++) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_DIGIT_ICON(GroupIcons[i], (char)('1' + i));
    }
}

TEST_F(GroupIconsTest, TheReferenceTellsEveryDigitApart)
{
    // Guards the check above: were the reference drawing blank or alike for
    // all digits, it could not tell a wrong icon from a right one.
    for (char a = '1'; a <= '5'; a++) {
        Pixels pa = DrawReferenceDigit(a);
        ASSERT_EQ(pa.size(), 256u) << a;
        int lit = 0;
        for (uint32_t p : pa)
            lit += p != 0;
        EXPECT_GT(lit, 10) << "digit " << a << " draws almost nothing:\n" << PixelArt(pa, 16);
        for (char b = (char)(a + 1); b <= '5'; b++)
            EXPECT_NE(pa, DrawReferenceDigit(b)) << a << " and " << b << " look the same";
    }
}

} // namespace
