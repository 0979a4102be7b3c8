#include "gumps/MessageGumps.h"

#include "gumps/CGumpManager.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "render/Art.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <algorithm>
#include <cstring>

namespace {

GumpRef<CWaitingGump>& PendingBox() {
    static GumpRef<CWaitingGump> box;
    return box;
}

bool MeetsClip(const CGump* g, const Rect& clip) {
    return !IntersectRect(g->ScreenRect(), clip).IsEmpty();
}

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
}

// The cursor request with the game display taken as entered: before it the request would be
// turned into the normal pointer.
void SetCursorAsInGame(int cursor) {
    GumpWorldServices& world = GumpWorld();
    std::function<bool()> saved = std::move(world.inGameDisplay);
    world.inGameDisplay = [] { return true; };
    MouseManager::SetCursor(cursor);
    world.inGameDisplay = std::move(saved);
}

} // namespace

// ------------------------------------------------ CDumbGump

CDumbGump::CDumbGump(int x_, int y_, CGump*, int w, int h, int itemArt, const uint16_t* pixels, int art)
    : CGump(x_, y_, 0, 1, w, h) {
    SetKind(GumpKind::Dumb, GumpTrait::Transparency);
    debugName = "dumb gump";
    itemArtId = itemArt;
    PixelBlock& block = SetFrame(0, PixelBlock(w, h));
    if (pixels && !block.Empty()) std::copy(pixels, pixels + block.pixels.size(), block.pixels.begin());
    if (art != -1) {
        if (const GumpArtItem* item = GetGumpArt(art))
            DrawGumpArtTo(TargetOf(block), CopySpan, item, kNoClip, 0, 0);
    }
}

void CDumbGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible || !MeetsClip(this, clip)) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    if (itemArtMode) {
        if (const ArtItem* art = GetArt(itemArtId)) DrawArtTo(target, CopySpan, art, clip, sx, sy);
        return;
    }
    if (const PixelBlock* block = Frame(0); block && !block->Empty())
        BlitPixelBlockTo(target, translucent ? TranslucentSpanKeyed : CopySpanKeyed, block->pixels.data(),
                         block->width, block->height, clip, sx, sy);
}

// ------------------------------------------------ CSignGump

CSignGump::CSignGump(int x_, int y_, int art, int, const char* text, uint32_t owner)
    : CGump(x_, y_, owner, 1, 0, 0) {
    SetKind(GumpKind::Sign, GumpTrait::kBase);
    debugName = "sign gump";
    gumpArt = art;
    GetGumpArtSize(art, &width, &height);
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (const GumpArtItem* item = GetGumpArt(art))
        DrawGumpArtTo(TargetOf(block), CopySpan, item, kNoClip, 0, 0);
    // The area's right and bottom are inside it.
    const Rect area = GetContainerItemRect(art);
    if (text)
        FontManager::DrawstringBuf(area.left, area.top, kTextFont, kTextHue, text, area.right - area.left + 1,
                                   TargetOf(block),
                                   Rect{area.left, area.top, area.right + 1, area.bottom + 1}, 0, 0, false);
}

void CSignGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    const PixelBlock* block = Frame(0);
    if (!block || block->Empty()) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    BlitPixelBlockTo(target, CopySpanKeyed, block->pixels.data(), block->width, block->height, clip, sx, sy);
}

bool CSignGump::IsPointInside(int px, int py) {
    const PixelBlock* block = Frame(0);
    return !IsClosed() && block && block->Contains(px, py) && block->At(px, py) != 0;
}

void CSignGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}

void CSignGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
}

void CSignGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}

void CSignGump::HandleRButtonUp(int, int) {
    MouseManager::ReleaseCaptureOf(this);
    Close();
}

// ------------------------------------------------ CWaitingGump

CWaitingGump::CWaitingGump(int x_, int y_, const char* text, CGump* owner, bool cancelStyle, bool large_,
                           int value_)
    : CGump(x_, y_, 0, 2, 0, 0) {
    text_ = text ? text : "";
    if (text_.size() > kMaxTextBytes) text_.resize(kMaxTextBytes);
    large = large_;
    value = value_;
    Build(owner, cancelStyle);
}

