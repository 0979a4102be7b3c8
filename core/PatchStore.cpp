#include "core/PatchStore.h"

#include "core/QVReport.h"
#include "platform/platform.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <utility>

namespace PatchStore {
namespace {

constexpr char kMagic[4] = {'Q', 'V', 'P', '1'};
constexpr size_t kHeaderBytes = 12;
// Larger than any item the server sends (a multi list of the biggest house is far below this).
constexpr size_t kMaxItemBytes = 16 * 1024 * 1024;
constexpr int kMaxId = 0xFFFF;
constexpr const char* kSuffix = ".patch";

std::map<std::pair<int, int>, Item>& Items() {
    static std::map<std::pair<int, int>, Item> items;
    return items;
}

int32_t LoadLE32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void StoreLE32(std::vector<uint8_t>& out, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The id in "<data file>-<id>.patch", or -1.
int IdOf(const std::string& fileName, const std::string& dataFileName) {
    const std::string prefix = dataFileName + "-";
    if (fileName.size() <= prefix.size() + std::strlen(kSuffix) ||
        fileName.compare(0, prefix.size(), prefix) != 0 ||
        fileName.compare(fileName.size() - std::strlen(kSuffix), std::string::npos, kSuffix) != 0)
        return -1;
    const std::string digits =
        fileName.substr(prefix.size(), fileName.size() - prefix.size() - std::strlen(kSuffix));
    if (digits.empty() || digits.size() > 5) return -1;
    int id = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        id = id * 10 + (c - '0');
    }
    return id <= kMaxId ? id : -1;
}

// The item a file holds; false when it is not a whole item file.
bool Parse(const std::vector<uint8_t>& bytes, Item& out) {
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return false;
    const int32_t length = LoadLE32(bytes.data() + 8);
    if (length < 0 || static_cast<size_t>(length) != bytes.size() - kHeaderBytes) return false;
    out.extra = LoadLE32(bytes.data() + 4);
    out.bytes.assign(bytes.begin() + kHeaderBytes, bytes.end());
    return true;
}

} // namespace

std::string Folder() {
    return platform::UserDataDir() + "/patches";
}

std::string ItemPath(const char* dataFileName, int id) {
    return Folder() + "/" + dataFileName + "-" + std::to_string(id) + kSuffix;
}

void Clear() {
    Items().clear();
}

void Load(const std::vector<std::string>& dataFileNames) {
    Clear();
    platform::SweepStaleTemporariesOnce(Folder() + "/"); // items whose save was killed midway
    std::error_code ec;
    std::filesystem::directory_iterator it(Folder(), ec);
    if (ec) return; // no store yet
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        for (size_t row = 0; row < dataFileNames.size(); ++row) {
            if (dataFileNames[row].empty()) continue;
            const int id = IdOf(name, dataFileNames[row]);
            if (id < 0) continue;
            std::optional<uint64_t> size = platform::FileSize(it->path().string());
            Item item;
            std::optional<std::vector<uint8_t>> bytes;
            if (size && *size <= kMaxItemBytes + kHeaderBytes)
                bytes = platform::ReadWholeFile(it->path().string());
            if (!bytes || !Parse(*bytes, item)) {
                QVReport::warning("PatchStore::Load: '%s' is not a stored item; ignored.\n",
                                  it->path().string().c_str());
                break;
            }
            Items()[{static_cast<int>(row), id}] = std::move(item);
            break;
        }
    }
    if (!Items().empty())
        QVReport::message("PatchStore::Load: %zu server-sent items from '%s'.\n", Items().size(),
                          Folder().c_str());
}

bool Store(int dataRow, const char* dataFileName, int id, int extra, const void* data, int length) {
    if (id < 0 || id > kMaxId || length < 0 || static_cast<size_t>(length) > kMaxItemBytes ||
        (length && !data)) {
        QVReport::error("PatchStore::Store: refusing item %d of %d bytes for '%s'.\n", id, length,
                        dataFileName);
        return false;
    }
    std::vector<uint8_t> file(kMagic, kMagic + sizeof kMagic);
    StoreLE32(file, extra);
    StoreLE32(file, length);
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (length) file.insert(file.end(), bytes, bytes + length);
    const std::string path = ItemPath(dataFileName, id);
    if (!platform::MakeDirectories(Folder()) ||
        !platform::AtomicReplaceFile(path, file.data(), file.size())) {
        QVReport::error("PatchStore::Store: cannot write '%s'; item %d of '%s' is not changed.\n",
                        path.c_str(), id, dataFileName);
        return false;
    }
    Item& item = Items()[{dataRow, id}];
    item.extra = extra;
    item.bytes.assign(file.begin() + kHeaderBytes, file.end());
    return true;
}

const Item* Find(int dataRow, int id) {
    auto it = Items().find({dataRow, id});
    return it == Items().end() ? nullptr : &it->second;
}

size_t Count() {
    return Items().size();
}

} // namespace PatchStore
