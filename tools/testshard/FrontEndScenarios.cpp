// The test server's scenarios of the login screens: servers down, shards of several zones and loads,
// five characters, a protected one, the one-character flag, deletions answered or refused, the
// logout reply, a relay to a port nobody listens on.
#include "platform/platform.h"
#include "testshard/CreationPackets.h"
#include "testshard/ScenarioServer.h"

#include <cstdlib>

namespace testshard {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value >> 16);
    Put16(out, value & 0xFFFF);
}

void PutField(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

std::vector<uint8_t> WithLength(std::vector<uint8_t> packet) {
    packet[1] = static_cast<uint8_t>(packet.size() >> 8);
    packet[2] = static_cast<uint8_t>(packet.size());
    return packet;
}

} // namespace

std::vector<uint8_t> CharacterScreenPacket(const Script& s, const std::vector<std::string>& characters,
                                           bool update) {
    std::vector<uint8_t> p = {static_cast<uint8_t>(update ? 0x86 : 0xA9), 0, 0,
                              static_cast<uint8_t>(characters.size())};
    for (size_t slot = 0; slot < 5; ++slot) {
        PutField(p, slot < characters.size() ? characters[slot] : "", 30);
        PutField(p, slot < s.characterPasswords.size() ? s.characterPasswords[slot] : "", 30);
    }
    if (update) return WithLength(p);
    PutStartCities(p);
    Put32(p, s.clientFlags);
    return WithLength(p);
}

std::vector<uint8_t> DeleteRefusedPacket(uint8_t reason) {
    return {0x85, reason};
}

bool FrontEndScenario(const std::string& name, Script& s) {
    const uint32_t kSilent = 0x7F000002; // no probe echo answers there
    if (name == "down") {
        s.shards.clear();
    } else if (name == "zones") {
        s.shards = {{"Near", platform::kLoopback, 80, 0},     {"East", platform::kLoopback, 20, 9},
                    {"West", platform::kLoopback, 50, -8},    {"Far", platform::kLoopback, 5, 12},
                    {"Unsorted", platform::kLoopback, 0, 50}, {"Silent", kSilent, 10, 1}};
    } else if (name == "five") {
        s.characters = {"Ann", "Bert", "Carl", "Dora", "Emil"};
    } else if (name == "protected") {
        s.characters = {"Open", "Guarded"};
        s.characterPasswords = {"", "sesame"};
    } else if (name == "one") {
        s.characters = {"Single", "Hidden"};
        s.clientFlags |= 0x10;
    } else if (name.rfind("delete:", 0) == 0) {
        s.characters = {"Keep", "Drop", "Stay"};
        s.deleteRefusal = std::atoi(name.c_str() + 7);
    } else if (name == "delete") {
        s.characters = {"Keep", "Drop", "Stay"};
    } else if (name == "nologout") {
        s.answerLogout = false;
    } else if (name == "closedrelay") {
        s.relayAddress = platform::kLoopback;
        s.relayPort = 1; // nothing listens there
    } else {
        return false;
    }
    return true;
}

} // namespace testshard
