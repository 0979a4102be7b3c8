#pragma once
// The object manager: at start-up the tile data tables, later the world lists. An editing server
// rewrites groups of 32 tile data rows; the client writes them into its "tiledata.mul" in place
// and into memory.
#include <cstddef>
#include <cstdint>

class CObj;
class CDynamicObj;
class CMobile;

namespace CObjectManager {

// Allocates and loads the tile data tables, then empties the world lists.
void startup();
// Frees them.
void shutdown();
// One world step: multi parts, releases out of range, mobiles' queued steps and idle actions.
void UpdateMovement();

// ---- server messages into the world
// Finds or makes the object of an item or mobile update and places it; mobiles queue the step.
void HandleMove(uint32_t serial, int graphic, int increment, int amount, int x, int y, int z, int facing,
                uint16_t hue, uint8_t status);
// The same for an object the caller already found by this serial (null: none).
void HandleMoveOf(CObj* found, uint32_t serial, int graphic, int increment, int amount, int x, int y, int z,
                  int facing, uint16_t hue, uint8_t status);
struct ContainerItem {
    uint32_t serial = 0;
    uint32_t graphic = 0;
    uint32_t increment = 0;
    uint16_t amount = 1;
    int x = 0, y = 0;
    uint32_t container = 0;
    uint16_t hue = 0;
};
// An item into a container; false (logged where it matters) when it was dropped.
bool AddToContainer(const ContainerItem& item);
void PlayRandomIdleAction(CMobile* mobile);
void FaceCombatTarget();

// ---- lookup and the lists
// The player when the serial is the player's, else the newest server object with that serial;
// null when there is none.
CObj* FindBySerial(uint32_t serial);
// The same answer by walking the all-objects list (what the index must always agree with).
CObj* FindBySerialByWalk(uint32_t serial);
// Logout or shard change: the player leaves the world and loses layers 0..25; every other object
// of the world list is released.
void ReleaseAll();
// The newest placed object at exactly this cell (x low 16 bits, y high 16 bits) with
// its z <= z < its z + height.
CObj* GetObjAtLoc(uint32_t position, int z);
// One animation step over the animation list (bound as animCrap's list walk).
void AnimateListedObjects();

// ---- overhead texts of objects that go and come back
// Before the server deletes an object: its texts are kept for a few seconds.
void SaveOverheadTexts(CObj* object);
// When a server object is created: its kept texts come back (without a second journal line).
void RestoreOverheadTexts(CObj* object);
// Once a second: kept texts age; one older than four seconds is dropped.
void ExpireSavedTexts();
int SavedTextCount();
void ClearSavedTexts();

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
