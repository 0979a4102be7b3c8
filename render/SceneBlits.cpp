// The land diamond, the circle of transparency and the textured triangles of sloped land.
#include "render/SceneBlits.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "render/GraphicManager.h"
#include "render/RenderData.h"
#include "render/SpanKernels.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

// ---------------------------------------------------------------- land diamond
namespace {

LandRow g_landRows[kLandTileSize];
bool g_landRowsBuilt = false;

template <typename Pixel> void DrawDiamond(int landId, int x, int y, const Rect& clip, Pixel pixel) {
    if (!g_landRowsBuilt) BuildLandArtTables();
    const ArtItem* art = GraphicManager::GetLandArtOrDefault(static_cast<unsigned>(landId) & kMaxLandArtId);
    if (!art || !art->land || art->pixels.size() < static_cast<size_t>(kLandPixelCount)) return;
    const BlitTarget& target = GetBlitTarget();
    const Rect part = VisiblePart(target, clip, x, y, kLandTileSize, kLandTileSize);
    if (part.IsEmpty()) return;
    const uint16_t* source = art->pixels.data();
    for (int row = part.top; row < part.bottom; ++row) {
        const LandRow& r = g_landRows[row];
        const int from = std::max<int>(r.start, part.left), to = std::min<int>(r.start + r.width, part.right);
        if (from >= to) continue;
        uint16_t* d = target.At(x + from, y + row);
        const uint16_t* s = source + r.first + (from - r.start);
        for (int i = 0; i < to - from; ++i)
            d[i] = pixel(s[i]);
    }
}

} // namespace

void BuildLandArtTables() {
    int rowStart = 0;
    for (int r = 0; r < kLandTileSize; ++r) {
        const int sourceWidth = r < 22 ? 2 * r + 2 : 88 - 2 * r;
        if (r < 22)
            g_landRows[r] = LandRow{static_cast<int16_t>(21 - r), static_cast<int16_t>(2 * r + 2),
                                    static_cast<int16_t>(rowStart)};
        else
            g_landRows[r] =
                LandRow{static_cast<int16_t>(r - 21), static_cast<int16_t>(std::max(0, 86 - 2 * r)),
                        static_cast<int16_t>(rowStart + 1)};
        rowStart += sourceWidth;
    }
    g_landRowsBuilt = true;
}

const LandRow* LandArtRows() {
    if (!g_landRowsBuilt) BuildLandArtTables();
    return g_landRows;
}

void DrawLandArt(int landId, int x, int y, const Rect& clip) {
    DrawDiamond(landId, x, y, clip, [](uint16_t p) { return p; });
}

void DrawLandArtGrey(int landId, int x, int y, const Rect& clip) {
    const uint16_t* grey = GraphicManager::GetGreyTable();
    DrawDiamond(landId, x, y, clip, [grey](uint16_t p) { return grey[p & 0x7FFF]; });
}

// ---------------------------------------------------------------- circle of transparency
namespace CircleTrans {
namespace {

struct Circle {
    bool initialised = false;
    int radius = 64;
    int r2 = 64 * 64;
    int shift = 12;
    int cx = 0, cy = 0;
    Rect rect{};
};

Circle& C() {
    static Circle c;
    if (!c.initialised) {
        c.initialised = true;
        c.cx = GraphicManager::GetScreenWidth() / 2;
        c.cy = GraphicManager::GetScreenHeight() / 2;
        Update();
    }
    return c;
}

} // namespace

void Update() {
    Circle& c = C();
    c.r2 = c.radius * c.radius;
    c.shift = -1;
    for (int s = 0; s < 31; ++s)
        if (c.r2 == 1 << s) c.shift = s;
    c.rect = Rect{c.cx - c.radius - 1, c.cy - c.radius - 1, c.cx + c.radius + 1, c.cy + c.radius + 1};
}

void SetRadius(int radius) {
    C().radius = radius <= 1 ? 2 : radius > 256 ? 256 : radius;
    Update();
}

void SetCenter(int x, int y) {
    C().cx = std::clamp(x, 0, std::max(0, GraphicManager::GetScreenWidth() - 1));
    C().cy = std::clamp(y, 0, std::max(0, GraphicManager::GetScreenHeight() - 1));
    Update();
}

int GetRadius() {
    return C().radius;
}
int GetShift() {
    return C().shift;
}
void GetCenter(int& x, int& y) {
    x = C().cx;
    y = C().cy;
}
const Rect& GetRect() {
    return C().rect;
}

uint16_t Blend(uint16_t s, uint16_t d, int q) {
    const Circle& c = C();
    const int r2 = c.r2, w = r2 - q;
    auto channel = [&](int shift) {
        const int a = (s >> shift) & 31, b = (d >> shift) & 31;
        const int v = q * a + w * b;
        return c.shift >= 0 ? v >> c.shift : v / r2;
    };
    return static_cast<uint16_t>(channel(10) << 10 | channel(5) << 5 | channel(0));
}

void ResetForTests() {
    C() = Circle{};
    C();
}

} // namespace CircleTrans

