#include "gumps/CGump.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "platform/platform.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>
#include <utility>

// ------------------------------------------------ ClickTracker

bool ClickTracker::Press(int x, int y, uint32_t now) {
    const uint32_t limit = platform::GetDoubleClickTime();
    const bool near = std::abs(x - x_) <= kDragDistance && std::abs(y - y_) <= kDragDistance;
    if (pending_ && now - time_ < limit && near) {
        *this = ClickTracker{};
        held_ = true;
        return true;
    }
    pending_ = true;
    held_ = true;
    dragging_ = false;
    x_ = x;
    y_ = y;
    time_ = now;
    return false;
}

bool ClickTracker::Move(int x, int y) {
    if (!held_ || dragging_) return false;
    if (std::abs(x - x_) <= kDragDistance && std::abs(y - y_) <= kDragDistance) return false;
    dragging_ = true;
    pending_ = false;
    return true;
}

ClickTracker::Event ClickTracker::Tick(uint32_t now) {
    if (!pending_ || now - time_ < platform::GetDoubleClickTime()) return Event::None;
    pending_ = false;
    if (held_) {
        dragging_ = true;
        return Event::LongPress;
    }
    return Event::Single;
}

// ------------------------------------------------ construction and lifetime

CGump::CGump() : anchor_(std::make_shared<GumpAnchor>()) {
    anchor_->gump = this;
}

CGump::CGump(int x_, int y_, uint32_t owner, int frameCount, int w, int h) : CGump() {
    width = w;
    height = h;
    x = normalX = minimisedX = x_;
    y = normalY = minimisedY = y_;
    ownerSerial = owner;
    SetFrameCount(frameCount);
    if (GumpWorldAsk::Call(GumpWorld().isPlayer, owner)) gumpArt = 0;
}

CGump::~CGump() {
    // Freed by the manager after Close; a gump deleted directly is closed here first.
    if (!closed_) MarkClosed();
    CGumpManager::ForgetFreed(this);
    // Only a cell this gump still holds: after a restore another window may use the same cell.
    if (cellHeld) FreeMinimizeCell(cellX, cellY);
    FreeChildren();
    Unlink();
}

void CGump::FreeChildren() {
    while (CGump* child = firstChild_)
        delete child; // the child unlinks itself
}

void CGump::Unlink() {
    CGumpManager::TopLevelList& top = CGumpManager::TopLevel();
    CGump*& first = parent_ ? parent_->firstChild_ : top.first;
    CGump*& last = parent_ ? parent_->lastChild_ : top.last;
    const bool linked = previous_ || next_ || first == this;
    if (!linked) return;
    if (previous_)
        previous_->next_ = next_;
    else
        first = next_;
    if (next_)
        next_->previous_ = previous_;
    else
        last = previous_;
    next_ = previous_ = nullptr;
}

void CGump::Attach(CGump* parent) {
    if (closed_) return;
    Unlink();
    parent_ = parent;
    CGumpManager::TopLevelList& top = CGumpManager::TopLevel();
    CGump*& first = parent ? parent->firstChild_ : top.first;
    CGump*& last = parent ? parent->lastChild_ : top.last;
    next_ = first;
    previous_ = nullptr;
    if (first) first->previous_ = this;
    first = this;
    if (!last) last = this;
}

void CGump::MarkClosed() {
    closed_ = true;
    anchor_->gump = nullptr;
    for (CGump* c = firstChild_; c; c = c->next_)
        if (!c->closed_) c->MarkClosed();
}

void CGump::Close() {
    if (closed_) return;
    // The focus, capture, modal and hover slots are refs: marking the subtree closed empties every
    // one of them that names a gump in it. A focus inside goes quietly.
    CGump* focus = CGumpManager::GetFocus();
    if (focus && IsAncestorOf(focus)) {
        MarkClosed();
        CGumpManager::KillFocus();
    } else {
        MarkClosed();
    }
    if (ownerSerial != 0 && GumpWorld().forgetGump) GumpWorld().forgetGump(ownerSerial, this);
    CGumpManager::QueueClosed(this);
}

bool CGump::IsShown() const {
    for (const CGump* g = this; g; g = g->parent_)
        if (g->closed_ || !g->visible) return false;
    return true;
}

