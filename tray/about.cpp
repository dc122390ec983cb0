#include "tray/about.h"

#include "shell/appstate.h"

const char AboutClassName[] = "PlinthwiseAboutClass";
static const char AboutTitle[] = "About Plinthwise";
static const int AboutWidth = 640;
static const int AboutHeight = 232;

// The help text's font; null while no About window exists.
static HFONT AboutFont;

// The dashes stand in column 33, so they line up in a fixed-pitch font.
static const char HelpText[] =
    "Plinthwise v1.0.0\r\n"
    "\r\n"
    "Hotkeys:\r\n"
    "  ALT+1 .. ALT+5                - switch to group\r\n"
    "  ALT+SHIFT+1 .. ALT+SHIFT+5    - drag window with you when switching to group\r\n"
    "\r\n"
    "Tray menu:\r\n"
    "  Run at login...               - register/remove the login task\r\n"
    "  Exit                          - releases all windows and quits";

static const int FontPoints = 10;
static const int PointsPerInch = 72;
// The text's place at 96 pixels per inch, scaled to the screen's resolution.
static const int DesignDpi = 96;
static const int TextLeft = 16;
static const int TextTop = 12;
static const int TextWidth = 550;
static const int TextHeight = 140;

// The help text's extent in the font: what the control needs to show every
// line whole, whatever face stands in for Consolas.
static SIZE MeasureHelpText(HDC dc, HFONT font)
{
    RECT r = {0, 0, 0, 0};
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    DrawTextA(dc, HelpText, -1, &r, DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX);
    if (previous)
        SelectObject(dc, previous);
    SIZE size = {r.right - r.left, r.bottom - r.top};
    return size;
}

// Grows the window, where it stands, until its client area holds the width
// and height given; it never shrinks below the size it was created with.
static void GrowClientTo(HWND window, int width, int height)
{
    RECT client, outer;
    if (!GetClientRect(window, &client) || !GetWindowRect(window, &outer))
        return;
    int wider = width - client.right, taller = height - client.bottom;
    if (wider <= 0 && taller <= 0)
        return;
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + (wider > 0 ? wider : 0),
                 outer.bottom - outer.top + (taller > 0 ? taller : 0), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static void CreateHelpText(HWND window)
{
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);

    // Negative: the character height without internal leading, 10 points at
    // the screen's resolution.
    HDC dc = GetDC(window);
    int pixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    int height = -MulDiv(FontPoints, pixelsPerInch, PointsPerInch);
    AboutFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, FIXED_PITCH | FF_DONTCARE, "Consolas");
    SIZE extent = MeasureHelpText(dc, AboutFont);
    ReleaseDC(window, dc);

    // The program sees physical pixels: at 125 % and more the place of the
    // text is scaled with the font, and the control and the window grow to
    // whatever the text needs, so no line is ever cut.
    int dpi = pixelsPerInch > 0 ? pixelsPerInch : DesignDpi;
    int left = MulDiv(TextLeft, dpi, DesignDpi), top = MulDiv(TextTop, dpi, DesignDpi);
    int width = MulDiv(TextWidth, dpi, DesignDpi), tall = MulDiv(TextHeight, dpi, DesignDpi);
    if (extent.cx > width)
        width = extent.cx;
    if (extent.cy > tall)
        tall = extent.cy;
    GrowClientTo(window, left + width + left, top + tall + top);

    // No SS_NOTIFY: clicks on the text go through to this window and close it.
    HWND text = CreateWindowExA(0, "STATIC", HelpText, WS_CHILD | WS_VISIBLE, left, top, width, tall, window, nullptr,
                                instance, nullptr);
    SendMessageA(text, WM_SETFONT, (WPARAM)AboutFont, TRUE);
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        CreateHelpText(window);
        return 0;
    case WM_COMMAND:
        // Esc, through the dialogue handling of the shell's message loop.
        if (LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        // The control is destroyed after this and is not drawn again.
        if (AboutFont) {
            DeleteObject(AboutFont);
            AboutFont = nullptr;
        }
        // Ends the shell's nested loop; the program goes on.
        AboutOpen = FALSE;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CentreOnScreen(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The About window runs its own loop inside this command, so that Esc and
// Enter get dialogue handling while every other message of the thread is
// still served.
void ShowAboutWindow(HWND window)
{
    if (AboutOpen)
        return;
    AboutOpen = TRUE;
    HINSTANCE instance = (HINSTANCE)GetWindowLongPtrA(window, GWLP_HINSTANCE);
    HWND about = CreateWindowExA(WS_EX_DLGMODALFRAME, AboutClassName, AboutTitle, WS_CAPTION | WS_SYSMENU,
                                 CW_USEDEFAULT, CW_USEDEFAULT, AboutWidth, AboutHeight, nullptr, nullptr, instance,
                                 nullptr);
    if (!about) {
        AboutOpen = FALSE;
        return;
    }
    CentreOnScreen(about);
    ShowWindow(about, SW_SHOW);
    MSG msg;
    while (AboutOpen) {
        if (!GetMessageA(&msg, nullptr, 0, 0)) {
            // The quit request belongs to the main loop: hand it on, so that
            // one Exit always ends the program and releases every window.
            PostQuitMessage((int)msg.wParam);
            break;
        }
        if (!IsDialogMessageA(about, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