void DrawArtCircleTrans(SpanOp op, const ArtItem* art, const Rect& clip, int x, int y) {
    if (!art || !op) return;
    const BlitTarget& target = GetBlitTarget();
    const Rect part = VisiblePart(target, clip, x, y, art->width, art->height);
    if (part.IsEmpty()) return;
    int cx = 0, cy = 0;
    CircleTrans::GetCenter(cx, cy);
    const int r = CircleTrans::GetRadius(), r2 = r * r;
    for (int row = part.top; row < part.bottom; ++row) {
        const int dy = y + row - cy;
        const bool rowInside = dy * dy <= r2;
        for (const ArtRun* run = art->RowBegin(row); run != art->RowEnd(row); ++run) {
            const int start = run->column, end = run->column + run->count;
            if (end <= part.left) continue;
            if (start >= part.right) break;
            const int from = std::max(start, part.left), to = std::min(end, part.right);
            uint16_t* d = target.At(x + from, y + row);
            const uint16_t* s = art->pixels.data() + run->pixel + (from - start);
            if (!rowInside) {
                op(d, s, to - from);
                continue;
            }
            for (int i = 0; i < to - from; ++i) {
                const int dx = x + from + i - cx;
                const int q = dx * dx + dy * dy;
                if (q > r2) {
                    op(d + i, s + i, 1);
                    continue;
                }
                uint16_t shown = s[i];
                if (op != CopySpan) {
                    shown = d[i];
                    op(&shown, s + i, 1);
                }
                d[i] = CircleTrans::Blend(shown, d[i], q);
            }
        }
    }
}

// ---------------------------------------------------------------- land textures
namespace {

std::unordered_map<int, std::unique_ptr<LandTexture>>& Textures() {
    static std::unordered_map<int, std::unique_ptr<LandTexture>> cache;
    return cache;
}

} // namespace

const LandTexture* DecodeLandTexture(const uint8_t* data, int length, int extra, LandTexture& out) {
    if (!data || length <= 0) return nullptr;
    int size = 0;
    if (extra == 0)
        size = 64;
    else if (extra == 1)
        size = 128;
    else if (length == 64 * 64 * 2)
        size = 64;
    else if (length == 128 * 128 * 2)
        size = 128;
    else
        return nullptr;
    const size_t count = static_cast<size_t>(size) * static_cast<size_t>(size);
    if (static_cast<size_t>(length) < count * 2) return nullptr;
    out.size = size;
    out.pixels.resize(count);
    for (size_t i = 0; i < count; ++i)
        out.pixels[i] = static_cast<uint16_t>(data[2 * i] | data[2 * i + 1] << 8);
    return &out;
}

const LandTexture* GetLandTexture(int textureId) {
    if (textureId <= 0 || textureId >= 4096) return nullptr;
    auto& cache = Textures();
    auto found = cache.find(textureId);
    if (found != cache.end()) return found->second.get();
    int length = 0, extra = 0;
    const uint8_t* data =
        RenderData::GetItem(CDHDCache::kTexIdx, CDHDCache::kTexMaps, textureId, length, extra);
    auto texture = std::make_unique<LandTexture>();
    if (!DecodeLandTexture(data, length, extra, *texture)) {
        if (data)
            QVReport::warning(
                "GetLandTexture: texture %d (%d bytes, extra %d) is not a texture; not drawn.\n", textureId,
                length, extra);
        texture.reset();
    }
    const LandTexture* result = texture.get();
    cache.emplace(textureId, std::move(texture));
    return result;
}

void ResetLandTextures() {
    Textures().clear();
}

