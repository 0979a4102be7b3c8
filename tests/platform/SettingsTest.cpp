#include "platform/platform.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using platform::RegRoot;

// Each test gets its own store file.
class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = platform::GetEnv("QV_REGISTRY");
        ::setenv("QV_REGISTRY", dir_.file("registry.ini").c_str(), 1);
    }
    void TearDown() override { ::setenv("QV_REGISTRY", saved_.c_str(), 1); }
    qvtest::TempDir dir_;
    std::string saved_;
};

const char* const kKey = "SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0";

TEST_F(SettingsTest, ValuesRoundTripThroughTheFile) {
    const uint8_t blob[] = {0x00, 0x7F, 0xFF, 0x22, 0x5C};
    ASSERT_TRUE(
        platform::RegSetString(RegRoot::LocalMachine, kKey, "ExePath", "/opt/qv \"one\"\\client.exe"));
    ASSERT_TRUE(
        platform::RegSetDword(RegRoot::LocalMachine, std::string(kKey) + "\\HWProfile", "CPUCount", 8));
    ASSERT_TRUE(platform::RegSetBinary(RegRoot::CurrentUser, kKey, "Blob", blob, sizeof blob));

    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine, kKey, "ExePath"), "/opt/qv \"one\"\\client.exe");
    EXPECT_EQ(platform::RegGetDword(RegRoot::LocalMachine, std::string(kKey) + "\\HWProfile", "CPUCount"),
              8u);
    EXPECT_EQ(platform::RegGetBinary(RegRoot::CurrentUser, kKey, "Blob"),
              std::vector<uint8_t>(blob, blob + sizeof blob));
    // Roots are separate; names and keys match without regard to case; types do not mix.
    EXPECT_FALSE(platform::RegGetString(RegRoot::CurrentUser, kKey, "ExePath").has_value());
    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine,
                                     "software\\halden worlds online\\varnis online\\1.0", "EXEPATH"),
              "/opt/qv \"one\"\\client.exe");
    EXPECT_FALSE(platform::RegGetDword(RegRoot::LocalMachine, kKey, "ExePath").has_value());
}

TEST_F(SettingsTest, SetReplacesAndDeleteRemoves) {
    ASSERT_TRUE(platform::RegSetString(RegRoot::LocalMachine, kKey, "InstCDPath", "/media/cd"));
    ASSERT_TRUE(platform::RegSetString(RegRoot::LocalMachine, kKey, "instcdpath", "/mnt/cd"));
    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine, kKey, "InstCDPath"), "/mnt/cd");
    EXPECT_TRUE(platform::RegDeleteValue(RegRoot::LocalMachine, kKey, "InstCDPath"));
    EXPECT_FALSE(platform::RegGetString(RegRoot::LocalMachine, kKey, "InstCDPath").has_value());
    EXPECT_TRUE(platform::RegKeyExists(RegRoot::LocalMachine, kKey));
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::LocalMachine, "SOFTWARE\\Elsewhere"));
}

TEST_F(SettingsTest, ReadsAHandWrittenStore) {
    dir_.write("registry.ini", "; written by hand\r\n"
                               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halden Worlds Online\\Varnis Online\\1.0]\r\n"
                               "\"ExePath\"=\"/games/varnis/client.exe\"\r\n"
                               "garbage line\r\n"
                               "\"Flags\"=dword:0000002a\r\n");
    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine, kKey, "ExePath"), "/games/varnis/client.exe");
    EXPECT_EQ(platform::RegGetDword(RegRoot::LocalMachine, kKey, "Flags"), 42u);
}

TEST_F(SettingsTest, MissingStoreHasNoKeys) {
    EXPECT_FALSE(platform::RegKeyExists(RegRoot::LocalMachine, kKey));
    EXPECT_FALSE(platform::RegGetString(RegRoot::LocalMachine, kKey, "ExePath").has_value());
}

} // namespace

