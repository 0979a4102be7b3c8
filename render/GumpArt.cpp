#include "render/GumpArt.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "render/RenderData.h"

#include <unordered_map>

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

struct GumpCache {
    std::unordered_map<int, std::unique_ptr<GumpArtItem>> items; // null: missing or bad
    std::vector<uint16_t> row;                                   // one expanded row, grown to the widest
};
GumpCache& Cache() {
    static GumpCache c;
    return c;
}

} // namespace

std::unique_ptr<GumpArtItem> DecodeGumpArt(const uint8_t* data, size_t length, uint32_t extra) {
    const int width = static_cast<int>(extra >> 16);
    const int height = static_cast<int>(extra & 0xFFFF);
    if (!data || width == 0 || height == 0) return nullptr;
    const size_t words = length / 4;
    if (words < static_cast<size_t>(height)) return nullptr;

    auto art = std::make_unique<GumpArtItem>();
    art->width = width;
    art->height = height;
    art->rowStart.reserve(static_cast<size_t>(height) + 1);
    // Rows may share run data; a limit on the words walked over all rows keeps an item whose rows
    // all point at one long row from costing far more than its own size.
    size_t budget = 4 * (words + static_cast<size_t>(height));
    for (int row = 0; row < height; ++row) {
        art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
        size_t pos = ReadU32(data + 4 * static_cast<size_t>(row));
        int filled = 0;
        while (filled < width) {
            if (pos >= words || budget == 0) {
                art->damaged = true;
                break;
            }
            --budget;
            uint32_t run = ReadU32(data + 4 * pos++);
            int count = GumpArtItem::Count(run);
            if (count == 0) continue;
            if (count > width - filled) {
                count = width - filled;
                art->damaged = true;
            }
            art->runs.push_back(static_cast<uint32_t>(count) << 16 | (run & 0xFFFF));
            filled += count;
        }
    }
    art->rowStart.push_back(static_cast<uint32_t>(art->runs.size()));
    return art;
}

const GumpArtItem* GetGumpArt(int gumpId) {
    if (gumpId < 0 || gumpId > kMaxGumpArtId) return nullptr;
    auto& items = Cache().items;
    auto found = items.find(gumpId);
    if (found != items.end()) return found->second.get();

    int length = 0, extra = 0;
    const uint8_t* data =
        RenderData::GetItem(CDHDCache::kGumpIdx, CDHDCache::kGumpArt, gumpId, length, extra);
    std::unique_ptr<GumpArtItem> art;
    if (data) {
        art = DecodeGumpArt(data, static_cast<size_t>(length), static_cast<uint32_t>(extra));
        if (!art)
            QVReport::warning(
                "GetGumpArt: gump %d (%d bytes, size 0x%08X) is not valid gump art; not drawn.\n", gumpId,
                length, static_cast<unsigned>(extra));
        else if (art->damaged)
            QVReport::warning("GetGumpArt: gump %d has rows that leave the item or miss the width.\n",
                              gumpId);
    }
    const GumpArtItem* result = art.get();
    items.emplace(gumpId, std::move(art));
    return result;
}

void ResetGumpArtCache() {
    Cache() = GumpCache{};
}

void GetGumpArtSize(int gumpId, int* width, int* height) {
    const GumpArtItem* art = GetGumpArt(gumpId);
    if (width) *width = art ? art->width : 0;
    if (height) *height = art ? art->height : 0;
}

uint16_t GetGumpArtPixel(const GumpArtItem* art, int x, int y) {
    if (!art || x < 0 || y < 0 || x >= art->width || y >= art->height) return 0;
    int column = 0;
    for (uint32_t i = art->rowStart[y]; i < art->rowStart[y + 1]; ++i) {
        column += GumpArtItem::Count(art->runs[i]);
        if (x < column) return GumpArtItem::Colour(art->runs[i]);
    }
    return 0;
}

uint16_t GetGumpArtPixel(int gumpId, int x, int y) {
    return GetGumpArtPixel(GetGumpArt(gumpId), x, y);
}

void DrawGumpArtTo(const BlitTarget& target, SpanOp op, const GumpArtItem* art, const Rect& clip, int x,
                   int y) {
    if (!art || !op) return;
    Rect part = VisiblePart(target, clip, x, y, art->width, art->height);
    if (part.IsEmpty()) return;
    const int c0 = part.left, c1 = part.right, visible = c1 - c0;
    std::vector<uint16_t>& buffer = Cache().row;
    if (buffer.size() < static_cast<size_t>(visible)) buffer.resize(static_cast<size_t>(visible));
    for (int row = part.top; row < part.bottom; ++row) {
        // Expand the runs that meet [c0, c1) into the row buffer, transparent past the last run.
        uint16_t* out = buffer.data();
        int column = 0;
        for (uint32_t i = art->rowStart[row]; i < art->rowStart[row + 1] && column < c1; ++i) {
            uint32_t run = art->runs[i];
            int end = column + GumpArtItem::Count(run);
            int from = column < c0 ? c0 : column;
            int to = end > c1 ? c1 : end;
            for (uint16_t colour = GumpArtItem::Colour(run); from < to; ++from)
                out[from - c0] = colour;
            column = end;
        }
        for (int from = column < c0 ? c0 : column; from < c1; ++from)
            out[from - c0] = 0;
        op(target.At(x + c0, y + row), out, visible);
    }
}

void DrawGumpArt(SpanOp op, int gumpId, int x, int y, uint16_t* destination, int pitch,
                 int destinationHeight) {
    DrawGumpArtTo(MakeBlitTarget(destination, pitch, destinationHeight), op, GetGumpArt(gumpId), kNoClip, x,
                  y);
}

void DrawGumpArtClipped(SpanOp op, int gumpId, const Rect& clip, int x, int y, uint16_t* destination,
                        int pitch, int destinationHeight) {
    DrawGumpArtTo(MakeBlitTarget(destination, pitch, destinationHeight), op, GetGumpArt(gumpId), clip, x, y);
}

void BlitPixelBlockTo(const BlitTarget& target, SpanOp op, const uint16_t* pixels, int width, int height,
                      const Rect& clip, int x, int y) {
    if (!pixels || !op) return;
    Rect part = VisiblePart(target, clip, x, y, width, height);
    if (part.IsEmpty()) return;
    for (int row = part.top; row < part.bottom; ++row)
        op(target.At(x + part.left, y + row), pixels + static_cast<size_t>(row) * width + part.left,
           part.Width());
}

void BlitPixelBlock(SpanOp op, const uint16_t* pixels, int width, int height, int x, int y,
                    uint16_t* destination, int pitch, int destinationHeight) {
    BlitPixelBlockTo(MakeBlitTarget(destination, pitch, destinationHeight), op, pixels, width, height,
                     kNoClip, x, y);
}

void BlitPixelBlockClipped(SpanOp op, const uint16_t* pixels, const Rect& clip, int width, int height, int x,
                           int y, uint16_t* destination, int pitch, int destinationHeight) {
    BlitPixelBlockTo(MakeBlitTarget(destination, pitch, destinationHeight), op, pixels, width, height, clip,
                     x, y);
}
