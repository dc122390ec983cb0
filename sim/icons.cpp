// Icons of the simulated desktop: made from a colour and a mask bitmap, of
// which the icon keeps its own copies; read back as new bitmaps; drawn as
// the system draws them; and the stock application icon, which lives for
// ever.
#include "sim/gdi_internal.h"

#include <math.h>
#include <string.h>

namespace sim {

static bool HasAlpha(const IconImage &icon)
{
    for (uint32_t p : icon.color)
        if (p >> 24)
            return true;
    return false;
}

// One pixel of the icon drawn over `under` (0x00RRGGBB). An image with alpha
// is blended by it; otherwise the mask keeps the background where it is set
// and the colour is combined with it by exclusive or, so a zero mask makes
// the pixel opaque.
static uint32_t Composite(const IconImage &icon, bool alpha, int x, int y, uint32_t under, UINT flags)
{
    size_t i = (size_t)y * icon.width + x;
    uint32_t colour = icon.color.empty() ? 0 : icon.color[i] & 0x00FFFFFF;
    if (alpha && (flags & DI_NORMAL) == DI_NORMAL) {
        int a = (int)(icon.color[i] >> 24);
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            int s = (int)(colour >> shift) & 255, d = (int)(under >> shift) & 255;
            out |= (uint32_t)((s * a + d * (255 - a) + 127) / 255) << shift;
        }
        return out;
    }
    uint32_t out = under;
    if (flags & DI_MASK)
        out = icon.mask[i] ? out : 0;
    if (flags & DI_IMAGE)
        out ^= colour;
    return out & 0x00FFFFFF;
}

HICON StockIcon()
{
    GdiState &g = G();
    if (!g.stockIcon) {
        g.stockIcon = (HICON)NewGdi(GdiKind::Icon, true, "IDI_APPLICATION");
        // A small window: blue caption, white client area, dark frame.
        IconImage &icon = FindGdi(g.stockIcon, GdiKind::Icon)->icon;
        icon.width = icon.height = 32;
        icon.color.assign(32 * 32, 0xFFFFFFFF);
        icon.mask.assign(32 * 32, 0);
        for (int y = 0; y < 32; y++)
            for (int x = 0; x < 32; x++)
                if (x == 0 || y == 0 || x == 31 || y == 31)
                    icon.color[y * 32 + x] = 0xFF202020;
                else if (y < 8)
                    icon.color[y * 32 + x] = 0xFF2060C0;
    }
    return g.stockIcon;
}

bool ReadIcon(HICON icon, IconImage *out)
{
    GdiObject *o = FindGdi(icon, GdiKind::Icon);
    if (!o || !out)
        return false;
    *out = o->icon;
    return true;
}

std::vector<uint32_t> DrawnOver(const IconImage &icon, COLORREF background)
{
    uint32_t under = (uint32_t)GetRValue(background) << 16 | (uint32_t)GetGValue(background) << 8 |
                     GetBValue(background);
    bool alpha = HasAlpha(icon);
    std::vector<uint32_t> out((size_t)icon.width * icon.height);
    for (int y = 0; y < icon.height; y++)
        for (int x = 0; x < icon.width; x++)
            out[(size_t)y * icon.width + x] = Composite(icon, alpha, x, y, under, DI_NORMAL);
    return out;
}

} // namespace sim

using namespace sim;

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    Log("LoadIconA", "%s, %lu", instance ? "instance" : "0", (unsigned long)(uintptr_t)name);
    if (ShouldFail("LoadIconA"))
        return nullptr;
    // The program carries no resources; of the system's icons only the
    // application icon is there.
    if (!instance && name == IDI_APPLICATION)
        return StockIcon();
    return nullptr;
}

