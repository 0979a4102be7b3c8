// Opening windows by kind: raising what is open, the radar's toggle, the shop rule and the cascade.
#include "gumps/OpenGump.h"
#include "gumps/GumpFixture.h"
#include "world/objects.h"

#include <gtest/gtest.h>

namespace gumptest {
namespace {

constexpr int kContainerArt = 9711; // 230 x 100

class OpenGumpTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        BackBuffer::Resize(640, 480);
        auto add = [](int id, int w, int h) {
            mkinstall::AddItem(
                Served().gumps, id,
                mkinstall::EncodeGumpArt(w, h, std::vector<uint16_t>(static_cast<size_t>(w) * h, 0x1234)),
                mkinstall::GumpExtra(w, h));
        };
        add(kContainerArt, 230, 100);
        add(GumpKinds::kRadarLarge, 100, 100);
        add(GumpKinds::kRadarSmall, 200, 200);
        ResetGumpArtCache();
        ResetGumpBuilders();
        ResetContainerCascade();
        OffsetGumps = true;
    }
    void TearDown() override {
        ResetGumpBuilders();
        ResetContainerCascade();
        GumpTest::TearDown();
    }
};

TEST_F(OpenGumpTest, ContainersCascadeAndWrap) {
    std::vector<int> xs;
    for (int i = 0; i < 25; ++i) {
        CGump* g = CGumpManager::OpenGump(nullptr, kContainerArt, nullptr, true);
        ASSERT_NE(g, nullptr);
        EXPECT_TRUE(g->IsContainerGump());
        xs.push_back(g->x);
    }
    EXPECT_EQ(xs[0], 32);
    EXPECT_EQ(xs[1], 48);
    EXPECT_EQ(xs[22], 384);
    EXPECT_EQ(xs[23], 16) << "x + 230 reached 624";
    EXPECT_EQ(xs[24], 32);
    OffsetGumps = false;
    CGump* fixed = CGumpManager::OpenGump(nullptr, kContainerArt, nullptr, true);
    EXPECT_EQ(fixed->x, 640 - 230 - 10);
    EXPECT_EQ(fixed->y, 10);
}

TEST_F(OpenGumpTest, AskingForTheRadarTogglesItsSizeInPlace) {
    CGump* small = CGumpManager::OpenGump(nullptr, GumpKinds::kRadarLarge);
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(CGumpManager::GetRadar(), small);
    small->x = 50;
    small->y = 60;
    CGump* large = CGumpManager::OpenGump(nullptr, GumpKinds::kRadarLarge);
    ASSERT_NE(large, nullptr);
    EXPECT_TRUE(small->IsClosed());
    EXPECT_EQ(large->width, 200);
    EXPECT_EQ(large->x, 50);
    EXPECT_EQ(large->y, 60);
    CGump* again = CGumpManager::OpenGump(nullptr, GumpKinds::kRadarSmall);
    EXPECT_EQ(again->width, 100);
}

TEST_F(OpenGumpTest, AShopWithoutOwnerWarnsAndOpensNothing) {
    qvtest::ReportRecorder report;
    EXPECT_EQ(CGumpManager::OpenGump(nullptr, GumpKinds::kShop), nullptr);
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "case '48'"));
}

TEST_F(OpenGumpTest, AnOpenWindowIsRaisedAndRestoredInstead) {
    CDynamicObj mobile(0x55, 400, 0, false);
    World().mobiles.insert(0x55);
    auto* doll = new TestGump(10, 10, 50, 50, 0x7C00, nullptr, 0x55);
    doll->SetKindForTest(GumpKind::Paperdoll, GumpTrait::kBase);
    MinimizeGump(doll);
    ASSERT_TRUE(doll->minimised);
    new TestGump(0, 0, 20, 20, 0x03E0); // in front of it
    int built = 0;
    RegisterGumpBuilder(GumpKinds::kPaperdoll, [&](const GumpOpenRequest&) -> CGump* {
        ++built;
        return nullptr;
    });
    EXPECT_EQ(CGumpManager::OpenGump(&mobile, GumpKinds::kPaperdoll), doll);
    EXPECT_FALSE(doll->minimised);
    EXPECT_EQ(CGumpManager::TopLevel().first, doll);
    EXPECT_EQ(built, 0);
}

TEST_F(OpenGumpTest, KindsWithoutAWindowShowTheirArt) {
    CGump* g = CGumpManager::OpenGump(nullptr, kContainerArt);
    ASSERT_NE(g, nullptr);
    EXPECT_FALSE(g->IsContainerGump());
    EXPECT_EQ(g->gumpArt, kContainerArt);
    EXPECT_EQ(g->x, 640 - 230);
    // A registered builder gets the request with the art's size and place.
    GumpOpenRequest seen;
    RegisterGumpBuilder(4242, [&](const GumpOpenRequest& r) -> CGump* {
        seen = r;
        return new TestGump(r.x, r.y, 5, 5, 1);
    });
    CGump* built = CGumpManager::OpenGump(nullptr, 4242);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(seen.kind, 4242);
    EXPECT_EQ(CGumpManager::TopLevel().first, built);
}

} // namespace
} // namespace gumptest
