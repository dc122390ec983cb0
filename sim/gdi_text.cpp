// Fonts and text output of the simulated desktop. Every font, whatever its
// face, is drawn from one built-in 5 x 7 raster design, scaled to the
// font's height (positive: cell height; negative: character height without
// internal leading), emboldened from FW_SEMIBOLD up, and smoothed at the
// edges unless the font asks for NONANTIALIASED_QUALITY. That is enough for
// tests to see which characters were drawn, where, how big and in which
// colour.
#include "sim/gdi_internal.h"

#include <math.h>
#include <string.h>

namespace sim {

// The design cell: one row of internal leading, seven of ascent, two of
// descent; five columns of glyph and one of spacing.
static const int CellRows = 10;
static const int LeadingRows = 1;
static const int DescentRows = 2;
static const int GlyphColumns = 5;
static const int GlyphRows = 7;

// Characters 0x20 to 0x7E, seven rows of five columns each.
static const char *const Glyphs[95] = {
    "....." "....." "....." "....." "....." "....." ".....",  // space
    "..#.." "..#.." "..#.." "..#.." "..#.." "....." "..#..",  // !
    ".#.#." ".#.#." ".#.#." "....." "....." "....." ".....",  // "
    ".#.#." ".#.#." "#####" ".#.#." "#####" ".#.#." ".#.#.",  // #
    "..#.." ".####" "#.#.." ".###." "..#.#" "####." "..#..",  // $
    "##..." "##..#" "...#." "..#.." ".#..." "#..##" "...##",  // %
    ".##.." "#..#." "#.#.." ".#..." "#.#.#" "#..#." ".##.#",  // &
    "..#.." "..#.." "..#.." "....." "....." "....." ".....",  // '
    "...#." "..#.." ".#..." ".#..." ".#..." "..#.." "...#.",  // (
    ".#..." "..#.." "...#." "...#." "...#." "..#.." ".#...",  // )
    "....." "..#.." "#.#.#" ".###." "#.#.#" "..#.." ".....",  // *
    "....." "..#.." "..#.." "#####" "..#.." "..#.." ".....",  // +
    "....." "....." "....." "....." ".##.." "..#.." ".#...",  // ,
    "....." "....." "....." "#####" "....." "....." ".....",  // -
    "....." "....." "....." "....." "....." ".##.." ".##..",  // .
    "....." "....#" "...#." "..#.." ".#..." "#...." ".....",  // /
    ".###." "#...#" "#..##" "#.#.#" "##..#" "#...#" ".###.",  // 0
    "..#.." ".##.." "..#.." "..#.." "..#.." "..#.." ".###.",  // 1
    ".###." "#...#" "....#" "...#." "..#.." ".#..." "#####",  // 2
    "#####" "...#." "..#.." "...#." "....#" "#...#" ".###.",  // 3
    "...#." "..##." ".#.#." "#..#." "#####" "...#." "...#.",  // 4
    "#####" "#...." "####." "....#" "....#" "#...#" ".###.",  // 5
    "..##." ".#..." "#...." "####." "#...#" "#...#" ".###.",  // 6
    "#####" "....#" "...#." "..#.." ".#..." ".#..." ".#...",  // 7
    ".###." "#...#" "#...#" ".###." "#...#" "#...#" ".###.",  // 8
    ".###." "#...#" "#...#" ".####" "....#" "...#." ".##..",  // 9
    "....." ".##.." ".##.." "....." ".##.." ".##.." ".....",  // :
    "....." ".##.." ".##.." "....." ".##.." "..#.." ".#...",  // ;
    "...#." "..#.." ".#..." "#...." ".#..." "..#.." "...#.",  // <
    "....." "....." "#####" "....." "#####" "....." ".....",  // =
    ".#..." "..#.." "...#." "....#" "...#." "..#.." ".#...",  // >
    ".###." "#...#" "....#" "...#." "..#.." "....." "..#..",  // ?
    ".###." "#...#" "....#" ".##.#" "#.#.#" "#.#.#" ".###.",  // @
    ".###." "#...#" "#...#" "#####" "#...#" "#...#" "#...#",  // A
    "####." "#...#" "#...#" "####." "#...#" "#...#" "####.",  // B
    ".###." "#...#" "#...." "#...." "#...." "#...#" ".###.",  // C
    "###.." "#..#." "#...#" "#...#" "#...#" "#..#." "###..",  // D
    "#####" "#...." "#...." "####." "#...." "#...." "#####",  // E
    "#####" "#...." "#...." "####." "#...." "#...." "#....",  // F
    ".###." "#...#" "#...." "#.###" "#...#" "#...#" ".####",  // G
    "#...#" "#...#" "#...#" "#####" "#...#" "#...#" "#...#",  // H
    ".###." "..#.." "..#.." "..#.." "..#.." "..#.." ".###.",  // I
    "..###" "...#." "...#." "...#." "...#." "#..#." ".##..",  // J
    "#...#" "#..#." "#.#.." "##..." "#.#.." "#..#." "#...#",  // K
    "#...." "#...." "#...." "#...." "#...." "#...." "#####",  // L
    "#...#" "##.##" "#.#.#" "#.#.#" "#...#" "#...#" "#...#",  // M
    "#...#" "#...#" "##..#" "#.#.#" "#..##" "#...#" "#...#",  // N
    ".###." "#...#" "#...#" "#...#" "#...#" "#...#" ".###.",  // O
    "####." "#...#" "#...#" "####." "#...." "#...." "#....",  // P
    ".###." "#...#" "#...#" "#...#" "#.#.#" "#..#." ".##.#",  // Q
    "####." "#...#" "#...#" "####." "#.#.." "#..#." "#...#",  // R
    ".####" "#...." "#...." ".###." "....#" "....#" "####.",  // S
    "#####" "..#.." "..#.." "..#.." "..#.." "..#.." "..#..",  // T
    "#...#" "#...#" "#...#" "#...#" "#...#" "#...#" ".###.",  // U
    "#...#" "#...#" "#...#" "#...#" "#...#" ".#.#." "..#..",  // V
    "#...#" "#...#" "#...#" "#.#.#" "#.#.#" "#.#.#" ".#.#.",  // W
    "#...#" "#...#" ".#.#." "..#.." ".#.#." "#...#" "#...#",  // X
    "#...#" "#...#" "#...#" ".#.#." "..#.." "..#.." "..#..",  // Y
    "#####" "....#" "...#." "..#.." ".#..." "#...." "#####",  // Z
    ".###." ".#..." ".#..." ".#..." ".#..." ".#..." ".###.",  // [
    "....." "#...." ".#..." "..#.." "...#." "....#" ".....",  // backslash
    ".###." "...#." "...#." "...#." "...#." "...#." ".###.",  // ]
    "..#.." ".#.#." "#...#" "....." "....." "....." ".....",  // ^
    "....." "....." "....." "....." "....." "....." "#####",  // _
    ".#..." "..#.." "...#." "....." "....." "....." ".....",  // `
    "....." "....." ".###." "....#" ".####" "#...#" ".####",  // a
    "#...." "#...." "#.##." "##..#" "#...#" "#...#" "####.",  // b
    "....." "....." ".###." "#...." "#...." "#...#" ".###.",  // c
    "....#" "....#" ".##.#" "#..##" "#...#" "#...#" ".####",  // d
    "....." "....." ".###." "#...#" "#####" "#...." ".###.",  // e
    "..##." ".#..#" ".#..." "###.." ".#..." ".#..." ".#...",  // f
    ".####" "#...#" "#...#" ".####" "....#" "....#" ".###.",  // g (descends)
    "#...." "#...." "#.##." "##..#" "#...#" "#...#" "#...#",  // h
    "..#.." "....." ".##.." "..#.." "..#.." "..#.." ".###.",  // i
    "...#." "....." "..##." "...#." "...#." "#..#." ".##..",  // j (descends)
    "#...." "#...." "#..#." "#.#.." "##..." "#.#.." "#..#.",  // k
    ".##.." "..#.." "..#.." "..#.." "..#.." "..#.." ".###.",  // l
    "....." "....." "##.#." "#.#.#" "#.#.#" "#...#" "#...#",  // m
    "....." "....." "#.##." "##..#" "#...#" "#...#" "#...#",  // n
    "....." "....." ".###." "#...#" "#...#" "#...#" ".###.",  // o
    "####." "#...#" "#...#" "####." "#...." "#...." "#....",  // p (descends)
    ".####" "#...#" "#...#" ".####" "....#" "....#" "....#",  // q (descends)
    "....." "....." "#.##." "##..#" "#...." "#...." "#....",  // r
    "....." "....." ".####" "#...." ".###." "....#" "####.",  // s
    ".#..." ".#..." "###.." ".#..." ".#..." ".#..#" "..##.",  // t
    "....." "....." "#...#" "#...#" "#...#" "#..##" ".##.#",  // u
    "....." "....." "#...#" "#...#" "#...#" ".#.#." "..#..",  // v
    "....." "....." "#...#" "#...#" "#.#.#" "#.#.#" ".#.#.",  // w
    "....." "....." "#...#" ".#.#." "..#.." ".#.#." "#...#",  // x
    "#...#" "#...#" "#...#" ".####" "....#" "#...#" ".###.",  // y (descends)
    "....." "....." "#####" "...#." "..#.." ".#..." "#####",  // z
    "...#." "..#.." "..#.." ".#..." "..#.." "..#.." "...#.",  // {
    "..#.." "..#.." "..#.." "..#.." "..#.." "..#.." "..#..",  // |
    ".#..." "..#.." "..#.." "...#." "..#.." "..#.." ".#...",  // }
    "....." "....." ".#..." "#.#.#" "...#." "....." ".....",  // ~
};

// A character the design lacks is drawn as an empty box.
static const char *const MissingGlyph = "#####" "#...#" "#...#" "#...#" "#...#" "#...#" "#####";

static bool Descends(unsigned char c)
{
    return c == 'g' || c == 'j' || c == 'p' || c == 'q' || c == 'y';
}

// Whether the design pixel at (column, row) of the cell is ink.
static bool Ink(unsigned char c, bool bold, int column, int row)
{
    const char *glyph = c >= 0x20 && c <= 0x7E ? Glyphs[c - 0x20] : MissingGlyph;
    int top = LeadingRows + (Descends(c) ? DescentRows : 0);
    int r = row - top;
    if (r < 0 || r >= GlyphRows)
        return false;
    auto at = [&](int col) { return col >= 0 && col < GlyphColumns && glyph[r * GlyphColumns + col] == '#'; };
    // Bold as GDI synthesises it: every stroke one column wider.
    return at(column) || (bold && at(column - 1));
}

HFONT StockFont()
{
    GdiState &g = G();
    if (!g.stockFont) {
        g.stockFont = (HFONT)NewGdi(GdiKind::Font, true, "stock:SYSTEM_FONT");
        LOGFONTA &lf = FindGdi(g.stockFont, GdiKind::Font)->font;
        lf.lfHeight = 16;
        lf.lfWeight = FW_BOLD;
        strcpy(lf.lfFaceName, "System");
    }
    return g.stockFont;
}

static uint32_t Blend(uint32_t under, COLORREF ink, double coverage)
{
    int rgb[3] = {GetRValue(ink), GetGValue(ink), GetBValue(ink)};
    uint32_t out = 0;
    for (int i = 0; i < 3; i++) {
        int below = (int)(under >> (16 - 8 * i)) & 255;
        int v = (int)lround(below + (rgb[i] - below) * coverage);
        out |= (uint32_t)v << (16 - 8 * i);
    }
    return out;
}

static uint32_t RgbOf(COLORREF c)
{
    return (uint32_t)GetRValue(c) << 16 | (uint32_t)GetGValue(c) << 8 | GetBValue(c);
}

// The scale of the design in a font: design pixels to device pixels.
static void ScaleOf(const LOGFONTA &lf, double *sx, double *sy)
{
    *sy = lf.lfHeight > 0 ? lf.lfHeight / (double)CellRows
                          : lf.lfHeight < 0 ? -lf.lfHeight / (double)(CellRows - LeadingRows) : 1.6;
    *sx = lf.lfWidth > 0 ? lf.lfWidth / (double)GlyphColumns : *sy;
}

// Draws one string into a 32-bit bitmap: the cell of each character from
// (x, y), its top-left corner.
static void DrawText(GdiBitmap &b, const GdiDc &dc, const LOGFONTA &lf, int x, int y, const char *text, int length)
{
    double sx, sy;
    ScaleOf(lf, &sx, &sy);
    bool bold = lf.lfWeight >= 600;
    bool smooth = lf.lfQuality != NONANTIALIASED_QUALITY;
    int advance = GlyphColumns + 1 + (bold ? 1 : 0);
    int cellHeight = (int)lround(CellRows * sy);
    const int Samples = 4;
    for (int i = 0; i < length; i++) {
        unsigned char c = (unsigned char)text[i];
        int left = x + (int)lround(i * advance * sx);
        int right = x + (int)lround((i + 1) * advance * sx);
        for (int py = y; py < y + cellHeight; py++) {
            if (py < 0 || py >= b.height)
                continue;
            for (int px = left; px < right; px++) {
                if (px < 0 || px >= b.width)
                    continue;
                int hits = 0;
                for (int sj = 0; sj < Samples; sj++) {
                    for (int si = 0; si < Samples; si++) {
                        double dx = (px - left + (si + 0.5) / Samples) / sx;
                        double dy = (py - y + (sj + 0.5) / Samples) / sy;
                        hits += Ink(c, bold, (int)floor(dx), (int)floor(dy));
                    }
                }
                double coverage = hits / (double)(Samples * Samples);
                if (!smooth)
                    coverage = coverage >= 0.5 ? 1.0 : 0.0;
                uint32_t under = ReadArgb(b, px, py) & 0x00FFFFFF;
                if (dc.bkMode == OPAQUE)
                    under = RgbOf(dc.bkColor);
                if (coverage > 0 || dc.bkMode == OPAQUE)
                    WriteRgb(b, px, py, Blend(under, dc.textColor, coverage));
            }
        }
    }
}

} // namespace sim

