// Graphics objects of the simulated desktop: device contexts, bitmaps and
// DIB sections with real pixel buffers, selection, deletion and the rules
// GDI enforces on them (a bitmap sits in one device context at a time, a
// selected object cannot be deleted), and reading bitmaps back.
#include "sim/gdi_internal.h"
#include "sim/sim_system.h"

#include <string.h>

namespace sim {

static const char *const KindNames[] = {"dc", "bitmap", "font", "icon"};

GdiState &G()
{
    static GdiState state;
    return state;
}

GdiObject *FindGdi(const void *handle, GdiKind kind)
{
    if (!handle)
        return nullptr;
    auto it = G().objects.find(handle);
    return it == G().objects.end() || it->second.kind != kind ? nullptr : &it->second;
}

const void *NewGdi(GdiKind kind, bool stock, const char *label)
{
    GdiState &g = G();
    const void *h = (const void *)g.nextHandle;
    g.nextHandle += 4;
    GdiObject &o = g.objects[h];
    o.kind = kind;
    o.stock = stock;
    if (label) {
        g.labels[h] = label;
    } else {
        int n = ++g.serial[(int)kind];
        g.labels[h] = KindNames[(int)kind] + std::to_string(n);
    }
    return h;
}

std::string GdiLabel(const void *handle)
{
    if (!handle)
        return "0";
    auto it = G().labels.find(handle);
    if (it != G().labels.end())
        return it->second;
    char text[32];
    snprintf(text, sizeof text, "%#lx", (unsigned long)(uintptr_t)handle);
    return text;
}

static HBITMAP StockBitmap()
{
    GdiState &g = G();
    if (!g.stockBitmap) {
        g.stockBitmap = (HBITMAP)NewGdi(GdiKind::Bitmap, true, "stock:bitmap");
        GdiBitmap &b = FindGdi(g.stockBitmap, GdiKind::Bitmap)->bitmap;
        b.width = b.height = 1;
        b.bpp = 1;
        b.stride = 2;
        b.bits.assign(2, 0);
    }
    return g.stockBitmap;
}

HBITMAP NewBitmap(int width, int height, int bpp)
{
    HBITMAP h = (HBITMAP)NewGdi(GdiKind::Bitmap, false);
    GdiBitmap &b = FindGdi(h, GdiKind::Bitmap)->bitmap;
    b.width = width;
    b.height = height;
    b.bpp = bpp;
    // Rows of a device-dependent bitmap are WORD-aligned.
    b.stride = bpp == 1 ? (width + 15) / 16 * 2 : width * 4;
    b.bits.assign((size_t)b.stride * height, 0);
    return h;
}

uint8_t *RowOf(GdiBitmap &b, int y)
{
    return b.bits.data() + (size_t)b.stride * (b.topDown ? y : b.height - 1 - y);
}

const uint8_t *RowOf(const GdiBitmap &b, int y)
{
    return b.bits.data() + (size_t)b.stride * (b.topDown ? y : b.height - 1 - y);
}

static int Shift(DWORD mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        s++;
    }
    return s;
}

static int Width(DWORD mask)
{
    int n = 0;
    for (; mask; mask &= mask - 1)
        n++;
    return n;
}

static BYTE Extract(DWORD pixel, DWORD mask)
{
    int bits = Width(mask);
    if (!bits)
        return 0;
    DWORD v = (pixel & mask) >> Shift(mask);
    return bits >= 8 ? (BYTE)(v >> (bits - 8)) : (BYTE)(v * 255 / ((1u << bits) - 1));
}

static DWORD Pack(BYTE value, DWORD mask)
{
    int bits = Width(mask);
    if (!bits)
        return 0;
    DWORD v = bits >= 8 ? (DWORD)value << (bits - 8) : (DWORD)(value * ((1u << bits) - 1) / 255);
    return (v << Shift(mask)) & mask;
}

uint32_t ReadArgb(const GdiBitmap &b, int x, int y)
{
    DWORD p;
    memcpy(&p, RowOf(b, y) + x * 4, 4);
    DWORD colour = b.masks[0] | b.masks[1] | b.masks[2];
    BYTE a = b.masks[3] ? Extract(p, b.masks[3]) : (BYTE)((p & ~colour) >> 24);
    return (uint32_t)a << 24 | (uint32_t)Extract(p, b.masks[0]) << 16 | (uint32_t)Extract(p, b.masks[1]) << 8 |
           Extract(p, b.masks[2]);
}

