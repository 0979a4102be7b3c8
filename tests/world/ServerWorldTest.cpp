// The server's world messages into the world model: items, containers, equipment, mobiles that
// walk, act and die, with packets from the test server's builders.
#include "core/Options.h"
#include "world/ServerWorldFixture.h"

#include <cstdlib>

namespace objtest {
namespace {

constexpr uint32_t kItem = 0x40000010;
constexpr uint32_t kChest = 0x40000020;
constexpr uint32_t kMob = 0x00000200;
constexpr uint32_t kOther = 0x00000300;
constexpr uint32_t kCorpse = 0x40000500;

// ---------------------------------------------------------------- items
TEST_F(ServerWorldTest, WorldItemOptionalFieldsAreReadByTheirFlagBits) {
    struct Case {
        int increment, amount, facing, hue, flags;
    };
    const Case cases[] = {{-1, -1, -1, -1, -1}, {3, -1, -1, -1, -1},  {-1, 50, -1, -1, -1},
                          {-1, -1, 5, -1, -1},  {-1, -1, -1, 33, -1}, {-1, -1, -1, -1, 0x20},
                          {2, 7, 1, 44, 0x80}};
    uint32_t serial = kItem;
    for (const Case& c : cases) {
        tw::ItemFields f;
        f.serial = ++serial;
        f.graphic = G::Plain;
        f.increment = c.increment;
        f.amount = c.amount;
        f.x = 101;
        f.y = 102;
        f.z = -5;
        f.facing = c.facing;
        f.hue = c.hue;
        f.flags = c.flags;
        Feed(PacketManager::HandleWorldItem, tw::WorldItem(f));
        CObj* o = Find(serial);
        ASSERT_NE(o, nullptr) << serial;
        auto* d = static_cast<CDynamicObj*>(o);
        EXPECT_EQ(d->graphic, G::Plain);
        EXPECT_EQ(d->graphicIncrement, c.increment < 0 ? 0 : c.increment);
        EXPECT_EQ(d->amount, c.amount < 0 ? 1 : c.amount);
        EXPECT_EQ(d->facing, c.facing < 0 ? 0 : c.facing);
        EXPECT_EQ(d->hue, c.hue < 0 ? 0 : c.hue);
        EXPECT_EQ(d->status, c.flags < 0 ? 0 : c.flags);
        EXPECT_EQ(d->locX, 101);
        EXPECT_EQ(d->locY, 102);
        EXPECT_EQ(d->z, -5);
    }
}

TEST_F(ServerWorldTest, AMultiGraphicMakesAMultiWhoseOwnGraphicIsOne) {
    CDynamicObj* house = Item(kItem, 0x4001, 102, 102);
    ASSERT_NE(house, nullptr);
    EXPECT_EQ(house->graphic, 1);
    EXPECT_TRUE(house->IsPlaced());
}

TEST_F(ServerWorldTest, APositionAcrossTheSeamIsMovedToTheCentresSide) {
    MapManager::SetMap(0);
    MapManager::SetCenter(3, 100, 0, 0);
    CDynamicObj* o = Item(kItem, G::Plain, 5110, 100);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->locX, -10);
}

TEST_F(ServerWorldTest, HueRule) {
    const std::pair<uint16_t, uint16_t> cases[] = {{0x4000, 0},      {3005, 1},       {0x8000, 0x8000},
                                                   {0x8BBD, 0x8001}, {2999, 2999},    {0, 0},
                                                   {0xC000, 0x8000}, {0x4BB8, 0x4001}};
    for (auto [in, out] : cases)
        EXPECT_EQ(NormalizeHue(in), out) << in;
}

TEST_F(ServerWorldTest, DeleteLeavesThePlayerAndAMobileStillDyingAlone) {
    Item(kItem, G::Plain, 101, 101);
    Feed(PacketManager::HandleDeleteObject, tw::DeleteObject(kItem));
    EXPECT_EQ(Find(kItem), nullptr);

    Feed(PacketManager::HandleDeleteObject, tw::DeleteObject(kPlayerSerial));
    EXPECT_EQ(Find(kPlayerSerial), pPlayerObject);

    CMobile* m = Arrive(kMob, 400, 101, 101);
    ASSERT_NE(m, nullptr);
    m->StartDeath(kCorpse, 1);
    Feed(PacketManager::HandleDeleteObject, tw::DeleteObject(m->serial));
    EXPECT_EQ(Find(kMob | kDyingSerialBit), m);
}

TEST_F(ServerWorldTest, AnItemOutsideTheUpdateRangeIsReleasedAndThePlayersOwnSerialIgnored) {
    EXPECT_EQ(Item(kItem, G::Plain, 100 + 19, 100), nullptr);
    EXPECT_EQ(Item(kItem + 1, G::Plain, 100 + 18, 100) != nullptr, true);
    tw::ItemFields f;
    f.serial = kPlayerSerial;
    f.graphic = G::Plain;
    f.x = 90;
    Feed(PacketManager::HandleWorldItem, tw::WorldItem(f));
    EXPECT_EQ(pPlayerObject->locX, 100);
    EXPECT_EQ(pPlayerObject->graphic, 400);
}

// ---------------------------------------------------------------- containers
TEST_F(ServerWorldTest, ContentsEmptyTheContainerBeforeTheFirstItem) {
    CDynamicObj* chest = Item(kChest, G::Bag, 101, 101);
    ASSERT_TRUE(chest && chest->IsContainer());
    Feed(PacketManager::HandleContainerItem, tw::ContainerItem({kItem + 9, G::Plain, 0, 1, 5, 5, kChest, 0}));
    ASSERT_NE(Find(kItem + 9), nullptr);
    int arrived = 0;
    bool flagDuring = false;
    WorldHook::Table().containerItemAdded = [&](CContainerObj*, CDynamicObj*) {
        flagDuring = flagDuring || WorldState::IsContentsArriving();
    };
    WorldHook::Table().contentsArrived = [&](CContainerObj* c) { arrived += c == chest; };

    Feed(PacketManager::HandleContainerContents,
         tw::ContainerContents({{kItem + 1, G::Plain, 0, 3, 10, 20, kChest, 0},
                                {kItem + 2, G::Lamp, 0, 1, 30, 40, kChest, 0},
                                {kItem + 3, G::Fire, 0, 1, 50, 60, kChest, 5}}));
    EXPECT_EQ(Find(kItem + 9), nullptr);
    auto* box = static_cast<CContainerObj*>(chest);
    EXPECT_EQ(box->contents.Count(), 3u);
    for (uint32_t s = kItem + 1; s <= kItem + 3; ++s)
        EXPECT_EQ(static_cast<CDynamicObj*>(Find(s))->parent, chest);
    EXPECT_EQ(Find(kItem + 1)->amount, 3);
    EXPECT_TRUE(flagDuring);
    EXPECT_FALSE(WorldState::IsContentsArriving());
    EXPECT_EQ(arrived, 1);

    Feed(PacketManager::HandleContainerContents, tw::ContainerContents({}));
    EXPECT_EQ(box->contents.Count(), 3u);
}

TEST_F(ServerWorldTest, ContainedEntriesThatWouldLoopOrReleaseTheirHolderAreDropped) {
    CDynamicObj* chest = Item(kChest, G::Bag, 101, 101);
    ASSERT_NE(chest, nullptr);
    Feed(PacketManager::HandleContainerItem, tw::ContainerItem({kChest + 1, G::Bag, 0, 1, 5, 5, kChest, 0}));
    CObj* inner = Find(kChest + 1);
    ASSERT_NE(inner, nullptr);
    struct Case {
        uint32_t item, container;
    };
    const Case cases[] = {
        {kChest, kChest}, {kChest, kChest + 1}, {kPlayerSerial, kChest}, {kItem, 0x40009999}};
    for (const Case& c : cases) {
        Feed(PacketManager::HandleContainerItem,
             tw::ContainerItem({c.item, G::Plain, 0, 1, 1, 1, c.container, 0}));
        EXPECT_EQ(Find(kChest), chest);
        EXPECT_EQ(Find(kChest + 1), inner);
        EXPECT_EQ(chest->parent, nullptr);
        EXPECT_EQ(Find(kPlayerSerial), pPlayerObject);
        EXPECT_EQ(Find(kItem), nullptr);
    }
}

// ---------------------------------------------------------------- equipment
TEST_F(ServerWorldTest, IncomingMobileTakesAnItemWornElsewhere) {
    CMobile* a = Arrive(kMob, 400, 101, 101, {{kItem, G::Plain, 5, 33}});
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->layers[5], nullptr);
    EXPECT_EQ(a->layers[5]->hue, 33);
    CMobile* b = Arrive(kOther, 400, 102, 101, {{kItem, G::Plain, 5, -1}});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->layers[5], nullptr);
    ASSERT_NE(b->layers[5], nullptr);
    EXPECT_EQ(b->layers[5]->serial, kItem);
    EXPECT_EQ(b->layers[5]->parent, b);
}

