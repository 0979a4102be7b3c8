// Every test program runs headless, in a fresh temporary folder, with its own runtime folder for
// named objects, its own settings store and its own folder of the player's data, so test programs can run in
// parallel.
#include "support/TestSupport.h"

#include "platform/platform.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/qv-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) return 2;
    std::string root = dir;
    fs::create_directories(root + "/run");
    ::setenv("QV_PLATFORM", "headless", 1);
    ::setenv("QV_RUNTIME_DIR", (root + "/run").c_str(), 1);
    ::setenv("QV_REGISTRY", (root + "/registry.ini").c_str(), 1);
    ::setenv("QV_DATA_DIR", (root + "/data").c_str(), 1);
    if (::chdir(dir) != 0) return 2;
    platform::UseBackend(platform::BackendKind::Headless);
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    fs::remove_all(root, ec);
    return result;
}
