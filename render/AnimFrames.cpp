#include "render/AnimFrames.h"

#include "core/CDHDCache.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <unordered_map>

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
int SignExtend10(uint32_t v) {
    return static_cast<int>(v & 0x3FF) - ((v & 0x200) ? 0x400 : 0);
}

constexpr uint32_t kEndWord = 0x7FFF7FFF;
constexpr size_t kPaletteBytes = 512;
constexpr size_t kFrameTable = kPaletteBytes + 4;
constexpr size_t kFrameHeader = 8;

const Rect kReach{kAnimReachLeft, kAnimReachTop, kAnimReachRight, kAnimReachBottom};

Rect Union(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// Reads one frame's header and runs. Runs must come in ascending rows: the blits stop at the
// first row past their clip, so a run going back up could never be drawn or hit consistently.
void DecodeFrame(const uint8_t* bytes, size_t size, size_t at, size_t runBudget, AnimItem& item,
                 AnimFrame& frame) {
    if (at > size || size - at < kFrameHeader) return;
    frame.present = true;
    frame.centreX = static_cast<int16_t>(ReadU16(bytes + at));
    frame.centreY = static_cast<int16_t>(ReadU16(bytes + at + 2));
    frame.width = ReadU16(bytes + at + 4);
    frame.height = ReadU16(bytes + at + 6);
    const int bottom = frame.centreY >= 0 ? 0 : -frame.centreY;
    Rect header{-frame.centreX, bottom - frame.height, frame.width - frame.centreX, bottom};
    frame.box = IntersectRect(header, kReach);
    frame.firstRun = static_cast<uint32_t>(item.runs.size());
    size_t p = at + kFrameHeader;
    int lastRow = kAnimReachTop;
    while (item.runs.size() < runBudget) {
        if (size - p < 4) break; // no end word: the frame ends with the item
        const uint32_t h = ReadU32(bytes + p);
        if (h == kEndWord) break;
        const int length = static_cast<int>(h & 0xFFF);
        const int y = SignExtend10(h >> 12);
        const int x = SignExtend10(h >> 22);
        if (size - p - 4 < static_cast<size_t>(length) || y < lastRow) break;
        lastRow = y;
        item.runs.push_back(AnimRun{static_cast<int16_t>(x), static_cast<int16_t>(y),
                                    static_cast<uint16_t>(length), static_cast<uint32_t>(p + 4)});
        if (length > 0) frame.box = Union(frame.box, Rect{x, y, x + length, y + 1});
        p += 4 + static_cast<size_t>(length);
    }
    frame.runCount = static_cast<uint32_t>(item.runs.size()) - frame.firstRun;
}

} // namespace

const AnimFrame* AnimItem::Frame(int n) const {
    if (n < 0 || n >= FrameCount()) return nullptr;
    const AnimFrame& f = frames[static_cast<size_t>(n)];
    return f.present ? &f : nullptr;
}

size_t AnimItem::MemoryBytes() const {
    return sizeof(AnimItem) + bytes.capacity() + runs.capacity() * sizeof(AnimRun) +
           frames.capacity() * sizeof(AnimFrame);
}

bool DecodeAnimItem(const uint8_t* bytes, size_t size, AnimItem& out) {
    out = AnimItem{};
    if (!bytes || size < kFrameTable) return false;
    for (int i = 0; i < 256; ++i)
        out.palette[i] = ReadU16(bytes + 2 * i);
    const size_t count = std::min<size_t>(ReadU32(bytes + kPaletteBytes), (size - kFrameTable) / 4);
    out.bytes.assign(bytes, bytes + size);
    out.frames.resize(count);
    // Frames whose bytes overlap could otherwise decode the same runs again and again: no item
    // yields more runs than its size holds run headers.
    const size_t runBudget = size / 4 + 16;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t offset = ReadU32(bytes + kFrameTable + 4 * i);
        if (offset == 0) continue;
        DecodeFrame(bytes, size, kPaletteBytes + static_cast<size_t>(offset), runBudget, out, out.frames[i]);
    }
    out.runs.shrink_to_fit();
    return true;
}

Rect AnimFrameRect(const AnimFrame& frame, bool mirrored, int anchorX, int anchorY) {
    const Rect& b = frame.box;
    if (mirrored) return Rect{anchorX - b.right, anchorY + b.top, anchorX - b.left, anchorY + b.bottom};
    return Rect{anchorX + b.left, anchorY + b.top, anchorX + b.right, anchorY + b.bottom};
}