// ---------------------------------------------------------------- textured triangles
namespace {
constexpr uint32_t kDirectDraws = 16;

// Darkens a texel to a light level, through the grey table first when there is one.
struct Shade {
    const uint16_t* greyTable;
    const uint8_t* darkening;
    uint16_t operator()(uint16_t p, int level) const {
        if (greyTable) p = greyTable[p & 0x7FFF];
        const uint8_t* darken = darkening + level * 32;
        return static_cast<uint16_t>(darken[(p >> 10) & 31] << 10 | darken[(p >> 5) & 31] << 5 |
                                     darken[p & 31]);
    }
};

// A run of pixels whose texel coordinates and light all stay in range: no clamps but the light's
// (to the levels made) when the run is part of a wider one that leaves the range. Kept out of line
// so that the steps stay in registers.
template <int kSizeShift, bool kClampLevel>
[[gnu::noinline]] void ShadedRun(uint16_t* d, int n, int32_t u, int32_t du, int32_t v, int32_t dv, int32_t l,
                                 int32_t dl, const uint16_t* texels, int lowest, int highest) {
    for (int i = 0; i < n; ++i, u += du, v += dv, l += dl) {
        int level = l >> 16;
        if constexpr (kClampLevel) level = std::clamp(level, lowest, highest);
        d[i] = texels[(level << (2 * kSizeShift)) + ((v >> 16) << kSizeShift) + (u >> 16)];
    }
}

#if defined(__x86_64__) || defined(__i386__)
constexpr bool kWideRowsBuilt = true;
// A whole row from the shaded texture, eight pixels at a time, every texel coordinate and light
// clamped: the same pixels as the clamped ends and the run between them. The steps are 32-bit, so
// the row's ends must lie within 2^14 texels and levels of the texture. Lanes past the row are
// worked out (their clamped indices stay inside the texture) but not stored; a gather reads two
// bytes past its texel, so the shaded texture has a spare texel at its end.
[[gnu::target("avx2")]] void WideShadedRow(uint16_t* d, int n, int32_t u, int32_t du, int32_t v, int32_t dv,
                                           int32_t l, int32_t dl, const uint16_t* texels, int sizeShift,
                                           int lowest, int highest) {
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i vu = _mm256_add_epi32(_mm256_set1_epi32(u), _mm256_mullo_epi32(_mm256_set1_epi32(du), lanes));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(v), _mm256_mullo_epi32(_mm256_set1_epi32(dv), lanes));
    __m256i vl = _mm256_add_epi32(_mm256_set1_epi32(l), _mm256_mullo_epi32(_mm256_set1_epi32(dl), lanes));
    const __m256i du8 = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(du) * 8u));
    const __m256i dv8 = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(dv) * 8u));
    const __m256i dl8 = _mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(dl) * 8u));
    const __m256i zero = _mm256_setzero_si256(), top = _mm256_set1_epi32((1 << sizeShift) - 1);
    const __m256i low = _mm256_set1_epi32(lowest), high = _mm256_set1_epi32(highest);
    const __m256i word = _mm256_set1_epi32(0xFFFF);
    const __m128i rowShift = _mm_cvtsi32_si128(sizeShift), levelShift = _mm_cvtsi32_si128(2 * sizeShift);
    const int* base = reinterpret_cast<const int*>(texels);
    for (int i = 0; i < n; i += 8) {
        const __m256i tu = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vu, 16), zero), top);
        const __m256i tv = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vv, 16), zero), top);
        const __m256i level = _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(vl, 16), low), high);
        const __m256i index = _mm256_add_epi32(
            _mm256_add_epi32(_mm256_sll_epi32(level, levelShift), _mm256_sll_epi32(tv, rowShift)), tu);
        const __m256i texel = _mm256_and_si256(_mm256_i32gather_epi32(base, index, 2), word);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(texel, texel), 0x08);
        const __m128i eight = _mm256_castsi256_si128(packed);
        if (n - i >= 8) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + i), eight);
        } else {
            alignas(16) uint16_t rest[8];
            _mm_store_si128(reinterpret_cast<__m128i*>(rest), eight);
            std::memcpy(d + i, rest, static_cast<size_t>(n - i) * sizeof(uint16_t));
        }
        vu = _mm256_add_epi32(vu, du8);
        vv = _mm256_add_epi32(vv, dv8);
        vl = _mm256_add_epi32(vl, dl8);
    }
}
#else
constexpr bool kWideRowsBuilt = false;
void WideShadedRow(uint16_t*, int, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, const uint16_t*, int,
                   int, int) {}
#endif

