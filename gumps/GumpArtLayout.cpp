#include "gumps/GumpArtLayout.h"

#include "core/SharedServices.h"
#include "render/BlitTarget.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"

#include <algorithm>

namespace {

BlitTarget TargetOf(PixelBlock& bitmap) {
    return MakeBlitTarget(bitmap.pixels.data(), bitmap.width, bitmap.height);
}

struct Size {
    int w = 0, h = 0;
};
Size SizeOf(int art) {
    Size s;
    GetGumpArtSize(art, &s.w, &s.h);
    return s;
}

void Draw(const BlitTarget& target, SpanOp op, int art, const Rect& clip, int x, int y) {
    if (const GumpArtItem* item = GetGumpArt(art)) DrawGumpArtTo(target, op, item, clip, x, y);
}

// Copies from (x, y) stepping by the art's size while they start inside clip; each cut to clip.
void Tile(const BlitTarget& target, int art, int x, int y, const Rect& wanted) {
    const Size s = SizeOf(art);
    // Only the part of the clip on the target is stepped through: copies past the bitmap draw
    // nothing, and a small art over a large clip would cost a step each.
    const Rect clip = WritableArea(target, wanted);
    if (s.w <= 0 || s.h <= 0 || clip.IsEmpty()) return;
    const GumpArtItem* item = GetGumpArt(art);
    if (!item) return;
    // The first copy that reaches the clip: far-away starts cost no steps.
    const int64_t x0 = x < clip.left ? x + (int64_t{clip.left} - x) / s.w * s.w : x;
    const int64_t y0 = y < clip.top ? y + (int64_t{clip.top} - y) / s.h * s.h : y;
    for (int64_t ty = y0; ty < clip.bottom; ty += s.h)
        for (int64_t tx = x0; tx < clip.right; tx += s.w)
            DrawGumpArtTo(target, CopySpanKeyed, item, clip, static_cast<int>(tx), static_cast<int>(ty));
}

void Frame(const BlitTarget& target, int ox, int oy, int W, int H, int base, bool plain) {
    Size p[19];
    for (int i = 0; i < 19; ++i)
        p[i] = SizeOf(base + i);
    using namespace FramePiece;
    Draw(target, CopySpanKeyed, base + TopLeft, kNoClip, ox, oy);
    if (p[Top].w <= 0) return;
    Tile(target, base + Top, ox + p[TopLeft].w, oy,
         Rect{ox + p[TopLeft].w, oy, ox + W - p[TopRight].w, oy + p[Top].h});
    Draw(target, CopySpanKeyed, base + TopRight, kNoClip, ox + W - p[TopRight].w, oy);
    Tile(target, base + Left, ox, oy + p[TopLeft].h,
         Rect{ox, oy + p[TopLeft].h, ox + p[Left].w, oy + H - p[BottomLeft].h});
    Draw(target, CopySpanKeyed, base + BottomLeft, kNoClip, ox, oy + H - p[BottomLeft].h);
    Tile(target, base + Right, ox + W - p[Right].w, oy + p[TopRight].h,
         Rect{ox + W - p[Right].w, oy + p[TopRight].h, ox + W, oy + H - p[BottomRight].h});
    Draw(target, CopySpanKeyed, base + BottomRight, kNoClip, ox + W - p[BottomRight].w,
         oy + H - p[BottomRight].h);
    Tile(target, base + Bottom, ox + p[BottomLeft].w, oy + H - p[Bottom].h,
         Rect{ox + p[BottomLeft].w, oy + H - p[Bottom].h, ox + W - p[BottomRight].w, oy + H});
    Tile(target, base + Centre, ox + p[Left].w, oy + p[Top].h,
         Rect{ox + p[Left].w, oy + p[Top].h, ox + W - p[Right].w, oy + H - p[Bottom].h});
    if (plain) return;

    // Ornaments overwrite with their transparent pixels too.
    auto exists = [&](int i) { return p[i].w > 0 && p[i].h > 0; };
    auto across = [&](int first, bool bottom) {
        const int a = first, b = first + 1;
        if (!exists(a) || !exists(b) || p[b].w + 80 + p[a].w >= W) return;
        int xa = 0, xb = 0;
        if (!PlaceOrnamentPair(W, p[a].w, p[b].w, &xa, &xb)) return;
        Draw(target, CopySpan, base + a, kNoClip, ox + xa, bottom ? oy + H - p[a].h : oy);
        Draw(target, CopySpan, base + b, kNoClip, ox + xb, bottom ? oy + H - p[b].h : oy);
    };
    auto down = [&](int first, bool right) {
        const int a = first, b = first + 1;
        if (!exists(a) || !exists(b) || p[b].h + 80 + p[a].h >= H) return;
        int ya = 0, yb = 0;
        if (!PlaceOrnamentPair(H, p[a].h, p[b].h, &ya, &yb)) return;
        Draw(target, CopySpan, base + a, kNoClip, right ? ox + W - p[a].w : ox, oy + ya);
        Draw(target, CopySpan, base + b, kNoClip, right ? ox + W - p[b].w : ox, oy + yb);
    };
    across(TopOrnament, false);
    down(LeftOrnament, false);
    down(RightOrnament, true);
    across(BottomOrnament, true);
}

// The rectangle from (left, top) to (right, bottom) cut to the bitmap, computed without overflow.
Rect CutToBitmap(int64_t left, int64_t top, int64_t right, int64_t bottom, const PixelBlock& bitmap) {
    const Rect r{static_cast<int>(std::max<int64_t>(left, 0)), static_cast<int>(std::max<int64_t>(top, 0)),
                 static_cast<int>(std::min<int64_t>(right, bitmap.width)),
                 static_cast<int>(std::min<int64_t>(bottom, bitmap.height))};
    return r.left < r.right && r.top < r.bottom ? r : Rect{};
}

uint16_t Greyed(uint16_t pixel) {
    return static_cast<uint16_t>(((pixel & 0x7BDE) >> 1) + 0x3DEF);
}

} // namespace

