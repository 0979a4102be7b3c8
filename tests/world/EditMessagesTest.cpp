// The world-editing messages with and without an "EditServer" address, and the map block check's
// switch and report.
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/PatchStore.h"
#include "mkinstall/Installation.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "net/csocket.h"
#include "world/MapFixture.h"
#include "world/MultiManager.h"

#include <filesystem>

namespace maptest {
namespace {

class EditMessagesTest : public MapTest {
  protected:
    // The stores write into the sample installation's files and the player's patch store.
    void SetUp() override {
        MapTest::SetUp();
        std::string error;
        ASSERT_TRUE(mkinstall::WriteInstallation(dir.path().string(), &error)) << error;
        FileManager::startupWithPaths(dir.path().string(), "");
        CDHDCache::startup();
        CDHDCache::Init();
        TileData::Free();
        TileData::Allocate();
    }
    void TearDown() override {
        SetEditServer(false);
        CDHDCache::shutdown();
        std::error_code ignored;
        std::filesystem::remove_all(PatchStore::Folder(), ignored); // the items stay with this test
        FileManager::shutdown();
        MapTest::TearDown();
    }
    qvtest::TempDir dir;
    // A variable packet: id, big-endian length, fields.
    static std::vector<uint8_t> Variable(uint8_t id, const std::vector<uint8_t>& fields) {
        std::vector<uint8_t> p{id, static_cast<uint8_t>((fields.size() + 3) >> 8),
                               static_cast<uint8_t>(fields.size() + 3)};
        p.insert(p.end(), fields.begin(), fields.end());
        return p;
    }
    static void Be32(std::vector<uint8_t>& out, uint32_t v) {
        for (int i = 3; i >= 0; --i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    template <class Handler> void Feed(Handler handler, const std::vector<uint8_t>& bytes) {
        PacketReader reader(bytes.data(), bytes.size());
        handler(connection, reader);
    }
    CGameSock connection;
};

TEST_F(EditMessagesTest, MultiDataIsStoredOnlyForAnEditServerAndInWholeRecords) {
    std::vector<uint8_t> fields;
    Be32(fields, 300); // multi id
    Be32(fields, 5);   // value
    const uint8_t record[12] = {0x00, 0x09, 0xFF, 0xFF, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
    fields.insert(fields.end(), record, record + 12);
    fields.insert(fields.end(), {1, 2, 3, 4, 5}); // a partial record
    const std::vector<uint8_t> packet = Variable(0x92, fields);

    Feed(PacketManager::HandleEditMultiData, packet);
    EXPECT_EQ(PatchStore::Find(CDHDCache::kMulti, 300), nullptr);

    SetEditServer(true);
    Feed(PacketManager::HandleEditMultiData, packet);
    const PatchStore::Item* item = PatchStore::Find(CDHDCache::kMulti, 300);
    ASSERT_NE(item, nullptr);
    ASSERT_EQ(item->bytes.size(), 12u);
    EXPECT_EQ(item->extra, 5);
    EXPECT_EQ(item->bytes[0], 9);
    EXPECT_EQ(static_cast<int16_t>(item->bytes[2] | item->bytes[3] << 8), -1);
    EXPECT_EQ(item->bytes[8], 1);
}

TEST_F(EditMessagesTest, CacheItemsAndTileDataFollowTheEditServerRule) {
    std::vector<uint8_t> fields{3};
    Be32(fields, 77);
    fields.insert(fields.end(), {'a', 'b'});
    const std::vector<uint8_t> cacheItem = Variable(0x94, fields);

    std::vector<uint8_t> group;
    Be32(group, 512); // the first item group: graphics 0..31
    Be32(group, 0);   // header
    for (int row = 0; row < 32; ++row) {
        std::vector<uint8_t> entry(37, 0);
        if (row == 4) entry[3] = 0x40; // flags, big-endian: impassable
        group.insert(group.end(), entry.begin(), entry.end());
    }
    const std::vector<uint8_t> tileData = Variable(0x41, group);

    Feed(PacketManager::HandleEditCacheItem, cacheItem);
    Feed(PacketManager::HandleEditTiledataGroup, tileData);
    EXPECT_EQ(PatchStore::Find(CDHDCache::kSkills, 3), nullptr);
    EXPECT_EQ(TileData::Item(4).flags, 0u);

    SetEditServer(true);
    Feed(PacketManager::HandleEditCacheItem, cacheItem);
    Feed(PacketManager::HandleEditTiledataGroup, tileData);
    const PatchStore::Item* item = PatchStore::Find(CDHDCache::kSkills, 3);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->extra, 77);
    EXPECT_EQ(item->bytes, (std::vector<uint8_t>{'a', 'b'}));
    EXPECT_EQ(TileData::Item(4).flags, TileFlag::Impassable);
}

TEST_F(EditMessagesTest, ShortAndDroppedMessagesChangeNothing) {
    SetEditServer(true);
    const std::vector<std::vector<uint8_t>> packets = {
        {0x3E, 1, 2}, {0x40, 0},          Variable(0x3F, {0, 0}),    std::vector<uint8_t>(110, 0x57),
        {0x5C, 1},    {0x45, 1, 2, 3, 4}, Variable(0x92, {0, 0, 1}), Variable(0x42, {0, 0, 0, 1}),
    };
    for (const auto& p : packets) {
        PacketReader reader(p.data(), p.size());
        switch (p[0]) {
        case 0x3E:
            PacketManager::HandleEditData3E(connection, reader);
            break;
        case 0x40:
            PacketManager::HandleEditMapBlock(connection, reader);
            break;
        case 0x3F:
            PacketManager::HandleEditStaticsBlock(connection, reader);
            break;
        case 0x57:
            PacketManager::HandleRegionRecord(connection, reader);
            break;
        case 0x5C:
            PacketManager::HandleEditServerByte(connection, reader);
            break;
        case 0x45:
            PacketManager::HandleEditData45(connection, reader);
            break;
        case 0x92:
            PacketManager::HandleEditMultiData(connection, reader);
            break;
        case 0x42:
            PacketManager::HandleEditArt(connection, reader);
            break;
        }
    }
    EXPECT_EQ(PatchStore::Count(), 0u) << "a short message stored an item";
    EXPECT_FALSE(MapManager::IsMapCheckEnabled());
}

TEST_F(EditMessagesTest, MapCheckSwitchAndReport) {
    EXPECT_FALSE(MapManager::IsMapCheckEnabled());
    Feed(PacketManager::HandleMapCheckEnable, {0xC6});
    EXPECT_TRUE(MapManager::IsMapCheckEnabled());

    uint8_t buffer[203];
    PacketWriter packet(buffer);
    uint8_t block[MapManager::kBlockSize];
    for (int i = 0; i < MapManager::kBlockSize; ++i)
        block[i] = static_cast<uint8_t>(i);
    PacketManager::SendMapBlockReport(packet, 0x01020304, 0, block);
    const auto wire = FinishPacket(packet);
    ASSERT_EQ(wire.size(), 203u);
    EXPECT_EQ(wire[0], 0xC5);
    EXPECT_EQ(wire[1], 1);
    EXPECT_EQ(wire[4], 4);
    EXPECT_EQ(wire[5], 0);
    EXPECT_EQ(wire[7], 0);
    EXPECT_EQ(wire[202], 195);
}

} // namespace
} // namespace maptest
