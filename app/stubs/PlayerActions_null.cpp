// Stand-in until the application object's connection side and player actions are built: no
// targeting, always at peace.
#include "app/StartupServices.h"
#include "core/QVReport.h"

namespace CApp {
void RequestWarMode(int) {}
void SendTextCommand(int, const char*) {}
bool IsTargeting() {
    return false;
}
bool IsWarRequested() {
    return false;
}
bool IsInWarMode() {
    return false;
}
} // namespace CApp