TEST_F(ServerWorldTest, WornEntriesOutsideTheSlotsOrNamingTheirWearerAreDropped) {
    CMobile* m = Arrive(kMob, 400, 101, 101);
    ASSERT_NE(m, nullptr);
    struct Case {
        const char* what;
        uint32_t item;
        uint8_t layer;
    };
    const Case cases[] = {{"layer 30", kItem, 30},
                          {"layer 255", kItem, 255},
                          {"the wearer", kMob, 3},
                          {"the player", kPlayerSerial, 3}};
    for (const Case& c : cases) {
        for (int form = 0; form < 3; ++form) {
            tw::MobileFields f;
            f.serial = kMob;
            f.body = 400;
            f.x = 101;
            f.y = 101;
            if (form == 0)
                Feed(PacketManager::HandleMobileIncoming,
                     tw::MobileIncoming(f, {{c.item, G::Plain, c.layer}}));
            if (form == 1)
                Feed(PacketManager::HandleMobileIncomingEx,
                     tw::MobileIncomingEx(f, {{c.item, G::Plain, c.layer}}));
            if (form == 2)
                Feed(PacketManager::HandleEquipItem, tw::EquipItem(c.item, G::Plain, c.layer, kMob, 0));
            EXPECT_EQ(Mobile(kMob), m) << c.what << " form " << form;
            EXPECT_EQ(m->parent, nullptr) << c.what;
            EXPECT_EQ(Find(kPlayerSerial), pPlayerObject) << c.what;
            EXPECT_EQ(pPlayerObject->parent, nullptr) << c.what;
            for (CDynamicObj* slot : m->layers)
                EXPECT_EQ(slot, nullptr) << c.what << " form " << form;
        }
    }
    // An item that holds the wearer would close a loop.
    CDynamicObj* chest = Item(kChest, G::Bag, 101, 101);
    Feed(PacketManager::HandleContainerItem, tw::ContainerItem({kOther, 400, 0, 1, 1, 1, kChest, 0}));
    ASSERT_NE(Mobile(kOther), nullptr);
    Feed(PacketManager::HandleEquipItem, tw::EquipItem(kChest, G::Bag, 3, kOther, 0));
    EXPECT_EQ(chest->parent, nullptr);
    EXPECT_EQ(Mobile(kOther)->layers[3], nullptr);
}

