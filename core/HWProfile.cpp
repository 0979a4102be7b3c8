#include "core/HWProfile.h"

#include "core/QVReport.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

const char* const kHWProfileKey = "SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0\\HWProfile";

namespace {

constexpr uint32_t kMaxReportedClock = 750;
int g_timeZoneOffset = 0;

struct Session {
    bool prepared = false;
    HWProfile machine;
    bool hasStored = false;
    HWProfile stored;
    bool saveQueued = false;
};

Session& Run() {
    static Session session;
    return session;
}

void CopyText(char (&field)[32], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field - 1));
}

constexpr platform::RegRoot kRoot = platform::RegRoot::LocalMachine;

bool SaveBinary(const char* name, uint64_t value, size_t size) {
    uint8_t bytes[8];
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return platform::RegSetBinary(kRoot, kHWProfileKey, name, bytes, size);
}

bool LoadBinary(const char* name, size_t size, uint64_t& value) {
    auto bytes = platform::RegGetBinary(kRoot, kHWProfileKey, name);
    if (!bytes || bytes->size() != size) return false;
    value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= static_cast<uint64_t>((*bytes)[i]) << (8 * i);
    return true;
}

bool LoadText(const char* name, char (&field)[32]) {
    auto text = platform::RegGetString(kRoot, kHWProfileKey, name);
    if (!text) return false;
    CopyText(field, *text);
    return true;
}

} // namespace

uint8_t ProcessorTypeFor(bool x86, int family) {
    if (!x86) return 4;
    if (family <= 3) return 1;
    if (family == 4) return 2;
    return 3;
}

uint16_t SaturatedMiB(uint64_t bytes) {
    uint64_t mib = bytes / (1024u * 1024u);
    return static_cast<uint16_t>(std::min<uint64_t>(mib, 0xFFFF));
}

uint16_t ReportedClockMHz(uint32_t mhz) {
    return static_cast<uint16_t>(mhz > kMaxReportedClock ? 0 : mhz);
}

uint32_t GetCPUClockMHz() {
    return platform::GetProcessorInfo().clockMHz;
}

int GetClientTimeZoneOffset() {
    return g_timeZoneOffset;
}

bool GatherHWProfile(HWProfile& profile) {
    platform::ProcessorInfo cpu = platform::GetProcessorInfo();
    profile.processorType = ProcessorTypeFor(cpu.x86, cpu.family);
    profile.processorClock = ReportedClockMHz(cpu.clockMHz);
    profile.nProcessors = static_cast<uint8_t>(std::clamp(cpu.count, 0, 255));

    std::optional<int32_t> bias = platform::TimeZoneBiasMinutes();
    if (!bias) return false;
    profile.timeZoneBias = *bias;
    // The bias is UTC minus local time: the local zone is its negative.
    g_timeZoneOffset = -*bias / 60;

    std::vector<std::string> adapters = platform::DisplayAdapterNames();
    CopyText(profile.szVideoCardDescrip1, adapters.size() > 0 ? adapters[0] : std::string());
    CopyText(profile.szVideoCardDescrip2, adapters.size() > 1 ? adapters[1] : std::string());
    CopyText(profile.szModemManufacturer, std::string());
    CopyText(profile.szModemDescrip, std::string());

    profile.totalRAMInMB = SaturatedMiB(platform::TotalPhysicalMemoryBytes());
    profile.largestPartitionInMB = SaturatedMiB(platform::LargestFixedVolumeBytes());
    return true;
}

bool LoadHWProfile(HWProfile& profile) {
    platform::SettingsBatch batch;
    if (!platform::RegKeyExists(kRoot, kHWProfileKey)) return false;
    uint64_t type = 0, clock = 0, count = 0, ram = 0, disk = 0, bias = 0;
    HWProfile read;
    if (!LoadBinary("processorType", 1, type) || !LoadBinary("processorClock", 2, clock) ||
        !LoadBinary("nProcessors", 1, count) || !LoadText("szVideoCardDescrip1", read.szVideoCardDescrip1) ||
        !LoadText("szVideoCardDescrip2", read.szVideoCardDescrip2) ||
        !LoadText("szModemManufacturer", read.szModemManufacturer) ||
        !LoadText("szModemDescrip", read.szModemDescrip) || !LoadBinary("totalRAMInMB", 2, ram) ||
        !LoadBinary("largestPartitionInMB", 2, disk) || !LoadBinary("timeZoneBias", 4, bias))
        return false;
    read.processorType = static_cast<uint8_t>(type);
    read.processorClock = static_cast<uint16_t>(clock);
    read.nProcessors = static_cast<uint8_t>(count);
    read.totalRAMInMB = static_cast<uint16_t>(ram);
    read.largestPartitionInMB = static_cast<uint16_t>(disk);
    read.timeZoneBias = static_cast<int32_t>(static_cast<uint32_t>(bias));
    profile = read;
    return true;
}

bool SaveHWProfile(const HWProfile& profile) {
    auto text = [](const char(&field)[32]) { return std::string(field, strnlen(field, sizeof field)); };
    platform::SettingsBatch batch;
    return platform::RegCreateKey(kRoot, kHWProfileKey) &&
           SaveBinary("processorType", profile.processorType, 1) &&
           SaveBinary("processorClock", profile.processorClock, 2) &&
           SaveBinary("nProcessors", profile.nProcessors, 1) &&
           platform::RegSetString(kRoot, kHWProfileKey, "szVideoCardDescrip1",
                                  text(profile.szVideoCardDescrip1)) &&
           platform::RegSetString(kRoot, kHWProfileKey, "szVideoCardDescrip2",
                                  text(profile.szVideoCardDescrip2)) &&
           platform::RegSetString(kRoot, kHWProfileKey, "szModemManufacturer",
                                  text(profile.szModemManufacturer)) &&
           platform::RegSetString(kRoot, kHWProfileKey, "szModemDescrip", text(profile.szModemDescrip)) &&
           SaveBinary("totalRAMInMB", profile.totalRAMInMB, 2) &&
           SaveBinary("largestPartitionInMB", profile.largestPartitionInMB, 2) &&
           SaveBinary("timeZoneBias", static_cast<uint32_t>(profile.timeZoneBias), 4) && batch.Commit();
}

void PrepareHWProfile() {
    Session& run = Run();
    if (run.prepared) return;
    run.prepared = true;
    if (!GatherHWProfile(run.machine))
        QVReport::warning("PrepareHWProfile: the time zone is unknown; the profile says 0.\n");
    run.hasStored = LoadHWProfile(run.stored);
}

const HWProfile& MachineHWProfile() {
    PrepareHWProfile();
    return Run().machine;
}

const HWProfile* StoredHWProfile() {
    PrepareHWProfile();
    return Run().hasStored ? &Run().stored : nullptr;
}

void QueueHWProfileSave() {
    Session& run = Run();
    PrepareHWProfile();
    run.stored = run.machine;
    run.hasStored = true;
    run.saveQueued = true;
}

bool IsHWProfileSaveQueued() {
    return Run().saveQueued;
}

void SaveQueuedHWProfile() {
    Session& run = Run();
    if (!run.saveQueued) return;
    run.saveQueued = false;
    if (!SaveHWProfile(run.machine))
        QVReport::error("SaveHWProfile: cannot store the hardware profile in '%s'.\n",
                        platform::RegistryFilePath().c_str());
}

void ResetHWProfileForTests() {
    Run() = Session{};
}
