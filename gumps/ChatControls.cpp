#include "gumps/ChatControls.h"

#include "core/Options.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MouseManager.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "render/GumpArt.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstring>

// ------------------------------------------------------------------ ChatControl

ChatControl::ChatControl() {
    SetKind(GumpKind::Other, GumpTrait::Disposable | GumpTrait::ChatControl);
}

ChatControl::ChatControl(int x_, int y_, int frameCount, int w, int h) : CGump(x_, y_, 0, frameCount, w, h) {
    SetKind(GumpKind::Other, GumpTrait::Disposable | GumpTrait::ChatControl);
}

ChatControl* ChatControl::ChatParent() const {
    CGump* p = parent();
    return p && p->IsChatControl() && !p->IsClosed() ? static_cast<ChatControl*>(p) : nullptr;
}

void ChatControl::HandleChildText(const char16_t* text, CGump*) {
    if (ChatControl* p = ChatParent()) p->HandleChildText(text, this);
}

void ChatControl::HandleMouseTick() {
    if (CGump* p = parent()) p->HandleMouseTick();
}

void ChatControl::PassLButtonDown(int px, int py) {
    if (CGump* p = parent()) p->HandleLButtonDown(px + x, py + y);
}
void ChatControl::PassLButtonUp(int px, int py) {
    if (CGump* p = parent())
        p->HandleLButtonUp(px + x, py + y);
    else
        CGump::HandleLButtonUp(px, py);
}
void ChatControl::PassCaptureMove(int px, int py) {
    if (CGump* p = parent()) p->HandleCaptureMove(px + x, py + y);
}
void ChatControl::PassRButtonUp(int px, int py) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    if (CGump* p = parent()) p->HandleRButtonUp(px + x, py + y);
}

// ------------------------------------------------------------------ the chat font

ChatFontScope::ChatFontScope(int font)
    : font_(UnicodeGetFont()), space_(UnicodeGetSpaceWidth()), antiAlias_(UnicodeGetAntiAlias()) {
    if (font >= 0) {
        UnicodeSetFont(font);
        return;
    }
    UnicodeSetFont(ChatFontNumber);
    UnicodeSetSpaceWidth(ChatSpaceWidth >= 1 && ChatSpaceWidth <= 20 ? ChatSpaceWidth : 6);
    UnicodeSetAntiAlias(ChatAntiAlias ? 1 : 0);
}

ChatFontScope::~ChatFontScope() {
    UnicodeSetFont(font_);
    UnicodeSetSpaceWidth(space_);
    UnicodeSetAntiAlias(antiAlias_);
}

// ------------------------------------------------------------------ ChatTextBox

namespace {
std::u16string Copy(const char16_t* text) {
    return text ? std::u16string(text) : std::u16string();
}
void CopyLanguage(char out[4], const char* language) {
    std::memset(out, 0, 4);
    if (language)
        for (int i = 0; i < 3 && language[i]; ++i)
            out[i] = language[i];
}
} // namespace

ChatTextBox::ChatTextBox(CGump* parent_, bool wrap_, bool selectable_, int limit, int id, int background_,
                         int font_)
    : ChatControl(0, 0, 1, 1, 1), boxId(id), wrap(wrap_), selectable(selectable_),
      lineLimit(std::max(limit, 1)), background(background_), font(font_) {
    debugName = "ChatTextBox";
    SetFrame(0, PixelBlock(1, 1));
    Attach(parent_);
}

int ChatTextBox::Measure(const std::u16string& text) const {
    if (!wrap) return 18;
    ChatFontScope scope(font);
    int widest = 0, h = 0, third = 0;
    UnicodeCalcInfoWrap(text.c_str(), std::max(width - 4, 1), &widest, &h, &third);
    // Stored and counted alike, so that the scroll range always matches what is drawn.
    return std::max(h, 18);
}

void ChatTextBox::Report() {
    if (ChatControl* p = ChatParent()) p->HandleTextBoxScroll(scrollPos, total, boxId);
}

void ChatTextBox::SetRect(int x_, int y_, int w, int h) {
    x = x_;
    y = y_;
    width = std::max(w, 1);
    height = std::max(h, 1);
    SetFrame(0, PixelBlock(width, height));
    Relayout();
    Redraw();
}

