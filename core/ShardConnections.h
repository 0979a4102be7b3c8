#pragma once
// The application object's connection side: the login server list, the shard records' connections,
// the account, the sending functions of the login road and shard switching.
#include "net/PacketManager.h"

#include <cstdint>
#include <string>
#include <vector>

struct ShardRecord;

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
// The character name of the login road.
const std::string& GetCharacterName();
void SetCharacterName(const std::string& name);
// The map mask and the server-config login flag written into the client block.
void SetClientBlockInputs(uint16_t mapMask, uint8_t serverConfigLoginFlag);
// What the character creation screens chose, sent by CreateCharacter.
void SetCreationChoices(const PacketManager::CreationChoices& choices, const std::string& password);
// The game login was queued on the game server's connection.
bool IsGameLoginSent();

// The 30-byte block sent inside the play and create packets; byte 14 is the first creation byte for
// a new character.
void BuildClientBlock(uint8_t block[30], bool newCharacter);

bool ConnectToLoginServer();
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
