#include "core/ShardRecord.h"

#include <algorithm>
#include <strings.h>

namespace {

struct ShardListState {
    std::vector<ShardRecord*> records;
    ShardRecord* current = nullptr;
    int nextId = 1;
};
ShardListState g_shards;

} // namespace

ShardRecord::ShardRecord() = default;
ShardRecord::~ShardRecord() = default;

namespace CApp {

const std::vector<ShardRecord*>& ShardRecords() {
    return g_shards.records;
}

ShardRecord* AddShardRecord() {
    auto* record = new ShardRecord;
    record->id = g_shards.nextId++;
    if (g_shards.nextId <= 0) g_shards.nextId = 1;
    g_shards.records.push_back(record);
    return record;
}

void RemoveShardRecord(ShardRecord* record) {
    auto it = std::find(g_shards.records.begin(), g_shards.records.end(), record);
    if (it == g_shards.records.end()) return;
    g_shards.records.erase(it);
    if (g_shards.current == record) g_shards.current = nullptr;
    delete record;
}

ShardRecord* FindShardRecord(int id) {
    for (ShardRecord* record : g_shards.records)
        if (record->id == id) return record;
    return nullptr;
}

ShardRecord* FindShardRecordByConnection(const CGameSock* connection) {
    if (!connection) return nullptr;
    for (ShardRecord* record : g_shards.records)
        if (record->connection == connection) return record;
    return nullptr;
}

ShardRecord* FindShardRecordByName(const std::string& name) {
    for (ShardRecord* record : g_shards.records)
        if (strcasecmp(record->name.c_str(), name.c_str()) == 0) return record;
    return nullptr;
}

ShardRecord* GetCurrentRecord() {
    return g_shards.current;
}

void SetCurrentRecord(ShardRecord* record) {
    g_shards.current = record;
}

void ClearShardRecords() {
    for (ShardRecord* record : g_shards.records)
        delete record;
    g_shards = ShardListState{};
}

} // namespace CApp
