// Stand-in until the main window and its procedure are built: the display switch creates or
// releases the full-screen surfaces under the display lock.
#include "core/MainWindow.h"
#include "render/Display.h"

#include <mutex>

void SwitchToWindowed() {
    std::lock_guard<std::mutex> lock(DisplayLock());
    ReleaseFullScreenSurfaces();
}
void SwitchToFullScreen() {
    std::lock_guard<std::mutex> lock(DisplayLock());
    CreateFullScreenSurfaces();
}
