// Stand-in until the server-kept configuration files are built: the server keeps none.
#include "core/StartupServices.h"

namespace CServerConfigSync {
bool IsEnabled() {
    return false;
}
void CheckFiles(bool) {}
CGump* GetGump() {
    return nullptr;
}
} // namespace CServerConfigSync
