// The world's side of the login confirmation and of a shard switch: the player placed and the view
// centred, the world released, the player's state kept and restored across shards.
#include "world/WorldLogin.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "net/NetServices.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerWalk.h"
#include "world/ServerWorld.h"
#include "world/objects.h"

namespace WorldLogin {

void ResetWorld() {
    g_personalLightTotal = 0;
    WorldState::SetGlobalLightLevel(0);
    MapManager::SetMap(0);
    Season = 1;
    CObjectManager::ReleaseAll();
    MapManager::ResetBlocks();
    PlayerWalk::ResetWalkState();
    PlayerWalk::EndPath();
}

void PlacePlayer(const LoginConfirmation& c) {
    if (!pPlayerObject) pPlayerObject = new CPlayerMobile(c.serial, c.body, 0);
    CPlayerMobile* player = pPlayerObject;
    player->SetSerial(c.serial);
    for (int32_t& v : player->lastKnown)
        v = -1;
    player->SetGraphic(c.body & 0x3FFF, 0);
    ResetWorld();
    player->facing = c.facing;
    const uint32_t position = c.x | static_cast<uint32_t>(c.y) << 16;
    player->AddToWorld(position, c.z);
    MapManager::SetPlayerPlaced(true);
    MapManager::SetMap(c.map);
    MapManager::SetCenter(c.x, c.y, c.z, c.map);
    DrawManager::UpdateCeiling();
}

void ReleaseWorldObjects() {
    if (CPlayerMobile* player = pPlayerObject)
        for (int layer = 0; layer <= 25; ++layer)
            if (CDynamicObj* worn = player->layers[layer]) {
                worn->Release();
                if (player->layers[layer] == worn) player->layers[layer] = nullptr;
            }
    CObjectManager::ReleaseAll();
    MapManager::SetPlayerPlaced(false);
    MapManager::ResetBlocks();
    PlayerWalk::ResetWalkState();
    PlayerWalk::EndPath();
}

void ReadPlayerState(PlayerShardState& state) {
    const CPlayerMobile* p = pPlayerObject;
    if (!p) return;
    state.x = p->locX;
    state.y = p->locY;
    state.z = p->z;
    state.facing = p->facing;
    state.map = static_cast<uint16_t>(MapManager::GetMapNumber());
    state.season = Season;
    state.updateRange = p->updateRange;
    for (int i = 0; i < 5; ++i)
        state.walkKeys[i] = p->walkKeys[i];
}

void RestorePlayerState(const PlayerShardState& state, uint32_t serial) {
    if (!pPlayerObject) pPlayerObject = new CPlayerMobile(serial, 0, 0);
    CPlayerMobile* p = pPlayerObject;
    p->SetSerial(serial);
    p->facing = state.facing;
    p->SetUpdateRange(state.updateRange);
    for (int i = 0; i < 5; ++i)
        p->walkKeys[i] = state.walkKeys[i];
    Season = state.season;
    MapManager::SetMap(state.map);
    const uint32_t position =
        static_cast<uint16_t>(state.x) | static_cast<uint32_t>(static_cast<uint16_t>(state.y)) << 16;
    p->AddToWorld(position, state.z);
    MapManager::SetPlayerPlaced(true);
    MapManager::SetCenter(state.x, state.y, state.z, state.map);
}

int PlayerUpdateRange() {
    return pPlayerObject ? pPlayerObject->GetUpdateRange() : 18;
}

void BindNetServices() {
    NetServices& s = GetNetServices();
    s.placePlayer = PlacePlayer;
    s.releaseWorldObjects = ReleaseWorldObjects;
    s.readPlayerState = ReadPlayerState;
    s.restorePlayerState = RestorePlayerState;
    s.playerUpdateRange = PlayerUpdateRange;
}

} // namespace WorldLogin
