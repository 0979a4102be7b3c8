#pragma once
// One number space for every versioned data item: the base of its kind plus its index.
#include <cstdint>

namespace CVersionManager {

enum Kind {
    Art,
    TileDataGroup,
    AnimDataGroup,
    EditItem,
    Region,
    CacheItem,
    Multi,
    MapBlock,
    StaticsBlock,
    Spare,
    KindCount
};

struct KindRange {
    uint32_t base;
    uint32_t count; // 0: open-ended
};

void startup();
void shutdown();
KindRange GetKind(Kind kind);
// The id of an item of a kind.
uint32_t GetId(Kind kind, uint32_t index);
// Hands an id and its version value to the recording step, which keeps nothing.
void RecordVersion(uint32_t id, uint32_t version);

} // namespace CVersionManager
