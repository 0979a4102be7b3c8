// The player's walk queue on the manual clock: sequence numbers, acknowledgements and refusals, the
// one resynchronisation, forced steps, the step animation and the view's scroll, the path walk of
// server requests and following.
#include "world/PlayerWalk.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/GraphicManager.h"
#include "world/MapFixture.h"

#include <string>
#include <vector>

namespace maptest {
namespace {

using objtest::g_calls;
using PlayerWalk::GetState;

class PlayerWalkTest : public MapTest {
  protected:
    void SetUp() override {
        MapTest::SetUp();
        PlayerWalk::ResetForTests();
        PlayerWalk::Links& links = PlayerWalk::GetLinks();
        links.connected = [this] { return connected; };
        links.send = [this](PacketWriter& packet) {
            const std::span<const uint8_t> bytes = FinishPacket(packet);
            sent.emplace_back(bytes.begin(), bytes.end());
        };
        links.mouseInWalkEllipse = [] { return true; };
        links.playSound = [this](int id) { sounds.push_back(id); };
        WorldHook::Table().showSystemMessage = [this](int, int, const char* text) {
            messages.push_back(text);
        };
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        pPlayerObject->facing = 2;
        pPlayerObject->AddToWorld(objtest::Pos(100, 100), 0);
        CenterOn(100, 100);
    }
    void TearDown() override {
        PlayerWalk::ResetForTests();
        GraphicManager::LoadAnimInfoFromBytes(nullptr, 0);
        MapTest::TearDown();
    }

    // Queues a world direction.
    bool Queue(int direction) {
        return PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(direction), 0, true);
    }
    // World steps until the queue is animated (at most n).
    void Animate(int n = 40) {
        for (int i = 0; i < n && GetState().animatePosition < GetState().length; ++i)
            PlayerWalk::UpdatePlayerWalk();
    }
    std::vector<std::vector<uint8_t>> Sent(uint8_t id) const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& p : sent)
            if (!p.empty() && p[0] == id) out.push_back(p);
        return out;
    }
    std::pair<int, int> Player() const { return {pPlayerObject->locX, pPlayerObject->locY}; }
    std::pair<int, int> Center() const {
        int x = 0, y = 0, z = 0;
        MapManager::GetCenter(x, y, z);
        return {x, y};
    }

    bool connected = true;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<int> sounds;
    std::vector<std::string> messages;
};

TEST_F(PlayerWalkTest, SequencesStartAtZeroAndSkipZeroAfterTheWrap) {
    std::vector<int> sequences;
    for (int i = 0; i < 257; ++i) {
        // Turns on the spot: east and west in turn never leave the cell.
        ASSERT_TRUE(Queue(i % 2 ? 2 : 6)) << i;
        const int sequence = Sent(0x02).back()[2];
        sequences.push_back(sequence);
        PlayerWalk::HandleWalkAck(sequence);
        Animate();
        ASSERT_EQ(GetState().length, 0) << i;
    }
    EXPECT_EQ(sequences[0], 0);
    EXPECT_EQ(sequences[1], 1);
    EXPECT_EQ(sequences[255], 255);
    EXPECT_EQ(sequences[256], 1);
    EXPECT_TRUE(Sent(0x22).empty());
    EXPECT_EQ(Center(), std::make_pair(100, 100));
}

TEST_F(PlayerWalkTest, TheRequestCarriesDirectionRunFlagSequenceAndKey) {
    PlayerWalk::GetLinks().mouseInWalkEllipse = [] { return false; };
    ASSERT_TRUE(PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), -1, true));
    ASSERT_TRUE(PlayerWalk::QueueWalkStep(PlayerWalk::ToScreenDirection(2), 0, true));
    const auto requests = Sent(0x02);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0], (std::vector<uint8_t>{0x02, 0x82, 0, 0, 0, 0, 0}));
    EXPECT_EQ(requests[1], (std::vector<uint8_t>{0x02, 0x02, 1, 0, 0, 0, 0}));
    EXPECT_EQ(GetState().unanswered, 2);
}