void WriteRgb(GdiBitmap &b, int x, int y, uint32_t rgb)
{
    uint8_t *at = RowOf(b, y) + x * 4;
    DWORD p = Pack((BYTE)(rgb >> 16), b.masks[0]) | Pack((BYTE)(rgb >> 8), b.masks[1]) | Pack((BYTE)rgb, b.masks[2]);
    memcpy(at, &p, 4);
}

bool ReadBit(const GdiBitmap &b, int x, int y)
{
    return (RowOf(b, y)[x / 8] >> (7 - x % 8)) & 1;
}

static bool AnySelects(HGDIOBJ object)
{
    for (auto &entry : G().objects)
        if (entry.second.kind == GdiKind::Dc && (entry.second.dc.bitmap == object || entry.second.dc.font == object))
            return true;
    return false;
}

static HDC NewDc(HWND window, bool memory)
{
    HDC h = (HDC)NewGdi(GdiKind::Dc, false);
    GdiDc &dc = FindGdi(h, GdiKind::Dc)->dc;
    dc.window = window;
    dc.memory = memory;
    dc.bitmap = memory ? StockBitmap() : nullptr;
    dc.font = StockFont();
    return h;
}

void SetDpi(int dpi) { G().dpi = dpi; }
int Dpi() { return G().dpi; }

GdiCounts LiveGdi()
{
    GdiCounts c = {0, 0, 0, 0};
    for (auto &entry : G().objects) {
        if (entry.second.stock)
            continue;
        switch (entry.second.kind) {
        case GdiKind::Dc: c.dcs++; break;
        case GdiKind::Bitmap: c.bitmaps++; break;
        case GdiKind::Font: c.fonts++; break;
        case GdiKind::Icon: c.icons++; break;
        }
    }
    return c;
}

} // namespace sim

using namespace sim;

HDC GetDC(HWND window)
{
    Log("GetDC", "%s", Label(window).c_str());
    if ((window && !Find(window)) || ShouldFail("GetDC"))
        return nullptr;
    return NewDc(window, false);
}

int ReleaseDC(HWND window, HDC dc)
{
    Log("ReleaseDC", "%s, %s", Label(window).c_str(), GdiLabel(dc).c_str());
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    // Only a device context from GetDC, given back for its own window.
    if (!o || o->dc.memory || o->dc.window != window)
        return 0;
    G().objects.erase(dc);
    return 1;
}

HDC CreateCompatibleDC(HDC dc)
{
    Log("CreateCompatibleDC", "%s", GdiLabel(dc).c_str());
    if ((dc && !FindGdi(dc, GdiKind::Dc)) || ShouldFail("CreateCompatibleDC"))
        return nullptr;
    return NewDc(nullptr, true);
}

BOOL DeleteDC(HDC dc)
{
    Log("DeleteDC", "%s", GdiLabel(dc).c_str());
    GdiObject *o = FindGdi(dc, GdiKind::Dc);
    // A device context from GetDC goes back with ReleaseDC.
    if (!o || !o->dc.memory)
        return FALSE;
    if (GdiObject *b = FindGdi(o->dc.bitmap, GdiKind::Bitmap))
        b->bitmap.selectedInto = nullptr;
    G().objects.erase(dc);
    return TRUE;
}

int GetDeviceCaps(HDC dc, int index)
{
    Log("GetDeviceCaps", "%s, %d", GdiLabel(dc).c_str(), index);
    if (!FindGdi(dc, GdiKind::Dc) || ShouldFail("GetDeviceCaps"))
        return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        // A process that declares no awareness is told 96 and scaled up
        // by the system.
        return Manifest().dpiAwareness == "Unaware" ? 96 : G().dpi;
    case HORZRES:
        return D().screenWidth;
    case VERTRES:
        return D().screenHeight;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    default:
        return 0;
    }
}

