// Walks the login road with the client's own network code, without windows: account login, the
// first (or the given) shard, the relay, the character in the given slot (or the first), and the
// world until login completes. Prints one line per server packet and "in world" at the end.
//
// Usage: shardprobe HOST PORT ACCOUNT PASSWORD [SHARD [SLOT]] [--world SECONDS]
//                   [--walk DIRECTIONS [--run]]
//   SHARD  a shard's name or its position in the list (0 = first); SLOT  0-4
//   --world  stays in the world that long and prints the client's world model as it changes
//   --walk  once in the world, walks the directions (digits 0-7, 0 north, clockwise) through the
//           client's own walk queue over the sample installation's map, printing each request,
//           answer and resynchronisation, and the final view centre; --run runs the steps
// Exit code 0 in the world; 1 when the road ends early (the reason is printed); 2 for bad usage.
#include "app/multcli.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "core/config.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "shardprobe/WalkProbe.h"
#include "shardprobe/WorldReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <strings.h>

namespace {

constexpr uint32_t kTimeLimitMs = 20000;

struct Probe {
    std::string shard;
    int slot = -1;
    bool inWorld = false;
    std::string failure;
    std::string lastMessage; // the last system line, the reason when the connection just ends
} g_probe;

// The client's code saves the login key and the hardware profile as it goes. A probe keeps those
// saves in a folder of its own and removes it, so it leaves nothing behind.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "shardprobe-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

void Fail(const std::string& reason) {
    if (g_probe.failure.empty()) g_probe.failure = reason;
}

void PrintPacket(const uint8_t* packet, int length) {
    std::printf("0x%02X %d\n", packet[0], length);
    std::fflush(stdout);
}

void ChooseShard() {
    const std::vector<PacketManager::ServerEntry>& servers = PacketManager::GetLoginTables().servers;
    if (servers.empty()) return Fail("the shard list is empty");
    const PacketManager::ServerEntry* chosen = &servers.front();
    if (!g_probe.shard.empty()) {
        chosen = nullptr;
        char* end = nullptr;
        const long position = std::strtol(g_probe.shard.c_str(), &end, 10);
        if (*end == '\0' && position >= 0 && position < static_cast<long>(servers.size()))
            chosen = &servers[static_cast<size_t>(position)];
        for (const PacketManager::ServerEntry& entry : servers)
            if (!chosen && strcasecmp(entry.name.c_str(), g_probe.shard.c_str()) == 0) chosen = &entry;
        if (!chosen) return Fail("no shard \"" + g_probe.shard + "\" in the list");
    }
    std::printf("shard %s\n", chosen->name.c_str());
    if (ShardRecord* record = CApp::GetCurrentRecord()) record->name = chosen->name;
    uint8_t buffer[3];
    PacketWriter packet(buffer);
    PacketManager::SendSelectServer(packet, chosen->index);
    SendPacket(packet);
}

void ChooseCharacter(const std::vector<CharacterEntry>& characters) {
    const CharacterEntry* chosen = g_probe.slot < 0 ? &characters.front() : nullptr;
    for (const CharacterEntry& entry : characters)
        if (!chosen && entry.slot == g_probe.slot) chosen = &entry;
    if (!chosen) return Fail("no character in slot " + std::to_string(g_probe.slot));
    std::printf("character %s (slot %d)\n", chosen->name.c_str(), chosen->slot);
    CApp::EnterWorld(chosen->name.c_str(), 0, chosen->slot);
}

void BindServices() {
    NetServices& s = GetNetServices();
    s.setWindowTitle = [](const char*) {};
    s.showSystemMessage = [](int, int, const char* text) {
        std::fprintf(stderr, "shardprobe: %s\n", text);
        g_probe.lastMessage = text;
    };
    s.showModalMessage = [](MessageOwner, const char* text, int, int) { Fail(text); };
    s.showMessageBox = [](const char* text, const char*) { Fail(text); };
    s.showServersDown = [](const char* text) { Fail(text); };
    s.showConnectionLost = [] { Fail("Connection lost"); };
    s.showServerList = ChooseShard;
    s.showShardChoiceList = ChooseShard;
    s.showCharacterSelection = ChooseCharacter;
    s.startCharacterCreation = [] { Fail("the account has no characters"); };
    s.applyGameDisplay = [] { g_probe.inWorld = true; };
}

} // namespace

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    int worldSeconds = 0;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--world") == 0) {
            worldSeconds = std::atoi(argv[i + 1]);
            for (int j = i; j + 2 < argc; ++j)
                argv[j] = argv[j + 2];
            argc -= 2;
            break;
        }
    std::string walk;
    bool run = false;
    if (!shardprobe::TakeWalkArguments(argc, argv, walk, run)) {
        std::fprintf(stderr, "shardprobe: --walk takes digits 0-7\n");
        return 2;
    }
    if (argc < 5 || argc > 7 || worldSeconds < 0) {
        std::fprintf(stderr, "usage: shardprobe HOST PORT ACCOUNT PASSWORD [SHARD [SLOT]] [--world SECONDS] "
                             "[--walk DIRECTIONS [--run]]\n");
        return 2;
    }
    const int port = std::atoi(argv[2]);
    if (port <= 0 || port > 65535) {
        std::fprintf(stderr, "shardprobe: bad port %s\n", argv[2]);
        return 2;
    }
    if (argc > 5) g_probe.shard = argv[5];
    if (argc > 6) g_probe.slot = std::atoi(argv[6]);
    ScratchFolder scratch;
    if (scratch.path().empty()) {
        std::fprintf(stderr, "shardprobe: cannot make a temporary folder\n");
        return 1;
    }
    ConfigFiles::SetWorkingFolder(scratch.path());
    ::setenv("QV_REGISTRY", (scratch.path() + "/registry.ini").c_str(), 1);
    platform::UseBackend(platform::BackendKind::Headless);
    if (!walk.empty() && !shardprobe::StartWorld(scratch.path())) {
        std::printf("cannot write the sample installation\n");
        return 1;
    }
    BindServices();
    if (worldSeconds > 0) shardprobe::PrepareWorld();
    SetPacketObserver(PrintPacket);
    CApp::SetLoginServers({{argv[1], static_cast<uint16_t>(port)}});

    const std::string target = std::string(argv[1]) + ":" + argv[2];
    // The connect completes in the network passes below; the account login waits for it.
    if (!CApp::ConnectToLoginServer([&target](bool connected) {
            if (!connected) Fail("cannot connect to " + target);
        })) {
        std::printf("cannot connect to %s\n", target.c_str());
        return 1;
    }
    CApp::VerifyAccount(argv[3], argv[4], CApp::GetNextLoginKey());
    const uint32_t start = platform::TickCount();
    while (!g_probe.inWorld && g_probe.failure.empty()) {
        PollNetwork();
        if (CApp::ShardRecords().empty())
            Fail(g_probe.lastMessage.empty() ? "the connection ended" : g_probe.lastMessage);
        if (platform::TickCount() - start > kTimeLimitMs) Fail("no answer within 20 seconds");
        platform::SleepMillis(2);
    }
    // Whatever was queued last (the greeting after the confirmation) still leaves.
    PollNetwork();
    if (g_probe.failure.empty() && !walk.empty()) {
        SetPacketObserver(shardprobe::PrintWalkPacket);
        if (!shardprobe::Walk(walk, run)) Fail("the walk did not settle");
    }
    if (g_probe.failure.empty() && worldSeconds > 0) {
        shardprobe::FollowWorld(static_cast<uint32_t>(worldSeconds) * 1000);
    }
    SetNetworkQuiet(true);
    ShutdownNetwork();
    if (!g_probe.failure.empty()) {
        std::printf("failed: %s\n", g_probe.failure.c_str());
        return 1;
    }
    std::printf("in world\n");
    return 0;
}
