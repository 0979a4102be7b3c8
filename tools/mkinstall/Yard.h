#pragma once
// The yard by the demo start (1500, 1600): a house with an upper floor and a roof the player can
// walk into, a tree of four cells, a hill of sloped textured cells rising above z 20, the land
// tiles that winter replaces, plants that the seasons replace, coins and a tall statue. Every
// picture it adds shows its number in the built-in glyphs on a colour of its own; the textures
// are numbered checkerboards.
#include "mkinstall/ArtFiles.h"
#include "mkinstall/Landscape.h"
#include "mkinstall/WorldFiles.h"

#include <string>
#include <vector>

namespace mkinstall {

namespace YardItem {
constexpr int Wall = 100;
constexpr int Floor = 101;
constexpr int Roof = 102;
constexpr int Canopy = 3397; // 3397..3400: the tree's four canopy pieces
constexpr int Trunk = 3401;  // 3401..3404
constexpr int Bush = 3212;
constexpr int Plant = 3239;
constexpr int Statue = 4840;
constexpr int Chair = 2863;     // seats facing 2
constexpr int ChairBack = 4635; // seats facing 6, its back drawn over the sitter
constexpr int StreetLamp = 2560;
} // namespace YardItem

// Cells of the yard (large facet): the corner and size of its area.
constexpr int kYardX = 1490;
constexpr int kYardY = 1601;
constexpr int kYardWidth = 18;
constexpr int kYardHeight = 14;
// The hill's top cell and height.
constexpr int kYardHillX = 1494;
constexpr int kYardHillY = 1611;
constexpr int kYardHillTop = 24;
// Where the player stands inside the house, behind the tree and by the statue.
constexpr int kYardHouseX = 1503, kYardHouseY = 1603;
constexpr int kYardBehindTreeX = 1497, kYardBehindTreeY = 1604;
constexpr int kYardStatueViewX = 1499, kYardStatueViewY = 1600;
// The two chairs and the street lamp on the snow, out of the views above.
constexpr int kYardChairX = 1505, kYardChairY = 1612;
constexpr int kYardChairBackX = 1507, kYardChairBackY = 1612;
constexpr int kYardLampX = 1506, kYardLampY = 1610;

// The yard's land where it has some.
bool YardLand(int x, int y, LandCell& out);
void AppendYardStatics(std::vector<SampleStatic>& statics);
void AppendYardLandTiles(std::vector<SampleLandTile>& tiles);
void AppendYardItemTiles(std::vector<SampleItemTile>& tiles);
// The land and item pictures (also those of the landscape around it).
void AddYardArts(IndexedFile& art);
// "texidx.mul" and "texmaps.mul": textures 1 and 2 (64 x 64), 3 (128 x 128), 4 (64 x 64).
IndexedFile MakeTextureFiles();
bool WriteTextureFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
