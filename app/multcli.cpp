#include "app/multcli.h"
#include "gumps/Sequence.h"

#include "app/DesktopBinding.h"
#include "app/FrameStep.h"
#include "app/IntroMovie.h"
#include "app/MainWindow.h"
#include "app/PlayerActions.h"
#include "app/ServerConfigBinding.h"
#include "app/SpeechQueue.h"
#include "app/StartupServices.h"
#include "app/WebBrowser.h"
#include "core/CharData.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "core/SharedServices.h"
#include "core/config.h"
#include "frontend/FrontEnd.h"
#include "frontend/FrontEndBinding.h"
#include "frontend/igr.h"
#include "gumps/ServerWindowsBinding.h"
#include "net/CGameSock.h"
#include "net/ConnectionSeed.h"
#include "net/NetServices.h"
#include "platform/platform.h"
#include "text/FilterLists.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace CApp {

const char* const kInstallKey = FileManager::kInstallKey;
const char* const kInstallKeyFallback = FileManager::kLaterInstallKey;

namespace {

constexpr size_t kMaxExePath = 260;
constexpr int kDefaultHue = 995;
constexpr int kDefaultFont = 3;
constexpr const char* kNotInstalled =
    "Varnis Online does not appear to be installed correctly on your system.\n\nPlease re-install QV by "
    "running the setup.exe program located on your QV CD-ROM";

struct AppState {
    bool startupRan = false;
    bool started = false;
    std::string name;
    std::string shardName;
    int speechFont = 0;
    int emoteFont = 0;
    uint32_t playerSerial = 0;
    uint32_t mapMask = 0;
    int frameInterval = 50;
    std::string clientFolder;
    CInputWindow* inputWindow = nullptr;
};

AppState& A() {
    static AppState state;
    return state;
}

// The login road's server lists as the login server file gave them.
std::vector<LoginServer> ToLoginServers(const std::vector<LoginServerEntry>& entries) {
    std::vector<LoginServer> out;
    for (const LoginServerEntry& e : entries) {
        LoginServer server;
        if (e.numeric) {
            char dotted[16];
            std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", e.address >> 24, (e.address >> 16) & 0xFF,
                          (e.address >> 8) & 0xFF, e.address & 0xFF);
            server.host = dotted;
            server.port = e.port;
        } else {
            size_t comma = e.host.rfind(',');
            server.host = e.host.substr(0, comma);
            long port = comma == std::string::npos ? 0 : std::strtol(e.host.c_str() + comma + 1, nullptr, 10);
            if (port <= 0 || port > 65535) continue; // the reader already refused such lines
            server.port = static_cast<uint16_t>(port);
        }
        out.push_back(server);
    }
    return out;
}

void TakeLoginServersFromConfig() {
    const LoginServerLists& lists = GetLoginServerLists();
    SetLoginServers(ToLoginServers(lists.login));
    SetBackupLoginServers(ToLoginServers(lists.backup));
    if (lists.chosen >= 0) SetChosenServerIndex(lists.chosen);
    if (lists.chosenBackup >= 0) SetChosenBackupIndex(lists.chosenBackup);
}

void ShowNotInstalled() {
    platform::ShowMessageBox(kNotInstalled, "ERROR", platform::BoxIcon::Error);
}

uint32_t ProbeMaps(const std::string& folder) {
    uint32_t mask = 0;
    for (unsigned u = 0; u < 16; ++u) {
        if (u == 1) continue; // the second facet shares "map0.mul"
        char name[16];
        std::snprintf(name, sizeof name, "map%u.mul", u);
        if (platform::FindPathIgnoringCase(folder + name)) mask |= 1u << u;
    }
    if (mask & 1u) mask |= 2u;
    return mask;
}

} // namespace

void startup() {
    AppState& a = A();
    if (a.startupRan) return;
    a.startupRan = true;
    std::set_new_handler([] { OutOfMemoryHandler(); });

    CdRomDataPath.clear();
    CacheSize = 0;
    Password.clear();
    a.name = "QV Player";
    PartyMessageHue = kDefaultHue;
    a.speechFont = a.emoteFont = kDefaultFont;
    SetGameClock(0, 0, 0);
    a.playerSerial = 0;
    a.frameInterval = 50;

    if (!FileManager::FindInstallKey()) {
        ShowNotInstalled();
        return;
    }
    DefManager::LoadBodyConversion();

    std::optional<std::string> exePath = FileManager::ReadInstallValue("ExePath");
    if (!exePath || exePath->size() > kMaxExePath) {
        ShowNotInstalled();
        return;
    }
    QVIGR::ReadRegistry();
    a.clientFolder = FileManager::FolderOfExePath(*exePath);
    readConfig(ConfigFiles::kMainFile, true);
    readConfig(GetLoginServerFile(), false);
    TakeLoginServersFromConfig();

    LoadCharData();
    LoadMacros();
    LoadSpeechKeywords();
    ResetSpeechBudget(GetGameTicks());
    a.mapMask = ProbeMaps(a.clientFolder);
    a.started = true;
}