TEST_F(PlayerWalkTest, AKeyWalkRunsWhileControlIsHeld) {
    bool control = false;
    PlayerWalk::GetLinks().controlHeld = [&control] { return control; };
    // The walk ellipse, which decides a mouse walk, has no say in a key walk.
    PlayerWalk::GetLinks().mouseInWalkEllipse = [] { return false; };
    const struct {
        bool control;
        uint8_t direction;
    } cases[] = {{false, 0x02}, {true, 0x82}, {false, 0x02}};
    for (const auto& c : cases) {
        control = c.control;
        sent.clear();
        PlayerWalk::WalkByKey(PlayerWalk::ToScreenDirection(2), 0);
        const auto requests = Sent(0x02);
        ASSERT_EQ(requests.size(), 1u) << c.control;
        EXPECT_EQ(requests[0][1], c.direction) << c.control;
        PlayerWalk::HandleWalkAck(requests[0][2]);
        Animate();
    }
    EXPECT_TRUE(Sent(0x22).empty());
}

TEST_F(PlayerWalkTest, AcknowledgementsOfAnimatedEntries) {
    struct Case {
        const char* name;
        int acked; // index of the animated entry acknowledged
        bool resync;
        int lengthAfter;
    } cases[] = {
        {"the first animated entry goes", 0, false, 1},
        {"a later animated entry resyncs", 1, true, 0},
    };
    for (const Case& c : cases) {
        PlayerWalk::ResetWalk(-1, -1, -1, -1);
        sent.clear();
        ASSERT_TRUE(Queue(2)) << c.name;
        ASSERT_TRUE(Queue(2)) << c.name;
        Animate();
        ASSERT_EQ(GetState().animatePosition, 2) << c.name;
        const auto start = Center();
        PlayerWalk::HandleWalkAck(Sent(0x02)[static_cast<size_t>(c.acked)][2]);
        EXPECT_EQ(Sent(0x22).size(), c.resync ? 1u : 0u) << c.name;
        EXPECT_EQ(GetState().length, c.lengthAfter) << c.name;
        EXPECT_EQ(GetState().blocked, c.resync) << c.name;
        // The step moved the view centre whether or not it fitted the queue.
        EXPECT_EQ(Center().first, start.first + 1) << c.name;
        if (c.resync) {
            // Blocked: nothing is queued and a second failure sends nothing more.
            EXPECT_FALSE(Queue(2)) << c.name;
            PlayerWalk::HandleWalkAck(77);
            EXPECT_EQ(Sent(0x22).size(), 1u) << c.name;
        }
    }
}

TEST_F(PlayerWalkTest, ABlockedQueueWaitsForTheServersPlacement) {
    ASSERT_TRUE(Queue(2));
    PlayerWalk::HandleWalkAck(9); // not in the queue
    ASSERT_TRUE(GetState().blocked);
    EXPECT_FALSE(Queue(2));
    // A refusal places the player and unblocks; the counter starts again at 0.
    PlayerWalk::ResetWalk(1, 105, 106, 0);
    EXPECT_FALSE(GetState().blocked);
    EXPECT_EQ(Center(), std::make_pair(105, 106));
    EXPECT_EQ(pPlayerObject->locX, 105);
    EXPECT_EQ(pPlayerObject->locY, 106);
    ASSERT_TRUE(Queue(2));
    EXPECT_EQ(Sent(0x02).back()[2], 0);
    // The resync was asked once; until the server's player update another failure asks nothing.
    PlayerWalk::HandleWalkAck(9);
    EXPECT_EQ(Sent(0x22).size(), 1u);
    PlayerWalk::ClearResyncSent();
    PlayerWalk::ResetWalk(-1, -1, -1, -1);
    PlayerWalk::HandleWalkAck(9);
    EXPECT_EQ(Sent(0x22).size(), 2u);
}

