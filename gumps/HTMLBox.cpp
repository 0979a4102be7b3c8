#include "gumps/HTMLBox.h"

#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChatServices.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MouseManager.h"
#include "platform/messages.h"
#include "platform/platform.h"
#include "render/GumpArt.h"
#include "text/UnicodeFont.h"

#include <algorithm>

std::u16string HTMLBox::clipboardText;
int HTMLBox::lastWidth = 300, HTMLBox::lastHeight = 170;
int HTMLBox::lastX = 10, HTMLBox::lastY = 10;

namespace {
enum Key : int {
    kBackspace = 8,
    kTab = 9,
    kEnter = 13,
    kEscape = 27,
    kEnd = 0xE023,
    kHome = 0xE024,
    kLeft = 0xE025,
    kUp = 0xE026,
    kRight = 0xE027,
    kDown = 0xE028,
    kInsert = 0xE02D,
    kDelete = 0xE02E,
};

HTMLBox::Services DefaultServices() {
    HTMLBox::Services s;
    s.keyDown = [](int key) { return platform::IsKeyDown(key); };
    s.sendInternalLink = [](const std::u16string& href) { SendGMSCommand(1, href.c_str()); };
    // The application binds the browser (it leaves full screen first); unbound, a link only logs.
    s.openUrl = [](const std::string& url) {
        QVReport::message("HTMLBox: no browser for %s\n", url.c_str());
    };
    return s;
}

const std::u16string kEmpty;
} // namespace

HTMLBox::Services& HTMLBox::services() {
    static Services s = DefaultServices();
    return s;
}

void HTMLBox::ResetForTests() {
    services() = DefaultServices();
    clipboardText.clear();
    lastWidth = 300;
    lastHeight = 170;
    lastX = lastY = 10;
}

HTMLBox::HTMLBox(CGump* parent_, int id, uint32_t flags_, bool tab, bool attach)
    : ChatControl(0, 0, 1, 1, 1), buttonId(id), tabToParent(tab), flags(flags_) {
    debugName = "HTMLBox";
    SetFrame(0, PixelBlock(1, 1));
    const int base = (flags & (HtmlFlag::SmallFrame | HtmlFlag::SingleLine)) ? 3000 : 3500;
    for (int i = 0; i < 9; ++i)
        frameArt[i] = base + i;
    if (!(flags & HtmlFlag::NoScrollBar)) scrollBar = new ChatScrollBar(this);
    if (attach) Attach(parent_);
}

HTMLBox::~HTMLBox() = default;

const std::u16string& HTMLBox::Text() const {
    return doc_ && !doc_->runs.empty() ? doc_->runs[0].text : kEmpty;
}

HTMLRun* HTMLBox::FirstRun() {
    return doc_ && !doc_->runs.empty() ? &doc_->runs[0] : nullptr;
}

bool HTMLBox::InText(int px, int py) const {
    return px >= textRect.left && px < textRect.right && py >= textRect.top && py < textRect.bottom;
}

void HTMLBox::SetRect(const Rect& place) {
    x = place.left;
    y = place.top;
    width = std::max(place.right, 1);
    height = std::max(place.bottom, 1);
    SetFrame(0, PixelBlock(width, height));
    textRect = Rect{0, 0, width, height};
    if (!(flags & HtmlFlag::NoFrame)) {
        int lw = 0, lh = 0, tw = 0, th = 0;
        GetGumpArtSize(frameArt[3], &lw, &lh);
        GetGumpArtSize(frameArt[1], &tw, &th);
        textRect = Rect{lw, th, width - lw, height - th};
    }
    if (scrollBar) {
        int sw = 0, sh = 0;
        GetGumpArtSize(252, &sw, &sh);
        textRect.right -= sw;
        if (!textRect.IsEmpty()) {
            int tw = 0, th = 0;
            GetGumpArtSize(ChatArt::Track, &tw, &th);
            scrollBar->SetRect(width - tw, 0, height);
        }
    }
    Redraw();
}

void HTMLBox::SetText(const char16_t* text, int colour) {
    doc_ = std::make_unique<HTMLDocument>(text ? std::u16string_view(text) : std::u16string_view(), flags,
                                          colour);
    // An editable box always has a first run to type into.
    if (Editable() && doc_->runs.empty()) doc_->runs.push_back(HTMLRun{});
    scrollRange = 100;
    scrollPos = 0;
    Redraw();
}

void HTMLBox::Redraw() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    int barWidth = 0;
    if (scrollBar) {
        int th = 0;
        GetGumpArtSize(ChatArt::Track, &barWidth, &th);
    }
    if (!(flags & HtmlFlag::NoFrame))
        DrawGumpFrameRect(0, 0, width - barWidth, height, frameArt[0], *block, true);
    if (doc_) {
        const int h = doc_->Render(block->pixels.data(), block->width, block->height, &textRect, scrollPos,
                                   caret, selectionEnd, (flags & HtmlFlag::NoFrame) != 0);
        scrollRange = std::max(h + textRect.top - textRect.bottom, 1);
        if (scrollBar) scrollBar->SetPosition(scrollPos, scrollRange);
    }
    if (highlighted) InvertRect(textRect);
}

