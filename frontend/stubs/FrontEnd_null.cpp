// Stand-in until the login front end is built: no game-room reporting, no skill names.
#include "core/QVReport.h"
#include "frontend/FrontEndStandIns.h"

void IGRCreateSessionMutex() {}

namespace QVIGR {
bool ReadRegistry() {
    return false;
}
} // namespace QVIGR

void LoadSkillNames() {
    QVReport::message("LoadSkillNames: begin.\n");
}
