// The hue grids of the appearance screen: the value sets of each mode, the selection a press or a
// hover makes, and what the owner hears.
#include "windows/HueControl.h"
#include "core/SharedServices.h"
#include "gumps/ControlFixture.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

TEST(HueControlGrid, EachModeLaysItsSetOut) {
    struct Case {
        int mode;
        int rows, columns;
        int row, column, value;
    };
    const Case cases[] = {
        {0, 8, 8, 0, 0, 1001},   {0, 8, 8, 0, 1, 1009},  {0, 8, 8, 7, 7, 1057},  {1, 8, 6, 0, 0, 1101},
        {2, 8, 6, 7, 5, 1148},   {1, 8, 6, 1, 2, 1118},  {3, 50, 20, 0, 0, 201}, {3, 50, 20, 1, 0, 401},
        {3, 50, 20, 2, 0, 801},  {3, 50, 20, 3, 0, 102}, {4, 50, 20, 4, 0, 202}, {5, 50, 20, 7, 0, 103},
        {3, 50, 20, 0, 19, 296}, {-1, 8, 8, 0, 1, 1009}, {6, 8, 8, 0, 0, 1001},
    };
    for (const Case& c : cases) {
        const HueGridLayout grid = HueControlGrid(c.mode);
        EXPECT_EQ(grid.rows, c.rows) << c.mode;
        EXPECT_EQ(grid.columns, c.columns) << c.mode;
        EXPECT_EQ(grid.values[static_cast<size_t>(c.row) * CHueControlGump::kMaxColumns +
                              static_cast<size_t>(c.column)],
                  c.value)
            << "mode " << c.mode << " row " << c.row << " column " << c.column;
    }
    // Every value of every mode lies inside its set.
    for (int mode = 0; mode <= 5; ++mode) {
        const HueGridLayout grid = HueControlGrid(mode);
        for (int r = 0; r < grid.rows; ++r)
            for (int c = 0; c < grid.columns; ++c) {
                const int v = grid.values[static_cast<size_t>(r) * CHueControlGump::kMaxColumns +
                                          static_cast<size_t>(c)];
                EXPECT_GE(v, grid.firstHue) << mode;
                EXPECT_LE(v, grid.lastHue) << mode;
            }
    }
}

class HueControlTest : public ControlTest {};

TEST_F(HueControlTest, APressChoosesAndHidesAHoverPreviews) {
    auto* window = new RecordingWindow(0, 0, 300, 400, 0x0421);
    RecordingWindow::changes = 0;
    // 125 x 280 over 6 x 8 cells: 20 x 35 each, two pixels of margin at the left.
    auto* grid = new CHueControlGump(10, 20, 125, 280, 1, window, 0, false);
    grid->Attach(window);
    EXPECT_EQ(grid->cellWidth, 20);
    EXPECT_EQ(grid->cellHeight, 35);
    EXPECT_EQ(grid->leftMargin, 2);
    EXPECT_EQ(grid->topMargin, 0);
    EXPECT_EQ(grid->selectedHue, 1101);
    EXPECT_TRUE(grid->IsHueGump());

    MoveTo(10 + 2 + 20 * 2 + 5, 20 + 35 * 3 + 5);
    EXPECT_EQ(grid->selectedHue, 1101 + 3 + 8 * 2) << "the hovered cell";
    EXPECT_EQ(window->lastChild, grid);
    const int heard = RecordingWindow::changes;
    EXPECT_GE(heard, 1);
    EXPECT_TRUE(grid->visible);

    Click(10 + 2 + 20 * 5 + 19, 20 + 35 * 7 + 34);
    EXPECT_EQ(grid->selectedHue, 1148) << "the last cell";
    EXPECT_FALSE(grid->visible) << "a chosen hue closes the grid";
    EXPECT_GT(RecordingWindow::changes, heard);
    EXPECT_FALSE(grid->IsPointInside(5, 5)) << "a hidden grid takes no clicks";

    // Points in the margins or past the grid count as its nearest cell.
    ASSERT_TRUE(grid->SelectAt(0, 0));
    EXPECT_EQ(grid->selectedHue, 1101);
    ASSERT_TRUE(grid->SelectAt(124, 279));
    EXPECT_EQ(grid->selectedRow, 7);
    EXPECT_EQ(grid->selectedColumn, 5);
    window->Close();
}

TEST_F(HueControlTest, ARandomStartStaysInTheGridAndSmallGridsHaveNoCells) {
    for (uint32_t seed = 1; seed < 40; ++seed) {
        SeedRandom(seed);
        CHueControlGump grid(0, 0, 125, 280, 3, nullptr, 0, true);
        EXPECT_GE(grid.selectedRow, 0);
        EXPECT_LT(grid.selectedRow, 50);
        EXPECT_LT(grid.selectedColumn, 20);
        EXPECT_EQ(grid.selectedHue, grid.ValueAt(grid.selectedRow, grid.selectedColumn));
    }
    // Narrower than its columns: every cell is 0 pixels wide, and a press chooses nothing.
    CHueControlGump tiny(0, 0, 10, 10, 3, nullptr, 0, false);
    EXPECT_EQ(tiny.cellWidth, 0);
    EXPECT_FALSE(tiny.SelectAt(5, 5));
    tiny.HandleLButtonDown(5, 5);
    EXPECT_EQ(tiny.selectedHue, 201);
}

} // namespace
