#pragma once
// The map as text, as the client reads it (qvworld's map commands and their tests).
#include <string>

namespace qvworld {

// Starts the data files and the map over the installation the file manager was started on; the
// world tables must be loaded. The view centre goes to (x, y) with the player placed, so that the
// land items and statics around it exist for the step test.
void StartMap();
void StopMap();
void CenterMap(int x, int y);

// Three pictures of the area: land kinds, heights and the topmost static of each cell.
std::string DescribeMap(int x, int y, int width, int height);
// A cell's contents, corners and whether each direction's step onto it from its neighbour works.
std::string DescribeCell(int x, int y);
// The A* path between two cells (z from the surface), step by step.
std::string DescribePath(int x1, int y1, int x2, int y2);
// The check table of a map file; false with a message when it cannot be read or written.
bool WriteMapCheck(const std::string& mapFile, const std::string& out, std::string& message);

} // namespace qvworld
