#include "render/DirtyRects.h"

#include "core/QVReport.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DrawManager.h"
#include "render/FrameServices.h"
#include "render/GraphicManager.h"
#include "render/Light.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

struct DirtyState {
    Rect list[kDirtyRectLargeLimit];
    int count = 0;
    bool allDirty = false;
    bool largeLimit = false;
    bool coloredLighting = true;
};
DirtyState& S() {
    static DirtyState s;
    return s;
}

Rect Screen() {
    return Rect{0, 0, BackBuffer::Width(), BackBuffer::Height()};
}

bool Overlap(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

void ClearBackBuffer() {
    if (uint16_t* p = BackBuffer::Pixels())
        std::memset(p, 0, static_cast<size_t>(BackBuffer::PixelCount()) * sizeof(uint16_t));
}

// The wrap point as a screen position: the first screen pixel that lies at the buffer's start.
struct Wrap {
    int64_t position;
    int row;
    int column;
};
Wrap WrapPoint() {
    const int w = BackBuffer::Width();
    int64_t p = int64_t{BackBuffer::PixelCount()} - BackBuffer::RingOffset();
    return Wrap{p, static_cast<int>(p / w), static_cast<int>(p % w)};
}

// Calls add for each piece of r that lies wholly on one side of the wrap.
template <typename Add> void SplitAtWrap(const Rect& r, Add add) {
    if (!StraddlesRingWrap(r)) {
        add(r);
        return;
    }
    const Wrap wrap = WrapPoint();
    const int wr = wrap.row, wc = wrap.column;
    if (r.left < wc && wc < r.right) {
        add(Rect{r.left, r.top, wc, wr + 1});
        add(Rect{wc, r.top, r.right, wr});
        add(Rect{wc, wr, r.right, r.bottom});
        add(Rect{r.left, wr + 1, wc, r.bottom});
    } else if (wc <= r.left) {
        add(Rect{r.left, r.top, r.right, wr});
        add(Rect{r.left, wr, r.right, r.bottom});
    } else {
        add(Rect{r.left, r.top, r.right, wr + 1});
        add(Rect{r.left, wr + 1, r.right, r.bottom});
    }
}

bool DeathFadeRuns() {
    return GraphicManager::GetDeathFadeCounter() != 0;
}

} // namespace

bool StraddlesRingWrap(const Rect& r) {
    if (r.IsEmpty()) return false;
    const int64_t w = BackBuffer::Width();
    const int64_t p = WrapPoint().position;
    int64_t first = r.top * w + r.left;
    int64_t last = (r.bottom - 1) * w + r.right - 1;
    return first < p && last >= p;
}

void DirtyRect(const Rect* r) {
    if (!r) {
        QVReport::error("DirtyRect: r == 0\n");
        return;
    }
    if (S().allDirty || DeathFadeRuns()) return;
    const Rect screen = Screen();
    if (!(r->left < screen.right && r->right > 0 && r->top < screen.bottom && r->bottom > 0)) return;
    Rect clamped = IntersectRect(*r, screen);
    SplitAtWrap(clamped, [](const Rect& piece) { DirtyRect_Internal(&piece); });
}

void DirtyRect_Internal(const Rect* r) {
    if (!r) {
        QVReport::error("DirtyRect_Internal: r == 0\n");
        return;
    }
    if (S().allDirty || r->IsEmpty() || IntersectRect(*r, Screen()).IsEmpty()) return;
    DirtyState& s = S();
    const int limit = s.largeLimit ? kDirtyRectLargeLimit : kDirtyRectLimit;
    if (s.count >= limit) {
        BackBuffer::SetRingOffset(0);
        s.list[0] = Screen();
        s.count = 1;
        s.allDirty = true;
        ClearBackBuffer();
        return;
    }
    for (int i = 0; i < s.count; ++i) {
        const Rect l = s.list[i];
        if (!Overlap(l, *r)) continue;
        const int top = std::max(r->top, l.top), bottom = std::min(r->bottom, l.bottom);
        Rect parts[4];
        int n = 0;
        if (r->left < l.left) parts[n++] = Rect{r->left, top, l.left, bottom};
        if (l.right < r->right) parts[n++] = Rect{l.right, top, r->right, bottom};
        if (r->top < l.top) parts[n++] = Rect{r->left, r->top, r->right, l.top};
        if (l.bottom < r->bottom) parts[n++] = Rect{r->left, l.bottom, r->right, r->bottom};
        for (int k = 0; k < n; ++k)
            DirtyRect_Internal(&parts[k]);
        return;
    }
    s.list[s.count++] = *r;
}

