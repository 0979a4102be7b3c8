// Packet handlers by id: arbitrary bytes as one packet of a chosen id, dispatched through a game
// connection with the windows and the world standing in as the null services.
//
// Input: a flags byte (bit 0 secondary shard, bit 1 game phase, bit 2 character selection open,
// bit 3 edit server, bit 4 an account name is set, bit 5 a player in the world with a turn queued),
// the id (taken modulo the table), then the fields.
#include "app/multcli.h"
#include "core/ExitHandlers.h"
#include "frontend/igr.h"
#include "gumps/CGumpManager.h"
#include "gumps/Sequence.h"
#include "mkinstall/TextFiles.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/NetServices.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"
#include "world/ObjectActions.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/objects.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct ProcessEnded {};

bool g_selectionOpen = false;

void BindServices() {
    NetServices& s = GetNetServices();
    s.showMessageBox = [](const char*, const char*) {};
    s.setWindowTitle = [](const char*) {};
    s.applyGameDisplay = [] {};
    s.drawFrame = [] {};
    s.sleep = [](uint32_t) {};
    s.hasCharacterSelection = [] { return g_selectionOpen; };
}

bool Init() {
    // The machine description the shard list stores, and "qv.cfg", go to the scratch folder
    // (fuzz/support).
    platform::UseBackend(platform::BackendKind::Headless);
    SetExitFunction([](int) { throw ProcessEnded{}; });
    // Bound once: no handler rebinds an entry, and rebinding the whole table for each input would
    // cost as much as a small packet's handling.
    ResetNetServices();
    BindServices();
    // The sample installation's fonts: without them the front-end screens stop at their first
    // line of text, and what lies past it is never reached.
    const std::vector<uint8_t> fonts = mkinstall::MakeFontsFile();
    FontManager::LoadFontsFromBytes(fonts.data(), fonts.size());
    for (int font = 0; font < kUnicodeFontCount; ++font)
        UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = Init();
    (void)ready;
    if (size < 2) return 0;
    const uint8_t flags = data[0];
    const uint8_t id = static_cast<uint8_t>(data[1] % kPacketIdCount);
    data += 2;
    size -= 2;

    std::vector<uint8_t> packet;
    if (IsVariableLengthPacket(id)) {
        const size_t length = std::min<size_t>(size + 3, 0xFFFF);
        packet.resize(length);
        const uint16_t host = static_cast<uint16_t>(length);
        std::memcpy(&packet[1], &host, 2);
        std::memcpy(packet.data() + 3, data, length - 3);
    } else {
        packet.assign(PacketTableLength(id), 0);
        std::memcpy(packet.data() + 1, data, std::min(size, packet.size() - 1));
    }
    packet[0] = id;

    // A game-room session starts no report thread: one living on after its input would free its
    // session at a moment of its own, in the middle of a later input.
    IGRTimings timings;
    timings.failThreadStart = true;
    IGRSetTimings(timings);
    g_selectionOpen = (flags & 4) != 0;
    SetEditServer((flags & 8) != 0);
    ShardRecord* record = CApp::AddShardRecord();
    record->name = "Fuzz";
    record->connection = CreateGameSock();
    CApp::SetCurrentRecord(record);
    CGameSock* connection = record->connection;
    if (flags & 1) {
        // Dispatched on an additional shard's connection, not the current one.
        auto* secondary = new CGameSock;
        secondary->SetSecondaryShard(true);
        ShardRecord* other = CApp::AddShardRecord();
        other->name = "Other";
        other->connection = secondary;
        connection = secondary;
    }
    connection->SetGameMode((flags & 2) != 0);
    if (flags & 16) CApp::SetAccount("account", "secret");
    if (flags & 32) {
        // The walk messages meet a queue: a player placed, facing east, with a turn south waiting.
        PlayerWalk::Links& links = PlayerWalk::GetLinks();
        links.connected = [] { return true; };
        links.send = [](PacketWriter&) {};
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        pPlayerObject->facing = 2;
        pPlayerObject->AddToWorld(1500 | 1600u << 16, 0);
        PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(4), 0, false);
    }

    try {
        connection->HandlePacket(packet.data(), static_cast<int>(packet.size()));
    } catch (const ProcessEnded&) {
    }

    // Effects and sequences the packet started, and their draw items, go with the input.
    PlayerWalk::ResetForTests();
    CObjectManager::ResetActionsForTests();
    DeletePlayerObject();
    CGumpManager::ResetForTests();
    ResetSequencesForTests();
    CLatencyProbe::Destroy();
    ResetNetworkForTests();
    PacketManager::ResetForTests();
    CApp::ResetConnectionsForTests();
    // The boxes shown are not kept: an input leaves nothing allocated behind, so the fuzzer's leak
    // check (a scan of the whole heap) does not run after each one.
    IGRResetForTests();
    platform::headless::ClearMessageBoxes();
    return 0;
}