void shutdown() {
    QVReport::message("CApp::shutdown: begin.\n");
    if (!A().started) return;
    FreeSpeechKeywords();
    FreeFilterLists();
    FreeMacros();
}

bool IsStarted() {
    return A().started;
}

uint32_t GetMapMask() {
    return A().mapMask;
}

const std::string& GetClientFolder() {
    return A().clientFolder;
}

const std::string& GetName() {
    return A().name;
}

void SetName(std::string_view name) {
    A().name = std::string(name);
}

const std::string& GetShardName() {
    return A().shardName;
}

void SetShardName(std::string_view name) {
    A().shardName = std::string(name);
}

uint32_t GetPlayerSerial() {
    return A().playerSerial;
}

void SetPlayerSerial(uint32_t serial) {
    A().playerSerial = serial;
}

int GetFrameInterval() {
    return A().frameInterval;
}

CInputWindow* GetInputWindow() {
    return A().inputWindow;
}

void SetInputWindow(CInputWindow* window) {
    A().inputWindow = window;
}

void ResetForTests() {
    A() = AppState{};
}

} // namespace CApp

// ---------------------------------------------------------------- connections and shard records

namespace CApp {
namespace {

struct ConnectionState {
    std::vector<CApp::LoginServer> servers;
    std::vector<CApp::LoginServer> backups;
    int chosenIndex = 0;
    int chosenBackup = -1;
    uint32_t chosenAddress = 0;
    uint16_t chosenPort = 0;
    bool hasChosen = false;

    uint8_t nextLoginKey = 0;
    uint32_t loginCount = 0;
    PacketManager::CreationChoices choices;
    std::string creationPassword;
    bool gameLoginSent = false;

    // The login servers' connect under way: the index tried, the attempts left, who waits.
    int loginIndex = 0;
    int loginAttemptsLeft = 0;
    std::vector<LoginConnectDone> loginWaiters;
    // The game server's connect under way: the attempt (1-3) and the record it is for.
    int gameAttempt = 0;
    int gameRecordId = 0;
};
ConnectionState g_app;

constexpr int kGameServerAttempts = 3;
const char* const kCannotAttach =
    "The client could not attach to the game server. It must have been taken down, "
    "please wait a few minutes and try again.";
const char* const kCannotConnect = "Couldn't connect to Varnis Online.  Please try again in a few moments.";

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
    PacketManager::SendGameLogin(packet, GetConnectionSeed(), AcctID.c_str(), AcctPassword.c_str());
    connection->Send(packet);
}

void SaveLoginCount() {
    char text[16];
    std::snprintf(text, sizeof text, "%u", g_app.loginCount);
    GetNetServices().saveMainConfigDirective("ClientLogin", text);
}

} // namespace

} // namespace CApp

