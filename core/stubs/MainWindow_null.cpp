// Stand-in until the main window and its procedure are built: the display switch only asks the
// platform for the windowed display.
#include "core/MainWindow.h"
#include "core/QVReport.h"
#include "platform/platform.h"

void SwitchToWindowed() {
    platform::SetFullScreen(false, 0, 0);
}
void SwitchToFullScreen() {
    QVReport::message("SwitchToFullScreen: no main window procedure yet.\n");
}
