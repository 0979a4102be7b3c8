// Stand-in until the scene is built: its start-up only logs.
#include "core/QVReport.h"
#include "render/RenderStandIns.h"

namespace DrawManager {
void startup() {
    QVReport::message("DrawManager::startup: begin.\n");
}
} // namespace DrawManager

