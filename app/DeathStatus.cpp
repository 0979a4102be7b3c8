#include "app/DeathStatus.h"

#include "app/PlayerActions.h"
#include "core/QVReport.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/Sequence.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/DirtyRects.h"
#include "render/GraphicManager.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace {
constexpr int kDeathSong = 42;
} // namespace

namespace CApp {

void SendDeathStatus(int action) {
    uint8_t buffer[8];
    PacketWriter packet(buffer);
    PacketManager::SendDeathStatus(packet, static_cast<uint8_t>(action));
    PlayerWalk::SendWorldPacket(packet);
}

void CloseAllButPartyChat() {
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        if (!g->IsMapGump() && !g->IsInputGump() && !g->IsGameAreaEdgeGump() && !g->IsPointerGump() &&
            !g->IsPartyGump())
            g->Close();
    DropRecordingSequence();
    ResetDirtyRects();
}

} // namespace CApp

namespace PacketManager {

void HandleDeathStatus(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t action = 0;
    if (!ReadPacketU8(packet, offset, action)) {
        QVReport::message("PacketManager::HandleDeathStatus: short packet dropped.\n");
        return;
    }
    // Closing every window also takes the dragged item's window and an open text menu.
    CApp::CloseAllButPartyChat();
    if (action == 1) return;
    // The fade darkens the screen over the next frames and answers the server when it is over.
    GraphicManager::SetDeathFadeCounter(1);
    for (CObj* o = WorldLists::World().Head(); o; o = WorldList::Next(o))
        o->DeleteAllOverheadTexts();
    WorldHook::Value(WorldHook::Table().playSong, kDeathSong, 1, true);
    if (pPlayerObject && pPlayerObject->warMode) CApp::RequestWarMode(0);
}

} // namespace PacketManager