bool PlaceOrnamentPair(int length, int sizeA, int sizeB, int* a, int* b) {
    const int spanA = length - sizeA - 20, spanB = length - sizeB - 20;
    if (spanA <= 0 || spanB <= 0) return false;
    const int pa = 10 + RandomBelow(spanA);
    // The second one only where it keeps its distance: [10, pa - gap] and [pa + gap, 10 + spanB).
    const int gap = sizeA + 10, end = 10 + spanB;
    const int low = std::max(0, std::min(end, pa - gap + 1) - 10);
    const int highStart = std::max(10, pa + gap);
    const int high = std::max(0, end - highStart);
    if (low + high == 0) return false;
    const int r = RandomBelow(low + high);
    *a = pa;
    *b = r < low ? 10 + r : highStart + (r - low);
    return true;
}

void TileGumpArt(int art, PixelBlock& bitmap) {
    Tile(TargetOf(bitmap), art, 0, 0, Rect{0, 0, bitmap.width, bitmap.height});
}

void TileGumpArtRect(int x, int y, int width, int height, int art, PixelBlock& bitmap) {
    Tile(TargetOf(bitmap), art, x, y, CutToBitmap(x, y, int64_t{x} + width, int64_t{y} + height, bitmap));
}

void TileGumpArtDown(PixelBlock& bitmap, int art, int x, int y, int length) {
    const Size s = SizeOf(art);
    Tile(TargetOf(bitmap), art, x, y, CutToBitmap(x, y, int64_t{x} + s.w, int64_t{y} + length, bitmap));
}

void TileGumpArtAcross(PixelBlock& bitmap, int art, int x, int y, int length) {
    const Size s = SizeOf(art);
    Tile(TargetOf(bitmap), art, x, y, CutToBitmap(x, y, int64_t{x} + length, int64_t{y} + s.h, bitmap));
}

void DrawGumpArtHBar(int art, PixelBlock& bitmap) {
    const Size l = SizeOf(art), m = SizeOf(art + 1), r = SizeOf(art + 2);
    if (l.w <= 0 || m.w <= 0 || r.w <= 0) return;
    const BlitTarget target = TargetOf(bitmap);
    const int W = bitmap.width;
    Draw(target, CopySpanKeyed, art, kNoClip, 0, 0);
    Tile(target, art + 1, l.w, 0, IntersectRect(Rect{l.w, 0, W - r.w, m.h}, Rect{0, 0, W, bitmap.height}));
    Draw(target, CopySpanKeyed, art + 2, kNoClip, W - r.w, 0);
}

void DrawGumpFrame(int base, PixelBlock& bitmap, bool plain) {
    Frame(TargetOf(bitmap), 0, 0, bitmap.width, bitmap.height, base, plain);
}

