// Prints one item of the numbered data files as the client reads it: its length, extra value and
// bytes. Usage: qvdata [--verdata] [--cd DIR --cache MB] INSTALL_DIR ROW ID
// ROW is a row number (0..33) or a file name ("art.mul"); a data row is read through its index.
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/VerData.h"
#include "platform/platform.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: qvdata [--verdata] [--cd DIR --cache MB] INSTALL_DIR ROW ID\n");
    return 2;
}

bool ParseInt(const char* text, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (!*text || *end || v < -0x7FFFFFFFL || v > 0x7FFFFFFFL) return false;
    out = static_cast<int>(v);
    return true;
}

int ParseRow(const char* text) {
    int row = -1;
    if (ParseInt(text, row)) return row >= 0 && row < CDHDCache::kRowCount ? row : -1;
    for (int r = 0; r < CDHDCache::kRowCount; ++r)
        if (::strcasecmp(CDHDCache::GetFileInfo(r).name, text) == 0) return r;
    return -1;
}

void HexDump(const uint8_t* bytes, int length) {
    for (int at = 0; at < length; at += 16) {
        std::printf("%08x ", at);
        for (int i = 0; i < 16; ++i) {
            if (at + i < length)
                std::printf(" %02x", bytes[at + i]);
            else
                std::printf("   ");
        }
        std::printf("  ");
        for (int i = 0; i < 16 && at + i < length; ++i)
            std::putchar(std::isprint(bytes[at + i]) ? bytes[at + i] : '.');
        std::putchar('\n');
    }
}

} // namespace

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    bool verdata = false;
    std::string cd;
    int cacheSize = 0;
    int arg = 1;
    for (; arg < argc && std::strncmp(argv[arg], "--", 2) == 0; ++arg) {
        if (std::strcmp(argv[arg], "--verdata") == 0) {
            verdata = true;
        } else if (std::strcmp(argv[arg], "--cd") == 0 && arg + 1 < argc) {
            cd = argv[++arg];
        } else if (std::strcmp(argv[arg], "--cache") == 0 && arg + 1 < argc) {
            if (!ParseInt(argv[++arg], cacheSize)) return Usage();
        } else {
            return Usage();
        }
    }
    if (argc - arg != 3) return Usage();
    const int row = ParseRow(argv[arg + 1]);
    int id = 0;
    if (row < 0 || !ParseInt(argv[arg + 2], id)) return Usage();

    platform::UseBackend(platform::BackendKind::Headless); // fatal reports go to stderr, not a window
    FileManager::startupWithPaths(argv[arg], cd);
    CDHDCache::SetHdConfig(cd.empty() ? CDHDCache::HdConfig::MaxHD : CDHDCache::HdConfig::Cached);
    CDHDCache::SetCacheSize(cacheSize > 0 ? cacheSize : 1);
    CDHDCache::SetUseVerData(verdata);
    CDHDCache::startup();
    CDHDCache::Init();
    LoadVersionFile();

    const CDHDCache::CacheFileInfo& info = CDHDCache::GetFileInfo(row);
    const int indexRow = CDHDCache::IndexRowOf(row);
    int length = 0, extra = 0;
    const uint8_t* item = nullptr;
    if (indexRow >= 0) {
        item = CDHDCache::GetCacheItem(indexRow, row, id, length, extra);
    } else {
        item = CDHDCache::GetRecord(row, id);
        length = item ? info.recordSize : 0;
    }
    int status = 0;
    if (!item) {
        std::printf("%s (row %d) item %d: none (extra %d)\n", info.name, row, id, extra);
        status = 1;
    } else {
        std::printf("%s (row %d) item %d: length %d, extra %d (0x%08x)\n", info.name, row, id, length, extra,
                    static_cast<unsigned>(extra));
        if (length == CDHDCache::kIndexRecordSize && info.recordSize == CDHDCache::kIndexRecordSize) {
            CDHDCache::IndexRecord r{};
            CDHDCache::ReadIndexRecord(item, static_cast<size_t>(length), 0, r);
            std::printf("index record: offset %d, length %d, extra %d\n", r.offset, r.length, r.extra);
        }
        HexDump(item, length);
    }
    CDHDCache::shutdown();
    FileManager::shutdown();
    return status;
}
