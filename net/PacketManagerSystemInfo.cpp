// TEMP until the hardware profile lands.
#include "net/PacketManager.h"
namespace PacketManager {
void SendSystemInfoIfChanged(bool) {}
} // namespace PacketManager
