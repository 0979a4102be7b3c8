// The context menu: its table, its two pictures and the choice it sends.
#include "gumps/PopupMenu.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "render/BackBuffer.h"
#include "render/GumpArt.h"
#include "text/CWideString.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstring>

namespace {

struct MenuState {
    GumpRef<CPopupMenuMgr> menu;
    bool open = false;
    uint32_t requested = 0;
    int mouseX = 0, mouseY = 0;
    std::vector<PopupEntry> entries;
};
MenuState& M() {
    static MenuState state;
    return state;
}

std::u16string EntryText(const PopupEntry& e) {
    if (CPopupMenuMgr::services().text) return CPopupMenuMgr::services().text(e.textId);
    CWideString s;
    LanguageManager::getLocalizedString(s, static_cast<int>(e.textId));
    return s.GetText() ? std::u16string(s.GetText()) : std::u16string();
}

void Invalidate(uint32_t serial) {
    if (GumpWorld().invalidate && serial) GumpWorld().invalidate(serial);
}

void SendChoice(uint32_t serial, uint16_t tag) {
    uint8_t buffer[16];
    PacketWriter writer(buffer);
    PacketManager::SendPopupChoice(writer, serial, tag);
    std::span<const uint8_t> wire = FinishPacket(writer);
    SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
}

} // namespace

CPopupMenuMgr::Services& CPopupMenuMgr::services() {
    static Services s;
    return s;
}

CPopupMenuMgr::CPopupMenuMgr(int mode_, const std::vector<PopupEntry>& entries) : CGump(0, 0, 0, 1, 1, 1) {
    debugName = "popup menu";
    mode = mode_;
    serial = M().requested;
    SetKind(GumpKind::Other, GumpTrait::Transparency | GumpTrait::Disposable);
    int third = 0;
    UnicodeCalcInfo(u"jL", &widest, &lineHeight, &third);
    widest = 0;
    lineHeight = std::max(lineHeight, 1);
    bool anyFullOnly = false;
    std::vector<std::pair<std::u16string, const PopupEntry*>> shown;
    for (const PopupEntry& e : entries) {
        if (e.flags & PopupEntry::kFullOnly) {
            anyFullOnly = true;
            if (mode == 1) continue;
        }
        std::u16string text = EntryText(e);
        int w = 0, h = 0;
        UnicodeCalcInfo(text.c_str(), &w, &h, &third);
        widest = std::max(widest, w);
        totalHeight += lineHeight;
        rowTags.push_back(e.tag);
        shown.emplace_back(std::move(text), &e);
    }
    width = widest + 2 * kMargin;
    height = totalHeight + 2 * kMargin;
    CButtonGump* more = nullptr;
    if (mode == 1 && anyFullOnly) {
        more = new CButtonGump(
            22, totalHeight + 19, this, CButtonGump::Release, 0,
            [](CGump*) { CPopupMenuMgr::OpenSecondStyle(); }, kMoreArt, kMoreHoverArt, false);
        more->hoverArt = kMoreHoverArt;
        more->Attach(this);
        height += more->height + 12;
        width = std::max(width, 22 + more->width + kMargin);
    }
    for (size_t row = 0; row < shown.size(); ++row) {
        const PopupEntry& e = *shown[row].second;
        const bool disabled = (e.flags & PopupEntry::kDisabled) != 0;
        const uint16_t colour = disabled                            ? kDisabledColour
                                : (e.flags & PopupEntry::kColoured) ? static_cast<uint16_t>(e.colour & 0x7FFF)
                                                                    : kTextColour;
        rows_.push_back({std::move(shown[row].first), colour, disabled ? kDisabledColour : kTextColour});
    }
    PaintPlain(SetFrame(0, PixelBlock(width, height)), Rect{0, 0, width, height}, 0,
               static_cast<int>(rows_.size()) - 1);
    int bw = BackBuffer::Width(), bh = BackBuffer::Height();
    x = M().mouseX + width > bw ? bw - width - 10 : M().mouseX;
    y = M().mouseY + height > bh ? bh - height - 10 : M().mouseY;
    x = std::max(x, 0);
    y = std::max(y, 0);
}

CPopupMenuMgr::~CPopupMenuMgr() {
    if (M().menu.get() == this || !M().menu) M().open = false;
}

void CPopupMenuMgr::RequestMenu(uint32_t serial) {
    if (services().singleClick) services().singleClick(serial);
    if (!services().menusAllowed || !services().menusAllowed()) return;
    Close();
    MouseManager::GetMousePos(&M().mouseX, &M().mouseY);
    M().requested = serial;
    uint8_t buffer[16];
    PacketWriter writer(buffer);
    PacketManager::SendPopupRequest(writer, serial);
    std::span<const uint8_t> wire = FinishPacket(writer);
    SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
}

void CPopupMenuMgr::HandleMenu(const PopupMenuPacket& menu) {
    if (menu.serial != M().requested || !GumpWorldAsk::Call(GumpWorld().exists, menu.serial)) {
        QVReport::message("CPopupMenuMgr::HandleMenu: a menu for 0x%08X, not the one asked for; ignored.\n",
                          menu.serial);
        return;
    }
    M().entries = menu.entries;
    Close();
    Open();
}

