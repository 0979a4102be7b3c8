#include "world/SkipDrawHandler.h"

#include "core/QVReport.h"
#include "render/AnimFrames.h"
#include "render/Art.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace SkipDrawHandler {
namespace {

using Table = std::array<int, kWidth * kHeight>;

struct State {
    Table warp[4];
    uint16_t image[kWidth * kHeight] = {};
    int originX = 0, originY = 0;
    int facing = 0;
    bool mirrored = false;
    const ChairRow* chosen = nullptr;
};

State& S() {
    static State state;
    return state;
}

constexpr ChairRow Row(uint32_t g, uint32_t mask, int side, int front, int back) {
    return ChairRow{g, mask, side, front, back};
}

// Grouped by equal values; each graphic occurs once.
constexpr ChairRow kChairs[] = {
    Row(2862, 4, 6, 6, 0),   Row(2961, 4, 6, 6, 0),   Row(2962, 4, 6, 6, 0),    Row(2863, 2, 6, 6, 0),
    Row(2963, 2, 6, 6, 0),   Row(2964, 2, 6, 6, 0),   Row(2894, 2, 0, 0, 0),    Row(2898, 2, 0, 0, 0),
    Row(2867, 2, 0, 0, 0),   Row(5415, 2, 0, 0, 0),   Row(2895, 4, 0, 0, 0),    Row(2899, 4, 0, 0, 0),
    Row(2866, 4, 0, 0, 0),   Row(2902, 2, 4, 4, 0),   Row(4633, 2, 4, 4, 0),    Row(2903, 4, 4, 4, 0),
    Row(4632, 4, 4, 4, 0),   Row(2906, 2, 8, 8, 0),   Row(2907, 4, 8, 8, 0),    Row(2896, 1, 0, 0, 1),
    Row(2900, 1, 0, 0, 1),   Row(2897, 8, 0, 0, 1),   Row(2901, 8, 0, 0, 1),    Row(2904, 8, 0, 8, 1),
    Row(2909, 8, 0, 8, 1),   Row(2905, 1, 0, 8, 1),   Row(2908, 1, 0, 8, 1),    Row(4634, 1, 0, 8, 3),
    Row(4635, 8, 0, 8, 3),   Row(1113, 5, 2, 2, 0),   Row(1115, 5, 2, 2, 0),    Row(2861, 5, 2, 2, 0),
    Row(15871, 5, 2, 2, 0),  Row(1114, 10, 2, 2, 0),  Row(1116, 10, 2, 2, 0),   Row(2860, 10, 2, 2, 0),
    Row(15872, 10, 2, 2, 0), Row(2911, 10, 3, 14, 0), Row(2912, 10, 3, 14, 0),  Row(2913, 10, 3, 14, 0),
    Row(2914, 10, 3, 10, 0), Row(2915, 10, 3, 10, 0), Row(2916, 10, 3, 10, 0),  Row(7623, 10, 3, 10, 0),
    Row(7624, 10, 3, 10, 0), Row(7625, 10, 3, 10, 0), Row(7629, 10, 3, 10, 0),  Row(7630, 10, 3, 10, 0),
    Row(7631, 10, 3, 10, 0), Row(7634, 10, 3, 10, 0), Row(2917, 5, 3, 10, 0),   Row(2918, 5, 3, 10, 0),
    Row(2919, 5, 3, 10, 0),  Row(2920, 5, 3, 10, 0),  Row(2921, 5, 3, 10, 0),   Row(2922, 5, 3, 10, 0),
    Row(7626, 5, 3, 10, 0),  Row(7627, 5, 3, 10, 0),  Row(7628, 5, 3, 10, 0),   Row(7632, 5, 3, 10, 0),
    Row(7633, 5, 3, 10, 0),  Row(4604, 15, 2, 7, 0),  Row(2602, 15, -4, -4, 0), Row(2603, 15, -8, -8, 0),
    Row(3315, 26, 2, 8, 0),  Row(3316, 26, 2, 8, 0),  Row(3318, 21, 2, 8, 0),   Row(3319, 21, 2, 8, 0),
    Row(6001, 31, 0, 0, 0),  Row(6006, 31, 0, 0, 0),  Row(6009, 31, 0, 0, 0),
};
static_assert(sizeof(kChairs) / sizeof(kChairs[0]) == 71);

// A source pixel of the composition: columns clamp to the image, rows above it read pixel 0.
int Source(int row, int column) {
    if (row < 0) return 0;
    row = std::min(row, kHeight - 1);
    column = std::clamp(column, 0, kWidth - 1);
    return row * kWidth + column;
}

int FacingBit(int facing) {
    switch (facing & 7) {
    case 0:
        return 1;
    case 2:
        return 2;
    case 4:
        return 4;
    case 6:
        return 8;
    default:
        return 0;
    }
}

// Built before start-up, as the tables must exist before any figure sits.
const bool g_built = (BuildTables(), true);

} // namespace

