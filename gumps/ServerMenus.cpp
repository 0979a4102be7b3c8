// The text query and the text menu: their layout, their answers.
#include "gumps/ServerMenus.h"
#include "core/GameTicks.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "gumps/MouseManager.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/GumpArt.h"
#include "text/FontManager.h"
#include "world/ObjectNames.h"

#include <algorithm>

namespace {

void SendWire(PacketWriter& writer) {
    std::span<const uint8_t> wire = FinishPacket(writer);
    SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
}

} // namespace

// ------------------------------------------------ the text query

CStringQueryGump::CStringQueryGump(const TextQueryRequest& q) : CGump(121, 102, 0, 1, 1, 1) {
    debugName = "Stringquery gump";
    SetKind(GumpKind::Other, GumpTrait::Transparency);
    serial = q.serial;
    queryId = q.parentId;
    style = q.style;
    cancelAllowed = q.cancelAllowed & 1;
    GetGumpArtSize(kBackgroundArt, &width, &height);
    width = std::max(width, 1);
    height = std::max(height, 1);
    PixelBlock& frame = SetFrame(0, PixelBlock(width, height));
    const BlitTarget target = MakeBlitTarget(frame.pixels.data(), width, height);
    if (const GumpArtItem* art = GetGumpArt(kBackgroundArt))
        DrawGumpArtTo(target, CopySpanKeyed, art, kNoClip, 0, 0);
    FontManager::DrawstringBuf(60, 50, 2, kHue, q.prompt.c_str(), std::max(width - 120, 1), target, kNoClip,
                               0, 0, false);
    FontManager::DrawString(60, 125, 2, kHue, q.description.c_str(), target, kNoClip);
    Attach(nullptr);
    if (style == 1 || style == 2) {
        const FieldMode mode = style == 2 ? FieldMode::Number : FieldMode::Text;
        const int maximum = static_cast<int>(std::min<uint32_t>(q.maximum, 0x7FFFFFFF));
        field = new CInputControlGump(60, 130, this, 1141, 1141, mode, maximum, 1, kHue, true, false, 0);
        field->hoverArt = 1142;
        field->markedArt = 1143;
        field->marked = true;
        field->leftMargin = 12;
        field->topMargin = 5;
        field->Attach(this);
        CGumpManager::SetFocus(field);
        field->Redraw();
    }
    auto ok = [](CGump* p) { static_cast<CStringQueryGump*>(p)->Answer(true); };
    auto cancel = [](CGump* p) { static_cast<CStringQueryGump*>(p)->Answer(false); };
    CButtonGump* okButton =
        new CButtonGump(cancelAllowed ? 117 : 161, 190, this, CButtonGump::Release, 0, ok, 1147, 1148, false);
    okButton->hoverArt = 1149;
    okButton->Attach(this);
    if (cancelAllowed) {
        CButtonGump* c = new CButtonGump(204, 190, this, CButtonGump::Release, 0, cancel, 1144, 1145, false);
        c->hoverArt = 1146;
        c->Attach(this);
    }
    CGumpManager::SetModal(this);
}

CStringQueryGump::~CStringQueryGump() = default;

std::string CStringQueryGump::FieldText() const {
    if (!field) return {};
    if (field->mode == FieldMode::Number) return std::to_string(field->value);
    return field->Text() ? std::string(field->Text()) : std::string();
}

void CStringQueryGump::Answer(bool ok) {
    if (IsClosed()) return;
    const std::string text = FieldText();
    std::vector<uint8_t> buffer(16 + text.size());
    PacketWriter writer(buffer.data(), buffer.size());
    PacketManager::SendTextEntryReply(writer, serial, queryId, ok ? 1 : 0, text);
    SendWire(writer);
    if (CGumpManager::GetModal() == this) CGumpManager::SetModal(nullptr);
    Close();
}

void CStringQueryGump::HandleEscapeKey() {
    if (cancelAllowed) Answer(false);
}

void CStringQueryGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CStringQueryGump::IsPointInside(int px, int py) {
    return px >= 0 && py >= 0 && px < width && py < height;
}

void CStringQueryGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}

void CStringQueryGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
    ReleaseCaptureHandler(this);
}

void CStringQueryGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}