HICON CreateIconIndirect(PICONINFO info)
{
    Log("CreateIconIndirect", "%d, %u, %u, %s, %s", info ? info->fIcon : 0, info ? info->xHotspot : 0,
        info ? info->yHotspot : 0, info ? GdiLabel(info->hbmMask).c_str() : "0",
        info ? GdiLabel(info->hbmColor).c_str() : "0");
    if (!info || ShouldFail("CreateIconIndirect"))
        return nullptr;
    GdiObject *mask = FindGdi(info->hbmMask, GdiKind::Bitmap);
    GdiObject *colour = info->hbmColor ? FindGdi(info->hbmColor, GdiKind::Bitmap) : nullptr;
    if (!mask || (info->hbmColor && !colour))
        return nullptr;
    // The system may select both bitmaps into a device context of its own
    // while it copies them, so neither may be selected anywhere else.
    if (mask->bitmap.selectedInto || (colour && colour->bitmap.selectedInto))
        return nullptr;
    const GdiBitmap &m = mask->bitmap;
    // Without a colour bitmap the mask holds the AND half above the XOR half.
    int width = colour ? colour->bitmap.width : m.width;
    int height = colour ? colour->bitmap.height : m.height / 2;
    if (width <= 0 || height <= 0 || m.width < width || m.height < (colour ? height : 2 * height))
        return nullptr;
    IconImage image;
    image.width = width;
    image.height = height;
    image.mask.resize((size_t)width * height);
    image.color.resize((size_t)width * height);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            size_t i = (size_t)y * width + x;
            uint32_t argb;
            if (m.bpp == 1)
                image.mask[i] = ReadBit(m, x, y);
            else
                image.mask[i] = (ReadArgb(m, x, y) & 0x00FFFFFF) != 0;
            if (!colour)
                argb = ReadBit(m, x, y + height) ? 0x00FFFFFF : 0;
            else if (colour->bitmap.bpp == 32)
                argb = ReadArgb(colour->bitmap, x, y);
            else
                argb = ReadBit(colour->bitmap, x, y) ? 0x00FFFFFF : 0;
            image.color[i] = argb;
        }
    }
    HICON h = (HICON)NewGdi(GdiKind::Icon, false);
    FindGdi(h, GdiKind::Icon)->icon = std::move(image);
    return h;
}

BOOL GetIconInfo(HICON icon, PICONINFO info)
{
    Log("GetIconInfo", "%s", GdiLabel(icon).c_str());
    GdiObject *o = FindGdi(icon, GdiKind::Icon);
    if (!o || !info || ShouldFail("GetIconInfo"))
        return FALSE;
    IconImage image = o->icon;
    // New bitmaps, the caller's to delete.
    HBITMAP colour = NewBitmap(image.width, image.height, 32);
    HBITMAP mask = NewBitmap(image.width, image.height, 1);
    GdiBitmap &c = FindGdi(colour, GdiKind::Bitmap)->bitmap;
    GdiBitmap &m = FindGdi(mask, GdiKind::Bitmap)->bitmap;
    for (int y = 0; y < image.height; y++) {
        for (int x = 0; x < image.width; x++) {
            size_t i = (size_t)y * image.width + x;
            memcpy(RowOf(c, y) + x * 4, &image.color[i], 4);
            if (image.mask[i])
                RowOf(m, y)[x / 8] |= (uint8_t)(0x80 >> (x % 8));
        }
    }
    info->fIcon = TRUE;
    info->xHotspot = (DWORD)(image.width / 2);
    info->yHotspot = (DWORD)(image.height / 2);
    info->hbmMask = mask;
    info->hbmColor = colour;
    return TRUE;
}

BOOL DestroyIcon(HICON icon)
{
    Log("DestroyIcon", "%s", GdiLabel(icon).c_str());
    GdiObject *o = FindGdi(icon, GdiKind::Icon);
    // The shared stock icon is not destroyed.
    if (!o || o->stock)
        return FALSE;
    G().objects.erase(icon);
    return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH brush, UINT flags)
{
    Log("DrawIconEx", "%s, %d, %d, %s, %d, %d, %u, %s, %#x", GdiLabel(dc).c_str(), x, y, GdiLabel(icon).c_str(), width,
        height, step, brush ? "brush" : "0", flags);
    GdiObject *d = FindGdi(dc, GdiKind::Dc);
    GdiObject *o = FindGdi(icon, GdiKind::Icon);
    if (!d || !o || ShouldFail("DrawIconEx"))
        return FALSE;
    const IconImage &image = o->icon;
    width = width ? width : image.width;
    height = height ? height : image.height;
    GdiObject *target = FindGdi(d->dc.bitmap, GdiKind::Bitmap);
    if (!target || target->bitmap.bpp != 32)
        return TRUE;
    GdiBitmap &b = target->bitmap;
    bool alpha = HasAlpha(image);
    for (int j = 0; j < height; j++) {
        for (int i = 0; i < width; i++) {
            int px = x + i, py = y + j;
            if (px < 0 || py < 0 || px >= b.width || py >= b.height)
                continue;
            // Nearest pixel of the image when the size differs.
            int sx = i * image.width / width, sy = j * image.height / height;
            uint32_t under = ReadArgb(b, px, py) & 0x00FFFFFF;
            WriteRgb(b, px, py, Composite(image, alpha, sx, sy, under, flags));
        }
    }
    return TRUE;
}
