#include "net/ConnectionSeed.h"

#include "platform/sockets.h"

namespace {

struct SeedState {
    uint32_t seed = 0;
    uint32_t localAddress = 0; // 0: looked up
    bool looked = false;
    uint32_t lookedUp = 0; // the last look-up's answer
    LocalAddressLookup lookup = platform::GetLocalAddress;
};
SeedState g_seed;

} // namespace

uint32_t GetConnectionSeed() {
    return g_seed.seed;
}

void SetConnectionSeed(uint32_t seed) {
    g_seed.seed = seed;
}

uint32_t DetermineConnectionSeed() {
    if (g_seed.seed == 0) g_seed.seed = GetLocalAddress();
    return g_seed.seed;
}

void ResetConnectionSeed() {
    g_seed.seed = 0;
    g_seed.looked = false;
    g_seed.lookedUp = 0;
    g_seed.lookup = platform::GetLocalAddress;
}

std::array<uint8_t, 4> ConnectionSeedBytes(uint32_t seed) {
    return {static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
            static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed)};
}

uint32_t GetLocalAddress() {
    if (g_seed.localAddress) return g_seed.localAddress;
    if (!g_seed.looked) RefreshLocalAddress();
    return g_seed.lookedUp;
}

void RefreshLocalAddress() {
    if (g_seed.localAddress) return;
    g_seed.lookedUp = g_seed.lookup ? g_seed.lookup() : 0;
    g_seed.looked = true;
}

void SetLocalAddressLookup(LocalAddressLookup lookup) {
    g_seed.lookup = lookup;
    g_seed.looked = false;
}

void SetLocalAddressOverride(uint32_t address) {
    g_seed.localAddress = address;
}
