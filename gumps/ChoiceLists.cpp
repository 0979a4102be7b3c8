#include "gumps/ChoiceLists.h"

#include "gumps/CGumpManager.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MessageGumps.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"

#include <algorithm>
#include <cstring>

ShardListHooks& ShardListHookTable() {
    static ShardListHooks hooks;
    return hooks;
}

namespace {

void CopyCut(std::array<char, ChoiceRows::kTextBytes>& dst, const char* src) {
    dst.fill(0);
    if (src) std::strncpy(dst.data(), src, dst.size() - 1);
}

struct RowFontInfo {
    int height = 0, baseline = 0;
};
RowFontInfo RowInfo(int font) {
    int w = 0, h = 0, b = 0;
    FontManager::CalcInfo(font, "Aq", &w, &h, &b);
    return {std::max(1, h), b};
}

int ArtHeight(int art) {
    int w = 0, h = 0;
    GetGumpArtSize(art, &w, &h);
    return h;
}

void DrawArt(PixelBlock& bitmap, int art, int x, int y, const Rect& clip = kNoClip) {
    if (const GumpArtItem* item = GetGumpArt(art))
        DrawGumpArtTo(MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height), CopySpanKeyed, item,
                      clip, x, y);
}

bool Inside(const Rect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The rows from the top row down while their tops stay inside the area; draw(row, top y).
template <class F> void ForVisibleRows(const Rect& area, int topRow, int count, int rowHeight, F&& draw) {
    for (int r = std::max(0, topRow), y = area.top; r < count && y < area.bottom; ++r, y += rowHeight)
        draw(r, y);
}

// The chosen row into a drop-down control: value, text, redraw, and its owner told.
void FillControl(CInputControlGump* control, CGump* owner, const ChoiceRows& rows, int row) {
    control->value = rows.ids[static_cast<size_t>(row)];
    control->SetText(rows.texts[static_cast<size_t>(row)].data());
    control->Redraw();
    if (owner) owner->HandleChildChange(control);
}

} // namespace

int ChoiceTopRow(int count, int position, int range) {
    if (count <= 0) return 0;
    const int64_t top = int64_t{count} * position / std::max(1, range);
    return static_cast<int>(std::clamp<int64_t>(top, 0, count - 1));
}

// ------------------------------------------------------------------ rows

void ChoiceRows::Clear() {
    for (auto* column : {&texts, &second, &third})
        for (auto& t : *column)
            t.fill(0);
    for (auto& w : wide)
        w.fill(0);
}

bool ChoiceRows::Add(int id, const char* text, int hue, const char* secondText, const char* thirdText) {
    if (count >= kMaxRows) return false;
    const auto i = static_cast<size_t>(count);
    ids[i] = id;
    hues[i] = static_cast<uint16_t>(hue);
    if (text) CopyCut(texts[i], text);
    if (secondText) CopyCut(second[i], secondText);
    if (thirdText) CopyCut(third[i], thirdText);
    ++count;
    return true;
}

void ChoiceRows::SetWide(int row, const char16_t* text) {
    if (row < 0 || row >= kMaxRows) return;
    auto& w = wide[static_cast<size_t>(row)];
    w.fill(0);
    for (size_t i = 0; text && text[i] && i + 1 < w.size(); ++i)
        w[i] = text[i];
}

// ------------------------------------------------------------------ CScrollChoiceGump