TEST_F(ServerWorldTest, EquipNeedsAMobileWearer) {
    Item(kChest, G::Bag, 101, 101);
    Feed(PacketManager::HandleEquipItem, tw::EquipItem(kItem, G::Plain, 3, kChest, 0));
    Feed(PacketManager::HandleEquipItem, tw::EquipItem(kItem, G::Plain, 3, 0x777, 0));
    EXPECT_EQ(Find(kItem), nullptr);

    CMobile* m = Arrive(kMob, 400, 101, 101);
    Feed(PacketManager::HandleEquipItem, tw::EquipItem(kItem, G::Plain, 3, kMob, 0x4000));
    ASSERT_NE(m->layers[3], nullptr);
    EXPECT_EQ(m->layers[3]->serial, kItem);
    EXPECT_EQ(m->layers[3]->hue, 0);
    Feed(PacketManager::HandleEquipItem, tw::EquipItem(kItem, G::Lamp, 4, kPlayerSerial, 3005));
    EXPECT_EQ(m->layers[3], nullptr);
    ASSERT_NE(pPlayerObject->layers[4], nullptr);
    EXPECT_EQ(pPlayerObject->layers[4]->graphic, G::Lamp);
    EXPECT_EQ(pPlayerObject->layers[4]->hue, 1);
}

