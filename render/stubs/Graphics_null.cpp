// Stand-in until the scene and seated mobiles are built: their start-ups only log.
#include "core/QVReport.h"
#include "render/RenderStandIns.h"

namespace DrawManager {
void startup() {
    QVReport::message("DrawManager::startup: begin.\n");
}
} // namespace DrawManager

namespace SkipDrawHandler {
void startup() {
    QVReport::message("SkipDrawHandler::startup: begin.\n");
}
} // namespace SkipDrawHandler
