// The UTF-16 edit list: the growing last row, removing a cleared middle row with the focus moving
// up, the row limit, hidden rows, marking and Delete in fixed-rows mode, and the ASCII form's bound.
#include "gumps/EditLists.h"
#include "gumps/FieldFixture.h"
#include "mkinstall/FieldArts.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

// A window holding a list of at most maxRows rows of 20 units each.
struct EditListRig {
    FieldWindow* window;
    CUnicodeEditListGump* list;
    explicit EditListRig(int maxRows) {
        window = new FieldWindow(0, 0, 300, 250, 0x0421);
        list = new CUnicodeEditListGump(20, 20, window, 0, mkinstall::kEditListArt, maxRows, 20);
        list->Attach(window);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (int i = 0; i < list->RowCount(); ++i)
            texts.push_back(FieldText(*list->Row(i)));
        return texts;
    }
};

} // namespace

TEST_F(ControlTest, EditListGrowsByOneRowWhenTheLastIsTypedIntoAndStopsAtItsMaximum) {
    EditListRig rig(3);
    rig.list->AddLine(u"", 0);
    CUnicodeInputControlGump* last = rig.list->Row(0);
    last->HandleKey('a');
    EXPECT_EQ(rig.list->RowCount(), 2);
    last->HandleKey('b'); // no longer the last row
    EXPECT_EQ(rig.list->RowCount(), 2);
    rig.list->Row(1)->HandleKey('c');
    EXPECT_EQ(rig.list->RowCount(), 3);
    rig.list->Row(2)->HandleKey('d'); // at the maximum: nothing more
    EXPECT_EQ(rig.list->RowCount(), 3);
    const std::vector<std::string> texts{"ab", "c", "d"};
    EXPECT_EQ(rig.Texts(), texts);
    EXPECT_EQ(rig.list->Row(1)->y, 7 + 29);
    EXPECT_EQ(rig.window->Count("change"), 4);
}

TEST_F(ControlTest, EditListRemovesAClearedMiddleRowAndMovesTheFocusUp) {
    EditListRig rig(10);
    for (const char16_t* t : {u"one", u"x", u"three", u""})
        rig.list->AddLine(t, 0);
    CUnicodeInputControlGump* middle = rig.list->Row(1);
    CUnicodeInputControlGump* above = rig.list->Row(0);
    CUnicodeInputControlGump* below = rig.list->Row(2);
    CGumpManager::SetFocus(middle);
    middle->caret = 1;
    middle->HandleKey(8);
    const std::vector<std::string> texts{"one", "three", ""};
    EXPECT_EQ(rig.Texts(), texts);
    EXPECT_TRUE(middle->IsClosed());
    EXPECT_EQ(CGumpManager::GetFocus(), above);
    EXPECT_EQ(above->caret, 3);  // End went into it
    EXPECT_EQ(below->y, 7 + 29); // moved up by exactly one row
    // The list told its window from the removal and from the change.
    EXPECT_GE(rig.window->Count("change"), 1);
}

TEST_F(ControlTest, EditListHidesRowsThatDoNotFitUntilScrolled) {
    EditListRig rig(12);
    ASSERT_EQ(rig.list->height, 150);
    for (int i = 0; i < 10; ++i)
        rig.list->AddLineAscii(("row " + std::to_string(i)).c_str(), i);
    std::vector<bool> shown;
    for (int i = 0; i < 10; ++i)
        shown.push_back(rig.list->Row(i)->visible);
    // A row at 29i + 7 shows when it ends within 150 pixels: four rows.
    const std::vector<bool> want{true, true, true, true, false, false, false, false, false, false};
    EXPECT_EQ(shown, want);
    EXPECT_TRUE(rig.list->downArrow->visible);
    EXPECT_FALSE(rig.list->upArrow->visible);
    rig.list->ScrollDown();
    EXPECT_FALSE(rig.list->Row(0)->visible);
    EXPECT_TRUE(rig.list->Row(4)->visible);
    EXPECT_TRUE(rig.list->upArrow->visible);
    rig.list->ScrollUp();
    EXPECT_TRUE(rig.list->Row(0)->visible);
    EXPECT_FALSE(rig.list->upArrow->visible);
}

TEST_F(ControlTest, EditListAsciiLinesAreBoundedByTheRow) {
    EditListRig rig(2);
    const std::string huge(1023, 'q');
    rig.list->AddLineAscii(huge.c_str(), 5);
    EXPECT_EQ(rig.list->Row(0)->Length(), CUnicodeInputControlGump::kMaxLength);
    EXPECT_EQ(rig.list->Row(0)->value, 5);
}

TEST_F(ControlTest, EditListMarksThePressedRowAndDeleteRemovesItInFixedRowsMode) {
    EditListRig rig(5);
    rig.list->fixedRows = true;
    for (const char16_t* t : {u"a", u"b", u"(new)"})
        rig.list->AddLine(t, 0);
    const uint16_t normal = rig.list->Row(1)->textColour;
    int lx = 0, ly = 0;
    CGump::GumpToScreenCoords(rig.list->Row(1), &lx, &ly);
    Click(lx + 5, ly + 5);
    EXPECT_EQ(rig.list->markedRow, rig.list->Row(1));
    EXPECT_NE(rig.list->Row(1)->textColour, normal);
    EXPECT_EQ(CGumpManager::GetFocus(), rig.list); // a fixed row takes no focus
    rig.list->HandleKey(0xE02E);
    const std::vector<std::string> texts{"a", "(new)"};
    EXPECT_EQ(rig.Texts(), texts);
    // The last row is never deleted.
    CGump::GumpToScreenCoords(rig.list->Row(1), &lx, &ly);
    Click(lx + 5, ly + 5);
    rig.list->HandleKey(0xE02E);
    EXPECT_EQ(rig.list->RowCount(), 2);
}

TEST_F(ControlTest, TabMovesToTheNextRowAndDraggingTheListMovesItsWindow) {
    EditListRig rig(5);
    rig.list->AddLine(u"a", 0);
    rig.list->AddLine(u"b", 0);
    CGumpManager::SetFocus(rig.list->Row(0));
    rig.list->Row(0)->HandleKey(9);
    EXPECT_EQ(CGumpManager::GetFocus(), rig.list->Row(1));
    // A press on the list outside the rows, then a drag.
    MoveTo(20 + 170, 20 + 140);
    MouseManager::OnLButtonDown(20 + 170, 20 + 140);
    MoveTo(20 + 180, 20 + 145);
    MouseManager::OnLButtonUp(20 + 180, 20 + 145);
    EXPECT_EQ(rig.window->x, 10);
    EXPECT_EQ(rig.window->y, 5);
}
