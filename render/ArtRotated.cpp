#include "render/ArtRotated.h"

#include "render/HueManager.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct RotationTables {
    int32_t cosine[256];
    int32_t sine[256];
    uint8_t grey[65536];
    RotationTables() {
        for (int a = 0; a < 256; ++a) {
            const double r = a * 2.0 * std::numbers::pi / 256.0;
            cosine[a] = static_cast<int32_t>(std::lround(std::cos(r) * 65536.0));
            sine[a] = static_cast<int32_t>(std::lround(std::sin(r) * 65536.0));
        }
        for (int p = 0; p < 65536; ++p)
            grey[p] = static_cast<uint8_t>((((p >> 5) & 31) + ((p >> 11) & 15) + (p & 31)) / 3);
    }
};

const RotationTables& R() {
    static const RotationTables tables;
    return tables;
}

[[maybe_unused]] const bool g_built = (BuildRotationTables(), true);

enum class Mode { Plain, Blend, Hue, HueBlend };

template <Mode M>
void DrawRotated(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle, const Rect& extraClip) {
    if (!art || art->land || art->width <= 0 || art->height <= 0) return;
    const BlitTarget& target = GetBlitTarget();
    const Rect area = IntersectRect(WritableArea(target, clip),
                                    IntersectRect(extraClip, RotatedArtBounds(art, x, y, angle)));
    if (area.IsEmpty()) return;
    const int64_t cs = R().cosine[angle], sn = R().sine[angle];
    const int w = art->width, h = art->height;
    const int cx = x + w / 2, cy = y + h / 2;
    const uint16_t* hue = nullptr;
    if constexpr (M == Mode::Hue) hue = HueManager::ResolveHueColours(GetCurrentHueIndex());
    for (int py = area.top; py < area.bottom; ++py) {
        uint16_t* row = target.At(0, py);
        const int64_t dy = py - cy;
        for (int px = area.left; px < area.right; ++px) {
            const int64_t dx = px - cx;
            const int64_t sx = w / 2 + ((dx * cs + dy * sn) >> 16);
            const int64_t sy = h / 2 + ((dy * cs - dx * sn) >> 16);
            if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
            const uint16_t p = GetArtPixel(art, static_cast<int>(sx), static_cast<int>(sy));
            if (p == 0) continue;
            uint16_t* d = row + px;
            if constexpr (M == Mode::Plain)
                *d = p;
            else if constexpr (M == Mode::Hue)
                *d = hue[R().grey[p] & 31];
            else if constexpr (M == Mode::Blend)
                BlendTableSpan(d, &p, 1);
            else
                HueBlendSpan(d, &p, 1);
        }
    }
}

} // namespace

void BuildRotationTables() {
    (void)R();
}

int32_t RotationCos(uint8_t angle) {
    return R().cosine[angle];
}
int32_t RotationSin(uint8_t angle) {
    return R().sine[angle];
}

uint8_t GreyLevel(uint16_t pixel) {
    return R().grey[pixel];
}

void RotateRectBounds(uint8_t angle, Rect& rect) {
    const int64_t cs = R().cosine[angle], sn = R().sine[angle];
    const int cx = (rect.left + rect.right) / 2, cy = (rect.top + rect.bottom) / 2;
    const int xs[2] = {rect.left - cx, rect.right - cx}, ys[2] = {rect.top - cy, rect.bottom - cy};
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
    for (int dx : xs)
        for (int dy : ys) {
            const int64_t x = cx + ((dx * cs - sn * dy) >> 16);
            const int64_t y = cy - ((cs * dy + dx * sn) >> 16);
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    rect = Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                static_cast<int>(bottom)};
}

Rect RotatedArtBounds(const ArtItem* art, int x, int y, uint8_t angle) {
    if (!art || art->width <= 0 || art->height <= 0) return Rect{};
    Rect r{x, y, x + art->width, y + art->height};
    RotateRectBounds(angle, r);
    return Rect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1};
}

void DrawArtRotated(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                    const Rect& extraClip) {
    DrawRotated<Mode::Plain>(art, clip, x, y, angle, extraClip);
}
void DrawArtRotatedBlend(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                         const Rect& extraClip) {
    DrawRotated<Mode::Blend>(art, clip, x, y, angle, extraClip);
}
void DrawArtRotatedHue(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                       const Rect& extraClip) {
    DrawRotated<Mode::Hue>(art, clip, x, y, angle, extraClip);
}
void DrawArtRotatedHueBlend(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                            const Rect& extraClip) {
    DrawRotated<Mode::HueBlend>(art, clip, x, y, angle, extraClip);
}