namespace {
void OpenMode(int mode) {
    CPopupMenuMgr::Close();
    auto* menu = new CPopupMenuMgr(mode, M().entries);
    menu->Attach(nullptr);
    menu->BringToFront(false);
    M().menu = menu;
    M().open = true;
}
} // namespace

void CPopupMenuMgr::Open() {
    OpenMode(1);
}

void CPopupMenuMgr::OpenSecondStyle() {
    OpenMode(2);
}

void CPopupMenuMgr::Close() {
    M().open = false;
    if (CPopupMenuMgr* menu = M().menu.get()) {
        Invalidate(menu->serial);
        M().menu.reset();
        menu->CGump::Close(); // not the static Close of the open menu
    }
}

bool CPopupMenuMgr::IsOpen() {
    return M().open;
}

CPopupMenuMgr* CPopupMenuMgr::OpenMenu() {
    return M().menu.get();
}

bool CPopupMenuMgr::HitTest(int sx, int sy) {
    CPopupMenuMgr* menu = M().menu.get();
    if (!M().open || !menu) return false;
    return menu->IsPointInside(sx - menu->x, sy - menu->y);
}

void CPopupMenuMgr::Bind() {
    GumpSlotTable().popupMenuHit = HitTest;
    GumpSlotTable().closePopupMenu = Close;
    GetServerWindowSlots().popupMenu = HandleMenu;
}

void CPopupMenuMgr::ResetForTests() {
    M() = MenuState{};
    services() = Services{};
}

void CPopupMenuMgr::Draw(const BlitTarget& target, const Rect& clip) {
    CGump::Draw(target, clip);
}

bool CPopupMenuMgr::IsPointInside(int px, int py) {
    return px >= 0 && py >= 0 && px < width && py < height;
}

int CPopupMenuMgr::RowAt(int px, int py) const {
    if (py < kMargin || py >= kMargin + totalHeight || px < kMargin || px >= kMargin + widest) return -1;
    const int row = (py - kMargin) / lineHeight;
    return row < static_cast<int>(rowTags.size()) ? row : -1;
}

void CPopupMenuMgr::HandleLButtonUp(int px, int py) {
    const int row = RowAt(px, py);
    if (row >= 0 && GumpWorldAsk::Call(GumpWorld().exists, serial)) SendChoice(serial, rowTags[row]);
    CGump::HandleLButtonUp(px, py);
    Close();
}

void CPopupMenuMgr::HandleRButtonUp(int, int) {
    Close();
}

void CPopupMenuMgr::PaintPlain(PixelBlock& bitmap, const Rect& area, int firstRow, int lastRow) {
    BlitTarget target = MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
    target.valid = IntersectRect(target.valid, area);
    const Rect a = target.valid;
    if (a.IsEmpty()) return;
    for (int py = a.top; py < a.bottom; ++py)
        std::memset(&bitmap.At(a.left, py), 0, static_cast<size_t>(a.Width()) * sizeof(uint16_t));
    DrawGumpFrameRect(0, 0, bitmap.width, bitmap.height, kFrameArt, target, true);
    // A see-through screen: every other pixel of every other row, counted from (1, 1).
    for (int py = a.top | 1; py < a.bottom; py += 2)
        for (int px = a.left | 1; px < a.right; px += 2)
            bitmap.At(px, py) = 0;
    for (int r = std::max(firstRow, 0); r <= lastRow && r < static_cast<int>(rows_.size()); ++r)
        UnicodeDrawString(target, rows_[static_cast<size_t>(r)].text.c_str(), kMargin,
                          kMargin + r * lineHeight, rows_[static_cast<size_t>(r)].colour, a);
}

void CPopupMenuMgr::ShowRow(int row) {
    // The shown frame changes in place: the lit row is painted plain again and the new row lit,
    // each from its parts, so a move over the menu rewrites two rows and no plain copy is kept.
    // The texts of a row's neighbours are painted too, for the glyphs they hang into it.
    PixelBlock* frame = Frame(0);
    if (!frame) return;
    auto band = [&](int r) {
        const int top = kMargin + r * lineHeight;
        return IntersectRect(Rect{kMargin, top, kMargin + widest, top + lineHeight},
                             Rect{0, 0, frame->width, frame->height});
    };
    if (litRow_ >= 0) PaintPlain(*frame, band(litRow_), litRow_ - 1, litRow_ + 1);
    litRow_ = row;
    if (row < 0) return;
    const Rect b = band(row);
    for (int py = b.top; py < b.bottom; ++py)
        std::fill_n(&frame->At(b.left, py), b.right - b.left, kHighlightColour);
    const BlitTarget target = MakeBlitTarget(frame->pixels.data(), frame->width, frame->height);
    for (int r = std::max(row - 1, 0); r <= row + 1 && r < static_cast<int>(rows_.size()); ++r)
        UnicodeDrawString(target, rows_[static_cast<size_t>(r)].text.c_str(), kMargin,
                          kMargin + r * lineHeight, rows_[static_cast<size_t>(r)].litColour, b);
}

void CPopupMenuMgr::HandleMouseMove(int px, int py) {
    CGump::HandleMouseMove(px, py);
    const int row = RowAt(px, py);
    if (row == highlighted) return;
    highlighted = row;
    ShowRow(row);
}

void CPopupMenuMgr::HandleMouseMoveAway() {
    CGump::HandleMouseMoveAway();
    Invalidate(serial);
    highlighted = -1;
    ShowRow(-1);
}