uint32_t ChooseServer(bool backup) {
    QVReport::message("File:%s, Function:ChooseServer: begin.\n", "multcli");
    EnsureGameSock();
    if (CGameSock* current = GetCurrentConnection()) current->SetSeedVariant(false);
    CApp::g_app.hasChosen = false;

    if (IsEditServerConfigured()) {
        CApp::g_app.chosenAddress = GetEditServerAddress();
        CApp::g_app.chosenPort = GetEditServerPort();
        CApp::g_app.hasChosen = true;
        return CApp::g_app.chosenAddress;
    }
    if (backup) {
        if (CApp::g_app.chosenBackup >= 0 &&
            CApp::g_app.chosenBackup < static_cast<int>(CApp::g_app.backups.size()))
            CApp::ChooseEntry(CApp::g_app.backups[static_cast<size_t>(CApp::g_app.chosenBackup)]);
        return CApp::g_app.chosenAddress;
    }
    if (CApp::g_app.servers.empty())
        QVReport::plain("ChooseServer: no login server is listed in \"login.cfg\".\n");
    if (CApp::g_app.chosenIndex >= 0 &&
        CApp::g_app.chosenIndex < static_cast<int>(CApp::g_app.servers.size()))
        CApp::ChooseEntry(CApp::g_app.servers[static_cast<size_t>(CApp::g_app.chosenIndex)]);
    return CApp::g_app.chosenAddress;
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
    AcctID = name;
    AcctPassword = password;
}
const std::string& GetAccountName() {
    return AcctID;
}
const std::string& GetAccountPassword() {
    return AcctPassword;
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
// One store for the flag: the sync answers received files by it, the login block carries it.
void SetServerConfigLoginFlag(uint8_t flag) {
    CServerConfigSync::SetLoginFlag(flag);
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
    block[5] = static_cast<uint8_t>(A().mapMask);
    block[6] = static_cast<uint8_t>(A().mapMask >> 8);
    block[9] = CServerConfigSync::GetLoginFlag();
    block[10] = static_cast<uint8_t>(g_app.loginCount >> 24);
    block[11] = static_cast<uint8_t>(g_app.loginCount >> 16);
    block[12] = static_cast<uint8_t>(g_app.loginCount >> 8);
    block[13] = static_cast<uint8_t>(g_app.loginCount);
    if (newCharacter) block[14] = g_app.choices.profession;
}

namespace {

void EndLoginConnect(bool connected) {
    std::vector<LoginConnectDone> waiters;
    waiters.swap(g_app.loginWaiters);
    for (LoginConnectDone& done : waiters)
        if (done) done(connected);
}

// Drops a record whose connection never connected; the pass may be serving it.
void DropRecord(ShardRecord* record) {
    if (!record) return;
    if (GetActiveShardRecord() == record) SetActiveShardRecord(nullptr);
    if (GetCurrentRecord() == record) SetCurrentRecord(nullptr);
    RemoveShardRecord(record);
}

void TryNextLoginServer(CGameSock& connection);

void OnLoginServerConnect(CGameSock& connection, bool connected) {
    if (connected) {
        connection.SetSecondaryShard(false);
        connection.SetLoggedIn(false);
        connection.SetGameMode(false);
        EndLoginConnect(true);
        return;
    }
    QVReport::message("CApp::ConnectToLoginServer: no answer from login server %d.\n", g_app.loginIndex);
    const int count = static_cast<int>(g_app.servers.size());
    if (count > 0) g_app.loginIndex = (g_app.loginIndex + 1) % count;
    TryNextLoginServer(connection);
}

// Starts the connect to the next login server to try; once every attempt failed, the record goes and
// the waiters hear it.
void TryNextLoginServer(CGameSock& connection) {
    const int count = static_cast<int>(g_app.servers.size());
    while (g_app.loginAttemptsLeft-- > 0) {
        g_app.chosenIndex = g_app.loginIndex;
        ChooseServer(false);
        // What was queued meanwhile (the account login) goes to whichever server answers.
        if (g_app.hasChosen && connection.Connect(g_app.chosenAddress, g_app.chosenPort, true)) {
            connection.SetConnectDone(OnLoginServerConnect);
            return;
        }
        QVReport::message("CApp::ConnectToLoginServer: no answer from login server %d.\n", g_app.loginIndex);
        if (count > 0) g_app.loginIndex = (g_app.loginIndex + 1) % count;
    }
    DropRecord(FindShardRecordByConnection(&connection));
    EndLoginConnect(false);
}

} // namespace

bool ConnectToLoginServer(LoginConnectDone done) {
    SetLostConnectionWatch(true);
    if (HasOpenConnection()) {
        CGameSock* current = GetCurrentConnection();
        if (current->IsConnecting())
            g_app.loginWaiters.push_back(std::move(done));
        else if (done)
            done(true);
        return true;
    }

    SeedRandom(GetGameTicks());
    const int count = static_cast<int>(g_app.servers.size());
    CGameSock* connection = CreateGameSock();
    if (!connection) return false;
    // The record exists from the start so that the network pass serves the connect; it goes again
    // when no server answers.
    ShardRecord* record = AddShardRecord();
    record->connection = connection;
    SetCurrentRecord(record);
    SetCurrentConnection(connection);
    g_app.loginIndex = count > 0 ? RandomBelow(count) : 0;
    // The first server tried is tried once more at the end.
    g_app.loginAttemptsLeft = count + 1;
    g_app.loginWaiters.clear();
    g_app.loginWaiters.push_back(std::move(done));
    TryNextLoginServer(*connection);
    return FindShardRecordByConnection(connection) != nullptr;
}

namespace {

// Step 4 of the relay: the game login, on the current connection, under the game cipher.
void SendGameLoginOnCurrent() {
    // Switched before the game login is queued, so that it goes out under the game cipher.
    SetGameMode(true);
    SetGameSeedVariant(true);
    if (CGameSock* connection = GetCurrentConnection()) QueueGameLogin(connection);
    g_app.gameLoginSent = true;
    SetGameMode(true);
}

void GiveUpGameServer() {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showModalMessage(MessageOwner::None, kCannotAttach, 1, 0);
    Disconnect();
    SetLostConnectionWatch(false);
    g_app.gameLoginSent = false;
    services.setLogoutReturn();
}

void StartGameServerAttempt(uint32_t address, uint16_t port);

void OnGameServerConnect(uint32_t address, uint16_t port, bool connected) {
    if (connected) {
        ShardRecord* record = FindShardRecord(g_app.gameRecordId);
        if (record && record->connection) SetCurrentConnection(record->connection);
        SendGameLoginOnCurrent();
        return;
    }
    QVReport::message("CApp::ConnectToGameServer: attempt %d found no game server.\n", g_app.gameAttempt);
    if (g_app.gameAttempt >= kGameServerAttempts) {
        GiveUpGameServer();
        return;
    }
    ++g_app.gameAttempt;
    StartGameServerAttempt(address, port);
}

// One of the three attempts on the current connection; the pass completes it.
void StartGameServerAttempt(uint32_t address, uint16_t port) {
    SetGameSeedVariant(true);
    if (ConnectGameSock(address, port)) {
        GetCurrentConnection()->SetConnectDone(
            [address, port](CGameSock&, bool connected) { OnGameServerConnect(address, port, connected); });
        return;
    }
    OnGameServerConnect(address, port, false);
}

// An additional shard's game server did not answer: the shard goes as a lost one does.
void OnSecondaryGameServerConnect(CGameSock& connection, bool connected) {
    if (connected) return;
    GetNetServices().showSystemMessage(0, 3, kCannotAttach);
    SetActiveShardRecord(FindShardRecordByConnection(&connection));
    connection.OnError("no game server");
}

} // namespace

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
        // The game login waits in the send buffer until the connect completes.
        const bool started = connection->Connect(address, port) != 0;
        if (started) {
            connection->SetConnectDone(OnSecondaryGameServerConnect);
            QueueGameLogin(connection);
        }
        std::snprintf(text, sizeof text, "Logging into %s.", shardName.c_str());
        services.showSystemMessage(0, 3, text);
        if (!started) OnSecondaryGameServerConnect(*connection, false);
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
        // Up to three attempts, each completed by a later pass; the game login follows the one
        // that connects.
        g_app.gameAttempt = 1;
        g_app.gameRecordId = record ? record->id : 0;
        StartGameServerAttempt(address, port);
        return;
    }
    SendGameLoginOnCurrent();
}

