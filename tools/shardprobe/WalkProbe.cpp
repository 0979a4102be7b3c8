#include "shardprobe/WalkProbe.h"

#include "core/FileManager.h"
#include "mkinstall/Installation.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "platform/platform.h"
#include "qvworld/MapReport.h"
#include "qvworld/WorldReport.h"
#include "world/MapManager.h"
#include "world/PlayerWalk.h"
#include "world/objects.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace shardprobe {
namespace {

constexpr uint32_t kSettleMs = 5000;

unsigned Be16(const uint8_t* p) {
    return static_cast<unsigned>(p[0] << 8 | p[1]);
}

} // namespace

bool TakeWalkArguments(int& argc, char** argv, std::string& directions, bool& run) {
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--run") == 0) {
            run = true;
        } else if (std::strcmp(argv[i], "--walk") == 0 && i + 1 < argc) {
            directions = argv[++i];
            if (directions.empty()) return false;
            for (char c : directions)
                if (c < '0' || c > '7') return false;
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    return true;
}

bool StartWorld(const std::string& folder) {
    const std::string install = folder + "/install";
    std::string error;
    if (!mkinstall::WriteInstallation(install, &error)) return false;
    FileManager::startupWithPaths(install, "");
    qvworld::LoadWorldTables();
    qvworld::StartMap();
    PlayerWalk::Links& links = PlayerWalk::GetLinks();
    links.send = [](PacketWriter& packet) {
        const uint8_t* b = packet.data();
        if (b[0] == 0x02)
            std::printf("request %d%s sequence %d\n", b[1] & 7, (b[1] & 0x80) ? " running" : "", b[2]);
        if (b[0] == 0x22) std::printf("resync requested\n");
        std::fflush(stdout);
        SendPacket(packet);
    };
    return true;
}

void PrintWalkPacket(const uint8_t* p, int length) {
    switch (p[0]) {
    case 0x22:
        if (length >= 3) std::printf("acknowledged %d (notoriety %d)\n", p[1], p[2]);
        break;
    case 0x21:
        if (length >= 8)
            std::printf("refused %d: back to %u %u facing %d z %d\n", p[1], Be16(p + 2), Be16(p + 4),
                        p[6] & 7, static_cast<int8_t>(p[7]));
        break;
    case 0x20:
        if (length >= 19)
            std::printf("placed at %u %u z %d\n", Be16(p + 11), Be16(p + 13), static_cast<int8_t>(p[18]));
        break;
    default:
        std::printf("0x%02X %d\n", p[0], length);
        break;
    }
    std::fflush(stdout);
}

bool Walk(const std::string& directions, bool run) {
    if (!pPlayerObject) {
        std::printf("no player in the world\n");
        return false;
    }
    for (char c : directions) {
        if (!PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(c - '0'), run ? 1 : 0, true))
            std::printf("step %c not taken here\n", c);
        const uint32_t start = platform::TickCount();
        for (;;) {
            PollNetwork();
            PlayerWalk::UpdatePlayerWalk();
            const PlayerWalk::State& s = PlayerWalk::GetState();
            if (s.length == 0 && !s.blocked) break;
            if (platform::TickCount() - start > kSettleMs) return false;
            platform::SleepMillis(2);
        }
    }
    int x = 0, y = 0, z = 0;
    MapManager::GetCenter(x, y, z);
    std::printf("centre %d %d %d\n", x, y, z);
    std::fflush(stdout);
    return true;
}

} // namespace shardprobe
