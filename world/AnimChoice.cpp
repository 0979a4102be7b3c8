#include "world/AnimChoice.h"

#include "core/DefManager.h"
#include "core/SharedServices.h"
#include "world/BodyTypes.h"
#include "world/TileData.h"
#include "world/objects.h"

namespace AnimTables {
namespace {
constexpr uint8_t kOrders[3][kLayerOrderLength] = {
    {25, 5, 4, 3, 24, 13, 8, 9, 14, 15, 19, 7, 23, 17, 22, 12, 10, 11, 16, 18, 6, 1, 2, 21, 20},
    {25, 5, 4, 3, 24, 13, 8, 9, 14, 15, 19, 7, 23, 17, 22, 12, 10, 11, 16, 18, 6, 1, 21, 20, 2},
    {25, 20, 5, 4, 3, 24, 13, 8, 9, 14, 15, 19, 7, 23, 17, 22, 12, 10, 11, 16, 18, 6, 1, 2, 21},
};
constexpr int kOrderOfFacing[8] = {0, 1, 1, 2, 1, 1, 0, 0};
} // namespace

const uint8_t* LayerOrder(int facing) {
    return kOrders[kOrderOfFacing[facing & 7]];
}
} // namespace AnimTables

int AnimLayoutIndex(AnimLayout layout, int body, int group, int direction) {
    int first = 0, base = 0, groups = 110;
    if (layout == AnimLayout::Group65) {
        first = 22000;
        base = 200;
        groups = 65;
    } else if (layout == AnimLayout::Group175) {
        first = 35000;
        base = 400;
        groups = 175;
    }
    if (body < base) return -1;
    return first + (body - base) * groups + group * 5 + direction;
}