void BuildTables() {
    State& s = S();
    for (int r = 0; r < kHeight; ++r) {
        for (int c = 0; c < kWidth; ++c) {
            const int at = r * kWidth + c;
            s.warp[0][static_cast<size_t>(at)] = Source(r - 26, c - 3);
            s.warp[3][static_cast<size_t>(at)] = Source(r - 26, c + 3);
            const int k = r - 56;
            if (r < 56) {
                s.warp[1][static_cast<size_t>(at)] = Source(r - 12, c);
                s.warp[2][static_cast<size_t>(at)] = Source(r - 12, c);
            } else if (r < 72) {
                s.warp[1][static_cast<size_t>(at)] = Source(44 + k + k / 4, c - k / 2);
                s.warp[2][static_cast<size_t>(at)] = Source(44 + k + k / 4, c + k / 2);
            } else {
                s.warp[1][static_cast<size_t>(at)] = Source(r - 8, c - 8);
                s.warp[2][static_cast<size_t>(at)] = Source(r - 8, c + 8);
            }
        }
    }
}

void startup() {
    (void)g_built;
    QVReport::message("SkipDrawHandler::startup: begin.\n");
}

int WarpIndex(int pair, int row, int column) {
    if (pair < 0 || pair > 3 || row < 0 || row >= kHeight || column < 0 || column >= kWidth) return 0;
    return S().warp[pair][static_cast<size_t>(row * kWidth + column)];
}

const ChairRow* FindChair(int graphic) {
    for (const ChairRow& row : kChairs)
        if (static_cast<int>(row.graphic) == graphic) return &row;
    return nullptr;
}

const ChairRow* ChosenChair() {
    return S().chosen;
}

void SetChosenChair(const ChairRow* row) {
    S().chosen = row;
}

void PickFacing(int* facing) {
    *facing &= 7;
    const ChairRow* chair = S().chosen;
    if (!chair) return;
    auto allowed = [&](int f) { return (chair->facingMask & static_cast<uint32_t>(FacingBit(f))) != 0; };
    if (allowed(*facing)) return;
    for (int step : {1, -1, 2, -2, 3, -3}) {
        const int f = (*facing + step + 8) & 7;
        if (allowed(f)) {
            *facing = f;
            return;
        }
    }
    *facing = (*facing - 4 + 8) & 7;
}

int SeatOffset(const ChairRow& chair, int facing) {
    facing &= 7;
    return facing == 2 || facing == 4 ? chair.yOffsetSide : chair.yOffsetFront;
}

void BeginComposition(int screenX, int screenY, int facing) {
    State& s = S();
    std::memset(s.image, 0, sizeof s.image);
    s.originX = screenX;
    s.originY = screenY;
    s.facing = facing & 7;
    s.mirrored = false;
}

void SetMirror(bool mirrored) {
    S().mirrored = mirrored;
}

void ComposeFrame(int hueWord, const AnimItem& item, const AnimFrame& frame) {
    State& s = S();
    const int hueNumber = hueWord & kHueNumberMask;
    // Hue numbers past the table use its first entry.
    const uint16_t* hue = hueNumber ? HueManager::ResolveHueColours(hueNumber - 1) : nullptr;
    const bool greyOnly = (hueWord & kHuePartial) != 0;
    const AnimRun* run = item.runs.data() + frame.firstRun;
    const AnimRun* end = run + frame.runCount;
    for (; run != end; ++run) {
        const int row = run->y + kFeetRow;
        if (row < 0) continue;
        if (row >= kHeight) break;
        const uint8_t* indexes = item.bytes.data() + run->indexes;
        for (int i = 0; i < run->length; ++i) {
            const int fx = run->x + i;
            // Mirrored as the standing draw mirrors: frame column fx lands left of the feet point.
            const int column = s.mirrored ? (kFeetColumn - 1) - fx : fx + kFeetColumn;
            if (column < 0 || column >= kWidth) continue;
            uint16_t c = item.palette[indexes[i]];
            if (hue && (!greyOnly || SpanChannels::IsGrey(c))) c = hue[SpanChannels::Red(c)];
            s.image[row * kWidth + column] = c;
        }
    }
}

void DrawComposition(const Rect& clip, int seatOffset) {
    State& s = S();
    const BlitTarget& target = GetBlitTarget();
    const int top = s.originY + seatOffset;
    const Rect area =
        IntersectRect(WritableArea(target, clip), Rect{s.originX, top, s.originX + kWidth, top + kHeight});
    if (area.IsEmpty()) return;
    const Table& warp = s.warp[s.facing / 2];
    for (int y = area.top; y < area.bottom; ++y) {
        const int r = y - top;
        uint16_t* out = target.At(area.left, y);
        for (int x = area.left; x < area.right; ++x, ++out) {
            const uint16_t p = s.image[warp[static_cast<size_t>(r * kWidth + (x - s.originX))]];
            if (p) *out = p;
        }
    }
}

uint16_t PixelAt(int screenX, int screenY, int seatOffset) {
    State& s = S();
    const int r = screenY - (s.originY + seatOffset);
    const int c = screenX - s.originX;
    if (r < 0 || r >= kHeight || c < 0 || c >= kWidth) return 0;
    return s.image[s.warp[s.facing / 2][static_cast<size_t>(r * kWidth + c)]];
}

uint16_t CompositionPixel(int column, int row) {
    if (column < 0 || column >= kWidth || row < 0 || row >= kHeight) return 0;
    return S().image[row * kWidth + column];
}

} // namespace SkipDrawHandler