CWaitingGump::CWaitingGump(int x_, int y_, const char16_t* text, CGump* owner, bool cancelStyle, bool large_,
                           int value_)
    : CGump(x_, y_, 0, 2, 0, 0) {
    wideText_ = text ? text : u"";
    if (wideText_.size() > kMaxTextUnits) {
        wideText_.resize(kMaxTextUnits);
        // No half of a surrogate pair at the end.
        if (wideText_.back() >= 0xD800 && wideText_.back() <= 0xDBFF) wideText_.pop_back();
    }
    unicode = true;
    large = large_;
    value = value_;
    Build(owner, cancelStyle);
}

void CWaitingGump::Build(CGump* owner, bool cancelStyle) {
    SetKind(GumpKind::Waiting, GumpTrait::Transparency | GumpTrait::GameAreaRelative);
    debugName = "waiting gump";
    gumpArt = kFrameArt;
    int w0 = 0, h0 = 0;
    GetGumpArtSize(kFrameArt, &w0, &h0);
    owner_ = owner;

    previousFocus_ = CGumpManager::GetFocus();
    if (previousFocus_.get() != this) CGumpManager::SetFocus(this);

    width = 2 * w0 + (large ? kLargeTextWidth : kSmallTextWidth);
    height = 2 * h0 + (large ? 124 : 33);
    if (GumpWorld().inGameDisplay && GumpWorld().inGameDisplay()) {
        x = GraphicManager::GetScreenHalfWidth() - width / 2;
        y = GraphicManager::GetScreenHalfHeight() - height / 2;
    } else {
        x = 320 - width / 2;
        y = 240 - height / 2;
    }
    normalX = minimisedX = x;
    normalY = minimisedY = y;

    PixelBlock& background = SetFrame(1, PixelBlock(width, height));
    DrawGumpFrame(kFrameArt, background, true);
    RenderText();

    int bw = 0, bh = 0;
    GetGumpArtSize(1150, &bw, &bh);
    CButtonGump* button = cancelStyle
                              ? new CButtonGump((width - bw) / 2, height - 2 * bh, this, CButtonGump::Release,
                                                0, WaitingGumpButton, 1150, 1152, false)
                              : new CButtonGump((width - bw) / 2, height - 2 * bh, this, CButtonGump::Release,
                                                0, WaitingGumpButton, 1153, 1155, false);
    button->hoverArt = cancelStyle ? 1151 : 1154;
    button->Attach(this);
    button_ = button;
    if (cancelStyle && large) {
        busy = true;
        MouseManager::BeginBusy();
        SetCursorAsInGame(MouseManager::kNormalCursor);
    }
}

void CWaitingGump::RenderText() {
    PixelBlock* background = Frame(1);
    if (!background) return;
    PixelBlock& face = SetFrame(0, *background);
    const int areaWidth = large ? kLargeTextWidth : kSmallTextWidth;
    const Rect area{kTextLeft, kTextTop, kTextLeft + areaWidth, large ? 168 : 77};
    const BlitTarget target = TargetOf(face);
    if (unicode) {
        const int font = UnicodeGetFont(), space = UnicodeGetSpaceWidth();
        const uint8_t antiAlias = UnicodeGetAntiAlias();
        UnicodeSetFont(0);
        UnicodeSetSpaceWidth(6);
        UnicodeSetAntiAlias(0);
        UnicodeDrawStringWrap(target, areaWidth, wideText_.c_str(), kTextLeft, kTextTop, kUnicodeColour, area,
                              true);
        UnicodeSetFont(font);
        UnicodeSetSpaceWidth(space);
        UnicodeSetAntiAlias(antiAlias);
    } else {
        FontManager::DrawstringBuf(kTextLeft, kTextTop, large ? 2 : 1, kTextHue, text_.c_str(), areaWidth,
                                   target, area, 0, 0, true);
    }
}

CWaitingGump::~CWaitingGump() {
    if (busy) {
        MouseManager::EndBusy();
        SetCursorAsInGame(MouseManager::kNormalCursor);
    }
    // Modal and pending slots are refs: they are empty already. The focus goes back only to a gump
    // that is still alive.
    if (CGump* previous = previousFocus_.get()) CGumpManager::SetFocus(previous);
}

void CWaitingGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    const PixelBlock* face = Frame(0);
    if (!face || face->Empty() || !MeetsClip(this, clip)) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    BlitPixelBlockTo(target, CopySpanKeyed, face->pixels.data(), face->width, face->height, clip, sx, sy);
    for (CGump* c = lastChild(); c; c = c->previous())
        c->Draw(target, clip);
}

bool CWaitingGump::IsPointInside(int px, int py) {
    if (IsClosed()) return false;
    // A large box covers the whole screen for the mouse.
    if (large) return true;
    const PixelBlock* face = Frame(0);
    return face && face->Contains(px, py) && face->At(px, py) != 0;
}

