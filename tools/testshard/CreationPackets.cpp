#include "testshard/CreationPackets.h"

#include <cstdio>
#include <cstring>

namespace testshard {
namespace {

void PutField(std::vector<uint8_t>& out, const char* text, size_t width) {
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < length ? static_cast<uint8_t>(text[i]) : 0);
}

// Reads big-endian fields from a message whose length was checked before.
struct Fields {
    const std::vector<uint8_t>& bytes;
    size_t at = 0;
    uint8_t U8() { return bytes[at++]; }
    uint16_t U16() {
        const uint16_t v = static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
        at += 2;
        return v;
    }
    uint32_t U32() {
        const uint32_t high = U16();
        return high << 16 | U16();
    }
};

} // namespace

void PutStartCities(std::vector<uint8_t>& packet) {
    static const char* const kCities[kStartCityCount][2] = {
        {"Ashwold", "The Charcoal Inn"},
        {"Pellin", "The Net and Oar"},
        {"Veldmoor", "The Sleeping Gryphon"},
        {"Starvell", "The Cliffside Rest"},
        {"Corthal", "The Anvil"},
        {"Ambrevia", "The Vine House"},
        {"Qastor", "The Harbour Lamp"},
        {"Fenmara", "The Reed Hall"},
        {"Lorvick", "The Quiet Page"},
    };
    packet.push_back(kStartCityCount);
    for (int i = 0; i < kStartCityCount; ++i) {
        packet.push_back(static_cast<uint8_t>(i));
        PutField(packet, kCities[i][0], 31);
        PutField(packet, kCities[i][1], 31);
    }
}

bool DecodeCreateCharacter(const std::vector<uint8_t>& packet, CreatedCharacter& out) {
    if (packet.size() != kCreateCharacterSize || packet[0] != 0x00) return false;
    out = CreatedCharacter{};
    // id, 0xEDEDEDED, 0xFFFF, 0xFFFF, a byte, then the name's 30 bytes.
    const char* name = reinterpret_cast<const char*>(&packet[10]);
    out.name.assign(name, strnlen(name, 30));
    out.profession = packet[40 + 14];
    Fields f{packet, 70};
    out.gender = f.U8();
    out.strength = f.U8();
    out.dexterity = f.U8();
    out.intelligence = f.U8();
    for (auto& skill : out.skills) {
        skill[0] = f.U8();
        skill[1] = f.U8();
    }
    out.skinHue = f.U16();
    out.hairItem = f.U16();
    out.hairHue = f.U16();
    out.facialHairItem = f.U16();
    out.facialHairHue = f.U16();
    out.startCity = f.U16();
    out.slot = f.U32();
    out.address = f.U32();
    out.shirtHue = f.U16();
    out.pantsHue = f.U16();
    return true;
}

std::string DescribeCreatedCharacter(const CreatedCharacter& c) {
    char text[400];
    std::snprintf(
        text, sizeof text,
        "creates \"%s\": profession %u, %s, str %u dex %u int %u, skills %u=%u %u=%u %u=%u, skin %u, "
        "hair 0x%04X hue %u, facial hair 0x%04X hue %u, city %u, slot %u, shirt %u, pants %u",
        c.name.c_str(), c.profession, c.gender ? "woman" : "man", c.strength, c.dexterity, c.intelligence,
        c.skills[0][0], c.skills[0][1], c.skills[1][0], c.skills[1][1], c.skills[2][0], c.skills[2][1],
        c.skinHue, c.hairItem, c.hairHue, c.facialHairItem, c.facialHairHue, c.startCity, c.slot, c.shirtHue,
        c.pantsHue);
    return text;
}

} // namespace testshard
