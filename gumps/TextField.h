#pragma once
// The text field both input controls are made of: modes (text, number, drop-down), flags, arts,
// margins, the caret and the first character shown, the key table, insertion with its filters and
// fit test, scrolling to the caret, clicks and drawing. A traits class gives the text type and the
// buffer's capacity, measuring, drawing, the glyph test and number formatting.
//
// The maximum comes from callers and from the server; it is clamped to the buffer on every use,
// and every text written in goes through SetText, which cuts it to the buffer.
#include "core/GameTicks.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

enum class FieldMode : uint8_t { Text = 0, Number = 1, DropDown = 2 };

namespace FieldKey {
enum : int {
    Backspace = 8,
    Tab = 9,
    Enter = 13,
    Escape = 27,
    End = 0xE023,
    Home = 0xE024,
    Left = 0xE025,
    Up = 0xE026,
    Right = 0xE027,
    Down = 0xE028,
    Delete = 0xE02E,
};
}

template <class Traits> class TextField : public CGump {
  public:
    using Char = typename Traits::Char;
    static constexpr int kCapacity = Traits::kCapacity; // units, the terminator included
    static constexpr int kMaxLength = kCapacity - 1;
    static constexpr int kCaretHue = 902;
    static constexpr int kDropArrowArt = 2437;
    static constexpr int kSmallDropArrowArt = 5009;

    TextField() : CGump(0, 0, 0, 1, 0, 0) { text_.fill(0); }

    // ------------------------------------------------ the text
    const Char* Text() const { return text_.data(); }
    int Length() const { return Traits::Length(text_.data(), kCapacity); }
    // Copies at most the buffer's room (and at most the text's own length when n >= 0); the caret
    // and the view are kept inside the new text.
    void SetText(const Char* text, int n = -1) {
        int len = 0;
        if (text)
            while (len < kMaxLength && (n < 0 || len < n) && text[len] != 0)
                ++len;
        // A UTF-16 text cut at the buffer keeps no half of a surrogate pair.
        if constexpr (sizeof(Char) == 2)
            if (len == kMaxLength && (n < 0 || n > len) && text[len] != 0 && text[len - 1] >= 0xD800 &&
                text[len - 1] <= 0xDBFF)
                --len;
        std::copy(text, text + len, text_.begin());
        std::fill(text_.begin() + len, text_.end(), Char(0));
        caret = std::clamp(caret, 0, mode == FieldMode::Number ? NumberLength() + 1 : len);
        firstShown = std::clamp(firstShown, 0, mode == FieldMode::Number ? NumberLength() : len);
    }
    // The maximum length the text may reach: the caller's maximum, within the buffer.
    int TextLimit() const { return std::clamp(maximum, 0, kMaxLength); }
    // The value written as a number ("%d").
    std::basic_string<Char> NumberText() const { return Traits::FormatNumber(value); }
    int NumberLength() const { return static_cast<int>(NumberText().size()); }
    bool HasFocus() const { return CGumpManager::GetFocus() == this; }

    // ------------------------------------------------ operations
    virtual void Redraw();
    void ScrollToCaret();

    void Draw(const BlitTarget& target, const Rect& clip) override { DrawControlFrame(this, target, clip); }
    bool IsPointInside(int px, int py) override {
        return !IsClosed() && IsPointInsideControlFrame(this, px, py);
    }
    void HandleLButtonDown(int px, int py) override;
    void HandleLButtonUp(int px, int py) override;
    void HandleRButtonUp(int px, int py) override { ControlRButtonUp(this, px, py); }
    void HandleMouseMove(int px, int py) override;
    void HandleMouseMoveAway() override;
    void HandleMouseTick() override;
    void HandleKey(int key) override;
    void OnFocusLost() override { Redraw(); }

    // ------------------------------------------------ fields
    bool longPress = false;
    bool pressed = false;
    bool editable = false;
    bool password = false;
    bool disabled = false;
    bool centred = false;
    bool alphanumericFilter = false;
    bool threePiece = false;
    bool noBackground = false;
    bool multiLine = false;
    bool fixedWidth = false;
    bool hovered = false;
    bool marked = false;
    int emptyTextArt = 0;
    int hoverArt = 0;
    int markedArt = 0;
    int leftMargin = 3;
    int topMargin = 2;
    FieldMode mode = FieldMode::Text;
    int value = 0;
    int disabledArt = 0;
    int maximum = 0;
    int caret = 0;
    int firstShown = 0;
    int font = 0;
    int hue = 0;
    uint16_t textColour = 0; // the UTF-16 field's 15-bit colour
    ClickTracker clicks;

  protected:
    // Sets size, flags and the first state shared by both constructor forms.
    void Init(int x_, int y_, int w, int h, FieldMode m, int max, int font_, int hue_, bool editable_,
              bool centred_) {
        x = x_;
        y = y_;
        width = w;
        height = h;
        mode = m;
        maximum = max;
        font = font_;
        hue = hue_;
        editable = editable_;
        centred = centred_;
        caret = mode == FieldMode::Number ? 1 : 0;
    }
    // Filters of one field type only (the name filter): false refuses the character.
    virtual bool AcceptsChar(int) const { return true; }
    // A double click was released on the field (before the parent is told).
    virtual void OnDoubleClick() {}
    // The text hue while drawn (the framed field's hover and marked hues).
    virtual int DrawHue() const { return hue; }
    // The background; the base draws the chosen art (or clears).
    virtual void DrawBackground(PixelBlock& bitmap);

    PixelBlock& Bitmap() {
        PixelBlock* block = Frame(0);
        if (!block || block->width != width || block->height != height)
            block = &SetFrame(0, PixelBlock(width, height));
        return *block;
    }
    void DrawTextAndCaret(PixelBlock& bitmap);

  private:
    void InsertChar(int key);
    // The shown units: the text, or one star per character in password mode.
    std::basic_string<Char> Shown() const {
        if (mode == FieldMode::Number) return NumberText();
        if (password) return std::basic_string<Char>(static_cast<size_t>(Length()), Char('*'));
        return std::basic_string<Char>(text_.data(), static_cast<size_t>(Length()));
    }
    // The number's caret runs one past its digits (it starts at 1 on "0" and moves with each one).
    void ClampView() {
        const int len = mode == FieldMode::Number ? NumberLength() : Length();
        caret = std::clamp(caret, 0, mode == FieldMode::Number ? len + 1 : len);
        firstShown = std::clamp(firstShown, 0, len);
    }
    void StepViewBack() {
        if (caret < firstShown) firstShown = std::max(0, firstShown - 8);
    }
    void TellParent() {
        if (CGump* p = parent()) p->HandleChildChange(this);
    }

    std::array<Char, kCapacity> text_{};
    bool doubleClick_ = false;
};

