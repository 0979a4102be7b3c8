// Stand-in until the .def substitution tables are built: no tables, no body conversion.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace DefManager {
bool startup() {
    QVReport::message("DefManager::startup: begin.\n");
    return true;
}
void shutdown() {
    QVReport::message("DefManager::shutdown: begin.\n");
}
void LoadBodyConversion() {
    QVReport::message("DefManager::LoadBodyConversion: begin.\n");
}
} // namespace DefManager
