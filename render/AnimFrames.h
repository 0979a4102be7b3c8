#pragma once
// Animation frames of mobiles, their equipment and corpses ("anim.mul", and "anim2.mul" for
// converted bodies), and the three routines that use them in the scene: the frame blit with its
// hue modes, the halved shadow and the pixel test.
//
// Item, little-endian: 256 u16 palette colours (5-5-5), u32 frame count, u32 frame offsets (from
// byte 512; 0 = no frame). Frame: s16 centre x, s16 centre y, u16 width, u16 height, then runs up
// to the end word 0x7FFF7FFF. Run: u32 header (bits 0-11 length, 12-21 y offset, 22-31 x offset,
// both signed 10 bits, relative to the figure's feet point) and one palette index per pixel.
//
// Items are decoded once, with every count and offset checked, into a form the blits walk without
// further checks; a frame that cannot be read is missing and a run that cannot be read ends its frame.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct AnimRun {
    int16_t x;        // offset from the anchor, unmirrored
    int16_t y;        // row offset from the anchor
    uint16_t length;  // pixels
    uint32_t indexes; // where its palette indexes start in the item's bytes
};

struct AnimFrame {
    int16_t centreX = 0;
    int16_t centreY = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    // The box relative to the anchor, unmirrored: the header's box grown to hold every run, and cut
    // to what run offsets can reach.
    Rect box{};
    uint32_t firstRun = 0;
    uint32_t runCount = 0;
    bool present = false;
};

struct AnimItem {
    uint16_t palette[256] = {};
    std::vector<AnimFrame> frames;
    std::vector<AnimRun> runs;
    std::vector<uint8_t> bytes; // a copy of the item: runs index into it

    int FrameCount() const { return static_cast<int>(frames.size()); }
    // The frame, or null when it is missing or n lies outside the frames.
    const AnimFrame* Frame(int n) const;
    // What the decoded item holds in memory.
    size_t MemoryBytes() const;
};

// Run offsets are signed 10 bits and lengths 12 bits: no frame reaches beyond these.
constexpr int kAnimReachLeft = -512;
constexpr int kAnimReachRight = 511 + 4095 + 1;
constexpr int kAnimReachTop = -512;
constexpr int kAnimReachBottom = 512;

// Decodes an item; false (out empty) when not even its palette and frame count are there.
bool DecodeAnimItem(const uint8_t* bytes, size_t size, AnimItem& out);

// The world rect of a frame placed at an anchor (mirrored about the anchor's column).
Rect AnimFrameRect(const AnimFrame& frame, bool mirrored, int anchorX, int anchorY);

// ---- hue words of the frame blit
constexpr int kHueNumberMask = 0x3FFF;
constexpr int kHueDarken = 0x4000;
constexpr int kHuePartial = 0x8000;

// Anchors are world pixels; the routines subtract the scroll offset. The clip is a screen rect.
void DrawAnimFrame(const BlitTarget& target, bool mirrored, int hueWord, int anchorX, int anchorY,
                   const Rect& clip, const AnimItem& item, const AnimFrame& frame);
void DrawAnimShadow(const BlitTarget& target, bool mirrored, int anchorX, int anchorY, const Rect& clip,
                    const AnimItem& item, const AnimFrame& frame);
// World point and anchor: true when a run covers the point.
bool IsAnimPixelAt(int x, int y, bool mirrored, int anchorX, int anchorY, const AnimItem& item,
                   const AnimFrame& frame);

// ---- decoded items by file pair and index, under a byte budget
namespace AnimCache {
constexpr size_t kDefaultBudget = 24u << 20;
// The item of an index in the first or the second file pair; null when there is none. A negative
// index, or one past the pair's index file, is never read. The holder keeps an item alive while the
// cache drops it to stay within its budget.
std::shared_ptr<const AnimItem> Get(int index, bool secondPair);
void SetBudget(size_t bytes);
size_t Budget();
size_t UsedBytes();
size_t ItemCount();
void Clear();
// Tests serve items without files: the source answers (index, second pair) with bytes and their
// length, or null. Null restores the data files. Setting it clears the cache.
using ItemSource = const uint8_t* (*)(int index, bool secondPair, int& length);
void SetItemSourceForTests(ItemSource source);
} // namespace AnimCache
