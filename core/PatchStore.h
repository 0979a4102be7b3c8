#pragma once
// Server-sent items (art from an edit server, multi lists, skill entries) kept for later runs in
// the player's own folder instead of the installation, which may be read-only and is shared: one
// file per item in "patches/" below platform::UserDataDir(), each written atomically, so an
// interruption leaves the old item or the new one, never half of one. The data-file cache consults
// the store before the other patches.
//
// A file: "QVP1", i32 extra, i32 length (0: the item was removed), then length bytes; all
// little-endian. Named "<data file>-<id>.patch" ("art.mul-16385.patch").
#include <cstdint>
#include <string>
#include <vector>

namespace PatchStore {

struct Item {
    int extra = 0;
    std::vector<uint8_t> bytes; // empty: the item does not exist
};

// The folder of the store, and the file of one item.
std::string Folder();
std::string ItemPath(const char* dataFileName, int id);

// Reads every item file of the store for the given data files (index = data row; empty names are
// skipped). Files that are malformed are logged and ignored.
void Load(const std::vector<std::string>& dataFileNames);
void Clear();

// Writes the item and keeps it; false (logged, the store unchanged) when it cannot be written.
bool Store(int dataRow, const char* dataFileName, int id, int extra, const void* data, int length);
// The stored item of a data row, or null.
const Item* Find(int dataRow, int id);
size_t Count();

} // namespace PatchStore
