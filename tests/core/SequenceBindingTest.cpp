// The application's binding of scripted sequences to the world: a mobile's action while a show
// records becomes a step, and playing the show runs that action and waits for its end.
#include "app/multcli.h"
#include "gumps/CGumpManager.h"
#include "gumps/Sequence.h"
#include "render/DrawItem.h"
#include "support/TestSupport.h"
#include "world/CObjectManager.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <gtest/gtest.h>

namespace {

uint32_t Pos(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

class SequenceBindingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ObjectManagerState::ClearLists();
        DrawItemWorld::ResetForTests();
        DrawItemWorld::SetDirtySink([](const Rect&) {});
        TileData::Free();
        TileData::Allocate();
        ResetSequencesForTests();
        CApp::BindWorldHooks();
        WorldHook::Reset();
    }
    void TearDown() override {
        CGumpManager::ResetForTests();
        ResetSequencesForTests();
        ClearAnimatingSet();
        CObjectManager::ReleaseAll();
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ObjectManagerState::ClearLists();
        WorldHook::Reset();
        DrawItemWorld::ResetForTests();
        TileData::Free();
    }
};

TEST_F(SequenceBindingTest, ARecordedActionPlaysWhenTheShowRunsAndItsEndMovesTheShowOn) {
    auto* m = new CMobile(0x77, 400, 0);
    m->AddToWorld(Pos(10, 10), 0);

    HandleSequenceFlag(0);
    m->PlayAction(12, 5, 1, 1, 0, 0);
    EXPECT_FALSE(m->animating) << "while recording, the action is a step, not played";
    m->PlayAction(13, 5, 1, 1, 0, 0);
    HandleSequenceFlag(1); // play once

    int action = -1, frame = -1;
    ASSERT_TRUE(m->GetCurrentAction(action, frame));
    EXPECT_EQ(action, 12);
    EXPECT_EQ(CSequence::LiveCount(), 1);

    EndMobileAnimation(m, true);
    ASSERT_TRUE(m->GetCurrentAction(action, frame));
    EXPECT_EQ(action, 13) << "the first action's end starts the second step";

    EndMobileAnimation(m, true);
    EXPECT_EQ(CSequence::LiveCount(), 0);
    m->PlayAction(14, 5, 1, 1, 0, 0);
    ASSERT_TRUE(m->GetCurrentAction(action, frame)) << "outside a show, actions play at once";
    EXPECT_EQ(action, 14);
}

TEST_F(SequenceBindingTest, AnActionOfAMobileThatLeftIsSkipped) {
    auto* gone = new CMobile(0x78, 400, 0);
    gone->AddToWorld(Pos(10, 10), 0);
    auto* stays = new CMobile(0x79, 400, 0);
    stays->AddToWorld(Pos(12, 10), 0);

    HandleSequenceFlag(0);
    gone->PlayAction(12, 5, 1, 1, 0, 0);
    stays->PlayAction(15, 5, 1, 1, 0, 0);
    gone->RemoveFromWorld();
    gone->Release();
    HandleSequenceFlag(1);

    int action = -1, frame = -1;
    ASSERT_TRUE(stays->GetCurrentAction(action, frame));
    EXPECT_EQ(action, 15);
}

} // namespace
