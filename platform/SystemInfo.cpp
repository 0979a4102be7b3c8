#include "platform/platform.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mntent.h>
#include <set>
#include <sstream>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace platform {
namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

} // namespace

ProcessorInfo ParseCpuInfo(std::string_view text) {
    ProcessorInfo info;
    bool firstDone = false; // the fields of the first processor describe the machine
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            if (info.count > 0 && Trim(line).empty()) firstDone = true;
            continue;
        }
        std::string_view key = Trim(line.substr(0, colon));
        std::string value(Trim(line.substr(colon + 1)));
        if (key == "processor") {
            ++info.count;
        } else if (firstDone) {
            continue;
        } else if (key == "vendor_id") {
            info.x86 = true;
        } else if (key == "cpu family") {
            info.family = std::atoi(value.c_str());
        } else if (key == "cpu MHz" && info.clockMHz == 0) {
            double mhz = std::strtod(value.c_str(), nullptr);
            info.clockMHz = mhz > 0 && mhz < 4e9 ? static_cast<uint32_t>(mhz + 0.5) : 0;
        }
    }
    return info;
}

ProcessorInfo GetProcessorInfo() {
    ProcessorInfo info = ParseCpuInfo(ReadText("/proc/cpuinfo"));
    // The nominal clock where the kernel knows it; "cpu MHz" is the current one.
    std::string maxKHz = ReadText("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    long khz = std::atol(maxKHz.c_str());
    if (khz > 0) info.clockMHz = static_cast<uint32_t>(khz / 1000);
    long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    if (online > 0) info.count = static_cast<int>(online);
    return info;
}

uint64_t TotalPhysicalMemoryBytes() {
    struct sysinfo si {};
    if (::sysinfo(&si) != 0) return 0;
    return static_cast<uint64_t>(si.totalram) * (si.mem_unit ? si.mem_unit : 1);
}

uint64_t LargestFixedVolumeBytes() {
    uint64_t largest = 0;
    FILE* mounts = ::setmntent("/proc/mounts", "r");
    if (!mounts) return 0;
    std::set<std::string> seen;
    while (struct mntent* m = ::getmntent(mounts)) {
        // Disk volumes are mounted from block devices; pseudo and network file systems are not.
        if (std::strncmp(m->mnt_fsname, "/dev/", 5) != 0) continue;
        if (!seen.insert(m->mnt_fsname).second) continue;
        struct statvfs st {};
        if (::statvfs(m->mnt_dir, &st) != 0) continue;
        uint64_t size = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
        if (size > largest) largest = size;
    }
    ::endmntent(mounts);
    return largest;
}

std::optional<int32_t> TimeZoneBiasMinutes() {
    ::tzset();
    // The standard-time offset, as the time-zone information gives it apart from daylight saving.
    return static_cast<int32_t>(::timezone / 60);
}

std::vector<std::string> DisplayAdapterNames() {
    std::vector<std::string> names;
    for (int card = 0; card < 8 && names.size() < 2; ++card) {
        std::string uevent = ReadText("/sys/class/drm/card" + std::to_string(card) + "/device/uevent");
        size_t at = uevent.find("DRIVER=");
        if (at == std::string::npos) continue;
        size_t end = uevent.find('\n', at);
        names.push_back(uevent.substr(at + 7, end == std::string::npos ? std::string::npos : end - at - 7));
    }
    return names;
}

} // namespace platform
