// The world objects: pools, the world lists, containers and wearers, map pins, notoriety, lookup
// by serial and objects at a cell.
#include "ObjectsFixture.h"
#include "gumps/GumpWorld.h"
#include "world/animCrap.h"

#include <algorithm>

namespace objtest {
namespace {

using PoolTest = ObjectsTest;
using WorldListTest = ObjectsTest;
using ContainerTest = ObjectsTest;
using LookupTest = ObjectsTest;

TEST_F(PoolTest, StaticsComeFromBlocksOf512ThatAreNeverFreed) {
    const ObjectPools::Counts before = ObjectPools::Statics();
    // Drain what is free, then one more: exactly one new block.
    std::vector<CObj*> taken;
    for (int i = 0; i < before.freeCount + 1; ++i)
        taken.push_back(NewStaticObj(G::Plain));
    ObjectPools::Counts after = ObjectPools::Statics();
    EXPECT_EQ(after.blocks, before.blocks + 1);
    EXPECT_EQ(after.capacity, before.capacity + 512);
    EXPECT_EQ(after.freeCount, 511);
    // The rest of the new block goes out in ascending order.
    CObj* next1 = NewStaticObj(G::Plain);
    CObj* next2 = NewStaticObj(G::Plain);
    EXPECT_EQ(next1, taken.back() + 1);
    EXPECT_EQ(next2, next1 + 1);
    taken.push_back(next1);
    taken.push_back(next2);
    // A handed-out static is fresh: unplaced, at (-1, -1), amount from the tile data.
    EXPECT_EQ(next1->notPlaced, 1);
    EXPECT_EQ(next1->locX, -1);
    EXPECT_TRUE(CPointerRegistry::IsValid(next1));

    for (CObj* o : taken)
        o->Release();
    after = ObjectPools::Statics();
    EXPECT_EQ(after.blocks, before.blocks + 1);
    EXPECT_EQ(after.freeCount, before.freeCount + 512);
    EXPECT_EQ(after.live, before.live);
    EXPECT_FALSE(CPointerRegistry::IsValid(next1));
}

TEST_F(PoolTest, AReleasedMultiComponentJoinsTheStaticFreeList) {
    CObj* part = AddMultiComp(G::Plain);
    EXPECT_TRUE(part->IsMultiComponent());
    EXPECT_TRUE(MultiCompList::IsLinked(part));
    const int freeBefore = ObjectPools::Statics().freeCount;
    part->Release();
    EXPECT_FALSE(MultiCompList::IsLinked(part));
    EXPECT_EQ(ObjectPools::Statics().freeCount, freeBefore + 1);
    CObj* again = NewStaticObj(G::Low); // the top of the free list
    EXPECT_EQ(again, part);
    EXPECT_FALSE(again->IsMultiComponent());
    again->Release();
}

TEST_F(PoolTest, MultisThatComeAndGoDoNotGrowTheStaticPool) {
    NewStaticObj(G::Plain)->Release(); // at least one free static
    const ObjectPools::Counts before = ObjectPools::Statics();
    for (int i = 0; i < 2 * ObjectPools::kStaticBlock; ++i) {
        CObj* part = AddMultiComp(G::Plain);
        ASSERT_NE(part, nullptr);
        part->Release();
    }
    const ObjectPools::Counts after = ObjectPools::Statics();
    EXPECT_EQ(after.blocks, before.blocks);
    EXPECT_EQ(after.freeCount, before.freeCount);
    EXPECT_EQ(after.live, before.live);
    EXPECT_LE(after.freeCount, after.capacity);
}

TEST_F(PoolTest, ServerItemsComeFromBlocksOf64AndJoinTheAllObjectsList) {
    const ObjectPools::Counts before = ObjectPools::Dynamics();
    std::vector<CDynamicObj*> taken;
    for (int i = 0; i < before.freeCount + 1; ++i)
        taken.push_back(NewDynamicObj(0x40000000u + static_cast<uint32_t>(i), G::Plain, 0));
    EXPECT_EQ(ObjectPools::Dynamics().blocks, before.blocks + 1);
    EXPECT_EQ(ObjectPools::Dynamics().freeCount, 63);
    EXPECT_EQ(WorldLists::AllObjects().Head(), taken.back()); // newest first
    for (CDynamicObj* o : taken)
        o->Release();
    EXPECT_TRUE(WorldLists::AllObjects().Empty());
    EXPECT_EQ(ObjectPools::Dynamics().blocks, before.blocks + 1);
}

TEST_F(WorldListTest, PlacingJoinsTheListsByTileFlags) {
    CObj* lamp = NewStaticObj(G::Lamp);
    CObj* fire = NewStaticObj(G::Fire);
    CObj* plain = NewStaticObj(G::Plain);
    lamp->AddToWorld(Pos(1, 1), 0);
    fire->AddToWorld(Pos(2, 2), 0);
    plain->AddToWorld(Pos(3, 3), 0);
    EXPECT_EQ(WorldLists::World().Head(), lamp); // newest at the tail
    EXPECT_EQ(WorldLists::World().Tail(), plain);
    EXPECT_TRUE(LightList::IsLinked(lamp));
    EXPECT_EQ(g_calls.count("invalidateLight"), 1);
    EXPECT_TRUE(AnimationList::IsLinked(fire));
    EXPECT_FALSE(LightList::IsLinked(plain) || AnimationList::IsLinked(plain));

    // The rebuild after a tile data change finds the same members.
    CObjectManager::RebuildLightAndAnimationLists();
    EXPECT_EQ(WorldLists::Lights().Count(), 1u);
    EXPECT_EQ(WorldLists::Animations().Count(), 1u);

    lamp->RemoveFromWorld();
    EXPECT_FALSE(LightList::IsLinked(lamp));
    EXPECT_EQ(lamp->notPlaced, 1);
    EXPECT_EQ(lamp->listed, 0u);
    EXPECT_EQ(WorldLists::World().Count(), 2u);
    lamp->Release();
    fire->Release();
    plain->Release();
}

TEST_F(WorldListTest, FoliageIsHiddenInTheLeafySeasons) {
    const struct {
        int season;
        bool canopies;
        int graphic;
        bool drawn;
    } cases[] = {
        {0, false, G::Bush, true}, {3, false, G::Bush, false}, {4, false, G::Bush, false},
        {4, true, G::Bush, true},  {3, false, 1, true},        {4, false, G::Canopy, true},
        {4, false, 16108, true},   {2, false, G::Bush, true},
    };
    Row(16108).flags = TileFlag::Foliage;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "season " << c.season << " graphic " << c.graphic);
        Season = c.season;
        TreeCanopies = c.canopies;
        CObj* o = NewStaticObj(c.graphic);
        o->AddToWorld(Pos(4, 4), 0);
        EXPECT_TRUE(FoliageList::IsLinked(o));
        EXPECT_TRUE(WorldList::IsLinked(o));
        EXPECT_EQ(o->listed != 0, c.drawn);
        o->Release();
        EXPECT_FALSE(FoliageList::IsLinked(o));
    }
}