TEST_F(PlayerWalkTest, TurnsNeverMoveTheViewCentre) {
    ASSERT_TRUE(Queue(4)); // facing east: a turn south
    ASSERT_TRUE(Queue(4)); // then a step south
    const auto requests = Sent(0x02);
    PlayerWalk::HandleWalkAck(requests[0][2]);
    EXPECT_EQ(Center(), std::make_pair(100, 100));
    PlayerWalk::HandleWalkAck(requests[1][2]);
    EXPECT_EQ(Center(), std::make_pair(100, 101));
    Animate();
    EXPECT_EQ(pPlayerObject->locY, 101);
    EXPECT_EQ(pPlayerObject->facing, 4);
    EXPECT_EQ(GetState().length, 0);
}

TEST_F(PlayerWalkTest, AFifthStepAndAStepWithoutConnectionAreRefused) {
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Queue(2)) << i;
    EXPECT_FALSE(Queue(2));
    EXPECT_EQ(Sent(0x02).size(), 4u);
    PlayerWalk::ResetWalk(-1, -1, -1, -1);
    connected = false;
    EXPECT_FALSE(Queue(2));
    EXPECT_EQ(Sent(0x02).size(), 4u);
}

TEST_F(PlayerWalkTest, ABlockedCellIsRefusedLocally) {
    SetLand(101, 100, L::Rock, 0);
    MapManager::ResetBlocks();
    CenterOn(100, 100);
    EXPECT_FALSE(Queue(2));
    EXPECT_TRUE(Sent(0x02).empty());
}

TEST_F(PlayerWalkTest, AStepDownOf22SaysOuchAnd21DoesNot) {
    for (int drop : {21, 22}) {
        SetLand(100, 100, L::Grass, drop);
        SetLand(101, 100, L::Grass, 0);
        SetLand(102, 100, L::Grass, 0);
        MapManager::ResetBlocks();
        CenterOn(100, 100, drop);
        pPlayerObject->MoveTo(objtest::Pos(100, 100), drop);
        pPlayerObject->facing = 2;
        PlayerWalk::ResetWalk(-1, -1, -1, -1);
        g_calls.journal.clear();
        sounds.clear();
        ASSERT_TRUE(Queue(2)) << drop;
        ASSERT_EQ(GetState().queue[0].z, 0) << drop;
        EXPECT_EQ(GetState().queue[0].drop, 1) << drop;
        Animate();
        const bool ouch =
            std::find(g_calls.journal.begin(), g_calls.journal.end(), "ouch!") != g_calls.journal.end();
        EXPECT_EQ(ouch, drop >= 22) << drop;
        ASSERT_EQ(sounds.size(), drop >= 22 ? 1u : 0u) << drop;
        if (!sounds.empty()) {
            EXPECT_GE(sounds[0], 340) << "body 400 is even";
            EXPECT_LE(sounds[0], 344);
        }
    }
}

TEST_F(PlayerWalkTest, WalkScrollOffsetsByDirection) {
    struct Case {
        int direction, frame, n, x, y;
    } cases[] = {
        {0, 2, 4, 11, -11},
        {1, 2, 4, 22, 0},
        {2, 2, 4, 11, 11},
        {3, 2, 4, 0, 22},
        {4, 2, 4, -11, 11},
        {5, 2, 4, -22, 0},
        {6, 2, 4, -11, -11},
        {7, 2, 4, 0, -22},
        {0, 1, 3, 7, -7},   // truncates toward zero
                            // on both signs
        {5, 1, 3, -14, 0},  //
        {2, 1, 0, 22, 22},  // frames per tile of 0 count as 1
        {10, 2, 4, 11, 11}, // only the low three bits name a direction
    };
    for (const Case& c : cases) {
        int x = 0, y = 0;
        PlayerWalk::WalkScrollOffset(c.direction, c.frame, c.n, x, y);
        EXPECT_EQ(x, c.x) << c.direction << " " << c.frame << "/" << c.n;
        EXPECT_EQ(y, c.y) << c.direction << " " << c.frame << "/" << c.n;
    }
}

