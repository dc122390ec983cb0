// Internal state of the simulated graphics objects, shared by gdi.cpp,
// gdi_text.cpp, icons.cpp and shell.cpp. Not for the program; tests use
// sim/sim_tray.h.
#pragma once

#include "sim/desktop.h"
#include "sim/sim_tray.h"

#include <map>
#include <string>
#include <vector>

namespace sim {

enum class GdiKind { Dc, Bitmap, Font, Icon };

struct GdiBitmap {
    int width = 0;
    int height = 0;
    int bpp = 0;                 // 1 or 32
    int stride = 0;              // bytes per row in memory
    bool dibSection = false;
    bool topDown = true;         // the first row in memory is the top row
    DWORD masks[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};  // red, green, blue, alpha
    std::vector<uint8_t> bits;   // never resized, so a DIB section's pointer stays valid
    HDC selectedInto = nullptr;
};

struct GdiDc {
    HWND window = nullptr;       // the window of a GetDC device context
    bool memory = false;         // from CreateCompatibleDC
    HBITMAP bitmap = nullptr;    // memory device contexts only
    HFONT font = nullptr;
    int bkMode = OPAQUE;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
};

struct GdiObject {
    GdiKind kind = GdiKind::Dc;
    bool stock = false;
    GdiBitmap bitmap;
    LOGFONTA font = {};
    GdiDc dc;
    IconImage icon;
};

struct GdiState {
    std::map<const void *, GdiObject> objects;
    std::map<const void *, std::string> labels;  // kept after deletion
    uintptr_t nextHandle = 0x30000010;
    int serial[4] = {0, 0, 0, 0};
    int dpi = 96;
    HBITMAP stockBitmap = nullptr;  // the 1 x 1 monochrome bitmap of a new memory DC
    HFONT stockFont = nullptr;      // SYSTEM_FONT
    HICON stockIcon = nullptr;      // IDI_APPLICATION
};

GdiState &G();
// The live object of that kind, or null.
GdiObject *FindGdi(const void *handle, GdiKind kind);
// A new object of that kind with its handle and log label.
const void *NewGdi(GdiKind kind, bool stock, const char *label = nullptr);
HFONT StockFont();
HICON StockIcon();

// Pixel access by visual row (0 is the top), whatever the memory order.
uint8_t *RowOf(GdiBitmap &b, int y);
const uint8_t *RowOf(const GdiBitmap &b, int y);
// A 32-bit pixel as 0xAARRGGBB through the bitmap's masks; the alpha is
// what lies outside the colour masks when there is no alpha mask.
uint32_t ReadArgb(const GdiBitmap &b, int x, int y);
// Writes a pixel whole, as GDI does: every bit outside the colour masks (the
// alpha byte) becomes 0 where GDI draws.
void WriteRgb(GdiBitmap &b, int x, int y, uint32_t rgb);
bool ReadBit(const GdiBitmap &b, int x, int y);
// A new bitmap of the given format, all zero, with its handle.
HBITMAP NewBitmap(int width, int height, int bpp);

} // namespace sim
