// Choice lists, list boxes and drop-down lists: choosing by press, tick and release, the row and
// item limits, widening, scrolling by holding the pointer below, the shard list's endings, and
// choices for a control that has closed.
#include "gumps/ChoiceLists.h"
#include "gumps/FieldFixture.h"
#include "gumps/ListBoxes.h"
#include "gumps/MessageGumps.h"
#include "mkinstall/FieldArts.h"
#include "render/GumpArt.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

constexpr int kFrame = 9300; // the sample nine-piece set

// A window at (0, 0) with a drop-down field at (10, 10), 150 x 20, that opens a list on a press.
class DropDownWindow : public FieldWindow {
  public:
    enum class Opens { ChoiceList, ListBox, DropDownList };
    DropDownWindow(Opens opens_) : FieldWindow(0, 0, 400, 300, 0x0421), opens(opens_) {
        field =
            new CInputControlGump(10, 10, this, 150, 20, FieldMode::DropDown, 40, 1, 902, false, true, false);
        field->Attach(this);
    }
    void HandleChildDropDown(CGump* child) override {
        FieldWindow::HandleChildDropDown(child);
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(field, &sx, &sy);
        switch (opens) {
        case Opens::ChoiceList: {
            auto* list = new CScrollChoiceGump(this, kFrame, sx, sy + 21, 200, 120, field, false, false);
            for (int i = 0; i < 5; ++i)
                list->AddRow(100 + i, ("row " + std::to_string(i)).c_str(), 0, nullptr, nullptr);
            list->Redraw();
            list->Attach(nullptr);
            choice = list;
            break;
        }
        case Opens::ListBox:
        case Opens::DropDownList: {
            CListBoxControlGump* list =
                opens == Opens::ListBox
                    ? new CListBoxControlGump(sx, sy + 21, mkinstall::kListStripArt, 0, 0, 1, 902, 0)
                    : new CDropDownListGump(sx, sy + 21, kFrame, 150, 5 * 14 + 4, this, 1, 902, 0);
            for (int i = 0; i < 5; ++i)
                list->AddItem(200 + i, ("item " + std::to_string(i)).c_str());
            list->OpenFor(field);
            box = list;
            break;
        }
        }
    }
    Opens opens;
    CInputControlGump* field = nullptr;
    CScrollChoiceGump* choice = nullptr;
    CListBoxControlGump* box = nullptr;
};

} // namespace

TEST_F(ControlTest, ChoiceListAsDropDownFillsTheFieldOnTheNextTickAndCloses) {
    auto* window = new DropDownWindow(DropDownWindow::Opens::ChoiceList);
    Click(30, 15);
    CScrollChoiceGump* list = window->choice;
    ASSERT_NE(list, nullptr);
    GumpRef<CScrollChoiceGump> ref(list);
    int lx = 0, ly = 0;
    CGump::GumpToScreenCoords(list, &lx, &ly);
    const int rowY = ly + list->area.top + 2 * list->rowHeight + 1; // row 2
    MoveTo(lx + 40, rowY);
    MouseManager::OnLButtonDown(lx + 40, rowY);
    EXPECT_EQ(FieldText(*window->field), "");
    MouseManager::Update(); // the first tick after the press
    EXPECT_FALSE(ref);
    EXPECT_EQ(FieldText(*window->field), "row 2");
    EXPECT_EQ(window->field->value, 102);
    EXPECT_EQ(window->Count("change"), 1);
    MouseManager::OnLButtonUp(lx + 40, rowY);
}

TEST_F(ControlTest, ChoiceForAClosedControlIsDropped) {
    auto* window = new FieldWindow(0, 0, 300, 200, 0x0421);
    auto* field = MakeField<CInputControlGump>(window, FieldMode::DropDown, 40);
    auto* list = new CScrollChoiceGump(window, kFrame, 300, 10, 200, 120, field, false, false);
    list->AddRow(1, "one", 0, nullptr, nullptr);
    list->Attach(nullptr);
    GumpRef<CScrollChoiceGump> ref(list);
    field->Close();
    CGumpManager::FreeClosedGumps();
    list->ActivateRow(list->area.left + 2, list->area.top + 1);
    EXPECT_FALSE(ref);
    EXPECT_EQ(window->Count("change"), 0);
}

TEST_F(ControlTest, ChoiceRowsStopAtOneHundredAndCutTexts) {
    auto* list = new CScrollChoiceGump(nullptr, kFrame, 0, 0, 200, 120, nullptr, false, false);
    list->Attach(nullptr);
    const std::string longText(100, 'x');
    for (int i = 0; i < 101; ++i)
        list->AddRow(i, longText.c_str(), 0, nullptr, nullptr);
    EXPECT_EQ(list->rows.count, 100);
    EXPECT_EQ(list->rows.ids[99], 99);
    EXPECT_EQ(std::string(list->rows.texts[0].data()), std::string(79, 'x'));
}

