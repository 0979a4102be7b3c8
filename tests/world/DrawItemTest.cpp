// Listing and unlisting in the draw-cell table: keys, the land rule, the stepping cell, the repair
// of a cell whose head no longer matches, and the liveness of Invalidate.
#include "AnimServe.h"
#include "ObjectsFixture.h"
#include "render/DrawManager.h"
#include "world/BodyTypes.h"

#include <functional>

namespace objtest {
namespace {

using DrawItemTest = ObjectsTest;

CLandTile* Land(int x, int y, int z) {
    CLandTile* t = NewLandTile();
    t->SetLocation(Pos(x, y), z);
    return t;
}

CObj* Static(int graphic, int x, int y, int z) {
    CObj* o = NewStaticObj(graphic);
    o->SetLocation(Pos(x, y), z);
    return o;
}

struct OrderCase {
    const char* name;
    // Lists the items in the order given and answers them in the order expected in the cell.
    std::function<std::vector<CDrawItem*>(std::vector<CDrawItem*>& listed)> build;
};

TEST_F(DrawItemTest, CellOrderFollowsKeysAndTheLandRule) {
    const OrderCase cases[] = {
        {"land first at an equal key, object listed first",
         [](std::vector<CDrawItem*>& made) {
             CObj* o = Static(G::Low, 5, 5, 0); // key 0
             CLandTile* l = Land(5, 5, 1);      // key 0
             made = {o, l};
             return std::vector<CDrawItem*>{l, o};
         }},
        {"land first at an equal key, land listed first",
         [](std::vector<CDrawItem*>& made) {
             CLandTile* l = Land(5, 5, 1);
             CObj* o = Static(G::Low, 5, 5, 0);
             made = {l, o};
             return std::vector<CDrawItem*>{l, o};
         }},
        {"a later object at an equal key is drawn later",
         [](std::vector<CDrawItem*>& made) {
             CObj* a = Static(G::Low, 5, 5, 3);
             CObj* b = Static(G::Low, 5, 5, 3);
             CObj* c = Static(G::Low, 5, 5, 3);
             made = {a, b, c};
             return std::vector<CDrawItem*>{a, b, c};
         }},
        {"flag 0x1 at z 10 sorts after land at z 10",
         [](std::vector<CDrawItem*>& made) {
             CObj* flat = Static(G::Flat, 5, 5, 10); // key 9
             CLandTile* l = Land(5, 5, 10);          // key 9
             made = {flat, l};
             return std::vector<CDrawItem*>{l, flat};
         }},
        {"keys ascend whatever the order of listing",
         [](std::vector<CDrawItem*>& made) {
             CObj* high = Static(G::Plain, 5, 5, 20); // key 21
             CObj* low = Static(G::Low, 5, 5, -5);    // key -5
             CObj* mid = Static(G::Plain, 5, 5, 0);   // key 1
             made = {high, low, mid};
             return std::vector<CDrawItem*>{low, mid, high};
         }},
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<CDrawItem*> made;
        const std::vector<CDrawItem*> expected = c.build(made);
        for (CDrawItem* item : made)
            item->AddToDrawList();
        const std::vector<const CDrawItem*> cell = Cell(5, 5);
        EXPECT_EQ(cell, std::vector<const CDrawItem*>(expected.begin(), expected.end()));
        for (CDrawItem* item : made)
            item->Release();
        EXPECT_TRUE(Cell(5, 5).empty());
    }
}

TEST_F(DrawItemTest, DrawKeysOfTheClasses) {
    CObj* flat = Static(G::Flat, 1, 1, 10);
    CLandTile* land = Land(1, 1, 10);
    CObj* tall = Static(G::Plain, 1, 1, 10);
    CCorpse* corpse = new CCorpse(0x40000010, 0x2006, 0);
    corpse->SetLocation(Pos(1, 1), 10);
    CMobile* mobile = NewMobile(0x10);
    mobile->SetLocation(Pos(1, 1), 10);
    for (CDrawItem* i : std::vector<CDrawItem*>{flat, land, tall, corpse, mobile})
        i->AddToDrawList();
    EXPECT_EQ(flat->drawKey, 9);
    EXPECT_EQ(land->drawKey, 9);
    EXPECT_EQ(tall->drawKey, 11);
    EXPECT_EQ(corpse->drawKey, 11);
    EXPECT_EQ(mobile->drawKey, 11);
    EXPECT_EQ(Cell(1, 1), (std::vector<const CDrawItem*>{land, flat, tall, corpse, mobile}));
    // The terms that place the cell on the screen.
    EXPECT_EQ(tall->depthTerm, 2);
    EXPECT_EQ(tall->columnTerm, 6144);
    flat->Release();
    land->Release();
    tall->Release();
    corpse->Release();
    mobile->Release();
}

TEST_F(DrawItemTest, ASteppingMobileIsListedInItsStepCell) {
    CMobile* m = NewMobile(0x20);
    m->SetLocation(Pos(10, 20), 0);
    m->facing = 0; // north
    m->stepFramesLeft = 3;
    m->AddToDrawList();
    EXPECT_EQ(CellOf(m), std::make_pair(10, 21));
    m->RemoveFromDrawList();
    m->stepFramesLeft = 0;
    m->AddToDrawList();
    EXPECT_EQ(CellOf(m), std::make_pair(10, 20));
    EXPECT_TRUE(recorder->lines().empty());

    // The player shifts by its own walk state and its own facings.
    const struct {
        int facing;
        int x, y;
    } player[] = {{0, 10, 20}, {1, 11, 20}, {2, 11, 20}, {3, 11, 21},
                  {4, 10, 21}, {5, 10, 21}, {6, 10, 20}, {9, 10, 20}};
    CPlayerMobile* p = new CPlayerMobile(0x21);
    p->SetLocation(Pos(10, 20), 0);
    p->stepInProgress = true;
    for (const auto& c : player) {
        SCOPED_TRACE(c.facing);
        p->facing = static_cast<uint8_t>(c.facing);
        p->AddToDrawList();
        EXPECT_EQ(CellOf(p), std::make_pair(c.x, c.y));
        p->RemoveFromDrawList();
        EXPECT_EQ(CellOf(p), std::make_pair(-1, -1));
    }
    EXPECT_TRUE(recorder->lines().empty());
    delete p;
    m->Release();
}

TEST_F(DrawItemTest, AChangedLocationIsRepairedOnRemovalAndLoggedOnce) {
    CObj* a = Static(G::Low, 3, 4, 0);
    CObj* b = Static(G::Plain, 3, 4, 0);
    a->AddToDrawList();
    b->AddToDrawList();
    a->locX = 9; // changed while listed: the cell is no longer found from the location
    a->RemoveFromDrawList();
    int logged = 0;
    for (const auto& line : recorder->lines())
        if (line.text.find("CDrawItem::RemoveFromDrawList(): code would have asserted") != std::string::npos)
            ++logged;
    EXPECT_EQ(logged, 1);
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            EXPECT_NE(head, a);
    EXPECT_EQ(Cell(3, 4), (std::vector<const CDrawItem*>{b}));
    EXPECT_EQ(a->listed, 0u);
    EXPECT_EQ(b->prevDraw, nullptr);
    a->Release();
    b->Release();
}

TEST_F(DrawItemTest, ListingDirtiesOldAndNewPicturesAndInvalidateIgnoresTheDead) {
    pPlayerObject = new CPlayerMobile(0x21); // without a player every object is culled
    CObj* o = Static(G::Plain, 2, 2, 0);
    o->AddToDrawList();
    ASSERT_EQ(g_calls.dirty.size(), 1u);
    const Rect first = g_calls.dirty[0];
    EXPECT_EQ(first.Width(), 44);
    o->z = 10;
    o->AddToDrawList(); // re-listing: the old picture and the new
    ASSERT_EQ(g_calls.dirty.size(), 3u);
    EXPECT_EQ(g_calls.dirty[1], first);
    EXPECT_EQ(g_calls.dirty[2].top, first.top - 40);

    g_calls.dirty.clear();
    CDrawItem::Invalidate(o);
    EXPECT_EQ(g_calls.dirty.size(), 1u);
    o->Release(); // back to the pool: no longer a live object
    g_calls.dirty.clear();
    CDrawItem::Invalidate(o);
    CDrawItem::Invalidate(nullptr);
    EXPECT_TRUE(g_calls.dirty.empty());
    EXPECT_FALSE(CPointerRegistry::IsValid(o));
}

TEST_F(DrawItemTest, InsertIntoCellAppliesTheOffsetAndNoLandRule) {
    CLandTile* l = Land(7, 7, 1); // key 0
    l->AddToDrawList();
    CContainerObj* box = NewContainer(0x40000001);
    box->SetLocation(Pos(5, 9), -1); // height 4: key 0
    box->cellOffset = 2;
    int x = 5, y = 9;
    box->InsertIntoCell(x, y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 7);
    // Without the land rule the newcomer goes after the land tile of the same key.
    EXPECT_EQ(Cell(7, 7), (std::vector<const CDrawItem*>{l, box}));
    box->RemoveFromDrawList(); // unlinked through its neighbour
    EXPECT_EQ(Cell(7, 7), (std::vector<const CDrawItem*>{l}));
    l->Release();
    box->Release();
}

TEST_F(DrawItemTest, ClearDrawTableUnlistsEverything) {
    CObj* a = Static(G::Low, 1, 1, 0);
    CObj* b = Static(G::Low, 63, 63, 0);
    a->AddToDrawList();
    b->AddToDrawList();
    DrawManager::ClearDrawTable();
    EXPECT_EQ(a->listed, 0u);
    EXPECT_EQ(b->listed, 0u);
    EXPECT_EQ(CellOf(a), std::make_pair(-1, -1));
    a->Release();
    b->Release();
}

TEST_F(DrawItemTest, WalkKeysFillTheFirstFreeSlotAndPopInOrder) {
    CPlayerMobile p(1);
    EXPECT_EQ(p.PopWalkKey(), 0u);
    for (uint32_t k = 1; k <= 6; ++k)
        p.PushWalkKey(k * 10); // the sixth finds no slot
    p.SetWalkKey(99, 5);       // out of range: nothing
    p.SetWalkKey(7, 2);
    EXPECT_EQ(p.PopWalkKey(), 10u);
    EXPECT_EQ(p.PopWalkKey(), 20u);
    EXPECT_EQ(p.PopWalkKey(), 7u);
    p.PushWalkKey(77); // the first empty slot again
    EXPECT_EQ(p.PopWalkKey(), 77u);
    EXPECT_EQ(p.PopWalkKey(), 40u);
    EXPECT_EQ(p.PopWalkKey(), 50u);
    EXPECT_EQ(p.PopWalkKey(), 0u);
}

} // namespace
} // namespace objtest