void DrawGumpFrameRect(int x, int y, int width, int height, int base, PixelBlock& bitmap, bool plain) {
    DrawGumpFrameRect(x, y, width, height, base, TargetOf(bitmap), plain);
}

void DrawGumpFrameRect(int x, int y, int width, int height, int base, const BlitTarget& target, bool plain) {
    // Sums of places and sizes stay in range; a rectangle this far out draws nothing anyway.
    constexpr int kFar = 1 << 24;
    Frame(target, std::clamp(x, -kFar, kFar), std::clamp(y, -kFar, kFar), std::clamp(width, 0, kFar),
          std::clamp(height, 0, kFar), base, plain);
}

void BlendHighlightBar(int x, int y, int width, int art, PixelBlock& bitmap) {
    const Size l = SizeOf(art), r = SizeOf(art + 1);
    const GumpArtItem* left = GetGumpArt(art);
    const GumpArtItem* right = GetGumpArt(art + 1);
    const int64_t middle = int64_t{width} - l.w - r.w;
    // Row and column come from item counts and scroll positions: write only inside the bitmap.
    auto blend = [&](int64_t px, int64_t py) {
        if (px < 0 || py < 0 || px >= bitmap.width || py >= bitmap.height) return;
        uint16_t& p = bitmap.At(static_cast<int>(px), static_cast<int>(py));
        p = Greyed(p);
    };
    for (int row = 0; row < l.h; ++row) {
        const int64_t py = int64_t{y} + row;
        if (py < 0 || py >= bitmap.height) continue;
        for (int j = 0; j < l.w; ++j)
            if (GetGumpArtPixel(left, j, row) != 0) blend(int64_t{x} + j, py);
        // The middle span cut to the bitmap first: a wide bar costs no more than the row.
        const int64_t from = std::max<int64_t>(int64_t{x} + l.w, 0);
        const int64_t to = std::min<int64_t>(int64_t{x} + l.w + std::max<int64_t>(middle, 0), bitmap.width);
        for (int64_t px = from; px < to; ++px)
            blend(px, py);
        for (int j = 0; j < r.w; ++j)
            if (GetGumpArtPixel(right, j, row) != 0) blend(int64_t{x} + l.w + middle + j, py);
    }
}

void DrawArtStripVertical(int art, int n, PixelBlock& bitmap, int y0, int reserve) {
    DrawArtStripVertical(art, n, TargetOf(bitmap), bitmap.width, bitmap.height, y0, reserve);
}

void DrawArtStripVertical(int art, int n, const BlitTarget& target, int width, int height, int y0,
                          int reserve) {
    if (width <= 0 || height <= 0 || n <= 0) return;
    // A start far above the strip is walked from just above it: the pieces there are never seen.
    y0 = std::max(y0, -height - 1);
    const Size top = SizeOf(art), body = SizeOf(art + 1), cap = SizeOf(art + n + 1);
    const int limit = height - cap.h - reserve;
    Draw(target, CopySpanKeyed, art, kNoClip, 0, y0);
    if (body.w <= 0) return;
    const int dx = body.w < top.w ? (top.w - body.w) / 2 : 0;
    const Rect clip{0, top.h, width, limit + 1};
    // Every piece is at least one pixel high, so the walk ends within the strip's height.
    int64_t y = int64_t{y0} + top.h - 1;
    for (int j = 0; y < limit; j = (j + 1) % n) {
        const Size piece = SizeOf(art + 1 + j);
        const int yy = static_cast<int>(y);
        Draw(target, CopySpanKeyed, art + 1 + j, y + piece.h > limit ? clip : kNoClip, dx, yy);
        y += std::max(1, piece.h);
    }
    Draw(target, CopySpanKeyed, art + n + 1, kNoClip, cap.w == top.w ? 0 : dx, limit - 1);
}

void DrawCachedGumpFrame(FrameCache& cache, int x, int y, int width, int height, int base,
                         PixelBlock& bitmap) {
    if (width <= 0 || height <= 0) return;
    if (cache.base != base || cache.block.width != width || cache.block.height != height) {
        cache.block = PixelBlock(width, height);
        cache.base = base;
        DrawGumpFrame(base, cache.block, false);
    }
    BlitPixelBlockTo(TargetOf(bitmap), CopySpanKeyed, cache.block.pixels.data(), width, height, kNoClip, x,
                     y);
}