void CWaitingGump::HandleLButtonDown(int px, int py) {
    if (CGumpManager::GetModal() != this) BringToFront(false);
    dragging = true;
    pressX = px;
    pressY = py;
}

void CWaitingGump::HandleLButtonUp(int, int) {
    dragging = false;
    MouseManager::SetCapture(nullptr);
}

void CWaitingGump::HandleCaptureMove(int px, int py) {
    if (!dragging || large) return;
    MoveBy(px - pressX, py - pressY, true, nullptr, true);
}

void CWaitingGump::HandleKey(int key) {
    if (key == 13) WaitingGumpButton(this);
}

void WaitingGumpButton(CGump* gump) {
    CWaitingGump* box = gump_cast<CWaitingGump>(gump);
    if (!box || box->IsClosed()) return;
    if (CGump* owner = box->Owner()) owner->visible = true;
    if (PendingBox().get() == box) PendingBox().reset();
    // Logging out closes the box with every other window; without a log-out the box just closes.
    if (box->value != 0 && GumpSlotTable().logOut)
        GumpSlotTable().logOut();
    else
        box->Close();
}

CWaitingGump* GetPendingWaitingGump() {
    return PendingBox().get();
}

void SetPendingWaitingGump(CWaitingGump* box) {
    PendingBox() = box;
}

// ------------------------------------------------ CYesNoGump

CYesNoGump::CYesNoGump(const char* text, ButtonCallback right, ButtonCallback left, CGump* owner)
    : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Other, GumpTrait::Transparency);
    debugName = "YesNo gump";
    owner_ = owner;
    GetGumpArtSize(kBackgroundArt, &width, &height);
    x = normalX = GraphicManager::GetScreenWidth() / 2 - width / 2;
    y = normalY = GraphicManager::GetScreenHeight() / 2 - height / 2;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (const GumpArtItem* item = GetGumpArt(kBackgroundArt))
        DrawGumpArtTo(TargetOf(block), CopySpan, item, kNoClip, 0, 0);
    if (text)
        FontManager::DrawstringBuf(kTextArea.left, kTextArea.top, kTextFont, kTextHue, text, kWrapWidth,
                                   TargetOf(block), kTextArea, 0, 0, false);
    auto* r = new CButtonGump(100, 75, this, CButtonGump::Release, 0, std::move(right), 2074, 2075, false);
    r->hoverArt = 2076;
    r->Attach(this);
    right_ = r;
    auto* l = new CButtonGump(37, 75, this, CButtonGump::Release, 0, std::move(left), 2071, 2072, false);
    l->hoverArt = 2073;
    l->Attach(this);
    left_ = l;
    Attach(nullptr);
    CGumpManager::SetModal(this);
}

bool CYesNoGump::IsPointInside(int px, int py) {
    const PixelBlock* block = Frame(0);
    return !IsClosed() && block && block->Contains(px, py);
}

void CYesNoGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}

void CYesNoGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}

void CYesNoGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
}

void CYesNoGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

// ------------------------------------------------ container item areas

Rect GetContainerItemRect(int gumpId) {
    struct Area {
        int id, left, top, right, bottom;
    };
    static constexpr Area kAreas[] = {
        {7, 30, 30, 270, 170},   {9, 20, 85, 124, 196},   {60, 44, 65, 186, 159},  {61, 29, 34, 137, 128},
        {62, 33, 36, 142, 148},  {63, 19, 47, 182, 123},  {64, 16, 38, 152, 125},  {65, 35, 38, 145, 116},
        {66, 18, 105, 162, 178}, {73, 18, 105, 162, 178}, {74, 18, 105, 162, 178}, {67, 16, 51, 184, 124},
        {75, 16, 51, 184, 124},  {68, 20, 10, 170, 100},  {71, 16, 10, 148, 138},  {72, 16, 10, 154, 94},
        {81, 16, 10, 154, 94},   {76, 46, 74, 196, 184},  {77, 76, 12, 140, 68},   {78, 24, 96, 196, 152},
        {79, 24, 96, 196, 152},  {82, 0, 0, 110, 62},     {2330, 0, 0, 282, 230},  {2350, 0, 0, 282, 210},
    };
    for (const Area& a : kAreas)
        if (a.id == gumpId) return Rect{a.left, a.top, a.right, a.bottom};
    return Rect{0, 0, 200, 200};
}
