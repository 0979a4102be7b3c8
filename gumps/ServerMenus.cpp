// The text query and the text menu: their layout, their answers.
#include "gumps/ServerMenus.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "gumps/MouseManager.h"
#include "render/BackBuffer.h"
#include "render/GumpArt.h"
#include "text/FontManager.h"

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

// ------------------------------------------------ opening

CGump* OpenItemListMenu(const ItemListMenu& menu) {
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
