#include "net/ConnectionSeed.h"

#include "platform/sockets.h"

namespace {

struct SeedState {
    uint32_t seed = 0;
    uint32_t localAddress = 0; // 0: looked up
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
}

std::array<uint8_t, 4> ConnectionSeedBytes(uint32_t seed) {
    return {static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
            static_cast<uint8_t>(seed >> 8), static_cast<uint8_t>(seed)};
}

uint32_t GetLocalAddress() {
    return g_seed.localAddress ? g_seed.localAddress : platform::GetLocalAddress();
}

void SetLocalAddressOverride(uint32_t address) {
    g_seed.localAddress = address;
}
