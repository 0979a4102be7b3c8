// Multis: the component lists and the placement preview.
#include "world/MapFixture.h"
#include "world/MultiManager.h"

namespace maptest {
namespace {

std::string MultiRecord(int graphic, int dx, int dy, int dz, uint32_t flags) {
    std::string r(12, '\0');
    const int values[4] = {graphic, dx, dy, dz};
    for (int i = 0; i < 4; ++i) {
        r[i * 2] = static_cast<char>(values[i]);
        r[i * 2 + 1] = static_cast<char>(values[i] >> 8);
    }
    for (int i = 0; i < 4; ++i)
        r[8 + i] = static_cast<char>(flags >> (8 * i));
    return r;
}

class MultiTest : public MapTest {
  protected:
    void SetUp() override {
        MapTest::SetUp();
        // A tent: its own graphic, three walls, and a record of flags 0.
        data.items[{CDHDCache::kMulti, 7}] =
            MultiRecord(0x4007, 0, 0, 0, 0) + MultiRecord(I::Wall, -1, 0, 0, 1) +
            MultiRecord(I::Wall, 2, 0, 0, 1) + MultiRecord(I::Floor, 0, 0, 5, 0) +
            MultiRecord(I::Wall, 0, -3, 2, 1);
        data.items[{CDHDCache::kMulti, 9}] = MultiRecord(0x4009, 0, 0, 0, 0) +
                                             MultiRecord(I::Floor, 0, 0, 20, 1) +
                                             MultiRecord(I::Wall, 0, 0, 1, 1);
        data.items[{CDHDCache::kMulti, 8}] =
            MultiRecord(0x4008, 0, 0, 0, 0) + MultiRecord(I::Floor, 1, 1, 0, 1);
    }
    void TearDown() override {
        PlacementPreview::RemovePieces();
        PlacementPreview::Clear();
        MapTest::TearDown();
    }
    static std::vector<CObj*> Components(const CDynamicObj* o) {
        std::vector<CObj*> out;
        for (auto* n = o->multiList ? o->multiList->head : nullptr; n; n = n->next)
            out.push_back(n->component);
        return out;
    }
};

TEST_F(MultiTest, RecordsOfFlagsZeroAreShownInThePreviewButNeverBuilt) {
    CDynamicObj* tent = NewDynamicObj(0x40000001, 0x4007, 0);
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 7);
    ASSERT_NE(tent->multiList, nullptr);
    const std::vector<CObj*> parts = Components(tent);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(tent->multiList->maxExtent, 3);
    EXPECT_EQ(parts[0]->locX, 49);
    EXPECT_EQ(parts[2]->locY, 57);
    EXPECT_EQ(parts[2]->z, 2);
    EXPECT_TRUE(parts[0]->IsMultiComponent());

    ASSERT_TRUE(PlacementPreview::LoadMulti(7, 0, 0, 1));
    EXPECT_STREQ(PlacementPreview::ListName(), "multi");
    ASSERT_EQ(PlacementPreview::Entries().size(), 5u);
    EXPECT_EQ(PlacementPreview::Entries()[3].graphic, I::Floor);
    EXPECT_EQ(PlacementPreview::Entries()[3].dz, 4);
    PlacementPreview::PlaceAt(20, 20);
    EXPECT_EQ(WorldLists::Previews().Count(), 5u);
    int x = 0, y = 0;
    PlacementPreview::GetLastCell(x, y);
    EXPECT_EQ(x, 20);
    PlacementPreview::RemovePieces();
    EXPECT_EQ(WorldLists::Previews().Count(), 0u);
    EXPECT_FALSE(PlacementPreview::Clear());
    EXPECT_FALSE(PlacementPreview::IsActive());
    tent->Release();
}

TEST_F(MultiTest, AnUpdateAtTheSamePlaceDoesNotMoveTheComponents) {
    CDynamicObj* tent = NewDynamicObj(0x40000001, 0x4007, 0);
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 7);
    CObj* part = Components(tent)[0];
    part->MoveTo(objtest::Pos(10, 10), 0); // out of place: only a move would put it back
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 7);
    EXPECT_EQ(part->locX, 10);
    MradeRunager::UpdateMulti(tent, 51, 60, 0, 7);
    EXPECT_EQ(part->locX, 50);
    tent->Release();
}