void HTMLBox::InvertRect(const Rect& r) {
    PixelBlock* block = Frame(0);
    if (!block) return;
    const Rect cut = IntersectRect(r, Rect{0, 0, block->width, block->height});
    for (int py = cut.top; py < cut.bottom; ++py)
        for (int px = cut.left; px < cut.right; ++px) {
            uint16_t& p = block->At(px, py);
            p = p ? static_cast<uint16_t>(~p & 0x7FFF) : 1;
        }
}

void HTMLBox::ClearPlaceholder() {
    if (!placeholder) return;
    placeholder = false;
    if (HTMLRun* run = FirstRun()) run->text.clear();
    caret = selectionEnd = 0;
    Redraw();
    CGumpManager::SetFocus(this);
}

void HTMLBox::SetScroll(int position) {
    scrollPos = std::clamp(position, 0, std::max(scrollRange, 0));
    if (scrollBar) scrollBar->SetPosition(scrollPos, scrollRange);
    Redraw();
}

void HTMLBox::HandleScrollBarMove(int position, int range, ChatScrollBar*) {
    if (range <= 0 || scrollRange <= 0) return;
    SetScroll(static_cast<int>(int64_t{position} * scrollRange / range));
}

void HTMLBox::HandleScrollBarStep(int direction, ChatScrollBar*) {
    const int old = scrollPos;
    const int next = std::clamp(scrollPos + (direction ? 18 : -18), 0, std::max(scrollRange, 0));
    if (next != old) SetScroll(next);
}

// ------------------------------------------------------------------ editing

void HTMLBox::InsertText(const std::u16string& text) {
    HTMLRun* run = FirstRun();
    if (!run || caret < 0) return;
    const int length = static_cast<int>(run->text.size());
    // The result stays within the limits: a long paste is cut, not let through whole.
    const int limit = (flags & HtmlFlag::SingleLine) ? kMaxSingleLine : kMaxText;
    const int room = std::max(limit - length, 0);
    const std::u16string piece = text.substr(0, static_cast<size_t>(room));
    if (piece.empty()) return;
    if (caret > length) caret = length;
    run->text.insert(static_cast<size_t>(caret), piece);
    caret += static_cast<int>(piece.size());
    selectionEnd = caret;
}

void HTMLBox::DeleteSelection(bool copy) {
    HTMLRun* run = FirstRun();
    if (!run || caret == selectionEnd || caret < 0 || selectionEnd < 0) return;
    const int length = static_cast<int>(run->text.size());
    const int lo = std::min({caret, selectionEnd, length}),
              hi = std::min(std::max(caret, selectionEnd), length);
    if (copy) clipboardText = run->text.substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    run->text.erase(static_cast<size_t>(lo), static_cast<size_t>(hi - lo));
    caret = selectionEnd = lo;
}

void HTMLBox::DeleteForward() {
    HTMLRun* run = FirstRun();
    if (!run || caret < 0 || caret >= static_cast<int>(run->text.size())) return;
    run->text.erase(static_cast<size_t>(caret), 1);
}

void HTMLBox::ScrollToCaret() {
    if (!doc_ || !Editable()) return;
    int cx = 0, cy = 0;
    if (!doc_->GetCaretXY(selectionEnd, &cx, &cy, &textRect, scrollPos)) return;
    int next = scrollPos;
    if (cy < textRect.top + doc_->topMargin)
        next -= textRect.top + doc_->topMargin - cy;
    else if (cy + doc_->bottomMargin + 18 > textRect.bottom)
        next += cy + doc_->bottomMargin + 18 - textRect.bottom;
    SetScroll(next);
}

void HTMLBox::MoveCaretVertically(int dy, bool shift) {
    int cx = 0, cy = 0;
    if (!doc_ || !doc_->GetCaretXY(shift ? selectionEnd : caret, &cx, &cy, &textRect, scrollPos)) return;
    const int index = doc_->GetCaretIndex(cx, cy + dy + 1, &textRect, scrollPos);
    if (index < 0 || index > static_cast<int>(Text().size())) return;
    selectionEnd = index;
    if (!shift) caret = index;
}

