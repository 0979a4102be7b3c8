#include "WorldFixture.h"
#include "core/DefManager.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using worldtest::g_calls;
using namespace mkinstall;

class TileDataTest : public worldtest::WorldTest {
  protected:
    // The sample installation with its tile data loaded.
    void LoadSample() {
        InstallSample();
        CObjectManager::startup();
        ASSERT_TRUE(TileData::IsAllocated());
    }
    // A whole item group in file layout whose record i is made by the function.
    template <typename F> static std::string ItemGroup(uint32_t header, F record) {
        std::string out = LittleEndian32(static_cast<int32_t>(header));
        for (int i = 0; i < TileData::kGroupRows; ++i)
            out += record(i);
        return out;
    }
    // The sample's own bytes of an item group.
    static std::string SampleItemGroup(int group) {
        const std::string file = MakeTileDataFile();
        return file.substr(static_cast<size_t>(TileData::ItemGroupOffset(group)), TileData::kItemGroupSize);
    }
    static bool SetItems(int group, const std::string& bytes) {
        return CObjectManager::SetItemTileData(group, reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size());
    }
    static bool SetLand(int group, const std::string& bytes) {
        return CObjectManager::SetLandTileData(group, reinterpret_cast<const uint8_t*>(bytes.data()),
                                               bytes.size());
    }
    // The record of item graphic g inside its group's bytes.
    static size_t ItemAt(int graphic) {
        return 4 + static_cast<size_t>(graphic % 32) * TileData::kItemRecordSize;
    }
};

TEST_F(TileDataTest, GroupsLieWhereTheFileLayoutPutsThem) {
    EXPECT_EQ(TileData::LandGroupOffset(1), 836);
    EXPECT_EQ(TileData::LandGroupOffset(511) + TileData::kLandGroupSize, 0x68800);
    EXPECT_EQ(TileData::ItemGroupOffset(512), 0x68800);
    EXPECT_EQ(TileData::ItemGroupOffset(1023), 0xFCB5C);
    EXPECT_EQ(TileData::ItemGroupOffset(1023) + TileData::kItemGroupSize, 0xFD000);
    const std::string file = MakeTileDataFile();
    ASSERT_EQ(file.size(), 0xFD000u);
    // The sample coin pile sits at its group's offset: header, then record 3821 % 32.
    const size_t at = static_cast<size_t>(TileData::ItemGroupOffset(512 + WorldItem::CoinPile / 32)) +
                      ItemAt(WorldItem::CoinPile);
    EXPECT_EQ(file.substr(at + 17, 12), "gold coin%s%");
}

TEST_F(TileDataTest, ARowIsReadFieldByFieldFromAHandBuiltGroup) {
    // Graphic 70 (group 514, record 6): every field a different value, the name filling its field.
    std::string group = ItemGroup(0xABCD, [](int i) {
        if (i != 6) return std::string(37, '\0');
        return std::string("\x11\x22\x33\x44"      // flags 0x44332211
                           "\x5A"                  // weight
                           "\x07"                  // quality
                           "\x01\x02\x03\x04"      // value 0x04030201
                           "\x34\x12"              // anim id 0x1234
                           "\x78\x56"              // hue 0x5678
                           "\xBC\x9A"              // misc 0x9ABC
                           "\x0F"                  // height
                           "twenty characters!!!", // exactly 20 bytes, no terminator
                           37);
    });
    ASSERT_EQ(group.size(), static_cast<size_t>(TileData::kItemGroupSize));
    uint32_t header = 0;
    ItemTileData rows[32];
    ASSERT_TRUE(
        TileData::ParseItemGroup(reinterpret_cast<const uint8_t*>(group.data()), group.size(), header, rows));
    EXPECT_EQ(header, 0xABCDu);
    const ItemTileData& r = rows[6];
    EXPECT_EQ(r.flags, 0x44332211u);
    EXPECT_EQ(r.weight, 0x5A);
    EXPECT_EQ(r.quality, 7);
    EXPECT_EQ(r.value, 0x04030201u);
    EXPECT_EQ(r.animId, 0x1234);
    EXPECT_EQ(r.hue, 0x5678);
    EXPECT_EQ(r.miscWord, 0x9ABC);
    EXPECT_EQ(r.height, 0x0F);
    EXPECT_STREQ(r.name, "twenty characters!!!");
    EXPECT_FALSE(TileData::ParseItemGroup(reinterpret_cast<const uint8_t*>(group.data()), group.size() - 1,
                                          header, rows));

    // The same group inside a file image lands on graphic 70.
    std::string file(static_cast<size_t>(TileData::kFileSize), '\0');
    file.replace(static_cast<size_t>(TileData::ItemGroupOffset(514)), group.size(), group);
    TileData::LoadFromBytes(reinterpret_cast<const uint8_t*>(file.data()), file.size());
    EXPECT_EQ(TileData::Item(70).miscWord, 0x9ABC);
    EXPECT_EQ(TileData::Item(64, 6).hue, 0x5678); // graphic + increment
    EXPECT_STREQ(TileData::Item(70).name, "twenty characters!!!");
}

