#include "tests/iconcheck.h"

#include <string.h>
#include <sstream>
#include <string>

static const int IconSize = 16;

// A top-down 32-bit DIB section and a memory device context holding it.
struct Canvas {
    HDC dc = NULL;
    HBITMAP bitmap = NULL;
    HGDIOBJ previous = NULL;
    uint32_t *bits = NULL;
};

static bool OpenCanvas(Canvas *c, int size, COLORREF fill)
{
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    c->dc = CreateCompatibleDC(screen);
    void *bits = NULL;
    c->bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    ReleaseDC(NULL, screen);
    if (!c->dc || !c->bitmap || !bits)
        return false;
    c->bits = (uint32_t *)bits;
    uint32_t rgb = (uint32_t)GetRValue(fill) << 16 | (uint32_t)GetGValue(fill) << 8 | GetBValue(fill);
    for (int i = 0; i < size * size; i++)
        c->bits[i] = rgb;
    c->previous = SelectObject(c->dc, c->bitmap);
    return c->previous != NULL;
}

static Pixels CloseCanvas(Canvas *c, int size)
{
    Pixels out;
    if (c->bits)
        for (int i = 0; i < size * size; i++)
            out.push_back(c->bits[i] & 0x00FFFFFF);
    if (c->previous)
        SelectObject(c->dc, c->previous);
    if (c->bitmap)
        DeleteObject(c->bitmap);
    if (c->dc)
        DeleteDC(c->dc);
    return out;
}

bool ReadIconBits(HICON icon, IconBits *out)
{
    ICONINFO info;
    memset(&info, 0, sizeof info);
    if (!GetIconInfo(icon, &info))
        return false;
    bool ok = info.hbmColor != NULL && info.hbmMask != NULL;
    BITMAP bm;
    memset(&bm, 0, sizeof bm);
    ok = ok && GetObjectA(info.hbmColor, sizeof bm, &bm) == (int)sizeof bm;
    int width = bm.bmWidth, height = bm.bmHeight;
    HDC screen = GetDC(NULL);
    if (ok) {
        // Room for the header and a two-entry colour table.
        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[2];
        } request;
        memset(&request, 0, sizeof request);
        request.header.biSize = sizeof request.header;
        request.header.biWidth = width;
        request.header.biHeight = -height;
        request.header.biPlanes = 1;
        request.header.biBitCount = 32;
        request.header.biCompression = BI_RGB;
        out->width = width;
        out->height = height;
        out->color.assign((size_t)width * height, 0);
        ok = GetDIBits(screen, info.hbmColor, 0, height, out->color.data(), (BITMAPINFO *)&request,
                       DIB_RGB_COLORS) == height;
        int stride = (width + 31) / 32 * 4;
        std::vector<uint8_t> rows((size_t)stride * height);
        memset(&request, 0, sizeof request);
        request.header.biSize = sizeof request.header;
        request.header.biWidth = width;
        request.header.biHeight = -height;
        request.header.biPlanes = 1;
        request.header.biBitCount = 1;
        request.header.biCompression = BI_RGB;
        ok = ok && GetDIBits(screen, info.hbmMask, 0, height, rows.data(), (BITMAPINFO *)&request,
                             DIB_RGB_COLORS) == height;
        out->mask.assign((size_t)width * height, 0);
        // A set bit reads back as the colour of entry 1 of the table.
        bool oneIsWhite = request.colors[1].rgbRed != 0;
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) {
                bool bit = (rows[(size_t)y * stride + x / 8] >> (7 - x % 8)) & 1;
                out->mask[(size_t)y * width + x] = bit == oneIsWhite;
            }
    }
    ReleaseDC(NULL, screen);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return ok;
}

Pixels DrawIconOver(HICON icon, int size, COLORREF background)
{
    Canvas c;
    bool ok = OpenCanvas(&c, size, background) && DrawIconEx(c.dc, 0, 0, icon, size, size, 0, NULL, DI_NORMAL);
    Pixels out = CloseCanvas(&c, size);
    return ok ? out : Pixels();
}

