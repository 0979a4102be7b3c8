// Stand-in until the data-file cache is built: nothing is opened.
#include "core/CDHDCache.h"
#include "core/QVReport.h"

namespace CDHDCache {
void startup() {
    QVReport::message("CDHDCache::startup: begin.\n");
}
void Init() {
    QVReport::message("CDHDCache::Init: begin.\n");
}
void shutdown() {
    QVReport::message("CDHDCache::shutdown: begin.\n");
}
} // namespace CDHDCache