TEST_F(TileDataTest, APacketGroupIsTurnedIntoFileOrder) {
    // Item record 0 in network order: flags, weight, quality, value, anim, hue, misc, height, name.
    std::string wire =
        std::string("\x00\x00\x02\x01", 4) +                          // header 0x201
        std::string("\x00\x80\x40\x00\x09\x02\x00\x00\x00\x05", 10) + // flags, weight, quality, value
        std::string("\x12\x34\x56\x78\x9A\xBC\x07", 7) + std::string(20, 'n');
    wire += std::string(31 * 37, '\0');
    const std::vector<uint8_t> file =
        TileData::GroupFromNetworkOrder(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), true);
    uint32_t header = 0;
    ItemTileData rows[32];
    ASSERT_TRUE(TileData::ParseItemGroup(file.data(), file.size(), header, rows));
    EXPECT_EQ(header, 0x201u);
    EXPECT_EQ(rows[0].flags, 0x804000u);
    EXPECT_EQ(rows[0].weight, 9);
    EXPECT_EQ(rows[0].quality, 2);
    EXPECT_EQ(rows[0].value, 5u);
    EXPECT_EQ(rows[0].animId, 0x1234);
    EXPECT_EQ(rows[0].hue, 0x5678);
    EXPECT_EQ(rows[0].miscWord, 0x9ABC);
    EXPECT_EQ(rows[0].height, 7);
    // A land group: flags and texture; a cut group keeps its length and swaps only whole fields.
    const std::string land =
        std::string("\x00\x00\x00\x03", 4) + std::string("\x00\x00\x00\xC0\x00\x07", 6) + "wat";
    const std::vector<uint8_t> cut =
        TileData::GroupFromNetworkOrder(reinterpret_cast<const uint8_t*>(land.data()), land.size(), false);
    ASSERT_EQ(cut.size(), land.size());
    EXPECT_EQ(cut[4], 0xC0);
    EXPECT_EQ(cut[8], 0x07);
    EXPECT_FALSE(CObjectManager::ApplyLandTileData(3, cut.data(), cut.size()));
}

TEST_F(TileDataTest, RowsOutsideTheTablesAreZero) {
    LoadSample();
    ASSERT_NE(TileData::Item(WorldItem::Wall).flags, 0u);
    struct Case {
        int graphic, increment;
    };
    for (Case c :
         {Case{-1, 0}, Case{16384, 0}, Case{0x7FFF, 0}, Case{16383, 1}, Case{5, -6}, Case{0x7FFF, 0x7FFF}}) {
        const ItemTileData& row = TileData::Item(c.graphic, c.increment);
        EXPECT_EQ(row.flags, 0u) << c.graphic << " + " << c.increment;
        EXPECT_EQ(row.name[0], 0);
    }
    EXPECT_EQ(TileData::Land(WorldLand::Water).flags, TileFlag::Wet | TileFlag::Impassable);
    EXPECT_EQ(TileData::Land(0x7FFF & 0x9234).flags,
              0u); // a tile id masked to 0x7FFF is still past the table
    EXPECT_EQ(TileData::Land(-3).flags, 0u);
    EXPECT_FALSE(IsContainerGraphic(0x7FFF));
    EXPECT_TRUE(IsContainerGraphic(WorldItem::Corpse));
    EXPECT_TRUE(IsMapGraphic(WorldItem::MapItem));
    EXPECT_FALSE(IsMapGraphic(WorldItem::Chest));
}

