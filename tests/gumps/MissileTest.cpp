// Graphic effects and scripted sequences over real world objects: flights, re-aiming, explosions,
// picture cycles, lightning, effects on objects, the effect messages, and sequences with their
// recording, repeats, skipped steps and teardown.
#include "GumpFixture.h"

#include "core/SharedServices.h"
#include "gumps/EffectHooks.h"
#include "gumps/MissileGump.h"
#include "gumps/Sequence.h"
#include "mkinstall/WorldFiles.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "render/Ppm.h"
#include "render/SpanOps.h"
#include "world/CObjectManager.h"
#include "world/PlayerObject.h"
#include "world/TileData.h"
#include "world/WeatherManager.h"
#include "world/WorldHooks.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace {

using gumptest::GumpTest;

constexpr uint16_t kBolt = 0;      // sample item art 0 (20 x 30), one picture
constexpr uint16_t kSpark = 1;     // quality 4: pictures 1..4 (only 1..3 have art)
constexpr uint16_t kNoFrames = 2;  // quality 0
constexpr uint16_t kAnimated = 50; // an animation record: 0, +2, +1

uint32_t Pos(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

std::vector<CMissileGump*> LiveEffects() {
    std::vector<CMissileGump*> out;
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        if (g->IsMissileGump() && !g->IsClosed()) out.push_back(static_cast<CMissileGump*>(g));
    return out;
}

class MissileTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        ObjectManagerState::ClearLists();
        DrawItemWorld::ResetForTests();
        DrawItemWorld::SetDirtySink([](const Rect&) {});
        DrawManager::SetScrollOffset(0, 0);
        TileData::Free();
        TileData::Allocate();
        TileData::MutableItem(kSpark)->quality = 4;
        animCrap::Reset();
        std::string anim(
            static_cast<size_t>(animCrap::kGroupSize) * (kAnimated / animCrap::kGroupRecords + 1), '\0');
        const std::string record = mkinstall::AnimDataRecord({0, 2, 1}, 0, 3, 2, 1);
        anim.replace(4 + static_cast<size_t>(kAnimated / 8) * animCrap::kGroupSize + (kAnimated % 8) * 68, 68,
                     record);
        animCrap::LoadFromBytes(reinterpret_cast<const uint8_t*>(anim.data()), anim.size());
        ResetSequencesForTests();
        SeedRandom(7);
        const std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
    }
    void TearDown() override {
        CGumpManager::ResetForTests();
        ResetSequencesForTests();
        DeletePlayerObject();
        CObjectManager::ReleaseAll();
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ObjectManagerState::ClearLists();
        WorldHook::Reset();
        DrawItemWorld::ResetForTests();
        animCrap::Reset();
        TileData::Free();
        HueManager::ResetForTests();
        ResetSpanState();
        GumpTest::TearDown();
    }
    static CMobile* Mobile(uint32_t serial, int x, int y, int z = 0) {
        auto* m = new CMobile(serial, 400, 0);
        m->AddToWorld(Pos(x, y), z);
        return m;
    }
    // Updates until the effect closes; the number of updates it took (capped).
    static int UpdatesUntilGone(const CMissileGump* effect, int cap = 500) {
        GumpRef<const CMissileGump> ref(effect);
        for (int n = 1; n <= cap; ++n) {
            CGumpManager::Update();
            if (!ref) return n;
        }
        return -1;
    }
};

// ---------------------------------------------------------------- flights
TEST_F(MissileTest, FlightToAPositionTakesItsStepsAndExplodesThere) {
    CMissileGump* m = LaunchMissileLocToLoc(kBolt, MakeEffectPosition(100, 100, 0),
                                            MakeEffectPosition(110, 100, 0), 5, 0, 1);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->updatesLeft, 16); // 311 / 20 = 15 steps
    EXPECT_NEAR(m->velocityX, 220.0 / 15, 1e-9);
    EXPECT_NEAR(m->velocityY, 220.0 / 15, 1e-9);
    EXPECT_EQ(m->angle, static_cast<uint8_t>(RadiansToAngle256(std::atan2(1.0, 1.0)) - 128));
    const int startX = m->x;
    CGumpManager::Update();
    EXPECT_EQ(m->x, static_cast<int>(startX + 220.0 / 15));
    EXPECT_EQ(UpdatesUntilGone(m), 15);
    // The explosion: 14001 for 13 updates at the target's z.
    const std::vector<CMissileGump*> left = LiveEffects();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->currentGraphic, 14001);
    EXPECT_EQ(left[0]->updatesLeft, 13);
    ASSERT_NE(left[0]->drawItem, nullptr);
    EXPECT_EQ(left[0]->drawItem->z, 0);
    EXPECT_EQ(left[0]->drawItem->locX, 110);
    EXPECT_EQ(UpdatesUntilGone(left[0]), 13);
}

