// The seasons' substitutes: winter land, and the plants of spring, autumn and the dead season.
#include "core/Options.h"
#include "world/Scene.h"

#include <array>
#include <cstdint>

namespace {

struct Remap {
    int from;
    int to;
    int last; // inclusive end of a range starting at from
};

constexpr int kLandIds = 0x4000;

std::array<uint16_t, kLandIds> BuildWinterLand() {
    std::array<uint16_t, kLandIds> table{};
    for (int i = 0; i < kLandIds; ++i)
        table[static_cast<size_t>(i)] = static_cast<uint16_t>(i);
    auto range = [&](int first, int last, int to) {
        for (int i = first; i <= last; ++i)
            table[static_cast<size_t>(i)] = static_cast<uint16_t>(to + (i - first));
    };
    range(196, 199, 282);
    range(206, 206, 1472);
    range(248, 251, 282);
    range(804, 809, 913);
    range(1521, 1524, 282);
    range(1529, 1532, 282);
    range(1533, 1535, 283);
    range(1536, 1538, 283);
    range(1539, 1540, 284);
    return table;
}

int Lookup(const Remap* table, int count, int graphic) {
    for (int i = 0; i < count; ++i)
        if (graphic >= table[i].from && graphic <= (table[i].last ? table[i].last : table[i].from))
            return table[i].to;
    return graphic;
}

constexpr Remap kSeason0[] = {
    {3239, 3204, 0}, {3244, 3142, 0}, {3245, 3144, 0}, {3246, 3146, 0}, {3253, 3146, 0}, {3247, 3150, 0},
    {3248, 3149, 0}, {3254, 3371, 0}, {3341, 3371, 0}, {3348, 3371, 0}, {3340, 3369, 0}, {3342, 3262, 0},
    {3343, 3263, 0}, {3344, 3264, 0}, {3345, 3207, 0}, {3346, 3128, 0}, {3347, 3375, 0},
};

constexpr Remap kSeason2[] = {
    {3204, 6946, 0}, {3248, 6946, 0}, {3211, 3270, 3214}, {3230, 3391, 0}, {3305, 3391, 0}, {3239, 3144, 0},
    {3244, 6943, 0}, {3245, 6944, 0}, {3246, 6945, 0},    {3247, 3341, 0}, {3253, 3344, 0}, {3254, 3371, 0},
    {3271, 3150, 0}, {3278, 3279, 0}, {3281, 3282, 0},    {3284, 3285, 0}, {3291, 3292, 0}, {3294, 3295, 0},
    {3297, 3298, 0}, {3300, 3301, 0}, {3303, 3304, 0},    {3306, 3392, 0}, {3477, 3479, 0}, {3481, 3483, 0},
};

constexpr Remap kSeason4[] = {
    {3127, 7086, 3128}, {3143, 7086, 0},    {3146, 7086, 3147}, {3149, 7086, 0},    {3212, 7086, 3213},
    {3219, 7086, 3220}, {3224, 7086, 0},    {3231, 7086, 3236}, {3248, 7086, 3252}, {3255, 7086, 0},
    {3269, 7086, 0},    {3340, 7086, 3342}, {3344, 7086, 0},    {3346, 7086, 3347}, {3352, 7086, 3353},
    {3373, 7086, 0},    {3375, 7086, 0},    {3141, 7068, 0},    {3144, 7068, 0},    {3150, 7068, 0},
    {3205, 7068, 0},    {3239, 7068, 0},    {3246, 7068, 3247}, {3253, 7068, 0},    {3349, 7068, 0},
    {3369, 7068, 0},    {3142, 7069, 0},    {3145, 7069, 0},    {3254, 7069, 0},    {3148, 6934, 0},
    {3204, 7044, 0},    {3211, 7044, 0},    {3214, 7053, 0},    {3225, 7053, 0},    {3244, 7053, 0},
    {3257, 7053, 3262}, {3350, 7053, 0},    {3230, 4482, 0},    {3245, 6881, 0},    {3256, 7402, 0},
    {3271, 6925, 0},    {3305, 3799, 0},    {3306, 3391, 0},    {3343, 6940, 0},    {3345, 4651, 0},
    {3348, 4651, 0},    {3351, 4651, 0},    {3371, 6933, 0},    {7038, 7732, 0},
};

} // namespace

int GetSeasonalLandTile(int landId, int season) {
    // Built on the first call: the table is 32 KB that most sessions never need.
    static const std::array<uint16_t, kLandIds> winter = BuildWinterLand();
    if (landId < 0 || landId >= kLandIds || season != 3) return landId;
    return winter[static_cast<size_t>(landId)];
}

int GetSeasonalLandTile(int landId) {
    return GetSeasonalLandTile(landId, Season);
}

int RemapStaticForSeason2(int graphic) {
    return Lookup(kSeason2, static_cast<int>(std::size(kSeason2)), graphic);
}

int RemapStaticForSeason4(int graphic) {
    return Lookup(kSeason4, static_cast<int>(std::size(kSeason4)), graphic);
}

int GetSeasonalStaticGraphic(int graphic, int season) {
    switch (season) {
    case 0:
        return Lookup(kSeason0, static_cast<int>(std::size(kSeason0)), graphic);
    case 2:
        return RemapStaticForSeason2(graphic);
    case 4:
        return RemapStaticForSeason4(graphic);
    default:
        return graphic;
    }
}

int GetSeasonalStaticGraphic(int graphic) {
    return GetSeasonalStaticGraphic(graphic, Season);
}