bool CGump::IsAncestorOf(const CGump* other) const {
    for (const CGump* g = other; g; g = g->parent_)
        if (g == this) return true;
    return false;
}

void CGump::UpdateChildren() {
    // A child's Update may close it or a sibling; closed gumps stay linked until the next safe point.
    for (CGump* c = firstChild_; c;) {
        CGump* next = c->next_;
        if (!c->closed_) c->Update();
        if (closed_) return;
        c = next;
    }
}

// ------------------------------------------------ frames

void CGump::SetFrameCount(int count) {
    frames_.clear();
    frames_.resize(static_cast<size_t>(std::max(count, 0)));
}

PixelBlock* CGump::Frame(int i) {
    if (i < 0 || i >= FrameCount()) return nullptr;
    return frames_[static_cast<size_t>(i)].get();
}

const PixelBlock* CGump::CurrentFrame() const {
    if (frameIndex < 0 || frameIndex >= FrameCount()) return nullptr;
    const PixelBlock* block = frames_[static_cast<size_t>(frameIndex)].get();
    return block && !block->Empty() ? block : nullptr;
}

PixelBlock& CGump::SetFrame(int i, PixelBlock block) {
    if (i >= FrameCount()) frames_.resize(static_cast<size_t>(i) + 1);
    frames_[static_cast<size_t>(i)] = std::make_unique<PixelBlock>(std::move(block));
    return *frames_[static_cast<size_t>(i)];
}

// ------------------------------------------------ coordinates

void CGump::GumpToScreenCoords(const CGump* gump, int* x, int* y) {
    bool areaRelative = false;
    for (const CGump* g = gump; g; g = g->parent_) {
        *x += g->x;
        *y += g->y;
        areaRelative = areaRelative || g->IsGameAreaRelative();
    }
    if (areaRelative) {
        int ox = 0, oy = 0;
        CGumpManager::GetGameAreaOffset(ox, oy);
        *x += ox;
        *y += oy;
    }
}

void CGump::ScreenToGumpCoords(const CGump* gump, int* x, int* y) {
    int sx = 0, sy = 0;
    GumpToScreenCoords(gump, &sx, &sy);
    *x -= sx;
    *y -= sy;
}

Rect CGump::ScreenRect() const {
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    int w = width, h = height;
    if (minimised && minimisedWidth > 0) {
        w = minimisedWidth;
        h = minimisedHeight;
    }
    return Rect{sx, sy, sx + w, sy + h};
}

// ------------------------------------------------ hit test

bool CGump::IsPointInside(int px, int py) {
    if (px < 0 || py < 0 || closed_) return false;
    bool inside = false;
    if (ShowsItemArt()) {
        int graphic = GumpWorld().itemGraphic ? GumpWorld().itemGraphic(ownerSerial) : -1;
        const ArtItem* art = graphic >= 0 ? GetArt(graphic + kFirstItemArtId) : nullptr;
        inside = art && px < art->width && py < art->height && GetArtPixel(art, px, py) != 0;
    } else if (gumpArt < 0) {
        // Only inside the block, by its own width: smaller frames and frameless windows read nothing.
        const PixelBlock* block = CurrentFrame();
        inside = block && block->Contains(px, py) && (!UsesTransparency() || block->At(px, py) != 0);
    } else {
        int w = 0, h = 0;
        GetGumpArtSize(gumpArt, &w, &h);
        inside = px < w && py < h && GetGumpArtPixel(gumpArt, px, py) != 0;
    }
    if (inside) return true;
    // A child that lies outside its parent's pixels is still part of the window.
    for (CGump* c = firstChild_; c; c = c->next_) {
        if (c->closed_ || !c->visible || (c->group != 0 && c->group != group)) continue;
        if (c->IsButtonGump() && c->minimisedStateButton != minimised) continue;
        if (c->IsPointInside(px - c->x, py - c->y)) return true;
    }
    return false;
}

