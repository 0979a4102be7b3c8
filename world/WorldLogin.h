#pragma once
// The world's side of the login confirmation and of a shard switch, bound into the network's
// services when the map starts.
#include <cstdint>

struct LoginConfirmation;
struct PlayerShardState;

namespace WorldLogin {

// Light, facet, season, the world objects and the map blocks back to their start.
void ResetWorld();
// Step 4 of the login confirmation: the player's serial and body, the reset world, the player
// placed at its cell and the view centred there.
void PlacePlayer(const LoginConfirmation& confirmation);
// Before a shard switch: the player's worn items and every other world object go, the blocks too.
void ReleaseWorldObjects();
void ReadPlayerState(PlayerShardState& state);
void RestorePlayerState(const PlayerShardState& state, uint32_t serial);
int PlayerUpdateRange();
void BindNetServices();

} // namespace WorldLogin