TEST(ChoiceTopRow, RangeBelowOneCountsAsOne) {
    struct Case {
        int count, position, range, top;
    } cases[] = {{10, 0, 0, 0},   {10, 1, 0, 9}, {10, 5, 10, 5},
                 {10, 10, 10, 9}, {0, 3, 7, 0},  {100, 50, -4, 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.count << " " << c.position << "/" << c.range);
        EXPECT_EQ(ChoiceTopRow(c.count, c.position, c.range), c.top);
    }
}

TEST_F(ControlTest, ShardListEndsWithConnectingAfterAChoiceAndWithTheMainMenuWithout) {
    for (bool choose : {true, false}) {
        SCOPED_TRACE(choose ? "chosen" : "closed without a choice");
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        std::vector<std::string> selected;
        int abandoned = 0;
        ShardListHookTable().selectServer = [&](int id, const char* name) {
            selected.push_back(std::to_string(id) + " " + name);
        };
        ShardListHookTable().abandoned = [&] { ++abandoned; };
        auto* list = new CScrollChoiceGump(nullptr, kFrame, 0, 0, 500, 300, nullptr, true, false);
        list->AddRow(7, "Shard Seven", 0, "-5", "10%");
        list->Attach(nullptr);
        if (choose) list->ActivateRow(list->area.left + 3, list->area.top + 1);
        list->Close();
        CGumpManager::FreeClosedGumps();
        EXPECT_EQ(selected.size(), choose ? 1u : 0u);
        EXPECT_EQ(abandoned, choose ? 0 : 1);
        CGump* modal = CGumpManager::GetModal();
        EXPECT_EQ(modal != nullptr, choose);
        if (modal) {
            EXPECT_TRUE(modal->IsWaitingGump());
            EXPECT_EQ(selected[0], "7 Shard Seven");
        }
        ShardListHookTable() = ShardListHooks{};
    }
}

// ------------------------------------------------------------------ list boxes

TEST_F(ControlTest, ListBoxItemLimitAndWidening) {
    CListBoxControlGump list(100, 50, mkinstall::kListStripArt, 0, 0, 1, 902, 0);
    EXPECT_EQ(list.width, 120);
    EXPECT_EQ(list.height, 12);
    EXPECT_FALSE(list.visible);
    list.AddItem(1, "short");
    EXPECT_EQ(list.height, 12 + 14);
    const std::string wide(60, 'm');
    int tw = 0, th = 0, tb = 0;
    FontManager::CalcInfo(1, std::string(40, 'm').c_str(), &tw, &th, &tb); // cut to 40 characters
    ASSERT_GT(tw, 120 - 12);
    list.AddItem(2, wide.c_str());
    EXPECT_EQ(std::string(list.texts[1].data()), std::string(40, 'm'));
    EXPECT_EQ(list.width, tw + 12);
    EXPECT_EQ(list.x, 100 - (tw - 120 + 12) / 2);
    for (int i = 2; i < 100; ++i)
        list.AddItem(i + 1, "x");
    const int height = list.height, width = list.width;
    list.AddItem(999, "the hundred and first, which is wider than anything before it");
    EXPECT_EQ(list.itemCount, 100);
    EXPECT_EQ(list.height, height);
    EXPECT_EQ(list.width, width);
}

TEST_F(ControlTest, AListRedrawnAsItGrowsLooksLikeOneDrawnOnceFull) {
    // Each redraw reuses the bitmap of the smaller list before it and draws the strip in place: no
    // stale row, strip end or highlight may show through.
    const char* items[] = {"one", "two", "a much wider third item", "four"};
    int artWidth = 0, top = 0;
    GetGumpArtSize(mkinstall::kListStripArt, &artWidth, &top); // the rows start below the top cap
    CListBoxControlGump grown(100, 50, mkinstall::kListStripArt, 0, 0, 1, 902, 0);
    for (int i = 0; i < 4; ++i) {
        grown.AddItem(i + 1, items[i]);
        grown.HandleCaptureMove(20, top + i * CListBoxControlGump::kRowHeight + 2);
        grown.Redraw(-1);
    }
    grown.HandleCaptureMove(20, top + 2);
    CListBoxControlGump once(100, 50, mkinstall::kListStripArt, 0, 0, 1, 902, 0);
    for (int i = 0; i < 4; ++i)
        once.AddItem(i + 1, items[i]);
    once.HandleCaptureMove(20, top + 2);
    once.Redraw(-1);
    ASSERT_EQ(grown.selected, 0);
    ASSERT_EQ(grown.Frame(0)->width, once.Frame(0)->width);
    ASSERT_EQ(grown.Frame(0)->height, once.Frame(0)->height);
    EXPECT_EQ(grown.Frame(0)->pixels, once.Frame(0)->pixels);
}

