// The index and data files of a numbered data row as the client reads them: in place (maximum
// install) or through a small disk cache (CD install), with a server-sent item written over them.
// Input: byte 0 chooses the mode, bytes 1-2 the index length, then the index, then the data.
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Reads go here, so that they are not optimised away.
static unsigned g_sink;

namespace {

std::string g_root, g_hd, g_cd;

void RemoveRoot() {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    platform::AtomicReplaceFile(path, data, size);
}

bool Setup() {
    char pattern[] = "/tmp/qv-fuzz-index-XXXXXX";
    const char* root = ::mkdtemp(pattern);
    if (!root) std::abort();
    // The report log's files land in the temporary folder; libFuzzer keeps the working folder.
    char here[4096];
    if (!::getcwd(here, sizeof here) || ::chdir(root) != 0) std::abort();
    QVReport::start();
    if (::chdir(here) != 0) std::abort();
    g_root = root;
    std::atexit(RemoveRoot);
    g_hd = std::string(root) + "/hd";
    g_cd = std::string(root) + "/cd";
    platform::MakeDirectories(g_hd);
    platform::MakeDirectories(g_cd);
    ::setenv("QV_DATA_DIR", (std::string(root) + "/data").c_str(), 1); // server-sent items
    platform::UseBackend(platform::BackendKind::Headless);
    // Every required row exists, empty, in both folders (art is replaced per input).
    for (int row = 0; row < CDHDCache::kRowCount; ++row) {
        const CDHDCache::CacheFileInfo& info = CDHDCache::GetFileInfo(row);
        if (!info.required || row == CDHDCache::kArtIdx || row == CDHDCache::kArt) continue;
        WriteFile(g_hd + "/" + info.name, nullptr, 0);
    }
    FileManager::startupWithPaths(g_hd, g_cd);
    return true;
}

void ReadEverything(int records) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = Setup();
    (void)ready;
    if (size < 3) return 0;
    const bool cached = data[0] & 1;
    size_t indexSize = static_cast<size_t>(data[1] | data[2] << 8);
    if (indexSize > size - 3) indexSize = size - 3;
    const uint8_t* index = data + 3;
    const uint8_t* art = index + indexSize;
    const size_t artSize = size - 3 - indexSize;
    // The art pair lives in the installation folder or only on the "CD".
    const std::string& artFolder = cached ? g_cd : g_hd;
    const std::string& otherFolder = cached ? g_hd : g_cd;
    std::remove((otherFolder + "/artidx.mul").c_str());
    std::remove((otherFolder + "/art.mul").c_str());
    WriteFile(artFolder + "/artidx.mul", index, indexSize);
    WriteFile(artFolder + "/art.mul", art, artSize);

    CDHDCache::SetHdConfig(cached ? CDHDCache::HdConfig::Cached : CDHDCache::HdConfig::MaxHD);
    // Room for one block of index records (49,152 bytes) and a few items.
    CDHDCache::SetCacheGeometry(24 + 24 * 64 + 65536, 64);
    CDHDCache::startup();
    CDHDCache::Init();
    const int records = static_cast<int>(indexSize / CDHDCache::kIndexRecordSize);
    ReadEverything(records);
    if (!cached && (data[0] & 2)) {
        // A server-sent item for an id the input chooses, then everything again.
        int id = data[0] >> 2;
        CDHDCache::AddVersionedItem(CDHDCache::kArtIdx, CDHDCache::kArt, id, 7, art,
                                    static_cast<int>(artSize % 97));
        ReadEverything(records + 64);
    }
    CDHDCache::shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(g_root + "/data", ignored); // each input starts without stored items
    return 0;
}
