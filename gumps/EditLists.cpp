#include "gumps/EditLists.h"

#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"

#include <algorithm>

// ------------------------------------------------------------------ EditListBase

EditListBase::EditListBase(int x_, int y_, int w, int h) : CGump(x_, y_, 0, 1, w, h) {}

void EditListBase::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed()) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    const Rect screen{sx, sy, sx + width, sy + height};
    const Rect cut = IntersectRect(screen, clip);
    if (cut.IsEmpty()) return;
    if (const PixelBlock* block = CurrentFrame(); block && !block->Empty())
        BlitPixelBlockTo(target, CopySpanKeyed, block->pixels.data(), block->width, block->height, cut, sx,
                         sy);
    for (CGump* c = lastChild(); c; c = c->previous())
        if (!c->IsClosed() && c->visible) c->Draw(target, cut);
}

bool EditListBase::IsPointInside(int px, int py) {
    return !IsClosed() && IsPointInsideFrame(this, px, py);
}

void EditListBase::HandleLButtonDown(int px, int py) {
    BringToFront(false);
    held = true;
    pressX = px;
    pressY = py;
    clicks.Press(px, py, GetGameTicks());
}

void EditListBase::HandleLButtonUp(int, int) {
    held = false;
    longPress = false;
    clicks.Release();
    drag.dragging = false;
    MouseManager::ReleaseCaptureOf(this);
}

void EditListBase::HandleCaptureMove(int px, int py) {
    if (!held) return;
    if (clicks.Move(px, py)) longPress = true;
    CGump* window = parent() ? parent() : this;
    Rect dirty{};
    window->MoveBy(px - pressX, py - pressY, true, &dirty, true);
}

void EditListBase::HandleMouseTick() {
    if (clicks.Tick(GetGameTicks()) == ClickTracker::Event::LongPress) longPress = true;
}

// ------------------------------------------------------------------ CUnicodeEditListGump

CUnicodeEditListGump::CUnicodeEditListGump(int x_, int y_, CGump*, int, int art, int maxRows_, int rowMax)
    : EditListBase(x_, y_, 0, 0) {
    SetKind(GumpKind::UnicodeEditList, GumpTrait::kBase);
    debugName = "unicode edit list gump";
    gumpArt = art;
    maxRows = maxRows_;
    rowMaxLength = rowMax;
    GetGumpArtSize(art, &width, &height);
    SetFrame(0, PixelBlock(width, height));
    RepaintBackground();
    upArrow = new CButtonGump(
        width - 14, 8, this, CButtonGump::Repeat, 0,
        [](CGump* p) { static_cast<CUnicodeEditListGump*>(p)->ScrollUp(); }, 2435, 2435, false);
    upArrow->hoverArt = 2436;
    upArrow->visible = false;
    upArrow->Attach(this);
    downArrow = new CButtonGump(
        width - 14, height - 20, this, CButtonGump::Repeat, 0,
        [](CGump* p) { static_cast<CUnicodeEditListGump*>(p)->ScrollDown(); }, 2437, 2437, false);
    downArrow->hoverArt = 2438;
    downArrow->visible = false;
    downArrow->Attach(this);
}

uint16_t CUnicodeEditListGump::NormalColour() const {
    return HueManager::ResolveHueColours(kNormalHue)[1];
}

int CUnicodeEditListGump::IndexOf(const CGump* row) const {
    const auto it = std::find(rows_.begin(), rows_.end(), row);
    return it == rows_.end() ? -1 : static_cast<int>(it - rows_.begin());
}

void CUnicodeEditListGump::RepaintBackground() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    block->Clear();
    const BlitTarget target = MakeBlitTarget(block->pixels.data(), block->width, block->height);
    if (const GumpArtItem* item = GetGumpArt(gumpArt))
        DrawGumpArtTo(target, CopySpanKeyed, item, kNoClip, 0, 0);
    if (rows_.empty()) return;
    const int64_t rowsHeight = int64_t{RowCount() - firstVisibleIndex} * kRowStep + 13;
    const Rect clip{0, 0, block->width, static_cast<int>(std::clamp<int64_t>(rowsHeight, 0, block->height))};
    if (const GumpArtItem* item = GetGumpArt(gumpArt - 1))
        DrawGumpArtTo(target, CopySpanKeyed, item, clip, 0, 0);
}