TEST_F(TileDataTest, AShortFileIsReadAsFarAsItGoes) {
    std::string file = MakeTileDataFile();
    // The land part, then item group 512's header, three whole records and half of the fourth.
    file.resize(static_cast<size_t>(TileData::kLandPartSize) + 4 + 3 * 37 + 18);
    dir.write("tiledata.mul", file);
    StartFiles();
    recorder->clear();
    CObjectManager::startup();
    EXPECT_EQ(TileData::Land(WorldLand::Rock).flags, TileFlag::Impassable);
    EXPECT_STREQ(TileData::Item(WorldItem::Floor).name, "wooden floor");
    EXPECT_EQ(TileData::Item(WorldItem::StairsSouth).flags, 0u); // graphic 3: cut in half
    EXPECT_EQ(TileData::Item(WorldItem::Roof).flags, 0u);        // past what the file holds
    int warnings = 0;
    for (const auto& line : recorder->lines())
        if (line.level <= QVReport::Level::Warning) ++warnings;
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(recorder->contains("16387 of 32768 rows read"));
}

TEST_F(TileDataTest, AFileCutInsideTheLandPartHasNoItemRows) {
    // Land rows 0..99 and part of row 100: what follows is never taken for item records.
    std::string file(static_cast<size_t>(TileData::kLandPartSize), '\x41');
    file.resize(static_cast<size_t>(TileData::LandGroupOffset(3)) + 4 + 4 * 26 + 10);
    EXPECT_EQ(TileData::LoadFromBytes(reinterpret_cast<const uint8_t*>(file.data()), file.size()), 100);
    EXPECT_EQ(TileData::Land(99).flags, 0x41414141u);
    EXPECT_EQ(TileData::Land(100).flags, 0u);
    for (int g : {0, 1, 31})
        EXPECT_EQ(TileData::Item(g).flags, 0u) << g;
}

TEST_F(TileDataTest, AMissingFileLeavesZeroTablesAndSaysSo) {
    StartFiles();
    CObjectManager::startup();
    EXPECT_TRUE(TileData::IsAllocated());
    EXPECT_EQ(TileData::Item(WorldItem::Wall).flags, 0u);
    EXPECT_TRUE(recorder->contains("CObjectManager::SetItemTileData: cannot open 'tiledata.mul'."));
    // The server's change still reaches memory, and no file appears.
    recorder->clear();
    std::string group = mkinstall::LittleEndian32(600) + std::string(32 * 37, '\0');
    group[4] = 0x40; // graphic (600 - 512) x 32 = 2816 becomes impassable
    EXPECT_TRUE(
        CObjectManager::SetItemTileData(600, reinterpret_cast<const uint8_t*>(group.data()), group.size()));
    EXPECT_EQ(TileData::Item(2816).flags, TileFlag::Impassable);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "cannot open 'tiledata.mul'"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("tiledata.mul")));
    CObjectManager::shutdown();
    EXPECT_FALSE(TileData::IsAllocated());
}

