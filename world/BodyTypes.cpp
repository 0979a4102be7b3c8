#include "world/BodyTypes.h"

#include "core/DefManager.h"
#include "core/QVReport.h"

#include <array>
#include <cstddef>

namespace {

struct Range {
    int first;
    int last;
};

template <size_t N> bool InRanges(const Range (&ranges)[N], int body) {
    for (const Range& r : ranges)
        if (body >= r.first && body <= r.last) return true;
    return false;
}

constexpr Range kType0[] = {{0, 3},     {6, 21},    {23, 23},   {25, 25},   {27, 27},   {29, 30},
                            {32, 32},   {34, 35},   {37, 50},   {52, 61},   {65, 79},   {81, 86},
                            {88, 93},   {95, 95},   {100, 103}, {105, 112}, {122, 125}, {127, 130},
                            {134, 142}, {145, 148}, {151, 154}, {156, 165}, {167, 167}, {171, 181},
                            {188, 188}, {205, 205}, {214, 214}, {573, 573}, {751, 757}, {762, 789},
                            {791, 791}, {794, 797}, {997, 998}};
constexpr Range kType1[] = {{143, 144}, {149, 150}};
constexpr Range kType2[] = {{4, 5},     {22, 22},   {24, 24},   {26, 26},   {28, 28},   {33, 33},
                            {36, 36},   {51, 51},   {62, 64},   {80, 80},   {87, 87},   {96, 99},
                            {113, 121}, {126, 126}, {131, 133}, {166, 166}, {169, 170}, {186, 187},
                            {199, 204}, {206, 213}, {215, 220}, {222, 222}, {224, 225}, {227, 227},
                            {230, 233}, {236, 237}, {289, 291}, {790, 790}, {792, 793}, {798, 798}};
constexpr Range kType3[] = {{182, 185}, {399, 402}, {749, 750}, {986, 987}, {989, 990}, {993, 993}};
constexpr Range kType4[] = {
    {403, 418},   {429, 430},   {433, 434},   {446, 448},   {454, 454},   {464, 465},   {467, 468},
    {475, 476},   {478, 479},   {489, 489},   {491, 491},   {499, 504},   {520, 520},   {522, 522},
    {524, 524},   {526, 530},   {537, 537},   {539, 545},   {547, 549},   {553, 556},   {559, 564},
    {575, 581},   {583, 603},   {610, 630},   {632, 632},   {634, 638},   {642, 645},   {647, 648},
    {650, 650},   {652, 671},   {673, 682},   {686, 687},   {689, 702},   {709, 709},   {711, 712},
    {714, 715},   {719, 735},   {739, 739},   {741, 742},   {758, 761},   {799, 802},   {819, 819},
    {823, 827},   {845, 845},   {847, 847},   {899, 905},   {908, 912},   {920, 928},   {970, 972},
    {979, 984},   {991, 992},   {1403, 1418}, {1429, 1430}, {1433, 1434}, {1446, 1448}, {1454, 1454},
    {1464, 1465}, {1467, 1468}, {1475, 1476}, {1478, 1479}, {1489, 1489}, {1491, 1491}, {1520, 1520},
    {1522, 1522}, {1524, 1524}, {1526, 1530}, {1537, 1537}, {1539, 1539}, {1541, 1545}, {1547, 1549},
    {1553, 1556}, {1559, 1564}, {1671, 1671}, {1673, 1687}, {1689, 1702}, {1709, 1709}, {1711, 1712},
    {1714, 1715}, {1719, 1735}, {1739, 1739}, {1741, 1742}, {1758, 1758}, {1760, 1761}, {1899, 1902},
    {1908, 1912}, {1920, 1928}, {1970, 1970}, {1972, 1972}};

constexpr Range kLacksAction21[] = {{12, 12}, {46, 46}, {49, 49}, {59, 62}, {103, 104}, {106, 106}};
constexpr Range kIdlesWithAction8[] = {{13, 13}, {15, 16}, {158, 160}, {162, 162}, {164, 164}};
constexpr Range kFlies[] = {{4, 6},     {9, 10},    {12, 12},   {30, 30},   {38, 40},  {43, 43},
                            {46, 46},   {49, 49},   {59, 62},   {67, 67},   {73, 73},  {102, 102},
                            {104, 104}, {106, 106}, {130, 130}, {753, 755}, {758, 758}};
constexpr Range kMonsterLayout[] = {{5, 6},   {23, 23},  {25, 25},   {27, 27},  {29, 29},
                                    {34, 34}, {37, 37},  {52, 52},   {63, 65},  {81, 81},
                                    {88, 88}, {97, 100}, {127, 127}, {133, 134}};
constexpr Range kAnimalLayout[] = {{206, 206}, {215, 215}};
constexpr Range kLacksHitAndBlock[] = {{8, 8}, {66, 66}, {129, 129}};
constexpr Range kReducedActions[] = {{22, 22}, {68, 69}};
constexpr Range kAction12[] = {{4, 4},   {8, 10},  {12, 16}, {24, 24},  {29, 29},
                               {59, 61}, {72, 72}, {85, 85}, {574, 574}};

std::array<int, kBodyTypeCount>& Table() {
    static std::array<int, kBodyTypeCount> table = [] {
        std::array<int, kBodyTypeCount> t;
        t.fill(-1);
        return t;
    }();
    return table;
}

template <size_t N> void Fill(const Range (&ranges)[N], int type) {
    for (const Range& r : ranges)
        for (int body = r.first; body <= r.last; ++body)
            Table()[static_cast<size_t>(body)] = type;
}

} // namespace

