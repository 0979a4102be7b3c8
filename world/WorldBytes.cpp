#include "world/WorldBytes.h"

#include "core/FileManager.h"

#include <cstdio>

namespace world {

bool ReadInstallationFile(const char* name, size_t maxBytes, FileBytes& out) {
    out = FileBytes{};
    std::FILE* file = FileManager::open(name, "rb");
    if (!file) return false;
    // The size first, so that a short file is read without a short-read warning of its own.
    long size = 0;
    if (FileManager::seek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    FileManager::seek(file, 0, SEEK_SET);
    size_t want = size > 0 ? static_cast<size_t>(size) : 0;
    if (want > maxBytes) want = maxBytes;
    if (want) {
        out.data.reset(new uint8_t[want]);
        out.size = FileManager::read(out.data.get(), 1, want, file);
    }
    FileManager::close(file);
    return true;
}

} // namespace world
