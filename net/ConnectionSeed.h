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
// Back to 0, for tests.
void ResetConnectionSeed();

// The seed's four bytes as they go on the wire, most significant first.
std::array<uint8_t, 4> ConnectionSeedBytes(uint32_t seed);

// The local IPv4 address in host order, from the host's own name; 0 when the look-up fails.
uint32_t GetLocalAddress();
// Replaces the looked-up local address (tests stand the client on a chosen address); 0 restores
// the look-up.
void SetLocalAddressOverride(uint32_t address);