// ---------------------------------------------------------------- mobiles walking
TEST_F(ServerWorldTest, AFifthUpdateBeforeTheStepsAreShownJumps) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    for (int i = 1; i <= 4; ++i)
        Move(kMob, 400, 100 + i, 100, 2);
    EXPECT_EQ(m->stepCount, 4);
    EXPECT_EQ(m->locX, 100);
    Move(kMob, 400, 105, 101, 3);
    EXPECT_EQ(m->stepCount, 0);
    EXPECT_EQ(m->locX, 105);
    EXPECT_EQ(m->locY, 101);
    EXPECT_EQ(m->facing, 3);
}

TEST_F(ServerWorldTest, AnUnchangedUpdateQueuesNothing) {
    CMobile* m = Arrive(kMob, 400, 101, 100);
    Move(kMob, 400, 101, 100, 0);
    EXPECT_EQ(m->stepCount, 0);
    Move(kMob, 400, 102, 100, 2);
    Move(kMob, 400, 102, 100, 2);
    EXPECT_EQ(m->stepCount, 1);
}

TEST_F(ServerWorldTest, AStepTakesFramesPerTileLessOneWorldStepsAndATurnNone) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    Move(kMob, 400, 100, 100, 2); // a turn
    Move(kMob, 400, 101, 100, 2);
    Move(kMob, 400, 102, 100, 2);
    std::vector<int> xs;
    for (int i = 0; i < 9; ++i) {
        CObjectManager::UpdateMovement();
        xs.push_back(m->locX);
    }
    // Walking frames 4: the turn and the first step on the first world step, then 3 per step.
    EXPECT_EQ(xs, (std::vector<int>{100, 101, 101, 101, 102, 102, 102, 102, 102}));
    EXPECT_EQ(m->facing, 2);
}

TEST_F(ServerWorldTest, StepOffsetsShrinkTowardTheNewCell) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    Move(kMob, 400, 101, 100, 1);
    CObjectManager::UpdateMovement();
    EXPECT_EQ(m->stepFramesLeft, 3);
    EXPECT_EQ(m->stepOffsetX, 44 * 3 / 4);
    EXPECT_EQ(m->stepOffsetY, 0);
    CObjectManager::UpdateMovement();
    EXPECT_EQ(m->stepOffsetX, 44 * 2 / 4);
}

TEST_F(ServerWorldTest, MovesPerTileByBodyPaceAndFall) {
    // A table with signed bytes: body 7 walks -1 (0xFF) and runs -3.
    std::vector<uint8_t> info(2 * GraphicManager::kBodyCount, 0);
    for (int b = 0; b < GraphicManager::kBodyCount; ++b) {
        info[2 * b] = 6;
        info[2 * b + 1] = 3;
    }
    info[14] = 0xFF;
    info[15] = 0xFD;
    GraphicManager::LoadAnimInfoFromBytes(info.data(), info.size());
    struct Case {
        int body, running, fallHeight, expected;
    };
    const Case cases[] = {{400, 0, 0, 6}, {400, 1, 0, 3}, {400, 0, 22, 10},
                          {7, 0, 0, 1},   {7, 1, 0, 1},   {1200, 0, 0, 6}};
    for (const Case& c : cases) {
        CMobile* m = NewMobile(kMob, c.body);
        m->running = c.running;
        m->falling = c.fallHeight > 0;
        m->fallHeight = c.fallHeight;
        EXPECT_EQ(m->MovesPerTile(), c.expected) << c.body;
        m->Release();
    }
}