TEST_F(MissileTest, EffectsCloserThanAStepEndOnTheirFirstUpdate) {
    struct Case {
        const char* what;
        bool toObject;
        bool explode;
    } cases[] = {{"position, explodes", false, true},
                 {"position", false, false},
                 {"object at distance 0", true, true}};
    for (const Case& c : cases) {
        CMobile* target = c.toObject ? Mobile(0x10, 50, 50) : nullptr;
        CMissileGump* m = c.toObject ? LaunchMissileObjToObj(kBolt, target, target, 5, 0, c.explode)
                                     : LaunchMissileLocToLoc(kBolt, MakeEffectPosition(50, 50, 0),
                                                             MakeEffectPosition(50, 50, 0), 5, 0, c.explode);
        ASSERT_NE(m, nullptr) << c.what;
        EXPECT_TRUE(std::isfinite(m->velocityX) && std::isfinite(m->velocityY)) << c.what;
        EXPECT_EQ(UpdatesUntilGone(m), 1) << c.what;
        EXPECT_EQ(LiveEffects().size(), c.explode ? 1u : 0u) << c.what;
        CGumpManager::ResetForTests();
        if (target) {
            target->RemoveFromWorld();
            target->Release();
        }
    }
}

TEST_F(MissileTest, MissileToAMovingObjectReAimsAndKeepsItsSpeed) {
    CMobile* target = Mobile(0x20, 120, 100);
    CMissileGump* m = LaunchMissileLocToObj(kBolt, MakeEffectPosition(100, 100, 0), target, 5, 0, 1);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->speedFactor, 16);
    EXPECT_NEAR(std::hypot(m->velocityX, m->velocityY), 16.0, 1e-9);
    CGumpManager::Update();
    const int oldTargetX = m->targetPointX;
    target->MoveTo(Pos(120, 130), 0);
    CGumpManager::Update(); // re-aims on the update after the move
    EXPECT_NE(m->targetPointX, oldTargetX);
    EXPECT_EQ(m->targetY, 130);
    EXPECT_NEAR(std::hypot(m->velocityX, m->velocityY), 16.0, 1e-9);
    UpdatesUntilGone(m);
    // The explosion at an object: 14027 for 9 updates, one z unit higher.
    const std::vector<CMissileGump*> left = LiveEffects();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->currentGraphic, 14027);
    EXPECT_EQ(left[0]->updatesLeft, 9);
    EXPECT_EQ(left[0]->drawItem->z, 1);
}

TEST_F(MissileTest, MissileWhoseTargetIsGoneEndsAtTheLastTargetPoint) {
    // Only the missile's own lookup is measured: the dying mobile's call that ends the missiles
    // aimed at it is left out.
    WorldHook::Table().deleteMissilesAt = nullptr;
    CMobile* target = Mobile(0x30, 130, 100);
    CMissileGump* m = LaunchMissileLocToObj(kBolt, MakeEffectPosition(100, 100, 0), target, 2, 0, 1);
    ASSERT_NE(m, nullptr);
    const int pointX = m->targetPointX, pointY = m->targetPointY;
    CGumpManager::Update();
    target->RemoveFromWorld();
    target->Release(); // its memory may hold anything now
    GumpRef<CMissileGump> ref(m);
    int lastX = 0, lastY = 0, updates = 0;
    while (ref && updates < 500) {
        lastX = m->x;
        lastY = m->y;
        CGumpManager::Update();
        ++updates;
    }
    EXPECT_LT(updates, 500);
    EXPECT_LE(std::abs(lastX - pointX), 24 + 10);
    EXPECT_LE(std::abs(lastY - pointY), 24 + 10);
    // It explodes where the target was last seen.
    const std::vector<CMissileGump*> left = LiveEffects();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0]->drawItem->locX, 130);
    EXPECT_EQ(left[0]->drawItem->locY, 100);
}