TEST_F(WorldListTest, ThePlayersPersonalLightCountsWhilePlaced) {
    CApp::LoadPlayerFile();
    ASSERT_TRUE(HasPlayerObject());
    pPlayerObject->SetPersonalLight(5); // not placed: stored only
    EXPECT_EQ(g_personalLightTotal, 0);
    pPlayerObject->AddToWorld(Pos(10, 10), 0);
    EXPECT_EQ(g_personalLightTotal, 5);
    pPlayerObject->SetPersonalLight(7);
    EXPECT_EQ(g_personalLightTotal, 7);
    EXPECT_EQ(g_calls.count("radarRebuild"), 2);
    pPlayerObject->RemoveFromWorld();
    EXPECT_EQ(g_personalLightTotal, 0);
    CDynamicObj* item = NewDynamicObj(0x40000001, G::Plain, 0);
    item->SetPersonalLight(9); // only the player's counts
    EXPECT_EQ(item->personalLight, 0);
    item->Release();
}

TEST_F(ContainerTest, LeavingCallsEachWindowOnce) {
    CMobile* vendor = NewMobile(0x100);
    CContainerObj* bag = NewContainer(0x40000100);
    CContainerObj* box = NewContainer(0x40000101, G::VendorBox);
    ASSERT_TRUE(box->Equip(vendor, 26));
    CDynamicObj* inBag = NewDynamicObj(0x40000102, G::Plain, 0);
    CDynamicObj* worn = NewDynamicObj(0x40000103, G::Plain, 0);
    CDynamicObj* forSale = NewDynamicObj(0x40000104, G::Plain, 0);
    ASSERT_TRUE(inBag->PutInContainer(bag, Pos(1, 1), 0));
    ASSERT_TRUE(worn->Equip(vendor, 5));
    ASSERT_TRUE(forSale->PutInContainer(box, Pos(1, 1), 0));
    g_calls = {};

    inBag->RemoveFromWorld();
    EXPECT_EQ(g_calls.count("containerRedraw"), 1);
    EXPECT_EQ(bag->contents.Count(), 0u);
    EXPECT_EQ(inBag->parent, nullptr);

    g_calls = {};
    worn->RemoveFromWorld();
    EXPECT_EQ(g_calls.count("paperdollRedraw"), 1);
    EXPECT_EQ(vendor->layers[5], nullptr);
    EXPECT_FALSE(worn->IsEquipped());

    g_calls = {};
    forSale->RemoveFromWorld();
    EXPECT_EQ(g_calls.count("shopItemChanged"), 1);
    EXPECT_EQ(g_calls.count("containerRedraw"), 1);
    EXPECT_TRUE(box->contents.Empty());

    inBag->Release();
    worn->Release();
    forSale->Release();
    bag->Release();
    vendor->Release(); // releases the box it wears
    EXPECT_TRUE(WorldLists::AllObjects().Empty());
}

