#pragma once
// The map of the current facet and the view centre.
namespace MapManager {
// Width of the current facet in cells (6144 for the large facets, 2304 for the small one).
int GetMapWidth();
} // namespace MapManager
