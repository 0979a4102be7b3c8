// The slots, checksums, uploads and received files of the server-kept configuration.
#include "core/ServerConfigSync.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/config.h"
#include "platform/platform.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace CServerConfigSync {
namespace {

struct State {
    bool enabled = false;
    bool due = false;
    uint32_t lastCheck = 0;
    uint8_t uploadFlag = 0;
    CGump* gump = nullptr;
    std::array<uint32_t, kSlotCount> checksums{};
};
State& S() {
    static State state;
    return state;
}

constexpr int kCheckedSlots[] = {0, 1, 3, 5, 7, 9, 11};

std::vector<uint8_t> ReadFile(int slot) {
    const std::string name = GetFilePath(slot);
    if (name.empty()) return {};
    std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(ConfigFiles::WorkingPath(name));
    return bytes ? std::move(*bytes) : std::vector<uint8_t>{};
}

// Runs the inflater over data into dest (room bytes) or, with dest null, into a scratch chunk that
// is thrown away; *made is what it produced. True when the stream ended within kMaxInflated.
bool RunInflater(const uint8_t* data, size_t length, uint8_t* dest, size_t room, size_t* made) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(length);
    uint8_t chunk[16384];
    size_t total = 0;
    int result = Z_OK;
    while (true) {
        const size_t space = dest ? room - total : sizeof chunk;
        z.next_out = dest ? dest + total : chunk;
        z.avail_out = static_cast<uInt>(space);
        result = inflate(&z, Z_NO_FLUSH);
        total += space - z.avail_out;
        if (total > kMaxInflated) {
            result = Z_MEM_ERROR;
            break;
        }
        if (result == Z_STREAM_END) break;
        if (result != Z_OK && result != Z_BUF_ERROR) break;
        if (z.avail_out != 0 || (dest && result == Z_BUF_ERROR)) { // input ended before the stream did
            result = Z_DATA_ERROR;
            break;
        }
    }
    inflateEnd(&z);
    *made = total;
    return result == Z_STREAM_END;
}

// Inflates into out; false on damaged data or more than kMaxInflated bytes. The size is learnt in a
// first pass that keeps nothing, so the data is inflated straight into a buffer of its size, never
// copied as it grows, and data over the cap costs no memory.
bool Inflate(const uint8_t* data, size_t length, std::vector<uint8_t>& out) {
    size_t size = 0;
    if (!RunInflater(data, length, nullptr, 0, &size)) return false;
    out.resize(size);
    uint8_t none = 0;
    size_t made = 0;
    return RunInflater(data, length, size ? out.data() : &none, size, &made) && made == size;
}

void RunLoader(int slot) {
    if (GetServices().load) GetServices().load(slot);
}

} // namespace

bool IsEnabled() {
    return S().enabled;
}

void SetEnabled(bool on) {
    S().enabled = on;
    if (RuntimeDebugMsg && GetServices().systemMessage) {
        char line[64];
        std::snprintf(line, sizeof line, "Client %s use server config files!", on ? "WILL" : "WILL NOT");
        GetServices().systemMessage(line);
    }
}

void SetLoginFlag(uint8_t value) {
    S().uploadFlag = value;
}

uint8_t GetLoginFlag() {
    return S().uploadFlag;
}

std::string GetFilePath(int slot) {
    switch (slot) {
    case 0:
        return "ignore.lst";
    case 1:
        return "qvbscene.lst";
    case 2:
    case 3:
        return "Desktop/common/qv.cfg";
    case 4:
    case 5:
        return "Desktop/common/chardata.mul";
    case 6:
    case 7:
        return "Desktop/common/skillgrp.mul";
    case 8:
    case 9:
        return "Desktop/common/desktop.qvs";
    case 10:
    case 11:
        return "Desktop/common/macros.txt";
    default:
        return slot < 0 ? std::string() : "Desktop/common/IGRerror.txt";
    }
}

uint32_t Checksum(const std::vector<uint8_t>& content) {
    if (content.empty()) return 0;
    uLong sum = adler32(0, nullptr, 0);
    return static_cast<uint32_t>(adler32(sum, content.data(), static_cast<uInt>(content.size())));
}

uint32_t GetChecksum(int slot) {
    return slot >= 0 && slot < kSlotCount ? S().checksums[static_cast<size_t>(slot)] : 0;
}

void CheckFiles(bool force) {
    State& s = S();
    if (!GetServices().inWorld || !GetServices().inWorld()) return;
    const uint32_t now = GetGameTicks();
    if (!s.due && !force) {
        if (static_cast<uint32_t>(now - s.lastCheck) > kCheckPeriodMs) s.due = true;
        return;
    }
    s.uploadFlag = 0;
    for (int slot : kCheckedSlots) {
        const uint32_t sum = Checksum(ReadFile(slot));
        if (sum == s.checksums[static_cast<size_t>(slot)]) continue;
        s.checksums[static_cast<size_t>(slot)] = sum;
        UploadFile(slot);
        if (!force) RunLoader(slot);
    }
    s.due = false;
    s.lastCheck = GetGameTicks();
}

void UploadFile(int slot) {
    const std::vector<uint8_t> content = ReadFile(slot);
    std::vector<uint8_t> compressed;
    if (!content.empty()) {
        uLongf size = compressBound(static_cast<uLong>(content.size()));
        compressed.resize(size);
        if (compress(compressed.data(), &size, content.data(), static_cast<uLong>(content.size())) != Z_OK ||
            size > kMaxUpload) {
            // Its checksum stays stored: it is not tried again until it changes.
            QVReport::warning(
                "CServerConfigSync::UploadFile: \"%s\" of %zu bytes compresses to more than %zu "
                "bytes; not sent to the server.\n",
                GetFilePath(slot).c_str(), content.size(), kMaxUpload);
            return;
        }
        compressed.resize(size);
    }
    if (GetServices().send) GetServices().send(slot, compressed);
}

bool ReceiveFile(int slot, const uint8_t* data, size_t length) {
    State& s = S();
    s.lastCheck = GetGameTicks();
    if (slot < 0 || (slot >= 2 && slot <= 10 && slot % 2 == 0)) return false;
    std::vector<uint8_t> content;
    if (length > 0 && (!data || !Inflate(data, length, content))) {
        QVReport::warning("CServerConfigSync::ReceiveFile: the data of slot %d (%zu bytes) does not inflate; "
                          "\"%s\" is kept.\n",
                          slot, length, GetFilePath(slot).c_str());
        return false;
    }
    const std::string path = ConfigFiles::WorkingPath(GetFilePath(slot));
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (!folder.empty() && !platform::IsDirectory(folder)) platform::MakeDirectories(folder);
    if (!platform::AtomicReplaceFile(path, content.data(), content.size())) {
        QVReport::warning("CServerConfigSync::ReceiveFile: \"%s\" cannot be written; skipped.\n",
                          path.c_str());
        return false;
    }
    if (slot < kSlotCount) s.checksums[static_cast<size_t>(slot)] = Checksum(content);
    s.lastCheck = GetGameTicks();
    RunLoader(slot);
    if (s.uploadFlag) UploadFile(slot);
    return true;
}

CGump* GetGump() {
    return S().gump;
}

void SetGump(CGump* gump) {
    S().gump = gump;
}

Services& GetServices() {
    static Services services;
    return services;
}

void ResetForTests() {
    S() = State{};
    GetServices() = Services{};
}

} // namespace CServerConfigSync
