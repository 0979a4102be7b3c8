#include "render/Art.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "render/RenderData.h"
#include "render/SpanKernels.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

struct ArtCache {
    std::unordered_map<int, std::unique_ptr<ArtItem>> items; // null: looked up and missing or bad
    BlitTarget target;
};
ArtCache& Cache() {
    static ArtCache c;
    return c;
}

// A large rectangle inside the runs: from the row with the widest run, grown a row at a time up or
// down, whichever keeps more area, while the area does not shrink. One pass over the rows.
Rect FindFilledRect(const ArtItem& art) {
    const int height = static_cast<int>(art.rowStart.size()) - 1;
    if (height <= 0) return Rect{};
    auto widest = [&](int row, int& from, int& to) {
        from = to = 0;
        for (const ArtRun* run = art.RowBegin(row); run != art.RowEnd(row); ++run)
            if (run->count > to - from) from = run->column, to = run->column + run->count;
    };
    int seed = 0, best = 0;
    for (int row = 0; row < height; ++row) {
        int from = 0, to = 0;
        widest(row, from, to);
        if (to - from > best) best = to - from, seed = row;
    }
    if (best == 0) return Rect{};
    Rect r{};
    widest(seed, r.left, r.right);
    r.top = seed;
    r.bottom = seed + 1;
    for (;;) {
        const int64_t area = int64_t{r.right - r.left} * (r.bottom - r.top);
        Rect up = r, down = r;
        int64_t upArea = -1, downArea = -1;
        int from = 0, to = 0;
        if (r.top > 0) {
            widest(r.top - 1, from, to);
            up = Rect{std::max(r.left, from), r.top - 1, std::min(r.right, to), r.bottom};
            upArea = up.right > up.left ? int64_t{up.right - up.left} * (up.bottom - up.top) : 0;
        }
        if (r.bottom < height) {
            widest(r.bottom, from, to);
            down = Rect{std::max(r.left, from), r.top, std::min(r.right, to), r.bottom + 1};
            downArea =
                down.right > down.left ? int64_t{down.right - down.left} * (down.bottom - down.top) : 0;
        }
        if (std::max(upArea, downArea) < area) break;
        r = upArea >= downArea ? up : down;
    }
    return r;
}

} // namespace

std::unique_ptr<ArtItem> DecodeLandArt(const uint8_t* data, size_t length) {
    if (!data || length < kLandTileBytes) return nullptr;
    auto art = std::make_unique<ArtItem>();
    art->land = true;
    art->width = kLandTileSize;
    art->height = kLandTileSize;
    art->pixels.resize(kLandPixelCount);
    for (int i = 0; i < kLandPixelCount; ++i)
        art->pixels[i] = ReadU16(data + 2 * i);
    art->runs.reserve(kLandTileSize);
    art->rowStart.reserve(kLandTileSize + 1);
    uint32_t pixel = 0;
    for (int row = 0; row < kLandTileSize; ++row) {
        int width = row < kLandTileSize / 2 ? 2 * (row + 1) : 2 * (kLandTileSize - row);
        art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
        art->runs.push_back(ArtRun{static_cast<uint16_t>(kLandTileSize / 2 - width / 2),
                                   static_cast<uint16_t>(width), pixel});
        pixel += static_cast<uint32_t>(width);
    }
    art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
    art->filled = FindFilledRect(*art);
    return art;
}

std::unique_ptr<ArtItem> DecodeItemArt(const uint8_t* data, size_t length) {
    if (!data || length < 8) return nullptr;
    const int width = ReadU16(data + 4);
    const int height = ReadU16(data + 6);
    if (width == 0 || height == 0) return nullptr;
    // Everything after the 8-byte header, as words: the line table, then the runs.
    const size_t words = (length - 8) / 2;
    if (words < static_cast<size_t>(height)) return nullptr;

    auto art = std::make_unique<ArtItem>();
    art->width = width;
    art->height = height;
    art->pixels.resize(words);
    for (size_t i = 0; i < words; ++i)
        art->pixels[i] = ReadU16(data + 8 + 2 * i);
    const uint16_t* w = art->pixels.data();

    // Rows may share their run data; a limit on the runs kept over all rows stops an item whose
    // rows all point at one long row from growing far beyond its own size.
    const size_t runLimit = words + static_cast<size_t>(height);
    art->rowStart.reserve(static_cast<size_t>(height) + 1);
    for (int row = 0; row < height; ++row) {
        art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
        size_t pos = static_cast<size_t>(height) + w[row];
        size_t column = 0;
        for (;;) {
            if (pos + 2 > words) { // no room for the run header, not even the ending one
                art->damaged = true;
                break;
            }
            size_t skip = w[pos], count = w[pos + 1];
            if (count == 0) break;
            column += skip;
            if (column + count > static_cast<size_t>(width) || pos + 2 + count > words ||
                art->runs.size() >= runLimit) {
                art->damaged = true;
                break;
            }
            art->runs.push_back(ArtRun{static_cast<uint16_t>(column), static_cast<uint16_t>(count),
                                       static_cast<uint32_t>(pos + 2)});
            column += count;
            pos += 2 + count;
        }
    }
    art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
    art->filled = FindFilledRect(*art);
    return art;
}