void ChatTextBox::Relayout() {
    total = -height;
    for (Line& line : lines) {
        line.height = Measure(line.text);
        total += line.height;
    }
    scrollPos = total;
    Report();
}

void ChatTextBox::RemeasureLastLine() {
    if (lines.empty()) return;
    Line& last = lines.back();
    total -= last.height;
    last.height = Measure(last.text);
    total += last.height;
    scrollPos = total;
    Report();
}

void ChatTextBox::AddLine(const char16_t* text, int colour, int second, int markStart, int markEnd,
                          const char* language) {
    // Decided before anything moves: a view that showed the end keeps showing it, also when the
    // oldest line is reused while the text is still shorter than the box.
    const bool showedEnd = scrollPos >= total;
    Line line;
    if (static_cast<int>(lines.size()) >= lineLimit) {
        const int h = lines.front().height;
        lines.pop_front();
        total -= h;
        scrollPos = std::max(scrollPos - h, 0);
    }
    line.colour = colour;
    line.secondColour = second;
    line.markStart = markStart;
    line.markEnd = markEnd;
    CopyLanguage(line.language, language);
    line.text = Copy(text);
    line.height = Measure(line.text);
    lines.push_back(std::move(line));
    total += lines.back().height;
    if (showedEnd) scrollPos = total;
    Report();
    Redraw();
}

void ChatTextBox::UpdateLine(const char16_t* text, int colour, int second, int markStart, int markEnd,
                             const char* language) {
    const std::u16string key = Copy(text);
    for (Line& line : lines)
        if (line.text == key) {
            line.colour = colour;
            line.secondColour = second;
            line.markStart = markStart;
            line.markEnd = markEnd;
            CopyLanguage(line.language, language);
            Redraw();
            return;
        }
    AddLine(text, colour, second, markStart, markEnd, nullptr);
}

void ChatTextBox::RemoveLine(const char16_t* text) {
    const std::u16string key = Copy(text);
    for (auto it = lines.begin(); it != lines.end(); ++it)
        if (it->text == key) {
            const int h = it->height;
            lines.erase(it);
            if (scrollPos >= total) scrollPos -= h;
            total -= h;
            Report();
            Redraw();
            return;
        }
}

void ChatTextBox::Clear() {
    lines.clear();
    total = -height;
    scrollPos = 0;
    if (ChatControl* p = ChatParent()) p->HandleTextBoxScroll(0, total, boxId);
    Redraw();
}

void ChatTextBox::SetScrollPos(int position) {
    scrollPos = position;
    Report();
    Redraw();
}

void ChatTextBox::ScrollToFraction(int position, int range) {
    if (total <= 0 || range <= 0) return;
    scrollPos = static_cast<int>(int64_t{total} * position / range);
    Redraw();
}

void ChatTextBox::ScrollStep(bool down) {
    const int old = scrollPos;
    scrollPos = std::min(std::max(scrollPos + (down ? 18 : -18), 0), std::max(total, 0));
    if (scrollPos == old) return;
    Report();
    Redraw();
}

void ChatTextBox::BeginEdit() {
    caret = lines.empty() ? 0 : static_cast<int>(lines.back().text.size());
    Redraw();
}

void ChatTextBox::Submit(const std::u16string& text) {
    ChatControl* p = ChatParent();
    const int answer = p ? p->HandleTextEntered(text.c_str(), this) : 1;
    if (IsClosed() || !answer) return;
    caret = 0;
    Line last = lines.empty() ? Line{} : lines.back();
    AddLine(u"", last.colour, last.secondColour, last.markStart, last.markEnd, nullptr);
}

void ChatTextBox::SetEditText(const char16_t* text) {
    if (lines.empty()) AddLine(u"", ChatColorInput, ChatColorInput, -1, -1, nullptr);
    std::u16string t = Copy(text);
    if (!t.empty() && t.back() == '$') {
        t.pop_back();
        lines.back().text = t;
        Submit(t);
        return;
    }
    lines.back().text = t;
    if (caret > static_cast<int>(t.size())) caret = static_cast<int>(t.size());
    RemeasureLastLine();
    Redraw();
}