CScrollChoiceGump::CScrollChoiceGump(CGump* owner_, int art, int x_, int y_, int w, int h,
                                     CInputControlGump* dropDown_, bool shard, bool unicode_)
    : CGump(x_, y_, 0, 1, w, h) {
    SetKind(GumpKind::Other, GumpTrait::kBase | GumpTrait::GameAreaRelative);
    debugName = "scrollchoice gump";
    gumpArt = art;
    owner = GumpRef<CGump>(owner_);
    dropDown = GumpRef<CInputControlGump>(dropDown_);
    hasDropDown = dropDown_ != nullptr;
    shardList = shard;
    unicode = unicode_;
    SetFrame(0, PixelBlock(w, h));
    if (shardList) {
        area = Rect{74, 10, w - 150, h - 67};
        secondColumn = Rect{w - 140, 10, w - 90, h - 67};
        thirdColumn = Rect{w - 80, 10, w - 30, h - 67};
    } else {
        area = Rect{20, 10, w - 20, h - 30};
    }
    columnX = w - 19;
    scrollTop = 1;
    scrollBottom = shardList ? h - 68 : h - 20;
    const RowFontInfo info = RowInfo(rowFont);
    rowHeight = info.height;
    baseline = info.baseline;

    thumb = new CThumbGump(columnX - 1, scrollTop + 21, true, scrollBottom, this, 254);
    thumb->Attach(this);
    auto* up = new CButtonGump(
        columnX - 1, scrollTop, this, CButtonGump::Repeat, 0,
        [](CGump* p) { static_cast<CScrollChoiceGump*>(p)->ScrollBy(-1); }, 250, 251, false);
    up->hoverArt = 250;
    up->Attach(this);
    auto* down = new CButtonGump(
        columnX - 1, scrollBottom, this, CButtonGump::Repeat, 0,
        [](CGump* p) { static_cast<CScrollChoiceGump*>(p)->ScrollBy(1); }, 252, 253, false);
    down->hoverArt = 252;
    down->Attach(this);
    if (shardList) {
        auto* caption = new CUnicodeInputControlGump(0, h - 40, this, 160, 30, FieldMode::Text, 79, 9, 995,
                                                     false, false, false);
        CWideString text;
        if (LanguageManager::isStarted()) LanguageManager::getLocalizedString(text, 1044580);
        caption->textColour = 0x7FFF;
        caption->SetText(text.GetText());
        caption->Redraw();
        caption->Attach(this);
        const struct {
            int x, art, tooltip, sort;
        } sorts[] = {{80, 2363, 100060, 0}, {188, 2366, 100059, 1}, {296, 2369, 100058, 2}};
        for (const auto& s : sorts) {
            const int kind = s.sort;
            auto* b = new CButtonGump(
                s.x, h - 40, this, CButtonGump::Repeat, 0,
                [kind](CGump*) {
                    if (ShardListHookTable().sortBy) ShardListHookTable().sortBy(kind);
                },
                s.art, s.art + 1, false);
            b->hoverArt = s.art + 2;
            b->tooltipId = s.tooltip;
            b->Attach(this);
        }
    }
    Redraw();
}

CScrollChoiceGump::~CScrollChoiceGump() {
    if (!shardList) return;
    if (!closedWithoutChoice) {
        auto* box = new CWaitingGump(-1, -1, "Connecting... ", nullptr, false, false, 0);
        if (CGump* button = box->firstChild()) button->visible = false;
        CGumpManager::SetModal(box);
    } else if (ShardListHookTable().abandoned) {
        ShardListHookTable().abandoned();
    }
}

void CScrollChoiceGump::ClearRows() {
    rows.Clear();
}

void CScrollChoiceGump::AddRow(int id, const char* text, int hue, const char* second, const char* third) {
    rows.Add(id, text, hue, second, third);
}

int CScrollChoiceGump::RowAt(int px, int py, bool hoverReach) const {
    Rect r = area;
    if (shardList && hoverReach) r.right = thirdColumn.right;
    if (!Inside(r, px, py)) return -1;
    const int row = (py - area.top) / rowHeight + topRow;
    return row < rows.count ? row : -1;
}

void CScrollChoiceGump::ScrollBy(int step) {
    const int was = topRow;
    topRow = std::clamp(topRow + step, 0, std::max(0, rows.count - 1));
    if (topRow == was) return;
    if (thumb) thumb->SetPosition(topRow, std::max(1, rows.count - 1));
    Redraw();
}

