// Popup menus and message boxes of the simulated desktop. Both are modal:
// the test's chooser or answerer stands for the user, and may itself act on
// the desktop (press keys, let time pass) while the menu or box is open.
#include "sim/desktop.h"
#include "sim/sim_dialogs.h"

namespace sim {

static std::map<HMENU, std::vector<MenuItem>> menus;
static uintptr_t nextMenu = 0x3000010;
static std::function<UINT_PTR(const ShownMenu &)> menuChooser;
static std::vector<ShownMenu> menusShown;
static std::function<int(const ShownMessageBox &)> boxAnswerer;
static std::vector<ShownMessageBox> boxesShown;

void OnMenu(std::function<UINT_PTR(const ShownMenu &)> chooser) { menuChooser = std::move(chooser); }
const std::vector<ShownMenu> &MenusShown() { return menusShown; }
size_t LiveMenus() { return menus.size(); }
void OnMessageBox(std::function<int(const ShownMessageBox &)> answerer) { boxAnswerer = std::move(answerer); }
const std::vector<ShownMessageBox> &MessageBoxesShown() { return boxesShown; }

} // namespace sim

using namespace sim;

HMENU CreatePopupMenu()
{
    Log("CreatePopupMenu", "");
    if (ShouldFail("CreatePopupMenu"))
        return nullptr;
    HMENU h = (HMENU)nextMenu;
    nextMenu += 4;
    menus[h];
    return h;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text)
{
    Log("AppendMenuA", "%#x, %lu, %s", flags, (unsigned long)id,
        (flags & MF_SEPARATOR) || !text ? "0" : text);
    auto it = menus.find(menu);
    if (it == menus.end())
        return FALSE;
    it->second.push_back({flags, id, (flags & MF_SEPARATOR) || !text ? "" : text});
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT *)
{
    Log("TrackPopupMenu", "%#x, %d, %d, %d, %s", flags, x, y, reserved, Label(owner).c_str());
    auto it = menus.find(menu);
    if (it == menus.end() || !Find(owner))
        return FALSE;
    ShownMenu shown = {it->second, flags, x, y, owner, D().foreground};
    menusShown.push_back(shown);
    UINT_PTR chosen = menuChooser ? menuChooser(shown) : 0;
    if (!chosen)
        return FALSE;
    if (flags & TPM_RETURNCMD)
        return (BOOL)chosen;
    // The choice reaches the owner as a posted WM_COMMAND, after the menu
    // has closed.
    PostMessageA(owner, WM_COMMAND, chosen, 0);
    return TRUE;
}

BOOL DestroyMenu(HMENU menu)
{
    Log("DestroyMenu", "");
    return menus.erase(menu) ? TRUE : FALSE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    Log("MessageBoxA", "%s, %s, %s, %#x", Label(owner).c_str(), text ? text : "0", caption ? caption : "0", type);
    ShownMessageBox shown = {owner, text ? text : "", caption ? caption : "", type};
    boxesShown.push_back(shown);
    if (boxAnswerer)
        return boxAnswerer(shown);
    return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
}
