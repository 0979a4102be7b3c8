#pragma once
// The numbered data files the client opens at start-up, the nine .def substitution tables and
// "bodyconv.def", small and well formed. Index records are -1 except for the items listed here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mkinstall {

// Writes every file that is not already in dir (another writer's fuller file is kept).
bool WriteDataFiles(const std::string& dir, std::string* error);

// One item of an index/data pair: present items get their bytes and extra value, missing ones -1.
struct IndexedItem {
    std::optional<std::string> bytes;
    int32_t extra = 0;
};
// Writes an index file of 12-byte records {offset, length, extra} and its data file (replacing both).
bool WriteIndexedFiles(const std::string& dir, const std::string& indexName, const std::string& dataName,
                       const std::vector<IndexedItem>& items, std::string* error);
// Little-endian 32-bit values, as the data files store them.
std::string LittleEndian32(int32_t value);

// What the written files hold.
constexpr int kMapBlocks = 64;         // "map0.mul": block b has header b and every cell land tile 3, z 0
constexpr int kSkillCount = 49;        // "skills.idx"/"skills.mul": {use-button flag, name, 0}
constexpr int kEmptyIndexRecords = 16; // the other index files: records of missing items
const char* SkillName(int skill);
bool SkillHasButton(int skill);
// The expected bytes of skill entry i.
std::string SkillEntry(int skill);
// The expected bytes of map block b.
std::string MapBlock(int block);

} // namespace mkinstall
