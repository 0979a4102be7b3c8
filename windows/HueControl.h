#pragma once
// A grid of hues embedded in another window (the appearance screen's colour choices): fixed sets
// for skin, hair and clothes. Hovering previews a hue, a press chooses it and hides the grid; the
// owner is told either way and reads the selected value. Value v is painted with hue-table entry v.
#include "gumps/CGump.h"

#include <cstdint>
#include <vector>

class CHueControlGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Other;
    static constexpr int kMaxColumns = 100;

    // mode 0 skin, 1 hair, 2 facial hair, 3 shirt, 4 pants or skirt, 5 clothes (others count as 0);
    // randomStart draws the first selected cell, else the top-left cell is selected.
    CHueControlGump(int x, int y, int width, int height, int mode, CGump* owner, int backgroundArt,
                    bool randomStart);

    void Redraw();
    // The cell under (x, y), limited to the grid, becomes the selection; false when the grid has no cells.
    bool SelectAt(int x, int y);
    // The value at a cell; 0 outside the grid.
    int ValueAt(int row, int column) const;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;

    int leftMargin = 0, topMargin = 0;
    int gridWidth = 0, gridHeight = 0;
    int selectedRow = 0, selectedColumn = 0;
    uint16_t selectedHue = 0;
    int rows = 0, columns = 0;
    int cellWidth = 0, cellHeight = 0;
    int firstHue = 0, lastHue = 0;
    int mode = 0;
    GumpRef<CGump> owner;
    int backgroundArt = 0;
    std::vector<uint16_t> values; // kMaxColumns per row
};

// The value set of a mode as the grid lays it out: values[row * 100 + column].
struct HueGridLayout {
    int rows = 0, columns = 0, firstHue = 0, lastHue = 0;
    std::vector<uint16_t> values;
};
HueGridLayout HueControlGrid(int mode);