// ------------------------------------------------ the text menu

CStringPickerGump::CStringPickerGump(const ItemListMenu& menu) : CGump(0, 0, 0, 1, kWidth, 1) {
    debugName = "stringpicker gump";
    SetKind(GumpKind::Other, GumpTrait::Transparency | GumpTrait::Disposable);
    serial = menu.serial;
    menuId = menu.menuId;
    int widest = 0, titleHeight = 0, baseline = 0;
    FontManager::CalcInfoWrap(1, menu.title.c_str(), 360, &widest, &titleHeight, &baseline, 0);
    std::vector<int> heights;
    int total = titleHeight + 106;
    for (const MenuEntry& e : menu.entries) {
        int h = 0;
        FontManager::CalcInfoWrap(1, e.text.c_str(), kWidth - 70, &widest, &h, &baseline, 0);
        h = std::max(h, 16);
        heights.push_back(h);
        total += h + 6;
    }
    height = std::min(total, 4096);
    x = std::max(0, (BackBuffer::Width() - width) / 2);
    y = std::max(0, (BackBuffer::Height() - height) / 2);
    PixelBlock& frame = SetFrame(0, PixelBlock(width, height));
    DrawGumpFrame(kFrameArt, frame, false);
    const BlitTarget target = MakeBlitTarget(frame.pixels.data(), width, height);
    FontManager::DrawstringBuf(20, 16, 1, kHue, menu.title.c_str(), width - 40, target, kNoClip, 0, 0, false);
    Attach(nullptr);
    int ry = titleHeight + 36;
    for (size_t i = 0; i < menu.entries.size() && ry < height - 50; ++i) {
        auto* radio = new CToggleControlGump(20, ry, this, 5002, 5003, 1, kHue, nullptr, false, 0, 0);
        radio->Attach(this);
        radios.push_back(radio);
        graphics.push_back(menu.entries[i].graphic);
        FontManager::DrawstringBuf(50, ry + 2, 1, kHue, menu.entries[i].text.c_str(), width - 70, target,
                                   kNoClip, 0, 0, false);
        ry += heights[i] + 6;
    }
    auto cancel = [](CGump* p) { static_cast<CStringPickerGump*>(p)->Cancel(); };
    auto choose = [](CGump* p) { static_cast<CStringPickerGump*>(p)->Choose(); };
    (new CButtonGump(40, height - 44, this, CButtonGump::Release, 0, cancel, 5200, 5201, false))
        ->Attach(this);
    (new CButtonGump(160, height - 44, this, CButtonGump::Release, 0, choose, 5042, 5043, false))
        ->Attach(this);
}

CStringPickerGump::~CStringPickerGump() {
    if (CGumpManager::GetModal() == this) CGumpManager::SetModal(nullptr);
}

void CStringPickerGump::Cancel() {
    if (IsClosed()) return;
    uint8_t buffer[13];
    PacketWriter writer(buffer);
    PacketManager::SendMenuChoice(writer, serial, menuId, 0, 0, 0);
    SendWire(writer);
    Close();
}

void CStringPickerGump::Choose() {
    if (IsClosed()) return;
    for (size_t i = 0; i < radios.size(); ++i) {
        if (!radios[i]->checked) continue;
        uint8_t buffer[13];
        PacketWriter writer(buffer);
        PacketManager::SendMenuChoice(writer, serial, menuId, static_cast<uint16_t>(i + 1), graphics[i], 0);
        SendWire(writer);
        Close();
        return;
    }
    CGumpManager::ShowModalMessage("Must choose one to continue.");
}

void CStringPickerGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CStringPickerGump::IsPointInside(int px, int py) {
    return IsPointInsideFrame(this, px, py);
}

void CStringPickerGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    Cancel();
}

void CStringPickerGump::HandleChildChange(CGump* child) {
    auto* toggle = gump_cast<CToggleControlGump>(child);
    if (!toggle) return;
    if (!toggle->checked) { // a radio is not cleared by clicking it
        toggle->SetChecked(true);
        return;
    }
    for (CToggleControlGump* r : radios)
        if (r != toggle && r->checked) r->SetChecked(false);
}

// ------------------------------------------------ the picture menu