template <bool kClampLevel>
void PlainRun(uint16_t* d, int n, int32_t u, int32_t du, int32_t v, int32_t dv, int32_t l, int32_t dl,
              const uint16_t* plain, int size, int lowest, int highest, Shade shade) {
    for (int i = 0; i < n; ++i, u += du, v += dv, l += dl) {
        int level = l >> 16;
        if constexpr (kClampLevel) level = std::clamp(level, lowest, highest);
        d[i] = shade(plain[(v >> 16) * size + (u >> 16)], level);
    }
}

} // namespace
void DrawTexturedTriangle(const LandTexture& texture, const TexVertex (&corners)[3], const Rect& clip,
                          bool grey) {
    const int size = texture.size;
    if (size <= 0 || texture.pixels.size() < static_cast<size_t>(size) * static_cast<size_t>(size)) return;
    const BlitTarget& target = GetBlitTarget();
    const Rect area = WritableArea(target, clip);
    if (area.IsEmpty()) return;
    TexVertex v[3] = {corners[0], corners[1], corners[2]};
    std::sort(v, v + 3, [](const TexVertex& a, const TexVertex& b) { return a.y < b.y; });
    const int yStart = std::max(v[0].y, area.top), yEnd = std::min(v[2].y, area.bottom);
    if (yStart >= yEnd) return;
    // An affine triangle: texture coordinates and light change by fixed steps along x and y (16.16),
    // worked out once; the edges step likewise, so no row divides.
    const int64_t x1 = v[1].x - v[0].x, y1 = v[1].y - v[0].y, x2 = v[2].x - v[0].x, y2 = v[2].y - v[0].y;
    const int64_t denom = x1 * y2 - x2 * y1;
    if (denom == 0) return;
    struct Plane {
        int64_t base, perX, perY;
    };
    auto plane = [&](int a0, int a1, int a2) {
        const int64_t d1 = a1 - a0, d2 = a2 - a0;
        return Plane{int64_t{a0} << 16, ((d1 * y2 - d2 * y1) << 16) / denom,
                     ((d2 * x1 - d1 * x2) << 16) / denom};
    };
    const Plane pu = plane(v[0].u, v[1].u, v[2].u), pv = plane(v[0].v, v[1].v, v[2].v),
                pl = plane(v[0].light, v[1].light, v[2].light);
    auto edgeStep = [](const TexVertex& a, const TexVertex& b) {
        return b.y == a.y ? int64_t{0} : (int64_t{b.x - a.x} << 16) / (b.y - a.y);
    };
    const int64_t longStep = edgeStep(v[0], v[2]), upperStep = edgeStep(v[0], v[1]),
                  lowerStep = edgeStep(v[1], v[2]);
    const size_t texelCount = static_cast<size_t>(size) * static_cast<size_t>(size);
    // A texture drawn often is shaded once per light level; the first few draws shade each pixel.
    const bool cached = ++texture.draws > kDirectDraws;
    const int lowest = std::clamp(std::min({v[0].light, v[1].light, v[2].light}) - 1, 0, 15);
    const int highest = std::clamp(std::max({v[0].light, v[1].light, v[2].light}) + 1, 0, 15);
    std::unique_ptr<uint16_t[]>& shaded = grey ? texture.shadedGrey : texture.shaded;
    uint16_t& made = grey ? texture.shadedGreyLevels : texture.shadedLevels;
    const uint16_t* greyTable = grey ? GraphicManager::GetGreyTable() : nullptr;
    const uint8_t* darkening = DarkeningTable();
    const Shade shade{greyTable, darkening};
    if (cached) {
        if (!shaded) {
            shaded.reset(new uint16_t[16 * texelCount + 1]()); // the spare texel of WideShadedRow
            made = 0;
        }
        // Only the levels this triangle can reach (one more each side for rounding) are made.
        for (int level = lowest; level <= highest; ++level) {
            if (made & (1u << level)) continue;
            made = static_cast<uint16_t>(made | (1u << level));
            uint16_t* out = shaded.get() + static_cast<size_t>(level) * texelCount;
            for (size_t i = 0; i < texelCount; ++i)
                out[i] = shade(texture.pixels[i], level);
        }
    }
    const uint16_t* texels = cached ? shaded.get() : nullptr;
    const uint16_t* plain = texture.pixels.data();
    // Every pixel in range on all three counts; a span is cut to its first and last such pixels
    // (the values are linear, so all pixels between are in range too) and the pixels cut off clamp.
    auto inRange = [size](int64_t u, int64_t tv, int64_t light) {
        return (u >> 16) >= 0 && (u >> 16) <= size - 1 && (tv >> 16) >= 0 && (tv >> 16) <= size - 1 &&
               (light >> 16) >= 0 && (light >> 16) <= 15;
    };
    auto clamped = [&](uint16_t* d, int64_t u, int64_t tv, int64_t light) {
        const int tu = static_cast<int>(std::clamp<int64_t>(u >> 16, 0, size - 1));
        const int tw = static_cast<int>(std::clamp<int64_t>(tv >> 16, 0, size - 1));
        const int level = static_cast<int>(std::clamp<int64_t>(light >> 16, lowest, highest));
        *d = texels ? texels[static_cast<size_t>(level) * texelCount + static_cast<size_t>(tw * size + tu)]
                    : shade(plain[tw * size + tu], level);
    };
    // Rows from the shaded texture go eight pixels at a time where the processor allows.
    const bool wide = texels && kWideRowsBuilt && WideSpanKernelsActive();
    const int sizeShift = size == 64 ? 6 : 7;
    constexpr int64_t kWideLimit = int64_t{1} << 30;
    auto fitsWide = [](int64_t value) { return value > -kWideLimit && value < kWideLimit; };
    for (int y = yStart; y < yEnd; ++y) {
        int64_t xa = (int64_t{v[0].x} << 16) + longStep * (y - v[0].y);
        int64_t xb = y < v[1].y ? (int64_t{v[0].x} << 16) + upperStep * (y - v[0].y)
                                : (int64_t{v[1].x} << 16) + lowerStep * (y - v[1].y);
        if (xa > xb) std::swap(xa, xb);
        const int from = std::max(static_cast<int>(xa >> 16), area.left),
                  to = std::min(static_cast<int>(xb >> 16), area.right);
        if (from >= to) continue;
        const int n = to - from;
        const int64_t dx = from - v[0].x, dy = y - v[0].y;
        int64_t u = pu.base + pu.perX * dx + pu.perY * dy, tv = pv.base + pv.perX * dx + pv.perY * dy,
                light = pl.base + pl.perX * dx + pl.perY * dy;
        uint16_t* d = target.At(from, y);
        if (wide) {
            const int64_t lu = u + pu.perX * (n - 1), lv = tv + pv.perX * (n - 1),
                          ll = light + pl.perX * (n - 1);
            if (fitsWide(u) && fitsWide(lu) && fitsWide(tv) && fitsWide(lv) && fitsWide(light) &&
                fitsWide(ll)) {
                WideShadedRow(d, n, static_cast<int32_t>(u), static_cast<int32_t>(pu.perX),
                              static_cast<int32_t>(tv), static_cast<int32_t>(pv.perX),
                              static_cast<int32_t>(light), static_cast<int32_t>(pl.perX), texels, sizeShift,
                              lowest, highest);
                continue;
            }
        }
        int first = 0;
        while (first < n && !inRange(u, tv, light)) {
            clamped(d + first, u, tv, light);
            ++first, u += pu.perX, tv += pv.perX, light += pl.perX;
        }
        if (first == n) continue;
        int last = n - 1;
        int64_t lu = u + pu.perX * (last - first), lv = tv + pv.perX * (last - first),
                ll = light + pl.perX * (last - first);
        while (!inRange(lu, lv, ll)) {
            clamped(d + last, lu, lv, ll);
            --last, lu -= pu.perX, lv -= pv.perX, ll -= pl.perX;
        }
        // A span wholly in range whose ends keep to the levels made reads the level as it stands
        // (the light is linear, so the pixels between keep to them too); any other span keeps the
        // level among those made: a pixel left of a slanted edge carries the light on past the
        // corners', by as much as the light changes in a pixel.
        auto prepared = [&](int64_t l) { return (l >> 16) >= lowest && (l >> 16) <= highest; };
        const bool clampLevel = first != 0 || last != n - 1 || !prepared(light) || !prepared(ll);
        const int count = last - first + 1;
        const int32_t u32 = static_cast<int32_t>(u), v32 = static_cast<int32_t>(tv),
                      l32 = static_cast<int32_t>(light);
        const int32_t du = static_cast<int32_t>(pu.perX), dv = static_cast<int32_t>(pv.perX),
                      dl = static_cast<int32_t>(pl.perX);
        uint16_t* run = d + first;
        if (texels) {
            if (size == 64)
                (clampLevel ? ShadedRun<6, true> : ShadedRun<6, false>)(run, count, u32, du, v32, dv, l32, dl,
                                                                        texels, lowest, highest);
            else
                (clampLevel ? ShadedRun<7, true> : ShadedRun<7, false>)(run, count, u32, du, v32, dv, l32, dl,
                                                                        texels, lowest, highest);
        } else {
            (clampLevel ? PlainRun<true> : PlainRun<false>)(run, count, u32, du, v32, dv, l32, dl, plain,
                                                            size, lowest, highest, shade);
        }
    }
}
