#pragma once
// Where the raster code gets its bytes: items of the numbered data files (art, gump art) and the
// few whole files it reads itself ("hues.mul", "animinfo.mul").
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace RenderData {

// The shape of CDHDCache::GetCacheItem: the bytes of item id, its length and extra value; null
// with length 0 when the item does not exist.
using ItemSource = const uint8_t* (*)(int indexRow, int dataRow, int id, int& length, int& extra);

// Replaces the data-file cache as the source of items (a tool or test serving its own files);
// null restores the cache.
void SetItemSource(ItemSource source);
const uint8_t* GetItem(int indexRow, int dataRow, int id, int& length, int& extra);

// The folder the whole files are read from; empty means the file manager's installation folder
// (or the folder of "ExePath" before it starts), else the working folder.
void SetInstallFolder(std::string folder);
std::string InstallFolder();

// The file's first maxBytes bytes at most (all of it when shorter), found regardless of letter
// case; nullopt when it is missing.
std::optional<std::vector<uint8_t>> ReadFile(const std::string& name, size_t maxBytes);

void ResetForTests();

} // namespace RenderData