namespace objtest {
namespace {

TEST_F(DrawItemTest, ACorpseWithAnOffsetLeavesItsOwnCell) {
    // Body 1 lies in group 2 of its creature layout, frame 3; facing 3 is stored unmirrored (direction 0).
    // This frame reaches 40 pixels right.
    InitBodyTypes();
    recorder->clear();
    animtest::ServeScope serve;
    animtest::Put(1 * 110 + 2 * 5 + 0, {animtest::Block(0, -4, 1, 0, 1), animtest::Block(0, -4, 1, 0, 1),
                                        animtest::Block(0, -4, 1, 0, 1), animtest::Block(-4, -10, 40, 0, 2)});
    CCorpse* corpse = new CCorpse(0x40000020, 0x2006, 0);
    corpse->SetLocation(Pos(10, 10), 0);
    corpse->facing = 3;
    corpse->AddToDrawList();
    EXPECT_EQ(corpse->cellOffset, 1);
    EXPECT_EQ(CellOf(corpse), std::make_pair(11, 9));
    corpse->RemoveFromDrawList();
    EXPECT_EQ(CellOf(corpse), std::make_pair(-1, -1));
    corpse->AddToDrawList();
    corpse->Release(); // destroyed while listed
    EXPECT_TRUE(Cell(11, 9).empty());
    EXPECT_TRUE(recorder->lines().empty()); // no repair was needed
}

} // namespace
} // namespace objtest
