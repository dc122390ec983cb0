// The group table: growth, removal, look-ups and the minimised states.
#include <string.h>

#include "tests/engine_fixture.h"

namespace {

TEST(GroupTable, MinimisedShowStates)
{
    for (UINT s : {2u, 6u, 7u, 11u})
        EXPECT_TRUE(IsMinimizedShowCmd(s)) << s;
    for (UINT s : {0u, 1u, 3u, 4u, 5u, 8u, 9u, 10u})
        EXPECT_FALSE(IsMinimizedShowCmd(s)) << s;
}

TEST(GroupTable, GrowsFrom32ByDoubling)
{
    std::vector<HWND> windows;
    for (int i = 0; i < 33; i++)
        windows.push_back(App("App" + std::to_string(i)));
    for (int i = 0; i < 32; i++)
        AddWindowToGroup(0, windows[i]);
    EXPECT_EQ(GroupTable[0].capacity, 32);
    AddWindowToGroup(0, windows[32]);
    EXPECT_EQ(GroupTable[0].capacity, 64);
    EXPECT_EQ(GroupTable[0].count, 33);
    EXPECT_EQ(Members(0), windows);
    EXPECT_EQ(EntryOf(0, windows[32]).stackRank, 32);
}

TEST(GroupTable, RemovalFillsTheHoleWithTheLastEntry)
{
    HWND a = App("A"), b = App("B"), c = App("C"), d = App("D");
    for (HWND w : {a, b, c, d})
        AddWindowToGroup(2, w);
    RemoveWindowFromAllGroups(b);
    EXPECT_EQ(Members(2), (std::vector<HWND>{a, d, c}));
}

TEST(GroupTable, RemovalTakesEveryOccurrenceInEveryGroup)
{
    HWND a = App("A"), b = App("B");
    PutEntry(0, a, 1, 0);
    PutEntry(0, b, 1, 1);
    PutEntry(0, a, 1, 2);
    PutEntry(3, a, 1, 0);
    RemoveWindowFromAllGroups(a);
    EXPECT_EQ(Members(0), (std::vector<HWND>{b}));
    EXPECT_EQ(Members(3), (std::vector<HWND>{}));
    EXPECT_EQ(FindInAnyGroup(a), nullptr);
}

TEST(GroupTable, AddingMovesTheWindowAndReadsItsStateAfresh)
{
    HWND a = App("A"), b = App("B"), c = App("C");
    AddWindowToGroup(2, a);
    AddWindowToGroup(2, b);
    AddWindowToGroup(2, c);
    sim::OwnerShow(a, SW_SHOWMAXIMIZED);
    AddWindowToGroup(0, a);
    EXPECT_EQ(Members(2), (std::vector<HWND>{c, b}));
    EXPECT_EQ(Members(0), (std::vector<HWND>{a}));
    EXPECT_EQ(EntryOf(0, a).savedShowCmd, (UINT)SW_SHOWMAXIMIZED);
    EXPECT_EQ(EntryOf(0, a).stackRank, 0);

    // Into its own group: to the end, with its new position as rank.
    AddWindowToGroup(2, c);
    EXPECT_EQ(Members(2), (std::vector<HWND>{b, c}));
    EXPECT_EQ(EntryOf(2, c).stackRank, 1);
}

TEST(GroupTable, IneligibleWindowsAndBadIndexesChangeNothing)
{
    HWND a = App("A");
    AddWindowToGroup(1, a);
    sim::OwnerShow(a, SW_HIDE);
    AddWindowToGroup(0, a);
    EXPECT_EQ(Members(1), (std::vector<HWND>{a}));
    EXPECT_EQ(Members(0), (std::vector<HWND>{}));

    // A bad index is refused before anything is read or written: with no
    // call and no allocation, nothing can have landed past the table.
    HWND b = App("B");
    Group table[GroupCount];
    memcpy(table, GroupTable, sizeof table);
    INT current = CurrentGroup;
    size_t blocks = sim::LiveHeapBlocks();
    sim::ClearCalls();
    AddWindowToGroup(5, b);
    AddWindowToGroup(-1, b);
    EXPECT_EQ(sim::CallCount(), 0u);
    EXPECT_EQ(sim::LiveHeapBlocks(), blocks);
    EXPECT_EQ(memcmp(table, GroupTable, sizeof table), 0);
    EXPECT_EQ(CurrentGroup, current);
    EXPECT_EQ(FindInAnyGroup(b), nullptr);
    EXPECT_EQ(FindInGroup(7, b), NotFound);
}

TEST(GroupTable, FailedGrowthLeavesTheGroupAndDropsTheWindow)
{
    std::vector<HWND> windows;
    for (int i = 0; i < 33; i++) {
        windows.push_back(App("App" + std::to_string(i)));
        AddWindowToGroup(0, windows.back());
    }
    ASSERT_EQ(GroupTable[0].count, 33);
    HWND other = App("Other");
    AddWindowToGroup(1, other);
    ASSERT_EQ(Members(1), (std::vector<HWND>{other}));

    // Group 0 is at 33 of 64; fill it, then refuse the growth to 128.
    for (int i = 33; i < 64; i++)
        PutEntry(0, App("Fill" + std::to_string(i)), 1, i);
    GroupEntry *before = GroupTable[0].entries;
    sim::FailCall("HeapReAlloc");
    AddWindowToGroup(0, other);
    EXPECT_EQ(GroupTable[0].entries, before);
    EXPECT_EQ(GroupTable[0].count, 64);
    EXPECT_EQ(GroupTable[0].capacity, 64);
    // Removed from its old group first, so it is in none now; the next
    // adoption pass finds it unseen.
    EXPECT_EQ(FindInAnyGroup(other), nullptr);
    // One we marked, its hide still waiting in its program's queue, has no
    // way back but its entry: it keeps it.
    HWND marked = App("Marked");
    AddWindowToGroup(1, marked);
    sim::OwnerSetProp(marked, HiddenMarkerName, 1);
    sim::FailCall("HeapReAlloc");
    AddWindowToGroup(0, marked);
    EXPECT_EQ(Members(1), (std::vector<HWND>{marked}));
    AdoptUnseenWindows();
    EXPECT_NE(FindInAnyGroup(other), nullptr);
}

TEST(GroupTable, FirstAllocationFailureLeavesTheGroupEmpty)
{
    HWND a = App("A");
    sim::FailCall("HeapAlloc");
    AddWindowToGroup(3, a);
    EXPECT_EQ(GroupTable[3].entries, nullptr);
    EXPECT_EQ(GroupTable[3].capacity, 0);
    EXPECT_EQ(GroupTable[3].count, 0);
}

// A capacity whose doubling would overflow is refused, not wrapped.
TEST(GroupTable, GrowthRefusesAnOverflowingCapacity)
{
    GroupEntry one[1] = {};
    GroupTable[4].entries = one;
    GroupTable[4].capacity = 0x40000000;
    GroupTable[4].count = 0x40000000;
    size_t calls = sim::CallCount();
    EXPECT_FALSE(GrowGroup(4));
    EXPECT_EQ(GroupTable[4].capacity, 0x40000000);
    EXPECT_EQ(GroupTable[4].entries, one);
    EXPECT_EQ(sim::CallCount(), calls) << "no allocation may be tried";
    GroupTable[4] = Group{};
}

TEST(GroupTable, FailedPlacementKeepsShowNormal)
{
    HWND a = App("A", SW_SHOWMAXIMIZED);
    sim::FailCall("GetWindowPlacement");
    AddWindowToGroup(0, a);
    EXPECT_EQ(EntryOf(0, a).savedShowCmd, (UINT)SW_SHOWNORMAL);
}

} // namespace
