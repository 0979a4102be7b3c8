#include "RenderFixture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

class HueTest : public RenderTest {};

void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Offset of entry i's first byte in "hues.mul".
size_t EntryOffset(int i) {
    return static_cast<size_t>(i / 8) * HueManager::kGroupBytes + 4 +
           static_cast<size_t>(i % 8) * HueManager::kEntryBytes;
}

TEST_F(HueTest, TheInstallationsHueFileLoadsEveryEntryAtItsIndex) {
    qvtest::TempDir dir;
    std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    ASSERT_EQ(hues.size(), HueManager::kFileBytes);
    dir.write("HUES.MUL", std::string(hues.begin(), hues.end())); // found regardless of case
    RenderData::SetInstallFolder(dir.path().string());
    HueManager::startup();
    for (int i : {1, 2, 7, 8, 999, 1023, 2999}) {
        const HueEntry& e = HueManager::GetEntry(i);
        for (int c = 0; c < 32; ++c)
            ASSERT_EQ(e.colours[c], mkinstall::SampleHueColour(i, c)) << i << "/" << c;
        EXPECT_EQ(std::string(e.name, strnlen(e.name, sizeof e.name)), "hue " + std::to_string(i + 1));
    }
    EXPECT_EQ(HueManager::GetEntry(0).colours[0], 1); // colour 0 of an entry with a range became 1
}

TEST_F(HueTest, ColoursAreMadeDrawableAndAShortFileLeavesTheRestNearBlack) {
    std::vector<uint8_t> hues(EntryOffset(10), 0); // entries 0..9 only
    PutU16(hues, EntryOffset(3) + 2 * 5, 0x8000);  // bit 15: not a colour
    PutU16(hues, EntryOffset(3) + 2 * 6, 0x1234);
    PutU16(hues, EntryOffset(4) + 64, 0x0001); // a range: its zero colours become 1
    PutU16(hues, EntryOffset(4) + 2 * 9, 0x4321);
    HueManager::LoadFromBytes(hues.data(), hues.size());
    EXPECT_EQ(HueManager::GetEntry(3).colours[5], 1);
    EXPECT_EQ(HueManager::GetEntry(3).colours[6], 0x1234);
    EXPECT_EQ(HueManager::GetEntry(3).colours[7], 1); // no range, still raised by the final pass
    EXPECT_EQ(HueManager::GetEntry(4).colours[0], 1);
    EXPECT_EQ(HueManager::GetEntry(4).colours[9], 0x4321);
    EXPECT_EQ(HueManager::GetEntry(2500).colours[31], 1);
}

TEST_F(HueTest, AMissingFileIsLoggedAndLeavesEveryColourAtOne) {
    qvtest::TempDir dir;
    RenderData::SetInstallFolder(dir.path().string());
    qvtest::ReportRecorder log;
    HueManager::startup();
    EXPECT_TRUE(
        log.contains(QVReport::Level::Error, "cannot open file ''. in-game colours may no be correct."));
    EXPECT_EQ(HueManager::GetEntry(0).colours[0], 1);
    EXPECT_EQ(HueManager::GetEntry(2999).colours[31], 1);
}

TEST_F(HueTest, AnIndexOutsideTheTableUsesEntryZero) {
    std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    HueManager::LoadFromBytes(hues.data(), hues.size());
    const HueEntry* first = &HueManager::GetEntry(0);
    for (int index : {-1, -32768, 3000, 65535, 0x7FFFFFFF})
        EXPECT_EQ(&HueManager::GetEntry(index), first) << index;
    EXPECT_EQ(&HueManager::GetEntry(2999), first + 2999);
}