namespace {
// The item art of a graphic, or item art 0 when it has none.
const ArtItem* PictureOf(uint16_t graphic) {
    const int index = graphic + kFirstItemArtId;
    const ArtItem* art = index <= kMaxArtId ? GetArt(index) : nullptr;
    return art ? art : GetArt(kFirstItemArtId);
}
} // namespace

CObjPickerGump::CObjPickerGump(const ItemListMenu& menu) : CGump(0, 0, 0, 1, 1, 1) {
    debugName = "objpicker gump";
    SetKind(GumpKind::Other, GumpTrait::Transparency | GumpTrait::Disposable);
    serial = menu.serial;
    menuId = menu.menuId;
    entries = menu.entries;
    // A server that sends a picture without a name leaves the item's own name to the client.
    for (MenuEntry& e : entries)
        if (e.text.empty()) e.text = GetTileDataName(e.graphic, false);
    GetGumpArtSize(kBackgroundArt, &width, &height);
    width = std::max(width, kStrip.right + 20);
    height = std::max(height, 120);
    background_ = PixelBlock(width, height);
    const BlitTarget target = MakeBlitTarget(background_.pixels.data(), width, height);
    if (const GumpArtItem* art = GetGumpArt(kBackgroundArt))
        DrawGumpArtTo(target, CopySpanKeyed, art, kNoClip, 0, 0);
    int w = 0, h = 0, baseline = 0;
    FontManager::CalcInfo(1, menu.title.c_str(), &w, &h, &baseline);
    FontManager::DrawString(39, baseline + 18, 1, kHue, menu.title.c_str(), target,
                            Rect{0, 0, width, height});
    SetFrame(0, background_);
    Attach(nullptr);
    nameField =
        new CInputControlGump(39, 103, this, 218, 16, FieldMode::Text, 30, 1, kHue, false, false, false);
    nameField->disabled = true;
    nameField->Attach(this);
    Redraw();
    auto back = [](CGump* p) { static_cast<CObjPickerGump*>(p)->ScrollBack(); };
    auto forward = [](CGump* p) { static_cast<CObjPickerGump*>(p)->ScrollForward(); };
    (new CButtonGump(22, 61, 35, 79, this, CButtonGump::Repeat, 0, back, false))->Attach(this);
    (new CButtonGump(261, 61, 274, 79, this, CButtonGump::Repeat, 0, forward, false))->Attach(this);
}

CObjPickerGump::~CObjPickerGump() {
    if (answered_) return;
    // Closing without a choice answers too: index, graphic and hue 0.
    uint8_t buffer[13];
    PacketWriter writer(buffer);
    const bool picked = chosen >= 1 && chosen <= static_cast<int>(entries.size());
    const MenuEntry none{};
    const MenuEntry& e = picked ? entries[static_cast<size_t>(chosen - 1)] : none;
    PacketManager::SendMenuChoice(writer, serial, menuId, static_cast<uint16_t>(picked ? chosen : 0),
                                  e.graphic, e.hue);
    SendWire(writer);
}

int CObjPickerGump::PictureWidth(int i) const {
    if (i < 0 || i >= static_cast<int>(entries.size())) return kNoArtWidth;
    const ArtItem* art = PictureOf(entries[static_cast<size_t>(i)].graphic);
    return art && art->width > 0 ? art->width : kNoArtWidth;
}

void CObjPickerGump::Redraw() {
    PixelBlock& frame = SetFrame(0, background_);
    const BlitTarget target = MakeBlitTarget(frame.pixels.data(), frame.width, frame.height);
    const Rect strip = IntersectRect(kStrip, Rect{0, 0, frame.width, frame.height});
    for (int py = strip.top; py < strip.bottom; ++py)
        for (int px = strip.left; px < strip.right; ++px)
            frame.At(px, py) = 0x0421; // 8, 8, 8
    int px = kStrip.left - (scrolling ? offset : 0);
    const int saved = GetCurrentHueIndex();
    for (int i = first; i < static_cast<int>(entries.size()) && px <= kStrip.right; ++i) {
        const MenuEntry& e = entries[static_cast<size_t>(i)];
        const ArtItem* art = PictureOf(e.graphic);
        if (!art) {
            px += kNoArtWidth;
            continue;
        }
        const int py = art->height < kStrip.bottom - kStrip.top
                           ? kStrip.top + (kStrip.bottom - kStrip.top - art->height) / 2
                           : kStrip.top;
        if (e.hue != 0) {
            SetCurrentHueIndex(e.hue);
            DrawArtTo(target, HueSpan, art, strip, px, py);
        } else {
            DrawArtTo(target, CopySpan, art, strip, px, py);
        }
        px += art->width > 0 ? art->width : kNoArtWidth;
    }
    SetCurrentHueIndex(saved);
}

