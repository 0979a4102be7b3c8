// The game room's side of the login: the room id a game-room account login carries, and the session
// packet the server answers it with.
#include "testshard/ScenarioServer.h"

#include <cstring>

namespace testshard {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutField(std::vector<uint8_t>& out, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

void PutString(std::vector<uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace

std::vector<uint8_t> GameRoomSessionPacket(const GameRoomSession& session) {
    std::vector<uint8_t> p = {0xCE, 0, 0};
    Put32(p, session.port);
    Put32(p, session.heartbeatSeconds);
    PutField(p, session.roomId, 16);
    PutField(p, session.contextId, 36);
    Put32(p, session.serviceId);
    PutString(p, session.host);
    PutString(p, session.path);
    p[1] = static_cast<uint8_t>(p.size() >> 8);
    p[2] = static_cast<uint8_t>(p.size());
    return p;
}

std::string GameRoomIdOf(const std::vector<uint8_t>& login) {
    // 0xCF: id, account 30, password 30, key, then the room id in 16 bytes.
    constexpr size_t kRoomAt = 62;
    if (login.empty() || login[0] != 0xCF || login.size() < kRoomAt + 16) return std::string();
    const char* room = reinterpret_cast<const char*>(&login[kRoomAt]);
    return std::string(room, strnlen(room, 16));
}

bool GameRoomScenario(const std::string& name, Script& script) {
    if (name != "gameroom") return false;
    script.gameRoom = std::make_shared<GameRoomSession>();
    return true;
}

} // namespace testshard