namespace {

// The columns of a run that fall in [left, right): first and end pixel index of the run.
struct RunSpan {
    int64_t start;
    int first;
    int end;
};
RunSpan ClipRun(int64_t start, int length, const Rect& area) {
    RunSpan s{start, 0, length};
    if (start < area.left) s.first = static_cast<int>(std::min<int64_t>(length, area.left - start));
    if (start + length > area.right) s.end = static_cast<int>(std::max<int64_t>(0, area.right - start));
    return s;
}

uint16_t Darkened(uint16_t destination, uint16_t c, const uint8_t* dark) {
    const int red = SpanChannels::Red(c);
    const int level = red < 24 ? 23 - red : 0;
    const uint8_t* row = dark + level * 32;
    return static_cast<uint16_t>(row[SpanChannels::Red(destination)] << 10 |
                                 row[SpanChannels::Green(destination)] << 5 |
                                 row[SpanChannels::Blue(destination)]);
}

enum class HueMode { Copy, Hue, Partial, Darken, PartialDarken };

template <HueMode M>
void DrawRuns(const BlitTarget& target, bool mirrored, int64_t ax, int64_t ay, const Rect& area,
              const AnimItem& item, const AnimFrame& frame, const uint16_t* hue, const uint8_t* dark) {
    const AnimRun* run = item.runs.data() + frame.firstRun;
    const AnimRun* end = run + frame.runCount;
    const uint8_t* bytes = item.bytes.data();
    const uint16_t* palette = item.palette;
    for (; run != end; ++run) {
        const int64_t row = ay + run->y;
        if (row >= area.bottom) break;
        if (row < area.top) continue;
        const int n = run->length;
        const int64_t start = mirrored ? ax - run->x - n : ax + run->x;
        const RunSpan s = ClipRun(start, n, area);
        if (s.first >= s.end) continue;
        uint16_t* out = target.At(static_cast<int>(start + s.first), static_cast<int>(row));
        const uint8_t* indexes = bytes + run->indexes;
        for (int i = s.first; i < s.end; ++i, ++out) {
            const uint16_t c = palette[indexes[mirrored ? n - 1 - i : i]];
            if constexpr (M == HueMode::Copy) {
                *out = c;
            } else if constexpr (M == HueMode::Hue) {
                *out = hue[SpanChannels::Red(c)];
            } else if constexpr (M == HueMode::Partial) {
                *out = SpanChannels::IsGrey(c) ? hue[SpanChannels::Red(c)] : c;
            } else if constexpr (M == HueMode::Darken) {
                *out = Darkened(*out, c, dark);
            } else {
                *out = SpanChannels::IsGrey(c) ? Darkened(*out, c, dark) : c;
            }
        }
    }
}

} // namespace

void DrawAnimFrame(const BlitTarget& target, bool mirrored, int hueWord, int anchorX, int anchorY,
                   const Rect& clip, const AnimItem& item, const AnimFrame& frame) {
    const Rect area = WritableArea(target, clip);
    if (area.IsEmpty() || frame.runCount == 0) return;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int64_t ax = int64_t{anchorX} - sx, ay = int64_t{anchorY} - sy;
    const int hueNumber = hueWord & kHueNumberMask;
    // Hue numbers run to 16,383 but the table holds 3,000: those beyond take its first entry.
    const uint16_t* hue = hueNumber ? HueManager::ResolveHueColours(hueNumber - 1) : nullptr;
    const uint8_t* dark = DarkeningTable();
    if (hueNumber == 0)
        DrawRuns<HueMode::Copy>(target, mirrored, ax, ay, area, item, frame, hue, dark);
    else if ((hueWord & (kHueDarken | kHuePartial)) == (kHueDarken | kHuePartial))
        DrawRuns<HueMode::PartialDarken>(target, mirrored, ax, ay, area, item, frame, hue, dark);
    else if (hueWord & kHueDarken)
        DrawRuns<HueMode::Darken>(target, mirrored, ax, ay, area, item, frame, hue, dark);
    else if (hueWord & kHuePartial)
        DrawRuns<HueMode::Partial>(target, mirrored, ax, ay, area, item, frame, hue, dark);
    else
        DrawRuns<HueMode::Hue>(target, mirrored, ax, ay, area, item, frame, hue, dark);
}

