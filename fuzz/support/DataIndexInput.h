// The body of the data-row targets: the index and data files of a numbered data row as the client
// reads them, in place (maximum install) or through a small disk cache (CD install), with a
// server-sent item written over them. One target per mode: a mode switch shuts every row down and
// starts them again, which would cost most of an input.
// Input: byte 0 the options (bit 1 a server-sent item, above it that item's id; bit 0 is unused),
// bytes 1-2 the index length, then the index, then the data.
#pragma once

#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/PatchStore.h"
#include "fuzz/support/FuzzEnvironment.h"
#include "platform/platform.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace qvfuzz::dataindex {

// Reads go here, so that they are not optimised away.
inline unsigned g_sink;

// Made once: "max" holds every row (a maximum install), "hd" every row but the art pair, which is
// only on the "CD". The art pair is rewritten in place per input; no file is made per input.
inline std::string g_max, g_hd, g_cd;

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < size;) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

inline bool Setup() {
    const std::string root = ScratchFolder() + "/index";
    g_max = root + "/max";
    g_hd = root + "/hd";
    g_cd = root + "/cd";
    for (const std::string* folder : {&g_max, &g_hd, &g_cd})
        platform::MakeDirectories(*folder);
    platform::UseBackend(platform::BackendKind::Headless);
    // Every other row exists, empty (a missing row costs a folder scan per input, for a path this
    // target does not look at).
    for (int row = 0; row < CDHDCache::kRowCount; ++row) {
        const std::string name = CDHDCache::GetFileInfo(row).name;
        const bool art = row == CDHDCache::kArtIdx || row == CDHDCache::kArt;
        WriteFile(g_max + "/" + name, nullptr, 0);
        WriteFile((art ? g_cd : g_hd) + "/" + name, nullptr, 0);
    }
    return true;
}

inline void ReadEverything(int records) {
    unsigned sum = 0;
    for (int id = -2; id < records + 2; ++id) {
        int length = 0, extra = 0;
        const uint8_t* item = CDHDCache::GetCacheItem(CDHDCache::kArtIdx, CDHDCache::kArt, id, length, extra);
        for (int i = 0; item && i < length; ++i)
            sum += item[i];
        if (const uint8_t* record = CDHDCache::GetRecord(CDHDCache::kArtIdx, id))
            for (int i = 0; i < CDHDCache::kIndexRecordSize; ++i)
                sum += record[i];
    }
    g_sink += sum;
}

inline int Run(const uint8_t* data, size_t size, bool cached) {
    static bool ready = Setup();
    (void)ready;
    if (size < 3) return 0;
    size_t indexSize = static_cast<size_t>(data[1] | data[2] << 8);
    if (indexSize > size - 3) indexSize = size - 3;
    const uint8_t* index = data + 3;
    const uint8_t* art = index + indexSize;
    const size_t artSize = size - 3 - indexSize;
    // The art pair lives in the installation folder or only on the "CD".
    const std::string& artFolder = cached ? g_cd : g_max;
    WriteFile(artFolder + "/artidx.mul", index, indexSize);
    WriteFile(artFolder + "/art.mul", art, artSize);
    // The rows are opened once; an input re-opens only the art pair it wrote.
    static bool s_opened = false;
    if (!s_opened) {
        s_opened = true;
        FileManager::shutdown();
        FileManager::startupWithPaths(cached ? g_hd : g_max, g_cd);
        CDHDCache::SetHdConfig(cached ? CDHDCache::HdConfig::Cached : CDHDCache::HdConfig::MaxHD);
        // Room for one block of index records (49,152 bytes) and a few items.
        CDHDCache::SetCacheGeometry(24 + 24 * 64 + 65536, 64);
        CDHDCache::startup();
        CDHDCache::Init();
    } else {
        CDHDCache::Reopen({CDHDCache::kArtIdx, CDHDCache::kArt});
    }
    const int records = static_cast<int>(indexSize / CDHDCache::kIndexRecordSize);
    ReadEverything(records);
    const bool stored = !cached && (data[0] & 2);
    if (stored) {
        // A server-sent item for an id the input chooses, then everything again.
        int id = data[0] >> 2;
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, id, 7, art,
                                    static_cast<int>(artSize % 97));
        ReadEverything(records + 64);
        // The next input starts without it: its file, then the store's folder (two calls, where a
        // walk of the whole folder cost an eighth of an input).
        ::unlink(PatchStore::ItemPath(CDHDCache::GetFileInfo(CDHDCache::kArt).name, id).c_str());
        if (::rmdir(PatchStore::Folder().c_str()) != 0 && errno != ENOENT) {
            std::error_code ignored;
            std::filesystem::remove_all(PatchStore::Folder(), ignored);
        }
        PatchStore::Clear();
    }
    return 0;
}

} // namespace qvfuzz::dataindex
