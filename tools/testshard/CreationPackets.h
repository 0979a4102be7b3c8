#pragma once
// The test server's side of character creation: the nine start cities of the character list, and
// the create-character message (0x00) read back field by field from its wire layout.
#include <cstdint>
#include <string>
#include <vector>

namespace testshard {

// The count, then per city its index, name (31 bytes) and inn (31 bytes).
void PutStartCities(std::vector<uint8_t>& packet);
constexpr int kStartCityCount = 9;

struct CreatedCharacter {
    std::string name;
    uint8_t profession = 0; // byte 14 of the client block
    uint8_t gender = 0, strength = 0, dexterity = 0, intelligence = 0;
    uint8_t skills[3][2] = {}; // index, value
    uint16_t skinHue = 0, hairItem = 0, hairHue = 0, facialHairItem = 0, facialHairHue = 0;
    uint16_t startCity = 0;
    uint32_t slot = 0, address = 0;
    uint16_t shirtHue = 0, pantsHue = 0;
};
constexpr size_t kCreateCharacterSize = 104;

// False for a message of another id or length.
bool DecodeCreateCharacter(const std::vector<uint8_t>& packet, CreatedCharacter& out);
// One line with every field, for the server's log.
std::string DescribeCreatedCharacter(const CreatedCharacter& c);

} // namespace testshard