TEST_F(HueTest, FindNearestHueGivesTheHueNumberOfTheNearestTableEnd) {
    std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    HueManager::LoadFromBytes(hues.data(), hues.size());
    // Entry 5 (hue number 6) has table end SampleHueColour(5, 31).
    EXPECT_EQ(HueManager::FindNearestHue(mkinstall::SampleHueColour(5, 31)), 6);
    EXPECT_EQ(HueManager::FindNearestHue(mkinstall::SampleHueColour(1000, 31)), 1001);
    // Entry 0 and entries past 1,000 are never chosen: the nearest of 1..1000 wins instead.
    int nearOnlyEntry0 = HueManager::FindNearestHue(mkinstall::SampleHueColour(0, 31));
    EXPECT_GE(nearOnlyEntry0, 2);
    EXPECT_LE(nearOnlyEntry0, 1001);
    // Equal distance: the first entry wins.
    std::vector<uint8_t> two(HueManager::kFileBytes, 0);
    for (int i : {7, 9}) {
        PutU16(two, EntryOffset(i) + 64, 1);
        PutU16(two, EntryOffset(i) + 66, 0x7C00);
    }
    HueManager::LoadFromBytes(two.data(), two.size());
    EXPECT_EQ(HueManager::FindNearestHue(0x7C00), 8);
    EXPECT_EQ(HueManager::FindNearestHue(0x001F), 8);
    std::vector<uint8_t> none(HueManager::kFileBytes, 0);
    HueManager::LoadFromBytes(none.data(), none.size());
    EXPECT_EQ(HueManager::FindNearestHue(0x7FFF), 0);
}

TEST_F(HueTest, HighlightSlotsSetTheNotorietyHuesAtStartup) {
    qvtest::TempDir dir;
    std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
    dir.write("hues.mul", std::string(hues.begin(), hues.end()));
    RenderData::SetInstallFolder(dir.path().string());
    const int defaults[] = {0, 89, 63, 946, 946, 144, 34};
    for (int i = 0; i < HueManager::kNotorietyCount; ++i)
        EXPECT_EQ(HueManager::GetNotorietyHue(i), defaults[i]);
    HueManager::SetHighlightColorSlot(1, -300);
    HueManager::SetHighlightColorSlot(2, mkinstall::SampleHueColour(40, 31));
    HueManager::startup();
    EXPECT_EQ(HueManager::GetNotorietyHue(1), 300);
    EXPECT_EQ(HueManager::GetNotorietyHue(2), 41);
    EXPECT_EQ(HueManager::GetNotorietyHue(3), 946);
    EXPECT_EQ(HueManager::GetNotorietyHue(7), 0);
    EXPECT_EQ(HueManager::GetNotorietyHue(-1), 0);
}

TEST_F(HueTest, PatchGroupsReplaceEightEntriesAndAreBounded) {
    std::vector<uint8_t> group(HueManager::kGroupBytes, 0);
    PutU16(group, 4 + 2 * HueManager::kEntryBytes + 2 * 3, 0x0ABC); // entry 2 of the group, colour 3
    std::memset(group.data() + 4 + 68, 'x', 20);                    // entry 0's name, 20 characters
    ASSERT_TRUE(HueManager::ApplyGroup(5, group.data(), group.size()));
    EXPECT_EQ(HueManager::GetEntry(42).colours[3], 0x0ABC);
    EXPECT_EQ(HueManager::GetEntry(40).name[19], 0);
    EXPECT_FALSE(HueManager::ApplyGroup(375, group.data(), group.size()));
    EXPECT_FALSE(HueManager::ApplyGroup(-1, group.data(), group.size()));
    EXPECT_FALSE(HueManager::ApplyGroup(0, group.data(), group.size() - 1));
}

TEST(ParseColor, ConfigurationColours) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"#FF0000", 0x7C00},
        {"#ffffff", 0x7FFF},
        {"#zz00ff", 0x001F},
        {"#00FF00", 0x03E0},
        {"#0000F", 0x001E}, // ends early: the missing digit counts as 0, blue 0xF0
        {"#", 0},
        {"#08", 0x0400},
        {"16711680", 0x7C00},
        {"65280", 0x03E0},
        {"255", 0x001F},
        {"0", 0},
        {"-33", -33},
        {"-0", 0},
        {"junk", 0},
        {"  255", 0x001F},
        {"4294967295", 0x7FFF},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseColor(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_EQ(ParseColor(nullptr), 0);
}

} // namespace
