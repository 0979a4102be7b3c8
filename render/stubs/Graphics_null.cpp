// Stand-in until seated mobiles and light are built: their start-ups only log.
#include "core/QVReport.h"
#include "render/RenderStandIns.h"

namespace SkipDrawHandler {
void startup() {
    QVReport::message("SkipDrawHandler::startup: begin.\n");
}
} // namespace SkipDrawHandler

namespace thelightthingie {
void startup() {
    QVReport::message("thelightthingie::startup: begin.\n");
}
void shutdown() {
    QVReport::message("thelightthingie::shutdown: begin.\n");
}
} // namespace thelightthingie
