#include "fuzz/support/FuzzEnvironment.h"

#include "core/FileManager.h"
#include "core/QVReport.h"
#include "core/config.h"
#include "net/CLatencyProbe.h"
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace qvfuzz {
namespace {

constexpr std::string_view kPrefix = "qv-fuzz-";

std::string Base() {
    if (::access("/dev/shm", W_OK | X_OK) == 0) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// "qv-fuzz-PID-XXXXXX" of a process that is gone: left by a fuzzer that crashed (libFuzzer ends
// without running exit handlers).
void RemoveOrphans(const std::string& base) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, kPrefix.size(), kPrefix) != 0) continue;
        const long pid = std::strtol(name.c_str() + kPrefix.size(), nullptr, 10);
        if (pid <= 0 || pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::error_code ignored;
        std::filesystem::remove_all(it->path(), ignored);
    }
}

std::string& Folder() {
    static std::string folder;
    return folder;
}

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
}

struct Environment {
    Environment() {
        const std::string base = Base();
        RemoveOrphans(base);
        std::string pattern = base + "/" + std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        Folder() = pattern;
        std::atexit(RemoveFolder);
        const std::string client = pattern + "/client";
        platform::MakeDirectories(client);
        ::setenv("QV_REGISTRY", (pattern + "/registry.ini").c_str(), 1);
        ::setenv("QV_DATA_DIR", (pattern + "/data").c_str(), 1);
        ::setenv("QV_RUNTIME_DIR", (pattern + "/run").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (pattern + "/share").c_str(), 1);
        ConfigFiles::SetLastResortFolder(client);
        platform::SetDurableWrites(false);
        // Shard addresses in fuzzed server lists are made up: no datagrams go to them.
        CLatencyProbe::SetProbingAllowed(false);
        QVReport::startWithoutFile(); // a report would otherwise start the log file in the working folder
    }
};

const Environment g_environment;

} // namespace

const std::string& ScratchFolder() {
    return Folder();
}

} // namespace qvfuzz

// Run by the fuzzer before the first input; the settings store is not ready while globals are made.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // An installed client whose folder is the scratch one: code that finds its files through the
    // install key (a localized line, a font) looks there and finds nothing, as with a missing file,
    // instead of ending the process as an uninstalled client does.
    platform::RegSetString(platform::RegRoot::LocalMachine, FileManager::kInstallKey, "ExePath",
                           qvfuzz::ScratchFolder() + "/client/client.exe");
    return 0;
}
