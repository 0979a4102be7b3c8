#include "render/RenderData.h"

#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>

namespace RenderData {
namespace {

struct State {
    ItemSource source = nullptr;
    std::string folder;
};
State& S() {
    static State s;
    return s;
}

} // namespace

void SetItemSource(ItemSource source) {
    S().source = source;
}

const uint8_t* GetItem(int indexRow, int dataRow, int id, int& length, int& extra) {
    length = 0;
    extra = 0;
    const uint8_t* data = S().source ? S().source(indexRow, dataRow, id, length, extra)
                                     : CDHDCache::GetCacheItem(indexRow, dataRow, id, length, extra);
    if (!data || length <= 0) {
        length = 0;
        return nullptr;
    }
    return data;
}

void SetInstallFolder(std::string folder) {
    S().folder = std::move(folder);
}

std::string InstallFolder() {
    if (!S().folder.empty()) return S().folder;
    if (FileManager::isStarted()) return FileManager::getHDPath();
    if (auto exePath = FileManager::ReadInstallValue("ExePath")) return FileManager::FolderOfExePath(*exePath);
    return ".";
}

std::optional<std::vector<uint8_t>> ReadFile(const std::string& name, size_t maxBytes) {
    auto path = platform::FindPathIgnoringCase(InstallFolder() + "/" + name);
    if (!path) return std::nullopt;
    std::FILE* file = std::fopen(path->c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[8192];
    while (bytes.size() < maxBytes) {
        size_t want = std::min(sizeof chunk, maxBytes - bytes.size());
        size_t got = std::fread(chunk, 1, want, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < want) break;
    }
    std::fclose(file);
    return bytes;
}

void ResetForTests() {
    S() = State{};
}

} // namespace RenderData
