// Control side of the simulated desktop for the tray: screen resolution,
// live graphics objects, icon pixels, the taskbar's notification area and
// the life and death of the taskbar itself.
#pragma once

#include "sim/sim.h"

#include <string>
#include <vector>

namespace sim {

// ---- Graphics ------------------------------------------------------------
// Dots per inch that GetDeviceCaps(LOGPIXELSX/LOGPIXELSY) reports (96 at start).
void SetDpi(int dpi);
int Dpi();

// Graphics objects alive now, stock objects not counted.
struct GdiCounts {
    int dcs;      // from GetDC and CreateCompatibleDC
    int bitmaps;
    int fonts;
    int icons;
};
GdiCounts LiveGdi();

// The name a graphics handle has in the call log ("dc2", "bitmap5",
// "font1", "icon3", "IDI_APPLICATION"; "0" for null).
std::string GdiLabel(const void *handle);

// The pixels of an icon as the system keeps them.
struct IconImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> color;  // 0xAARRGGBB, top row first; empty for a monochrome icon
    std::vector<uint8_t> mask;    // 1 where the mask bit is set, top row first
};
// A live icon's image; false for anything else.
bool ReadIcon(HICON icon, IconImage *out);
// The icon as the system draws it over a background of one colour: each
// pixel 0x00RRGGBB, top row first. A colour image with any alpha is blended
// by its alpha; one without alpha goes through the mask.
std::vector<uint32_t> DrawnOver(const IconImage &icon, COLORREF background);

// ---- The notification area ---------------------------------------------------
// One icon as the taskbar holds it: its own copy of the image, as the
// shell copies the icon it is given.
struct TrayIcon {
    HWND window = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;  // 0: none
    std::string tip;
    bool hasImage = false;
    IconImage image;
    HICON givenIcon = nullptr;  // the handle the program passed
    // Each notice (balloon) shown from the icon, as "title: text".
    std::vector<std::string> notices;
};
// The icons of the taskbar that exists now, in the order they were added.
std::vector<TrayIcon> TrayIcons();
bool FindTrayIcon(HWND window, UINT id, TrayIcon *out);

// The taskbar exists but its notification area does not answer before
// simulated time `when`, as at logon: each request until then fails with a
// timeout. With lateCarried, the requests that timed out are still carried
// out, in order, once the area answers; otherwise they are lost.
void NotificationAreaReadyAt(DWORD when, bool lateCarried = false);
// Explorer goes away: the taskbar window and every icon with it.
void RemoveTaskbar();
// Explorer starts: a new taskbar with an empty notification area, then the
// registered message "TaskbarCreated" to every top-level window.
HWND StartTaskbar();
// Sends "TaskbarCreated" to every top-level window, as Explorer does once
// its taskbar is up.
void BroadcastTaskbarCreated();
// The user acts on an icon with the mouse: its callback message goes to its
// window with the icon's id and the mouse message (the convention of
// version 0). False when there is no such icon or it has no callback.
bool ClickTrayIcon(HWND window, UINT id, UINT mouseMessage);

} // namespace sim
