// Stand-in until the data files are built: no item exists and server-sent items are dropped.
#include "core/CDHDCache.h"

namespace CDHDCache {
void startup() {}
void Init() {}
void shutdown() {}
const uint8_t* GetCacheItem(int, int, int, int& length, int& extra) {
    length = 0;
    extra = 0;
    return nullptr;
}
void AddVersionedItem(int, int, int, int, const uint8_t*, int) {}
} // namespace CDHDCache