TEST_F(ControlTest, AWidenedListCentresItsStrip) {
    CListBoxControlGump list(100, 50, mkinstall::kListStripArt, 0, 0, 1, 902, 0);
    const int bare = list.height; // the two caps
    list.AddItem(1, std::string(40, 'm').c_str());
    list.Redraw(-1);
    int artWidth = 0, top = 0;
    GetGumpArtSize(mkinstall::kListStripArt, &artWidth, &top);
    ASSERT_GT(list.width, artWidth + 1);
    PixelBlock strip(artWidth, list.height);
    DrawArtStripVertical(mkinstall::kListStripArt, 3, strip, 0, 0);
    const int off = (list.width - artWidth) / 2;
    const PixelBlock& frame = *list.Frame(0);
    // The caps' rows hold no text: there the list is the strip alone, moved right by off.
    for (int y = 0; y < list.height; ++y) {
        if (y == top) y = list.height - (bare - top);
        for (int x = 0; x < list.width; ++x) {
            const uint16_t expected = x >= off && x < off + artWidth ? strip.At(x - off, y) : 0;
            ASSERT_EQ(frame.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(ControlTest, ScrollingListBoxScrollsOneRowPerTickBelowIt) {
    auto* list = new CListBoxControlGump(100, 50, mkinstall::kListStripArt, 0, 0, 1, 902, 10);
    for (int i = 0; i < 15; ++i)
        list->AddItem(i, ("item " + std::to_string(i)).c_str());
    EXPECT_EQ(list->height, 12 + 10 * 14);
    list->visible = true;
    list->Attach(nullptr);
    MouseManager::SetCapture(list);
    platform::headless::SetCursorPosition(150, 50 + list->height + 20);
    for (int i = 0; i < 8; ++i)
        MouseManager::Update();
    EXPECT_EQ(list->firstVisible, 5); // stops when the last item shows
    platform::headless::SetCursorPosition(150, 20);
    MouseManager::Update();
    EXPECT_EQ(list->firstVisible, 4);
}

TEST_F(ControlTest, ListBoxReleasedOutsideItsRowsLeavesTheControl) {
    auto* window = new DropDownWindow(DropDownWindow::Opens::ListBox);
    SetFieldText(*window->field, "before");
    MoveTo(30, 15);
    MouseManager::OnLButtonDown(30, 15);
    GumpRef<CListBoxControlGump> ref(window->box);
    ASSERT_TRUE(ref);
    MoveTo(380, 250);
    MouseManager::OnLButtonUp(380, 250);
    EXPECT_FALSE(ref);
    EXPECT_EQ(FieldText(*window->field), "before");
    EXPECT_EQ(window->Count("change"), 0);
}

TEST_F(ControlTest, ListBoxOpenedFromAFieldChoosesOnReleaseAfterADrag) {
    auto* window = new DropDownWindow(DropDownWindow::Opens::ListBox);
    MoveTo(30, 15);
    MouseManager::OnLButtonDown(30, 15);
    CListBoxControlGump* list = window->box;
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(MouseManager::GetCapture(), list);
    int lx = 0, ly = 0;
    CGump::GumpToScreenCoords(list, &lx, &ly);
    MoveTo(lx + 20, ly + 6 + 3 * 14 + 5); // item 3
    EXPECT_EQ(list->selected, 3);
    MouseManager::OnLButtonUp(lx + 20, ly + 6 + 3 * 14 + 5);
    EXPECT_EQ(FieldText(*window->field), "item 3");
    EXPECT_EQ(window->field->value, 203);
    EXPECT_EQ(window->Count("change"), 1);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
}

TEST_F(ControlTest, DropDownListChoosesOnTheNextPressAndOnlyANewValueTellsTheWindow) {
    for (int current : {0, 202}) {
        SCOPED_TRACE(current);
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        auto* window = new DropDownWindow(DropDownWindow::Opens::DropDownList);
        window->field->value = current;
        Click(30, 15);
        CListBoxControlGump* list = window->box;
        ASSERT_NE(list, nullptr);
        GumpRef<CListBoxControlGump> ref(list);
        EXPECT_TRUE(ref); // the release did not choose
        int lx = 0, ly = 0;
        CGump::GumpToScreenCoords(list, &lx, &ly);
        MoveTo(lx + 20, ly + 2 * 14 + 5);
        EXPECT_EQ(list->selected, 2);
        MouseManager::OnLButtonDown(lx + 20, ly + 2 * 14 + 5);
        EXPECT_FALSE(ref);
        EXPECT_EQ(window->Count("change"), current == 202 ? 0 : 1);
        EXPECT_EQ(window->field->value, 202);
        MouseManager::OnLButtonUp(lx + 20, ly + 2 * 14 + 5);
    }
}

TEST_F(ControlTest, PanelTellsItsOwnerAtThePressAndFillsTheControlOnTheTick) {
    auto* window = new FieldWindow(0, 0, 300, 200, 0x0421);
    auto* field = MakeField<CInputControlGump>(window, FieldMode::DropDown, 40);
    auto* panel = new CPanelChoiceGump(10, 60, 150, 80, window, field, mkinstall::kPanelArt, false);
    panel->AddRow(5, "five", 0);
    panel->AddRow(6, "six", 0);
    panel->Attach(window);
    const int rowY = 60 + panel->rowHeight + 1;
    MoveTo(20, rowY);
    MouseManager::OnLButtonDown(20, rowY);
    EXPECT_EQ(window->Count("change"), 1); // the press itself
    MouseManager::Update();
    EXPECT_EQ(FieldText(*field), "six");
    EXPECT_EQ(field->value, 6);
    EXPECT_EQ(window->Count("change"), 3); // the control, then the panel
    MouseManager::Update();
    EXPECT_EQ(window->Count("change"), 3); // every second tick while held
    MouseManager::Update();
    EXPECT_EQ(window->Count("change"), 5);
    MouseManager::OnLButtonUp(20, rowY);
    EXPECT_FALSE(panel->pressed);
}

TEST_F(ControlTest, RepaintsKeepTheFrameOrnamentsWhereTheyWere) {
    auto* list = new CScrollChoiceGump(nullptr, kFrame, 0, 0, 300, 200, nullptr, false, false);
    list->AddRow(1, "one", 0, nullptr, nullptr);
    list->Redraw();
    list->Attach(nullptr);
    const PixelBuffer first = list->Frame(0)->pixels;
    for (int i = 0; i < 5; ++i) {
        list->HandleMouseMove(list->area.left + 2, list->area.top + 1);
        list->HandleMouseMoveAway();
    }
    EXPECT_EQ(list->Frame(0)->pixels, first);
}

TEST_F(ControlTest, ListBoxChoiceForAClosedControlIsDropped) {
    auto* window = new DropDownWindow(DropDownWindow::Opens::ListBox);
    MoveTo(30, 15);
    MouseManager::OnLButtonDown(30, 15);
    CListBoxControlGump* list = window->box;
    ASSERT_NE(list, nullptr);
    GumpRef<CListBoxControlGump> ref(list);
    int lx = 0, ly = 0;
    CGump::GumpToScreenCoords(list, &lx, &ly);
    MoveTo(lx + 20, ly + 6 + 5);
    EXPECT_EQ(list->selected, 0);
    window->Close(); // the control goes with its window; the list is top-level and stays
    CGumpManager::FreeClosedGumps();
    ASSERT_TRUE(ref);
    MouseManager::OnLButtonUp(lx + 20, ly + 6 + 5);
    EXPECT_FALSE(ref);
}

TEST_F(ControlTest, ArtStripStacksItsBodyPiecesInTurnAndEndsWithTheCap) {
    PixelBlock strip(120, 60);
    DrawArtStripVertical(mkinstall::kListStripArt, 3, strip, 0, 0);
    auto colour = [](int art) { return mkinstall::SampleFieldArt(art).pixels[5 * 120 + 60]; };
    // Top cap 6 high; pieces from y = 5, 14 high each; the limit is 60 - 6 = 54, the cap at 53.
    struct Row {
        int y, art;
    } rows[] = {{2, 2485}, {10, 2486}, {25, 2487}, {40, 2488}, {50, 2486}, {57, 2489}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.y);
        EXPECT_EQ(strip.At(60, r.y), colour(r.art));
    }
    PixelBlock empty;
    DrawArtStripVertical(mkinstall::kListStripArt, 3, empty, 0, 0); // nothing to draw into
    PixelBlock far(120, 60);
    DrawArtStripVertical(mkinstall::kListStripArt, 3, far, -2000000000, 0); // ends at once
    EXPECT_EQ(far.At(60, 57), colour(2489));
}