// ------------------------------------------------------------------ keys

template <class Traits> void TextField<Traits>::HandleKey(int key) {
    if (disabled) return;
    ClampView();
    const bool number = mode == FieldMode::Number;
    switch (key) {
    case FieldKey::Tab:
        if (CGump* p = parent()) p->HandleTabKey();
        return;
    case FieldKey::Enter:
        if (CGump* p = parent()) p->HandleEnterKey();
        return;
    case FieldKey::Escape:
        if (CGump* p = parent()) p->HandleEscapeKey();
        return;
    case FieldKey::Home:
        if (mode == FieldMode::Text && caret > 0) {
            caret = 0;
            firstShown = 0;
            Redraw();
        }
        return;
    case FieldKey::End: {
        const int len = number ? NumberLength() : Length();
        if (len > caret) caret = len;
        ScrollToCaret();
        Redraw();
        return;
    }
    case FieldKey::Up:
    case FieldKey::Down:
        return;
    case FieldKey::Left:
        if (mode == FieldMode::Text && caret > 0) {
            --caret;
            StepViewBack();
            Redraw();
        }
        return;
    case FieldKey::Right:
        if (mode == FieldMode::Text && caret < Length()) {
            ++caret;
            ScrollToCaret();
            Redraw();
        }
        return;
    case FieldKey::Backspace:
    case FieldKey::Delete:
        if (number) {
            if (value == 0) return;
            value /= 10;
            if (caret > 1) --caret;
        } else {
            const int len = Length();
            if (len == 0) return;
            if (key == FieldKey::Delete) {
                if (caret >= len) return;
                ++caret;
            }
            if (caret > 0) {
                std::copy(text_.begin() + caret, text_.begin() + len + 1, text_.begin() + caret - 1);
                --caret;
            }
        }
        StepViewBack();
        Redraw();
        TellParent();
        return;
    default:
        break;
    }
    if (number) {
        if (key < '0' || key > '9') return;
        // Wider than the value, so that a large maximum cannot make it wrap.
        const int64_t next = int64_t{value} * 10 + (key - '0');
        if (next > maximum) return;
        value = static_cast<int>(next);
        ++caret;
        Redraw();
        TellParent();
        return;
    }
    if (key > 0 && key <= 0xFFFF && Traits::HasGlyph(font, key)) InsertChar(key);
}

