#include "tray/icons.h"

#include <string.h>

HICON GroupIcons[GroupCount];

static const int IconSize = 16;
static const int DigitLeft = 4;
static const int DigitTop = 0;
static const int DigitCellHeight = 15;  // positive: the whole character cell
static const COLORREF White = RGB(255, 255, 255);

// One icon: a black square with the digit in white. The alpha channel stays
// 0 throughout, so the system draws the icon through its mask, which is all
// zero: every pixel is opaque.
static HICON BuildDigitIcon(char digit)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);

    BITMAPV5HEADER header = {};
    header.bV5Size = sizeof header;
    header.bV5Width = IconSize;
    header.bV5Height = -IconSize;  // top-down: the first row in memory is the top row
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void *pixels = nullptr;
    HBITMAP colour = CreateDIBSection(screen, (const BITMAPINFO *)&header, DIB_RGB_COLORS, &pixels, nullptr, 0);

    HBITMAP mask = nullptr;
    HICON icon = nullptr;
    // Without the bitmap there is no pixel buffer to clear or draw into, and
    // without a device context holding it no digit: no icon rather than a
    // blank one.
    HGDIOBJ previousBitmap = colour && pixels ? SelectObject(memory, colour) : nullptr;
    if (previousBitmap) {
        memset(pixels, 0, IconSize * IconSize * 4);
        SetBkMode(memory, TRANSPARENT);
        SetTextColor(memory, White);
        HFONT font = CreateFontA(DigitCellHeight, 0, 0, 0, FW_HEAVY, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
        HGDIOBJ previousFont = font ? SelectObject(memory, font) : nullptr;
        TextOutA(memory, DigitLeft, DigitTop, &digit, 1);
        if (previousFont)
            SelectObject(memory, previousFont);
        if (font)
            DeleteObject(font);
        // The icon can only copy a bitmap that no device context holds.
        SelectObject(memory, previousBitmap);

        mask = CreateBitmap(IconSize, IconSize, 1, 1, nullptr);
        if (mask) {
            ICONINFO info;
            info.fIcon = TRUE;
            info.xHotspot = 0;
            info.yHotspot = 0;
            info.hbmMask = mask;
            info.hbmColor = colour;
            icon = CreateIconIndirect(&info);  // takes copies of both bitmaps
        }
    }
    if (colour)
        DeleteObject(colour);
    if (mask)
        DeleteObject(mask);
    if (memory)
        DeleteDC(memory);
    if (screen)
        ReleaseDC(nullptr, screen);
    return icon;
}

void BuildGroupIcons()
{
    for (int i = 0; i < GroupCount; i++)
        GroupIcons[i] = BuildDigitIcon((char)('1' + i));
}