TEST_F(PlayerWalkTest, FramesPerTileNeverFallBelowOne) {
    std::vector<uint8_t> info(2000, 0);
    for (size_t i = 0; i < info.size(); ++i)
        info[i] = 4;
    info[2 * 401] = 1; // body 401 walks at 1 and runs at 1
    info[2 * 401 + 1] = 1;
    GraphicManager::LoadAnimInfoFromBytes(info.data(), info.size());
    struct Case {
        const char* name;
        int body;
        bool mounted, running, falling;
        int drop, expected;
    } cases[] = {
        {"walking", 400, false, false, false, 0, 4},
        {"mounted halves", 400, true, false, false, 0, 2},
        {"mounted half of 1", 401, true, false, false, 0, 1},
        {"mounted running half of 1", 401, true, true, false, 0, 1},
        {"falling 22", 400, false, false, true, 22, 8},
        {"falling 10", 400, false, false, true, 10, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlayerWalk::PlayerFramesPerTile(c.body, c.mounted, c.running, c.falling, c.drop),
                  c.expected)
            << c.name;
}

TEST_F(PlayerWalkTest, StepFramesScrollTheViewAndAMountedSlowStepStillEnds) {
    std::vector<uint8_t> info(4000, 1);
    GraphicManager::LoadAnimInfoFromBytes(info.data(), info.size());
    pPlayerObject->mounted = 1;
    ASSERT_TRUE(Queue(2));
    PlayerWalk::UpdatePlayerWalk();
    // Half of a walk value of 1 counts as one frame: the step ends on the first world step.
    EXPECT_EQ(pPlayerObject->locX, 101);
    EXPECT_EQ(GetState().animatePosition, 1);
    EXPECT_EQ(GetState().scrollX, 0);
}

TEST_F(PlayerWalkTest, FollowAcknowledgeModeAnimatesOnlyAcknowledgedSteps) {
    PlayerWalk::SetFollowAcknowledgeMode(true);
    ASSERT_TRUE(Queue(2));
    for (int i = 0; i < 10; ++i)
        PlayerWalk::UpdatePlayerWalk();
    EXPECT_EQ(pPlayerObject->locX, 100);
    EXPECT_EQ(GetState().animatePosition, 0);
    PlayerWalk::HandleWalkAck(Sent(0x02)[0][2]);
    Animate();
    EXPECT_EQ(pPlayerObject->locX, 101);
    EXPECT_EQ(GetState().length, 0);
    PlayerWalk::ResetWalkState();
    EXPECT_FALSE(GetState().followAcknowledge);
}

TEST_F(PlayerWalkTest, ForcedStepsAreAcknowledgedAtOnce) {
    PlayerWalk::HandleForcedWalk(0x84); // running south: bit 7 is not a direction
    ASSERT_EQ(GetState().length, 1);
    EXPECT_EQ(GetState().queue[0].direction, 4);
    EXPECT_EQ(GetState().queue[0].acknowledged, 1);
    EXPECT_TRUE(Sent(0x02).empty());
    Animate();
    PlayerWalk::HandleForcedWalk(0x04); // the turn came first; now the step
    Animate();
    EXPECT_EQ(Center(), std::make_pair(100, 101));
    EXPECT_EQ(pPlayerObject->locY, 101);
    EXPECT_EQ(GetState().length, 0);
}

TEST_F(PlayerWalkTest, AForcedStepOnAFullQueueResyncsOnce) {
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Queue(2));
    PlayerWalk::ForceWalkStep(2);
    EXPECT_EQ(Sent(0x22).size(), 1u);
    EXPECT_TRUE(GetState().blocked);
    // The forced step itself is taken: the server moved the player.
    ASSERT_EQ(GetState().length, 1);
    EXPECT_EQ(GetState().queue[0].acknowledged, 1);
    EXPECT_EQ(Center(), std::make_pair(101, 100));
    // Blocked now: the next push waits for the server's placement.
    PlayerWalk::ForceWalkStep(2);
    EXPECT_EQ(GetState().length, 1);
    EXPECT_EQ(Sent(0x22).size(), 1u);
}