void DrawAnimShadow(const BlitTarget& target, bool mirrored, int anchorX, int anchorY, const Rect& clip,
                    const AnimItem& item, const AnimFrame& frame) {
    const Rect area = WritableArea(target, clip);
    if (area.IsEmpty() || frame.runCount == 0) return;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int64_t ax = int64_t{anchorX} - sx, ay = int64_t{anchorY} - sy;
    const AnimRun* run = item.runs.data() + frame.firstRun;
    const AnimRun* end = run + frame.runCount;
    for (; run != end; ++run) {
        if (run->y & 1) continue;
        const int half = run->y >> 1; // floor(y / 2): offsets above the feet are negative
        const int64_t row = ay + half;
        if (row >= area.bottom) break;
        if (row < area.top) continue;
        const int n = run->length;
        const int64_t start = (mirrored ? ax - run->x - n : ax + run->x) - half;
        const RunSpan s = ClipRun(start, n, area);
        if (s.first >= s.end) continue;
        uint16_t* out = target.At(static_cast<int>(start + s.first), static_cast<int>(row));
        for (int i = s.first; i < s.end; ++i, ++out)
            *out = static_cast<uint16_t>((*out >> 1) & 0x3DEF);
    }
}

bool IsAnimPixelAt(int x, int y, bool mirrored, int anchorX, int anchorY, const AnimItem& item,
                   const AnimFrame& frame) {
    const AnimRun* run = item.runs.data() + frame.firstRun;
    const AnimRun* end = run + frame.runCount;
    for (; run != end; ++run) {
        const int64_t row = int64_t{anchorY} + run->y;
        if (row > y) break;
        if (row < y) continue;
        const int64_t start = mirrored ? int64_t{anchorX} - run->x - run->length : int64_t{anchorX} + run->x;
        if (x >= start && x < start + run->length) return true;
    }
    return false;
}

// ---------------------------------------------------------------- the cache

namespace AnimCache {
namespace {

struct Entry {
    uint64_t key;
    std::shared_ptr<const AnimItem> item; // null: no item at that index
    size_t bytes;
};

struct State {
    std::list<Entry> lru; // most recently used first
    std::unordered_map<uint64_t, std::list<Entry>::iterator> lookup;
    size_t budget = kDefaultBudget;
    size_t used = 0;
    uint32_t generation = 0;
    ItemSource source = nullptr;
};

State& S() {
    static State state;
    return state;
}

constexpr size_t kMissingCost = sizeof(Entry) + 64;

void Trim() {
    State& s = S();
    // The newest entry stays even when it alone exceeds the budget: its holder is about to use it.
    while (s.used > s.budget && s.lru.size() > 1) {
        const Entry& victim = s.lru.back();
        s.used -= victim.bytes;
        s.lookup.erase(victim.key);
        s.lru.pop_back();
    }
}

} // namespace

std::shared_ptr<const AnimItem> Get(int index, bool secondPair) {
    State& s = S();
    if (s.generation != CDHDCache::Generation()) {
        Clear();
        s.generation = CDHDCache::Generation();
    }
    if (index < 0) return nullptr;
    const uint64_t key = (secondPair ? (uint64_t{1} << 32) : 0) | static_cast<uint32_t>(index);
    if (auto it = s.lookup.find(key); it != s.lookup.end()) {
        s.lru.splice(s.lru.begin(), s.lru, it->second);
        return it->second->item;
    }
    int length = 0, extra = 0;
    const uint8_t* bytes = nullptr;
    if (s.source) {
        bytes = s.source(index, secondPair, length);
    } else {
        const bool second = secondPair && CDHDCache::GetFileInfo(CDHDCache::kAnim2Idx).found &&
                            CDHDCache::GetFileInfo(CDHDCache::kAnim2).found;
        if (index >= CDHDCache::RecordCount(second ? CDHDCache::kAnim2Idx : CDHDCache::kAnimIdx))
            return nullptr;
        CDHDCache::SelectAnim2(second);
        bytes = CDHDCache::GetCacheItem(CDHDCache::kAnimIdx, CDHDCache::kAnim, index, length, extra);
        CDHDCache::SelectAnim2(false);
    }
    std::shared_ptr<AnimItem> item;
    if (bytes && length > 0) {
        item = std::make_shared<AnimItem>();
        if (!DecodeAnimItem(bytes, static_cast<size_t>(length), *item)) item.reset();
    }
    const size_t cost = item ? item->MemoryBytes() + sizeof(Entry) : kMissingCost;
    s.lru.push_front(Entry{key, item, cost});
    s.lookup[key] = s.lru.begin();
    s.used += cost;
    Trim();
    return item;
}

void SetBudget(size_t bytes) {
    S().budget = bytes;
    Trim();
}
size_t Budget() {
    return S().budget;
}
size_t UsedBytes() {
    return S().used;
}
size_t ItemCount() {
    return S().lru.size();
}
void SetItemSourceForTests(ItemSource source) {
    Clear();
    S().source = source;
}

void Clear() {
    State& s = S();
    s.lru.clear();
    s.lookup.clear();
    s.used = 0;
}

} // namespace AnimCache
