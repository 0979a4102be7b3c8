#pragma once
// The object manager: at start-up the tile data tables, later the world lists. An editing server
// rewrites groups of 32 tile data rows; the client writes them into its "tiledata.mul" in place
// and into memory.
#include <cstddef>
#include <cstdint>

namespace CObjectManager {

// Allocates and loads the tile data tables.
void startup();
// Frees them.
void shutdown();
void ExpireSavedTexts();
void UpdateMovement();

// A group of 32 rows from the server: bytes in file layout (u32 header, then 32 records), group
// 512..1023 for items and 0..511 for land. A group outside its range, or fewer bytes than a group,
// is refused (logged, false). When the file cannot be written the rows still change in memory.
bool SetItemTileData(int group, const uint8_t* bytes, size_t length);
bool SetLandTileData(int group, const uint8_t* bytes, size_t length);
// The same checks and the change in memory only, leaving the file alone.
bool ApplyItemTileData(int group, const uint8_t* bytes, size_t length);
bool ApplyLandTileData(int group, const uint8_t* bytes, size_t length);

// Empties the light and animation lists and fills them again from the world list.
void RebuildLightAndAnimationLists();

// What a changed row asks of the scene. Bound to DrawManager and RebuildLightAndAnimationLists;
// tests replace them to see the calls.
struct TileDataHooks {
    void (*refreshItemsWithGraphic)(int graphic);
    void (*invalidateLandTiles)(int landId);
    void (*rebuildLists)();
};
TileDataHooks DefaultTileDataHooks();
void SetTileDataHooks(const TileDataHooks& hooks);

} // namespace CObjectManager
