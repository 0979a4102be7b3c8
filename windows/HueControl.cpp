#include "windows/HueControl.h"

#include "core/SharedServices.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"

#include <algorithm>

HueGridLayout HueControlGrid(int mode) {
    HueGridLayout g;
    if (mode < 0 || mode > 5) mode = 0;
    if (mode == 0) {
        g.rows = 8, g.columns = 8, g.firstHue = 1001, g.lastHue = 1057;
    } else if (mode <= 2) {
        g.rows = 8, g.columns = 6, g.firstHue = 1101, g.lastHue = 1148;
    } else {
        g.rows = 50, g.columns = 20, g.firstHue = 1, g.lastHue = 1001;
    }
    g.values.assign(static_cast<size_t>(g.rows) * CHueControlGump::kMaxColumns, 0);
    auto put = [&](int r, int c, int v) {
        g.values[static_cast<size_t>(r) * CHueControlGump::kMaxColumns + static_cast<size_t>(c)] =
            static_cast<uint16_t>(std::min(v, g.lastHue));
    };
    if (mode <= 2) {
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.columns; ++c)
                put(r, c, g.firstHue + r + 8 * c);
        return g;
    }
    // Each row starts at the base plus a doubling step; past the set the base moves on by one.
    int base = 1, step = 100;
    for (int r = 0; r < g.rows; ++r) {
        step *= 2;
        int start = base + step;
        if (start > g.lastHue) {
            ++base;
            step = 100;
            start = base + step;
        }
        for (int c = 0; c < g.columns; ++c)
            put(r, c, start + 5 * c);
    }
    return g;
}

CHueControlGump::CHueControlGump(int x_, int y_, int w, int h, int mode_, CGump* owner_, int art,
                                 bool randomStart)
    : CGump(x_, y_, 0, 1, w, h) {
    SetKind(kKind, GumpTrait::kBase | GumpTrait::HueLike);
    debugName = "hue control";
    mode = mode_ < 0 || mode_ > 5 ? 0 : mode_;
    HueGridLayout grid = HueControlGrid(mode);
    rows = grid.rows;
    columns = grid.columns;
    firstHue = grid.firstHue;
    lastHue = grid.lastHue;
    values = std::move(grid.values);
    owner = GumpRef<CGump>(owner_);
    backgroundArt = art;
    if (randomStart) {
        selectedRow = RandomBelow(rows);
        selectedColumn = RandomBelow(columns);
    }
    selectedHue = static_cast<uint16_t>(ValueAt(selectedRow, selectedColumn));
    cellWidth = std::max(0, w) / columns;
    cellHeight = std::max(0, h) / rows;
    gridWidth = cellWidth * columns;
    gridHeight = cellHeight * rows;
    leftMargin = (std::max(0, w) - gridWidth) / 2;
    topMargin = (std::max(0, h) - gridHeight) / 2;
    SetFrame(0, PixelBlock(std::max(1, w), std::max(1, h)));
    Redraw();
}

int CHueControlGump::ValueAt(int row, int column) const {
    if (row < 0 || row >= rows || column < 0 || column >= columns) return 0;
    return values[static_cast<size_t>(row) * kMaxColumns + static_cast<size_t>(column)];
}

void CHueControlGump::Redraw() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    block->Clear();
    if (backgroundArt > 0 && GetGumpArt(backgroundArt)) TileGumpArt(backgroundArt, *block);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const uint16_t colour = HueManager::ResolveHueColours(ValueAt(r, c))[16];
            const int left = leftMargin + c * cellWidth, top = topMargin + r * cellHeight;
            for (int y = top; y < top + cellHeight && y < block->height; ++y)
                for (int x = left; x < left + cellWidth && x < block->width; ++x)
                    block->At(x, y) = colour;
        }
    const int mx = leftMargin + selectedColumn * cellWidth + cellWidth / 2;
    const int my = topMargin + selectedRow * cellHeight + cellHeight / 2;
    if (block->Contains(mx, my)) block->At(mx, my) = 0x7FFF;
}

bool CHueControlGump::SelectAt(int px, int py) {
    if (cellWidth <= 0 || cellHeight <= 0) return false;
    selectedColumn = std::clamp((px - leftMargin) / cellWidth, 0, columns - 1);
    selectedRow = std::clamp((py - topMargin) / cellHeight, 0, rows - 1);
    selectedHue = static_cast<uint16_t>(ValueAt(selectedRow, selectedColumn));
    return true;
}

void CHueControlGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (visible) CGump::Draw(target, clip);
}

bool CHueControlGump::IsPointInside(int px, int py) {
    const PixelBlock* block = Frame(0);
    return visible && !IsClosed() && block && block->Contains(px, py);
}

void CHueControlGump::HandleLButtonDown(int px, int py) {
    if (!SelectAt(px, py)) return;
    if (CGump* o = owner.get()) o->HandleChildChange(this);
    // A chosen hue closes the grid; the press is over for it.
    visible = false;
    MouseManager::ReleaseCaptureOf(this);
    Redraw();
}

void CHueControlGump::HandleLButtonUp(int, int) {
    MouseManager::ReleaseCaptureOf(this);
}

void CHueControlGump::HandleRButtonUp(int, int) {
    MouseManager::ReleaseCaptureOf(this);
}

void CHueControlGump::HandleMouseMove(int px, int py) {
    CGump::HandleMouseMove(px, py);
    if (!visible || !SelectAt(px, py)) return;
    Redraw();
    if (CGump* o = owner.get()) o->HandleChildChange(this);
}
