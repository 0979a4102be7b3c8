// The player's stores when the client dies in the middle of saving: a child process saves
// "qv.cfg", the settings store and a server-sent item over and over and is killed at a random
// moment, many times. Every file must read back whole (its old or its new bytes), and the next
// start must remove the temporaries the killed saves left.
#include "ConfigFixture.h"
#include "core/PatchStore.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using qvtest::ConfigFixture;
namespace fs = std::filesystem;

class StoreCrashTest : public ConfigFixture {
  protected:
    std::string oldRegistry, oldData;

    void SetUp() override {
        ConfigFixture::SetUp();
        oldRegistry = platform::GetEnv("QV_REGISTRY");
        oldData = platform::GetEnv("QV_DATA_DIR");
        fs::create_directories(dir.path() / "client");
        ConfigFiles::SetWorkingFolder(dir.file("client"));
        ::setenv("QV_REGISTRY", (dir.path() / "settings" / "registry.ini").c_str(), 1);
        ::setenv("QV_DATA_DIR", dir.file("data").c_str(), 1);
        fs::create_directories(dir.path() / "settings");
    }
    void TearDown() override {
        ::setenv("QV_REGISTRY", oldRegistry.c_str(), 1);
        ::setenv("QV_DATA_DIR", oldData.c_str(), 1);
        ConfigFixture::TearDown();
    }
};

const std::vector<std::string>& DataFileNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out(CDHDCache::kArt + 1);
        out[CDHDCache::kArt] = "art.mul";
        return out;
    }();
    return names;
}

// One state of all three stores; large enough that a save takes a while.
void SaveAll(int state) {
    const std::string value = std::to_string(state);
    saveConfigDirective(ConfigKind::LastServerID, value.c_str());
    platform::RegSetString(platform::RegRoot::CurrentUser, "Software\\Varnis\\Test", "State",
                           std::string(64 * 1024, static_cast<char>('a' + state)));
    std::vector<uint8_t> item(256 * 1024, static_cast<uint8_t>(state));
    PatchStore::Store(CDHDCache::kArt, "art.mul", 7, state, item.data(), static_cast<int>(item.size()));
}

std::vector<std::string> Files() {
    return {ConfigFiles::WorkingPath("qv.cfg"), platform::RegistryFilePath(),
            PatchStore::ItemPath("art.mul", 7)};
}

std::vector<std::string> Snapshot() {
    std::vector<std::string> out;
    for (const std::string& path : Files()) {
        auto bytes = platform::ReadWholeFile(path);
        out.emplace_back(bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<missing>"));
    }
    return out;
}

int CountTemporaries() {
    int count = 0;
    for (const std::string& path : Files())
        for (const auto& e : fs::directory_iterator(fs::path(path).parent_path()))
            if (e.path().filename().string().find(".tmp-") != std::string::npos) ++count;
    return count;
}

TEST_F(StoreCrashTest, EveryStoreReadsBackWholeAfterAKillAndTheNextStartSweepsTheRest) {
    // qv.cfg holds a lot besides the key, as a player's does.
    std::string cfg;
    for (int i = 0; i < 1000; ++i)
        cfg += "; a line the rewrite keeps " + std::to_string(i) + "\r\n";
    cfg += "LastServerID=0\r\n";
    dir.write("client/qv.cfg", cfg);
    SaveAll(1);
    const std::vector<std::string> one = Snapshot();
    const auto started = std::chrono::steady_clock::now();
    SaveAll(2);
    const auto oneRound = std::chrono::steady_clock::now() - started;
    const std::vector<std::string> two = Snapshot();
    ASSERT_NE(one, two);

    std::mt19937 random(31);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(oneRound).count() * 3 + 1;
    for (int round = 0; round < 60; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            (void)!::write(ready[1], "r", 1);
            for (int state = 1;; state = 3 - state)
                SaveAll(state);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        // Anywhere in the first three rounds of saves.
        std::this_thread::sleep_for(std::chrono::microseconds(random() % span));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::vector<std::string> now = Snapshot();
        for (size_t f = 0; f < now.size(); ++f)
            ASSERT_TRUE(now[f] == one[f] || now[f] == two[f])
                << Files()[f] << " is torn after kill " << round << " (" << now[f].size() << " bytes)";
    }
    // Else the kills never met a save in the middle, and the test proved nothing.
    ASSERT_GT(CountTemporaries(), 0);

    // The next start: the stores load in a fresh process, as the client does.
    pid_t start = ::fork();
    ASSERT_GE(start, 0);
    if (start == 0) {
        platform::ForgetSweptFoldersForTests();
        ClientLogin = 2; // no first-run save of the filter choice: the files stay as the kills left them
        CApp::readConfig(nullptr, true);
        (void)platform::RegGetString(platform::RegRoot::CurrentUser, "Software\\Varnis\\Test", "State");
        PatchStore::Load(DataFileNames());
        ::_exit(PatchStore::Count() == 1 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(start, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the stored item did not load";
    EXPECT_EQ(CountTemporaries(), 0);
    const std::vector<std::string> after = Snapshot();
    for (size_t f = 0; f < after.size(); ++f)
        EXPECT_TRUE(after[f] == one[f] || after[f] == two[f]) << Files()[f];
}

} // namespace
