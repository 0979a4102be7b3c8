#include "render/Light.h"

#include "core/CMMF.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "render/Art.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace {

// ---------------------------------------------------------------- tables
struct Tables {
    uint32_t radarBlue[32 * 32];
    uint32_t radarGreen[32 * 32];
    uint32_t radarRed[32 * 32];
    uint16_t darkenedAtFive[32768];

    Tables() {
        const uint8_t* dark = DarkeningTable();
        for (int v = 0; v < 32; ++v)
            for (int k = 0; k < 32; ++k) {
                const uint32_t d = dark[k * 32 + v];
                radarBlue[v * 32 + k] = d;
                radarGreen[v * 32 + k] = d << 5;
                radarRed[v * 32 + k] = d << 10;
            }
        const uint8_t* five = dark + 5 * 32;
        for (int p = 0; p < 32768; ++p)
            darkenedAtFive[p] = static_cast<uint16_t>((five[(p >> 10) & 31] << 10) |
                                                      (five[(p >> 5) & 31] << 5) | five[p & 31]);
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

// Built before the program's entry point.
[[maybe_unused]] const bool g_tablesBuilt = (BuildLightTables(), true);

constexpr uint8_t kC1[32] = {0,  1,  2,  4,  6,  8,  11, 14, 17, 20, 23, 26, 29, 30, 31, 31,
                             31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31};
constexpr uint8_t kC2[32] = {0, 0, 0, 0, 0, 0,  0,  0,  1,  1,  2,  2,  3,  3,  4,  4,
                             5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 17, 19, 21, 23, 25, 27};
constexpr uint8_t kC3[32] = {0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
                             1, 2, 3, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28};
constexpr uint8_t kC4[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};

// ---------------------------------------------------------------- the light files
struct LightEntry {
    uint32_t offset = 0;
    int width = 0;
    int height = 0;
    bool usable = false;
};

struct LightFiles {
    std::unique_ptr<CMMF> index;
    std::unique_ptr<CMMF> data;
    std::array<LightEntry, kLightIdCount> entries{};
    const uint8_t* dataBytes = nullptr;
};

LightFiles& Files() {
    static LightFiles files;
    return files;
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int Le16(const uint8_t* p) {
    return p[0] | (p[1] << 8);
}

// Every entry is judged here, once: afterwards a usable entry's bitmap lies inside the data.
void CheckEntries(const uint8_t* index, size_t indexLength, const uint8_t* data, size_t dataLength) {
    LightFiles& f = Files();
    f.entries = {};
    f.dataBytes = data;
    const size_t present = index ? indexLength / kLightIndexEntrySize : 0;
    if (present < static_cast<size_t>(kLightIdCount))
        QVReport::warning("thelightthingie: lightidx.mul holds %zu of %d lights; the rest give no light.\n",
                          present, kLightIdCount);
    for (int id = 0; id < kLightIdCount && static_cast<size_t>(id) < present; ++id) {
        const uint8_t* e = index + static_cast<size_t>(id) * kLightIndexEntrySize;
        LightEntry& entry = f.entries[id];
        entry.offset = Le32(e);
        entry.width = Le16(e + 8);
        entry.height = Le16(e + 10);
        const uint64_t size = static_cast<uint64_t>(entry.width) * static_cast<uint64_t>(entry.height);
        if (size == 0) continue; // an empty slot
        if (!data || entry.offset > dataLength || size > dataLength - entry.offset) {
            QVReport::warning(
                "thelightthingie: light %d (offset %u, %d x %d) does not fit light.mul (%zu bytes); "
                "it gives no light.\n",
                id, entry.offset, entry.width, entry.height, dataLength);
            continue;
        }
        entry.usable = true;
    }
}

// ---------------------------------------------------------------- module state
struct LightState {
    int globalLevel = 0;
    bool darkNights = false;
    LightSceneSource source;
};

LightState& S() {
    static LightState state;
    return state;
}

void DefaultSource(const Rect&, LightFrame& frame) {
    frame.levels.global = S().globalLevel;
    frame.levels.darkNights = S().darkNights;
}

// ---------------------------------------------------------------- coloured variants
struct ChannelDeltas {
    // What a light value (as its byte) takes off red, green and blue.
    int8_t red[256];
    int8_t green[256];
    int8_t blue[256];
};

int Sat8(int v) {
    return std::clamp(v, -128, 127);
}

const ChannelDeltas& DeltasOf(LightVariant variant) {
    static const std::array<ChannelDeltas, 11> all = [] {
        std::array<ChannelDeltas, 11> t{};
        for (int b = 0; b < 256; ++b) {
            const int v = static_cast<int8_t>(b);
            const int c1 = LightTables::Curve(1, v), c2 = LightTables::Curve(2, v),
                      c3 = LightTables::Curve(3, v), c4 = LightTables::Curve(4, v);
            auto set = [&](LightVariant which, int r, int g, int bl) {
                ChannelDeltas& d = t[static_cast<int>(which)];
                d.red[b] = static_cast<int8_t>(Sat8(r));
                d.green[b] = static_cast<int8_t>(Sat8(g));
                d.blue[b] = static_cast<int8_t>(Sat8(bl));
            };
            set(LightVariant::White, v, v, v);
            set(LightVariant::Soft, c2, c2, c2);
            set(LightVariant::Blue, v / 2, v / 2, v);
            set(LightVariant::Green, 0, c3, 0);
            set(LightVariant::Yellow, v, v, 0);
            set(LightVariant::Purple, c4, 0, c3);
            set(LightVariant::Orange, c1, c1 / 2, 0);
            set(LightVariant::DimOrange, c3, c3 / 2, 0);
            set(LightVariant::Red, v, 0, 0);
            set(LightVariant::DimYellow, c3, c3, 0);
            set(LightVariant::SoftYellow, c2, c2, 0);
        }
        return t;
    }();
    return all[static_cast<int>(variant)];
}

struct GraphicRule {
    int first;
    int last;
    LightVariant variant;
};

// In the order they apply; a later rule wins over an earlier one.
constexpr GraphicRule kGraphicRules[] = {
    {4012, 4012, LightVariant::Orange},      {4017, 4017, LightVariant::DimYellow},
    {5703, 5703, LightVariant::SoftYellow},  {6587, 6587, LightVariant::Red},
    {7979, 7979, LightVariant::Red},         {2555, 2580, LightVariant::Orange},
    {2581, 2601, LightVariant::White},       {2842, 2856, LightVariant::White},
    {3553, 3562, LightVariant::DimOrange},   {6217, 6224, LightVariant::SoftYellow},
    {6227, 6234, LightVariant::SoftYellow},  {6522, 6569, LightVariant::DimYellow},
    {6571, 6582, LightVariant::DimYellow},   {7885, 7890, LightVariant::Green},
    {3948, 3948, LightVariant::Blue},        {8148, 8148, LightVariant::Blue},
    {3629, 3632, LightVariant::Soft},        {3633, 3635, LightVariant::Red},
    {3676, 3690, LightVariant::Purple},      {4846, 4941, LightVariant::DimOrange},
    {12394, 12955, LightVariant::DimOrange}, {13371, 13420, LightVariant::DimOrange},
    {13639, 13644, LightVariant::DimOrange}, {14612, 14633, LightVariant::Green},
    {14662, 14692, LightVariant::Purple},    {14695, 14714, LightVariant::Purple},
    {14732, 14751, LightVariant::DimOrange}, {15874, 15883, LightVariant::Green},
    {15911, 15930, LightVariant::DimOrange},
};

// ---------------------------------------------------------------- blocks
struct PlacedBitmap {
    Rect rect;
    LightBitmap bitmap;
    const ChannelDeltas* deltas = nullptr;
};

// The sources that meet the rect, with their bitmaps.
std::vector<PlacedBitmap> Place(const LightFrame& frame, const Rect& area, bool colored) {
    std::vector<PlacedBitmap> placed;
    placed.reserve(frame.lights.size());
    for (const PlacedLight& light : frame.lights) {
        const int id = colored ? ColoredLightId(light.graphic, light.lightId) : light.lightId;
        PlacedBitmap p;
        if (!thelightthingie::GetLight(id, p.bitmap)) continue;
        p.rect = Rect{light.x - p.bitmap.width / 2, light.y - p.bitmap.height / 2 - 22, 0, 0};
        p.rect.right = p.rect.left + p.bitmap.width;
        p.rect.bottom = p.rect.top + p.bitmap.height;
        if (IntersectRect(p.rect, area).IsEmpty()) continue;
        if (colored) p.deltas = &DeltasOf(LightVariantOfGraphic(light.graphic));
        placed.push_back(p);
    }
    return placed;
}

inline uint8_t ClampLevel(int a) {
    return static_cast<uint8_t>(a < 0 ? 0 : a > 31 ? 31 : a);
}

// Each 5-bit channel c at level a becomes c * (32 - a) / 32, as the darkening rows hold it.
// Every product fits 16 bits (31 x 32), so the sums are kept in 16-bit lanes when vectorised.
inline uint16_t Darken(uint16_t p, uint8_t r, uint8_t g, uint8_t b) {
    const uint16_t mr = static_cast<uint16_t>(32 - r), mg = static_cast<uint16_t>(32 - g),
                   mb = static_cast<uint16_t>(32 - b);
    const uint16_t red = static_cast<uint16_t>(static_cast<uint16_t>((p >> 10) & 31u) * mr) >> 5;
    const uint16_t green = static_cast<uint16_t>(static_cast<uint16_t>((p >> 5) & 31u) * mg) >> 5;
    const uint16_t blue = static_cast<uint16_t>(static_cast<uint16_t>(p & 31u) * mb) >> 5;
    return static_cast<uint16_t>((red << 10) | (green << 5) | blue);
}

// The darkening rows have fixed counts and no branch on the pixels: coverage tracing there tells a
// fuzzer nothing and would cost most of its time.
#if defined(__clang__)
#define QV_LIGHT_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define QV_LIGHT_NO_COVERAGE
#endif

QV_LIGHT_NO_COVERAGE void DarkenRowUniform(uint16_t* row, int count, unsigned level) {
    const uint16_t m = static_cast<uint16_t>(32 - level);
    for (int i = 0; i < count; ++i) {
        const uint16_t p = row[i];
        const uint16_t red = static_cast<uint16_t>((((p >> 10) & 31) * m) >> 5);
        const uint16_t green = static_cast<uint16_t>((((p >> 5) & 31) * m) >> 5);
        const uint16_t blue = static_cast<uint16_t>(((p & 31) * m) >> 5);
        row[i] = static_cast<uint16_t>((red << 10) | (green << 5) | blue);
    }
}

QV_LIGHT_NO_COVERAGE void DarkenRow(uint16_t* row, const uint8_t* levels, int count) {
    for (int i = 0; i < count; ++i) {
        const uint16_t p = row[i];
        const uint16_t m = static_cast<uint16_t>(32 - levels[i]);
        const uint16_t red = static_cast<uint16_t>((((p >> 10) & 31) * m) >> 5);
        const uint16_t green = static_cast<uint16_t>((((p >> 5) & 31) * m) >> 5);
        const uint16_t blue = static_cast<uint16_t>(((p & 31) * m) >> 5);
        row[i] = static_cast<uint16_t>((red << 10) | (green << 5) | blue);
    }
}

QV_LIGHT_NO_COVERAGE void DarkenRowColored(uint16_t* row, const uint8_t* r, const uint8_t* g,
                                           const uint8_t* b, int count) {
    for (int i = 0; i < count; ++i)
        row[i] = Darken(row[i], r[i], g[i], b[i]);
}

// Walks the writable part of rect in 64 x 48 blocks; fn(block) for each.
template <class Fn> void ForEachBlock(const Rect& area, Fn fn) {
    for (int top = area.top; top < area.bottom; top += kLightBlockHeight) {
        const int bottom = std::min(top + kLightBlockHeight, area.bottom);
        for (int left = area.left; left < area.right; left += kLightBlockWidth)
            fn(Rect{left, top, std::min(left + kLightBlockWidth, area.right), bottom});
    }
}

// The covered part of a bitmap over a block: the block-relative rect and the bitmap's first byte.
struct Overlap {
    Rect part;
    const int8_t* source;
};
bool OverlapOf(const PlacedBitmap& p, const Rect& block, Overlap& out) {
    const Rect covered = IntersectRect(p.rect, block);
    if (covered.IsEmpty()) return false;
    out.part = Rect{covered.left - block.left, covered.top - block.top, covered.right - block.left,
                    covered.bottom - block.top};
    out.source = p.bitmap.values + static_cast<size_t>(covered.top - p.rect.top) * p.bitmap.width +
                 (covered.left - p.rect.left);
    return true;
}

// Takes one light's part off the block's three channels. The channels are bytes, which may alias
// anything: without the restrict pointers every store would reload the tables and the bounds.
void AccumulateColored(const ChannelDeltas& d, const Overlap& o, int sourceWidth, uint8_t* red,
                       uint8_t* green, uint8_t* blue) {
    const int8_t* __restrict dr = d.red;
    const int8_t* __restrict dg = d.green;
    const int8_t* __restrict db = d.blue;
    const int n = o.part.right - o.part.left;
    for (int y = o.part.top; y < o.part.bottom; ++y) {
        const int row = y * kLightBlockWidth + o.part.left;
        const int8_t* __restrict v = o.source + static_cast<ptrdiff_t>(y - o.part.top) * sourceWidth;
        uint8_t* __restrict r = red + row;
        uint8_t* __restrict g = green + row;
        uint8_t* __restrict b = blue + row;
        for (int x = 0; x < n; ++x) {
            const uint8_t value = static_cast<uint8_t>(v[x]);
            r[x] = ClampLevel(r[x] - dr[value]);
            g[x] = ClampLevel(g[x] - dg[value]);
            b[x] = ClampLevel(b[x] - db[value]);
        }
    }
}

} // namespace

// ---------------------------------------------------------------- tables
void BuildLightTables() {
    (void)T();
    (void)DeltasOf(LightVariant::White);
}

namespace LightTables {
const uint8_t* Darkening() {
    return DarkeningTable();
}
const uint32_t* RadarBlue() {
    return T().radarBlue;
}
const uint32_t* RadarGreen() {
    return T().radarGreen;
}
const uint32_t* RadarRed() {
    return T().radarRed;
}
const uint16_t* DarkenedAtFive() {
    return T().darkenedAtFive;
}
int Curve(int which, int v) {
    const uint8_t* c = which == 1 ? kC1 : which == 2 ? kC2 : which == 3 ? kC3 : kC4;
    const int magnitude = c[std::min(v < 0 ? -v : v, 31)];
    return v < 0 ? -magnitude : magnitude;
}
} // namespace LightTables

// ---------------------------------------------------------------- the files
namespace thelightthingie {

void startup() {
    QVReport::message("thelightthingie::startup:\n");
    LightFiles& f = Files();
    const std::string indexPath = FileManager::get_HDpath("lightidx.mul");
    const std::string dataPath = FileManager::get_HDpath("light.mul");
    f.index = std::make_unique<CMMF>(indexPath.c_str());
    f.data = std::make_unique<CMMF>(dataPath.c_str());
    const uint8_t* index = f.index->Open(true);
    const uint8_t* data = f.data->Open(true);
    CheckEntries(index, index ? static_cast<size_t>(f.index->GetSize()) : 0, data,
                 data ? static_cast<size_t>(f.data->GetSize()) : 0);
}

void shutdown() {
    QVReport::message("thelightthingie::shutdown:\n");
    LightFiles& f = Files();
    f.entries = {};
    f.dataBytes = nullptr;
    f.index.reset(); // closes the mapping
    f.data.reset();
}

void UseBytes(const uint8_t* index, size_t indexLength, const uint8_t* data, size_t dataLength) {
    CheckEntries(index, indexLength, data, dataLength);
}

bool GetLight(int id, LightBitmap& out) {
    if (id < 0 || id >= kLightIdCount) return false;
    const LightEntry& e = Files().entries[id];
    if (!e.usable) return false;
    out.values = reinterpret_cast<const int8_t*>(Files().dataBytes + e.offset);
    out.width = e.width;
    out.height = e.height;
    return true;
}

} // namespace thelightthingie

// ---------------------------------------------------------------- levels and sources
int AmbientLightLevel(const LightLevels& levels) {
    if (levels.ghost) return 0;
    int d = levels.global - levels.personal;
    if (levels.darkNights && levels.global > 12) {
        // A personal light above the global level must not make the night darker.
        if (d < 0) d = 0;
        d = d * (d >> 1);
        if (d > 16) return 24;
    }
    return std::clamp(d, 0, 31);
}

void SetGlobalLightLevel(int level) {
    S().globalLevel = level;
}
int GetGlobalLightLevel() {
    return S().globalLevel;
}
void SetDarkNights(bool on) {
    S().darkNights = on;
}
bool GetDarkNights() {
    return S().darkNights;
}

void SetLightSceneSource(LightSceneSource source) {
    S().source = std::move(source);
}

void ResetLightsForTests() {
    S() = LightState{};
    Files().entries = {};
    Files().dataBytes = nullptr;
    Files().index.reset();
    Files().data.reset();
}

Rect LightRect(int x, int y, int lightId) {
    LightBitmap bitmap;
    if (!thelightthingie::GetLight(lightId, bitmap)) return Rect{};
    const int left = x - bitmap.width / 2, top = y - bitmap.height / 2 - 22;
    return Rect{left, top, left + bitmap.width, top + bitmap.height};
}

LightVariant LightVariantOfGraphic(int graphic) {
    static const std::array<LightVariant, 16384> table = [] {
        std::array<LightVariant, 16384> t{};
        t.fill(LightVariant::White);
        for (const GraphicRule& rule : kGraphicRules)
            for (int g = rule.first; g <= rule.last; ++g)
                t[g] = rule.variant;
        return t;
    }();
    if (graphic < 0 || graphic >= 16384) return LightVariant::White;
    return table[graphic];
}

int ColoredLightId(int graphic, int lightId) {
    if ((graphic >= 15874 && graphic <= 15883) || (graphic >= 14612 && graphic <= 14633)) return 2;
    return lightId;
}

// ---------------------------------------------------------------- renderers
void ApplyLightsTo(const BlitTarget& target, const Rect& rect, const LightFrame& frame) {
    const Rect area = WritableArea(target, rect);
    if (area.IsEmpty()) return;
    const uint8_t ambient = ClampLevel(AmbientLightLevel(frame.levels));
    const std::vector<PlacedBitmap> placed = Place(frame, area, false);
    alignas(64) uint8_t acc[kLightBlockWidth * kLightBlockHeight];
    ForEachBlock(area, [&](const Rect& block) {
        const int w = block.Width(), h = block.Height();
        bool lit = false;
        Overlap o{};
        for (const PlacedBitmap& p : placed) {
            if (!OverlapOf(p, block, o)) continue;
            if (!lit) std::memset(acc, ambient, sizeof acc);
            lit = true;
            for (int y = o.part.top; y < o.part.bottom; ++y) {
                uint8_t* a = acc + y * kLightBlockWidth;
                const int8_t* v = o.source + static_cast<ptrdiff_t>(y - o.part.top) * p.bitmap.width;
                for (int x = o.part.left; x < o.part.right; ++x)
                    a[x] = ClampLevel(a[x] - v[x - o.part.left]);
            }
        }
        if (!lit) {
            // A block at level 0 without light stays as painted.
            if (ambient == 0) return;
            for (int y = 0; y < h; ++y)
                DarkenRowUniform(target.At(block.left, block.top + y), w, ambient);
            return;
        }
        for (int y = 0; y < h; ++y)
            DarkenRow(target.At(block.left, block.top + y), acc + y * kLightBlockWidth, w);
    });
}

void ApplyLightsColoredTo(const BlitTarget& target, const Rect& rect, const LightFrame& frame) {
    const Rect area = WritableArea(target, rect);
    if (area.IsEmpty()) return;
    const uint8_t ambient = ClampLevel(AmbientLightLevel(frame.levels));
    const std::vector<PlacedBitmap> placed = Place(frame, area, true);
    constexpr int kCells = kLightBlockWidth * kLightBlockHeight;
    alignas(64) uint8_t red[kCells], green[kCells], blue[kCells];
    ForEachBlock(area, [&](const Rect& block) {
        const int w = block.Width(), h = block.Height();
        bool lit = false;
        Overlap o{};
        for (const PlacedBitmap& p : placed) {
            if (!OverlapOf(p, block, o)) continue;
            if (!lit) {
                std::memset(red, ambient, sizeof red);
                std::memset(green, ambient, sizeof green);
                std::memset(blue, ambient, sizeof blue);
            }
            lit = true;
            AccumulateColored(*p.deltas, o, p.bitmap.width, red, green, blue);
        }
        if (!lit) {
            if (ambient == 0) return;
            for (int y = 0; y < h; ++y)
                DarkenRowUniform(target.At(block.left, block.top + y), w, ambient);
            return;
        }
        for (int y = 0; y < h; ++y) {
            const int row = y * kLightBlockWidth;
            DarkenRowColored(target.At(block.left, block.top + y), red + row, green + row, blue + row, w);
        }
    });
}

namespace {
LightFrame FrameFor(const Rect& rect) {
    LightFrame frame;
    if (S().source)
        S().source(rect, frame);
    else
        DefaultSource(rect, frame);
    return frame;
}
} // namespace

void ApplyLights(const Rect& rect) {
    ApplyLightsTo(GetBlitTarget(), rect, FrameFor(rect));
}

void ApplyLightsColored(const Rect& rect) {
    ApplyLightsColoredTo(GetBlitTarget(), rect, FrameFor(rect));
}
