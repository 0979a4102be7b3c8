#pragma once
// Gump art (the run-length pictures of windows, buttons and frames) and pixel blocks (the bitmaps
// gumps draw into), blitted through a span operation into any 16-bit target.
#include "render/BlitTarget.h"
#include "render/Rect.h"
#include "render/SpanOps.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr int kMaxGumpArtId = 0xFFFF;

struct GumpArtItem {
    int width = 0;
    int height = 0;
    // Runs as stored ({colour in the low 16 bits, count in the high 16 bits}), without the empty
    // ones, and cut so that no row passes the width. A row whose runs end early is transparent to
    // its end.
    std::vector<uint32_t> runs;
    std::vector<uint32_t> rowStart; // height + 1 entries
    bool damaged = false;

    static int Count(uint32_t run) { return static_cast<int>(run >> 16); }
    static uint16_t Colour(uint32_t run) { return static_cast<uint16_t>(run & 0xFFFF); }
};

// The decoder over one item's bytes and its index extra value (width << 16 | height). Null for a
// zero size or bytes too short for the line table. Line starts outside the item give empty rows.
std::unique_ptr<GumpArtItem> DecodeGumpArt(const uint8_t* data, size_t length, uint32_t extra);

// The checked item of a gump id, or null; valid until the cache is reset.
const GumpArtItem* GetGumpArt(int gumpId);
void ResetGumpArtCache();

// 0 x 0 when the id has no item.
void GetGumpArtSize(int gumpId, int* width, int* height);
// The colour at (x, y), 0 when transparent, missing or outside the art.
uint16_t GetGumpArtPixel(int gumpId, int x, int y);
uint16_t GetGumpArtPixel(const GumpArtItem* art, int x, int y);

// The whole art with its top-left corner at (x, y), cut to the destination.
void DrawGumpArt(SpanOp op, int gumpId, int x, int y, uint16_t* destination, int pitch,
                 int destinationHeight);
// The same cut to the clip rectangle too (right and bottom exclusive).
void DrawGumpArtClipped(SpanOp op, int gumpId, const Rect& clip, int x, int y, uint16_t* destination,
                        int pitch, int destinationHeight);
void DrawGumpArtTo(const BlitTarget& target, SpanOp op, const GumpArtItem* art, const Rect& clip, int x,
                   int y);

// A block of width x height pixels (rows of the width) at (x, y), cut to the destination.
void BlitPixelBlock(SpanOp op, const uint16_t* pixels, int width, int height, int x, int y,
                    uint16_t* destination, int pitch, int destinationHeight);
void BlitPixelBlockClipped(SpanOp op, const uint16_t* pixels, const Rect& clip, int width, int height, int x,
                           int y, uint16_t* destination, int pitch, int destinationHeight);
void BlitPixelBlockTo(const BlitTarget& target, SpanOp op, const uint16_t* pixels, int width, int height,
                      const Rect& clip, int x, int y);
