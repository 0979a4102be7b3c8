// Stand-in until the login front end is built: no game-room reporting, no credits.
#include "core/QVReport.h"
#include "frontend/FrontEndStandIns.h"

void IGRCreateSessionMutex() {}

namespace QVIGR {
bool ReadRegistry() {
    return false;
}
} // namespace QVIGR

bool IsIGRMode() {
    return false;
}
std::string IGRGetUrl() {
    return std::string();
}
void IGRRequestStopAll() {}
void IGRStopAllAndWait() {}
void ShowCredits() {
    QVReport::message("ShowCredits: no credits roll yet.\n");
}
