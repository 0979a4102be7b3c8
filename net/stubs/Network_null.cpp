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

namespace {
bool g_gameSock = false;
}
void CreateGameSock() {
    QVReport::message("CreateGameSock: begin.\n");
    g_gameSock = true;
}
bool HasGameSock() {
    return g_gameSock;
}
void PollNetwork() {}
void ShutdownNetwork() {
    g_gameSock = false;
}
void SendKeepAlive() {}
void SetNetworkQuiet(bool) {}
