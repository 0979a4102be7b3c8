#include "world/WorldBytes.h"

#include "core/FileManager.h"

#include <cstdio>

namespace world {

bool ReadInstallationFile(const char* name, size_t maxBytes, std::vector<uint8_t>& out) {
    out.clear();
    std::FILE* file = FileManager::open(name, "rb");
    if (!file) return false;
    // The size first, so that a short file is read without a short-read warning of its own.
    long size = 0;
    if (FileManager::seek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    FileManager::seek(file, 0, SEEK_SET);
    size_t want = size > 0 ? static_cast<size_t>(size) : 0;
    if (want > maxBytes) want = maxBytes;
    out.resize(want);
    size_t got = want ? FileManager::read(out.data(), 1, want, file) : 0;
    out.resize(got);
    FileManager::close(file);
    return true;
}

} // namespace world
