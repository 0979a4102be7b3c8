#include "gumps/Controls.h"

#include "core/SharedServices.h"
#include "gumps/MouseManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstdint>

namespace {

void DrawArt(const BlitTarget& target, SpanOp op, int art, const Rect& clip, int x, int y) {
    if (art <= 0) return;
    if (const GumpArtItem* item = GetGumpArt(art)) DrawGumpArtTo(target, op, item, clip, x, y);
}

bool MeetsClip(const CGump* g, const Rect& clip) {
    return !IntersectRect(g->ScreenRect(), clip).IsEmpty();
}

void SelectNormalPointer() {
    MouseManager::SetCursor(GameCursorFor(0));
}

} // namespace

// ------------------------------------------------ shared control helpers

void DrawControlFrame(CGump* control, const BlitTarget& target, const Rect& clip) {
    if (!control || control->IsClosed() || !control->visible || !MeetsClip(control, clip)) return;
    const PixelBlock* block = control->Frame(0);
    if (!block || block->Empty()) return;
    int sx = 0, sy = 0;
    CGump::GumpToScreenCoords(control, &sx, &sy);
    BlitPixelBlockTo(target, CopySpanKeyed, block->pixels.data(), block->width, block->height, clip, sx, sy);
}

bool IsPointInsideControlFrame(const CGump* control, int x, int y) {
    const PixelBlock* block = control ? const_cast<CGump*>(control)->Frame(0) : nullptr;
    return block && block->Contains(x, y);
}

void ControlRButtonUp(CGump* control, int x, int y) {
    MouseManager::ReleaseCaptureOf(control);
    if (control && control->parent()) control->parent()->HandleRButtonUp(x, y);
}

// ------------------------------------------------ CButtonGump

CButtonGump::CButtonGump(int x_, int y_, CGump*, int kind, int frame, ButtonCallback cb, int art, int pressed,
                         bool minimisedState)
    : CGump(x_, y_, 0, 2, 0, 0) {
    SetKind(GumpKind::Button, GumpTrait::kBase | GumpTrait::ButtonLike);
    debugName = "Button gump";
    buttonKind = kind;
    frameIndex = frame;
    callback = std::move(cb);
    gumpArt = art;
    pressedArt = pressed;
    minimisedStateButton = minimisedState;
    GetGumpArtSize(art, &width, &height);
    if (width <= 0 || height <= 0) GetGumpArtSize(pressed, &width, &height);
}

CButtonGump::CButtonGump(int x1, int y1, int x2, int y2, CGump*, int kind, int frame, ButtonCallback cb,
                         bool minimisedState)
    : CGump(x1, y1, 0, 2, 0, 0) {
    SetKind(GumpKind::Button, GumpTrait::kBase | GumpTrait::ButtonLike);
    debugName = "Button gump";
    buttonKind = kind;
    frameIndex = frame;
    callback = std::move(cb);
    gumpArt = 0;
    minimisedStateButton = minimisedState;
    hotRectangle_ = true;
    width = x2 - x1 + 1;
    if (width & 1) ++width;
    height = y2 - y1 + 1;
}

bool CButtonGump::Fire() {
    CGump* p = parent();
    if (storeId && p) p->pressedButtonId = buttonId;
    const GumpRef<CButtonGump> self(this);
    if (callback) callback(p);
    // A callback that closed the window closed this button with it.
    return static_cast<bool>(self);
}

void CButtonGump::HandleLButtonDown(int, int) {
    if (CGump* p = parent()) {
        p->BringToFront(false);
        p->pressPending = 0;
    }
    held = true;
    if (disabled) return;
    if (buttonKind == Release) {
        frameIndex = 1;
    } else if (buttonKind == Repeat) {
        frameIndex = 1;
        if (Fire()) repeatDelay = kRepeatDelay;
    }
}

void CButtonGump::HandleLButtonUp(int, int) {
    held = false;
    MouseManager::SetCapture(nullptr);
    if (CGump* p = parent()) p->pressPending = 0;
    if (disabled) return;
    switch (buttonKind) {
    case Release:
        frameIndex = 0;
        Fire();
        break;
    case Toggle:
        frameIndex = frameIndex == 0 ? 1 : 0;
        if (Fire() && parent()) parent()->HandleChildChange(this);
        break;
    default:
        frameIndex = 0;
        break;
    }
}