CGump* CGump::GetGumpAt(int px, int py, const CGump* exclude) {
    if (!IsPointInside(px, py)) return nullptr;
    for (CGump* c = firstChild_; c; c = c->next_) {
        if (!QV_VALID_OBJECT(static_cast<CTrackedObject*>(c))) {
            QVReport::error(
                "CGump::GetGumpAt: either pointer 'pGump' is not valid, or the data it points to is "
                "not valid. returning FALSE.\n");
            return nullptr;
        }
        if (c->closed_ || !c->visible) continue;
        if (c->IsButtonGump() && c->minimisedStateButton != minimised) continue;
        if (c->group != 0 && c->group != group) continue;
        const int cx = px - c->x, cy = py - c->y;
        if (c != exclude && c->IsPointInside(cx, cy)) return c->GetGumpAt(cx, cy, nullptr);
    }
    return this;
}

// ------------------------------------------------ drawing

void CGump::PreDraw(const BlitTarget& target, const Rect& clip) {
    if (closed_ || !visible) return;
    const Rect r = IntersectRect(ScreenRect(), clip);
    if (!r.IsEmpty()) {
        drawn = true;
        CGumpManager::SaveUnder(target, r);
    }
    for (CGump* c = lastChild_; c; c = c->previous_)
        c->PreDraw(target, clip);
}

void CGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (closed_ || !visible) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    const SpanOp op = UsesTransparency() ? CopySpanKeyed : CopySpan;
    if (gumpArt >= 0) {
        if (const GumpArtItem* art = GetGumpArt(gumpArt)) DrawGumpArtTo(target, op, art, clip, sx, sy);
    } else if (const PixelBlock* block = CurrentFrame()) {
        BlitPixelBlockTo(target, op, block->pixels.data(), block->width, block->height, clip, sx, sy);
    }
    for (CGump* c = lastChild_; c; c = c->previous_)
        if (c->group == 0 || c->group == group) c->Draw(target, clip);
}

// ------------------------------------------------ default handlers

void CGump::HandleLButtonUp(int, int) {
    // A window without a release of its own must not keep taking every later click.
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
}

void CGump::HandleRButtonUp(int, int) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
}

void CGump::HandleMouseMove(int, int) {
    MouseManager::SetCursor(MouseManager::kNormalCursor);
}

void CGump::HandleMouseMoveAway() {
    MouseManager::SetCursor(0);
}

int CGump::GetTooltipId(int, int) {
    return tooltipId != kNoTooltip ? tooltipId : gumpArt;
}

// ------------------------------------------------ z-order and moving

void CGump::BringToFront(bool keepFocus) {
    if (closed_ || IsCharCreationGump() || KeepsZOrder()) return;
    if (!keepFocus) {
        CGump* focus = CGumpManager::GetFocus();
        if (focus && focus->parent_ != this && focus != this) CGumpManager::KillFocus();
    }
    CGumpManager::TopLevelList& top = CGumpManager::TopLevel();
    CGump* first = parent_ ? parent_->firstChild_ : top.first;
    if (first == this) return;
    Attach(parent_);
    if (IsBarkGump()) return;
    // The overhead texts that follow this gump stay above it.
    std::vector<CGump*> barks;
    for (CGump* g = top.last; g && g != this; g = g->previous_)
        if (!g->closed_ && g->IsBarkGump() && g->BarkHolderGump() == this) barks.push_back(g);
    for (CGump* b : barks)
        b->BringToFront(false);
}

void CGump::MoveBy(int dx, int dy, bool top, Rect* dirty, bool clamp) {
    Rect local{};
    Rect* acc = top ? &local : dirty;
    const Rect old = ScreenRect();
    if (top) {
        local = old;
        const int oldX = x, oldY = y;
        x += dx;
        y += dy;
        if (clamp) {
            const int w = old.Width(), h = old.Height();
            const int bw = BackBuffer::Width(), bh = BackBuffer::Height();
            const int m = std::min(w, 50), n = std::min(h, 50);
            const int sx = old.left + (x - oldX), sy = old.top + (y - oldY);
            const int cx = std::clamp(sx, m - w, std::max(m - w, bw - m));
            const int cy = std::clamp(sy, n - h, std::max(n - h, bh - n));
            x += cx - sx;
            y += cy - sy;
        }
        dx = x - oldX;
        dy = y - oldY;
    } else if (acc) {
        UniteRects(acc, old);
    }
    for (CGump* c = firstChild_; c; c = c->next_)
        c->MoveBy(dx, dy, false, acc, false);
    if (top) {
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (!g->IsClosed() && g->IsBarkGump() && g->BarkHolderGump() == this) {
                if (acc) UniteRects(acc, g->ScreenRect());
                g->x += dx;
                g->y += dy;
                if (acc) UniteRects(acc, g->ScreenRect());
            }
        if (acc) UniteRects(acc, ScreenRect());
        // Cut to the back buffer, whatever its size.
        if (dirty) *dirty = IntersectRect(local, Rect{0, 0, BackBuffer::Width(), BackBuffer::Height()});
    }
}