namespace {

// A store file that is there but cannot be read is never rewritten: a change would leave a store
// holding that one value. A write that fails keeps the old file.
TEST_F(SettingsTest, AStoreThatCannotBeReadOrWrittenKeepsItsFile) {
    const std::string path = dir_.file("registry.ini");
    ASSERT_TRUE(platform::RegSetString(RegRoot::LocalMachine, kKey, "ExePath", "/opt/qv/client.exe"));
    const std::string stored = dir_.read("registry.ini");

    {
        qvtest::FileSizeLimit fullDisk(16);
        EXPECT_FALSE(platform::RegSetString(RegRoot::LocalMachine, kKey, "InstCDPath", "/media/cd"));
        platform::SettingsBatch batch;
        platform::RegSetDword(RegRoot::LocalMachine, kKey, "Count", 1);
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_EQ(dir_.read("registry.ini"), stored);
    EXPECT_EQ(platform::SettingsFileStatus(), platform::ReadStatus::Read);

    ::chmod(path.c_str(), 0000);
    ::chmod(dir_.path().c_str(), 0777);
    int result = qvtest::RunAsPlayer([] {
        if (platform::SettingsFileStatus() != platform::ReadStatus::Failed) return 1;
        if (platform::RegGetString(RegRoot::LocalMachine, kKey, "ExePath")) return 2;
        if (platform::RegSetString(RegRoot::LocalMachine, kKey, "InstCDPath", "/media/cd")) return 3;
        if (platform::RegCreateKey(RegRoot::LocalMachine, std::string(kKey) + "\\HWProfile")) return 4;
        platform::SettingsBatch batch;
        if (platform::RegSetDword(RegRoot::LocalMachine, kKey, "Count", 1)) return 5;
        return batch.Commit() ? 6 : 0;
    });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
    ::chmod(path.c_str(), 0644);
    EXPECT_EQ(dir_.read("registry.ini"), stored);
}

} // namespace

namespace {

// A batch reads the store once and writes it once, however many values it sets; its thread sees
// its values meanwhile.
TEST_F(SettingsTest, ABatchWritesTheStoreOnce) {
    const std::string key = std::string(kKey) + "\\HWProfile";
    ASSERT_TRUE(platform::RegSetString(RegRoot::LocalMachine, kKey, "ExePath", "/opt/qv/client.exe"));
    qvtest::ReplacementCounter writes(dir_.file("registry.ini"));
    {
        platform::SettingsBatch batch;
        for (uint32_t i = 0; i < 12; ++i)
            ASSERT_TRUE(platform::RegSetDword(RegRoot::LocalMachine, key, "v" + std::to_string(i), i));
        {
            platform::SettingsBatch inner; // joins the outer batch
            ASSERT_TRUE(platform::RegSetString(RegRoot::LocalMachine, key, "inner", "yes"));
            EXPECT_TRUE(inner.Commit());
        }
        EXPECT_EQ(platform::RegGetDword(RegRoot::LocalMachine, key, "v11"), 11u);
        EXPECT_EQ(writes.count(), 0);
        EXPECT_TRUE(batch.Commit());
        EXPECT_EQ(writes.count(), 1);
        EXPECT_TRUE(batch.Commit()); // nothing new: nothing written
    }
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine, key, "inner"), "yes");
    EXPECT_EQ(platform::RegGetString(RegRoot::LocalMachine, kKey, "ExePath"), "/opt/qv/client.exe");

    // A batch that ends without Commit writes its changes on the way out; one without changes
    // writes nothing.
    {
        platform::SettingsBatch batch;
        platform::RegDeleteValue(RegRoot::LocalMachine, key, "inner");
    }
    { platform::SettingsBatch idle; }
    EXPECT_EQ(writes.count(), 2);
    EXPECT_FALSE(platform::RegGetString(RegRoot::LocalMachine, key, "inner").has_value());
}

} // namespace
