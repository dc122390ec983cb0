// What the tray relies on in GDI and the shell's icon calls, checked against
// the simulated desktop and, under Wine, against real gdi32 and user32.
// Where the two disagree, the simulated desktop is wrong.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "tests/iconcheck.h"
#include "tests/wincheck.h"

namespace {

HBITMAP TopDownDib(HDC dc, int width, int height, bool alphaMask, uint32_t **bits)
{
    BITMAPV5HEADER h;
    memset(&h, 0, sizeof h);
    h.bV5Size = sizeof h;
    h.bV5Width = width;
    h.bV5Height = -height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = alphaMask ? BI_BITFIELDS : BI_RGB;
    if (alphaMask) {
        h.bV5RedMask = 0x00FF0000;
        h.bV5GreenMask = 0x0000FF00;
        h.bV5BlueMask = 0x000000FF;
        h.bV5AlphaMask = 0xFF000000;
    }
    void *p = NULL;
    HBITMAP b = CreateDIBSection(dc, (const BITMAPINFO *)&h, DIB_RGB_COLORS, &p, NULL, 0);
    *bits = (uint32_t *)p;
    return b;
}

class GdiConformance : public ::testing::Test {
protected:
    HDC screen = NULL;
    HDC memory = NULL;
    void SetUp() override
    {
        screen = GetDC(NULL);
        memory = CreateCompatibleDC(screen);
        ASSERT_NE(memory, nullptr);
    }
    void TearDown() override
    {
        DeleteDC(memory);
        ReleaseDC(NULL, screen);
    }
};

// A top-down DIB section: the first row in memory is the top row, and a
// pixel is blue, green, red, alpha in memory.
TEST_F(GdiConformance, TextLandsTopDownInTheTextColourAndClearsAlphaWhereItDraws)
{
    uint32_t *bits = NULL;
    HBITMAP dib = TopDownDib(screen, 32, 32, true, &bits);
    ASSERT_NE(bits, nullptr);
    for (int i = 0; i < 32 * 32; i++)
        bits[i] = 0x7F000000;  // black, alpha 0x7F
    HGDIOBJ previous = SelectObject(memory, dib);
    ASSERT_NE(previous, nullptr);
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, RGB(255, 0, 0));
    HFONT font = CreateFontA(20, 0, 0, 0, FW_HEAVY, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
    HGDIOBJ previousFont = SelectObject(memory, font);
    ASSERT_TRUE(TextOutA(memory, 2, 0, "1", 1));
    GdiFlush();
    int red = 0, other = 0, top = 32, bottom = -1;
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            uint32_t p = bits[y * 32 + x] & 0x00FFFFFF;
            if (p == 0x00FF0000) {
                red++;
                top = y < top ? y : top;
                bottom = y;
            } else if (p != 0) {
                other++;
            }
        }
    EXPECT_GT(red, 20);
    EXPECT_EQ(other, 0) << "unsmoothed text has only the text colour";
    // A 20-pixel cell: the digit stands within it, near its top.
    EXPECT_LT(top, 8);
    EXPECT_GT(bottom, 8);
    EXPECT_LT(bottom, 20);
    // GDI knows no alpha: the pixels it draws get alpha 0, the others keep theirs.
    int wrongAlpha = 0;
    for (int i = 0; i < 32 * 32; i++) {
        bool drawn = (bits[i] & 0x00FFFFFF) != 0;
        wrongAlpha += (bits[i] >> 24) != (drawn ? 0u : 0x7Fu);
    }
    EXPECT_EQ(wrongAlpha, 0);
    SelectObject(memory, previousFont);
    DeleteObject(font);
    SelectObject(memory, previous);
    DeleteObject(dib);
}

TEST_F(GdiConformance, ABitmapSitsInOneContextAtATime)
{
    uint32_t *bits = NULL;
    HBITMAP dib = TopDownDib(screen, 8, 8, false, &bits);
    HDC other = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, dib);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(SelectObject(other, dib), nullptr);
    SelectObject(memory, previous);
    HGDIOBJ previousOther = SelectObject(other, dib);
    EXPECT_NE(previousOther, nullptr);
    SelectObject(other, previousOther);
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(dib));
}

TEST_F(GdiConformance, FontsKeepTheirCreationParameters)
{
    HFONT font = CreateFontA(-17, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_DONTCARE, "Consolas");
    ASSERT_NE(font, nullptr);
    LOGFONTA lf;
    ASSERT_EQ(GetObjectA(font, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -17);
    EXPECT_EQ(lf.lfWeight, FW_NORMAL);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH | FF_DONTCARE);
    EXPECT_STREQ(lf.lfFaceName, "Consolas");
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(GetObjectA(font, sizeof lf, &lf), 0) << "a deleted font is gone";
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
}

// An icon keeps copies of its bitmaps; with no alpha anywhere it is drawn
// through its mask, and a zero mask makes every pixel opaque.
TEST_F(GdiConformance, AnIconCopiesItsBitmapsAndDrawsThroughItsMask)
{
    uint32_t *bits = NULL;
    HBITMAP colour = TopDownDib(screen, 16, 16, true, &bits);
    ASSERT_NE(bits, nullptr);
    for (int i = 0; i < 256; i++)
        bits[i] = i < 128 ? 0x00FFFFFF : 0x00000000;  // white top half, black bottom, alpha 0
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, NULL);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    for (int i = 0; i < 256; i++)
        bits[i] = 0x000000FF;  // changing the bitmap now changes nothing in the icon
    EXPECT_TRUE(DeleteObject(colour));
    EXPECT_TRUE(DeleteObject(mask));

    IconBits read;
    ASSERT_TRUE(ReadIconBits(icon, &read));
    EXPECT_EQ(read.width, 16);
    EXPECT_EQ(read.height, 16);
    EXPECT_EQ(read.color[0] & 0x00FFFFFF, 0x00FFFFFFu);
    EXPECT_EQ(read.color[255] & 0x00FFFFFF, 0u);
    EXPECT_EQ(std::count(read.mask.begin(), read.mask.end(), 0), 256);

    Pixels over = DrawIconOver(icon, 16, RGB(0, 128, 255));
    ASSERT_EQ(over.size(), 256u);
    EXPECT_EQ(over[0], 0x00FFFFFFu);
    EXPECT_EQ(over[255], 0u) << "a zero mask lets no background through";
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(GetIconInfo(icon, &info)) << "a destroyed icon is gone";
}

// The stock application icon is shared: asking twice gives the same icon.
TEST_F(GdiConformance, TheStockApplicationIconIsShared)
{
    HICON a = LoadIconA(NULL, IDI_APPLICATION);
    HICON b = LoadIconA(NULL, IDI_APPLICATION);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
}

} // namespace
