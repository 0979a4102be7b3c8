#pragma once
// The test server's own small world, kept apart from the client's code: its objects (items,
// containers, corpses, mobiles and what they wear), weather, light, time and season, and the
// messages that tell a client about them. Each family ("world:items", "world:mobiles",
// "world:containers", "world:death", "world:weather", "world:light", "world:season",
// "world:figures") lives on its own; the demo holds them all. Ticks come from the caller.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace testshard {

struct ShardObject {
    enum Kind { Item, Container, Corpse, Mobile, Multi };
    uint32_t serial = 0;
    Kind kind = Item;
    uint16_t graphic = 0;
    uint16_t amount = 1;
    int x = 0, y = 0, z = 0;
    uint16_t hue = 0;
    uint8_t facing = 0;
    uint32_t container = 0; // the holder of a contained item
    uint32_t wearer = 0;    // the mobile that wears it
    uint8_t layer = 0;
};

class ShardWorld {
  public:
    using Packet = std::vector<uint8_t>;
    static const std::vector<std::string>& Families();
    // "demo" or one of the families.
    static bool IsWorldScenario(const std::string& name);

    ShardWorld(const std::string& scenario, uint32_t playerSerial, int playerX, int playerY);

    // Everything a client must hear after its login confirmation.
    std::vector<Packet> Initial();
    // One step of the world's life and the messages that tell it.
    std::vector<Packet> Tick();

    const std::map<uint32_t, ShardObject>& Objects() const { return objects_; }
    // Whether an object lies within the client's update range of the player (held and worn
    // things count by their holder).
    bool InRange(const ShardObject& object, int range = 18) const;
    int ticks() const { return ticks_; }
    int weatherType() const { return weatherType_; } // 0xFF: none
    int weatherCount() const { return weatherCount_; }
    int light() const { return light_; }
    int personalLight() const { return personalLight_; }
    int season() const { return season_; }
    int hour() const { return hour_; }
    int minute() const { return minute_; }
    // The dying mobile's corpse, while one lies.
    uint32_t corpse() const { return corpse_; }

    // Graphics the client's tile data must know as containers.
    static constexpr uint16_t kChestGraphic = 0x0E40;
    static constexpr uint16_t kBackpackGraphic = 0x0E75;

    // Whether the scenario holds this family.
    bool Has(const std::string& family) const;

  private:
    Packet ItemPacket(const ShardObject& o) const;
    Packet MobilePacket(const ShardObject& o, bool incoming) const;
    // The figures family (ShardFigures.cpp): dressed people in the eight facings, a rider and a
    // walker.
    void AddFigures();
    void TickFigures(std::vector<Packet>& out);
    void Add(const ShardObject& o);
    void Remove(uint32_t serial);

    std::vector<std::string> families_;
    uint32_t player_;
    int px_, py_;
    std::map<uint32_t, ShardObject> objects_;
    int ticks_ = 0;
    int weatherType_ = 0xFF, weatherCount_ = 0;
    int light_ = 0, personalLight_ = 0, season_ = 0;
    int hour_ = 6, minute_ = 0;
    uint32_t corpse_ = 0;
    uint32_t nextCorpse_ = 0x40007000;
    int dyingSince_ = -1;
};

} // namespace testshard