void ChatTextBox::AppendEditText(const char16_t* text) {
    SetEditText((std::u16string(GetEditText()) + Copy(text)).c_str());
}

const char16_t* ChatTextBox::GetEditText() const {
    return lines.empty() ? u"" : lines.back().text.c_str();
}

int ChatTextBox::GetLastLineHeight() const {
    return lines.empty() ? 0 : lines.back().height;
}

int ChatTextBox::GetEditTextWidth() const {
    ChatFontScope scope(font);
    const int w = UnicodeGetStringWidth(GetEditText());
    return w ? w + 4 : 0;
}

const ChatTextBox::Line* ChatTextBox::LineAtPoint(int px, int py, int* top) const {
    if (px < 0 || py < 0 || px >= width || py >= height) return nullptr;
    int ly = height - scrollPos + total;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        ly -= it->height;
        if (py >= ly && py < ly + it->height) {
            if (top) *top = ly;
            return &*it;
        }
        if (ly < 0) break;
    }
    return nullptr;
}

const ChatTextBox::Line* ChatTextBox::GetLineAtMouse(int* top) const {
    int mx = 0, my = 0;
    MouseManager::GetMousePos(&mx, &my);
    CGump::ScreenToGumpCoords(this, &mx, &my);
    return LineAtPoint(mx, my, top);
}

void ChatTextBox::Redraw() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    BlitTarget target = MakeBlitTarget(block->pixels.data(), block->width, block->height);
    if (background < 0) {
        int aw = 0, ah = 0;
        GetGumpArtSize(-background, &aw, &ah);
        if (aw > 0 && ah > 0)
            TileGumpArt(-background, *block);
        else
            background = 0;
    }
    if (background >= 0)
        std::fill(block->pixels.begin(), block->pixels.end(), static_cast<uint16_t>(background));

    ChatFontScope scope(font);
    const Rect clip{2, 0, std::max(width - 2, 2), height};
    int ly = height - scrollPos + total;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        ly -= it->height;
        if (ly < height) {
            const uint16_t c = static_cast<uint16_t>(it->colour & 0x7FFF);
            const uint16_t second = static_cast<uint16_t>(it->secondColour & 0x7FFF);
            if (wrap)
                UnicodeDrawStringWrapSelected(target, std::max(width - 4, 1), it->text.c_str(), 2, ly, c,
                                              clip, second, it->markStart, it->markEnd);
            else
                UnicodeDrawStringSelected(target, it->text.c_str(), 2, ly, c, clip, second, it->markStart,
                                          it->markEnd);
        }
        if (ly < 0) break;
    }
    if (caret >= 0 && !lines.empty() && total - lines.back().height - scrollPos < 0) {
        const Line& last = lines.back();
        const int lastTop = height - scrollPos + total - last.height;
        int cx = 0, cy = 0;
        const int index = std::min<int>(caret, static_cast<int>(last.text.size()));
        if (wrap)
            UnicodeGetStringWrapEndXY(index, last.text.c_str(), std::max(width - 4, 1), &cx, &cy);
        else
            cx = UnicodeGetPrefixWidth(index, last.text.c_str());
        UnicodeDrawString(target, u"_", 2 + cx, lastTop + cy, 0x7FFF, clip);
    }
    if (selectable) {
        int top = 0;
        if (const Line* line = GetLineAtMouse(&top)) {
            for (int py = std::max(top, 0); py < std::min(top + line->height, height); ++py)
                for (int px = 2; px < width - 2; ++px) {
                    uint16_t& p = block->At(px, py);
                    p = static_cast<uint16_t>(~p & 0x7FFF);
                }
        }
    }
}

void ChatTextBox::HandleLButtonDown(int px, int py) {
    if (!selectable) PassLButtonDown(px, py);
}

void ChatTextBox::HandleLButtonUp(int px, int py) {
    if (!selectable) {
        PassLButtonUp(px, py);
        return;
    }
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    if (const Line* line = LineAtPoint(px, py, nullptr)) {
        const std::u16string text = line->text;
        if (ChatControl* p = ChatParent()) p->HandleChildText(text.c_str(), this);
    }
}

void ChatTextBox::HandleMouseMove(int px, int py) {
    CGump::HandleMouseMove(px, py);
    if (selectable) Redraw();
}

