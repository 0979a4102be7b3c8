#include "net/CGameSock.h"

#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "net/AppLink.h"
#include "net/CLatencyProbe.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kKeepAliveMs = 61000;
constexpr int kLostConnectionRepeat = 13;
constexpr uint32_t kLostConnectionPauseMs = 76;

struct NetworkState {
    CGameSock* current = nullptr;
    ShardRecord* active = nullptr;
    std::vector<CClientSock*> deletion;
    uint32_t lastKeepAlive = 0;
    bool inWorld = false;
    bool watchLostConnection = false;
    int lostConnectionCounter = 0;
    PacketObserver observer = nullptr;
};
NetworkState g_net;

void DeleteQueuedConnections() {
    std::vector<CClientSock*> queued;
    queued.swap(g_net.deletion);
    for (CClientSock* connection : queued) {
        if (connection == g_net.current) g_net.current = nullptr;
        for (ShardRecord* record : CApp::ShardRecords())
            if (record->connection == connection) record->connection = nullptr;
        delete connection;
    }
}

} // namespace

// ---------------------------------------------------------------- CGameSock

CGameSock::CGameSock() = default;

CGameSock::~CGameSock() = default;

void CGameSock::OnConnected() {
    RunConnectDone(true);
}

void CGameSock::OnConnectFailed() {
    RunConnectDone(false);
}

void CGameSock::RunConnectDone(bool connected) {
    // Taken first: the step may start another connect with a new one.
    ConnectDone done = std::move(connectDone_);
    connectDone_ = nullptr;
    if (done) done(*this, connected);
}

void CGameSock::HandlePacket(uint8_t* packet, int length) {
    if (length < 1 || !PacketHasRow(packet[0])) return;
    ShardRecord* record = CApp::FindShardRecordByConnection(this);
    g_net.active = record;
    const PacketLengthRow& row = PacketLengthTable[packet[0]];
    // A secondary shard in the game phase only keeps its login and a few housekeeping messages.
    if (this != g_net.current && IsGameMode() && !row.acceptedOnSecondary) return;
    CountReceivedPacket(packet, length);
    if (g_net.observer) g_net.observer(packet, length);
    if (!row.handler) return;
    PacketReader reader(packet, static_cast<size_t>(length));
    row.handler(*this, reader);
}

void CGameSock::OnError(const char* reason) {
    QVReport::message("CGameSock::OnError: %s\n", reason);
    NetServices& services = GetNetServices();
    ShardRecord* record = g_net.active;
    if (record && record->connection != this) record = nullptr;
    if (record) {
        if (record->connection) {
            record->connection->Close();
            QueueSocketForDeletion(record->connection);
        }
        CApp::RemoveShardRecord(record);
        g_net.active = nullptr;
        if (this != g_net.current) return;
        const std::vector<ShardRecord*>& remaining = CApp::ShardRecords();
        if (!remaining.empty()) {
            CApp::ReleaseWorldObjects();
            CApp::SwitchToShard(remaining.front());
            return;
        }
    }
    if (!g_net.watchLostConnection) return;
    if (!services.isWaitingGumpShown()) {
        services.destroyDraggedItem();
        services.showConnectionLost();
    }
    if (--g_net.lostConnectionCounter <= 0) {
        g_net.lostConnectionCounter = kLostConnectionRepeat;
        if (!PacketManager::IsGameDisplayEntered()) Disconnect();
    }
    services.drawFrame();
    services.sleep(kLostConnectionPauseMs);
}

// ---------------------------------------------------------------- the current connection

CGameSock* CreateGameSock() {
    CGameSock* previous = g_net.current;
    auto* connection = new CGameSock;
    if (previous && !CApp::FindShardRecordByConnection(previous)) QueueSocketForDeletion(previous);
    g_net.current = connection;
    return connection;
}

void EnsureGameSock() {
    if (!g_net.current) CreateGameSock();
}

CGameSock* GetCurrentConnection() {
    return g_net.current;
}

bool HasGameSock() {
    return g_net.current != nullptr;
}

void SetCurrentConnection(CGameSock* connection) {
    g_net.current = connection;
}

bool IsConnected() {
    return g_net.current && g_net.current->CSocket::IsOpen();
}

bool HasOpenConnection() {
    return IsConnected();
}

void Disconnect() {
    // A shard list without its connection is closed: its measurements end.
    CLatencyProbe::Destroy();
    if (IsConnected()) g_net.current->Close();
}