template <class Traits> void TextField<Traits>::InsertChar(int key) {
    if (!AcceptsChar(key)) return;
    if (alphanumericFilter &&
        !((key >= '0' && key <= '9') || (key >= 'a' && key <= 'z') || (key >= 'A' && key <= 'Z')))
        return;
    const int len = Length();
    if (len >= TextLimit()) return;
    std::copy_backward(text_.begin() + caret, text_.begin() + len + 1, text_.begin() + len + 2);
    text_[static_cast<size_t>(caret)] = static_cast<Char>(key);
    ++caret;
    ScrollToCaret();
    // The fit test measures the text with the caret's "_" after it.
    std::basic_string<Char> probe(text_.data(), static_cast<size_t>(len + 1));
    probe.push_back(Char('_'));
    if (fixedWidth && !multiLine) {
        if (Traits::Width(font, probe.c_str()) >= width - 6) {
            HandleKey(FieldKey::Backspace);
            return;
        }
    } else if (multiLine) {
        if (Traits::WrappedHeight(font, probe.c_str(), width - 6) >= height) {
            HandleKey(FieldKey::Backspace);
            return;
        }
    }
    Redraw();
    TellParent();
}

template <class Traits> void TextField<Traits>::ScrollToCaret() {
    if (fixedWidth) return;
    ClampView();
    const std::basic_string<Char> s = mode == FieldMode::Number ? NumberText() : Shown();
    const int len = static_cast<int>(s.size());
    const int n = firstShown + Traits::CharsInWidth(font, s.c_str() + firstShown, width - 12);
    if (caret < n || n > len) return;
    int excess = Traits::PrefixWidth(font, caret - n, s.c_str() + n);
    while (excess > 0 && firstShown < len - 1) {
        excess -= Traits::CharWidth(font, s[static_cast<size_t>(firstShown)]);
        ++firstShown;
    }
}

// ------------------------------------------------------------------ mouse

template <class Traits> void TextField<Traits>::HandleLButtonDown(int px, int py) {
    if (CGump* p = parent()) {
        p->BringToFront(false);
        p->HandleChildMouseDown(this);
    }
    if (IsClosed()) return;
    if (!editable || disabled) {
        if (mode == FieldMode::DropDown && !disabled)
            if (CGump* p = parent()) p->HandleChildDropDown(this);
    } else {
        CGumpManager::KillFocus();
        CGumpManager::SetFocus(this);
        if (mode == FieldMode::Number) {
            caret = NumberLength();
        } else if (multiLine) {
            caret = Traits::CharsInBox(font, text_.data(), width - 6, px - 1, py);
        } else {
            ClampView();
            const std::basic_string<Char> s = Shown();
            caret = firstShown + Traits::CharsInWidth(font, s.c_str() + firstShown, px - 1);
        }
        ClampView();
        Redraw();
    }
    pressed = true;
    doubleClick_ = clicks.Press(px, py, GetGameTicks());
    pressX = px;
    pressY = py;
}

template <class Traits> void TextField<Traits>::HandleMouseTick() {
    if (clicks.Tick(GetGameTicks()) == ClickTracker::Event::LongPress && pressed) longPress = true;
}

template <class Traits> void TextField<Traits>::HandleLButtonUp(int, int) {
    pressed = false;
    clicks.Release();
    if (longPress) {
        longPress = false;
        doubleClick_ = false;
        clicks.Reset();
    } else if (doubleClick_) {
        doubleClick_ = false;
        clicks.Reset();
        OnDoubleClick();
        if (CGump* p = parent()) p->HandleChildDoubleClick(this);
    }
    MouseManager::ReleaseCaptureOf(this);
}

template <class Traits> void TextField<Traits>::HandleMouseMove(int, int) {
    MouseManager::SetCursor(MouseManager::kNormalCursor);
    const bool was = hovered;
    hovered = true;
    if (!was && hoverArt != 0) Redraw();
}

template <class Traits> void TextField<Traits>::HandleMouseMoveAway() {
    const bool was = hovered;
    hovered = false;
    if (was && hoverArt != 0) Redraw();
}

// ------------------------------------------------------------------ drawing

