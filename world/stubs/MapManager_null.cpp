// Stand-in until the map is built: the first large facet.
#include "world/MapManager.h"

namespace MapManager {
int GetMapWidth() {
    return 6144;
}
} // namespace MapManager
