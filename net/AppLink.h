#pragma once
// What the connections and their handlers ask of the application object and the main window. The
// application (app/) defines these; they are declared here so that net/ names nothing above it.
#include "core/ShardRecord.h"
#include "net/PacketManager.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace CApp {
const std::string& GetName(); // the character name, "QV Player" at start ("PlayerName")
void SetName(std::string_view name);
void SetPlayerSerial(uint32_t serial);
// The chosen shard's name (the shard list's choice; a folder name of the per-character files).
const std::string& GetShardName();
void SetShardName(std::string_view name);
} // namespace CApp

// The main window's title.
void SetMainWindowTitle(const char* text);

// ---------------------------------------------------------------- connections and shard records
namespace CApp {

// One "LoginServer" (or "BackupLoginServer") entry: a dotted address or a host name, and a port.
struct LoginServer {
    std::string host;
    uint16_t port = 0;
};
void SetLoginServers(const std::vector<LoginServer>& servers);
const std::vector<LoginServer>& GetLoginServers();
void SetBackupLoginServers(const std::vector<LoginServer>& servers);
// The entry ChooseServer takes; -1 chooses none.
void SetChosenServerIndex(int index);
int GetChosenServerIndex();
void SetChosenBackupIndex(int index);
uint32_t GetChosenAddress();
uint16_t GetChosenPort();
// False after ChooseServer found no entry to choose.
bool HasChosenServer();

// The account of the login road ("AcctID", "AcctPassword") and the key the shard list gave.
void SetAccount(const std::string& name, const std::string& password);
const std::string& GetAccountName();
const std::string& GetAccountPassword();
uint8_t GetNextLoginKey();
void SetNextLoginKey(uint8_t key);
// "ClientLogin": how many play and create requests were made.
uint32_t GetLoginCount();
void SetLoginCount(uint32_t count);
// The server-config login flag written into the client block.
void SetServerConfigLoginFlag(uint8_t flag);
// What the character creation screens chose, sent by CreateCharacter.
void SetCreationChoices(const PacketManager::CreationChoices& choices, const std::string& password);
// The game login was queued on the game server's connection.
bool IsGameLoginSent();

// The 30-byte block sent inside the play and create packets; byte 14 is the first creation byte for
// a new character.
void BuildClientBlock(uint8_t block[30], bool newCharacter);

// Starts the connect to a login server: true while it is under way (or a connection is open), false
// when no server could even be tried. The network pass tries the servers in turn without blocking;
// done (when given) hears once whether one answered. Packets queued meanwhile leave once it does.
using LoginConnectDone = std::function<void(bool connected)>;
bool ConnectToLoginServer(LoginConnectDone done = {});
void ConnectToGameServer(uint32_t address, uint16_t port);
void VerifyAccount(const char* name, const char* password, uint8_t key);
void EnterWorld(const char* name, int ignored, int slot);
void CreateCharacter();
void ConnectToShard(const char* name, int selectionId);
void ConnectToShardByName(const char* name);
int SelectShard(int id);
void MarkShardForDisconnect();
// The chosen record's id, 0 when nothing was chosen.
int ShowShardMenu(bool greyCurrent);
void SaveShardState();
void SwitchToShard(ShardRecord* record);
void ReleaseWorldObjects();

// Back to a fresh process, for tests.
void ResetConnectionsForTests();

} // namespace CApp

// Chooses the login server to connect to and returns its address (host order); the port is
// GetChosenPort.
uint32_t ChooseServer(bool backup);