void CButtonGump::HandleRButtonDown(int x_, int y_) {
    if (CGump* p = parent()) p->HandleRButtonDown(x_, y_);
}

void CButtonGump::HandleRButtonUp(int x_, int y_) {
    if (CGump* p = parent()) p->HandleRButtonUp(x_, y_);
}

void CButtonGump::HandleMouseMove(int, int) {
    hovered = true;
    SelectNormalPointer();
}

void CButtonGump::HandleMouseMoveAway() {
    hovered = false;
}

void CButtonGump::HandleMouseTick() {
    if (!held || disabled || buttonKind != Repeat) return;
    if (repeatDelay < 1)
        Fire();
    else
        --repeatDelay;
}

void CButtonGump::Update() {
    ++blinkCounter;
    blinkShown = false;
    if (blinkCounter > blinkOffPeriod) blinkShown = true;
    if (blinkCounter > blinkOffPeriod + blinkOnPeriod) blinkCounter = 0;
}

int CButtonGump::ArtForState(bool* hued) const {
    *hued = false;
    if (frameIndex == 1) {
        *hued = disabled;
        return pressedArt;
    }
    if (hovered && hoverArt != 0 && !disabled) return hoverArt;
    if (gumpArt <= 0) return 0;
    if (blinkShown && blinkArt != 0) return blinkArt;
    *hued = disabled;
    return gumpArt;
}

void CButtonGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible || !MeetsClip(this, clip)) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    if (ownBitmaps) {
        if (const PixelBlock* block = CurrentFrame())
            BlitPixelBlockTo(target, CopySpanKeyed, block->pixels.data(), block->width, block->height, clip,
                             sx, sy);
        return;
    }
    if (hotRectangle_) return;
    bool hued = false;
    const int art = ArtForState(&hued);
    if (hued) {
        const int previous = GetCurrentHueIndex();
        SetCurrentHueIndex(kDisabledHue);
        DrawArt(target, HueSpanKeyed, art, clip, sx, sy);
        SetCurrentHueIndex(previous);
    } else {
        DrawArt(target, CopySpanKeyed, art, clip, sx, sy);
    }
}

bool CButtonGump::IsPointInside(int px, int py) {
    if (IsClosed() || !visible || px < 0 || py < 0 || px >= width || py >= height) return false;
    if (!pixelExact || ownBitmaps || hotRectangle_) return true;
    return GetGumpArtPixel(gumpArt, px, py) != 0;
}

// ------------------------------------------------ CTextButtonGump

CTextButtonGump::CTextButtonGump(int x_, int y_, CGump* parent, int kind, int frame, ButtonCallback cb,
                                 int art, int pressed, bool minimisedState)
    : CButtonGump(x_, y_, parent, kind, frame, std::move(cb), art, pressed, minimisedState) {
    SetKind(GumpKind::TextButton, GumpTrait::kBase | GumpTrait::ButtonLike);
    blinkOnPeriod = 5;
    int w = 0, h = 0;
    GetGumpArtSize(art, &w, &h);
    SetFrame(0, PixelBlock(w, h));
}

void CTextButtonGump::SetTextId(int number) {
    CWideString text;
    LanguageManager::getLocalizedString(text, number);
    SetText(text.GetText());
}

void CTextButtonGump::SetText(const char16_t* text) {
    label = text ? text : u"";
    const int saved = UnicodeGetFont();
    UnicodeSetFont(1);
    const int tw = label.GetText() ? UnicodeGetStringWidth(label.GetText()) : 0;
    labelX = (width - tw) / 2;
    labelY = (height - 16) / 2 - 1;
    if (labelX < 1) labelX = 0;
    if (labelY < 1) labelY = 0;
    UnicodeSetFont(saved);
    painted = Face::None;
}

void CTextButtonGump::Update() {
    if (blinkArt == 0) {
        blinkShown = false;
        blinkCounter = blinkOffPeriod;
        return;
    }
    ++blinkCounter;
    if (blinkCounter > (blinkShown ? blinkOnPeriod : blinkOffPeriod)) {
        blinkShown = !blinkShown;
        blinkCounter = 0;
    }
}

