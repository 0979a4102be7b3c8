#include "qvworld/WorldReport.h"

#include "core/DefManager.h"
#include "text/LanguageManager.h"
#include "text/WideText.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/ObjectNames.h"
#include "world/RegionManager.h"
#include "world/TileData.h"
#include "world/animCrap.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace qvworld {
namespace {

struct FlagName {
    uint32_t bit;
    const char* name;
};

constexpr FlagName kItemFlags[] = {
    {TileFlag::Background, "background"},
    {TileFlag::Weapon, "weapon"},
    {TileFlag::Transparent, "transparent"},
    {TileFlag::Translucent, "translucent"},
    {TileFlag::Wall, "wall"},
    {TileFlag::Damaging, "damaging"},
    {TileFlag::Impassable, "impassable"},
    {TileFlag::Wet, "wet"},
    {0x100, "unknown-0x100"},
    {TileFlag::Surface, "surface"},
    {TileFlag::Bridge, "bridge"},
    {TileFlag::Stackable, "stackable"},
    {TileFlag::Window, "window"},
    {TileFlag::NoShoot, "no-shoot"},
    {TileFlag::ArticleA, "article-a"},
    {TileFlag::ArticleAn, "article-an"},
    {0x10000, "unknown-0x10000"},
    {TileFlag::Foliage, "foliage"},
    {TileFlag::PartialHue, "partial-hue"},
    {0x80000, "unknown-0x80000"},
    {TileFlag::MapItem, "map"},
    {TileFlag::Container, "container"},
    {TileFlag::Wearable, "wearable"},
    {TileFlag::LightSource, "light-source"},
    {TileFlag::Animated, "animated"},
    {0x2000000, "unknown-0x2000000"},
    {0x4000000, "unknown-0x4000000"},
    {0x8000000, "unknown-0x8000000"},
    {TileFlag::Roof, "roof"},
    {TileFlag::GhostPassable, "ghost-passable"},
    {0x40000000, "stair-1"},
    {0x80000000, "stair-2"},
};

std::string Names(uint32_t flags, const FlagName* table, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i)
        if (flags & table[i].bit) {
            if (!out.empty()) out += ' ';
            out += table[i].name;
        }
    return out.empty() ? "none" : out;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Utf8(const CWideString& text) {
    if (!text.GetText()) return "";
    std::string out(static_cast<size_t>(text.GetLength()) * 3 + 1, '\0');
    WideToUtf8(out.data(), text.GetText(), static_cast<int>(out.size()));
    out.resize(std::strlen(out.c_str()));
    return out;
}

const char* YesNo(bool b) {
    return b ? "yes" : "no";
}

} // namespace

void LoadWorldTables() {
    DefManager::startup();
    DefManager::LoadBodyConversion();
    LanguageManager::startup();
    CObjectManager::startup();
    RegionManager::startup();
    animCrap::Load();
    InitBodyTypes();
}

std::string ItemFlagNames(uint32_t flags) {
    return Names(flags, kItemFlags, std::size(kItemFlags));
}

std::string LandFlagNames(uint32_t flags) {
    static constexpr FlagName kLand[] = {{TileFlag::Impassable, "impassable"}, {TileFlag::Wet, "wet"}};
    std::string known = Names(flags & (TileFlag::Impassable | TileFlag::Wet), kLand, std::size(kLand));
    if (uint32_t other = flags & ~(TileFlag::Impassable | TileFlag::Wet))
        known += Format(" (other bits 0x%08x)", other);
    return known;
}

std::string DescribeLand(int landId) {
    const LandTileData& row = TileData::Land(landId);
    return Format("land %d\n  flags 0x%08x: %s\n  texture %u\n  name \"%s\"\n", landId, row.flags,
                  LandFlagNames(row.flags).c_str(), row.textureId, row.name);
}