TEST_F(ContainerTest, ContentsKeepTheSortOrderOfTheirContainer) {
    struct Item {
        int x, y, amount;
    };
    const Item items[] = {{30, 5, 3}, {10, 9, 1}, {20, 7, 2}, {10, 1, 5}};
    const struct {
        int graphic;
        std::vector<int> expected; // indexes of items, head first
    } cases[] = {
        {G::VendorBox, {3, 1, 2, 0}}, // x ascending; an equal x goes in front
        {G::SortedBox, {1, 2, 0, 3}}, // y descending
        {G::Spellbook, {1, 2, 0, 3}}, // amount ascending
        {3643, {1, 2, 0, 3}},         // the other spellbook
        {G::Bag, {3, 2, 1, 0}},       // newest first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.graphic);
        CContainerObj* box = NewContainer(0x40000200, c.graphic);
        std::vector<CDynamicObj*> made;
        for (size_t i = 0; i < std::size(items); ++i) {
            CDynamicObj* o = NewDynamicObj(0x40000300u + static_cast<uint32_t>(i), G::Plain, 0);
            o->amount = static_cast<uint16_t>(items[i].amount);
            ASSERT_TRUE(o->PutInContainer(box, Pos(items[i].x, items[i].y), 0));
            made.push_back(o);
        }
        std::vector<CObj*> order;
        for (CObj* o = box->contents.Head(); o; o = WorldList::Next(o))
            order.push_back(o);
        std::vector<CObj*> expected;
        for (int i : c.expected)
            expected.push_back(made[static_cast<size_t>(i)]);
        EXPECT_EQ(order, expected);
        box->Release(); // releases its contents
        for (CDynamicObj* o : made)
            EXPECT_FALSE(CPointerRegistry::IsValid(o));
    }
}

