// Small user32 calls that have no home of their own yet.
#include "sim/desktop.h"

using namespace sim;

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    Log("LoadIconA", "%s, %lu", instance ? "instance" : "0", (unsigned long)(uintptr_t)name);
    // The stock application icon: a fixed handle that is never destroyed.
    if (!instance && name == IDI_APPLICATION)
        return (HICON)0x20010;
    return nullptr;
}