void CScrollChoiceGump::Redraw() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    PixelBlock& bitmap = *block;
    bitmap.Clear();
    const int W = width, H = height;
    DrawCachedGumpFrame(frame_, 0, 0, W - 20, shardList ? H - 45 : H, gumpArt, bitmap);
    // The scroll track between the arrows.
    const int tx = columnX - 1, h250 = ArtHeight(250), h257 = ArtHeight(257), h255 = ArtHeight(255);
    const int trackBottom = scrollBottom - h255 + 1;
    DrawArt(bitmap, 257, tx, h250);
    DrawArt(bitmap, 255, tx, trackBottom);
    TileGumpArtDown(bitmap, 256, tx, h250 + h257, trackBottom - (h250 + h257));
    const BlitTarget target = MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
    if (title[0] != 0)
        FontManager::DrawstringBuf(28, H - 88, 6, 0, title.data(), W - 40, target, kNoClip, 0, 14, false);
    ForVisibleRows(area, topRow, rows.count, rowHeight, [&](int r, int top) {
        const auto i = static_cast<size_t>(r);
        const bool hover = r == hoverRow;
        const int rowHue = rows.hues[i];
        const int hue =
            hover ? (shardList ? kShardHoverHue : kHoverHue) : (rowHue != 0 ? rowHue : kDefaultHue);
        const int ty = top + baseline;
        if (unicode) {
            FontManager::DrawWideStringEllips(area.left, ty, rowFont, hue, rows.wide[i].data(), target, area);
            return;
        }
        if (shardList)
            for (int m = 0; m < 3; ++m)
                if (marks[static_cast<size_t>(m)] == rows.ids[i])
                    DrawArt(bitmap, kMarkArt + m, 26 + 14 * m, top + 10);
        FontManager::DrawStringBufEllips(area.left, ty, rowFont, hue, rows.texts[i].data(), target, area);
        if (shardList && (hover || rowHue == 0)) {
            FontManager::DrawStringBufEllips(secondColumn.left, ty, rowFont, hue, rows.second[i].data(),
                                             target, secondColumn);
            FontManager::DrawStringBufEllips(thirdColumn.left, ty, rowFont, hue, rows.third[i].data(), target,
                                             thirdColumn);
        }
    });
}

void CScrollChoiceGump::ActivateRow(int px, int py) {
    const int row = RowAt(px, py, false);
    if (row < 0) return;
    if (hasDropDown) {
        // A choice for a control that has closed is dropped; the list goes either way.
        if (CInputControlGump* control = dropDown.get()) FillControl(control, owner.get(), rows, row);
        Close();
        return;
    }
    closedWithoutChoice = false;
    if (ShardListHookTable().selectServer)
        ShardListHookTable().selectServer(rows.ids[static_cast<size_t>(row)],
                                          rows.texts[static_cast<size_t>(row)].data());
}

void CScrollChoiceGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    if (const PixelBlock* block = Frame(0); block && !block->Empty()) {
        int sx = 0, sy = 0;
        GumpToScreenCoords(this, &sx, &sy);
        BlitPixelBlockTo(target, CopySpan, block->pixels.data(), block->width, block->height, clip, sx, sy);
    }
    for (CGump* c = lastChild(); c; c = c->previous())
        if (!c->IsClosed()) c->Draw(target, clip);
}

bool CScrollChoiceGump::IsPointInside(int px, int py) {
    return !IsClosed() && px >= 0 && py >= 0 && px < width && py < height;
}

void CScrollChoiceGump::HandleLButtonDown(int px, int py) {
    pressX = px;
    pressY = py;
    pressed = true;
    activationCounter = 1;
    BringToFront(false);
}

void CScrollChoiceGump::HandleLButtonUp(int, int) {
    pressed = false;
    MouseManager::ReleaseCaptureOf(this);
}

void CScrollChoiceGump::HandleMouseMove(int px, int py) {
    MouseManager::SetCursor(MouseManager::kNormalCursor);
    const int row = RowAt(px, py, true);
    if (row != hoverRow) {
        hoverRow = row;
        Redraw();
    }
}

void CScrollChoiceGump::HandleMouseMoveAway() {
    if (hoverRow == -1) return;
    hoverRow = -1;
    Redraw();
}

void CScrollChoiceGump::HandleMouseTick() {
    if (!pressed) return;
    if (++activationCounter < 2) return;
    activationCounter = 0;
    ActivateRow(pressX, pressY);
}

void CScrollChoiceGump::HandleThumbMove(int position, int range, CGump*) {
    topRow = ChoiceTopRow(rows.count, position, range);
    Redraw();
}

// ------------------------------------------------------------------ CPanelChoiceGump