void VerifyAccount(const char* name, const char* password, uint8_t key) {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Verifying Account... ", true);
    AcctID = name ? name : "";
    AcctPassword = password ? password : "";
    EnsureGameSock();
    SubmitAccountLogin(GetCurrentConnection(), AcctID.c_str(), AcctPassword.c_str(), key);
}

void EnterWorld(const char* name, int, int slot) {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Entering Veldaria...", true);
    if (name) A().name = name;
    uint8_t block[30];
    BuildClientBlock(block, false);
    ++g_app.loginCount;
    SaveLoginCount();
    uint8_t buffer[73];
    PacketWriter packet(buffer);
    PacketManager::SendPlayCharacter(packet, A().name.c_str(), block, static_cast<uint32_t>(slot));
    SendPacket(packet);
    AllowWindowResize = true;
}

void CreateCharacter() {
    NetServices& services = GetNetServices();
    services.deleteWaitingGump();
    services.showWaitingBox("Creating character... ", false);
    services.resetTextStyle();
    CServerConfigSync::SetLoginFlag(1);
    uint8_t block[30];
    BuildClientBlock(block, true);
    ++g_app.loginCount;
    SaveLoginCount();
    uint8_t buffer[104];
    PacketWriter packet(buffer);
    PacketManager::SendCreateCharacter(packet, A().name.c_str(), block, g_app.choices);
    SendPacket(packet);
}

