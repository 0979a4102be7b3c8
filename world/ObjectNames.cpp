#include "world/ObjectNames.h"

#include "text/LanguageManager.h"
#include "world/TileData.h"

namespace {

struct Range {
    int first;
    int last;
};

template <size_t N> bool InRanges(const Range (&ranges)[N], int graphic) {
    for (const Range& r : ranges)
        if (graphic >= r.first && graphic <= r.last) return true;
    return false;
}

constexpr Range kFlesh[] = {{6941, 6942}, {7389, 7408}, {7583, 7588}, {7597, 7602}};
constexpr Range kBlood[] = {{3616, 3616}, {3618, 3619}, {4379, 4385}, {4622, 4630},
                            {4650, 4656}, {4677, 4685}, {4702, 4705}, {4719, 4722},
                            {4728, 4731}, {7367, 7388}, {7409, 7442}, {7570, 7582}};
constexpr Range kCoins[] = {{654, 654}, {3821, 3821}, {3824, 3824}};
constexpr Range kScrolls[] = {{3827, 3833}, {7981, 8044}};

} // namespace

std::string FormatTileName(const char* field, size_t fieldSize, uint32_t flags, bool plural) {
    std::string out;
    if (!plural) {
        switch (flags & TileFlag::ArticleMask) {
        case TileFlag::ArticleA:
            out = "a ";
            break;
        case TileFlag::ArticleAn:
            out = "an ";
            break;
        case TileFlag::ArticleMask:
            out = "the ";
            break;
        default:
            break;
        }
    }
    if (!field) return out;
    enum class Part { Plain, First, Second } part = Part::Plain;
    for (size_t i = 0; i < fieldSize && field[i]; ++i) {
        const char c = field[i];
        if (part == Part::Plain) {
            if (c == '%')
                part = Part::First;
            else
                out += c;
        } else if (c == '%') {
            part = Part::Plain;
        } else if (part == Part::First && c == '/') {
            part = Part::Second;
        } else if ((part == Part::First) == plural) {
            // The plural part is before the slash, the singular part after it.
            out += c;
        }
    }
    return out;
}

std::string GetTileDataName(int graphic, bool plural) {
    const ItemTileData& row = TileData::Item(graphic);
    return FormatTileName(row.name, kTileNameSize, row.flags, plural);
}

std::string GetItemName(int graphic, int increment, int amount) {
    const ItemTileData& row = TileData::Item(graphic, increment);
    const bool plural = (row.flags & TileFlag::Stackable) && amount > 1;
    return FormatTileName(row.name, kTileNameSize, row.flags, plural);
}

CWideString GetLocalizedItemName(int graphic, int increment, int amount) {
    CWideString name;
    LanguageManager::getLocalizedString(name, kItemNameTextBase + graphic);
    if ((TileData::Item(graphic, increment).flags & TileFlag::Stackable) && amount > 1) {
        name += u" : ";
        name.AppendNumber(amount);
    }
    return name;
}

bool IsFleshGraphic(int graphic) {
    return InRanges(kFlesh, graphic);
}
bool IsBloodGraphic(int graphic) {
    return InRanges(kBlood, graphic);
}
bool IsCoinGraphic(int graphic) {
    return InRanges(kCoins, graphic);
}
bool IsScrollGraphic(int graphic) {
    return InRanges(kScrolls, graphic);
}