void CUnicodeEditListGump::AddLine(const char16_t* text, int value) {
    if (RowCount() >= maxRows) return;
    const int rowY = (RowCount() - firstVisibleIndex) * kRowStep + kFirstRowY;
    auto* row = new CUnicodeInputControlGump(rowX, rowY, this, kRowWidth, kRowStep, FieldMode::Text,
                                             rowMaxLength, 1, kNormalHue, true, false, false);
    if (fixedRows) row->editable = false;
    row->visible = rowY >= kFirstRowY && rowY + kRowStep <= height;
    row->Attach(this);
    row->SetText(text);
    row->value = value;
    row->Redraw();
    rows_.push_back(row);
    if (RowCount() > firstVisibleIndex + 1) downArrow->visible = true;
    RepaintBackground();
}

void CUnicodeEditListGump::AddLineAscii(const char* text, int value) {
    std::u16string units;
    for (const char* p = text;
         p && *p && units.size() < static_cast<size_t>(CUnicodeInputControlGump::kMaxLength); ++p)
        units.push_back(static_cast<unsigned char>(*p));
    AddLine(units.c_str(), value);
}

void CUnicodeEditListGump::MoveRows(int from, int dy) {
    for (int i = from; i < RowCount(); ++i) {
        CUnicodeInputControlGump* row = Row(i);
        row->y += dy;
        row->visible = row->y >= kFirstRowY && row->y + kRowStep <= height;
    }
}

void CUnicodeEditListGump::RemoveLine(CUnicodeInputControlGump* row) {
    const int i = IndexOf(row);
    if (i < 0) return;
    if (markedRow == row) markedRow = nullptr;
    row->Close();
    rows_.erase(rows_.begin() + i);
    // Rows stand kRowStep apart whatever arts the installation has.
    MoveRows(i, -kRowStep);
    if (firstVisibleIndex + 1 >= RowCount()) downArrow->visible = false;
    RepaintBackground();
    if (CGump* p = parent()) p->HandleChildChange(this);
}

void CUnicodeEditListGump::ScrollUp() {
    if (firstVisibleIndex <= 0) return;
    --firstVisibleIndex;
    MoveRows(0, kRowStep);
    if (firstVisibleIndex == 0) upArrow->visible = false;
    downArrow->visible = true;
    RepaintBackground();
}

void CUnicodeEditListGump::ScrollDown() {
    if (firstVisibleIndex + 1 >= RowCount()) return;
    ++firstVisibleIndex;
    MoveRows(0, -kRowStep);
    if (firstVisibleIndex >= RowCount() - 1) downArrow->visible = false;
    upArrow->visible = true;
    RepaintBackground();
}

void CUnicodeEditListGump::ClearMark() {
    if (!markedRow) return;
    markedRow->textColour = markedSavedColour;
    markedRow->Redraw();
    markedRow = nullptr;
}

void CUnicodeEditListGump::HandleChildChange(CGump* child) {
    const int i = IndexOf(child);
    if (i >= 0) {
        CUnicodeInputControlGump* row = Row(i);
        const bool last = i == RowCount() - 1;
        if (last && row->Length() > 0) {
            AddLine(fixedRows ? u"(new)" : u"", 0);
        } else if (!last && row->Length() == 0) {
            CUnicodeInputControlGump* next = i > 0 ? Row(i - 1) : Row(i + 1);
            CGumpManager::KillFocus();
            CGumpManager::SetFocus(next);
            next->HandleKey(FieldKey::End);
            next->Redraw();
            if (next->y < 8) ScrollUp();
            RemoveLine(row);
        } else if (row->textColour != NormalColour()) {
            row->textColour = NormalColour();
            row->Redraw();
        }
    }
    if (CGump* p = parent()) p->HandleChildChange(this);
}

void CUnicodeEditListGump::HandleChildMouseDown(CGump* child) {
    ClearMark();
    const int i = IndexOf(child);
    if (i < 0) return;
    markedRow = Row(i);
    markedSavedColour = markedRow->textColour;
    markedRow->textColour = HueManager::ResolveHueColours(kMarkHue)[1];
    markedRow->Redraw();
    CGumpManager::SetFocus(this);
}

void CUnicodeEditListGump::HandleKey(int key) {
    if (!fixedRows || key != FieldKey::Delete || !markedRow) return;
    if (IndexOf(markedRow) == RowCount() - 1) return;
    RemoveLine(markedRow);
}

void CUnicodeEditListGump::HandleTabKey() {
    const int i = IndexOf(CGumpManager::GetFocus());
    if (i < 0 || i + 1 >= RowCount()) return;
    CUnicodeInputControlGump* next = Row(i + 1);
    CGumpManager::KillFocus();
    CGumpManager::SetFocus(next);
    next->Redraw();
    if (next->y + kRowStep > height) ScrollDown();
}