void HTMLBox::HandleKey(int key) {
    Services& s = services();
    const bool modifier = s.keyDown(platform::VK_CONTROL) || s.keyDown(platform::VK_MENU);
    const bool shift = !modifier && s.keyDown(platform::VK_SHIFT);
    if (key == kEscape) {
        CGumpManager::KillFocus();
        caret = selectionEnd = -1;
        Redraw();
        return;
    }
    if (!Editable() || !FirstRun() || caret < 0) return;
    const bool single = (flags & HtmlFlag::SingleLine) != 0;
    const int length = static_cast<int>(Text().size());
    switch (key) {
    case kBackspace:
        if (caret != selectionEnd) {
            DeleteSelection(false);
        } else if (caret > 0) {
            selectionEnd = --caret;
            DeleteForward();
        }
        break;
    case kTab:
        if (tabToParent) {
            if (CGump* p = parent()) p->HandleTabKey();
            return;
        }
        DeleteSelection(false);
        InsertText(u"    ");
        break;
    case kEnter:
        if (single) return;
        DeleteSelection(false);
        InsertText(u"\n");
        break;
    case kLeft:
        if (shift) {
            if (selectionEnd > 0) --selectionEnd;
        } else if (caret > 0) {
            selectionEnd = --caret;
        }
        break;
    case kRight:
        if (shift) {
            if (selectionEnd < length) ++selectionEnd;
        } else if (caret < length) {
            selectionEnd = ++caret;
        } else {
            selectionEnd = caret;
        }
        break;
    case kUp:
    case kDown:
        if (single) return;
        MoveCaretVertically(key == kUp ? -18 : 18, shift);
        break;
    case kHome:
        selectionEnd = 0;
        if (!shift) caret = 0;
        break;
    case kEnd:
        selectionEnd = length;
        if (!shift) caret = length;
        break;
    case kInsert:
        if (!shift) return;
        DeleteSelection(false);
        InsertText(clipboardText);
        break;
    case kDelete:
        if (caret == selectionEnd)
            DeleteForward();
        else
            DeleteSelection(shift);
        break;
    default:
        if (key <= 0 || key > 0xFFFF || (key >= 0xE000 && key <= 0xE0FF)) return;
        if (!UnicodeHasGlyph(static_cast<char16_t>(key))) return;
        DeleteSelection(false);
        InsertText(std::u16string(1, static_cast<char16_t>(key)));
        break;
    }
    Redraw();
    ScrollToCaret();
}

// ------------------------------------------------------------------ mouse

void HTMLBox::HandleLButtonDown(int px, int py) {
    pressX = px;
    pressY = py;
    Services& s = services();
    if (resizable && s.keyDown(platform::VK_SHIFT)) {
        resizing = true;
        return;
    }
    if (s.targetFromBox) s.targetFromBox();
    if (movable) {
        moving = true;
        return;
    }
    if (Editable() && InText(px, py) && doc_) {
        ClearPlaceholder();
        const int index = doc_->GetCaretIndex(px, py, &textRect, scrollPos);
        if (index != -1) caret = selectionEnd = index;
        Redraw();
        CGumpManager::KillFocus();
        CGumpManager::SetFocus(this);
    }
    if ((flags & HtmlFlag::PressesBox) && InText(px, py))
        if (CGump* p = parent()) {
            p->pressedButtonId = buttonId;
            ForwardButtonPress(p);
            if (IsClosed()) return;
        }
    PassLButtonDown(px, py);
}

void HTMLBox::HandleCaptureMove(int px, int py) {
    if (resizing && !services().keyDown(platform::VK_SHIFT)) {
        resizing = false;
        moving = true;
    }
    if (moving) {
        MoveBy(px - pressX, py - pressY, parent() == nullptr, nullptr, false);
        return;
    }
    if (resizing) {
        const int w = width + px - pressX, h = height + py - pressY;
        if (w < kMinResize || h < kMinResize) return;
        SetRect(Rect{x, y, w, h});
        pressX = px;
        pressY = py;
        lastWidth = w;
        lastHeight = h;
        return;
    }
    if (Editable() && InText(px, py) && doc_ && MouseManager::GetCapture() == this) {
        ClearPlaceholder();
        const int index = doc_->GetCaretIndex(px, py, &textRect, scrollPos);
        if (index != -1) selectionEnd = index;
        Redraw();
        if (CGumpManager::GetFocus() != this) CGumpManager::SetFocus(this);
    }
    PassCaptureMove(px, py);
}

void HTMLBox::HandleLButtonUp(int px, int py) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    if (moving) {
        lastX = x;
        lastY = y;
    }
    moving = resizing = false;
    if (doc_ && !(flags & (HtmlFlag::Plain | HtmlFlag::NoLinks))) {
        std::u16string href;
        const int result = doc_->GetLinkAt(px, py, &href);
        if (result >= 0 && !href.empty()) {
            caret = selectionEnd = -1;
            if (result == 1) {
                services().sendInternalLink(href);
            } else {
                std::string url;
                for (char16_t u : href)
                    url += static_cast<char>(u & 0xFF);
                services().openUrl(url);
            }
            Redraw();
        } else if (result >= 0) {
            SetScroll(result);
        }
    }
    if (IsClosed()) return;
    if (CGump* p = parent()) p->HandleLButtonUp(px + x, py + y);
}