BOOL GdiFlush() { return TRUE; }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    Log("SelectObject", "%s, %s", GdiLabel(dc).c_str(), GdiLabel(object).c_str());
    GdiObject *d = FindGdi(dc, GdiKind::Dc);
    if (!d || ShouldFail("SelectObject"))
        return nullptr;
    if (GdiObject *f = FindGdi(object, GdiKind::Font)) {
        (void)f;
        HGDIOBJ old = d->dc.font;
        d->dc.font = (HFONT)object;
        return old;
    }
    GdiObject *b = FindGdi(object, GdiKind::Bitmap);
    // Bitmaps go only into memory device contexts, and into one at a time.
    if (!b || !d->dc.memory)
        return nullptr;
    if (!b->stock && b->bitmap.selectedInto && b->bitmap.selectedInto != dc)
        return nullptr;
    HGDIOBJ old = d->dc.bitmap;
    if (GdiObject *previous = FindGdi(old, GdiKind::Bitmap))
        previous->bitmap.selectedInto = nullptr;
    if (!b->stock)
        b->bitmap.selectedInto = dc;
    d->dc.bitmap = (HBITMAP)object;
    return old;
}

BOOL DeleteObject(HGDIOBJ object)
{
    Log("DeleteObject", "%s", GdiLabel(object).c_str());
    auto it = G().objects.find(object);
    if (!object || it == G().objects.end())
        return FALSE;
    GdiObject &o = it->second;
    // Device contexts and icons have calls of their own.
    if (o.kind == GdiKind::Dc || o.kind == GdiKind::Icon)
        return FALSE;
    if (o.stock)
        return TRUE;  // deleting a stock object is allowed and does nothing
    if (AnySelects(object))
        return FALSE;
    G().objects.erase(it);
    return TRUE;
}