TEST_F(PlayerWalkTest, ServerPathsActOnTheFirstRequestAndTurnsCostAStep) {
    pPlayerObject->facing = 0;
    PlayerWalk::PathfindTo(104, 100, 0);
    ASSERT_TRUE(PlayerWalk::IsPathActive());
    EXPECT_NE(std::find(g_calls.journal.begin(), g_calls.journal.end(), "Pathfinding to 104, 100, 0."),
              g_calls.journal.end());
    EXPECT_EQ(std::find(g_calls.journal.begin(), g_calls.journal.end(), "104 100 0"), g_calls.journal.end());
    // Facing north, the path leads east: the first request only turns.
    PlayerWalk::StepAlongPath();
    ASSERT_EQ(GetState().length, 1);
    EXPECT_FALSE(GetState().queue[0].IsStep());
    EXPECT_EQ(GetState().queue[0].direction, 2);
    PlayerWalk::StepAlongPath();
    ASSERT_EQ(GetState().length, 2);
    EXPECT_TRUE(GetState().queue[1].IsStep());
    // The walk goes on while the server acknowledges, until the goal's neighbour is reached.
    for (int i = 0; i < 40 && PlayerWalk::IsPathActive(); ++i) {
        for (const auto& p : sent)
            if (p[0] == 0x02) PlayerWalk::HandleWalkAck(p[2]);
        sent.clear();
        Animate();
        PlayerWalk::StepAlongPath();
    }
    EXPECT_FALSE(PlayerWalk::IsPathActive());
    EXPECT_GE(Center().first, 103);
    EXPECT_EQ(Center().second, 100);
}

TEST_F(PlayerWalkTest, FollowingSearchesWhenTheMobileLeavesRange) {
    // A walled pen east of the player.
    for (int x = 108; x <= 112; ++x)
        for (int y = 96; y <= 104; ++y)
            if (x == 108 || x == 112 || y == 96 || y == 104) SetLand(x, y, L::Rock, 0);
    MapManager::ResetBlocks();
    CenterOn(100, 100);
    CMobile* m = NewMobile(0x77, 400);
    m->AddToWorld(objtest::Pos(102, 100), 0);
    pPlayerObject->following = 1;
    pPlayerObject->followedSerial = 0x77;
    PlayerWalk::FollowMobileMoved(m);
    EXPECT_FALSE(PlayerWalk::IsPathActive()) << "within 3 cells: no search";
    m->MoveTo(objtest::Pos(106, 100), 0);
    PlayerWalk::FollowMobileMoved(m);
    EXPECT_TRUE(PlayerWalk::IsPathActive());
    // Walled in: no path, the message, the path inactive.
    PlayerWalk::EndPath();
    m->MoveTo(objtest::Pos(110, 100), 0);
    PlayerWalk::FollowMobileMoved(m);
    EXPECT_FALSE(PlayerWalk::IsPathActive());
    EXPECT_EQ(messages, std::vector<std::string>{"Can't get there (follow)"});
    // A key walk stops following.
    PlayerWalk::WalkByKey(PlayerWalk::ToScreenDirection(2), 0);
    EXPECT_EQ(pPlayerObject->following, 0);
}

TEST_F(PlayerWalkTest, AutoRepeatedKeysWaitForTheAnimation) {
    PlayerWalk::WalkByKey(PlayerWalk::ToScreenDirection(2), 0);
    ASSERT_EQ(GetState().length, 1);
    PlayerWalk::WalkByKey(PlayerWalk::ToScreenDirection(2), 0x40000000);
    EXPECT_EQ(GetState().length, 1);
    PlayerWalk::WalkByKey(PlayerWalk::ToScreenDirection(2), 0);
    EXPECT_EQ(GetState().length, 2);
}

} // namespace
} // namespace maptest

