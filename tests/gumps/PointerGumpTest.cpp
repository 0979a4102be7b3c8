// The server's pointer arrow: one arrow, shown and aimed by the server's message, turned toward its
// target, kept inside the game area, and answering clicks with the button.
#include "gumps/PointerGump.h"
#include "gumps/ControlFixture.h"
#include "gumps/ServerWindowsBinding.h"
#include "net/ServerWindows.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "world/WorldHooks.h"

#include <gtest/gtest.h>

namespace gumptest {
namespace {

class PointerGumpTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        BindServerWindowSlots();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
    }
    void TearDown() override {
        WorldHook::Table().showPointer = nullptr;
        ResetServerWindowSlots();
        ControlTest::TearDown();
    }
    std::vector<std::vector<uint8_t>> sent;
};

TEST_F(PointerGumpTest, TheArtFollowsTheDirection) {
    const struct {
        int angle, art;
    } cases[] = {{0, 4501},   {31, 4501},  {32, 4502},  {96, 4504},
                 {223, 4507}, {224, 4500}, {255, 4500}, {256, 4501}}; // 256 is north again
    for (const auto& c : cases)
        EXPECT_EQ(CPointerGump::ArtForAngle(c.angle), c.art) << c.angle;
}

TEST_F(PointerGumpTest, OneArrowShownAndAimedByTheServer) {
    ASSERT_TRUE(WorldHook::Table().showPointer) << "the binding takes the world's message";
    WorldHook::Table().showPointer(100, 200, false);
    CPointerGump* arrow = CGumpManager::PointerGump();
    ASSERT_NE(arrow, nullptr) << "the first message builds the arrow, shown or not";
    EXPECT_FALSE(arrow->visible);
    EXPECT_TRUE(arrow->IsPointerGump());
    EXPECT_FALSE(arrow->IsDisposable());

    WorldHook::Table().showPointer(300, 400, true);
    EXPECT_EQ(CGumpManager::PointerGump(), arrow);
    EXPECT_TRUE(arrow->visible);
    EXPECT_EQ(arrow->targetX, 300);
    EXPECT_EQ(arrow->targetY, 400);

    WorldHook::Table().showPointer(5, 6, false);
    EXPECT_FALSE(arrow->visible);
    EXPECT_EQ(arrow->targetX, 300) << "hiding keeps the target";
    int arrows = 0;
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        arrows += g->IsPointerGump() ? 1 : 0;
    EXPECT_EQ(arrows, 1);
}

TEST_F(PointerGumpTest, StaysInsideTheGameAreaAndFlashesOnceInEleven) {
    CGumpManager::SetGameAreaOffset(20, 10);
    auto* arrow = static_cast<CPointerGump*>(CGumpManager::ShowPointerGump(60000, 0, true));
    int flashes = 0;
    for (int i = 0; i < 22; ++i) {
        arrow->Update();
        flashes += arrow->flash ? 1 : 0;
        EXPECT_GE(arrow->x, 20);
        EXPECT_GE(arrow->y, 10);
        EXPECT_LE(arrow->x + arrow->width, 20 + GraphicManager::GetScreenWidth());
        EXPECT_LE(arrow->y + arrow->height, 10 + GraphicManager::GetScreenHeight());
    }
    EXPECT_EQ(flashes, 2);
    CGumpManager::SetGameAreaOffset(0, 0);
}

TEST_F(PointerGumpTest, ClicksAnswerWithTheButton) {
    CGump* arrow = CGumpManager::ShowPointerGump(1, 2, true);
    arrow->HandleLButtonUp(0, 0);
    arrow->HandleRButtonUp(0, 0);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0], std::vector<uint8_t>({0xBF, 0x00, 0x06, 0x00, 0x07, 0x00}));
    EXPECT_EQ(sent[1], std::vector<uint8_t>({0xBF, 0x00, 0x06, 0x00, 0x07, 0x01}));
}

} // namespace
} // namespace gumptest