namespace {

struct MountRow {
    int graphic;
    int body;
};
constexpr MountRow kMounts[] = {
    {16032, 226}, {16033, 228}, {16034, 204}, {16035, 210}, {16036, 218}, {16037, 219},
    {16038, 220}, {16039, 116}, {16040, 117}, {16041, 114}, {16042, 115}, {16043, 170},
    {16044, 171}, {16045, 132}, {16047, 120}, {16048, 121}, {16049, 119}, {16050, 118},
    {16051, 144}, {16052, 122}, {16053, 177}, {16054, 178}, {16055, 179}, {16056, 188},
    {16058, 187}, {16059, 793}, {16060, 791}, {16061, 794}, {16062, 799},
};
constexpr MountRow kMountsBack[] = {{16034, 204}, {16035, 210}, {16036, 218}, {16037, 219},
                                    {16038, 220}, {16032, 226}, {16033, 228}};

const DefTable* Table(DefManager::TableId id) {
    return DefManager::GetTable(id);
}

bool InList(int animId, int first, int last, std::initializer_list<int> members) {
    if (animId < first || animId > last) return false;
    for (int m : members)
        if (m == animId) return true;
    return false;
}

const ItemTileData& TileOf(const CDynamicObj* item) {
    return TileData::Item(item->displayedGraphic);
}

struct Stance {
    AnimLayout layout = AnimLayout::Group110;
    int group = 0;
    int frames = 1;
};

Stance Moving(AnimLayout layout, int group, int frames) {
    return Stance{layout, group, frames};
}

// The layout and the stance of a body that plays no action.
Stance ChooseStance(int body, int type, bool running, const CMobile* mobile) {
    const bool atRest = mobile ? mobile->resting != 0 : true;
    const bool creature =
        type == BodyType::Creature || (type == BodyType::Animal && UsesMonsterAnimLayout(body));
    if (UsesHumanActionMap(body)) return Moving(AnimLayout::Group175, 0, 10);
    if (creature && !UsesAnimalAnimLayout(body)) {
        if (atRest)
            return IdlesWithAction8(body) ? Moving(AnimLayout::Group110, 8, 6)
                                          : Moving(AnimLayout::Group110, 1, 1);
        return Moving(AnimLayout::Group110, running && FliesWhenRunning(body) ? 19 : 0, 10);
    }
    if (type == BodyType::CreatureRunsWith1) {
        if (atRest) return Moving(AnimLayout::Group110, 2, 1);
        return Moving(AnimLayout::Group110, running ? 1 : 0, 10);
    }
    if (type == BodyType::Animal || UsesAnimalAnimLayout(body)) {
        if (atRest) return Moving(AnimLayout::Group65, 2, 1);
        return Moving(AnimLayout::Group65, running ? 1 : 0, 5);
    }
    // Human layout.
    const CDynamicObj* first = mobile ? mobile->layers[1] : nullptr;
    const CDynamicObj* second = mobile ? mobile->layers[2] : nullptr;
    const bool mounted = mobile && IsHumanBody(body) && mobile->layers[AnimTables::kMountLayer];
    const bool heldLight =
        second && TileOf(second).animId == body && (TileOf(second).flags & TileFlag::LightSource);
    const bool war = mobile && mobile->warMode && !mobile->IsGhost();
    const bool runWeapon = !second || IsRunWeapon(TileOf(second).animId);
    if (atRest) {
        if (mounted)
            return heldLight ? Moving(AnimLayout::Group175, 28, 7) : Moving(AnimLayout::Group175, 25, 1);
        if (war) {
            if (heldLight) return Moving(AnimLayout::Group175, 2, 10);
            const bool stance = (first && IsWarStanceWeapon(TileOf(first).animId)) ||
                                (second && IsWarStanceWeapon(TileOf(second).animId));
            return Moving(AnimLayout::Group175, stance ? 8 : 7, 1);
        }
        return heldLight ? Moving(AnimLayout::Group175, 0, 10) : Moving(AnimLayout::Group175, 4, 1);
    }
    if (mounted) return Moving(AnimLayout::Group175, running ? 24 : 23, 5);
    if (running) return Moving(AnimLayout::Group175, runWeapon ? 2 : 3, 10);
    if (war) return Moving(AnimLayout::Group175, 15, 10);
    return Moving(AnimLayout::Group175, runWeapon ? 0 : 1, 10);
}

// Action numbers of one body kind in another's numbering, for A = 0..21 (then "other").
constexpr int kCreatureToHuman[23] = {0,  4,  21, 22, 9,  11, 13, 18, 19, 9,  20, 4,
                                      16, 17, 16, 30, 30, 5,  6,  1,  4,  20, 4};
constexpr int kCreatureToAnimal[23] = {0, 2, 8, 12, 5, 6, 5, 5, 5, 5, 7, 3, 5, 5, 5, 2, 2, 9, 10, 1, 2, 7, 2};
constexpr int kCreatureToRunner[23] = {0, 2, 8, 8, 5, 6, 5, 5, 5, 5, 7, 2, 5, 5, 5, 2, 2, 3, 4, 1, 2, 7, 2};
constexpr int kAnimalToCreature[23] = {0, 19, 1, 11, 1, 4, 5, 10, 2, 17, 18, 10,
                                       3, 1,  1, 1,  1, 1, 1, 1,  1, 1,  1};

int Convert(const int (&table)[23], int a) {
    return table[a >= 0 && a <= 21 ? a : 22];
}

int ConvertAction(int from, int to, int a) {
    if (from == BodyType::Creature) {
        if (to == BodyType::Human) return Convert(kCreatureToHuman, a);
        if (to == BodyType::Animal) return Convert(kCreatureToAnimal, a);
        if (to == BodyType::CreatureRunsWith1) return Convert(kCreatureToRunner, a);
    }
    if (from == BodyType::Animal && to == BodyType::Creature) return Convert(kAnimalToCreature, a);
    return a;
}

int FixAction(int body, int a) {
    if (HasReducedActions(body)) {
        if (a >= 7 && a <= 16) return 4;
        if (a == 19) return 0;
        if (a > 19) return 1;
        return a;
    }
    if (LacksHitAndBlockActions(body)) {
        if (a == 10 || a == 15 || a == 16) return 1;
        if (a == 11) return 17;
        return a;
    }
    if (LacksAction21(body)) return a == 21 ? 10 : a;
    if (UsesHumanActionMap(body)) {
        if (a == 11) return 3;
        if (a == 13) return 17;
        return Convert(kCreatureToHuman, a);
    }
    return a;
}

int LayoutAction(int body, int a) {
    if (UsesMonsterAnimLayout(body)) {
        switch (a) {
        case 0:
            return 0;
        case 1:
            return 19;
        case 5:
        case 6:
            if (IsBodyFive(body)) return 4;
            return RandomBelow(2) == 0 ? 6 : 5;
        case 8:
            return 2;
        case 9:
            return 17;
        case 10:
            return IsBodyFive(body) ? 17 : 18;
        case 12:
            return 3;
        default:
            return 1;
        }
    }
    if (UsesAnimalAnimLayout(body)) {
        switch (a) {
        case 0:
            return 0;
        case 2:
            return 8;
        case 3:
            return 12;
        case 4:
        case 6:
        case 7:
        case 8:
        case 9:
        case 12:
        case 13:
        case 14:
            return 5;
        case 5:
            return 6;
        case 10:
        case 21:
            return 7;
        case 11:
            return 3;
        case 17:
            return 9;
        case 18:
            return 10;
        case 19:
            return 1;
        default:
            return 2;
        }
    }
    return a;
}

// The per-kind substitution file and the highest action a kind has.
int SubstituteAction(int type, int a, uint32_t seed) {
    DefManager::TableId table = DefManager::Anim2;
    int cap = -1, capped = 0;
    switch (type) {
    case BodyType::Creature:
        table = DefManager::Anim3;
        cap = 21;
        capped = 1;
        break;
    case BodyType::CreatureRunsWith1:
        table = DefManager::Anim4;
        cap = 8;
        capped = 2;
        break;
    case BodyType::Animal:
        table = DefManager::Anim1;
        cap = 12;
        capped = 2;
        break;
    default:
        break;
    }
    if (const DefTable* t = Table(table); t && t->Contains(a)) a = t->PickAlternative(a, seed);
    if (cap >= 0 && a > cap) a = capped;
    return a;
}

// Step 2 of both choices: the number the index is computed from, and the file pair.
int ConvertedBody(int body, bool& secondPair) {
    secondPair = false;
    if ((DefManager::GetFeatureFlags() & 0x2) && body >= 0 && body < DefManager::kBodyConvSize) {
        const int converted = DefManager::BodyConv(body);
        if (converted != -1) {
            secondPair = true;
            return converted;
        }
    }
    return body;
}

} // namespace

