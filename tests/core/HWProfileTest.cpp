#include "AppFixture.h"

#include "core/HWProfile.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

class HWProfileTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        ::setenv("QV_REGISTRY", dir.file("registry.ini").c_str(), 1);
    }
    qvtest::TempDir dir;
};

TEST_F(HWProfileTest, ProcessorTypeFromTheFamily) {
    EXPECT_EQ(ProcessorTypeFor(true, 3), 1);
    EXPECT_EQ(ProcessorTypeFor(true, 4), 2);
    EXPECT_EQ(ProcessorTypeFor(true, 5), 3);
    EXPECT_EQ(ProcessorTypeFor(true, 6), 3); // later processors report as Pentiums
    EXPECT_EQ(ProcessorTypeFor(true, 25), 3);
    EXPECT_EQ(ProcessorTypeFor(false, 0), 4);
}

TEST_F(HWProfileTest, SizesSaturateInsteadOfWrapping) {
    constexpr uint64_t MiB = 1024 * 1024;
    struct Case {
        uint64_t bytes;
        uint16_t mib;
    } cases[] = {
        {0, 0},
        {MiB - 1, 0},
        {512 * MiB, 512},
        {65535 * MiB, 65535},
        {65536 * MiB, 65535},               // 64 GiB would wrap to 0 in 16 bits
        {16ull * 1024 * 1024 * MiB, 65535}, // 16 TiB would overflow 32 bits on the way
    };
    for (const Case& c : cases)
        EXPECT_EQ(SaturatedMiB(c.bytes), c.mib) << c.bytes;
}

TEST_F(HWProfileTest, ClocksAbove750MHzAreNotReported) {
    EXPECT_EQ(ReportedClockMHz(0), 0);
    EXPECT_EQ(ReportedClockMHz(450), 450);
    EXPECT_EQ(ReportedClockMHz(750), 750);
    EXPECT_EQ(ReportedClockMHz(751), 0);
    EXPECT_EQ(ReportedClockMHz(1000), 0);
}

TEST_F(HWProfileTest, GathersThisMachine) {
    HWProfile p;
    ASSERT_TRUE(GatherHWProfile(p));
    EXPECT_GE(p.processorType, 1);
    EXPECT_LE(p.processorType, 4);
    EXPECT_GE(p.nProcessors, 1);
    EXPECT_LE(p.processorClock, 750);
    EXPECT_GT(p.totalRAMInMB, 0);
    EXPECT_EQ(GetClientTimeZoneOffset(), -p.timeZoneBias / 60) << "the local zone, east positive";
    EXPECT_EQ(p.szModemManufacturer[0], '\0');
}

TEST_F(HWProfileTest, SavedProfileLoadsBackFieldByField) {
    HWProfile saved;
    saved.processorType = 3;
    saved.processorClock = 733;
    saved.nProcessors = 8;
    std::strcpy(saved.szVideoCardDescrip1, "amdgpu");
    std::strcpy(saved.szVideoCardDescrip2, "i915");
    std::strcpy(saved.szModemManufacturer, "none");
    std::strcpy(saved.szModemDescrip, "");
    saved.totalRAMInMB = 65535;
    saved.largestPartitionInMB = 1234;
    saved.timeZoneBias = -60;
    ASSERT_TRUE(SaveHWProfile(saved));

    HWProfile loaded;
    ASSERT_TRUE(LoadHWProfile(loaded));
    EXPECT_EQ(loaded.processorType, 3);
    EXPECT_EQ(loaded.processorClock, 733);
    EXPECT_EQ(loaded.nProcessors, 8);
    EXPECT_STREQ(loaded.szVideoCardDescrip1, "amdgpu");
    EXPECT_STREQ(loaded.szVideoCardDescrip2, "i915");
    EXPECT_STREQ(loaded.szModemManufacturer, "none");
    EXPECT_STREQ(loaded.szModemDescrip, "");
    EXPECT_EQ(loaded.totalRAMInMB, 65535);
    EXPECT_EQ(loaded.largestPartitionInMB, 1234);
    EXPECT_EQ(loaded.timeZoneBias, -60);

    auto bytes = platform::RegGetBinary(platform::RegRoot::LocalMachine, kHWProfileKey, "processorClock");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (std::vector<uint8_t>{0xDD, 0x02})); // little-endian, 2 bytes
}

TEST_F(HWProfileTest, LoadFailsWhenTheKeyOrAValueIsMissing) {
    HWProfile p;
    EXPECT_FALSE(LoadHWProfile(p));
    ASSERT_TRUE(SaveHWProfile(HWProfile{}));
    EXPECT_TRUE(LoadHWProfile(p));
    platform::RegDeleteValue(platform::RegRoot::LocalMachine, kHWProfileKey, "timeZoneBias");
    EXPECT_FALSE(LoadHWProfile(p));
}

} // namespace

namespace {

// About a dozen values, one writing of the settings store (it was one per value).
TEST_F(HWProfileTest, SavingWritesTheStoreOnce) {
    HWProfile p;
    ASSERT_TRUE(GatherHWProfile(p));
    qvtest::ReplacementCounter writes(dir.file("registry.ini"));
    ASSERT_TRUE(SaveHWProfile(p));
    EXPECT_EQ(writes.count(), 1);
    HWProfile loaded;
    ASSERT_TRUE(LoadHWProfile(loaded));
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(std::memcmp(&loaded.szVideoCardDescrip1, &p.szVideoCardDescrip1, 32), 0);
}

// A save that fails is logged and the run keeps the profile it sent.
TEST_F(HWProfileTest, AQueuedSaveThatFailsKeepsTheRunsProfile) {
    qvtest::ReportRecorder log;
    ResetHWProfileForTests();
    PrepareHWProfile();
    EXPECT_EQ(StoredHWProfile(), nullptr);
    QueueHWProfileSave();
    {
        qvtest::FileSizeLimit fullDisk(16);
        SaveQueuedHWProfile();
    }
    EXPECT_TRUE(log.contains(QVReport::Level::Error, "SaveHWProfile: cannot store"));
    EXPECT_FALSE(IsHWProfileSaveQueued());
    ASSERT_NE(StoredHWProfile(), nullptr);
    EXPECT_EQ(StoredHWProfile()->totalRAMInMB, MachineHWProfile().totalRAMInMB);
    HWProfile p;
    EXPECT_FALSE(LoadHWProfile(p));
    ResetHWProfileForTests();
}

} // namespace