TEST_F(ServerWorldTest, ADropOf22LengthensTheStepAndBody1200WalksAs50) {
    CMobile* m = Arrive(kMob, 1200, 100, 100);
    Move(kMob, 1200, 101, 100, 2, 0);
    CObjectManager::UpdateMovement();
    EXPECT_EQ(m->graphic, 50);

    CMobile* faller = Arrive(kOther, 400, 100, 102);
    faller->z = 22;
    Move(kOther, 400, 101, 102, 2, 0);
    CObjectManager::UpdateMovement();
    EXPECT_EQ(faller->stepFramesLeft, 4 + 4 - 1);
}

TEST_F(ServerWorldTest, HiddenClosesTheMobilesGumpsOnce) {
    int closed = 0;
    WorldHook::Table().deleteOwnedGumps = [&](CMobile*) { ++closed; };
    Arrive(kMob, 400, 100, 100);
    Move(kMob, 400, 100, 100, 0, 0, 0x80);
    Move(kMob, 400, 100, 100, 1, 0, 0x80);
    CObjectManager::UpdateMovement();
    CObjectManager::UpdateMovement();
    EXPECT_EQ(closed, 1);
}

TEST_F(ServerWorldTest, IdleActionsOnlyAmongFewMobiles) {
    for (int crowd : {1, 25}) {
        std::srand(7);
        std::vector<CMobile*> mobiles;
        for (int i = 0; i < crowd; ++i)
            mobiles.push_back(Arrive(kMob + static_cast<uint32_t>(i), 400, 95 + i % 10, 95 + i / 10));
        platform::AdvanceManualClock(16000);
        int played = 0;
        for (int step = 0; step < 3000 && played == 0; ++step) {
            CObjectManager::UpdateMovement();
            for (CMobile* m : mobiles)
                played += IsAnimating(m);
        }
        if (crowd == 1)
            EXPECT_GT(played, 0);
        else
            EXPECT_EQ(played, 0);
        for (CMobile* m : mobiles)
            m->Release();
    }
}

// ---------------------------------------------------------------- actions
TEST_F(ServerWorldTest, ActionFramesWithRepeatsAndReturnPass) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    m->PlayAction(9, 5, 0, 2, 0, 1);
    std::vector<int> frames{m->frameIndex};
    for (int i = 0; i < 40 && IsAnimating(m); ++i) {
        m->StepAnimation();
        if (IsAnimating(m)) frames.push_back(m->frameIndex);
    }
    EXPECT_FALSE(IsAnimating(m));
    EXPECT_EQ(frames, (std::vector<int>{0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 3, 2, 1, 0, 4, 3, 2, 1, 0}));
}

TEST_F(ServerWorldTest, AnimationPacketPlaysAndZeroFramesReversedStartsAtTheFirst) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    Feed(PacketManager::HandleMobileAnimation, tw::MobileAnimation(kMob, 12, 0, 1, true, false, 0));
    ASSERT_TRUE(IsAnimating(m));
    int action = -1, frame = -1;
    ASSERT_TRUE(m->GetCurrentAction(action, frame));
    EXPECT_EQ(action, 12);
    EXPECT_EQ(frame, 0);
    EXPECT_EQ(m->frameCount, 1);

    // A frame lasts delay + 2 drawn frames; repeat count 0 runs until stopped.
    m->PlayAction(4, 3, 1, 0, 0, 0);
    for (int i = 0; i < 300; ++i)
        UpdateAnimations();
    EXPECT_TRUE(IsAnimating(m));
    m->StopAction();
    EXPECT_FALSE(IsAnimating(m));
    EXPECT_EQ(AnimatingCount(), 0);
}