int GetMountBody(int graphic) {
    for (const MountRow& row : kMounts)
        if (row.graphic == graphic) return row.body;
    return 200;
}

int MountGraphicForBody(int body) {
    for (const MountRow& row : kMountsBack)
        if (row.body == body) return row.graphic;
    return 16031;
}

int GetMountAnimation(int mountGraphic, uint32_t seed) {
    const int body = GetMountBody(mountGraphic);
    const DefTable* t = Table(DefManager::Body);
    if (t && t->Contains(body)) mountGraphic = MountGraphicForBody(t->PickAlternative(body, seed));
    return TileData::Item(mountGraphic).animId;
}

bool IsWarStanceWeapon(int animId) {
    return InList(
        animId, 611, 651,
        {611, 612, 613, 614, 615, 616, 617, 621, 624, 626, 628, 634, 636, 639, 641, 646, 648, 649, 651});
}

bool IsRunWeapon(int animId) {
    return InList(animId, 576, 993, {576, 577, 578, 579, 580, 581, 582, 992, 993});
}

int SubstituteBody(int body, uint32_t seed) {
    const DefTable* t = Table(DefManager::Body);
    return t && t->Contains(body) ? t->PickAlternative(body, seed) : body;
}

int GetMobileAnimIndex(int body, int facing, int frameCounter, int actionFrame, int /*frameCount*/,
                       uint16_t& action, uint16_t addend, bool running, const CMobile* mobile,
                       AnimPick& out) {
    out = AnimPick{};
    out.mirrored = AnimTables::IsMirrored(facing);
    if (body == 0) {
        out.index = 0;
        return 0;
    }
    const uint32_t seed = mobile ? mobile->serial : 0;
    int typeBefore = -1;
    if (const DefTable* t = Table(DefManager::Body); t && t->Contains(body)) {
        typeBefore = GetBodyType(body);
        body = t->PickAlternative(body, seed);
        if (GetBodyType(body) == typeBefore) typeBefore = -1;
    }
    const int indexBody = ConvertedBody(body, out.secondPair);
    const int type = GetBodyType(body);
    const Stance stance = ChooseStance(body, type, running, mobile);
    const int direction = AnimTables::DirectionOffset(facing);

    out.layout = stance.layout;
    out.direction = direction;
    if (actionFrame == -1) {
        out.group = stance.group;
        out.index = AnimLayoutIndex(stance.layout, indexBody, stance.group, direction);
        if (stance.frames > 1) {
            const int m = stance.frames - 1;
            out.frame = ((frameCounter % m) + m) % m;
        }
        return body;
    }

    int a = action + addend;
    if (a == 12 && !HasAction12(body))
        a = type == BodyType::Creature                                          ? 4
            : (type == BodyType::CreatureRunsWith1 || type == BodyType::Animal) ? 5
                                                                                : 16;
    a = SubstituteAction(type, a, seed);
    if (typeBefore != -1) {
        a = ConvertAction(typeBefore, type, a);
        action = static_cast<uint16_t>(a);
    }
    a = FixAction(body, a);
    a = LayoutAction(body, a);
    a &= 0x7F;
    if (a > 34) {
        out.group = 0;
        out.index = AnimLayoutIndex(stance.layout, indexBody, 0, direction);
        out.frame = 0;
        return body;
    }
    out.group = a;
    out.index = AnimLayoutIndex(stance.layout, indexBody, a, direction);
    out.frame = actionFrame;
    return body;
}