TEST_F(MissileTest, FastMissileThatWouldPassItsTargetArrives) {
    CMobile* target = Mobile(0x31, 103, 100);
    CMissileGump* m = LaunchMissileLocToObj(kBolt, MakeEffectPosition(100, 100, 0), target, 200, 0, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_GT(UpdatesUntilGone(m), 0);
}

TEST_F(MissileTest, MissileStraightAboveItsTargetKeepsItsCell) {
    // Cells (100, 100) and (110, 110) share a screen column.
    CMobile* target = Mobile(0x32, 110, 110);
    // A figure centred on the cells' shared column, whatever the body's frames are.
    int columnX = 0, footY = 0;
    EffectScreenPoint(MakeEffectPosition(110, 110, 0), columnX, footY);
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    target->screenRect =
        Rect{columnX + scrollX - 10, footY + scrollY - 60, columnX + scrollX + 10, footY + scrollY};
    CMissileGump* m = LaunchMissileLocToObj(kBolt, MakeEffectPosition(100, 100, 0), target, 5, 1, 0);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->drawItem, nullptr);
    EXPECT_EQ(m->drawItem->stepX, 0.0);
    EXPECT_EQ(m->drawItem->stepY, 0.0);
    EXPECT_EQ(m->angle, 0); // fixed direction
    CGumpManager::Update();
    EXPECT_EQ(m->drawItem->locX, 100);
}

// ---------------------------------------------------------------- pictures
TEST_F(MissileTest, FixedEffectsCycleTheirPictures) {
    struct Case {
        const char* what;
        uint16_t graphic;
        uint8_t speed, duration, descending, pingPong;
        std::vector<int> pictures; // after each update
    } cases[] = {
        {"speed 10, ascending", kSpark, 10, 9, 0, 0, {2, 3, 4, 1, 2, 3, 4, 1}},
        {"descending", kSpark, 10, 9, 1, 0, {4, 3, 2, 1, 4, 3, 2, 1}},
        {"ping-pong", kSpark, 10, 9, 0, 1, {2, 3, 4, 3, 2, 1, 2, 3}},
        {"descending ping-pong", kSpark, 10, 9, 1, 1, {2, 3, 4, 3, 2, 1, 2, 3}},
        {"speed 9: every other update", kSpark, 9, 9, 0, 0, {1, 2, 2, 3, 3, 4, 4, 1}},
        {"quality 0: one picture", kNoFrames, 10, 9, 0, 0, {2, 2, 2, 2, 2, 2, 2, 2}},
        {"animated record", kAnimated, 10, 9, 0, 0, {52, 52, 51, 51, 50, 50, 52, 52}},
    };
    for (const Case& c : cases) {
        CMissileGump* m = PlayGraphicEffectPlain(2, nullptr, nullptr, c.graphic,
                                                 MakeEffectPosition(10, 10, 0), MakeEffectPosition(0, 0, 0),
                                                 c.speed, c.duration, c.descending, c.pingPong, 0, 0);
        ASSERT_NE(m, nullptr) << c.what;
        EXPECT_GE(m->lastGraphic, c.graphic == kAnimated ? 0 : m->firstGraphic) << c.what;
        std::vector<int> seen;
        for (size_t i = 0; i < c.pictures.size(); ++i) {
            CGumpManager::Update();
            seen.push_back(m->currentGraphic);
        }
        EXPECT_EQ(seen, c.pictures) << c.what;
        EXPECT_EQ(UpdatesUntilGone(m), 1) << c.what; // 9 updates in all
        CGumpManager::ResetForTests();
    }
}

TEST_F(MissileTest, SpeedZeroChangesPictureEveryElevenUpdates) {
    CMissileGump* m = PlayGraphicEffectPlain(2, nullptr, nullptr, kSpark, MakeEffectPosition(10, 10, 0),
                                             MakeEffectPosition(0, 0, 0), 0, 30, 0, 0, 0, 0);
    ASSERT_NE(m, nullptr);
    int changes = 0, last = m->currentGraphic;
    for (int i = 0; i < 22; ++i) {
        CGumpManager::Update();
        if (m->currentGraphic != last) ++changes;
        last = m->currentGraphic;
    }
    EXPECT_EQ(changes, 2);
}

