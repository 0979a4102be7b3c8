#pragma once
// The world tables' rows as text, as the client reads them (qvworld and its tests).
#include <cstdint>
#include <string>

namespace qvworld {

// Loads the world tables of the installation the file manager was started on: the substitution
// tables and body conversion, the English texts, tile data, regions, animated tiles, body types.
void LoadWorldTables();
// The names of the flag bits set in an item's (or a land tile's) flags, separated by blanks.
std::string ItemFlagNames(uint32_t flags);
std::string LandFlagNames(uint32_t flags);

std::string DescribeLand(int landId);
std::string DescribeItem(int graphic, int amount);
std::string DescribeAnimation(int graphic, int steps);
std::string DescribeRegion(int slot);
std::string DescribeBody(int body);

} // namespace qvworld
