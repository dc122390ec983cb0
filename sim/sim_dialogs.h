// Control side of the simulated desktop for menus and message boxes: the
// test sees what the program shows and answers for the user.
#pragma once

#include "sim/win32.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

struct MenuItem {
    UINT flags;
    UINT_PTR id;
    std::string text;
};

struct ShownMenu {
    std::vector<MenuItem> items;
    UINT flags;
    int x, y;
    HWND owner;
    HWND foregroundAtTrack;  // the foreground window when tracking began
};

// Called when the program tracks a popup menu; returns the id of the chosen
// item, or 0 to dismiss the menu. Without a chooser every menu is dismissed.
void OnMenu(std::function<UINT_PTR(const ShownMenu &)> chooser);
const std::vector<ShownMenu> &MenusShown();
size_t LiveMenus();

struct ShownMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT flags;
};

// Called when the program shows a message box; returns the button pressed
// (IDYES, IDNO, IDOK...). Without an answerer every box returns IDOK, or
// IDNO for a yes/no question.
void OnMessageBox(std::function<int(const ShownMessageBox &)> answerer);
const std::vector<ShownMessageBox> &MessageBoxesShown();

} // namespace sim
