// Stand-in until the gump framework is built: no gumps, no keyboard focus.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace CGumpManager {
CGump* focusGump = nullptr;
void startup() {
    QVReport::message("CGumpManager::startup(): begin.\n");
}
void shutdown() {
    QVReport::message("CGumpManager::shutdown(): begin.\n");
}
void Update() {}
void SaveDesktop() {}
void RecreateDC() {}
void UpdateContainerQueue() {}
bool IsContainerQueueFinished() {
    return true;
}
CGump* OpenGump(CObj*, int, CGump*, bool, bool) {
    return nullptr;
}
CGump* ShowModalMessage(const char* text) {
    QVReport::message("CGumpManager::ShowModalMessage: %s\n", text ? text : "");
    return nullptr;
}
} // namespace CGumpManager

int GumpHandleKey(CGump*, int) {
    return 0;
}
bool GumpIsOptionsKeyField(CGump*, CGump**) {
    return false;
}
void GumpHandleChildChange(CGump*, CGump*) {}
bool GumpIsSingleLineInput(CGump*) {
    return false;
}