void ChatTextBox::HandleMouseMoveAway() {
    CGump::HandleMouseMoveAway();
    if (selectable) Redraw();
}

void ChatTextBox::HandleCaptureMove(int px, int py) {
    if (selectable)
        Redraw();
    else
        PassCaptureMove(px, py);
}

void ChatTextBox::HandleKey(int key) {
    if (lines.empty() || caret < 0) return;
    std::u16string& text = lines.back().text;
    const int length = static_cast<int>(text.size());
    caret = std::min(caret, length);
    auto deleteAtCaret = [&] {
        if (caret < static_cast<int>(text.size())) {
            text.erase(static_cast<size_t>(caret), 1);
            RemeasureLastLine();
            Redraw();
        }
    };
    switch (key) {
    case 13:
        Submit(text);
        return;
    case 8:
        if (caret > 0) {
            --caret;
            deleteAtCaret();
        }
        return;
    case 0xE02E:
        deleteAtCaret();
        return;
    case 9:
        return;
    case 27:
        CGumpManager::KillFocus();
        return;
    case 0xE024:
    case 0xE026:
        if (caret != 0) {
            caret = 0;
            Redraw();
        }
        return;
    case 0xE023:
    case 0xE028:
        if (caret != length) {
            caret = length;
            Redraw();
        }
        return;
    case 0xE025:
        if (caret > 0) --caret;
        Redraw();
        return;
    case 0xE027:
        if (caret < length) ++caret;
        Redraw();
        return;
    default:
        break;
    }
    if (key <= 0 || key > 0xFFFF || (key >= 0xE000 && key <= 0xE0FF)) return;
    const char16_t unit = static_cast<char16_t>(key);
    bool glyph;
    {
        ChatFontScope scope(font);
        glyph = unit == ' ' || UnicodeHasGlyph(unit);
    }
    if (!glyph || length >= kMaxInput) return;
    text.insert(static_cast<size_t>(caret), 1, unit);
    ++caret;
    RemeasureLastLine();
    Redraw();
}

void ChatTextBox::HandleFocusLost() {
    caret = -1;
    Redraw();
}

// ------------------------------------------------------------------ ChatBorder

ChatBorder::ChatBorder(CGump* parent_) : ChatControl(0, 0, 1, 0, 0) {
    debugName = "ChatBorder";
    Attach(parent_);
}

void ChatBorder::SetStrip(bool vertical, int art, int x_, int y_, int length) {
    x = x_;
    y = y_;
    int aw = 0, ah = 0;
    GetGumpArtSize(art, &aw, &ah);
    width = vertical ? aw : std::max(length, 0);
    height = vertical ? std::max(length, 0) : ah;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (vertical)
        TileGumpArtDown(block, art, 0, 0, height);
    else
        TileGumpArtAcross(block, art, 0, 0, width);
}

// ------------------------------------------------------------------ ChatScrollBar

ChatScrollBar::ChatScrollBar(CGump* parent_) : ChatControl(0, 0, 1, 1, 1) {
    debugName = "ChatScrollBar";
    SetFrame(0, PixelBlock(1, 1));
    Attach(parent_);
    up = new CButtonGump(0, 0, this, CButtonGump::Repeat, 0, ForwardButtonPress, ChatArt::UpArrow,
                         ChatArt::UpArrowPressed, false);
    up->buttonId = 0;
    up->storeId = true;
    up->Attach(this);
    down = new CButtonGump(0, 0, this, CButtonGump::Repeat, 0, ForwardButtonPress, ChatArt::DownArrow,
                           ChatArt::DownArrowPressed, false);
    down->buttonId = 1;
    down->storeId = true;
    down->Attach(this);
    thumb = new CThumbGump(0, up->height, true, 1, this, ChatArt::Thumb);
    thumb->Attach(this);
}

void ChatScrollBar::SetRect(int x_, int y_, int h) {
    x = x_;
    y = y_;
    int aw = 0, ah = 0;
    GetGumpArtSize(ChatArt::Track, &aw, &ah);
    width = std::max(aw, 1);
    height = std::max(h, 1);
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    TileGumpArtDown(block, ChatArt::Track, 0, 0, height);
    down->y = height - down->height;
    if (thumb) thumb->Close();
    thumb = new CThumbGump(0, up->height, true, height - down->height, this, ChatArt::Thumb);
    thumb->Attach(this);
}

