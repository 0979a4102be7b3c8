#include "core/ShardConnections.h"

#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "core/SharedServices.h"
#include "frontend/AccountLogin.h"
#include "net/CGameSock.h"
#include "net/ConnectionSeed.h"
#include "net/NetServices.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {

struct ConnectionState {
    std::vector<CApp::LoginServer> servers;
    std::vector<CApp::LoginServer> backups;
    int chosenIndex = 0;
    int chosenBackup = -1;
    uint32_t chosenAddress = 0;
    uint16_t chosenPort = 0;
    bool hasChosen = false;

    std::string accountName;
    std::string accountPassword;
    uint8_t nextLoginKey = 0;
    uint32_t loginCount = 0;
    std::string characterName = "QV Player";
    uint16_t mapMask = 0;
    uint8_t serverConfigLoginFlag = 0;
    PacketManager::CreationChoices choices;
    std::string creationPassword;
    bool gameLoginSent = false;
};
ConnectionState g_app;

constexpr int kGameServerAttempts = 3;
const char* const kCannotAttach =
    "The client could not attach to the game server. It must have been taken down, "
    "please wait a few minutes and try again.";

void ChooseEntry(const CApp::LoginServer& entry) {
    g_app.chosenAddress = platform::ResolveHostIPv4(entry.host).value_or(0);
    g_app.chosenPort = entry.port;
    g_app.hasChosen = true;
    if (g_app.chosenAddress == 0)
        QVReport::warning("ChooseServer: the login server \"%s\" cannot be found.\n", entry.host.c_str());
}

void QueueGameLogin(CClientSock* connection) {
    uint8_t buffer[65];
    PacketWriter packet(buffer);
    PacketManager::SendGameLogin(packet, GetConnectionSeed(), g_app.accountName.c_str(),
                                 g_app.accountPassword.c_str());
    connection->Send(packet);
}

void SaveLoginCount() {
    char text[16];
    std::snprintf(text, sizeof text, "%u", g_app.loginCount);
    GetNetServices().saveMainConfigDirective("ClientLogin", text);
}

} // namespace

uint32_t ChooseServer(bool backup) {
    QVReport::message("File:%s, Function:ChooseServer: begin.\n", "multcli");
    EnsureGameSock();
    if (CGameSock* current = GetCurrentConnection()) current->SetSeedVariant(false);
    g_app.hasChosen = false;

    if (IsEditServerConfigured()) {
        g_app.chosenAddress = GetEditServerAddress();
        g_app.chosenPort = GetEditServerPort();
        g_app.hasChosen = true;
        return g_app.chosenAddress;
    }
    if (backup) {
        if (g_app.chosenBackup >= 0 && g_app.chosenBackup < static_cast<int>(g_app.backups.size()))
            ChooseEntry(g_app.backups[static_cast<size_t>(g_app.chosenBackup)]);
        return g_app.chosenAddress;
    }
    if (g_app.servers.empty()) QVReport::plain("ChooseServer: no login server is listed in \"login.cfg\".\n");
    if (g_app.chosenIndex >= 0 && g_app.chosenIndex < static_cast<int>(g_app.servers.size()))
        ChooseEntry(g_app.servers[static_cast<size_t>(g_app.chosenIndex)]);
    return g_app.chosenAddress;
}