TEST_F(ContainerTest, LoopsAndBadLayersAreRefused) {
    CContainerObj* outer = NewContainer(0x40000400);
    CContainerObj* inner = NewContainer(0x40000401);
    CMobile* mobile = NewMobile(0x402);
    ASSERT_TRUE(inner->PutInContainer(outer, Pos(1, 1), 0));
    struct Case {
        const char* name;
        std::function<bool()> act;
    };
    const Case cases[] = {
        {"a container into itself", [&] { return outer->PutInContainer(outer, Pos(2, 2), 0); }},
        {"a container into what it holds", [&] { return outer->PutInContainer(inner, Pos(2, 2), 0); }},
        {"a mobile worn by itself", [&] { return mobile->Equip(mobile, 3); }},
        {"a layer past the slots", [&] { return inner->Equip(mobile, 30); }},
        {"a negative layer", [&] { return inner->Equip(mobile, -1); }},
        {"no container", [&] { return inner->PutInContainer(nullptr, Pos(2, 2), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder->clear();
        EXPECT_FALSE(c.act());
        EXPECT_FALSE(recorder->lines().empty());
    }
    // Everything stayed where it was.
    EXPECT_EQ(inner->parent, outer);
    EXPECT_EQ(outer->parent, nullptr);
    EXPECT_EQ(outer->contents.Head(), inner);
    EXPECT_TRUE(inner->IsInsideOf(outer));
    EXPECT_FALSE(outer->IsInsideOf(inner));
    EXPECT_EQ(inner->OutermostContainer(), outer);
    // A mobile inside a container cannot wear that container either.
    ASSERT_TRUE(mobile->PutInContainer(inner, Pos(1, 1), 0));
    EXPECT_FALSE(outer->Equip(mobile, 4));
    mobile->RemoveFromWorld();
    mobile->Release();
    outer->Release();
    EXPECT_FALSE(CPointerRegistry::IsValid(inner));
}

TEST_F(ContainerTest, EquippingSetsTheFlagsOfItsLayer) {
    CMobile* m = NewMobile(0x500);
    CDynamicObj* sword = NewDynamicObj(0x40000501, G::Plain, 0);
    CDynamicObj* mount = NewDynamicObj(0x40000502, G::Plain, 0);
    CDynamicObj* lamp = NewDynamicObj(0x40000503, G::Lamp, 0);
    CDynamicObj* hidden = NewDynamicObj(0x40000504, G::Lamp, 0);
    ASSERT_TRUE(sword->Equip(m, 1));
    ASSERT_TRUE(mount->Equip(m, 25));
    ASSERT_TRUE(lamp->Equip(m, 2));
    EXPECT_TRUE(m->armed);
    EXPECT_TRUE(m->IsMounted());
    EXPECT_TRUE(sword->IsEquipped());
    EXPECT_TRUE(LightList::IsLinked(lamp));
    EXPECT_EQ(g_calls.count("paperdollRedraw"), 3);
    // Layer 0 touches neither the light list nor the paperdolls.
    ASSERT_TRUE(hidden->Equip(m, 0));
    EXPECT_FALSE(LightList::IsLinked(hidden));
    EXPECT_EQ(g_calls.count("paperdollRedraw"), 3);
    // A second item in a taken slot takes the first off.
    CDynamicObj* axe = NewDynamicObj(0x40000505, G::Plain, 0);
    ASSERT_TRUE(axe->Equip(m, 1));
    EXPECT_EQ(sword->parent, nullptr);
    EXPECT_FALSE(sword->IsEquipped());
    sword->Release();
    m->Release(); // releases what it wears
    for (CDynamicObj* o : {mount, lamp, hidden, axe})
        EXPECT_FALSE(CPointerRegistry::IsValid(o));
    EXPECT_TRUE(WorldLists::Lights().Empty());
}

TEST_F(ContainerTest, MapPinsAreEditedOnlyWithinTheList) {
    CMapItemObj map(0x40000600, 0x14EB, 0);
    const struct {
        int op, index, x, y;
        int answer;
        std::vector<std::pair<int, int>> pins;
    } steps[] = {
        {1, 0, 10, 10, 1, {{10, 10}}},
        {1, 0, 30, 30, 2, {{10, 10}, {30, 30}}},
        {2, 1, 20, 20, 3, {{10, 10}, {20, 20}, {30, 30}}},
        {2, 3, 40, 40, 4, {{10, 10}, {20, 20}, {30, 30}, {40, 40}}}, // insert at the end
        {2, 5, 50, 50, 4, {{10, 10}, {20, 20}, {30, 30}, {40, 40}}}, // beyond the count
        {2, -1, 50, 50, 4, {{10, 10}, {20, 20}, {30, 30}, {40, 40}}},
        {3, 2, 33, 33, 2, {{10, 10}, {20, 20}, {33, 33}, {40, 40}}},
        {3, 4, 1, 1, 4, {{10, 10}, {20, 20}, {33, 33}, {40, 40}}}, // at the count
        {4, 0, 0, 0, 3, {{20, 20}, {33, 33}, {40, 40}}},
        {4, 3, 0, 0, 3, {{20, 20}, {33, 33}, {40, 40}}},
        {4, -2, 0, 0, 3, {{20, 20}, {33, 33}, {40, 40}}},
        {4, 2, 0, 0, 2, {{20, 20}, {33, 33}}},
        {9, 0, 0, 0, 8, {{20, 20}, {33, 33}}},
        {5, 0, 0, 0, 0, {}},
        {4, 0, 0, 0, 0, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << "op " << s.op << " index " << s.index);
        EXPECT_EQ(map.EditPins(s.op, s.index, s.x, s.y), s.answer);
        std::vector<std::pair<int, int>> pins;
        for (const CMapItemObj::Pin* p = map.pins; p; p = p->next)
            pins.emplace_back(p->x, p->y);
        EXPECT_EQ(pins, s.pins);
        EXPECT_EQ(map.pinCount, static_cast<int>(s.pins.size()));
    }
}

TEST_F(LookupTest, NotorietyOfAHundredOrMoreSwitchesTheWarning) {
    CMobile* m = NewMobile(0x700);
    m->SetNotoriety(1);
    EXPECT_FALSE(m->IsNotInnocent());
    EXPECT_TRUE(m->IsNotCriminal());
    EXPECT_TRUE(g_criminalWarning);
    m->SetNotoriety(104);
    EXPECT_TRUE(g_criminalWarning); // storing alone does not switch it
    EXPECT_EQ(m->GetNotoriety(), 4);
    EXPECT_FALSE(g_criminalWarning);
    EXPECT_FALSE(m->IsNotCriminal());
    m->SetNotoriety(2);
    EXPECT_FALSE(g_criminalWarning); // for the rest of the run
    CPlayerMobile p(0x701);
    p.notoriety = 4;
    EXPECT_TRUE(p.IsNotCriminal());
    EXPECT_TRUE(p.IsNotInnocent());
    m->Release();
}

TEST_F(LookupTest, ObjectAtACellLiesBetweenItsZAndItsTop) {
    CObj* low = NewStaticObj(G::Plain); // height 5
    low->AddToWorld(Pos(8, 8), 10);
    CObj* lamp = NewStaticObj(G::Lamp); // height 3, newer
    lamp->AddToWorld(Pos(8, 8), 12);
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 8), 10), low);
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 8), 12), lamp); // the newest first
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 8), 14), lamp);
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 8), 15), nullptr); // lamp's z + height
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 8), 9), nullptr);
    EXPECT_EQ(CObjectManager::GetObjAtLoc(Pos(8, 9), 10), nullptr);
    low->Release();
    lamp->Release();
}

