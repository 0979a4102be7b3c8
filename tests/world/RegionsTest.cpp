#include "WorldFixture.h"

#include <gtest/gtest.h>

namespace {

using namespace mkinstall;

std::string U16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Field40(const std::string& text) {
    std::string f = text.substr(0, 40);
    f.resize(40, '\0');
    return f;
}

// A record of a version: name, slot, six values 1..6 + slot, u32, and the later fields.
std::string Record(int version, uint16_t slot, const std::string& name, const std::string& text = "second") {
    std::string r = Field40(name) + U16(slot);
    for (int i = 1; i <= 6; ++i)
        r += U16(static_cast<uint16_t>(i + slot));
    r += LittleEndian32(0x7777);
    if (version >= 1) {
        r += Field40(text) + U16(11) + U16(12);
        if (version == 2) r += U16(13);
        r += '\x0E';
        if (version == 2) r += U16(15);
    }
    return r;
}

class RegionsTest : public worldtest::WorldTest {
  protected:
    static int Load(const std::string& bytes) {
        return RegionManager::LoadFromBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
};

TEST_F(RegionsTest, EachVersionReadsItsOwnFields) {
    struct Case {
        int version;
        std::string header;
        uint16_t value3, value5;
        const char* text;
    };
    const Case cases[] = {
        {0, "", 0, 0, ""},
        {1, U16(0xFACE), 0, 0, "second"},
        {2, U16(0xFACF), 13, 15, "second"},
        {2, U16(0xFFFF), 13, 15, "second"},
    };
    for (const Case& c : cases) {
        RegionManager::shutdown();
        const std::string file = c.header + Record(c.version, 7, "Harbour") + Record(c.version, 9, "Woods");
        EXPECT_EQ(Load(file), 2) << c.version;
        EXPECT_EQ(RegionManager::GetVersion(), c.version);
        const RegionRecord* r = RegionManager::GetRegion(9);
        ASSERT_NE(r, nullptr) << c.version;
        EXPECT_STREQ(r->name, "Woods");
        EXPECT_EQ(r->values[0], 10);
        EXPECT_EQ(r->values[5], 15);
        EXPECT_STREQ(r->text, c.text);
        EXPECT_EQ(r->value1, c.version ? 11 : 0);
        EXPECT_EQ(r->value2, c.version ? 12 : 0);
        EXPECT_EQ(r->value3, c.value3);
        EXPECT_EQ(r->value4, c.version ? 14 : 0);
        EXPECT_EQ(r->value5, c.value5);
        EXPECT_STREQ(RegionManager::GetRegion(7)->name, "Harbour");
        EXPECT_EQ(RegionManager::RegionCount(), 2);
    }
}

TEST_F(RegionsTest, AVersion0NameStartingWithTheMarkIsReadAsVersion1) {
    const std::string file = Record(0, 3,
                                    "\xCE\xFA"
                                    "bad luck") +
                             Record(0, 4, "x");
    Load(file);
    EXPECT_EQ(RegionManager::GetVersion(), 1);
}

TEST_F(RegionsTest, LaterRecordsReplaceSlotsAndSlotsPastTheTableAreSkipped) {
    const std::string file = U16(0xFACF) + Record(2, 5, "first") + Record(2, 9000, "far away") +
                             Record(2, 8191, "last") + Record(2, 5, "second");
    EXPECT_EQ(Load(file), 3);
    EXPECT_STREQ(RegionManager::GetRegion(5)->name, "second");
    EXPECT_STREQ(RegionManager::GetRegion(8191)->name, "last");
    EXPECT_EQ(RegionManager::GetRegion(9000), nullptr);
    EXPECT_EQ(RegionManager::GetRegion(-1), nullptr);
    EXPECT_EQ(RegionManager::RegionCount(), 2);
    EXPECT_TRUE(recorder->contains("1 records name a slot past 8191; skipped."));
}

TEST_F(RegionsTest, ATruncatedRecordEndsTheReadingAndFullTextsStayBounded) {
    const std::string full(40, 'N');
    std::string file = U16(0xFACF) + Record(2, 1, full, std::string(40, 'T')) + Record(2, 2, "cut");
    file.resize(file.size() - 1);
    EXPECT_EQ(Load(file), 1);
    EXPECT_EQ(RegionManager::GetRegion(2), nullptr);
    EXPECT_EQ(std::string(RegionManager::GetRegion(1)->name), full);
    EXPECT_EQ(std::string(RegionManager::GetRegion(1)->text), std::string(40, 'T'));
    EXPECT_TRUE(recorder->contains("record 1 is cut short"));
    EXPECT_EQ(Load("\x01"), 0); // too short for the first u16
    EXPECT_EQ(RegionManager::GetVersion(), -1);
}

TEST_F(RegionsTest, StartupReadsTheSampleFileAndShutdownFreesIt) {
    InstallSample();
    RegionManager::startup();
    ASSERT_EQ(RegionManager::RegionCount(), 3);
    const RegionRecord* town = RegionManager::GetRegion(0);
    ASSERT_NE(town, nullptr);
    EXPECT_STREQ(town->name, "Varnis Harbour");
    EXPECT_EQ(town->values[2], 40);
    RegionManager::shutdown();
    EXPECT_EQ(RegionManager::RegionCount(), 0);
}

TEST_F(RegionsTest, AMissingFileLeavesTheTableEmpty) {
    StartFiles();
    RegionManager::startup();
    EXPECT_EQ(RegionManager::RegionCount(), 0);
    EXPECT_TRUE(recorder->contains("RegionManager::readRegionsIntoMemory: cannot open file 'regions.mul'."));
}

} // namespace
