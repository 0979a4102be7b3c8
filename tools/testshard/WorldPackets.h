#pragma once
// The test server's builders of the world messages: each returns one whole packet as it goes on
// the wire (before compression), written from the server's side of the protocol.
#include <cstdint>
#include <string>
#include <vector>

namespace testshard::world {

using Bytes = std::vector<uint8_t>;

struct ItemFields {
    uint32_t serial = 0;
    uint16_t graphic = 0;
    int increment = -1; // -1: not sent
    int amount = -1;    // -1: not sent (the client takes 1)
    uint16_t x = 0, y = 0;
    int facing = -1; // -1: not sent
    int8_t z = 0;
    int hue = -1;   // -1: not sent
    int flags = -1; // -1: not sent
};
Bytes WorldItem(const ItemFields& item);                                                        // 0x1A
Bytes DeleteObject(uint32_t serial);                                                            // 0x1D
Bytes EquipItem(uint32_t item, uint16_t graphic, uint8_t layer, uint32_t wearer, uint16_t hue); // 0x2E

struct MobileFields {
    uint32_t serial = 0;
    uint16_t body = 0;
    uint16_t x = 0, y = 0;
    int8_t z = 0;
    uint8_t facing = 0;
    uint16_t hue = 0;
    uint8_t flags = 0;
    uint8_t notoriety = 1;
};
struct WornFields {
    uint32_t serial = 0;
    uint16_t graphic = 0;
    uint8_t layer = 0;
    int hue = -1; // -1: not sent
};
Bytes MobileMoving(const MobileFields& m);                                          // 0x77
Bytes MobileMovingEx(const MobileFields& m);                                        // 0xD2
Bytes MobileIncoming(const MobileFields& m, const std::vector<WornFields>& worn);   // 0x78
Bytes MobileIncomingEx(const MobileFields& m, const std::vector<WornFields>& worn); // 0xD3
Bytes MobileAnimation(uint32_t serial, uint16_t action, uint16_t frames, uint16_t repeatCount, bool reverse,
                      bool repeat, uint8_t delay); // 0x6E
Bytes CorpseEquipment(uint32_t corpse, const std::vector<std::pair<uint8_t, uint32_t>>& entries,
                      bool terminate = true);                          // 0x89
Bytes DeathAnimation(uint32_t mobile, uint32_t corpse, uint32_t flag); // 0xAF

struct ContainedFields {
    uint32_t serial = 0;
    uint16_t graphic = 0;
    uint8_t increment = 0;
    uint16_t amount = 1;
    uint16_t x = 0, y = 0;
    uint32_t container = 0;
    uint16_t hue = 0;
};
Bytes ContainerItem(const ContainedFields& item);                   // 0x25
Bytes ContainerContents(const std::vector<ContainedFields>& items); // 0x3C
Bytes PersonalLight(uint32_t serial, uint8_t level);                // 0x4E
Bytes LightLevel(uint8_t level);                                    // 0x4F
Bytes Time(uint8_t hour, uint8_t minute, uint8_t second);           // 0x5B
Bytes Weather(uint8_t type, uint8_t count, uint8_t temperature);    // 0x65
Bytes Season(uint8_t season, uint8_t soundFlag);                    // 0xBC
Bytes Pointer(bool show, uint16_t x, uint16_t y);                   // 0xBA
Bytes MarkMobile(uint32_t serial, uint8_t flag);                    // 0xC4
Bytes ServerBoundary(uint16_t x, uint16_t y, uint16_t z, uint8_t map, uint16_t width,
                     uint16_t height);                     // 0x76
Bytes NameReply(uint32_t serial, const std::string& name); // 0x98

struct EffectFields {
    uint8_t kind = 0; // 0 moving, 1 lightning, 2 fixed at the source position, 3 fixed on the source
    uint32_t source = 0, target = 0;
    uint16_t graphic = 0;
    uint16_t sourceX = 0, sourceY = 0, targetX = 0, targetY = 0;
    int8_t sourceZ = 0, targetZ = 0;
    uint8_t speed = 0, duration = 0, descending = 0, pingPong = 0, fixedDirection = 0, explode = 0;
    // Sent (0xC0) when either is set, else the plain message (0x70).
    uint32_t hue = 0, blendMode = 0;
};
Bytes GraphicEffect(const EffectFields& effect);                                   // 0x70 or 0xC0
Bytes PlaySound(uint8_t mode, uint16_t sound, uint16_t x, uint16_t y, uint16_t z); // 0x54
Bytes SequenceFlag(uint8_t flag);                                                  // 0x7B
Bytes DeathStatus(uint8_t action);                                                 // 0x2C

} // namespace testshard::world
