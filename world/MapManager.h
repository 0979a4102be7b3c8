#pragma once
// The map of the current facet and the view centre: land tiles with their heights, the statics of
// the 6 x 6 blocks around the centre, the server's difference lists that replace single blocks,
// the facet's wrap, line of sight, the roof cut and the map block check.
#include <cstdint>
#include <string>
#include <vector>

namespace MapManager {

constexpr int kBlockSize = 196;  // u32 header, 64 cells of {u16 tile, s8 z}
constexpr int kStaticRecord = 7; // u16 graphic, x, y, s8 z, u16 hue
constexpr int kMissingLand = 0x8001;
constexpr int kOutsideLand = 580;    // cells beyond the wrapping area that do not wrap
constexpr int kCheckBlocks = 393216; // blocks of the large facet that the check table covers
constexpr int kDiffSets = 3;         // sets with difference lists; set 3 has none
constexpr int kViewRadius = 18;      // land items: the 37 x 37 cells around the centre
constexpr int kStaticsBlocks = 6;    // statics: the 6 x 6 blocks around the centre

// Where the blocks come from: the data files by default, tests put their own bytes here.
struct MapSource {
    // A fixed-size record of a data row (a 196-byte map block), or null.
    const uint8_t* (*record)(int row, int id);
    // An item of a data row through its index row, or null with length 0.
    const uint8_t* (*item)(int indexRow, int dataRow, int id, int& length, int& extra);
    // The whole file of a difference list by name; false when it is missing.
    bool (*readFile)(const char* name, std::vector<uint8_t>& out);
};
MapSource DefaultMapSource();
void SetMapSource(const MapSource& source);
// An item through the current source (multi data reads here too).
const uint8_t* GetSourceItem(int indexRow, int dataRow, int id, int& length, int& extra);

void startup();
// Back to the start-up state (tests).
void Reset();

// ---- facet and wrap
// 2 selects the small facet, anything else the large one (stored as 0). The number itself is kept:
// the rules of some maps differ though they share a facet.
void SetMap(int facet);
int GetMap();
int GetMapNumber();
int GetMapWidth();
int GetMapHeight();
int GetBlocksWide();
int GetBlocksHigh();
int GetWrapWidth();
int GetWrapHeight();
// Floor modulo: a cell west of or above the seam wraps to the far side, never negative.
int WrapCoordinate(int value, int size);

// ---- difference lists
// The server's map index (0..3); lookups for set 3 and above find nothing.
void SetDiffSet(int set);
int GetDiffSet();
// The limits the server sent for sets 0..2 (message 0xBF); read before LoadDiffLists.
void SetDiffLimits(int set, int staticsLimit, int mapLimit);
void LoadDiffLists();
int FindMapDiff(int block, int set);
int FindStaticsDiff(int block, int set);
int GetMapDiffFile();

// ---- blocks and land
const uint8_t* GetMapBlock(int block);
const uint8_t* GetStaticsBlock(int block, int& length, int& extra);
// The land id shown in the current season.
int GetSeasonalLandTile(int tile);
int GetLandTile(int x, int y);
int GetLandZ(int x, int y);
void GetCornerZ(int x, int y, int8_t corners[4]);

// ---- distances
// Chebyshev distance with the wrap; 9999 when the two lie on different sides of the seam.
int Distance(int x1, int y1, int x2, int y2);
int DistanceTo(int x1, int y1, int x2, int y2);

// ---- the view centre
void SetCenter(int x, int y, int z, int viewKey);
void MoveCenter(int dx, int dy, int z);
void GetCenter(int& x, int& y, int& z);
int GetViewKey();
void RefreshView();
void ResetBlocks();
// The block caches are forgotten (the next centring loads them again); the cells stay.
void ForgetLoadedBlocks();
void LoadStatics();
bool CreateLandTile(int x, int y);
bool CreateLandTileWrapped(int x, int y);
void ShiftDrawItems(int dx, int dy);
// Whether the player is placed: the view follows the centre only then.
void SetPlayerPlaced(bool placed);
// The statics window's corner block (-9999 when empty) and its loaded block numbers (-1 free).
void GetStaticsWindow(int& bx, int& by, int blocks[kStaticsBlocks * kStaticsBlocks]);

// ---- sight
bool HasLineOfSight(uint32_t from, int fromZ, uint32_t to, int toZ, uint32_t flagMask);

// ---- the map block check
// The table file beside the map ("mapcheck.bin"): 196,608 bytes, two 4-bit values per byte.
constexpr const char* kCheckFileName = "mapcheck.bin";
constexpr int kCheckTableSize = kCheckBlocks / 2;
// The 4-bit check value of a block's bytes (by the block number's parity).
int CheckValue(int block, const uint8_t* data);
// The table for the blocks of a map file image; blocks beyond it count as 196 zero bytes.
std::string BuildCheckTable(const uint8_t* map, size_t size);
// Sets or clears the table (null: none).
void SetCheckTable(const uint8_t* table, size_t size);
// Loads "mapcheck.bin" from the data folder; false when it is missing or short.
bool LoadCheckTable();
// Message 0xC6: the check is on for the rest of the run.
void EnableMapCheck();
bool IsMapCheckEnabled();
// Where a failed block goes (default: packet 0xC5 on the current connection).
using BlockReportSink = void (*)(int block, const uint8_t* data);
void SetBlockReportSink(BlockReportSink sink);

// What the view changes call above the world (the radar, missiles, the view buffer); empty
// entries do nothing.
struct ViewHooks {
    void (*rebuildRadar)() = nullptr;
    void (*deleteMissiles)() = nullptr;
    void (*clearViewBuffer)() = nullptr;
    void (*resetWalkState)() = nullptr;
};
void SetViewHooks(const ViewHooks& hooks);

} // namespace MapManager