int GetCorpseAnimIndex(int body, int facing, AnimPick& out) {
    out = AnimPick{};
    out.mirrored = AnimTables::IsMirrored(facing);
    if (const DefTable* t = Table(DefManager::Corpse); t && t->Contains(body))
        body = t->PickAlternative(body, static_cast<uint32_t>(body));
    const int indexBody = ConvertedBody(body, out.secondPair);
    const int direction = AnimTables::DirectionOffset(facing);
    const int second = (facing & 0x80) ? 1 : 0;
    const int type = GetBodyType(body);
    AnimLayout layout = AnimLayout::Group175;
    int group = 21 + second;
    out.frame = 5;
    if (type == BodyType::Creature || (type == BodyType::Animal && UsesMonsterAnimLayout(body))) {
        if (UsesAnimalAnimLayout(body)) {
            layout = AnimLayout::Group65;
            group = second ? 12 : 8;
        } else if (!UsesHumanActionMap(body)) {
            layout = AnimLayout::Group110;
            group = 2 + second;
            out.frame = 3;
        }
    } else if (type == BodyType::CreatureRunsWith1) {
        layout = AnimLayout::Group110;
        group = 8;
    } else if (type == BodyType::Animal) {
        layout = AnimLayout::Group65;
        group = second ? 12 : 8;
    }
    out.layout = layout;
    out.group = group;
    out.direction = direction;
    out.index = AnimLayoutIndex(layout, indexBody, group, direction);
    return body;
}

AnimPick WornAnimPick(const AnimPick& body, int animId) {
    AnimPick out = body;
    const int indexBody = ConvertedBody(animId, out.secondPair);
    out.index = AnimLayoutIndex(body.layout, indexBody, body.group, body.direction);
    return out;
}

AnimPick SeatedAnimPick(int body, int facing, uint32_t seed) {
    AnimPick out;
    body = SubstituteBody(body, seed);
    facing &= 7;
    out.mirrored = AnimTables::IsMirrored(facing);
    out.direction = AnimTables::DirectionOffset(facing);
    out.layout = AnimLayout::Group175;
    out.group = facing == 0 || facing == 6 ? 25 : 4;
    out.frame = 0;
    out.index = AnimLayoutIndex(out.layout, ConvertedBody(body, out.secondPair), out.group, out.direction);
    return out;
}

int WornAnimation(const CDynamicObj* item, int body) {
    if (!item) return -1;
    int id = TileOf(item).animId;
    if (id < 400 || id > 999) return -1;
    if (id == 538 && body == 401) id = 986;
    return id;
}