void CGump::ClampToScreen() {
    int w = 0, h = 0;
    if (IsOptionsGump() || IsPartyGump()) {
        w = 500;
        h = 400;
    } else if (IsHueGump()) {
        w = 290;
        h = 170;
    } else if (IsChatGump()) {
        w = 300;
        h = 200;
    } else if (IsContextHelp()) {
        w = 400;
        h = 300;
    } else {
        GetGumpArtSize(gumpArt, &w, &h);
    }
    const int bw = BackBuffer::Width(), bh = BackBuffer::Height();
    if (x < 0)
        x = 0;
    else if (x + w > bw)
        x = bw - w;
    if (y < 0)
        y = 0;
    else if (y + h > bh)
        y = bh - h;
}

void CGump::PlaceBesideGameArea() {
    int w = 0, h = 0;
    GetGumpArtSize(gumpArt, &w, &h);
    const int sw = GraphicManager::GetScreenWidth(), sh = GraphicManager::GetScreenHeight();
    if (sh - h / 2 - y < sw - w / 2 - x)
        y = sh + 5;
    else
        x = sw + 5;
    ClampToScreen();
}

// ------------------------------------------------ rectangles

bool RectsOverlap(const Rect& a, const Rect& b) {
    return b.left < a.right && a.left < b.right && b.top < a.bottom && a.top < b.bottom;
}

void UniteRects(Rect* acc, const Rect& b) {
    if (!acc) return;
    if (*acc == Rect{}) {
        *acc = b;
        return;
    }
    acc->left = std::min(acc->left, b.left);
    acc->top = std::min(acc->top, b.top);
    acc->right = std::max(acc->right, b.right);
    acc->bottom = std::max(acc->bottom, b.bottom);
}

// ------------------------------------------------ shared slot fillers

void DeleteSelfHandler(CGump* gump, int, int) {
    if (gump) gump->Close();
}

void ParentRButtonUpHandler(CGump* gump, int x, int y) {
    if (!gump || !gump->parent()) return;
    gump->parent()->HandleRButtonUp(x + gump->x, y + gump->y);
}

void DeleteGumpCallback(CGump* gump) {
    if (gump) gump->Close();
}

void ForwardButtonPress(CGump* gump) {
    if (gump) gump->HandleButtonPress(gump->pressedButtonId);
}

void BringToFrontHandler(CGump* gump) {
    if (gump) gump->BringToFront(false);
}

void ReleaseCaptureHandler(CGump*) {
    MouseManager::SetCapture(nullptr);
}

bool IsPointInsideFrame(const CGump* gump, int x, int y) {
    const PixelBlock* block = gump ? gump->CurrentFrame() : nullptr;
    return block && block->Contains(x, y);
}

void DialogDraw(CGump* gump, const BlitTarget& target, const Rect& clip) {
    if (gump) gump->CGump::Draw(target, clip);
}

void DialogBeginDrag(CGump* gump, DialogDragState& state, int x, int y) {
    if (!gump) return;
    gump->BringToFront(false);
    state.dragging = true;
    gump->pressX = x;
    gump->pressY = y;
}

void DialogDrag(CGump* gump, DialogDragState& state, int x, int y) {
    if (!gump || !state.dragging) return;
    state.dirty = Rect{};
    gump->MoveBy(x - gump->pressX, y - gump->pressY, true, &state.dirty, true);
}

void DialogEndDrag(CGump*, DialogDragState& state) {
    state.dragging = false;
    MouseManager::SetCapture(nullptr);
}

// ------------------------------------------------ the minimise grid

// ---------------------------------------------------------------- pixel buffers
namespace {

struct Spare {
    uint16_t* data = nullptr;
    size_t capacity = 0;
};

struct Spares {
    std::mutex mutex;
    Spare kept[PixelBuffer::kSpares];
    int count = 0;
};

Spares& KeptSpares() {
    static Spares* spares = new Spares; // never destroyed: blocks may be freed during exit
    return *spares;
}

} // namespace