namespace maptest {
namespace {

TEST_F(PlayerWalkTest, ALostAnswerLeavesItsEntryAtTheHeadUntilALaterAnswerFindsItAnimated) {
    ASSERT_TRUE(Queue(2));
    ASSERT_TRUE(Queue(2));
    const auto requests = Sent(0x02);
    // The first answer is lost; the second arrives before its step is animated.
    PlayerWalk::HandleWalkAck(requests[1][2]);
    Animate();
    // The acknowledged step went where it stood; the unanswered one stays at the head.
    ASSERT_EQ(GetState().length, 1);
    EXPECT_EQ(GetState().queue[0].sequence, requests[0][2]);
    EXPECT_EQ(pPlayerObject->locX, 102);
    // A later answer for an animated entry behind it resyncs.
    ASSERT_TRUE(Queue(2));
    Animate();
    PlayerWalk::HandleWalkAck(Sent(0x02)[2][2]);
    EXPECT_EQ(Sent(0x22).size(), 1u);
    EXPECT_TRUE(GetState().blocked);
}

TEST_F(PlayerWalkTest, ServerMessagesPlaceThePlayerWithTheirFacingsLowBits) {
    CGameSock connection;
    auto deliver = [&](std::vector<uint8_t> bytes) {
        PacketReader packet(bytes.data(), bytes.size());
        if (bytes[0] == 0x20) PacketManager::HandlePlayerUpdate(connection, packet);
        if (bytes[0] == 0x21) PacketManager::HandleMoveReject(connection, packet);
        if (bytes[0] == 0x22) PacketManager::HandleMoveAck(connection, packet);
    };
    ASSERT_TRUE(Queue(2));
    deliver({0x21, 0, 0x00, 110, 0x00, 120, 0x85, 0});
    EXPECT_EQ(pPlayerObject->facing, 5);
    EXPECT_EQ(Center(), std::make_pair(110, 120));
    EXPECT_EQ(GetState().length, 0);
    // Another serial's update does nothing; the player's own places it and clears the blocked queue.
    PlayerWalk::HandleWalkAck(200);
    ASSERT_TRUE(GetState().blocked);
    deliver({0x20, 0, 0, 0x99, 0x99, 0x01, 0x90, 0, 0, 0, 0, 0x00, 90, 0x00, 91, 0, 0, 0x83, 0});
    EXPECT_TRUE(GetState().blocked);
    deliver({0x20, 0, 0, 0x12, 0x34, 0x01, 0x90, 0, 0, 0, 0, 0x00, 90, 0x00, 91, 0, 0, 0x83, 0});
    EXPECT_FALSE(GetState().blocked);
    EXPECT_FALSE(GetState().resyncSent);
    EXPECT_EQ(pPlayerObject->facing, 3);
    EXPECT_EQ(Center(), std::make_pair(90, 91));
    EXPECT_EQ(Player(), std::make_pair(90, 91));
    // A short acknowledgement is dropped with a line.
    deliver({0x22, 0});
    EXPECT_TRUE(recorder->contains("HandleMoveAck: short packet"));
}

} // namespace
} // namespace maptest

namespace maptest {
namespace {

TEST_F(PlayerWalkTest, EachStepFrameScrollsTheViewTowardTheNextCell) {
    std::vector<std::pair<int, int>> shifts;
    int restacks = 0;
    WorldHook::Table().shiftMissiles = [&](int dx, int dy) { shifts.emplace_back(dx, dy); };
    WorldHook::Table().refreshBarks = [&] { ++restacks; };
    PlayerWalk::UpdatePlayerWalk(); // settles the scroll position at rest
    shifts.clear();
    restacks = 0;
    ASSERT_TRUE(Queue(2)); // east: 4 frames per tile by default
    std::vector<int> scroll;
    for (int i = 0; i < 4; ++i) {
        PlayerWalk::UpdatePlayerWalk();
        scroll.push_back(pPlayerObject->walkScrollX);
    }
    // 22a/4 for a = 1, 2, 3, then the step ends on its cell with no offset.
    EXPECT_EQ(scroll, (std::vector<int>{5, 11, 16, 0}));
    EXPECT_EQ(pPlayerObject->locX, 101);
    // The view moved 22 pixels right and down in four shifts that add up.
    int sumX = 0, sumY = 0;
    for (auto [dx, dy] : shifts) {
        sumX += dx;
        sumY += dy;
    }
    EXPECT_EQ(sumX, 22);
    EXPECT_EQ(sumY, 22);
    EXPECT_EQ(restacks, static_cast<int>(shifts.size()));
    EXPECT_FALSE(shifts.empty());
}

} // namespace
} // namespace maptest
