// The desktop file: what is saved, what loading restores and queues, and the bounds on both.
#include "gumps/Desktop.h"
#include "core/config.h"
#include "gumps/GumpFixture.h"
#include "gumps/OpenGump.h"

#include <gtest/gtest.h>

namespace gumptest {
namespace {

constexpr uint32_t kPlayer = 0x100, kBackpack = 0x200, kBag = 0x300, kInnerBag = 0x400;

void Put(std::vector<uint8_t>& out, int32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
std::vector<uint8_t> Header(uint32_t serial) {
    std::vector<uint8_t> out;
    Put(out, static_cast<int32_t>(serial));
    return out;
}
void ContainerRecord(std::vector<uint8_t>& out, int x, int y, uint32_t serial) {
    out.push_back(Desktop::Container);
    Put(out, x);
    Put(out, y);
    Put(out, static_cast<int32_t>(serial));
    out.push_back(0);
}

class DesktopTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        Desktop::ResetForTests();
        ResetGumpBuilders();
        ConfigFiles::SetWorkingFolder(dir.path().string());
        World().player = kPlayer;
        World().holders = {{kBackpack, kPlayer}, {kBag, kBackpack}, {kInnerBag, kBag}};
        Desktop::Services& s = Desktop::GetServices();
        s.inWorld = [] { return true; };
        s.playerSerial = [] { return kPlayer; };
        s.playerIsGhost = [this] { return ghost; };
        s.backpackSerial = [] { return kBackpack; };
        s.useObject = [this](uint32_t serial) { used.push_back(serial); };
        s.seconds = [this] { return now; };
        s.readPaths = [] { return std::vector<std::string>{"Desktop/common/desktop.qvs"}; };
        s.writePath = [] { return std::string("Desktop/common/desktop.qvs"); };
        s.setNewbieDesktop = [this] { newbie = true; };
        s.desktopSize = [](int* w, int* h) {
            *w = 1920;
            *h = 1080;
        };
        s.applyGeometry = [this](const Desktop::WindowGeometry& g) { applied.push_back(g); };
    }
    void TearDown() override {
        Desktop::ResetForTests();
        ResetGumpBuilders();
        ConfigFiles::SetWorkingFolder("");
        GumpTest::TearDown();
    }
    static CGump* ContainerWindow(uint32_t serial, int x, int y) {
        auto* g = new TestGump(x, y, 40, 40, 0x1234, nullptr, serial);
        g->SetKindForTest(GumpKind::Container, GumpTrait::kBase);
        return g;
    }
    qvtest::TempDir dir;
    bool ghost = false, newbie = false;
    uint32_t now = 100;
    std::vector<uint32_t> used;
    std::vector<Desktop::WindowGeometry> applied;
};

TEST_F(DesktopTest, SavedContainersComeBackThroughTheQueue) {
    ContainerWindow(kBackpack, 300, 40);
    ContainerWindow(kInnerBag, 10, 10); // its parent bag has no window: not saved
    CGumpManager::SaveDesktop();
    CGumpManager::CloseAllGumps();
    CGumpManager::FreeClosedGumps();

    Desktop::Restore();
    EXPECT_FALSE(Desktop::GetState().defaultDesktop);
    ASSERT_EQ(Desktop::GetState().table.size(), 1u);
    EXPECT_EQ(Desktop::GetState().table[0].serial, kBackpack);
    EXPECT_EQ(Desktop::GetState().queue, std::vector<uint32_t>{kBackpack});
    EXPECT_FALSE(CGumpManager::IsContainerQueueFinished());

    // Every 3 seconds the server is asked to open it, until its window opens.
    CGumpManager::UpdateContainerQueue();
    EXPECT_TRUE(used.empty()) << "not 3 seconds yet";
    now += 3;
    CGumpManager::UpdateContainerQueue();
    EXPECT_EQ(used, std::vector<uint32_t>{kBackpack});
    CGump* reopened = ContainerWindow(kBackpack, 0, 0);
    Desktop::ApplySavedContainer(kBackpack, reopened);
    EXPECT_EQ(reopened->x, 300);
    EXPECT_EQ(reopened->y, 40);
    EXPECT_TRUE(CGumpManager::IsContainerQueueFinished());
}

TEST_F(DesktopTest, AContainerNoLongerInsideIsDropped) {
    std::vector<uint8_t> file = Header(kPlayer);
    ContainerRecord(file, 1, 1, kBag);
    Desktop::Load(file);
    ASSERT_EQ(Desktop::GetState().queue.size(), 1u);
    World().holders.erase(kBag); // dropped on the ground meanwhile
    now += 3;
    CGumpManager::UpdateContainerQueue();
    EXPECT_TRUE(used.empty());
    EXPECT_TRUE(Desktop::GetState().queue.empty());
    EXPECT_TRUE(CGumpManager::IsContainerQueueFinished());
}

TEST_F(DesktopTest, AGhostQueuesNothing) {
    ghost = true;
    std::vector<uint8_t> file = Header(kPlayer);
    ContainerRecord(file, 1, 1, kBackpack);
    Desktop::Load(file);
    EXPECT_EQ(Desktop::GetState().table.size(), 1u);
    EXPECT_TRUE(Desktop::GetState().queue.empty());
}

TEST_F(DesktopTest, ARadarRecordOpensItsKindInPlace) {
    std::vector<uint8_t> file = Header(kPlayer);
    file.push_back(Desktop::Radar);
    Put(file, 20);
    Put(file, 30);
    file.push_back(1);
    Desktop::Load(file);
    CGump* radar = CGumpManager::GetRadar();
    ASSERT_NE(radar, nullptr);
    EXPECT_EQ(radar->gumpArt, GumpKinds::kRadarLarge) << "byte 1 opens 5010";
    EXPECT_EQ(radar->x, 20);
    EXPECT_EQ(Desktop::GetState().restoredRadar, radar);
}

TEST_F(DesktopTest, NoFileGivesTheDefaultDesktop) {
    Desktop::Restore();
    EXPECT_TRUE(Desktop::GetState().defaultDesktop);
    EXPECT_TRUE(Desktop::GetState().foreign);
    EXPECT_TRUE(newbie);
    EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
}

TEST_F(DesktopTest, BadFilesAreBounded) {
    qvtest::ReportRecorder report;
    // Another character's desktop is ignored.
    std::vector<uint8_t> other = Header(0x999);
    ContainerRecord(other, 1, 1, kBackpack);
    Desktop::Load(other);
    EXPECT_TRUE(Desktop::GetState().table.empty());

    // 60 container records: the 50 that fit are kept and queued, the rest skipped with their entry.
    std::vector<uint8_t> many = Header(kPlayer);
    for (int i = 0; i < 60; ++i)
        ContainerRecord(many, i, i, kBackpack);
    // A geometry far past the screen, then a record cut by the end of the file.
    many.push_back(Desktop::GeometryWithState);
    for (int v : {-5, 70000, 100000, -100000, 100000, 100000})
        Put(many, v);
    many.push_back(1);
    many.push_back(Desktop::Radar);
    Put(many, 5);
    Desktop::Load(many);
    EXPECT_EQ(Desktop::GetState().table.size(), static_cast<size_t>(Desktop::kMaxEntries));
    EXPECT_EQ(Desktop::GetState().queue.size(), static_cast<size_t>(Desktop::kMaxEntries));
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0].width, 1920);
    EXPECT_EQ(applied[0].height, 1080);
    EXPECT_EQ(applied[0].windowX, 1920 - Desktop::kMinWidth);
    EXPECT_EQ(applied[0].windowY, 0);
    EXPECT_EQ(applied[0].areaX, 0);
    EXPECT_EQ(applied[0].areaY, 1080);
    EXPECT_TRUE(applied[0].maximised);
    EXPECT_EQ(CGumpManager::GetRadar(), nullptr) << "the cut radar record is ignored";
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "cut by the end"));
}

TEST_F(DesktopTest, RecordsRoundTrip) {
    Desktop::File file;
    file.serial = kPlayer;
    for (uint8_t type = 0; type <= 16; ++type)
        file.records.push_back(Desktop::Record{
            type, std::vector<uint8_t>(static_cast<size_t>(Desktop::BodyLength(type)), type)});
    std::vector<uint8_t> bytes = Desktop::Encode(file);
    bytes.insert(bytes.begin() + 4, 200); // a type without a length is skipped alone
    Desktop::File read;
    ASSERT_TRUE(Desktop::Parse(bytes, &read));
    ASSERT_EQ(read.records.size(), 17u);
    for (uint8_t type = 0; type <= 16; ++type)
        EXPECT_EQ(read.records[type].body, file.records[type].body);
    EXPECT_FALSE(Desktop::Parse({1, 2}, &read));
}

} // namespace
} // namespace gumptest
