#include "tests/wincheck.h"

#include <algorithm>
#include <sstream>


bool RunningUnderWine()
{
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

bool RunningOnWindows()
{
#ifdef _WIN32
    return !RunningUnderWine();
#else
    return false;
#endif
}

void CheckWindow(const char *file, int line, HWND window, bool visible, UINT showCmd)
{
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    bool placed = GetWindowPlacement(window, &placement) != FALSE;
    bool isVisible = IsWindowVisible(window) != FALSE;
    if (placed && isVisible == visible && placement.showCmd == showCmd)
        return;
    ADD_FAILURE_AT(file, line) << "window " << window << ": expected " << (visible ? "visible" : "hidden")
                               << " with showCmd " << showCmd << ", is " << (isVisible ? "visible" : "hidden")
                               << (placed ? " with showCmd " + std::to_string(placement.showCmd)
                                          : std::string(" and GetWindowPlacement failed"));
}

std::vector<HWND> ZOrderWalk()
{
    std::vector<HWND> out;
    for (HWND w = GetTopWindow(nullptr); w && out.size() < 100000; w = GetWindow(w, GW_HWNDNEXT))
        out.push_back(w);
    return out;
}

// Each window's position in the Z order (-1: not found); whether they stand
// in the order given.
static bool StackingPositions(const std::vector<HWND> &topFirst, std::vector<long> &positions)
{
    std::vector<HWND> z = ZOrderWalk();
    bool ordered = true;
    for (HWND w : topFirst) {
        auto it = std::find(z.begin(), z.end(), w);
        long pos = it == z.end() ? -1 : (long)(it - z.begin());
        if (pos < 0 || (!positions.empty() && pos <= positions.back()))
            ordered = false;
        positions.push_back(pos);
    }
    return ordered;
}

bool InStackingOrder(const std::vector<HWND> &topFirst)
{
    std::vector<long> positions;
    return StackingPositions(topFirst, positions);
}

void CheckStacking(const char *file, int line, const std::vector<HWND> &topFirst)
{
    std::vector<long> positions;
    if (StackingPositions(topFirst, positions))
        return;
    std::ostringstream text;
    text << "expected top to bottom:";
    for (size_t i = 0; i < topFirst.size(); i++)
        text << " " << topFirst[i] << "@" << positions[i];
    ADD_FAILURE_AT(file, line) << text.str() << " (position in the Z order, -1: not found)";
}

void CheckProp(const char *file, int line, HWND window, const char *name, bool present)
{
    bool has = GetPropA(window, name) != nullptr;
    if (has != present)
        ADD_FAILURE_AT(file, line) << "window " << window << (present ? " lacks " : " carries ") << "property "
                                   << name;
}

void CheckCalls(const char *file, int line, const std::vector<std::string> &expected,
                const std::vector<std::string> &actual)
{
    if (expected == actual)
        return;
    std::ostringstream text;
    text << "call sequence differs\n";
    size_t n = std::max(expected.size(), actual.size());
    for (size_t i = 0; i < n; i++) {
        const std::string e = i < expected.size() ? expected[i] : "-";
        const std::string a = i < actual.size() ? actual[i] : "-";
        text << (e == a ? "    " : " >> ") << e << std::string(e.size() < 44 ? 44 - e.size() : 1, ' ') << a
             << "\n";
    }
    ADD_FAILURE_AT(file, line) << text.str();
}

void CheckHelpTextWhole(const char *file, int line, HWND about)
{
    ::testing::ScopedTrace trace(file, line, "the About window's text");
    HWND text = GetWindow(about, GW_CHILD);
    ASSERT_NE(text, nullptr);
    HDC dc = GetDC(text);
    HGDIOBJ previous = SelectObject(dc, (HGDIOBJ)SendMessageA(text, WM_GETFONT, 0, 0));
    char shown[512];
    GetWindowTextA(text, shown, sizeof shown);
    RECT need = {0, 0, 0, 0};
    DrawTextA(dc, shown, -1, &need, DT_CALCRECT | DT_EXPANDTABS);
    SelectObject(dc, previous);
    ReleaseDC(text, dc);
    RECT place, client;
    GetWindowRect(text, &place);
#ifdef _WIN32
    MapWindowPoints(NULL, about, (POINT *)&place, 2);
#endif  // the simulated desktop keeps a child's rectangle in its parent's client coordinates
    GetClientRect(about, &client);
    EXPECT_GE(place.right - place.left, need.right) << "the widest line is cut";
    EXPECT_GE(place.bottom - place.top, need.bottom) << "the last lines are cut";
    EXPECT_GE(place.left, 0);
    EXPECT_GE(place.top, 0);
    EXPECT_LE(place.right, client.right) << "the control reaches past the window";
    EXPECT_LE(place.bottom, client.bottom) << "the control reaches past the window";
}