TEST_F(LookupTest, FindBySerialAnswersThePlayerFirstThenTheNewest) {
    SetPlayerObjectSerial(0x1234);
    CApp::LoadPlayerFile();
    ASSERT_TRUE(HasPlayerObject());
    EXPECT_EQ(GetPlayerObjectSerial(), 0x1234u);
    EXPECT_FALSE(AllObjectsList::IsLinked(pPlayerObject));
    CDynamicObj* twin = NewDynamicObj(0x1234, G::Plain, 0);
    EXPECT_EQ(CObjectManager::FindBySerial(0x1234), pPlayerObject);
    CDynamicObj* a = NewDynamicObj(0x40000001, G::Plain, 0);
    CDynamicObj* b = NewDynamicObj(0x40000001, G::Plain, 0);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000001), b);
    b->Release();
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000001), a);
    EXPECT_EQ(CObjectManager::FindBySerial(0x40000009), nullptr);

    // A dying mobile is found by its new serial only.
    CMobile* m = NewMobile(0x77);
    CDynamicObj* older = NewDynamicObj(0x80000077, G::Plain, 0);
    m->SetDying();
    EXPECT_EQ(CObjectManager::FindBySerial(0x77), nullptr);
    // It kept its place in the list, behind the newer object of that serial.
    EXPECT_EQ(CObjectManager::FindBySerial(0x80000077), older);
    EXPECT_EQ(CObjectManager::FindBySerialByWalk(0x80000077), older);
    older->Release();
    EXPECT_EQ(CObjectManager::FindBySerial(0x80000077), m);
    m->Release();
    a->Release();
    twin->Release();
    DeletePlayerObject();
    EXPECT_FALSE(HasPlayerObject());
}

TEST_F(LookupTest, ReleaseAllKeepsThePlayerAndItsHighLayers) {
    CApp::LoadPlayerFile();
    pPlayerObject->AddToWorld(Pos(5, 5), 0);
    CDynamicObj* pack = NewDynamicObj(0x40000801, G::Plain, 0);
    CDynamicObj* bank = NewDynamicObj(0x40000802, G::Plain, 0);
    ASSERT_TRUE(pack->Equip(pPlayerObject, 21));
    ASSERT_TRUE(bank->Equip(pPlayerObject, 29));
    CObj* rock = NewStaticObj(G::Plain);
    rock->AddToWorld(Pos(6, 6), 0);
    CMobile* m = NewMobile(0x803);
    m->AddToWorld(Pos(7, 7), 0);
    CObjectManager::ReleaseAll();
    EXPECT_TRUE(WorldLists::World().Empty());
    EXPECT_EQ(pPlayerObject->notPlaced, 1);
    EXPECT_FALSE(CPointerRegistry::IsValid(pack));
    EXPECT_EQ(pPlayerObject->layers[29], bank);
    EXPECT_FALSE(CPointerRegistry::IsValid(m));
    EXPECT_EQ(ObjectPools::MobileCount(), 1); // the player
}