using namespace sim;

// Only the measuring form: the extent of the lines in the selected font,
// each as wide as its characters' advances, as tall as a cell.
int DrawTextA(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format)
{
    Log("DrawTextA", "%s, %d, %#x", GdiLabel(dc).c_str(), length, format);
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    if (!o || !text || !rect || !(format & DT_CALCRECT) || ShouldFail("DrawTextA"))
        return 0;
    GdiObject *font = FindGdi(o->dc.font ? (const void *)o->dc.font : StockFont(), GdiKind::Font);
    const LOGFONTA &lf = font->font;
    double sx, sy;
    ScaleOf(lf, &sx, &sy);
    int advance = GlyphColumns + 1 + (lf.lfWeight >= 600 ? 1 : 0);
    std::string all = length < 0 ? std::string(text) : std::string(text, (size_t)length);
    size_t widest = 0, lines = 0;
    for (size_t start = 0;; lines++) {
        size_t end = all.find('\n', start);
        std::string line = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        widest = line.size() > widest ? line.size() : widest;
        if (end == std::string::npos) {
            lines++;
            break;
        }
        start = end + 1;
    }
    int cellHeight = (int)lround(CellRows * sy);
    rect->right = rect->left + (int)lround((double)widest * advance * sx);
    rect->bottom = rect->top + (int)lines * cellHeight;
    return (int)lines * cellHeight;
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face)
{
    Log("CreateFontA", "%d, %d, %d, %d, %d, %u, %u, %u, %u, %u, %u, %u, %u, %s", height, width, escapement,
        orientation, weight, italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality,
        pitchAndFamily, face ? face : "0");
    if (ShouldFail("CreateFontA"))
        return nullptr;
    HFONT h = (HFONT)NewGdi(GdiKind::Font, false);
    LOGFONTA &lf = FindGdi(h, GdiKind::Font)->font;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = (BYTE)italic;
    lf.lfUnderline = (BYTE)underline;
    lf.lfStrikeOut = (BYTE)strikeOut;
    lf.lfCharSet = (BYTE)charSet;
    lf.lfOutPrecision = (BYTE)outPrecision;
    lf.lfClipPrecision = (BYTE)clipPrecision;
    lf.lfQuality = (BYTE)quality;
    lf.lfPitchAndFamily = (BYTE)pitchAndFamily;
    if (face) {
        strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    return h;
}

int SetBkMode(HDC dc, int mode)
{
    Log("SetBkMode", "%s, %d", GdiLabel(dc).c_str(), mode);
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    if (!o || (mode != TRANSPARENT && mode != OPAQUE) || ShouldFail("SetBkMode"))
        return 0;
    int old = o->dc.bkMode;
    o->dc.bkMode = mode;
    return old;
}

COLORREF SetTextColor(HDC dc, COLORREF color)
{
    Log("SetTextColor", "%s, %#x", GdiLabel(dc).c_str(), color);
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    if (!o || ShouldFail("SetTextColor"))
        return CLR_INVALID;
    COLORREF old = o->dc.textColor;
    o->dc.textColor = color & 0x00FFFFFF;
    return old;
}

COLORREF SetBkColor(HDC dc, COLORREF color)
{
    Log("SetBkColor", "%s, %#x", GdiLabel(dc).c_str(), color);
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    if (!o || ShouldFail("SetBkColor"))
        return CLR_INVALID;
    COLORREF old = o->dc.bkColor;
    o->dc.bkColor = color & 0x00FFFFFF;
    return old;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int length)
{
    std::string shown = text && length > 0 ? std::string(text, (size_t)length) : std::string();
    Log("TextOutA", "%s, %d, %d, \"%s\", %d", GdiLabel(dc).c_str(), x, y, shown.c_str(), length);
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    if (!o || length < 0 || (length > 0 && !text) || ShouldFail("TextOutA"))
        return FALSE;
    GdiObject *font = FindGdi(o->dc.font, GdiKind::Font);
    GdiObject *target = FindGdi(o->dc.bitmap, GdiKind::Bitmap);
    // Only a 32-bit bitmap keeps what is drawn; a window's device context
    // and the 1 x 1 bitmap of a fresh memory context show nothing.
    if (font && target && target->bitmap.bpp == 32)
        DrawText(target->bitmap, o->dc, font->font, x, y, text, length);
    return TRUE;
}