TEST_F(ServerWorldTest, AFrameLastsItsDelayPlusTwoDrawnFrames) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    for (int delay : {0, 1, 4}) {
        m->PlayAction(4, 3, delay, 1, 0, 0);
        // Drawn frames until each change of picture, over the three frames and the end.
        std::vector<int> lengths;
        int drawn = 0, frame = m->frameIndex;
        for (int i = 0; i < 100 && IsAnimating(m); ++i) {
            UpdateAnimations();
            ++drawn;
            if (IsAnimating(m) && m->frameIndex == frame) continue;
            lengths.push_back(drawn);
            drawn = 0;
            frame = m->frameIndex;
        }
        EXPECT_EQ(lengths, std::vector<int>(3, delay + 2)) << "delay " << delay;
    }
}

TEST_F(ServerWorldTest, AStepStopsARunningAction) {
    CMobile* m = Arrive(kMob, 400, 100, 100);
    m->PlayAction(4, 5, 0, 1, 0, 0);
    Move(kMob, 400, 101, 100, 2);
    CObjectManager::UpdateMovement();
    EXPECT_FALSE(IsAnimating(m));
}

TEST_F(ServerWorldTest, FootstepsOfHumansOnTheirStepFrames) {
    struct Heard {
        int id;
        bool plain;
    };
    std::vector<Heard> heard;
    WorldHook::Table().playSound = [&](int id, int, int volume, bool, int pitch, bool second) {
        EXPECT_EQ(volume, -1000);
        EXPECT_EQ(pitch, 14);
        EXPECT_TRUE(second);
        heard.push_back({id, true});
    };
    WorldHook::Table().playSoundAt = [&](int id, int, int, float, bool, int, bool) {
        heard.push_back({id, false});
    };
    const bool soundWas = ::Sound;
    ::Sound = true;
    struct Case {
        const char* what;
        int body;
        bool mounted, running, hidden;
        int counter;
        int expected; // 0: silent
    };
    const Case cases[] = {
        {"walk frame 1", 400, false, false, false, 1, 299},
        {"walk frame 6", 400, false, false, false, 15, 300},
        {"walk frame 2", 400, false, false, false, 2, 0},
        {"ride frame 1", 400, true, false, false, 5, 299},
        {"gallop frame 3", 400, true, true, false, 3, 298},
        {"gallop frame 1", 400, true, true, false, 1, 297},
        {"a creature", 1, false, false, false, 1, 0},
        {"hidden", 400, false, false, true, 1, 0},
        {"a ghost", 402, false, false, false, 1, 0},
    };
    for (const Case& c : cases) {
        heard.clear();
        CMobile* m = NewMobile(kMob, c.body);
        m->mounted = c.mounted;
        m->running = c.running;
        m->status = c.hidden ? 0x80 : 0;
        m->idleFrameCounter = c.counter;
        m->PlayFootstepSound();
        if (c.expected == 0) {
            EXPECT_TRUE(heard.empty()) << c.what;
        } else {
            ASSERT_EQ(heard.size(), 1u) << c.what;
            EXPECT_EQ(heard[0].id, c.expected) << c.what;
            EXPECT_FALSE(heard[0].plain) << c.what;
        }
        m->Release();
    }
    heard.clear();
    pPlayerObject->idleFrameCounter = 1;
    pPlayerObject->PlayFootstepSound();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_TRUE(heard[0].plain) << "the player's own steps are not placed";
    ::Sound = false;
    pPlayerObject->PlayFootstepSound();
    EXPECT_EQ(heard.size(), 1u);
    ::Sound = soundWas;
}