template <class Traits> void TextField<Traits>::DrawBackground(PixelBlock& bitmap) {
    bitmap.Clear();
    if (noBackground) return;
    int art = gumpArt;
    if (marked && markedArt != 0)
        art = markedArt;
    else if (hovered && hoverArt != 0)
        art = hoverArt;
    else if (Length() == 0 && emptyTextArt != 0)
        art = emptyTextArt;
    else if (disabled)
        art = disabledArt;
    if (art <= 0) return;
    if (threePiece) {
        DrawGumpArtHBar(art, bitmap);
    } else if (const GumpArtItem* item = GetGumpArt(art)) {
        DrawGumpArtTo(MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height), CopySpanKeyed, item,
                      kNoClip, 0, 0);
    }
}

template <class Traits> void TextField<Traits>::Redraw() {
    if (width <= 0 || height <= 0) return;
    PixelBlock& bitmap = Bitmap();
    DrawBackground(bitmap);
    DrawTextAndCaret(bitmap);
}

template <class Traits> void TextField<Traits>::DrawTextAndCaret(PixelBlock& bitmap) {
    ClampView();
    const BlitTarget target = MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
    const Rect clip{leftMargin, topMargin, width - leftMargin, height - topMargin};
    const int baseline = Traits::Baseline(font);
    const int ty = topMargin + baseline;
    const int ink = DrawHue();
    const int room = width - 2 * leftMargin;
    const bool focused = HasFocus();
    const std::basic_string<Char> shown = Shown();
    const Char* from = shown.c_str() + std::min<size_t>(static_cast<size_t>(firstShown), shown.size());
    const Char underscore[2] = {Char('_'), Char(0)};
    auto caretAt = [&](int cx, int cy) {
        Traits::DrawCaret(target, cx, cy, font, mode == FieldMode::Number, ink, textColour, underscore, clip);
    };
    auto caretOnLine = [&] {
        const int n = std::clamp(caret - firstShown, 0, static_cast<int>(shown.size()) - firstShown);
        caretAt(leftMargin + Traits::PrefixWidth(font, n, from), ty + 2);
    };
    auto caretWrapped = [&] {
        int cx = 0, cy = 0;
        Traits::WrapEndXY(font, caret, shown.c_str(), room, &cx, &cy);
        caretAt(leftMargin + cx, ty + cy + 2);
    };
    auto drawCentred = [&](const Char* s) {
        Traits::Draw(target, (width - Traits::Width(font, s)) / 2, ty, font, ink, textColour, s, clip);
    };

    if (mode == FieldMode::Number) {
        if (focused) {
            Traits::Draw(target, leftMargin, ty, font, ink, textColour, from, clip);
            caretOnLine();
        } else if (centred) {
            drawCentred(shown.c_str());
        } else {
            Traits::Draw(target, leftMargin, ty, font, ink, textColour, from, clip);
        }
        return;
    }
    if (focused) {
        if (multiLine && !password)
            Traits::DrawWrapped(target, leftMargin, topMargin, font, ink, textColour, shown.c_str(), room,
                                clip);
        else
            Traits::Draw(target, leftMargin, ty, font, ink, textColour, from, clip);
        if (multiLine && !password)
            caretWrapped();
        else
            caretOnLine();
        return;
    }
    if (password) {
        Traits::Draw(target, leftMargin, ty, font, ink, textColour, from, clip);
    } else if (centred) {
        const int w = Traits::Width(font, shown.c_str());
        if (!disabled) {
            if (w < room)
                drawCentred(shown.c_str());
            else
                Traits::DrawCut(target, leftMargin, ty, font, hue, shown.c_str(), clip);
            const GumpArtItem* arrow = nullptr;
            int ax = 0, ay = 0;
            if (gumpArt == 2445) {
                arrow = GetGumpArt(kDropArrowArt);
                ax = width - leftMargin - 11;
                ay = topMargin + 2;
            } else if (gumpArt == 2446) {
                arrow = GetGumpArt(kDropArrowArt);
                ax = width - leftMargin - 15;
                ay = topMargin + 2;
            } else {
                arrow = GetGumpArt(kSmallDropArrowArt);
                ax = width - leftMargin - 9;
                ay = 1;
            }
            if (arrow) DrawGumpArtTo(target, CopySpanKeyed, arrow, kNoClip, ax, ay);
        } else if (w >= room) {
            Traits::DrawCut(target, leftMargin, ty, font, hue, shown.c_str(), clip);
        } else {
            drawCentred(shown.c_str());
        }
    } else if (multiLine) {
        Traits::DrawWrapped(target, leftMargin, topMargin, font, ink, textColour, shown.c_str(), room, clip);
    } else {
        Traits::Draw(target, leftMargin, ty, font, ink, textColour, from, clip);
    }
}
