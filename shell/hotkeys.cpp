#include "shell/hotkeys.h"

#include "shell/appstate.h"
#include "tray/notifyicon.h"
#include "workspace/groups.h"

// Slots 0..4 are the switching keys, 5..9 the carrying keys: the order in
// which the notice names them.
static const int HotkeySlotCount = 2 * GroupCount;

static struct HotkeyRecord {
    bool held[HotkeySlotCount];   // registered on MainWindow
    bool taken[HotkeySlotCount];  // last refused because another program holds it
    bool noticeDue;               // keys were taken at start and the user is not told yet
} Hotkeys;

static bool IsCarrySlot(int slot)
{
    return slot >= GroupCount;
}

static void TryRegister(int slot)
{
    int k = slot % GroupCount;
    UINT modifiers = IsCarrySlot(slot) ? MOD_ALT | MOD_SHIFT : MOD_ALT;
    int id = (IsCarrySlot(slot) ? HotkeyCarryFirst : HotkeySwitchFirst) + k;
    Hotkeys.held[slot] = RegisterHotKey(MainWindow, id, modifiers, '1' + k) != FALSE;
    // Only this refusal means another program: a key refused for any other
    // reason is tried again all the same, but not named as in use.
    Hotkeys.taken[slot] = !Hotkeys.held[slot] && GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED;
}

static bool IsTakenNow(int slot)
{
    return Hotkeys.taken[slot] && !Hotkeys.held[slot];
}

// "ALT+3, ALT+4 and ALT+SHIFT+3 are in use by another program"; false when
// no key is taken now.
static bool ComposeNotice(char *text)
{
    int count = 0;
    for (int slot = 0; slot < HotkeySlotCount; slot++)
        count += IsTakenNow(slot);
    if (count == 0)
        return false;
    char *end = text;
    int named = 0;
    for (int slot = 0; slot < HotkeySlotCount; slot++) {
        if (!IsTakenNow(slot))
            continue;
        const char *joint = named == 0 ? "" : named == count - 1 ? " and " : ", ";
        end += wsprintfA(end, "%sALT+%s%d", joint, IsCarrySlot(slot) ? "SHIFT+" : "", slot % GroupCount + 1);
        named++;
    }
    wsprintfA(end, count == 1 ? " is in use by another program" : " are in use by another program");
    return true;
}

// The notice waits for the tray icon (an add refused at logon is retried at
// the tick) and is given once. It names the keys still taken when it goes;
// if every one has come back meanwhile there is nothing left to say.
static void GiveNoticeIfDue()
{
    if (!Hotkeys.noticeDue)
        return;
    char text[TrayNoticeSize];
    if (!ComposeNotice(text) || ShowTrayNotice(text))
        Hotkeys.noticeDue = false;
}

void RegisterHotkeys()
{
    for (int k = 0; k < GroupCount; k++) {
        TryRegister(k);
        TryRegister(GroupCount + k);
    }
    for (int slot = 0; slot < HotkeySlotCount; slot++)
        if (IsTakenNow(slot))
            Hotkeys.noticeDue = true;
    GiveNoticeIfDue();
}

// A refused RegisterHotKey costs little, and nothing at all once every key
// is held.
void RetryMissingHotkeys()
{
    for (int slot = 0; slot < HotkeySlotCount; slot++)
        if (!Hotkeys.held[slot])
            TryRegister(slot);
    GiveNoticeIfDue();
}

void UnregisterHotkeys()
{
    for (int k = 0; k < GroupCount; k++) {
        if (Hotkeys.held[k])
            UnregisterHotKey(MainWindow, HotkeySwitchFirst + k);
        if (Hotkeys.held[GroupCount + k])
            UnregisterHotKey(MainWindow, HotkeyCarryFirst + k);
        Hotkeys.held[k] = Hotkeys.held[GroupCount + k] = false;
    }
}