CPanelChoiceGump::CPanelChoiceGump(int x_, int y_, int w, int h, CGump* owner_, CInputControlGump* dropDown_,
                                   int art, bool unicode_)
    : CGump(x_, y_, 0, 1, w, h) {
    SetKind(GumpKind::Other, GumpTrait::Transparency | GumpTrait::GameAreaRelative);
    debugName = "CPanelChoiceGump";
    // The art is painted into the bitmap: the base draw would draw a gump art in its place.
    panelArt = art;
    owner = GumpRef<CGump>(owner_);
    dropDown = GumpRef<CInputControlGump>(dropDown_);
    hasDropDown = dropDown_ != nullptr;
    unicode = unicode_;
    PixelBlock& bitmap = SetFrame(0, PixelBlock(w, h));
    if (art > 0 && GetGumpArt(art)) TileGumpArt(art, bitmap);
    area = Rect{0, 0, w, h};
    const RowFontInfo info = RowInfo(kRowFont);
    rowHeight = info.height;
    baseline = info.baseline;
    Redraw();
}

int CPanelChoiceGump::RowAt(int px, int py) const {
    if (!Inside(area, px, py)) return -1;
    const int row = (py - area.top) / rowHeight + topRow;
    return row < rows.count ? row : -1;
}

void CPanelChoiceGump::Redraw() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    // Drawn over what the bitmap holds: the same glyphs in another hue replace the old colours.
    const BlitTarget target = MakeBlitTarget(block->pixels.data(), block->width, block->height);
    if (title[0] != 0)
        FontManager::DrawstringBuf(28, height - 88, 6, 0, title.data(), width - 40, target, kNoClip, 0, 14,
                                   false);
    ForVisibleRows(area, topRow, rows.count, rowHeight, [&](int r, int top) {
        const auto i = static_cast<size_t>(r);
        const int hue = (r == hoverRow || panelHovered) ? 33 : (rows.hues[i] != 0 ? rows.hues[i] : 902);
        for (int m = 0; m < 3; ++m)
            if (marks[static_cast<size_t>(m)] == rows.ids[i])
                DrawArt(*block, CScrollChoiceGump::kMarkArt + m, 26 + 14 * m, top + 10);
        if (unicode)
            FontManager::DrawWideStringEllips(area.left, top + baseline, kRowFont, hue, rows.wide[i].data(),
                                              target, area);
        else
            FontManager::DrawStringBufEllips(area.left, top + baseline, kRowFont, hue, rows.texts[i].data(),
                                             target, area);
    });
}

void CPanelChoiceGump::ActivateRow(int px, int py) {
    const int row = RowAt(px, py);
    if (row < 0) return;
    if (CInputControlGump* control = dropDown.get()) FillControl(control, owner.get(), rows, row);
    if (CGump* o = owner.get()) o->HandleChildChange(this);
}

void CPanelChoiceGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CPanelChoiceGump::IsPointInside(int px, int py) {
    return !IsClosed() && px >= 0 && py >= 0 && px < width && py < height;
}

void CPanelChoiceGump::HandleLButtonDown(int px, int py) {
    pressX = px;
    pressY = py;
    pressed = true;
    activationCounter = 1;
    BringToFront(false);
    if (CGump* o = owner.get()) o->HandleChildChange(this);
}

void CPanelChoiceGump::HandleLButtonUp(int, int) {
    pressed = false;
    MouseManager::ReleaseCaptureOf(this);
}

void CPanelChoiceGump::HandleRButtonUp(int, int) {
    MouseManager::ReleaseCaptureOf(this);
}

void CPanelChoiceGump::HandleMouseMove(int px, int py) {
    MouseManager::SetCursor(MouseManager::kNormalCursor);
    const int row = RowAt(px, py);
    if (row != hoverRow || !panelHovered) {
        hoverRow = row;
        panelHovered = true;
        Redraw();
    }
}

void CPanelChoiceGump::HandleMouseMoveAway() {
    if (hoverRow == -1 && !panelHovered) return;
    hoverRow = -1;
    panelHovered = false;
    Redraw();
}

void CPanelChoiceGump::HandleMouseTick() {
    if (!pressed) return;
    if (++activationCounter < 2) return;
    activationCounter = 0;
    ActivateRow(pressX, pressY);
}

void CPanelChoiceGump::HandleThumbMove(int position, int range, CGump*) {
    topRow = ChoiceTopRow(rows.count, position, range);
    Redraw();
}