uint16_t* PixelBuffer::Take(size_t count, size_t& capacity) {
    if (count >= kSpareFrom) {
        Spares& s = KeptSpares();
        std::lock_guard<std::mutex> lock(s.mutex);
        // The smallest spare that holds the block without wasting more than it uses.
        int best = -1;
        for (int i = 0; i < s.count; ++i)
            if (s.kept[i].capacity >= count && s.kept[i].capacity / 2 <= count &&
                (best < 0 || s.kept[i].capacity < s.kept[best].capacity))
                best = i;
        if (best >= 0) {
            const Spare spare = s.kept[best];
            s.kept[best] = s.kept[--s.count];
            ASAN_UNPOISON_MEMORY_REGION(spare.data, spare.capacity * sizeof(uint16_t));
            std::memset(spare.data, 0, count * sizeof(uint16_t));
            capacity = spare.capacity;
            return spare.data;
        }
    }
    auto* data = static_cast<uint16_t*>(std::calloc(count, sizeof(uint16_t)));
    if (!data) throw std::bad_alloc();
    capacity = count;
    return data;
}

void PixelBuffer::Give(uint16_t* data, size_t capacity) {
    if (!data) return;
    if (capacity >= kSpareFrom) {
        Spares& s = KeptSpares();
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.count < kSpares) {
            // Poisoned while kept: a pointer kept into a freed block still faults under the sanitizer.
            ASAN_POISON_MEMORY_REGION(data, capacity * sizeof(uint16_t));
            s.kept[s.count++] = {data, capacity};
            return;
        }
    }
    std::free(data);
}

int PixelBuffer::SpareCount() {
    Spares& s = KeptSpares();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.count;
}

void PixelBuffer::DropSpares() {
    Spares& s = KeptSpares();
    std::lock_guard<std::mutex> lock(s.mutex);
    while (s.count > 0) {
        const Spare spare = s.kept[--s.count];
        ASAN_UNPOISON_MEMORY_REGION(spare.data, spare.capacity * sizeof(uint16_t));
        std::free(spare.data);
    }
}

namespace {
struct MinimizeGrid {
    // A set: a desktop of many minimised windows looks a cell up once per cell tried.
    std::set<std::pair<int, int>> used;
};
MinimizeGrid& Grid() {
    static MinimizeGrid grid;
    return grid;
}
} // namespace

bool FindMinimizeCell(int* cellX, int* cellY) {
    const int w = GraphicManager::GetScreenWidth(), h = GraphicManager::GetScreenHeight();
    if (w - 112 <= 16) return false;
    auto& used = Grid().used;
    for (int x = 16; x < w - 112; x += 96)
        for (int y = 16; y < h - 80; y += 64)
            if (used.insert({x, y}).second) {
                *cellX = x;
                *cellY = y;
                return true;
            }
    return false;
}

void FreeMinimizeCell(int cellX, int cellY) {
    Grid().used.erase(std::make_pair(cellX, cellY));
}

void MinimizeGump(CGump* gump) {
    if (!gump) return;
    if (gump->cellX == 0 && gump->cellY == 0 && AutoArrangeMinimized) {
        int cx = 0, cy = 0;
        gump->cellHeld = FindMinimizeCell(&cx, &cy);
        gump->cellX = cx;
        gump->cellY = cy;
        gump->minimisedX = cx;
        gump->minimisedY = cy;
    }
    gump->normalX = gump->x;
    gump->normalY = gump->y;
    gump->minimised = true;
    gump->x = gump->minimisedX;
    gump->y = gump->minimisedY;
}

void RestoreGump(CGump* gump) {
    if (!gump) return;
    gump->minimisedX = gump->x;
    gump->minimisedY = gump->y;
    gump->x = gump->normalX;
    gump->y = gump->normalY;
    gump->minimised = false;
    // The window keeps its cell coordinates: minimising again reuses the remembered place.
    if (gump->cellHeld) FreeMinimizeCell(gump->cellX, gump->cellY);
    gump->cellHeld = false;
}

void ResetMinimizeGridForTests() {
    Grid() = MinimizeGrid{};
}
