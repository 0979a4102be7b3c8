#pragma once
// The application's shard connections: one record per shard the client is connected to, in
// creation order. One record is current: its connection receives every built packet and its world
// is the one shown. Records own their connection; a connection is deleted only through the
// network's deletion queue, at the start of a later network pass.
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CGameSock;

// The player's state kept with a shard record while another record is current.
struct PlayerShardState {
    int16_t x = 0;
    int16_t y = 0;
    int16_t z = 0;
    uint16_t map = 0;
    int season = 0;
    uint8_t facing = 0;
    uint32_t walkKeys[5] = {};
    uint8_t updateRange = 18;
};

struct ShardRecord {
    ShardRecord();
    ~ShardRecord();
    ShardRecord(const ShardRecord&) = delete;
    ShardRecord& operator=(const ShardRecord&) = delete;

    // Unique for the life of the process, never 0: the shard menu's command ids.
    int id = 0;
    std::string name; // empty for the first record until a shard is chosen
    CGameSock* connection = nullptr;
    uint32_t playerSerial = 0xFFFFFFFF;
    std::string playerName; // the character a secondary shard plays

    PlayerShardState saved;

    std::set<uint32_t> markedSerials;
    int closeRequest = 0; // the next network pass closes the connection
    int serverIndex = -1; // the selection id given to ConnectToShard; -1 for none

    // Set by the relay, consumed by the next network pass.
    bool relayPending = false;
    uint32_t relayAddress = 0;
    uint16_t relayPort = 0;
};

namespace CApp {

// The records in creation order. Callers that may remove records while walking walk a copy.
const std::vector<ShardRecord*>& ShardRecords();
// Appends a new record with a fresh id; the list owns it.
ShardRecord* AddShardRecord();
// Unlinks and frees the record (its connection is the caller's to close and queue).
void RemoveShardRecord(ShardRecord* record);
ShardRecord* FindShardRecord(int id);
ShardRecord* FindShardRecordByConnection(const CGameSock* connection);
// Compared without regard to case.
ShardRecord* FindShardRecordByName(const std::string& name);

ShardRecord* GetCurrentRecord();
void SetCurrentRecord(ShardRecord* record);

// Frees every record without touching their connections (the network's shutdown deletes those).
void ClearShardRecords();

} // namespace CApp