TEST_F(MultiTest, ANewIdRebuildsEveryComponent) {
    CDynamicObj* tent = NewDynamicObj(0x40000001, 0x4007, 0);
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 7);
    const size_t before = WorldLists::MultiComponents().Count();
    EXPECT_EQ(before, 3u);
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 8);
    const std::vector<CObj*> parts = Components(tent);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_EQ(parts[0]->graphic, I::Floor);
    EXPECT_EQ(parts[0]->locX, 51);
    EXPECT_EQ(WorldLists::MultiComponents().Count(), 1u);
    tent->Release();
    EXPECT_EQ(WorldLists::MultiComponents().Count(), 0u);
}

TEST_F(MultiTest, FlushingACellTakesAMultiWithThePartsOnItsOwnCell) {
    CDynamicObj* tent = NewDynamicObj(0x40000001, 0x4009, 0);
    MradeRunager::UpdateMulti(tent, 50, 60, 0, 9);
    ASSERT_EQ(Components(tent).size(), 2u);
    ASSERT_EQ(Cell(50, 60).size(), 3u);
    DrawManager::FlushCell(50, 60); // the tent goes, and its parts with it
    EXPECT_TRUE(Cell(50, 60).empty());
    EXPECT_EQ(WorldLists::MultiComponents().Count(), 0u);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000001), nullptr);
}

TEST_F(MultiTest, MissingMultiDataLeavesASingleObject) {
    CDynamicObj* tent = NewDynamicObj(0x40000001, 1, 0);
    MradeRunager::UpdateMulti(tent, 50, 60, 3, 99);
    EXPECT_EQ(tent->multiList, nullptr);
    EXPECT_EQ(tent->graphic, 1);
    EXPECT_EQ(tent->locX, 50);
    EXPECT_EQ(tent->z, 3);
    EXPECT_FALSE(PlacementPreview::LoadMulti(99, 0, 0, 0));
    tent->Release();
}

TEST_F(MultiTest, ObjectListPreviewTakesTheLowWordsLessTheOffset) {
    const uint32_t records[] = {I::Wall, 9, 12, 13, 4, I::Floor, 0x10002, 10, 10, 0xFFFF};
    ASSERT_TRUE(PlacementPreview::LoadObjectList(2, records, 10, 10, 0));
    EXPECT_STREQ(PlacementPreview::ListName(), "objlist");
    ASSERT_EQ(PlacementPreview::Entries().size(), 2u);
    EXPECT_EQ(PlacementPreview::Entries()[0].dx, 2);
    EXPECT_EQ(PlacementPreview::Entries()[0].dz, 4);
    EXPECT_EQ(PlacementPreview::Entries()[1].extra, 2);
    EXPECT_EQ(PlacementPreview::Entries()[1].dz, -1);
}

TEST_F(MultiTest, NetworkComponentsKeepWholeRecordsInHostOrder) {
    const uint8_t wire[] = {0x01, 0x02, 0xFF, 0xFE, 0x00, 0x03, 0x00,
                            0x04, 0x00, 0x00, 0x00, 0x01, 0xAA, 0xBB};
    const std::vector<uint8_t> host = MradeRunager::ConvertNetworkComponents(wire, sizeof wire);
    ASSERT_EQ(host.size(), 12u);
    EXPECT_EQ(host[0], 0x02);
    EXPECT_EQ(host[1], 0x01);
    EXPECT_EQ(static_cast<int16_t>(host[2] | host[3] << 8), -2);
    EXPECT_EQ(host[8], 0x01);
    EXPECT_EQ(host[11], 0x00);
}

} // namespace
} // namespace maptest