std::string DescribeItem(int graphic, int amount) {
    const ItemTileData& row = TileData::Item(graphic);
    std::string out = Format("item %d (art 0x%04x), amount %d\n", graphic, graphic + 0x4000, amount);
    out += Format("  flags 0x%08x: %s\n", row.flags, ItemFlagNames(row.flags).c_str());
    out += Format("  weight %u, quality %u, value %u, anim %u, hue %u, misc %u, height %u\n", row.weight,
                  row.quality, row.value, row.animId, row.hue, row.miscWord, row.height);
    out += Format("  raw name \"%s\"\n", row.name);
    out += Format("  singular \"%s\"\n  plural \"%s\"\n", GetTileDataName(graphic, false).c_str(),
                  GetTileDataName(graphic, true).c_str());
    out += Format("  name of this pile \"%s\"\n", GetItemName(graphic, 0, amount).c_str());
    out += Format("  localized \"%s\"\n", Utf8(GetLocalizedItemName(graphic, 0, amount)).c_str());
    out += Format("  classes: container %s, map %s, coin %s, scroll %s, flesh %s, blood %s\n",
                  YesNo(IsContainerGraphic(graphic)), YesNo(IsMapGraphic(graphic)),
                  YesNo(IsCoinGraphic(graphic)), YesNo(IsScrollGraphic(graphic)),
                  YesNo(IsFleshGraphic(graphic)), YesNo(IsBloodGraphic(graphic)));
    return out;
}

std::string DescribeAnimation(int graphic, int steps) {
    const animCrap::Record& rec = animCrap::Get(graphic);
    std::string out =
        Format("anim %d\n  frames %u, interval %u, start offset %u, current frame %u\n  increments", graphic,
               rec.frameCount, rec.interval, rec.startOffset, rec.frame);
    for (int i = 0; i < rec.frameCount; ++i)
        out += Format(" %d", rec.frames[i]);
    out += "\n  graphic by world step:";
    animCrap::SetStepCount(0);
    int increment = rec.frames[rec.frame];
    for (int step = 1; step <= steps; ++step) {
        animCrap::Update();
        animCrap::StepFrame(graphic, increment);
        out += Format(" %d", graphic + increment);
    }
    return out + "\n";
}

std::string DescribeRegion(int slot) {
    const RegionRecord* r = RegionManager::GetRegion(slot);
    if (!r) return Format("region %d: empty (file version %d)\n", slot, RegionManager::GetVersion());
    return Format("region %d (file version %d)\n  name \"%s\"\n  values %d %d %d %d %d %d\n  text \"%s\"\n"
                  "  value1 %u, value2 %u, value3 %u, value4 %u, value5 %u\n",
                  slot, RegionManager::GetVersion(), r->name, r->values[0], r->values[1], r->values[2],
                  r->values[3], r->values[4], r->values[5], r->text, r->value1, r->value2, r->value3,
                  r->value4, r->value5);
}

std::string DescribeBody(int body) {
    std::string out = Format("body %d\n  type %d\n", body, GetBodyType(body));
    const DefTable* def = DefManager::GetTable(DefManager::Body);
    if (def && def->Contains(body))
        out += Format("  body.def substitute %d\n", def->PickAlternative(body, 0));
    out += Format("  bodyconv value %d\n", DefManager::BodyConv(body));
    struct Predicate {
        const char* name;
        bool (*test)(int);
    };
    static constexpr Predicate kPredicates[] = {
        {"IsHumanBody", IsHumanBody},
        {"IsAnimalBody", IsAnimalBody},
        {"IsBodyFive", IsBodyFive},
        {"LacksAction21", LacksAction21},
        {"IdlesWithAction8", IdlesWithAction8},
        {"FliesWhenRunning", FliesWhenRunning},
        {"UsesMonsterAnimLayout", UsesMonsterAnimLayout},
        {"UsesAnimalAnimLayout", UsesAnimalAnimLayout},
        {"LacksHitAndBlockActions", LacksHitAndBlockActions},
        {"HasReducedActions", HasReducedActions},
        {"UsesHumanActionMap", UsesHumanActionMap},
        {"HasAction12", HasAction12},
        {"IsBigMobBody", IsBigMobBody},
    };
    for (const Predicate& p : kPredicates)
        out += Format("  %s %s\n", p.name, YesNo(p.test(body)));
    return out;
}

} // namespace qvworld