TEST_F(LookupTest, DestructorsClearTheSlotsThatNameThem) {
    CApp::LoadPlayerFile();
    CMobile* leader = NewMobile(0x900);
    pPlayerObject->following = 1;
    pPlayerObject->followedSerial = 0x900;
    AddMarkedMobile(leader);
    EXPECT_TRUE(leader->marked);
    CDynamicObj* carried = NewDynamicObj(0x40000901, G::Plain, 0);
    pDraggedObject = carried;
    carried->Release();
    EXPECT_EQ(pDraggedObject, nullptr);
    g_calls = {};
    leader->Release();
    EXPECT_EQ(pPlayerObject->following, 0);
    EXPECT_EQ(MarkedMobilesHead(), nullptr);
    EXPECT_GE(g_calls.count("forgetViewPointers"), 1);
}

} // namespace
} // namespace objtest

namespace objtest {
namespace {

using AnimationWalkTest = ObjectsTest;

TEST_F(AnimationWalkTest, AWorldStepAnimatesPlacedObjectsAndRelistsThem) {
    // One record for the fire: increments 0, 2, 0, 2 ... every step.
    std::vector<uint8_t> file(animCrap::kFileSize, 0);
    const size_t at = static_cast<size_t>(G::Fire / 8) * animCrap::kGroupSize + 4 +
                      static_cast<size_t>(G::Fire % 8) * animCrap::kRecordSize;
    file[at + 1] = 2;
    file[at + 64] = 0; // current frame
    file[at + 65] = 2; // frame count
    file[at + 66] = 1; // interval
    animCrap::LoadFromBytes(file.data(), file.size());
    animCrap::SetListWalk(CObjectManager::AnimateListedObjects);

    pPlayerObject = new CPlayerMobile(0x21); // without a player every object is culled
    CObj* fire = NewStaticObj(G::Fire);
    fire->AddToWorld(Pos(3, 3), 0);
    CObj* unplaced = NewStaticObj(G::Fire);
    g_calls.dirty.clear();
    animCrap::Update();
    EXPECT_EQ(fire->graphicIncrement, 2);
    EXPECT_EQ(unplaced->graphicIncrement, 0); // not on the animation list
    EXPECT_EQ(g_calls.dirty.size(), 2u);      // the old picture and the new
    EXPECT_EQ(CellOf(fire), std::make_pair(3, 3));
    animCrap::Update();
    EXPECT_EQ(fire->graphicIncrement, 0);
    fire->Release();
    unplaced->Release();
    animCrap::SetListWalk(nullptr);
    animCrap::Reset();
}

TEST_F(AnimationWalkTest, TheGumpLayerAsksTheWorldBySerial) {
    const GumpWorldServices w = WorldBoundGumpServices();
    CMobile* m = NewMobile(0x30);
    CContainerObj* pack = NewContainer(0x40000031);
    ASSERT_TRUE(pack->Equip(m, 21));
    EXPECT_TRUE(w.exists(0x30));
    EXPECT_TRUE(w.isMobile(0x30));
    EXPECT_TRUE(w.isContainer(0x40000031));
    EXPECT_EQ(w.holderOf(0x40000031), 0x30u);
    EXPECT_EQ(w.itemGraphic(0x40000031), G::Bag);
    Rect r;
    EXPECT_FALSE(w.screenRect(0x30, &r)); // not listed
    m->AddToWorld(Pos(2, 2), 0);
    EXPECT_TRUE(w.screenRect(0x30, &r));
    EXPECT_EQ(r, m->screenRect);               // without an animation, the feet point
    auto* gump = reinterpret_cast<CGump*>(&r); // only compared, never used
    pack->containerGump = gump;
    pack->gumps[1] = gump;
    w.forgetGump(0x40000031, gump);
    EXPECT_EQ(pack->containerGump, nullptr);
    EXPECT_EQ(pack->gumps[1], nullptr);
    m->Release();
    EXPECT_FALSE(w.exists(0x30));
    EXPECT_EQ(w.holderOf(0x40000031), 0u);
}

} // namespace
} // namespace objtest