int GetObjectA(HANDLE object, int size, LPVOID out)
{
    Log("GetObjectA", "%s, %d", GdiLabel(object).c_str(), size);
    if (ShouldFail("GetObjectA"))
        return 0;
    if (GdiObject *f = FindGdi(object, GdiKind::Font)) {
        if (!out)
            return (int)sizeof(LOGFONTA);
        int n = size < (int)sizeof(LOGFONTA) ? size : (int)sizeof(LOGFONTA);
        memcpy(out, &f->font, n);
        return n;
    }
    GdiObject *o = FindGdi(object, GdiKind::Bitmap);
    if (!o)
        return 0;
    if (!out)
        return (int)sizeof(BITMAP);
    if (size < (int)sizeof(BITMAP))
        return 0;
    const GdiBitmap &b = o->bitmap;
    BITMAP bm = {};
    bm.bmWidth = b.width;
    bm.bmHeight = b.height;
    bm.bmWidthBytes = b.stride;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = (WORD)b.bpp;
    bm.bmBits = b.dibSection ? (LPVOID)b.bits.data() : nullptr;
    memcpy(out, &bm, sizeof bm);
    return (int)sizeof bm;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO *info, UINT usage, void **bits, HANDLE section, DWORD offset)
{
    const BITMAPINFOHEADER *h = info ? &info->bmiHeader : nullptr;
    // The colour masks follow a plain header and lie inside a V4 or V5 one.
    const DWORD *masks = nullptr;
    if (h && h->biCompression == BI_BITFIELDS)
        masks = h->biSize >= 108 ? (const DWORD *)((const BYTE *)h + 40) : (const DWORD *)info->bmiColors;
    Log("CreateDIBSection", "%s, {%u, %d, %d, %u, %u, %u, %#x, %#x, %#x, %#x}, %u, %s, %u", GdiLabel(dc).c_str(),
        h ? h->biSize : 0, h ? h->biWidth : 0, h ? h->biHeight : 0, h ? h->biPlanes : 0, h ? h->biBitCount : 0,
        h ? h->biCompression : 0, masks ? masks[0] : 0, masks ? masks[1] : 0, masks ? masks[2] : 0,
        masks && h->biSize >= 108 ? masks[3] : 0, usage, section ? "section" : "0", offset);
    if (bits)
        *bits = nullptr;
    if (!h || (h->biSize != 40 && h->biSize != 108 && h->biSize != 124) || h->biWidth <= 0 || h->biHeight == 0 ||
        h->biPlanes != 1 || ShouldFail("CreateDIBSection"))
        return nullptr;
    // Only what the program draws into: 32-bit pixels, in memory of our own.
    if (h->biBitCount != 32 || (h->biCompression != BI_RGB && h->biCompression != BI_BITFIELDS) || section ||
        usage != DIB_RGB_COLORS)
        return nullptr;
    if (masks && (!masks[0] || !masks[1] || !masks[2]))
        return nullptr;
    int height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    HBITMAP result = (HBITMAP)NewGdi(GdiKind::Bitmap, false);
    GdiBitmap &b = FindGdi(result, GdiKind::Bitmap)->bitmap;
    b.width = h->biWidth;
    b.height = height;
    b.bpp = 32;
    b.stride = h->biWidth * 4;
    b.dibSection = true;
    b.topDown = h->biHeight < 0;
    if (masks) {
        for (int i = 0; i < 3; i++)
            b.masks[i] = masks[i];
        b.masks[3] = h->biSize >= 108 ? masks[3] : 0;
    }
    // Windows promises nothing about the first contents; a pattern here
    // shows up any pixel the program forgets to set.
    b.bits.assign((size_t)b.stride * height, 0xCD);
    if (bits)
        *bits = b.bits.data();
    return result;
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void *bits)
{
    Log("CreateBitmap", "%d, %d, %u, %u, %s", width, height, planes, bitCount, bits ? "bits" : "0");
    if (width <= 0 || height <= 0 || planes != 1 || (bitCount != 1 && bitCount != 32) || ShouldFail("CreateBitmap"))
        return nullptr;
    HBITMAP result = NewBitmap(width, height, (int)bitCount);
    GdiBitmap &b = FindGdi(result, GdiKind::Bitmap)->bitmap;
    if (bits)
        memcpy(b.bits.data(), bits, b.bits.size());
    return result;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    Log("GetDIBits", "%s, %s, %u, %u, %s, %d, %u", GdiLabel(dc).c_str(), GdiLabel(bitmap).c_str(), start, lines,
        bits ? "bits" : "0", info ? (int)info->bmiHeader.biBitCount : 0, usage);
    GdiObject *o = FindGdi(bitmap, GdiKind::Bitmap);
    // The bitmap must not sit in a device context while it is read.
    if (!FindGdi(dc, GdiKind::Dc) || !o || !info || o->bitmap.selectedInto || usage != DIB_RGB_COLORS ||
        ShouldFail("GetDIBits"))
        return 0;
    const GdiBitmap &b = o->bitmap;
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biSize < 40)
        return 0;
    if (!bits && h.biBitCount == 0) {
        // Describe the bitmap.
        h.biWidth = b.width;
        h.biHeight = b.height;
        h.biPlanes = 1;
        h.biBitCount = (WORD)b.bpp;
        h.biCompression = BI_RGB;
        h.biSizeImage = (DWORD)(((b.width * b.bpp + 31) / 32) * 4 * b.height);
        return 1;
    }
    if ((h.biBitCount != 32 && h.biBitCount != 1) || h.biWidth != b.width || h.biPlanes != 1)
        return 0;
    int stride = ((b.width * h.biBitCount + 31) / 32) * 4;
    int wanted = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    h.biSizeImage = (DWORD)(stride * wanted);
    if (h.biBitCount == 1) {
        // The caller's colour table has room for two entries.
        RGBQUAD *colors = info->bmiColors;
        RGBQUAD black = {0, 0, 0, 0}, white = {255, 255, 255, 0};
        colors[0] = black;
        colors[1] = white;
    }
    if (!bits)
        return (int)lines;
    int copied = 0;
    for (UINT i = start; i < start + lines && (int)i < b.height && (int)i < wanted; i++) {
        // Scan line 0 is the bottom row of a bottom-up request.
        int y = h.biHeight < 0 ? (int)i : b.height - 1 - (int)i;
        uint8_t *out = (uint8_t *)bits + (size_t)stride * (i - start);
        for (int x = 0; x < b.width; x++) {
            uint32_t argb = b.bpp == 32 ? ReadArgb(b, x, y) : (ReadBit(b, x, y) ? 0x00FFFFFFu : 0u);
            if (h.biBitCount == 32) {
                memcpy(out + x * 4, &argb, 4);
            } else {
                int luminance = ((argb >> 16 & 255) * 3 + (argb >> 8 & 255) * 6 + (argb & 255)) / 10;
                uint8_t bit = (uint8_t)(0x80 >> (x % 8));
                out[x / 8] = luminance >= 128 ? (uint8_t)(out[x / 8] | bit) : (uint8_t)(out[x / 8] & ~bit);
            }
        }
        copied++;
    }
    return copied;
}