Pixels DrawReferenceDigit(char digit)
{
    Canvas c;
    bool ok = OpenCanvas(&c, IconSize, RGB(0, 0, 0));
    HFONT font = CreateFontA(15, 0, 0, 0, FW_HEAVY, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
    HGDIOBJ previousFont = ok && font ? SelectObject(c.dc, font) : NULL;
    ok = ok && previousFont != NULL;
    if (ok) {
        SetBkMode(c.dc, TRANSPARENT);
        SetTextColor(c.dc, RGB(255, 255, 255));
        ok = TextOutA(c.dc, 4, 0, &digit, 1) != FALSE;
    }
    if (previousFont)
        SelectObject(c.dc, previousFont);
    if (font)
        DeleteObject(font);
    Pixels out = CloseCanvas(&c, IconSize);
    return ok ? out : Pixels();
}

std::string PixelArt(const Pixels &pixels, int width)
{
    std::string art;
    for (size_t i = 0; i < pixels.size(); i++) {
        uint32_t p = pixels[i] & 0x00FFFFFF;
        uint32_t r = p >> 16, g = p >> 8 & 255, b = p & 255;
        art += p == 0 ? ' ' : p == 0xFFFFFF ? '#' : (r == g && g == b) ? '+' : '?';
        if ((int)(i % width) == width - 1)
            art += "|\n";
    }
    return art;
}

void CheckDigitIcon(const char *file, int line, HICON icon, char digit)
{
    IconBits bits;
    if (!icon || !ReadIconBits(icon, &bits)) {
        ADD_FAILURE_AT(file, line) << "icon for '" << digit << "' cannot be read back";
        return;
    }
    if (bits.width != IconSize || bits.height != IconSize) {
        ADD_FAILURE_AT(file, line) << "icon for '" << digit << "' is " << bits.width << " x " << bits.height;
        return;
    }
    int maskSet = 0, alpha = 0;
    for (int i = 0; i < IconSize * IconSize; i++) {
        maskSet += bits.mask[i] != 0;
        alpha += (bits.color[i] >> 24) != 0;
    }
    if (maskSet || alpha)
        ADD_FAILURE_AT(file, line) << "icon for '" << digit << "': " << maskSet << " mask bits set and " << alpha
                                   << " pixels with alpha; every pixel must be opaque through the mask";

    Pixels overRed = DrawIconOver(icon, IconSize, RGB(255, 0, 0));
    Pixels overGreen = DrawIconOver(icon, IconSize, RGB(0, 255, 0));
    if (overRed.empty() || overRed != overGreen) {
        ADD_FAILURE_AT(file, line) << "icon for '" << digit << "' lets the background through:\n"
                                   << PixelArt(overRed, IconSize);
        return;
    }
    const int corners[] = {0, IconSize - 1, IconSize * (IconSize - 1), IconSize * IconSize - 1};
    for (int c : corners)
        if (overRed[c] != 0)
            ADD_FAILURE_AT(file, line) << "icon for '" << digit << "': corner pixel " << c << " is " << std::hex
                                       << overRed[c] << ", not black";
    bool white = false, onlyGrey = true;
    for (uint32_t p : overRed) {
        white = white || p == 0xFFFFFF;
        onlyGrey = onlyGrey && (p >> 16) == (p >> 8 & 255) && (p >> 8 & 255) == (p & 255);
    }
    if (!white || !onlyGrey)
        ADD_FAILURE_AT(file, line) << "icon for '" << digit << "' must be white (and grey edges) on black:\n"
                                   << PixelArt(overRed, IconSize);

    // It shows its own digit, and tells apart from every other one.
    for (char other = '1'; other <= '5'; other++) {
        Pixels reference = DrawReferenceDigit(other);
        if (reference.empty()) {
            ADD_FAILURE_AT(file, line) << "the reference digit '" << other << "' cannot be drawn";
            continue;
        }
        if ((other == digit) != (reference == overRed))
            ADD_FAILURE_AT(file, line) << "icon for '" << digit << "' "
                                       << (other == digit ? "does not show its digit" : "looks like")
                                       << " '" << other << "':\n"
                                       << PixelArt(overRed, IconSize) << "reference:\n"
                                       << PixelArt(reference, IconSize);
    }
}
