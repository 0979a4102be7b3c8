#pragma once
// The connection seed: one u32 for the whole process, sent first on every enciphered connection.
#include <array>
#include <cstdint>

// The seed as it stands (0 until a connection or the relay sets it).
uint32_t GetConnectionSeed();
// The relay key replaces the seed for the game server connection.
void SetConnectionSeed(uint32_t seed);
// The seed for a connection being opened: the stored one, or, while it is 0, the local IPv4
// address (host order), which is stored so later connections reuse it.
uint32_t DetermineConnectionSeed();
// Back to 0 and the look-up forgotten, for tests.
void ResetConnectionSeed();

// The seed's four bytes as they go on the wire, most significant first.
std::array<uint8_t, 4> ConnectionSeedBytes(uint32_t seed);

// The local IPv4 address in host order, from the host's own name; 0 when the look-up fails. The
// name is looked up once per connection (RefreshLocalAddress), not for every packet that carries it:
// a look-up may wait on a name server.
uint32_t GetLocalAddress();
// Looks the local address up again; each connect does, once.
void RefreshLocalAddress();
// Replaces the look-up itself (tests count look-ups); ResetConnectionSeed restores it.
using LocalAddressLookup = uint32_t (*)();
void SetLocalAddressLookup(LocalAddressLookup lookup);
// Replaces the looked-up local address (tests stand the client on a chosen address); 0 restores
// the look-up.
void SetLocalAddressOverride(uint32_t address);