const ArtItem* GetArt(int id) {
    if (id < 0 || id > kMaxArtId) return nullptr;
    auto& items = Cache().items;
    auto found = items.find(id);
    if (found != items.end()) return found->second.get();

    int length = 0, extra = 0;
    const uint8_t* data = RenderData::GetItem(CDHDCache::kArtIdx, CDHDCache::kArt, id, length, extra);
    std::unique_ptr<ArtItem> art;
    if (data) {
        art = id <= kMaxLandArtId ? DecodeLandArt(data, static_cast<size_t>(length))
                                  : DecodeItemArt(data, static_cast<size_t>(length));
        if (!art)
            QVReport::warning("GetArt: art 0x%04X (%d bytes) is not a valid art item; not drawn.\n", id,
                              length);
        else if (art->damaged)
            QVReport::warning("GetArt: art 0x%04X has rows that leave the item; they are cut short.\n", id);
    }
    const ArtItem* result = art.get();
    items.emplace(id, std::move(art));
    return result;
}

void ForgetArt(int id) {
    Cache().items.erase(id);
}

void ResetArtCache() {
    Cache() = ArtCache{};
}

uint16_t GetArtPixel(const ArtItem* art, int x, int y) {
    if (!art || x < 0 || y < 0 || x >= art->width || y >= art->height) return 0;
    for (const ArtRun* run = art->RowBegin(y); run != art->RowEnd(y); ++run) {
        if (x < run->column) return 0;
        if (x < run->column + run->count) return art->pixels[run->pixel + (x - run->column)];
    }
    return 0;
}

void SetBlitTarget(const BlitTarget& target) {
    Cache().target = target;
}

void SetBlitTarget(uint16_t* buffer, int pitch, int height) {
    Cache().target = MakeBlitTarget(buffer, pitch, height);
}

const BlitTarget& GetBlitTarget() {
    return Cache().target;
}

namespace {

// A plain copy of a run, inline: runs are mostly a few dozen pixels, too short to pay for a call.
// Art and target never overlap, so the last block may overlap the one before it.
inline void CopyRun(uint16_t* d, const uint16_t* s, int n) {
    if (n >= 8) {
        int i = 0;
        for (; i + 8 <= n; i += 8)
            std::memcpy(d + i, s + i, 16);
        if (i < n) std::memcpy(d + n - 8, s + n - 8, 16);
        return;
    }
    if (n >= 4) {
        std::memcpy(d, s, 8);
        std::memcpy(d + n - 4, s + n - 4, 8);
        return;
    }
    for (int i = 0; i < n; ++i)
        d[i] = s[i];
}

// Every run of rows part.top..part.bottom - 1, cut to columns part.left..part.right - 1 unless the
// part is the art's whole width.
template <class Span>
void DrawRuns(const BlitTarget& to, const ArtItem& art, const Rect& part, int x, int y, Span span) {
    const int c0 = part.left, c1 = part.right;
    // Held in locals: the span may be called through a pointer, so the item's fields would be read
    // again after every run.
    const ArtRun* const runs = art.runs.data();
    const uint32_t* const rowStart = art.rowStart.data();
    const uint16_t* const pixels = art.pixels.data();
    const bool whole = c0 == 0 && c1 >= art.width;
    uint16_t* line = to.At(x + c0, y + part.top);
    for (int row = part.top; row < part.bottom; ++row, line += to.pitch) {
        const ArtRun* const rowEnd = runs + rowStart[row + 1];
        const ArtRun* run = runs + rowStart[row];
        if (whole) {
            for (; run != rowEnd; ++run)
                span(line + run->column, pixels + run->pixel, static_cast<int>(run->count));
            continue;
        }
        for (; run != rowEnd; ++run) {
            int start = run->column, end = run->column + run->count;
            if (end <= c0) continue;
            if (start >= c1) break;
            int from = start < c0 ? c0 : start;
            int last = end > c1 ? c1 : end;
            span(line + (from - c0), pixels + run->pixel + (from - start), last - from);
        }
    }
}

} // namespace

void DrawArtTo(const BlitTarget& target, SpanOp op, const ArtItem* art, const Rect& clip, int x, int y) {
    if (!art || !op) return;
    Rect part = VisiblePart(target, clip, x, y, art->width, art->height);
    if (part.IsEmpty()) return;
    const BlitTarget to = target;
    if (op == CopySpan) return DrawRuns(to, *art, part, x, y, CopyRun);
    SpanParams params;
    ResolvedSpan resolved;
    if (ResolveSpanOp(op, resolved, params)) return DrawRuns(to, *art, part, x, y, resolved);
    DrawRuns(to, *art, part, x, y, op);
}

void DrawArt(SpanOp op, const ArtItem* art, int x, int y) {
    DrawArtTo(Cache().target, op, art, kNoClip, x, y);
}

void DrawArtClipped(SpanOp op, const ArtItem* art, const Rect& clip, int x, int y) {
    DrawArtTo(Cache().target, op, art, clip, x, y);
}
