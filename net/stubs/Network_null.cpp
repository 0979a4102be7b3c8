// Stand-in until the connections and the network pass are built: no connection, never in the
// world.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace PacketManager {
void startup() {
    QVReport::message("PacketManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("PacketManager::shutdown: begin.\n");
}
void SendTargetCancel() {}
bool IsGameDisplayEntered() {
    return false;
}
} // namespace PacketManager

CNetInfo::CNetInfo() {
    QVReport::message("CNetInfo::CNetInfo(): begin.\n");
}
CNetInfo::~CNetInfo() = default;

void CreateGameSock() {
    QVReport::message("CreateGameSock: begin.\n");
}
void PollNetwork() {}
void ShutdownNetwork() {}
void SendKeepAlive() {}
void SetNetworkQuiet(bool) {}