void ChatScrollBar::SetPosition(int value, int range) {
    if (thumb && !thumb->IsClosed()) thumb->SetPosition(value, range == 0 ? 1 : range);
}

void ChatScrollBar::HandleButtonPress(int id) {
    if (ChatControl* p = ChatParent()) p->HandleScrollBarStep(id, this);
}

void ChatScrollBar::HandleThumbMove(int position, int range, CGump*) {
    if (ChatControl* p = ChatParent()) p->HandleScrollBarMove(position, range, this);
}

void ChatScrollBar::HandleLButtonDown(int, int py) {
    repeating = thumb && py < thumb->y ? up : down;
    trackHeld = true;
    repeating->HandleLButtonDown(0, 0);
}

void ChatScrollBar::HandleLButtonUp(int, int) {
    trackHeld = false;
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    if (repeating) repeating->HandleLButtonUp(0, 0);
    repeating = nullptr;
}

void ChatScrollBar::HandleMouseTick() {
    if (trackHeld && repeating) repeating->HandleMouseTick();
}

// ------------------------------------------------------------------ ChatDialog

namespace {
int BorderHeight() {
    int w = 0, h = 0;
    GetGumpArtSize(ChatArt::BorderAcross, &w, &h);
    return h;
}
int BorderWidth() {
    int w = 0, h = 0;
    GetGumpArtSize(ChatArt::BorderDown, &w, &h);
    return w;
}
} // namespace

