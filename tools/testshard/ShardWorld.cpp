#include "testshard/ShardWorld.h"

#include "testshard/WorldPackets.h"

#include <algorithm>
#include <cstdlib>

namespace testshard {
namespace {

namespace wp = world;

// The walking loop of the mobiles: a square of 4 cells, facing along each side.
constexpr int kLoop[][3] = {{1, 0, 2},  {1, 0, 2},  {0, 1, 4},  {0, 1, 4},
                            {-1, 0, 6}, {-1, 0, 6}, {0, -1, 0}, {0, -1, 0}};
constexpr int kLoopLength = 8;
// The light through a day: dark at night, bright at noon.
constexpr int kDayLight[] = {26, 22, 16, 9, 3, 0, 0, 3, 9, 16, 22, 26};
// The weather's course: rain, storm, none, snow, none.
constexpr int kWeather[][2] = {{0, 30}, {1, 70}, {0xFF, 0}, {2, 40}, {0xFF, 0}};

constexpr uint32_t kHuman = 0x00000501, kAnimal = 0x00000502, kCreature = 0x00000503, kVictim = 0x00000504;
constexpr uint32_t kShirt = 0x40000601, kPants = 0x40000602, kHat = 0x40000603, kBackpack = 0x40000604;
constexpr uint32_t kCoins = 0x40000701, kStack = 0x40000702, kLamp = 0x40000703, kFire = 0x40000704,
                   kTent = 0x40000705, kScroll = 0x40000706, kRover = 0x40000707;
constexpr uint32_t kChest = 0x40000801, kGem = 0x40000802, kBook = 0x40000803, kBottle = 0x40000804;
constexpr uint32_t kVictimCloak = 0x40000901;

} // namespace

const std::vector<std::string>& ShardWorld::Families() {
    static const std::vector<std::string> families = {"world:items",  "world:mobiles", "world:containers",
                                                      "world:death",  "world:weather", "world:light",
                                                      "world:season", "world:figures"};
    return families;
}

bool ShardWorld::IsWorldScenario(const std::string& name) {
    if (name == "demo") return true;
    const auto& f = Families();
    return std::find(f.begin(), f.end(), name) != f.end();
}

ShardWorld::ShardWorld(const std::string& scenario, uint32_t playerSerial, int playerX, int playerY)
    : player_(playerSerial), px_(playerX), py_(playerY) {
    if (scenario == "demo")
        families_ = Families();
    else
        families_ = {scenario};
    auto at = [&](uint32_t serial, ShardObject::Kind kind, uint16_t graphic, int dx, int dy) {
        ShardObject o;
        o.serial = serial;
        o.kind = kind;
        o.graphic = graphic;
        o.x = px_ + dx;
        o.y = py_ + dy;
        return o;
    };
    if (Has("world:items")) {
        ShardObject coins = at(kCoins, ShardObject::Item, 0x0EED, 2, 0);
        coins.amount = 750;
        Add(coins);
        ShardObject stack = at(kStack, ShardObject::Item, 0x0F7A, 2, 1);
        stack.amount = 20;
        Add(stack);
        Add(at(kLamp, ShardObject::Item, 0x0A22, -2, 0));
        Add(at(kFire, ShardObject::Item, 0x0DE3, -2, 2));
        Add(at(kTent, ShardObject::Multi, 0x4070, 6, 6));
        Add(at(kScroll, ShardObject::Item, 0x0E34, 1, -2));
        Add(at(kRover, ShardObject::Item, 0x0F0E, 3, -3));
    }
    if (Has("world:containers")) {
        Add(at(kChest, ShardObject::Container, kChestGraphic, -1, 3));
        ShardObject in = at(kGem, ShardObject::Item, 0x0F13, 0, 0);
        in.container = kChest;
        in.x = 40;
        in.y = 50;
        Add(in);
        in.serial = kBook;
        in.graphic = 0x0FEF;
        in.x = 60;
        Add(in);
        in.serial = kBottle;
        in.graphic = 0x0F0E;
        in.x = 80;
        in.amount = 3;
        Add(in);
    }
    if (Has("world:mobiles")) {
        ShardObject human = at(kHuman, ShardObject::Mobile, 400, 3, 3);
        human.hue = 0x83EA;
        Add(human);
        auto worn = [&](uint32_t serial, uint16_t graphic, uint8_t layer, uint16_t hue) {
            ShardObject w;
            w.serial = serial;
            w.graphic = graphic;
            w.wearer = kHuman;
            w.layer = layer;
            w.hue = hue;
            Add(w);
        };
        worn(kShirt, 0x1517, 5, 0x21);
        worn(kPants, 0x152E, 4, 0);
        worn(kBackpack, kBackpackGraphic, 21, 0);
        Add(at(kAnimal, ShardObject::Mobile, 0xD9, -4, 3));
        Add(at(kCreature, ShardObject::Mobile, 0x01, -4, -4));
    }
    if (Has("world:figures")) AddFigures();
    if (Has("world:death")) {
        Add(at(kVictim, ShardObject::Mobile, 400, 4, -1));
        ShardObject cloak;
        cloak.serial = kVictimCloak;
        cloak.graphic = 0x1515;
        cloak.wearer = kVictim;
        cloak.layer = 20;
        Add(cloak);
    }
}

bool ShardWorld::Has(const std::string& family) const {
    return std::find(families_.begin(), families_.end(), family) != families_.end();
}

void ShardWorld::Add(const ShardObject& o) {
    objects_[o.serial] = o;
}

void ShardWorld::Remove(uint32_t serial) {
    objects_.erase(serial);
    for (auto it = objects_.begin(); it != objects_.end();)
        if (it->second.container == serial || it->second.wearer == serial)
            it = objects_.erase(it);
        else
            ++it;
}

bool ShardWorld::InRange(const ShardObject& object, int range) const {
    const ShardObject* o = &object;
    for (int depth = 0; depth < 8 && (o->container || o->wearer); ++depth) {
        auto it = objects_.find(o->container ? o->container : o->wearer);
        if (it == objects_.end()) return false;
        o = &it->second;
    }
    return std::abs(o->x - px_) <= range && std::abs(o->y - py_) <= range;
}

ShardWorld::Packet ShardWorld::ItemPacket(const ShardObject& o) const {
    wp::ItemFields f;
    f.serial = o.serial;
    f.graphic = o.graphic;
    if (o.amount != 1) f.amount = o.amount;
    f.x = static_cast<uint16_t>(o.x);
    f.y = static_cast<uint16_t>(o.y);
    f.z = static_cast<int8_t>(o.z);
    if (o.hue) f.hue = o.hue;
    if (o.facing) f.facing = o.facing;
    return wp::WorldItem(f);
}

ShardWorld::Packet ShardWorld::MobilePacket(const ShardObject& o, bool incoming) const {
    wp::MobileFields m;
    m.serial = o.serial;
    m.body = o.graphic;
    m.x = static_cast<uint16_t>(o.x);
    m.y = static_cast<uint16_t>(o.y);
    m.z = static_cast<int8_t>(o.z);
    m.facing = o.facing;
    m.hue = o.hue;
    m.notoriety = 1;
    if (!incoming) return wp::MobileMoving(m);
    std::vector<wp::WornFields> worn;
    for (const auto& [serial, w] : objects_)
        if (w.wearer == o.serial) worn.push_back({serial, w.graphic, w.layer, w.hue ? w.hue : -1});
    return wp::MobileIncoming(m, worn);
}

std::vector<ShardWorld::Packet> ShardWorld::Initial() {
    std::vector<Packet> out;
    if (Has("world:light")) {
        out.push_back(wp::LightLevel(static_cast<uint8_t>(light_ = kDayLight[0])));
        out.push_back(wp::PersonalLight(player_, static_cast<uint8_t>(personalLight_ = 4)));
        out.push_back(wp::Time(static_cast<uint8_t>(hour_), static_cast<uint8_t>(minute_), 0));
    }
    if (Has("world:season")) out.push_back(wp::Season(static_cast<uint8_t>(season_ = 1), 1));
    if (Has("world:weather")) {
        weatherType_ = kWeather[0][0];
        weatherCount_ = kWeather[0][1];
        out.push_back(
            wp::Weather(static_cast<uint8_t>(weatherType_), static_cast<uint8_t>(weatherCount_), 60));
    }
    for (const auto& [serial, o] : objects_) {
        if (o.container || o.wearer) continue;
        out.push_back(o.kind == ShardObject::Mobile ? MobilePacket(o, true) : ItemPacket(o));
    }
    // Contents after their containers.
    std::vector<wp::ContainedFields> contents;
    for (const auto& [serial, o] : objects_)
        if (o.container)
            contents.push_back({serial, o.graphic, 0, o.amount, static_cast<uint16_t>(o.x),
                                static_cast<uint16_t>(o.y), o.container, o.hue});
    if (!contents.empty()) out.push_back(wp::ContainerContents(contents));
    return out;
}

std::vector<ShardWorld::Packet> ShardWorld::Tick() {
    std::vector<Packet> out;
    ++ticks_;
    // A new season resets the client's light levels: the light follows it.
    if (Has("world:season") && ticks_ % 3 == 0) {
        season_ = (season_ + 1) % 4;
        out.push_back(wp::Season(static_cast<uint8_t>(season_), 1));
    }
    if (Has("world:light")) {
        light_ = kDayLight[ticks_ % 12];
        out.push_back(wp::LightLevel(static_cast<uint8_t>(light_)));
        if (++minute_ == 60) {
            minute_ = 0;
            hour_ = (hour_ + 1) % 24;
        }
        out.push_back(wp::Time(static_cast<uint8_t>(hour_), static_cast<uint8_t>(minute_), 0));
    }
    if (Has("world:weather") && ticks_ % 4 == 0) {
        const int step = (ticks_ / 4) % 5;
        weatherType_ = kWeather[step][0];
        weatherCount_ = kWeather[step][1];
        out.push_back(
            wp::Weather(static_cast<uint8_t>(weatherType_), static_cast<uint8_t>(weatherCount_), 60));
        if (weatherType_ == 1) weatherType_ = 0; // a storm over rain stays rain
    }
    if (Has("world:items")) {
        // The rover wanders east and out of the range, then comes back.
        ShardObject& rover = objects_[kRover];
        rover.x = px_ + 3 + (ticks_ % 8) * 4;
        out.push_back(ItemPacket(rover));
        ShardObject& coins = objects_[kCoins];
        coins.amount = static_cast<uint16_t>(750 + ticks_);
        out.push_back(ItemPacket(coins));
        if (ticks_ % 5 == 0) {
            if (objects_.count(kStack)) {
                Remove(kStack);
                out.push_back(wp::DeleteObject(kStack));
            } else {
                ShardObject stack;
                stack.serial = kStack;
                stack.graphic = 0x0F7A;
                stack.amount = 20;
                stack.x = px_ + 2;
                stack.y = py_ + 1;
                Add(stack);
                out.push_back(ItemPacket(stack));
            }
        }
    }
    if (Has("world:containers")) {
        ShardObject& gem = objects_[kGem];
        gem.x = 40 + (ticks_ % 4) * 10;
        out.push_back(wp::ContainerItem({kGem, gem.graphic, 0, gem.amount, static_cast<uint16_t>(gem.x),
                                         static_cast<uint16_t>(gem.y), kChest, gem.hue}));
    }
    if (Has("world:mobiles")) {
        int phase = 0;
        for (uint32_t serial : {kHuman, kAnimal, kCreature}) {
            ShardObject& m = objects_[serial];
            const int* s = kLoop[(ticks_ + phase++ * 3) % kLoopLength];
            m.x += s[0];
            m.y += s[1];
            m.facing = static_cast<uint8_t>(s[2]);
            out.push_back(MobilePacket(m, false));
        }
        if (ticks_ % 6 == 0) out.push_back(wp::MobileAnimation(kCreature, 12, 5, 1, false, false, 1));
        if (ticks_ % 7 == 0) {
            // An equipment change: the hat goes on, or off.
            if (objects_.count(kHat)) {
                Remove(kHat);
                out.push_back(wp::DeleteObject(kHat));
            } else {
                ShardObject hat;
                hat.serial = kHat;
                hat.graphic = 0x1715;
                hat.wearer = kHuman;
                hat.layer = 6;
                hat.hue = 0x44;
                Add(hat);
                out.push_back(wp::EquipItem(kHat, hat.graphic, hat.layer, kHuman, hat.hue));
            }
        }
    }
    if (Has("world:figures")) TickFigures(out);
    if (Has("world:death")) {
        if (objects_.count(kVictim) && ticks_ % 6 == 2) {
            const ShardObject victim = objects_[kVictim];
            ShardObject corpse;
            corpse.serial = corpse_ = nextCorpse_++;
            corpse.kind = ShardObject::Corpse;
            corpse.graphic = 0x2006;
            corpse.amount = victim.graphic;
            corpse.x = victim.x;
            corpse.y = victim.y;
            corpse.facing = victim.facing;
            Remove(kVictim);
            Add(corpse);
            out.push_back(wp::DeathAnimation(kVictim, corpse_, 0));
            out.push_back(ItemPacket(corpse));
            out.push_back(wp::CorpseEquipment(corpse_, {{20, kVictimCloak}}));
            out.push_back(wp::DeleteObject(kVictim));
            dyingSince_ = ticks_;
        } else if (!objects_.count(kVictim) && dyingSince_ >= 0 && ticks_ - dyingSince_ >= 3) {
            Remove(corpse_);
            out.push_back(wp::DeleteObject(corpse_));
            corpse_ = 0;
            ShardObject victim;
            victim.serial = kVictim;
            victim.kind = ShardObject::Mobile;
            victim.graphic = 400;
            victim.x = px_ + 4;
            victim.y = py_ - 1;
            Add(victim);
            ShardObject cloak;
            cloak.serial = kVictimCloak;
            cloak.graphic = 0x1515;
            cloak.wearer = kVictim;
            cloak.layer = 20;
            Add(cloak);
            out.push_back(MobilePacket(victim, true));
            dyingSince_ = -1;
        }
    }
    return out;
}

} // namespace testshard
