// Stand-in until the scene, the gumps' drawing and the display surfaces are built: a frame is the
// back buffer as it is, and full screen is asked of the platform at 640 x 480.
#include "core/QVReport.h"
#include "core/StartupServices.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"

namespace GraphicManager {
void startup() {
    QVReport::message("GraphicManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("GraphicManager::shutdown: begin.\n");
}
void DrawFrame() {
    if (!BackBuffer::Pixels()) BackBuffer::Resize(GetScreenWidth(), GetScreenHeight());
    platform::PresentFrame(BackBuffer::Pixels(), BackBuffer::Width(), BackBuffer::Height(),
                           BackBuffer::RingOffset());
}
void CreateInitialGumps() {
    QVReport::message("GraphicManager::CreateInitialGumps: begin.\n");
}
} // namespace GraphicManager

namespace DrawManager {
void ClearDrawTable() {}
void startup() {
    QVReport::message("DrawManager::startup: begin.\n");
}
} // namespace DrawManager

namespace SkipDrawHandler {
void startup() {
    QVReport::message("SkipDrawHandler::startup: begin.\n");
}
} // namespace SkipDrawHandler

namespace HueManager {
void startup() {
    QVReport::message("HueManager::startup: begin.\n");
}
} // namespace HueManager

namespace thelightthingie {
void startup() {
    QVReport::message("thelightthingie::startup: begin.\n");
}
void shutdown() {
    QVReport::message("thelightthingie::shutdown: begin.\n");
}
} // namespace thelightthingie

void CreateFullScreenSurfaces() {
    platform::SetFullScreen(true, 640, 480);
}
void ReleaseFullScreenSurfaces() {}
void InvalidateAll() {}