void InitBodyTypes() {
    QVReport::message("InitBodyTypes: begin.\n");
    Table().fill(-1);
    Fill(kType0, BodyType::Creature);
    Fill(kType1, BodyType::CreatureRunsWith1);
    Fill(kType2, BodyType::Animal);
    Fill(kType3, BodyType::Human);
    Fill(kType4, BodyType::Other);
}

int GetBodyType(int body) {
    if (body < 0 || body >= kBodyTypeCount) return BodyType::Other;
    const int type = Table()[static_cast<size_t>(body)];
    return type < 0 ? BodyType::Other : type;
}

bool IsHumanBody(int body) {
    return GetBodyType(body) == BodyType::Human;
}
bool IsAnimalBody(int body) {
    return GetBodyType(body) == BodyType::Animal;
}
bool IsBodyFive(int body) {
    return body == 5;
}
bool LacksAction21(int body) {
    return InRanges(kLacksAction21, body);
}
bool IdlesWithAction8(int body) {
    return InRanges(kIdlesWithAction8, body);
}
bool FliesWhenRunning(int body) {
    if (body == 46) return !(DefManager::IsBodyConvLoaded() && (DefManager::GetFeatureFlags() & 0x2));
    return InRanges(kFlies, body);
}
bool UsesMonsterAnimLayout(int body) {
    return InRanges(kMonsterLayout, body);
}
bool UsesAnimalAnimLayout(int body) {
    return InRanges(kAnimalLayout, body);
}
bool LacksHitAndBlockActions(int body) {
    return InRanges(kLacksHitAndBlock, body);
}
bool HasReducedActions(int body) {
    return InRanges(kReducedActions, body);
}
bool UsesHumanActionMap(int body) {
    return body == 574;
}
bool HasAction12(int body) {
    const int type = GetBodyType(body);
    return type == BodyType::Human || type == BodyType::Other || InRanges(kAction12, body);
}
bool IsBigMobBody(int body) {
    if (body >= 0 && body <= 399) return true;
    if (body < 0 || body >= kBodyTypeCount) return false;
    const int type = Table()[static_cast<size_t>(body)];
    return type == BodyType::Creature || type == BodyType::Animal;
}