void InvalidateAll() {
    if (S().allDirty || DeathFadeRuns() || !BackBuffer::Exists()) return;
    BackBuffer::SetRingOffset(0);
    S().count = 0;
    Rect screen = Screen();
    DirtyRect(&screen);
    S().allDirty = true;
    ClearBackBuffer();
}

void ResetDirtyRects() {
    S().allDirty = false;
    InvalidateAll();
}

void ScrollBackBuffer(int dx, int dy) {
    if (S().allDirty) return;
    const int w = BackBuffer::Width(), h = BackBuffer::Height();
    const int64_t n = BackBuffer::PixelCount();
    if (n <= 0) return;
    int64_t o = (BackBuffer::RingOffset() - int64_t{dx} - int64_t{dy} * w) % n;
    BackBuffer::SetRingOffset(static_cast<int>(o < 0 ? o + n : o));
    // The pixels that now show the strips coming in held what scrolled out: clear them.
    if (dx < 0) BackBuffer::FillRect(Rect{w + dx, 0, w, h}, 0);
    if (dx > 0) BackBuffer::FillRect(Rect{0, 0, dx, h}, 0);
    if (dy < 0) BackBuffer::FillRect(Rect{0, h + dy, w, h}, 0);
    if (dy > 0) BackBuffer::FillRect(Rect{0, 0, w, dy}, 0);
    DirtyState& s = S();
    int kept = 0;
    for (int i = 0; i < s.count; ++i) {
        const Rect& r = s.list[i];
        Rect moved = IntersectRect(Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}, Screen());
        if (!moved.IsEmpty()) s.list[kept++] = moved;
    }
    s.count = kept;
}

void ScrollScreen(int dx, int dy) {
    ScrollBackBuffer(dx, dy);
    if (S().allDirty) return;
    const int w = BackBuffer::Width(), h = BackBuffer::Height();
    Rect column{};
    if (dx < 0) column = Rect{w + dx, 0, w, h};
    if (dx > 0) column = Rect{0, 0, dx, h};
    if (dx != 0) DirtyRect(&column);
    // The row strip leaves out the column strip already listed.
    const int left = dx > 0 ? dx : 0, right = dx < 0 ? w + dx : w;
    Rect row{};
    if (dy < 0) row = Rect{left, h + dy, right, h};
    if (dy > 0) row = Rect{left, 0, right, dy};
    if (dy != 0) DirtyRect(&row);
}

BlitTarget RingTargetFor(const Rect& rect) {
    BlitTarget t;
    Rect r = IntersectRect(rect, Screen());
    if (r.IsEmpty() || !BackBuffer::Exists() || StraddlesRingWrap(r)) return t;
    const int64_t w = BackBuffer::Width();
    const int64_t first = r.top * w + r.left;
    t.pixels = BackBuffer::Pixels();
    t.pitch = BackBuffer::Width();
    t.height = BackBuffer::Height();
    t.valid = r;
    t.origin = BackBuffer::RingOffset();
    if (first >= WrapPoint().position) t.origin -= BackBuffer::PixelCount();
    return t;
}

void RenderFrame() {
    const FrameServices& services = GetFrameServices();
    const bool preview = services.isPreviewActive && services.isPreviewActive();
    if (preview && services.placePreviewAtMouse) services.placePreviewAtMouse();

    std::vector<Rect> rects(S().list, S().list + S().count);
    const BlitTarget previous = GetBlitTarget();
    for (const Rect& listed : rects) {
        Rect clamped = IntersectRect(listed, Screen());
        if (clamped.IsEmpty()) continue;
        SplitAtWrap(clamped, [](const Rect& piece) {
            if (piece.IsEmpty()) return;
            SetBlitTarget(RingTargetFor(piece));
            DrawManager::DrawScene(piece);
            if (S().coloredLighting)
                ApplyLightsColored(piece);
            else
                ApplyLights(piece);
        });
    }
    SetBlitTarget(previous);
    S().count = 0;
    S().allDirty = false;

    if (preview && services.removePreviewPieces) {
        S().largeLimit = true;
        services.removePreviewPieces();
        S().largeLimit = false;
    }
}

int GetDirtyRectCount() {
    return S().count;
}
const Rect* GetDirtyRects() {
    return S().list;
}
bool IsAllDirty() {
    return S().allDirty;
}
void SetLargeDirtyLimit(bool on) {
    S().largeLimit = on;
}
void SetColoredLighting(bool on) {
    S().coloredLighting = on;
}

void ResetDirtyRectsForTests() {
    S() = DirtyState{};
}