void CObjPickerGump::ScrollBack() {
    if (scrolling || first <= 0) return;
    scrolling = true;
    --first;
    const int w = PictureWidth(first);
    offset = w - 1;
    // A picture narrower than 10 pixels would step by 0 and never end.
    step = -std::max(1, (w - 6) / 4);
    Redraw();
}

void CObjPickerGump::ScrollForward() {
    if (scrolling || first + 1 >= static_cast<int>(entries.size())) return;
    scrolling = true;
    offset = 1;
    step = std::max(1, (PictureWidth(first) - 6) / 4);
    Redraw();
}

void CObjPickerGump::Update() {
    UpdateChildren();
    if (!scrolling) return;
    const int end = step < 0 ? 0 : PictureWidth(first) - 1;
    const int left = step < 0 ? offset - end : end - offset;
    offset += left <= 6 ? (step < 0 ? -std::min(3, left) : std::min(3, left)) : step;
    if ((step < 0 && offset <= 0) || (step > 0 && offset >= end)) {
        if (step > 0) ++first;
        offset = 0;
        scrolling = false;
    }
    Redraw();
}

int CObjPickerGump::EntryAt(int px) const {
    if (px < kStrip.left || px >= kStrip.right) return -1;
    int at = kStrip.left;
    for (int i = first; i < static_cast<int>(entries.size()); ++i) {
        const int w = PictureWidth(i);
        if (px < at + w) return i;
        at += w;
    }
    return -1;
}

bool CObjPickerGump::ChooseAt(int px, int py) {
    if (scrolling || py < kStrip.top || py >= kStrip.bottom) return false;
    const int i = EntryAt(px);
    if (i < 0) return false;
    chosen = i + 1;
    Close();
    return true;
}

void CObjPickerGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CObjPickerGump::IsPointInside(int px, int py) {
    return IsPointInsideFrame(this, px, py);
}

void CObjPickerGump::HandleLButtonDown(int px, int py) {
    BringToFront(false);
    if (clicks_.Press(px, py, GetGameTicks())) {
        clicks_.Reset();
        ChooseAt(px, py);
        return;
    }
    DialogBeginDrag(this, drag_, px, py);
}

void CObjPickerGump::HandleLButtonUp(int, int) {
    clicks_.Release();
    if (!IsClosed()) DialogEndDrag(this, drag_);
    ReleaseCaptureHandler(this);
}

void CObjPickerGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    Close();
}

void CObjPickerGump::HandleMouseMove(int px, int py) {
    CGump::HandleMouseMove(px, py);
    if (scrolling) return;
    const int i = py >= kStrip.top && py < kStrip.bottom ? EntryAt(px) : -1;
    if (i == hovered) return;
    hovered = i;
    if (nameField) {
        nameField->SetText(i >= 0 ? entries[static_cast<size_t>(i)].text.c_str() : "");
        nameField->Redraw();
    }
}

void CObjPickerGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}

// ------------------------------------------------ opening

CGump* OpenItemListMenu(const ItemListMenu& menu) {
    if (menu.Pictures()) return new CObjPickerGump(menu);
    return new CStringPickerGump(menu);
}

CGump* OpenTextQuery(const TextQueryRequest& request) {
    return new CStringQueryGump(request);
}

CGump* OpenSign(const SignRequest& sign) {
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        if (g->IsSignGump() && !g->IsClosed() && sign.serial != 0 && g->ownerSerial == sign.serial)
            return nullptr;
    auto* gump = new CSignGump(100, 100, sign.art, 0, sign.text.c_str(), sign.serial);
    gump->Attach(nullptr);
    return gump;
}