void CTextButtonGump::Draw(const BlitTarget& target, const Rect& clip) {
    PixelBlock* face = Frame(0);
    if (IsClosed() || !visible || !face || face->Empty()) return;
    const int saved = UnicodeGetFont();
    UnicodeSetFont(1);
    Update();
    if (MeetsClip(this, clip)) {
        Face state = Face::Normal;
        if (frameIndex == 1)
            state = Face::Pressed;
        else if ((hovered || blinkShown) && hoverArt != 0)
            state = Face::Hover;
        if (state != painted) {
            painted = state;
            ++paintCount;
            const int art = state == Face::Pressed ? pressedArt : state == Face::Hover ? hoverArt : gumpArt;
            // Cleared first: a keyed art would keep the last label where it is transparent.
            face->Clear();
            const BlitTarget faceTarget = MakeBlitTarget(face->pixels.data(), face->width, face->height);
            DrawArt(faceTarget, CopySpanKeyed, art, kNoClip, 0, 0);
            if (label.GetText() && label.GetLength() > 0)
                UnicodeDrawString(faceTarget, label.GetText(), labelX,
                                  labelY + (state == Face::Pressed ? 2 : 0),
                                  state == Face::Normal ? kNormalColour : kLitColour, kNoClip);
        }
    }
    UnicodeSetFont(saved);
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    BlitPixelBlockTo(target, CopySpanKeyed, face->pixels.data(), face->width, face->height, clip, sx, sy);
}

// ------------------------------------------------ CThumbGump

CThumbGump::CThumbGump(int x_, int y_, bool vert, int trackEnd, CGump*, int art) : CGump(x_, y_, 0, 1, 0, 0) {
    SetKind(GumpKind::Thumb, GumpTrait::kBase);
    debugName = "Thumb gump";
    gumpArt = art;
    GetGumpArtSize(art, &width, &height);
    vertical = vert;
    xMin = xMax = x_;
    yMin = yMax = y_;
    const auto end = [&](int size) {
        return static_cast<int>(std::clamp<int64_t>(int64_t{trackEnd} - size, INT32_MIN, INT32_MAX));
    };
    if (vertical)
        yMax = end(height);
    else
        xMax = end(width);
}

std::function<bool(CGump*, CThumbGump::TextListView*)>& CThumbGump::TextListSource() {
    static std::function<bool(CGump*, TextListView*)> source;
    return source;
}

void CThumbGump::SetPosition(int value, int range) {
    // An empty list gives a range of 0.
    if (range < 1) range = 1;
    const int lo = vertical ? yMin : xMin, hi = vertical ? yMax : xMax;
    // In 128 bits: a track of 2^32 pixels times a value of 2^31 does not fit in 64.
    __int128 at = lo + static_cast<__int128>(int64_t{hi} - lo + 1) * value / range;
    if (at > hi) at = hi;
    if (at < INT32_MIN) at = INT32_MIN;
    (vertical ? y : x) = static_cast<int>(at);
}

void CThumbGump::SyncToTextList(const std::vector<int>& lineHeights, int topLine, int pixelOffset) {
    int64_t above = 0, total = 0;
    for (size_t i = 0; i < lineHeights.size(); ++i) {
        total += lineHeights[i];
        if (static_cast<int64_t>(i) < topLine) above += lineHeights[i];
    }
    if (total <= 0) {
        y = yMin;
        return;
    }
    const __int128 at =
        yMin + static_cast<__int128>(int64_t{yMax} - yMin + 1) * (above + pixelOffset) / total;
    y = static_cast<int>(std::clamp<__int128>(at, INT32_MIN, INT32_MAX));
}

void CThumbGump::SyncToTextList() {
    TextListView view;
    if (TextListSource() && TextListSource()(parent(), &view))
        SyncToTextList(view.lineHeights, view.topLine, view.pixelOffset);
    else
        y = yMin;
}

int CThumbGump::Position() const {
    return vertical ? y - yMin : x - xMin;
}

int CThumbGump::Range() const {
    return vertical ? yMax - yMin : xMax - xMin;
}

void CThumbGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible || !MeetsClip(this, clip)) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    DrawArt(target, CopySpanKeyed, hovered && hoverArt != 0 ? hoverArt : gumpArt, clip, sx + 1, sy);
}

bool CThumbGump::IsPointInside(int px, int py) {
    return !IsClosed() && visible && px >= 0 && py >= 0 && px < width && py < height;
}

void CThumbGump::HandleLButtonDown(int px, int py) {
    dragging = true;
    pressX = px;
    pressY = py;
}

