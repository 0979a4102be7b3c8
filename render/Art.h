#pragma once
// Art of the art file: land tiles (ids 0..0x3FFF, a 44 x 44 diamond of 1,012 pixels) and items
// (id = item graphic + 0x4000, run-length rows). Each item is checked and turned into runs once,
// when it is first asked for; the blits then walk runs that are known to lie inside the art.
#include "render/BlitTarget.h"
#include "render/Rect.h"
#include "render/SpanOps.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr int kLandTileSize = 44;
constexpr int kLandPixelCount = 1012;
constexpr size_t kLandTileBytes = 2 * kLandPixelCount;
constexpr int kMaxLandArtId = 0x3FFF;
constexpr int kFirstItemArtId = 0x4000;
constexpr int kMaxArtId = 0xFFFF;

struct ArtRun {
    uint16_t column; // first column of the run
    uint16_t count;  // visible pixels, at least 1
    uint32_t pixel;  // index of the run's first pixel in ArtItem::pixels
};

struct ArtItem {
    bool land = false;
    int width = 0;
    int height = 0;
    // Land: the 1,012 diamond pixels in file order. Items: the item's bytes after the header as
    // 16-bit words (runs point into them).
    std::vector<uint16_t> pixels;
    std::vector<ArtRun> runs;
    std::vector<uint32_t> rowStart; // height + 1 entries: row r is runs[rowStart[r], rowStart[r + 1])
    bool damaged = false;           // some row ended early at a bad run or line start
    // A rectangle (in the art's own coordinates) whose every pixel lies in a run: a blit that
    // writes runs regardless of what lies below covers it whole. Empty when none was found.
    Rect filled{};

    const ArtRun* RowBegin(int row) const { return runs.data() + rowStart[row]; }
    const ArtRun* RowEnd(int row) const { return runs.data() + rowStart[row + 1]; }
};

// The decoders, over the bytes of one item. Null when the bytes cannot be an art item: a land tile
// shorter than 2,024 bytes; an item without its header and line table or of zero size. A row whose
// line start or runs leave the item, or whose runs pass the width, ends at its last good run.
std::unique_ptr<ArtItem> DecodeLandArt(const uint8_t* data, size_t length);
std::unique_ptr<ArtItem> DecodeItemArt(const uint8_t* data, size_t length);

// The art item of an id (land 0..0x3FFF, items 0x4000..0xFFFF) or null. The pointer stays valid
// until the item is replaced (ForgetArt, server-sent art) or the cache is reset.
const ArtItem* GetArt(int id);
void ForgetArt(int id);
void ResetArtCache();

// The pixel at column x of row y, 0 where the row has no run or outside the art.
uint16_t GetArtPixel(const ArtItem* art, int x, int y);

// The target of DrawArt and DrawArtClipped (and the light blits).
void SetBlitTarget(const BlitTarget& target);
void SetBlitTarget(uint16_t* buffer, int pitch, int height);
const BlitTarget& GetBlitTarget();

// Every run of the art with its top-left corner at (x, y), cut to the blit target.
void DrawArt(SpanOp op, const ArtItem* art, int x, int y);
// The same, cut to the clip as well (right and bottom exclusive).
void DrawArtClipped(SpanOp op, const ArtItem* art, const Rect& clip, int x, int y);
// Both over an explicit target.
void DrawArtTo(const BlitTarget& target, SpanOp op, const ArtItem* art, const Rect& clip, int x, int y);