void EndConnection(CGameSock& connection) {
    if (&connection == g_net.current) {
        SetLostConnectionWatch(false);
        connection.Close();
        return;
    }
    connection.Close();
    QueueSocketForDeletion(&connection);
    if (ShardRecord* record = CApp::FindShardRecordByConnection(&connection)) {
        if (g_net.active == record) g_net.active = nullptr;
        CApp::RemoveShardRecord(record);
    }
}

void SendPacket(PacketWriter& packet) {
    if (g_net.current) g_net.current->Send(packet);
}

int ConnectGameSock(uint32_t address, uint16_t port) {
    return g_net.current ? g_net.current->Connect(address, port) : 0;
}

void SetGameMode(bool on) {
    if (g_net.current) g_net.current->SetGameMode(on);
}

void SetGameSeedVariant(bool on) {
    if (g_net.current) g_net.current->SetSeedVariant(on);
}

void RequestReconnect(uint32_t address, uint16_t port) {
    if (!g_net.active) return;
    g_net.active->relayPending = true;
    g_net.active->relayAddress = address;
    g_net.active->relayPort = port;
}

void QueueSocketForDeletion(CClientSock* connection) {
    if (!connection || IsQueuedForDeletion(connection)) return;
    g_net.deletion.push_back(connection);
}

bool IsQueuedForDeletion(const CClientSock* connection) {
    return std::find(g_net.deletion.begin(), g_net.deletion.end(), connection) != g_net.deletion.end();
}

ShardRecord* GetActiveShardRecord() {
    return g_net.active;
}

void SetActiveShardRecord(ShardRecord* record) {
    g_net.active = record;
}

void SetPacketObserver(PacketObserver observer) {
    g_net.observer = observer;
}

// ---------------------------------------------------------------- the network pass

void PollNetwork() {
    DeleteQueuedConnections();
    if (!g_net.current) CreateGameSock();
    // The walk takes a copy: a failing connection removes its own record.
    const std::vector<ShardRecord*> records = CApp::ShardRecords();
    for (ShardRecord* record : records) {
        const std::vector<ShardRecord*>& live = CApp::ShardRecords();
        if (std::find(live.begin(), live.end(), record) == live.end()) continue;
        g_net.active = record;
        if (record->closeRequest && record->connection) record->connection->Close();
        if (record->relayPending) {
            record->relayPending = false;
            CApp::ConnectToGameServer(record->relayAddress, record->relayPort);
        }
        if (g_net.active != record) break;
        if (record->connection) record->connection->Poll();
        if (g_net.active != record) break;
    }
    g_net.active = nullptr;
    GetNetServices().pollSideConnection();
}

void SendKeepAlive() {
    const uint32_t now = GetGameTicks();
    if (!g_net.inWorld && !(g_net.current && g_net.current->IsGameMode())) {
        g_net.lastKeepAlive = now;
        return;
    }
    if (TickDifference(now, g_net.lastKeepAlive) < kKeepAliveMs) return;
    g_net.lastKeepAlive = now;
    uint8_t buffer[2];
    PacketWriter packet(buffer);
    PacketManager::SendPing(packet, 0);
    SendPacket(packet);
}

void ShutdownNetwork() {
    // The probe's thread must not outlive the network.
    CLatencyProbe::Destroy();
    DeleteQueuedConnections();
    std::vector<CGameSock*> owned;
    if (g_net.current) owned.push_back(g_net.current);
    for (ShardRecord* record : CApp::ShardRecords()) {
        if (record->connection && std::find(owned.begin(), owned.end(), record->connection) == owned.end())
            owned.push_back(record->connection);
        record->connection = nullptr;
    }
    for (CGameSock* connection : owned) {
        connection->Close();
        delete connection;
    }
    g_net.current = nullptr;
    g_net.active = nullptr;
}

bool IsInWorld() {
    return g_net.inWorld;
}

void SetInWorld(bool inWorld) {
    g_net.inWorld = inWorld;
}

void SetLostConnectionWatch(bool on) {
    g_net.watchLostConnection = on;
}

bool IsWatchingLostConnection() {
    return g_net.watchLostConnection;
}

void ResetNetworkForTests() {
    SetNetworkQuiet(true);
    ShutdownNetwork();
    CApp::ClearShardRecords();
    g_net = NetworkState{};
    ResetSocketSettings();
}