ChatDialog::ChatDialog(ChatControl* parent_, int id, const char16_t* promptText, const char16_t* first,
                       const char16_t* second)
    : ChatControl(0, 0, 1, kWidth, 1), dialogId(id), parent_(parent_), hasParent_(parent_ != nullptr) {
    debugName = "ChatDialog";
    const int bh = BorderHeight(), bw = BorderWidth();
    borderCount = second ? 7 : 6;
    for (int i = 0; i < borderCount; ++i)
        borders[i] = new ChatBorder(this);
    cancelButton = new CButtonGump(0, 0, this, CButtonGump::Release, 0, ForwardButtonPress, ChatArt::Cancel,
                                   ChatArt::CancelPressed, false);
    cancelButton->buttonId = 0;
    cancelButton->storeId = true;
    cancelButton->Attach(this);
    acceptButton = new CButtonGump(0, 0, this, CButtonGump::Release, 0, ForwardButtonPress, ChatArt::Accept,
                                   ChatArt::AcceptPressed, false);
    acceptButton->buttonId = 1;
    acceptButton->storeId = true;
    acceptButton->Attach(this);

    const int bg = ChatColorDialogBackground;
    prompt = new ChatTextBox(this, true, false, 1, 0, bg);
    prompt->SetRect(0, 0, kWidth - 2 * bw, 480);
    prompt->AddLine(promptText ? promptText : u"", 0x7C1F, 0x7C1F, -1, -1, nullptr);
    firstLabel = new ChatTextBox(this, true, false, 1, 0, bg);
    firstLabel->AddLine(first ? first : u"", 0x7FE0, 0x7FE0, -1, -1, nullptr);
    firstField = new ChatTextBox(this, true, false, 1, 0, bg);
    firstField->AddLine(u"", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    if (second) {
        secondLabel = new ChatTextBox(this, true, false, 1, 0, bg);
        secondLabel->AddLine(second, 0x7FE0, 0x7FE0, -1, -1, nullptr);
        secondField = new ChatTextBox(this, true, false, 1, 0, bg);
        secondField->AddLine(u"", 0x7FFF, 0x7FFF, -1, -1, nullptr);
    }
    const int promptHeight = prompt->GetLastLineHeight();
    height = promptHeight + acceptButton->height + 4 * bh + 18 + (second ? bh + 18 : 0);
    SetFrame(0, PixelBlock(width, height));
    Layout();
    if (parent_) {
        x = parent_->width / 2 - width / 2;
        y = parent_->height / 2 - height / 2;
    } else {
        x = 320 - width / 2;
        y = 240 - height / 2;
    }
    Attach(parent_);
    active = firstField;
    CGumpManager::SetFocus(this);
    firstField->BeginEdit();
}

void ChatDialog::Layout() {
    const int bh = BorderHeight(), bw = BorderWidth();
    const int ph = prompt->GetLastLineHeight();
    const int bH = acceptButton->height;
    borders[0]->SetStrip(false, ChatArt::BorderAcross, 0, 0, width);
    borders[1]->SetStrip(false, ChatArt::BorderAcross, 0, height - bh, width);
    borders[2]->SetStrip(true, ChatArt::BorderDown, 0, bh, height - 2 * bh);
    borders[3]->SetStrip(true, ChatArt::BorderDown, width - bw, bh, height - 2 * bh);
    borders[4]->SetStrip(false, ChatArt::BorderAcross, 0, ph + bh, width);
    borders[5]->SetStrip(false, ChatArt::BorderAcross, 0, ph + 2 * bh + 18, width);
    if (secondField) borders[6]->SetStrip(false, ChatArt::BorderAcross, 0, height - 2 * bh - bH, width);
    prompt->SetRect(bw, bh, width - 2 * bw, ph);
    prompt->SetScrollPos(0);
    auto row = [&](ChatTextBox* label, ChatTextBox* field, int rowY) {
        const int lw = label->GetEditTextWidth();
        label->SetRect(bw, rowY, lw, 18);
        field->SetRect(bw + lw, rowY, width - 2 * bw - lw, 18);
    };
    row(firstLabel, firstField, ph + 2 * bh);
    if (secondField) row(secondLabel, secondField, height - 2 * bh - bH - 18);
    cancelButton->x = width - cancelButton->width - bw;
    cancelButton->y = height - acceptButton->height - bh;
    acceptButton->x = cancelButton->x - acceptButton->width;
    acceptButton->y = cancelButton->y;
}

ChatDialog::~ChatDialog() {
    // Reports only an outcome not given yet, and never to a parent that is closing with it.
    if (!cancelled) return;
    if (ChatControl* p = parent_.get()) p->HandleDialogCancel(this);
}

void ChatDialog::Accept() {
    if (!cancelled || IsClosed()) return;
    cancelled = false;
    const std::u16string first = firstField->GetEditText();
    const std::u16string second = secondField ? std::u16string(secondField->GetEditText()) : std::u16string();
    ChatControl* p = parent_.get();
    Close();
    if (p) {
        p->HandleDialogResult(this, first.c_str(), secondField ? second.c_str() : nullptr);
    } else if (!hasParent_ && HasGameSock()) {
        uint8_t buffer[80];
        PacketWriter packet(buffer);
        SendOpenChat(packet, first.c_str());
        SendPacket(packet);
    }
}

void ChatDialog::HandleLButtonDown(int px, int py) {
    BringToFront(CGumpManager::GetFocus() == this);
    pressX = px;
    pressY = py;
    dragging = true;
}

void ChatDialog::HandleCaptureMove(int px, int py) {
    if (dragging) MoveBy(px - pressX, py - pressY, parent() == nullptr, nullptr, false);
}

void ChatDialog::HandleLButtonUp(int, int py) {
    dragging = false;
    CGumpManager::SetFocus(this);
    active = secondField && py > firstField->y + firstField->height ? secondField : firstField;
    active->BeginEdit();
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
}

void ChatDialog::HandleRButtonUp(int, int) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    Close();
}

void ChatDialog::HandleKey(int key) {
    if (active) active->HandleKey(key);
}

void ChatDialog::HandleButtonPress(int id) {
    if (id == 1)
        Accept();
    else
        Close();
}

int ChatDialog::HandleTextEntered(const char16_t*, ChatTextBox*) {
    Accept();
    return 0;
}

void ChatDialog::HandleFocusLost() {
    if (active) active->HandleFocusLost();
    active = nullptr;
}

void SendOpenChat(PacketWriter& packet, const char16_t* name) {
    BeginPacket(packet, 0xB5);
    WritePacketU8(packet, 0);
    char16_t units[30] = {};
    for (int i = 0; i < 30 && name && name[i]; ++i)
        units[i] = name[i];
    for (char16_t u : units)
        WritePacketU16(packet, u);
    WritePacketU16(packet, 0);
}