namespace CApp {

void SetLoginServers(const std::vector<LoginServer>& servers) {
    g_app.servers = servers;
}
const std::vector<LoginServer>& GetLoginServers() {
    return g_app.servers;
}
void SetBackupLoginServers(const std::vector<LoginServer>& servers) {
    g_app.backups = servers;
}
void SetChosenServerIndex(int index) {
    g_app.chosenIndex = index;
}
int GetChosenServerIndex() {
    return g_app.chosenIndex;
}
void SetChosenBackupIndex(int index) {
    g_app.chosenBackup = index;
}
uint32_t GetChosenAddress() {
    return g_app.chosenAddress;
}
uint16_t GetChosenPort() {
    return g_app.chosenPort;
}
bool HasChosenServer() {
    return g_app.hasChosen;
}

void SetAccount(const std::string& name, const std::string& password) {
    g_app.accountName = name;
    g_app.accountPassword = password;
}
const std::string& GetAccountName() {
    return g_app.accountName;
}
const std::string& GetAccountPassword() {
    return g_app.accountPassword;
}
uint8_t GetNextLoginKey() {
    return g_app.nextLoginKey;
}
void SetNextLoginKey(uint8_t key) {
    g_app.nextLoginKey = key;
}
uint32_t GetLoginCount() {
    return g_app.loginCount;
}
void SetLoginCount(uint32_t count) {
    g_app.loginCount = count;
}
const std::string& GetCharacterName() {
    return g_app.characterName;
}
void SetCharacterName(const std::string& name) {
    g_app.characterName = name;
}
void SetClientBlockInputs(uint16_t mapMask, uint8_t serverConfigLoginFlag) {
    g_app.mapMask = mapMask;
    g_app.serverConfigLoginFlag = serverConfigLoginFlag;
}
void SetCreationChoices(const PacketManager::CreationChoices& choices, const std::string& password) {
    g_app.choices = choices;
    g_app.creationPassword = password;
}
bool IsGameLoginSent() {
    return g_app.gameLoginSent;
}

void BuildClientBlock(uint8_t block[30], bool newCharacter) {
    std::memset(block, 0, 30);
    block[5] = static_cast<uint8_t>(g_app.mapMask);
    block[6] = static_cast<uint8_t>(g_app.mapMask >> 8);
    block[9] = g_app.serverConfigLoginFlag;
    block[10] = static_cast<uint8_t>(g_app.loginCount >> 24);
    block[11] = static_cast<uint8_t>(g_app.loginCount >> 16);
    block[12] = static_cast<uint8_t>(g_app.loginCount >> 8);
    block[13] = static_cast<uint8_t>(g_app.loginCount);
    if (newCharacter) block[14] = g_app.choices.bytes[0];
}

bool ConnectToLoginServer() {
    SetLostConnectionWatch(true);
    if (HasOpenConnection()) return true;

    SeedRandom(platform::TickCount());
    const int count = static_cast<int>(g_app.servers.size());
    int index = count > 0 ? RandomBelow(count) : 0;
    CGameSock* connection = CreateGameSock();
    if (!connection) return false;
    // The first server tried is tried once more at the end.
    for (int attempt = 0; attempt <= count; ++attempt) {
        g_app.chosenIndex = index;
        ChooseServer(false);
        if (g_app.hasChosen && connection->Connect(g_app.chosenAddress, g_app.chosenPort)) {
            connection->SetSecondaryShard(false);
            connection->SetLoggedIn(false);
            connection->SetGameMode(false);
            ShardRecord* record = AddShardRecord();
            record->connection = connection;
            SetCurrentRecord(record);
            SetCurrentConnection(connection);
            return true;
        }
        QVReport::message("CApp::ConnectToLoginServer: no answer from login server %d.\n", index);
        if (count > 0) index = (index + 1) % count;
    }
    return false;
}

void ConnectToGameServer(uint32_t address, uint16_t port) {
    NetServices& services = GetNetServices();
    ShardRecord* record = GetActiveShardRecord();
    if (!record) record = GetCurrentRecord();
    const std::string shardName = record ? record->name : std::string();
    char text[256];

    if (address == 0) {
        std::snprintf(text, sizeof text, "%s is full.", shardName.c_str());
        services.showSystemMessage(0, 3, text);
        // The client ends this connection itself: its close is no lost connection.
        if (!record || record->connection == GetCurrentConnection()) SetLostConnectionWatch(false);
        if (record && record->connection) record->connection->Close();
        return;
    }

    if (record && record->connection && record->connection->IsSecondaryShard()) {
        CGameSock* old = record->connection;
        old->Close();
        QueueSocketForDeletion(old);
        auto* connection = new CGameSock;
        connection->SetSecondaryShard(true);
        connection->SetSeedVariant(true);
        connection->SetGameMode(true);
        record->connection = connection;
        if (GetCurrentConnection() == old) SetCurrentConnection(connection);
        connection->Connect(address, port);
        QueueGameLogin(connection);
        std::snprintf(text, sizeof text, "Logging into %s.", shardName.c_str());
        services.showSystemMessage(0, 3, text);
        return;
    }

    services.setWindowTitle("Connecting...");
    CGameSock* current = GetCurrentConnection();
    // Only a relay to the very server this connection is on (on this machine) keeps the connection.
    const bool keep = current && current->CSocket::IsOpen() && address == GetLocalAddress() &&
                      current->PeerAddress() == address && current->PeerPort() == port;
    if (!keep) {
        const bool secondary = current && current->IsSecondaryShard();
        const bool loggedIn = current && current->IsLoggedIn();
        Disconnect();
        if (current) {
            current->SetSecondaryShard(secondary);
            current->SetLoggedIn(loggedIn);
        }
        bool connected = false;
        for (int attempt = 0; attempt < kGameServerAttempts && !connected; ++attempt) {
            SetGameSeedVariant(true);
            connected = ConnectGameSock(address, port) != 0;
        }
        if (!connected) {
            services.deleteWaitingGump();
            services.showModalMessage(MessageOwner::None, kCannotAttach, 1, 0);
            Disconnect();
            SetLostConnectionWatch(false);
            g_app.gameLoginSent = false;
            services.setLogoutReturn();
            return;
        }
        if (record && record->connection) SetCurrentConnection(record->connection);
    }
    // Switched before the game login is queued, so that it goes out under the game cipher.
    SetGameMode(true);
    SetGameSeedVariant(true);
    if (CGameSock* connection = GetCurrentConnection()) QueueGameLogin(connection);
    g_app.gameLoginSent = true;
    SetGameMode(true);
}

void VerifyAccount(const char* name, const char* password, uint8_t key) {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Verifying Account... ", true);
    g_app.accountName = name ? name : "";
    g_app.accountPassword = password ? password : "";
    EnsureGameSock();
    SubmitAccountLogin(GetCurrentConnection(), g_app.accountName.c_str(), g_app.accountPassword.c_str(), key);
}

void EnterWorld(const char* name, int, int slot) {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Entering Veldaria...", true);
    if (name) g_app.characterName = name;
    uint8_t block[30];
    BuildClientBlock(block, false);
    ++g_app.loginCount;
    SaveLoginCount();
    uint8_t buffer[73];
    PacketWriter packet(buffer);
    PacketManager::SendPlayCharacter(packet, g_app.characterName.c_str(), block, static_cast<uint32_t>(slot));
    SendPacket(packet);
    services.setAllowWindowResize(true);
}

void CreateCharacter() {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Creating character... ", false);
    services.resetTextStyle();
    g_app.serverConfigLoginFlag = 1;
    uint8_t block[30];
    BuildClientBlock(block, true);
    ++g_app.loginCount;
    SaveLoginCount();
    uint8_t buffer[104];
    PacketWriter packet(buffer);
    PacketManager::SendCreateCharacter(packet, g_app.characterName.c_str(), g_app.creationPassword.c_str(),
                                       g_app.choices);
    SendPacket(packet);
}

void ConnectToShard(const char* name, int selectionId) {
    const std::string shard = name ? name : "";
    if (ShardRecord* existing = FindShardRecordByName(shard)) {
        GetNetServices().showSystemMessage(0, 3, "You are already connected to that shard!");
        if (selectionId == -1) return;
        existing->serverIndex = selectionId;
        if (existing != GetCurrentRecord()) {
            ReleaseWorldObjects();
            SwitchToShard(existing);
        }
        return;
    }
    auto* connection = new CGameSock;
    connection->SetSecondaryShard(true);
    connection->SetLoggedIn(false);
    connection->SetGameMode(false);
    ShardRecord* record = AddShardRecord();
    record->name = shard;
    record->connection = connection;
    record->playerSerial = 0xFFFFFFFF;
    record->saved.updateRange = 18;
    record->serverIndex = selectionId;
    if (!connection->Connect(g_app.chosenAddress, g_app.chosenPort))
        QVReport::message("CApp::ConnectToShard: the login server does not answer for %s.\n", shard.c_str());
    SubmitAccountLogin(connection, g_app.accountName.c_str(), g_app.accountPassword.c_str(),
                       g_app.nextLoginKey);
}

void ConnectToShardByName(const char* name) {
    ConnectToShard(name, -1);
}

int SelectShard(int id) {
    if (id == -1) id = ShowShardMenu(true);
    ShardRecord* record = FindShardRecord(id);
    if (record && record->connection != GetCurrentConnection()) {
        ReleaseWorldObjects();
        SwitchToShard(record);
    }
    return id;
}

void MarkShardForDisconnect() {
    if (ShardRecord* record = FindShardRecord(ShowShardMenu(false))) record->closeRequest = 1;
}

int ShowShardMenu(bool greyCurrent) {
    SaveShardState();
    const CGameSock* current = GetCurrentConnection();
    const bool connecting = !current || !current->IsLoggedIn();
    std::vector<ShardMenuEntry> entries;
    for (ShardRecord* record : ShardRecords()) {
        ShardMenuEntry entry;
        entry.text = record->name;
        entry.command = record->id;
        entry.greyed = greyCurrent && record->connection == current;
        if (connecting) {
            entry.greyed = true;
            entry.text += " (connecting)";
        }
        entries.push_back(entry);
    }
    return GetNetServices().showShardMenu(entries);
}

void SaveShardState() {
    for (ShardRecord* record : ShardRecords()) {
        if (record->connection && record->connection == GetCurrentConnection()) {
            GetNetServices().readPlayerState(record->saved);
            return;
        }
    }
}

void SwitchToShard(ShardRecord* record) {
    if (!record) return;
    NetServices& services = GetNetServices();
    services.showSystemMessage(0, 3, "Switching server!");
    DebugTrace("multcli", __LINE__, "Switching Server!\n");
    SetCurrentConnection(record->connection);
    SetCurrentRecord(record);
    services.restorePlayerState(record->saved, record->playerSerial);
    char text[96];
    std::snprintf(text, sizeof text, "=tp (%d %d %d)", record->saved.x, record->saved.y, record->saved.z);
    services.sendSpeech(text);
    char title[64];
    std::snprintf(title, sizeof title, "%s (%s)", g_app.accountName.c_str(), record->name.c_str());
    services.setWindowTitle(title);
}

void ReleaseWorldObjects() {
    GetNetServices().releaseWorldObjects();
}

void ResetConnectionsForTests() {
    g_app = ConnectionState{};
}

} // namespace CApp