// ---------------------------------------------------------------- deaths
TEST_F(ServerWorldTest, DeathActionByBodyType) {
    struct Case {
        int body;
        uint32_t flag;
        int action, frames;
    };
    const Case cases[] = {{1, 0, 2, 5},   {1, 1, 3, 5},    {143, 0, 8, 15}, {22, 0, 8, 5},
                          {22, 1, 12, 5}, {400, 0, 21, 5}, {400, 1, 22, 5}, {403, 1, 22, 5}};
    uint32_t serial = kMob;
    for (const Case& c : cases) {
        CMobile* m = Arrive(++serial, c.body, 101, 100);
        Feed(PacketManager::HandleDeathAnimation, tw::DeathAnimation(serial, kCorpse, c.flag));
        EXPECT_EQ(m->serial, serial | kDyingSerialBit);
        EXPECT_EQ(m->action, c.action) << c.body;
        EXPECT_EQ(m->frameCount, c.frames) << c.body;
        EXPECT_TRUE(IsInDeathTable(0, m->serial));
        m->Release();
        EXPECT_TRUE(DeathTable().empty()) << "a destroyed mobile leaves no row";
    }
}

TEST_F(ServerWorldTest, TheEndOfADeathTurnsTheCorpseAndReleasesTheMobile) {
    CMobile* m = Arrive(kMob, 400, 101, 100);
    m->facing = 5;
    Feed(PacketManager::HandleDeathAnimation, tw::DeathAnimation(kMob, kCorpse, 1));
    ASSERT_EQ(DeathTable().size(), 1u);
    Item(kCorpse, 0x2006, 101, 100);
    CObj* corpse = Find(kCorpse);
    ASSERT_TRUE(corpse && corpse->IsCorpse());
    EXPECT_EQ(FindCorpseOfDying(kMob | kDyingSerialBit), corpse);
    EXPECT_EQ(AddDeathEntry(kCorpse, 1, 2, 3), 0);

    EXPECT_EQ(EndMobileAnimation(m, false), 1);
    EXPECT_EQ(Find(kMob | kDyingSerialBit), nullptr);
    EXPECT_TRUE(DeathTable().empty());
    EXPECT_EQ(corpse->facing, 5 | 0x80);
}

TEST_F(ServerWorldTest, ADeathWithoutACorpseReleasesTheMobileWhenItsActionEnds) {
    CMobile* m = Arrive(kMob, 400, 101, 100, {{kItem, G::Plain, 5}});
    Feed(PacketManager::HandleDeathAnimation, tw::DeathAnimation(kMob, 0, 0));
    EXPECT_TRUE(DeathTable().empty());
    ASSERT_TRUE(IsAnimating(m));
    for (int frame = 0; frame < 100 && AnimatingCount() > 0; ++frame)
        UpdateAnimations();
    EXPECT_EQ(AnimatingCount(), 0);
    EXPECT_EQ(Find(kMob | kDyingSerialBit), nullptr);
    EXPECT_EQ(Find(kItem), nullptr);
}

TEST_F(ServerWorldTest, TheDeathMessageOfThePlayerIsDropped) {
    Feed(PacketManager::HandleDeathAnimation, tw::DeathAnimation(kPlayerSerial, kCorpse, 0));
    EXPECT_EQ(pPlayerObject->serial, kPlayerSerial);
    EXPECT_EQ(Find(kPlayerSerial), pPlayerObject);
    EXPECT_TRUE(DeathTable().empty());
    EXPECT_FALSE(IsAnimating(pPlayerObject));
}

