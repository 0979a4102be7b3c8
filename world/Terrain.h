#pragma once
// Whether a step from one cell to the next can be taken and at which z the mover arrives, decided
// from what stands in the two cells: land with its corner heights, statics and items with their
// tile flags, heights and bridge shapes, and other mobiles. Shared by the player's walking, the
// path search and the placement preview.
#include <cstdint>

class CDrawItem;
class CMobile;

namespace Terrain {

// Movement types.
constexpr int kWalking = 0;
constexpr int kGhost = 1;
constexpr int kNoBlocking = 2;
constexpr int kSwimming = 3;

// Entry flags.
constexpr uint16_t kBlocks = 1;
constexpr uint16_t kSurface = 2;
constexpr uint16_t kBridge = 4;

struct TileContent {
    uint16_t flags;
    int16_t bottom;
    int16_t top;
    int16_t height;
    CDrawItem* item;
};
// The buffer: at most kMaxContents things of a cell plus the closing entry.
constexpr int kContentBuffer = 256;
constexpr int kMaxContents = kContentBuffer - 1;

// Cell steps of the eight directions (0 north, clockwise).
constexpr int kDirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kDirY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

} // namespace Terrain

// The land height at the centre (offset 0), halfway to an edge (1) or at the edge (2) of direction d.
int GetZVal(const int8_t corners[4], bool mainDiagonal, int offset, int direction);
// Whether the (x, y) - (x+1, y+1) diagonal is the flatter one (the centre height follows it).
bool IsMainDiagonalFlatter(const int8_t corners[4]);
// Bottom z ascending, then height ascending.
bool CompareTileContents(const Terrain::TileContent& a, const Terrain::TileContent& b);
// Fills out (at most kMaxContents entries) with the contents of the cell; the count.
int CollectTileContents(Terrain::TileContent* out, int x, int y, int movementType);
// The reachable height range at the cell a step in direction d towards (x, y) leaves.
void GetStandingSurface(int& low, int& high, int x, int y, int z, int direction, int movementType);
// Whether (x, y) can be entered by a step in direction d from z; the arrival z.
bool CanWalkOnto(int x, int y, int z, int direction, int& newZ);
// The same with a given movement type.
bool CanWalkOntoAs(int x, int y, int z, int direction, int movementType, int& newZ);
// A cell's contents collected once for all the steps that leave it (a path search tries eight).
struct StandingCell {
    int movementType = 0, count = 0;
    Terrain::TileContent contents[Terrain::kContentBuffer];
};
void CollectStandingCell(StandingCell& cell, int x, int y, int movementType);
// CanWalkOntoAs for a step out of `from`, which must be the cell (x, y) minus direction's offset.
bool CanWalkOntoFrom(const StandingCell& from, int x, int y, int z, int direction, int& newZ);
// The player's movement type: ghost or body 987 1, riding the swimming mount 3, else 0.
int PlayerMovementType();

// The steps queued for the player and not yet acknowledged, for CheckWalkDirection.
struct PendingSteps {
    int facing = 0; // the player's facing when nothing is queued
    int count = 0;
    struct Step {
        int direction;
        int z;
    } steps[4] = {};
};
// The decision for the player's next step: false when nothing happens; the direction may turn into
// a slide along a free side of a diagonal.
bool CheckWalkDirection(int& direction, int& z, bool check, const PendingSteps& pending);

// The highest top at a cell (the placement preview's ground).
int GetSurfaceZAt(int x, int y);

// The drawn z while a mobile steps, with n frames per tile and k frames left.
struct StepZInput {
    int x, y, z, facing; // the current cell
    int previousX, previousY, previousZ;
    int framesPerTile, framesLeft;
    bool falling;
    int drop; // for a falling step: start z - new z
};
int ComputeStepZ(const StepZInput& in);
// The player's drawn z, and the view's scroll position from it (declared with the start-up services).
void UpdatePlayerStepZ();
