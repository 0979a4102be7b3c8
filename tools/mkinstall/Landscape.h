#pragma once
// The sample landscape around the demo start: 8 x 8 map blocks (cells 1472..1535 x 1568..1631)
// with grass, a dirt road, a river with sandy banks, a rocky ridge and a hill of sloped textured
// cells; statics: a house (walls, door, floors, stairs, roof), trees, a lamp post and a fire; a
// difference pair for the block the road crosses the river in (a bridge); the multi files with a
// tent; and the map check table. The land and item ids are the sample world's (WorldFiles.h).
//
// "map0.mul" keeps the large facet's block numbering and is written sparse: the first kMapBlocks
// blocks as the data-file writer makes them, the landscape's blocks at their offsets, holes
// between (land 0, z 0); the statics index likewise.
#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

constexpr int kLandscapeX = 1472;
constexpr int kLandscapeY = 1568;
constexpr int kLandscapeCells = 64;
constexpr int kLargeFacetBlocksHigh = 512;
constexpr int kCheckBlockCount = 393216;
// Blocks in "map0.mul": up to the landscape's south-east corner.
constexpr int kMapFileBlocks = (kLandscapeX / 8 + kLandscapeCells / 8 - 1) * kLargeFacetBlocksHigh +
                               kLandscapeY / 8 + kLandscapeCells / 8;
// The tent's multi id; record 3 has flags 0 (shown in the preview, never built).
constexpr int kTentMulti = 1;

struct LandCell {
    int tile;
    int z;
};
// The land of a cell of the large facet as the landscape writes it: grass at z 0 beyond the
// landscape's blocks (inside the file) and land 0 in the holes.
LandCell LandscapeLand(int x, int y);
// With the bridge's difference block in place of the base block.
LandCell LandscapeDiffLand(int x, int y);

struct SampleStatic {
    int graphic;
    int x, y, z; // cells of the large facet
    int hue;
};
const std::vector<SampleStatic>& LandscapeStatics();
// The bridge block's statics in the difference files (the base statics of the block plus planks).
const std::vector<SampleStatic>& BridgeStatics();
// The block the difference pair replaces.
int BridgeBlock();

// The 196 bytes of a block as the map file holds it.
std::string LandscapeBlock(int block);

// Writes "map0.mul", "staidx0.mul"/"statics0.mul", the difference pair of set 0 ("mapdifl0.mul",
// "mapdif0.mul", "stadifl0.mul", "stadifi0.mul", "stadif0.mul"), "multi.idx"/"multi.mul" and
// "mapcheck.bin".
bool WriteLandscape(const std::string& dir, std::string* error);

} // namespace mkinstall