TEST_F(ServerWorldTest, CorpseEquipmentStopsAtZeroOrFortyAndKeepsItsRows) {
    Item(kCorpse, 0x2006, 101, 100);
    auto* corpse = static_cast<CCorpse*>(Find(kCorpse));
    ASSERT_NE(corpse, nullptr);
    Feed(PacketManager::HandleCorpseEquipment,
         tw::CorpseEquipment(kCorpse, {{1, 11}, {26, 26}, {27, 27}, {29, 29}, {200, 200}, {0, 0}, {3, 33}}));
    EXPECT_EQ(corpse->layerSerials[1], 11u);
    EXPECT_EQ(corpse->layerSerials[26], 26u);
    EXPECT_EQ(corpse->layerSerials[3], 0u);

    std::vector<std::pair<uint8_t, uint32_t>> many;
    for (int i = 0; i < 41; ++i)
        many.push_back({static_cast<uint8_t>(i < 40 ? 2 : 5), static_cast<uint32_t>(100 + i)});
    Feed(PacketManager::HandleCorpseEquipment, tw::CorpseEquipment(kCorpse, many, false));
    EXPECT_EQ(corpse->layerSerials[2], 139u);
    EXPECT_EQ(corpse->layerSerials[5], 0u);
}

// ---------------------------------------------------------------- surroundings
TEST_F(ServerWorldTest, LightTimePointerAndMarks) {
    Feed(PacketManager::HandleLightLevel, tw::LightLevel(9));
    const int redraws = g_calls.count("radarRebuild");
    EXPECT_EQ(WorldState::GetGlobalLightLevel(), 9);
    Feed(PacketManager::HandleLightLevel, tw::LightLevel(9));
    EXPECT_EQ(g_calls.count("radarRebuild"), redraws);
    EXPECT_EQ(redraws, 1);

    Feed(PacketManager::HandlePersonalLight, tw::PersonalLight(kPlayerSerial, 12));
    EXPECT_EQ(WorldState::GetPersonalLightLevel(), 12);
    Feed(PacketManager::HandleTime, tw::Time(13, 45, 2));
    EXPECT_EQ(WorldState::GetServerTime().minute, 45);
    Feed(PacketManager::HandlePointer, tw::Pointer(true, 500, 600));
    EXPECT_TRUE(WorldState::GetPointer().shown);
    EXPECT_EQ(WorldState::GetPointer().y, 600);

    Arrive(kMob, 400, 101, 100);
    Feed(PacketManager::HandleMarkMobile, tw::MarkMobile(kMob, 1));
    Feed(PacketManager::HandleMarkMobile, tw::MarkMobile(0x999, 1));
    EXPECT_EQ(WorldState::FallbackMarkedSerials(), (std::set<uint32_t>{kMob}));
    Feed(PacketManager::HandleMarkMobile, tw::MarkMobile(0xFFFFFFFF, 0));
    EXPECT_TRUE(WorldState::FallbackMarkedSerials().empty());
}

TEST_F(ServerWorldTest, SeasonFourWithoutDesolationKeepsTheSeasonButRebuildsTheView) {
    SetCurrentConnection(&connection);
    int rebuilt = 0;
    WorldHook::Table().seasonRedraw = [&] { ++rebuilt; };
    Season = 1;
    Desolation = false;
    CDynamicObj* item = Item(kItem, G::Plain, 101, 100);
    CObj* stat = NewStaticObj(G::Plain);
    stat->AddToWorld(Pos(102, 100), 0);
    Feed(PacketManager::HandleSeason, tw::Season(4, 1));
    EXPECT_EQ(Season, 1);
    EXPECT_EQ(rebuilt, 1);
    EXPECT_EQ(Find(kItem), item);
    EXPECT_FALSE(stat->IsPlaced());
    EXPECT_TRUE(pPlayerObject->IsPlaced());

    Feed(PacketManager::HandleSeason, tw::Season(2, 1));
    EXPECT_EQ(Season, 2);
    Feed(PacketManager::HandleSeason, tw::Season(9, 1));
    EXPECT_EQ(Season, 0);
    Desolation = true;
    Feed(PacketManager::HandleSeason, tw::Season(4, 1));
    EXPECT_EQ(Season, 4);
    Feed(PacketManager::HandleSeason, tw::Season(1, 0));
    EXPECT_EQ(Season, 4);
    EXPECT_EQ(rebuilt, 4);
    Desolation = false;
    SetCurrentConnection(nullptr);
}

} // namespace
} // namespace objtest