TEST_F(TileDataTest, PartialHueIsClearedWhenTheArtSubstituteLacksIt) {
    InstallSample();
    // Chest (partial hue) is drawn with the wall's art, which lacks the flag: it loses it. The tunic
    // is drawn with the chest's art, which has it as read: it keeps it, whatever the chest lost.
    dir.write("art.def", "# art {alternatives} extra\n" + std::to_string(0x4000 + WorldItem::Chest) + " {" +
                             std::to_string(0x4000 + WorldItem::Wall) + "} 0\n" +
                             std::to_string(0x4000 + WorldItem::Tunic) + " {" +
                             std::to_string(0x4000 + WorldItem::Chest) + "} 0\n");
    ASSERT_TRUE(DefManager::startup());
    CObjectManager::startup();
    EXPECT_EQ(TileData::Item(WorldItem::Chest).flags & TileFlag::PartialHue, 0u);
    EXPECT_NE(TileData::Item(WorldItem::Tunic).flags & TileFlag::PartialHue, 0u);
    EXPECT_NE(TileData::Item(WorldItem::Chest).flags & TileFlag::Container, 0u); // only that bit goes
}

TEST_F(TileDataTest, AnItemGroupChangesExactlyItsBytesAndItsRows) {
    LoadSample();
    const std::string before = dir.read("tiledata.mul");
    const int group = 512; // graphics 0..31
    std::string bytes = SampleItemGroup(group);
    // The wall's hue changes (a refresh), the floor's name only (nothing), the door becomes a light (a
    // rebuild).
    bytes[ItemAt(WorldItem::Wall) + 12] = 0x21;
    bytes.replace(ItemAt(WorldItem::Floor) + 17, 20, std::string("oak floor").append(11, '\0'));
    bytes[ItemAt(WorldItem::Door) + 2] =
        static_cast<char>(bytes[ItemAt(WorldItem::Door) + 2] | 0x80); // 0x800000
    ASSERT_TRUE(SetItems(group, bytes));

    const std::string after = dir.read("tiledata.mul");
    ASSERT_EQ(after.size(), before.size());
    const size_t at = static_cast<size_t>(TileData::ItemGroupOffset(group));
    EXPECT_EQ(after.substr(0, at), before.substr(0, at));
    EXPECT_EQ(after.substr(at, bytes.size()), bytes);
    EXPECT_EQ(after.substr(at + bytes.size()), before.substr(at + bytes.size()));

    EXPECT_EQ(TileData::Item(WorldItem::Wall).hue, 0x21);
    EXPECT_STREQ(TileData::Item(WorldItem::Floor).name, "oak floor");
    EXPECT_NE(TileData::Item(WorldItem::Door).flags & TileFlag::LightSource, 0u);
    EXPECT_EQ(g_calls.refreshedGraphics, (std::vector<int>{WorldItem::Wall, WorldItem::Door}));
    EXPECT_EQ(g_calls.rebuilds, 1);
}

TEST_F(TileDataTest, ANameOnlyChangeRefreshesNothing) {
    LoadSample();
    std::string bytes = SampleItemGroup(512);
    bytes.replace(ItemAt(WorldItem::Roof) + 17, 4, "slat");
    ASSERT_TRUE(SetItems(512, bytes));
    EXPECT_TRUE(g_calls.refreshedGraphics.empty());
    EXPECT_EQ(g_calls.rebuilds, 0);
    EXPECT_EQ(
        dir.read("tiledata.mul")
            .substr(static_cast<size_t>(TileData::ItemGroupOffset(512)) + ItemAt(WorldItem::Roof) + 17, 4),
        "slat");
}

TEST_F(TileDataTest, LightAndAnimationChangesRebuildTheListsOnce) {
    LoadSample();
    std::string bytes = SampleItemGroup(512);
    // The fire stops being animated and the lamp post stops being a light: two records, one rebuild.
    bytes[ItemAt(WorldItem::Fire) + 3] = 0;
    bytes[ItemAt(WorldItem::LampPost) + 2] = 0;
    ASSERT_TRUE(SetItems(512, bytes));
    EXPECT_EQ(g_calls.rebuilds, 1);
    EXPECT_EQ(TileData::Item(WorldItem::Fire).flags & TileFlag::Animated, 0u);
}