namespace {

// An additional shard whose login server did not answer: the player hears it and no record stays.
void OnShardConnect(CGameSock& connection, bool connected) {
    if (connected) return;
    ShardRecord* record = FindShardRecordByConnection(&connection);
    QVReport::message("CApp::ConnectToShard: the login server does not answer for %s.\n",
                      record ? record->name.c_str() : "");
    GetNetServices().showSystemMessage(0, 3, kCannotConnect);
    EndConnection(connection);
}

} // namespace

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
    if (g_app.chosenAddress == 0 || !connection->Connect(g_app.chosenAddress, g_app.chosenPort)) {
        OnShardConnect(*connection, false);
        return;
    }
    connection->SetConnectDone(OnShardConnect);
    // The account login waits in the send buffer until the connect completes.
    SubmitAccountLogin(connection, AcctID.c_str(), AcctPassword.c_str(), g_app.nextLoginKey);
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
    SetPlayerSerial(record->playerSerial);
    services.restorePlayerState(record->saved, record->playerSerial);
    char text[96];
    std::snprintf(text, sizeof text, "=tp (%d %d %d)", record->saved.x, record->saved.y, record->saved.z);
    services.sendSpeech(text);
    char title[64];
    std::snprintf(title, sizeof title, "%s (%s)", AcctID.c_str(), record->name.c_str());
    services.setWindowTitle(title);
}

void ReleaseWorldObjects() {
    GetNetServices().releaseWorldObjects();
}

void ResetConnectionsForTests() {
    g_app = ConnectionState{};
}

} // namespace CApp

// ---------------------------------------------------------------- what the connections ask above net/
namespace {

// Entering the game display, in the windows and the display, with the saved desktop. The entry
// line, the step height and the transparency circle follow when their owners are built.
void ApplyGameDisplay() {
    GamePlayWindowSize = "640x480";
    CApp::readConfig("qv.cfg", false);
    LoadMacros();
    SetFullScreen(FullScreen);
    RestoreDesktopOnEntry();
    if (IsFullScreenMode()) {
        if (RuntimeDebugMsg) ShowSystemMessage(33, 3, "Using Full Screen Mode...");
        SwitchToWindowed();
        CApp::readConfig("qv.cfg", false);
        SwitchToFullScreen();
    } else {
        if (RuntimeDebugMsg) ShowSystemMessage(33, 3, "Using Windowed Mode...");
        CGumpManager::RecreateDC();
    }
    InvalidateAll();
}

void BindNetServices(NetServices& s) {
    s.showSystemMessage = ShowSystemMessage;
    // The owning login windows do not exist yet: the box has no owner to show again.
    s.showModalMessage = [](MessageOwner, const char* text, int mode, int value) {
        CGumpManager::ShowModalMessage(text, nullptr, mode, value);
    };
    // A value other than 0: its OK logs out.
    s.showConnectionLost = [] { CGumpManager::ShowModalMessage("Connection lost", nullptr, 1, 1); };
    s.applyGameDisplay = ApplyGameDisplay;
    s.recordSound = [](int id, int x, int y, int z) {
        return IsRecordingSequence() && RecordSoundStep(id, x, y, z);
    };
    BindFrontEndServices(s);
    BindServerWindowSlots();
    BindServerConfigFiles(s);
    BindDesktop();
    s.setMap = CApp::SetMapNumber;
    // The character list's flags reach the player's rules as well as the front end and the sync.
    s.applyClientFlags = [others = s.applyClientFlags](uint32_t flags) {
        CApp::ApplyClientFlags(flags);
        if (others) others(flags);
    };
}

// The front end's ways up to the application: the browser, the window, the intro.
void BindFrontEndHooks() {
    FrontEndHooks& hooks = FrontEndHookTable();
    hooks.openUrl = OpenURL;
    hooks.leaveFullScreen = LeaveFullScreen;
    hooks.playIntroMovie = PlayIntroMovie;
    hooks.setMainWindowPos = [](int x, int y, int width, int height) {
        if (!IsFullScreenMode()) SetMainWindowPos(x, y, width, height);
    };
}

// Bound as soon as the application is linked in, before any connection exists.
const bool g_netServicesBound = [] {
    SetNetServicesBinder(BindNetServices);
    CApp::BindWorldHooks();
    BindFrontEndHooks();
    return true;
}();

} // namespace