TEST_F(MissileTest, LightningLastsSixUpdatesWithRandomPictures) {
    CMobile* target = Mobile(0x40, 60, 60);
    EXPECT_EQ(PlayGraphicEffect(1, nullptr, nullptr, 0, {}, {}, 0, 0, 0, 0, 0, 0, 5, 2), nullptr);
    CMissileGump* bolt = PlayGraphicEffect(1, target, nullptr, 0, {}, {}, 0, 0, 0, 0, 0, 0, 5, 2);
    ASSERT_NE(bolt, nullptr);
    EXPECT_TRUE(bolt->IsGumpArt());
    EXPECT_EQ(bolt->hue, 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_GE(bolt->currentGraphic, 20000);
        EXPECT_LE(bolt->currentGraphic, 20009);
        CGumpManager::Update();
    }
    EXPECT_EQ(UpdatesUntilGone(bolt), 1);
    // Unknown kinds and fixed effects on no object give nothing.
    EXPECT_EQ(PlayGraphicEffectPlain(3, nullptr, nullptr, kBolt, {}, {}, 0, 5, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(PlayGraphicEffectPlain(4, target, target, kBolt, {}, {}, 0, 5, 0, 0, 0, 0), nullptr);
}

TEST_F(MissileTest, EffectOnAnObjectHangsInItsChainAndEndsWithIt) {
    CMobile* m = Mobile(0x50, 70, 70);
    CMissileGump* a = PlayGraphicEffect(3, m, nullptr, kSpark, {}, {}, 10, 20, 0, 0, 0, 0, 0, 0);
    CMissileGump* b = PlayGraphicEffect(3, m, nullptr, kBolt, {}, {}, 10, 20, 0, 0, 0, 0, 0, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->drawItem, nullptr);
    std::vector<CMissileGump*> chain;
    ForEachAttachedEffect(0x50, [&](CMissileGump* e) { chain.push_back(e); });
    EXPECT_EQ(chain, (std::vector<CMissileGump*>{a, b}));
    CGumpManager::Update();
    m->RemoveFromWorld();
    m->Release();
    CGumpManager::Update();
    EXPECT_TRUE(LiveEffects().empty());
    chain.clear();
    ForEachAttachedEffect(0x50, [&](CMissileGump* e) { chain.push_back(e); });
    EXPECT_TRUE(chain.empty());
}

// ---------------------------------------------------------------- messages
std::vector<uint8_t> EffectPacket(uint8_t id, uint8_t kind, uint32_t source, uint32_t target,
                                  uint16_t graphic, int sx, int sy, int tx, int ty, uint32_t hue = 0,
                                  uint32_t blend = 0) {
    std::vector<uint8_t> p{id, kind};
    auto u32 = [&](uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            p.push_back(static_cast<uint8_t>(v >> s));
    };
    auto u16 = [&](int v) {
        p.push_back(static_cast<uint8_t>(v >> 8));
        p.push_back(static_cast<uint8_t>(v));
    };
    u32(source);
    u32(target);
    u16(graphic);
    u16(sx);
    u16(sy);
    p.push_back(0);
    u16(tx);
    u16(ty);
    p.push_back(0);
    for (uint8_t b : {5, 9, 0, 0, 0, 1})
        p.push_back(b);
    if (id != 0x70) {
        u32(hue);
        u32(blend);
    }
    if (id == 0xC7) p.resize(49, 0);
    return p;
}

TEST_F(MissileTest, EffectMessagesStartEffectsAndDropWhatTheyMust) {
    CGameSock connection;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        size_t effects;
    } cases[] = {
        {"0x70 moving", EffectPacket(0x70, 0, 0, 0, kBolt, 10, 10, 20, 10), 1},
        {"0xC0 hued", EffectPacket(0xC0, 2, 0, 0, kSpark, 10, 10, 0, 0, 33, 3), 1},
        {"0xC7 graphic 1", EffectPacket(0xC7, 2, 0, 0, 1, 10, 10, 0, 0), 0},
        {"0xC7 graphic 5", EffectPacket(0xC7, 2, 0, 0, 5, 10, 10, 0, 0), 1},
        {"0x70 short", std::vector<uint8_t>{0x70, 0, 1, 2}, 0},
        {"0x70 lightning on an unknown serial", EffectPacket(0x70, 1, 0x1234, 0, 0, 0, 0, 0, 0), 0},
    };
    for (const Case& c : cases) {
        PacketReader reader(c.bytes.data(), c.bytes.size());
        const uint8_t id = c.bytes[0];
        if (id == 0x70)
            PacketManager::HandleGraphicEffect(connection, reader);
        else if (id == 0xC0)
            PacketManager::HandleHuedEffect(connection, reader);
        else
            PacketManager::HandleEffectEx(connection, reader);
        EXPECT_EQ(LiveEffects().size(), c.effects) << c.what;
        if (c.effects && id == 0xC0) {
            EXPECT_EQ(LiveEffects()[0]->blendMode, 3);
        }
        CGumpManager::ResetForTests();
    }
}

// ---------------------------------------------------------------- sequences
class SequenceTest : public MissileTest {
  protected:
    void SetUp() override {
        MissileTest::SetUp();
        SequenceServices services;
        services.playSound = [this](int id, int, int, int) { sounds.push_back(id); };
        services.runAction = [this](CSequence* s, const ActionStepData& a) {
            actions.push_back(a.action);
            waiting = s;
            return true;
        };
        SetSequenceServices(services);
    }
    static void FixedAt(uint16_t graphic, uint8_t duration) {
        PlayGraphicEffectPlain(2, nullptr, nullptr, graphic, MakeEffectPosition(5, 5, 0), {}, 10, duration, 0,
                               0, 0, 0);
    }
    // Updates until no effect runs; the first graphic of every effect seen, in order.
    static std::vector<int> PlayOut(int cap = 200) {
        std::vector<int> started;
        // By reference, not address: a new effect may take the place of one just freed.
        std::vector<GumpRef<CMissileGump>> seen;
        for (int i = 0; i < cap; ++i) {
            for (CMissileGump* e : LiveEffects()) {
                bool known = false;
                for (const GumpRef<CMissileGump>& ref : seen)
                    known = known || ref == e;
                if (known) continue;
                seen.emplace_back(e);
                started.push_back(e->firstGraphic);
            }
            if (LiveEffects().empty()) break;
            CGumpManager::Update();
        }
        return started;
    }
    std::vector<int> sounds;
    std::vector<int> actions;
    CSequence* waiting = nullptr;
};

TEST_F(SequenceTest, ThreeEffectsPlayInOrderTwiceThenTheSequenceGoes) {
    HandleSequenceFlag(0);
    ASSERT_TRUE(IsRecordingSequence());
    FixedAt(kSpark, 2);
    FixedAt(kBolt, 3);
    FixedAt(kNoFrames, 2);
    EXPECT_TRUE(LiveEffects().empty()); // recorded, not played
    EXPECT_EQ(RecordingSequence()->StepCount(), 3);
    HandleSequenceFlag(2);
    EXPECT_FALSE(IsRecordingSequence());
    EXPECT_EQ(PlayOut(), (std::vector<int>{kSpark, kBolt, kNoFrames, kSpark, kBolt, kNoFrames}));
    EXPECT_EQ(CSequence::LiveCount(), 0);
}

TEST_F(SequenceTest, SoundStepsPlayAtOnceInALoop) {
    HandleSequenceFlag(0);
    EXPECT_TRUE(RecordSoundStep(42, 1, 2, 3));
    HandleSequenceFlag(3);
    EXPECT_EQ(sounds, (std::vector<int>{42, 42, 42}));
    EXPECT_EQ(CSequence::LiveCount(), 0);
    // Many immediate steps many times over: a loop, not a deep recursion.
    sounds.clear();
    HandleSequenceFlag(0);
    for (int i = 0; i < 5000; ++i)
        RecordSoundStep(i % 7, 0, 0, 0);
    HandleSequenceFlag(255);
    EXPECT_EQ(sounds.size(), 5000u * 255u);
    EXPECT_EQ(CSequence::LiveCount(), 0);
    EXPECT_FALSE(RecordSoundStep(1, 0, 0, 0)); // not recording
}

TEST_F(SequenceTest, ActionStepsWaitForTheirEndAndEmptyActionsEndAtOnce) {
    CMobile* m = Mobile(0x60, 10, 10);
    HandleSequenceFlag(0);
    RecordActionStep(ActionStepData{0x60, 12, 5, 1, 2, 0, 1});
    RecordActionStep(ActionStepData{0x60, 13, 0, 1, 1, 0, 0}); // no frames: ends at once
    RecordSoundStep(7, 0, 0, 0);
    HandleSequenceFlag(1);
    EXPECT_EQ(actions, (std::vector<int>{12}));
    EXPECT_TRUE(sounds.empty());
    ASSERT_TRUE(CSequence::IsLive(waiting));
    waiting->NextStep(); // the action ended
    EXPECT_EQ(actions, (std::vector<int>{12}));
    EXPECT_EQ(sounds, (std::vector<int>{7}));
    EXPECT_EQ(CSequence::LiveCount(), 0);
    (void)m;
}

TEST_F(SequenceTest, StepsOfVanishedObjectsAreSkipped) {
    CMobile* m = Mobile(0x70, 10, 10);
    HandleSequenceFlag(0);
    PlayGraphicEffect(3, m, nullptr, kSpark, {}, {}, 10, 3, 0, 0, 0, 0, 4, 1);
    RecordActionStep(ActionStepData{0x70, 12, 5, 1, 1, 0, 0});
    FixedAt(kBolt, 2);
    HandleSequenceFlag(1);
    // Before the mobile goes, its effect runs; a second show without it skips to the bolt.
    EXPECT_EQ(LiveEffects().size(), 1u);
    CGumpManager::ResetForTests();
    EXPECT_EQ(CSequence::LiveCount(), 0); // torn down: abandoned
    HandleSequenceFlag(0);
    PlayGraphicEffect(3, m, nullptr, kSpark, {}, {}, 10, 3, 0, 0, 0, 0, 4, 1);
    RecordActionStep(ActionStepData{0x70, 12, 5, 1, 1, 0, 0});
    FixedAt(kBolt, 2);
    m->RemoveFromWorld();
    m->Release();
    HandleSequenceFlag(1);
    EXPECT_TRUE(actions.empty());
    EXPECT_EQ(PlayOut(), (std::vector<int>{kBolt}));
}

TEST_F(SequenceTest, RecordedLightningKeepsItsObjectHueAndBlend) {
    CMobile* m = Mobile(0x80, 10, 10);
    HandleSequenceFlag(0);
    PlayGraphicEffect(1, m, nullptr, 0, {}, {}, 0, 0, 0, 0, 0, 0, 77, 5);
    HandleSequenceFlag(1);
    const std::vector<CMissileGump*> live = LiveEffects();
    ASSERT_EQ(live.size(), 1u);
    EXPECT_TRUE(live[0]->IsGumpArt());
    EXPECT_EQ(live[0]->objectSerial, 0x80u);
    EXPECT_EQ(live[0]->hue, 77);
    EXPECT_EQ(live[0]->blendMode, 5);
}

TEST_F(SequenceTest, MisuseShowsItsMessagesAndKeepsTheState) {
    HandleSequenceFlag(1);
    EXPECT_NE(CGumpManager::GetModal(), nullptr);
    EXPECT_FALSE(IsRecordingSequence());
    CGumpManager::ResetForTests();
    HandleSequenceFlag(0);
    CSequence* first = RecordingSequence();
    HandleSequenceFlag(0);
    EXPECT_NE(CGumpManager::GetModal(), nullptr);
    EXPECT_EQ(RecordingSequence(), first);
    HandleSequenceFlag(4); // empty: it deletes itself
    EXPECT_EQ(CSequence::LiveCount(), 0);
}

TEST_F(SequenceTest, TeardownAbandonsTheShowInsteadOfStartingItsNextStep) {
    struct Case {
        const char* what;
        void (*teardown)();
        bool dropsRecording;
    } cases[] = {
        {"closing all gumps", CGumpManager::CloseAllGumps, true},
        {"deleting the missiles", CGumpManager::DeleteMissiles, false},
    };
    for (const Case& c : cases) {
        HandleSequenceFlag(0);
        FixedAt(kSpark, 5);
        FixedAt(kBolt, 5);
        HandleSequenceFlag(3);
        ASSERT_EQ(LiveEffects().size(), 1u) << c.what;
        HandleSequenceFlag(0);
        FixedAt(kBolt, 5);
        c.teardown();
        CGumpManager::Update();                       // the closed effect is freed here
        EXPECT_TRUE(LiveEffects().empty()) << c.what; // no next step started during the teardown
        EXPECT_EQ(IsRecordingSequence(), !c.dropsRecording) << c.what;
        EXPECT_EQ(CSequence::LiveCount(), c.dropsRecording ? 0 : 1) << c.what;
        ResetSequencesForTests();
    }
}

// ---------------------------------------------------------------- the world's calls
TEST_F(MissileTest, TheViewsScrollCarriesEveryMissileWithIt) {
    BindEffectHooks(WorldHook::Table());
    CMissileGump* a = LaunchMissileLocToLoc(kBolt, MakeEffectPosition(100, 100, 0),
                                            MakeEffectPosition(110, 100, 0), 5, 0, 0);
    CMissileGump* b = PlayGraphicEffect(2, nullptr, nullptr, kSpark, MakeEffectPosition(90, 95, 0), {}, 10,
                                        20, 0, 0, 0, 0, 0, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    struct Was {
        CMissileGump* effect;
        int x, y, targetX, targetY;
        double posX, posY;
    };
    const Was was[] = {{a, a->x, a->y, a->targetPointX, a->targetPointY, a->posX, a->posY},
                       {b, b->x, b->y, b->targetPointX, b->targetPointY, b->posX, b->posY}};
    WorldHook::Call(WorldHook::Table().shiftMissiles, -7, 12);
    for (const Was& w : was) {
        EXPECT_EQ(w.effect->x, w.x - 7);
        EXPECT_EQ(w.effect->y, w.y + 12);
        EXPECT_EQ(w.effect->targetPointX, w.targetX - 7);
        EXPECT_EQ(w.effect->targetPointY, w.targetY + 12);
        EXPECT_DOUBLE_EQ(w.effect->posX, w.posX - 7);
        EXPECT_DOUBLE_EQ(w.effect->posY, w.posY + 12);
    }
}

TEST_F(MissileTest, AMobileThatGoesTakesTheEffectsAimedAtItOrHangingOnIt) {
    BindEffectHooks(WorldHook::Table());
    CMobile* doomed = Mobile(0x60, 70, 70);
    CMobile* other = Mobile(0x61, 60, 60);
    CMissileGump* aimed = LaunchMissileLocToObj(kBolt, MakeEffectPosition(40, 40, 0), doomed, 1, 0, 1);
    CMissileGump* hanging = PlayGraphicEffect(3, doomed, nullptr, kSpark, {}, {}, 10, 20, 0, 0, 0, 0, 0, 0);
    CMissileGump* fromIt = LaunchMissileObjToObj(kBolt, doomed, other, 1, 0, 0);
    CMissileGump* elsewhere = LaunchMissileLocToObj(kBolt, MakeEffectPosition(40, 40, 0), other, 1, 0, 0);
    ASSERT_TRUE(aimed && hanging && fromIt && elsewhere);
    doomed->RemoveFromWorld();
    doomed->Release();
    // Gone at once, before any update could look for the mobile; no explosion is left behind.
    EXPECT_TRUE(aimed->IsClosed());
    EXPECT_TRUE(hanging->IsClosed());
    EXPECT_FALSE(fromIt->IsClosed());
    EXPECT_FALSE(elsewhere->IsClosed());
    CGumpManager::Update();
    const std::vector<CMissileGump*> live = LiveEffects();
    EXPECT_EQ(std::set<CMissileGump*>(live.begin(), live.end()),
              (std::set<CMissileGump*>{fromIt, elsewhere}));
}

TEST_F(MissileTest, TheWeathersLightningShowsItsFlash) {
    BindEffectHooks(WorldHook::Table());
    WeatherManager::LightningFlash();
    const std::vector<CMissileGump*> live = LiveEffects();
    ASSERT_EQ(live.size(), 1u);
    ASSERT_NE(live[0]->drawItem, nullptr);
    EXPECT_TRUE(live[0]->IsGumpArt());
    EXPECT_GE(live[0]->drawItem->locX, 22);
    EXPECT_LT(live[0]->drawItem->locX, 52);
    EXPECT_EQ(live[0]->drawItem->locY, 103);
    EXPECT_EQ(live[0]->drawItem->z, 4);
}

TEST_F(MissileTest, TheMobileDrawMeasuresAndPaintsWhatHangsOnIt) {
    BindEffectHooks(WorldHook::Table());
    CMobile* m = Mobile(0x70, 70, 70);
    CMissileGump* spark = PlayGraphicEffect(3, m, nullptr, kSpark, {}, {}, 10, 20, 0, 0, 0, 0, 37, 3);
    CMissileGump* bolt = PlayGraphicEffect(3, m, nullptr, kBolt, {}, {}, 10, 20, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(spark && bolt);
    bolt->angle = 40;
    std::vector<std::pair<int, int>> sizes, expected;
    WorldHook::Table().attachedEffectSizes(0x70, [&](int w, int h) { sizes.emplace_back(w, h); });
    for (const CMissileGump* e : {spark, bolt}) {
        int w = 0, h = 0;
        e->PictureSize(w, h);
        expected.emplace_back(w, h);
    }
    EXPECT_EQ(sizes, expected);
    EXPECT_EQ(sizes[1], std::make_pair(20, 30));

    constexpr int kW = 80, kH = 80;
    const Rect clip{0, 0, kW, kH};
    std::vector<uint16_t> drawn(kW * kH, 0x0421), painted(kW * kH, 0x0421);
    SetBlitTarget(MakeBlitTarget(drawn.data(), kW, kH));
    WorldHook::Table().drawAttachedEffects(0x70, 40, 35, clip);
    SetBlitTarget(MakeBlitTarget(painted.data(), kW, kH));
    for (const CMissileGump* e : {spark, bolt}) {
        int w = 0, h = 0;
        e->PictureSize(w, h);
        DrawRotatedArt(e->currentGraphic, e->angle,
                       Rect{40 - w / 2, 35 - h / 2, 40 - w / 2 + w, 35 - h / 2 + h}, clip, e->hue,
                       e->blendMode);
    }
    EXPECT_EQ(drawn, painted);
    EXPECT_NE(drawn, std::vector<uint16_t>(kW * kH, 0x0421));
    // Nothing hangs on another serial.
    std::vector<uint16_t> before = drawn;
    SetBlitTarget(MakeBlitTarget(drawn.data(), kW, kH));
    WorldHook::Table().drawAttachedEffects(0x71, 40, 35, clip);
    EXPECT_EQ(drawn, before);
}

// ---------------------------------------------------------------- pictures
TEST_F(MissileTest, MissileAfterFiveUpdatesAndAHuedBlendedEffectOnAMobile) {
    constexpr int kW = 160, kH = 100;
    std::vector<uint16_t> pixels(kW * kH);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            pixels[y * kW + x] = static_cast<uint16_t>(4 << 10 | (6 + (x / 8 + y / 8) % 2 * 3) << 5 | 8);
    // Cell (100, 100, 0) at screen (20, 80); the missile flies right towards (104, 96).
    DrawManager::SetScrollOffset(DrawItemWorld::GetMapWidth() * 22 - 20, 4443 - 80);
    CMissileGump* m = LaunchMissileLocToLoc(kBolt, MakeEffectPosition(100, 100, 0),
                                            MakeEffectPosition(104, 96, 0), 0, 0, 0);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->angle, 128);
    for (int i = 0; i < 5; ++i)
        CGumpManager::Update();
    EXPECT_EQ(m->x, static_cast<int>(20 + 5 * (176.0 / 17)));
    SetBlitTarget(MakeBlitTarget(pixels.data(), kW, kH));
    ASSERT_NE(m->drawItem, nullptr);
    m->drawItem->DrawClip(Rect{0, 0, kW, kH});
    // An effect hanging on a mobile, drawn by the mobile's draw: hued (index 37), blended (mode 3),
    // plain and turned.
    DrawRotatedArt(kSpark, 0, Rect{100, 10, 116, 26}, Rect{0, 0, kW, kH}, 37, 3);
    DrawRotatedArt(kSpark, 40, Rect{120, 50, 136, 66}, Rect{0, 0, kW, kH}, 37, 3);
    DrawRotatedArt(2, 0, Rect{60, 5, 84, 29}, Rect{0, 0, kW, kH}, 0, 2);
    // The weather's flash: a lightning bolt of gump art whose foot is cell (104, 100) without the + 43.
    CMissileGump* flash = StartWeatherFlash(MakeEffectPosition(104, 100, 0));
    ASSERT_NE(flash, nullptr);
    ASSERT_NE(flash->drawItem, nullptr);
    EXPECT_EQ(flash->y, 125);
    flash->drawItem->DrawClip(Rect{0, 0, kW, kH});
    qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/gumps") / "golden" / "effects_missile.ppm",
                            EncodePpm(pixels.data(), kW, kH));
}

} // namespace