TEST_F(TileDataTest, AnUnwritableFileStillChangesMemory) {
    LoadSample();
    // A folder in place of the file: opening it for writing fails whoever runs the test.
    std::filesystem::remove(dir.file("tiledata.mul"));
    std::filesystem::create_directory(dir.file("tiledata.mul"));
    std::string bytes = SampleItemGroup(512);
    bytes[ItemAt(WorldItem::Foliage)] = 0x40; // foliage becomes impassable
    EXPECT_TRUE(SetItems(512, bytes));
    EXPECT_EQ(TileData::Item(WorldItem::Foliage).flags, TileFlag::Foliage | TileFlag::Impassable);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error,
                                   "CObjectManager::SetItemTileData: cannot open 'tiledata.mul'."));
}

TEST_F(TileDataTest, BadGroupsAndShortDataAreRefused) {
    LoadSample();
    const std::string before = dir.read("tiledata.mul");
    const std::string items = SampleItemGroup(512);
    const std::string land = MakeTileDataFile().substr(0, TileData::kLandGroupSize);
    struct Case {
        const char* what;
        bool item;
        int group;
        size_t length;
        const char* log;
    };
    const Case cases[] = {
        {"item group below the items", true, 511, items.size(), "group 511 is not an item group"},
        {"item group past the file", true, 1024, items.size(), "group 1024 is not an item group"},
        {"negative item group", true, -1, items.size(), "group -1 is not an item group"},
        {"short item group", true, 600, items.size() - 1, "group 600 has 1187 of 1188 bytes"},
        {"land group in the items", false, 512, land.size(), "group 512 is not a land group"},
        {"negative land group", false, -5, land.size(), "group -5 is not a land group"},
        {"short land group", false, 3, 4 + 31 * 26, "group 3 has 810 of 836 bytes"},
    };
    for (const Case& c : cases) {
        recorder->clear();
        const std::string& bytes = c.item ? items : land;
        const bool accepted = c.item ? CObjectManager::SetItemTileData(
                                           c.group, reinterpret_cast<const uint8_t*>(bytes.data()), c.length)
                                     : CObjectManager::SetLandTileData(
                                           c.group, reinterpret_cast<const uint8_t*>(bytes.data()), c.length);
        EXPECT_FALSE(accepted) << c.what;
        EXPECT_TRUE(recorder->contains(QVReport::Level::Error, c.log)) << c.what;
    }
    EXPECT_FALSE(CObjectManager::SetItemTileData(512, nullptr, 1188));
    EXPECT_EQ(dir.read("tiledata.mul"), before);
    EXPECT_TRUE(g_calls.refreshedGraphics.empty());
}

TEST_F(TileDataTest, ALandGroupIsWrittenInPlaceAndRedrawsChangedTextures) {
    LoadSample();
    const std::string before = dir.read("tiledata.mul");
    std::string bytes = before.substr(0, TileData::kLandGroupSize); // land 0..31
    const size_t grass = 4 + WorldLand::Grass * 26, sand = 4 + WorldLand::Sand * 26;
    bytes[grass + 4] = 9;               // texture 9
    bytes.replace(sand + 6, 4, "dune"); // name only
    bytes[sand] = 0x40;                 // and impassable
    ASSERT_TRUE(SetLand(0, bytes));
    EXPECT_EQ(TileData::Land(WorldLand::Grass).textureId, 9);
    EXPECT_STREQ(TileData::Land(WorldLand::Sand).name, "dune");
    EXPECT_EQ(TileData::Land(WorldLand::Sand).flags, TileFlag::Impassable);
    EXPECT_EQ(g_calls.invalidatedLand, (std::vector<int>{WorldLand::Grass}));
    const std::string after = dir.read("tiledata.mul");
    EXPECT_EQ(after.substr(0, bytes.size()), bytes);
    EXPECT_EQ(after.substr(bytes.size()), before.substr(bytes.size()));
}

} // namespace
