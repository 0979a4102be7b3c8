// Stand-in until the scene and light are built: their start-ups only log.
#include "core/QVReport.h"
#include "render/RenderStandIns.h"

namespace DrawManager {
void startup() {
    QVReport::message("DrawManager::startup: begin.\n");
}
} // namespace DrawManager

namespace thelightthingie {
void startup() {
    QVReport::message("thelightthingie::startup: begin.\n");
}
void shutdown() {
    QVReport::message("thelightthingie::shutdown: begin.\n");
}
} // namespace thelightthingie