void CThumbGump::HandleCaptureMove(int px, int py) {
    if (!dragging) return;
    x = std::clamp(x + (px - pressX), xMin, std::max(xMin, xMax));
    y = std::clamp(y + (py - pressY), yMin, std::max(yMin, yMax));
    if (CGump* p = parent()) p->HandleThumbMove(Position(), Range(), this);
}

void CThumbGump::HandleLButtonUp(int, int) {
    dragging = false;
    MouseManager::SetCapture(nullptr);
    if (CGump* p = parent()) p->HandleThumbRelease(Position(), Range(), this);
}

void CThumbGump::HandleRButtonDown(int px, int py) {
    if (CGump* p = parent()) p->HandleRButtonDown(px, py);
}

void CThumbGump::HandleRButtonUp(int px, int py) {
    if (CGump* p = parent()) p->HandleRButtonUp(px, py);
}

void CThumbGump::HandleMouseMove(int, int) {
    SelectNormalPointer();
    hovered = true;
}

void CThumbGump::HandleMouseMoveAway() {
    hovered = false;
}

// ------------------------------------------------ CToggleControlGump

CToggleControlGump::CToggleControlGump(int x_, int y_, CGump*, int unchecked, int checkedArt_, int font,
                                       int hue, const char* label, bool on, int roUnchecked, int roChecked)
    : CGump(x_, y_, 0, 1, 0, 0) {
    SetKind(GumpKind::ToggleControl, GumpTrait::kBase);
    debugName = "ToggleControl gump";
    gumpArt = unchecked;
    checkedArt = checkedArt_;
    readOnlyUncheckedArt = roUnchecked;
    readOnlyCheckedArt = roChecked;
    int aw = 0, ah = 0;
    GetGumpArtSize(unchecked, &aw, &ah);
    int lw = 0, lh = 0, baseline = 0;
    if (label) FontManager::CalcInfo(font, label, &lw, &lh, &baseline);
    width = aw + lw + 4;
    if (width & 1) ++width;
    height = ah;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (label)
        FontManager::DrawString(aw + 4, (ah - lh) / 2 + 2 + baseline, font, hue, label,
                                MakeBlitTarget(block.pixels.data(), block.width, block.height), kNoClip);
    checked = on;
    DrawCheckArt();
}

void CToggleControlGump::DrawCheckArt() {
    PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    int aw = 0, ah = 0;
    GetGumpArtSize(gumpArt, &aw, &ah);
    if (aw & 1) ++aw;
    FillBitmapRect(0, 0, aw - 1, ah - 1, 0,
                   PixelBlockView{block->pixels.data(), block->width, block->height});
    int art;
    if (hoverUncheckedArt != 0 && hovered)
        art = checked ? hoverCheckedArt : hoverUncheckedArt;
    else if (!readOnly)
        art = checked ? checkedArt : gumpArt;
    else
        art = checked ? readOnlyCheckedArt : readOnlyUncheckedArt;
    DrawArt(MakeBlitTarget(block->pixels.data(), block->width, block->height), CopySpanKeyed, art, kNoClip, 0,
            0);
}

void CToggleControlGump::SetChecked(bool on) {
    checked = on;
    DrawCheckArt();
}

void CToggleControlGump::Draw(const BlitTarget& target, const Rect& clip) {
    DrawControlFrame(this, target, clip);
}

bool CToggleControlGump::IsPointInside(int px, int py) {
    return !IsClosed() && IsPointInsideControlFrame(this, px, py);
}

void CToggleControlGump::HandleLButtonDown(int px, int py) {
    if (CGump* p = parent()) p->BringToFront(false);
    held = true;
    pressX = px;
    pressY = py;
}

void CToggleControlGump::HandleLButtonUp(int, int) {
    held = false;
    MouseManager::SetCapture(nullptr);
    if (readOnly) return;
    checked = !checked;
    DrawCheckArt();
    if (CGump* p = parent()) p->HandleChildChange(this);
}

void CToggleControlGump::HandleRButtonUp(int px, int py) {
    ControlRButtonUp(this, px, py);
}

void CToggleControlGump::HandleMouseMove(int, int) {
    const bool was = hovered;
    hovered = true;
    if (hoverUncheckedArt != 0 && !was) DrawCheckArt();
    if (!readOnly) SelectNormalPointer();
}

void CToggleControlGump::HandleMouseMoveAway() {
    hovered = false;
    if (hoverUncheckedArt != 0) DrawCheckArt();
}
