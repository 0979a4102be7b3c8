// The scene: the cell order, what a paint takes part in, culling, the ceiling, picking, the span
// operation an object draws with, the land diamond, the circle of transparency, sloped land and
// the seasons.
#include "SceneFixture.h"
#include "render/SpanKernels.h"
#include "render/SpanOps.h"

#include <algorithm>
#include <memory>
#include <set>

using namespace scenetest;
using objtest::Pos;

namespace {

// A draw item that records the paints it takes part in, over a rect of its own.
class Probe : public CDrawItem {
  public:
    explicit Probe(Rect r) : rect(r) {}
    void CalcScreenRect() override { screenRect = rect; }
    void DrawClip(const Rect&) override { ++draws; }
    Rect rect;
    int draws = 0;
};

TEST(SceneOrderTest, TheWindowDiamondBackToFront) {
    const uint16_t* order = DrawManager::CellOrder();
    auto u = [&](int i) { return order[i] & 63; };
    auto v = [&](int i) { return order[i] >> 6; };
    EXPECT_EQ(u(0), 1);
    EXPECT_EQ(v(0), 30);
    EXPECT_EQ(u(DrawManager::kCellOrderCount - 1), 63);
    EXPECT_EQ(v(DrawManager::kCellOrderCount - 1), 34);
    std::set<int> seen;
    int player = -1;
    for (int i = 0; i < DrawManager::kCellOrderCount; ++i) {
        EXPECT_TRUE(seen.insert(order[i]).second) << i;
        EXPECT_LE(std::abs(u(i) - v(i)), 29) << i;
        EXPECT_GE(u(i) + v(i), 31) << i;
        EXPECT_LE(u(i) + v(i), 97) << i;
        if (i > 0) {
            const int before = u(i - 1) + v(i - 1), now = u(i) + v(i);
            EXPECT_TRUE(before < now || (before == now && u(i - 1) < u(i))) << i;
        }
        if (u(i) == 32 && v(i) == 32) player = i;
    }
    ASSERT_GE(player, 0);
    EXPECT_EQ(u(player) + v(player), 64);
}

TEST_F(SceneTest, AnItemTouchingTheClipOnAnEdgeIsPainted) {
    DrawManager::ResetWindow(); // window offset (u, v) is table cell (u, v)
    const Rect clip{100, 100, 200, 200};
    const struct {
        Rect rect;
        bool painted;
    } cases[] = {
        {{200, 120, 250, 150}, true}, {{201, 120, 250, 150}, false}, {{50, 120, 100, 150}, true},
        {{50, 120, 99, 150}, false},  {{120, 60, 150, 100}, true},   {{120, 60, 150, 99}, false},
        {{120, 200, 150, 230}, true}, {{120, 201, 150, 230}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rect.left << "," << c.rect.top);
        Probe probe(c.rect);
        probe.SetLocation(Pos(32, 32), 0);
        probe.AddToDrawList();
        DrawManager::DrawScene(clip);
        EXPECT_EQ(probe.draws, c.painted ? 1 : 0);
        probe.RemoveFromDrawList();
    }
    // The scroll offset moves the clip into the world.
    Probe probe(Rect{1100, 2100, 1150, 2150});
    probe.SetLocation(Pos(32, 32), 0);
    probe.AddToDrawList();
    DrawManager::SetScrollOffset(1000, 2000);
    DrawManager::DrawScene(clip);
    EXPECT_EQ(probe.draws, 1);
    probe.RemoveFromDrawList();
}

// A probe whose paint surely covers a rect, that may be left out where covered and that keeps the
// clip of its last paint.
class CoverProbe : public Probe {
  public:
    CoverProbe(Rect r, Rect c, bool mayBeLeftOut) : Probe(r), cover(c), leaveOut(mayBeLeftOut) {}
    void DrawClip(const Rect& clip) override {
        Probe::DrawClip(clip);
        lastClip = clip;
    }
    Rect OpaqueCover() const override { return cover; }
    bool MayBeLeftOutWhenCovered() const override { return leaveOut; }
    Rect cover;
    bool leaveOut;
    Rect lastClip{};
};

// An item under the covers of items painted after it is left out, and one partly under them is
// painted only where they leave it open (to the 4 x 4 block); covers of items painted before it
// or of culled items hide nothing, nor do covers hide an item that may not be left out. The
// covering items are painted whatever happens.
TEST_F(SceneTest, WhatLaterCoversHideIsLeftOut) {
    DrawManager::ResetWindow();
    const Rect clip{0, 0, 400, 300}, item{100, 100, 144, 144};
    std::vector<uint16_t> screen(400 * 300);
    SetBlitTarget(screen.data(), 400, 300);
    constexpr int kBefore = 31, kAfter = 33; // cells in front of or behind the item's (32, 32)
    const struct {
        const char* name;
        Rect covers[2];
        int coverCell;
        bool mayBeLeftOut, coverListed;
        Rect painted; // empty: left out
    } cases[] = {
        {"one wider cover", {{96, 96, 148, 148}, {}}, kAfter, true, true, {}},
        {"its own rect", {{100, 100, 144, 144}, {}}, kAfter, true, true, {}},
        {"two halves", {{100, 100, 122, 144}, {120, 100, 144, 144}}, kAfter, true, true, {}},
        {"a pixel short", {{101, 100, 144, 144}, {}}, kAfter, true, true, {100, 100, 104, 144}},
        {"halves with a gap",
         {{100, 100, 121, 144}, {122, 100, 144, 144}},
         kAfter,
         true,
         true,
         {120, 100, 124, 144}},
        {"its top", {{96, 96, 148, 120}, {}}, kAfter, true, true, {100, 120, 144, 144}},
        {"painted before it", {{96, 96, 148, 148}, {}}, kBefore, true, true, item},
        {"may not be left out", {{96, 96, 148, 148}, {}}, kAfter, false, true, clip},
        {"culled cover", {{96, 96, 148, 148}, {}}, kAfter, true, false, item},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CoverProbe probe(item, Rect{}, c.mayBeLeftOut);
        probe.SetLocation(Pos(32, 32), 0);
        probe.AddToDrawList();
        std::vector<std::unique_ptr<CoverProbe>> covers;
        for (const Rect& r : c.covers) {
            if (r.IsEmpty()) continue;
            covers.push_back(std::make_unique<CoverProbe>(r, r, true));
            covers.back()->SetLocation(Pos(c.coverCell, c.coverCell), 0);
            covers.back()->AddToDrawList();
            if (!c.coverListed) covers.back()->listed = 0;
        }
        for (int paint = 0; paint < 2; ++paint)
            DrawManager::DrawScene(clip);
        EXPECT_EQ(probe.draws, c.painted.IsEmpty() ? 0 : 2);
        if (!c.painted.IsEmpty()) {
            EXPECT_EQ(probe.lastClip, c.painted);
        }
        for (auto& cover : covers) {
            EXPECT_EQ(cover->draws, c.coverListed ? 2 : 0);
            cover->listed = 1;
            cover->RemoveFromDrawList();
        }
        probe.RemoveFromDrawList();
    }
    SetBlitTarget(BlitTarget{});
}

TEST_F(SceneTest, CullingRules) {
    Row(objtest::G::Plain).height = 0;
    TileData::MutableItem(600)->flags = TileFlag::Roof;
    TileData::MutableItem(601)->flags = 0x10000;
    PlacePlayer(10, 10, 0);

    CLandTile* land20 = NewLandTile();
    land20->SetLocation(Pos(20, 20), 20);
    land20->AddToDrawList();
    CLandTile* land21 = NewLandTile();
    land21->SetLocation(Pos(21, 20), 21);
    land21->AddToDrawList();
    CObj* at20 = PlaceStatic(objtest::G::Plain, 22, 20, 20);
    CObj* at19 = PlaceStatic(objtest::G::Plain, 23, 20, 19);
    CObj* onHighLand = PlaceStatic(objtest::G::Plain, 20, 20, 19); // listed after land at the cut
    CObj* roof = PlaceStatic(600, 24, 20, 5);
    CObj* hidden = PlaceStatic(601, 25, 20, 0);

    struct Case {
        const char* what;
        CDrawItem* item;
        bool cutOn;
        int ceiling;
        bool culled;
    } cases[] = {
        {"land at the cut z shows", land20, true, 127, false},
        {"land above the cut z goes", land21, true, 127, true},
        {"an object at the cut z goes", at20, true, 127, true},
        {"an object below the cut z shows", at19, true, 127, false},
        {"an object on land at the cut goes", onHighLand, true, 127, true},
        {"the same without the cut shows", onHighLand, false, 127, false},
        {"a roof under a ceiling goes", roof, false, 40, true},
        {"a roof without a ceiling shows", roof, false, 127, false},
        {"an object at the ceiling goes", at20, false, 20, true},
        {"an object below the ceiling shows", at19, false, 20, false},
        {"flag 0x10000 always goes", hidden, false, 127, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DrawManager::SetRoofCut(c.cutOn, 20);
        DrawManager::SetCeiling(c.ceiling, c.ceiling);
        EXPECT_EQ(c.item->IsCulled(), c.culled);
    }
    DrawManager::SetRoofCut(false, 0);
    DrawManager::SetCeiling(127, 127);
    land20->Release();
    land21->Release();
}

TEST_F(SceneTest, AMobileUnderCoverIsCulled) {
    TileData::MutableItem(600)->flags = TileFlag::Roof;
    PlacePlayer(40, 40, 0);
    CMobile* m = NewMobile(0x55);
    m->AddToWorld(Pos(10, 10), 0);
    std::vector<CObj*> cover;
    for (auto [dx, dy] : {std::pair{0, 0}, {1, 1}, {1, 0}, {0, 1}, {2, 2}})
        cover.push_back(PlaceStatic(600, 10 + dx, 10 + dy, 20));
    EXPECT_TRUE(m->IsCulled());
    cover.back()->RemoveFromWorld(); // one open cell lets it show
    EXPECT_FALSE(m->IsCulled());
    cover.back()->AddToWorld(Pos(12, 12), 19); // too low to cover
    EXPECT_FALSE(m->IsCulled());
    EXPECT_FALSE(pPlayerObject->IsCulled()); // the player keeps the base rule
    DrawManager::SetCeiling(0, 0);
    EXPECT_TRUE(m->IsCulled());
    EXPECT_FALSE(pPlayerObject->IsCulled());
    DrawManager::SetCeiling(127, 127);
}

TEST_F(SceneTest, FoliageHidingThePlayerFadesAfterThePass) {
    CPlayerMobile* p = PlacePlayer(10, 10, 0);
    p->screenRect = Rect{0, 0, 40, 80};
    CObj* front = PlaceStatic(objtest::G::Bush, 11, 11, 0);
    CObj* behind = PlaceStatic(objtest::G::Bush, 9, 9, 0);
    CObj* aside = PlaceStatic(objtest::G::Bush, 12, 12, 0);
    front->screenRect = Rect{10, 10, 60, 60};
    behind->screenRect = Rect{10, 10, 60, 60};
    aside->screenRect = Rect{40, 10, 90, 60}; // touches the player's rect only
    // The answer is cached: it changes only in the ceiling's foliage pass.
    EXPECT_FALSE(front->IsCulled());
    DrawManager::UpdateCeiling();
    EXPECT_TRUE(front->IsCulled());
    EXPECT_FALSE(behind->IsCulled());
    EXPECT_FALSE(aside->IsCulled());
    p->screenRect = Rect{100, 0, 140, 80};
    EXPECT_TRUE(front->IsCulled());
    DrawManager::UpdateCeiling();
    EXPECT_FALSE(front->IsCulled());
}

TEST_F(SceneTest, ATreeOfRangedPiecesFadesAlongItsRow) {
    for (int g = 3397; g <= 3400; ++g)
        TileData::MutableItem(g)->flags = TileFlag::Foliage;
    CPlayerMobile* p = PlacePlayer(10, 10, 0);
    p->screenRect = Rect{0, 0, 40, 80};
    // A 2 x 2 tree south-east of the player: the pieces at (12, 11) and (11, 12) share a row.
    CObj* top = PlaceStatic(3397, 11, 11, 0);
    CObj* right = PlaceStatic(3398, 12, 11, 0);
    CObj* left = PlaceStatic(3399, 11, 12, 0);
    CObj* bottom = PlaceStatic(3400, 12, 12, 0);
    const Rect away{200, 200, 240, 240};
    top->screenRect = away;
    right->screenRect = away;
    bottom->screenRect = away;
    left->screenRect = Rect{20, 20, 60, 60}; // only this piece covers the player
    DrawManager::UpdateCeiling();
    EXPECT_TRUE(left->IsCulled());
    EXPECT_TRUE(right->IsCulled()); // one graphic and one cell apart, on the same row
    EXPECT_FALSE(top->IsCulled());
    EXPECT_FALSE(bottom->IsCulled());
}

TEST_F(SceneTest, TheCeilingComesFromTheRoofAreaAboveThePlayer) {
    TileData::MutableItem(600)->flags = TileFlag::Roof;
    Row(maptest::I::Floor).flags = TileFlag::Surface;
    CPlayerMobile* p = PlacePlayer(10, 10, 0);
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetCeiling(), 127);

    // A small roof: 3 x 3 at z 30 with one piece at 26, and a tower piece at 40 beside it that the
    // walk does not reach (more than 6 above its neighbour).
    std::vector<CObj*> roof;
    for (int y = 10; y <= 12; ++y)
        for (int x = 10; x <= 12; ++x)
            roof.push_back(PlaceStatic(600, x, y, (x == 12 && y == 12) ? 26 : 30));
    roof.push_back(PlaceStatic(600, 13, 12, 40));
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetFloodZ(), 26);
    EXPECT_EQ(DrawManager::GetCeiling(), 26);
    EXPECT_TRUE(roof[0]->IsCulled());

    // An upper floor right over the player comes first; the roof beyond it is not walked.
    CObj* floor = PlaceStatic(maptest::I::Floor, 10, 10, 20);
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetCeiling(), 20);
    EXPECT_TRUE(floor->IsCulled());

    // Out from under it: no ceiling, the roof shows.
    floor->RemoveFromWorld();
    p->AddToWorld(Pos(20, 20), 0);
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetCeiling(), 127);
    EXPECT_FALSE(roof[0]->IsCulled());
    // Never lower than the player's head.
    p->AddToWorld(Pos(10, 10), 20);
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetCeiling(), 127); // the roof at 30 is within 14 of z 20
    p->AddToWorld(Pos(10, 10), 12);
    DrawManager::UpdateCeiling();
    EXPECT_EQ(DrawManager::GetCeiling(), 28); // roof at 26 reached, but z + 16 is higher
}

TEST_F(SceneTest, PickingFindsTheTopmostPixel) {
    DrawManager::ResetWindow(); // window offset (u, v) is table cell (u, v)
    PlacePlayer(40, 40, 0);
    CLandTile* land = NewLandTile();
    land->SetLocation(Pos(30, 30), 0);
    land->AddToDrawList();
    // The land's top-left at screen (100, 100).
    DrawManager::SetScrollOffset(land->screenRect.left - 100, land->screenRect.top - 100);
    const int L = 100, T = 100;
    const struct {
        int du, dv;
        bool hit;
    } diamond[] = {{0, 21, true},  {0, 20, false},  {21, 0, true},  {20, 0, false}, {22, 0, true},
                   {43, 22, true}, {44, 22, false}, {22, 43, true}, {0, 22, true},  {23, 0, false}};
    for (const auto& c : diamond) {
        SCOPED_TRACE(testing::Message() << c.du << "," << c.dv);
        EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(L + c.du, T + c.dv, false), c.hit ? land : nullptr);
    }
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(L + 22, T + 22, true), nullptr); // land skipped
    DrawManager::SetRoofCut(true, -1);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(L + 22, T + 22, false), nullptr);
    DrawManager::SetRoofCut(false, 0);

    // A stack of one-pixel art on the land: its two pictures are hit, the gap between is not.
    TileData::MutableItem(700)->flags = TileFlag::Stackable;
    ServeItem(700, 1, 1, 0x7FFF);
    CDynamicObj* stack = NewDynamicObj(0x40000700, 700, 0);
    stack->amount = 3;
    stack->AddToWorld(Pos(30, 30), 0);
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int sl = stack->screenRect.left - sx, st = stack->screenRect.top - sy;
    EXPECT_EQ(stack->screenRect.right - stack->screenRect.left, 6);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(sl, st, false), stack);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(sl + 5, st + 5, false), stack);
    EXPECT_NE(DrawManager::GetDrawItemAtScreenLoc(sl + 3, st + 3, false), stack);
    stack->Release();

    // Skipped: never-hit graphics, culled items, faded statics.
    const int px = L + 22, py = T + 30;
    CObj* never = PlaceStatic(1, 30, 30, 0);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(px, py, false), land);
    never->Release();
    CObj* plain = PlaceStatic(objtest::G::Plain, 30, 30, 1); // no art: its diamond; top 6
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(px, py, false), plain);
    DrawManager::SetRoofCut(true, 0);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(px, py, false), land);
    DrawManager::SetRoofCut(false, 0);
    UseCircleTrans = true; // above the player's z + 5, the circle round the point
    CircleTrans::SetCenter(px, py);
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(px, py, false), land);
    UseCircleTrans = false;
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(px, py, false), plain);
    land->Release();
}

TEST_F(SceneTest, NearestLandWinsAndATieGoesToTheOneInFront) {
    DrawManager::ResetWindow();
    CLandTile* back = NewLandTile();
    back->SetLocation(Pos(30, 30), 0);
    back->AddToDrawList();
    CLandTile* front = NewLandTile();
    front->SetLocation(Pos(31, 31), 0); // 44 pixels lower, same column
    front->AddToDrawList();
    CLandTile* right = NewLandTile();
    right->SetLocation(Pos(31, 30), 0); // 22 right and 22 lower
    right->AddToDrawList();
    DrawManager::SetScrollOffset(back->screenRect.left - 300, back->screenRect.top - 300);
    const int L = 300, T = 300;
    EXPECT_EQ(DrawManager::GetLandAtScreenLoc(L + 20, T + 20), back);
    EXPECT_EQ(DrawManager::GetLandAtScreenLoc(L + 33, T + 33), right); // 22 from back and from right
    EXPECT_EQ(DrawManager::GetLandAtScreenLoc(L - 200, T), nullptr);
    EXPECT_EQ(DrawManager::GetLastItemInCell(31, 31), front);
    back->Release();
    front->Release();
    right->Release();
}

// What an object of these tile flags and hue paints over a background, against the span
// operation it should choose.
TEST_F(SceneTest, AnObjectsFlagsAndHueChooseItsSpanOperation) {
    PlacePlayer(40, 40, 0);
    const uint16_t art[4] = {0x4210, 0x2108, 0x7FFF, 0x0C63};
    ServeItemPixels(710, 4, 1, std::vector<uint16_t>(art, art + 4));
    const struct {
        uint32_t flags;
        uint32_t drawTime;
        int hue;
        SpanOp expected;
    } cases[] = {
        {0, 0, 0, CopySpan},
        {TileFlag::PartialHue, 0, 0, CopySpan},
        {TileFlag::Foliage, 0, 0, CopySpan},
        {0, 0, 33, HueSpan},
        {TileFlag::Foliage, 0, 33, HueSpan},
        {TileFlag::Translucent, 0, 0, TranslucentSpan},
        {TileFlag::Translucent | TileFlag::PartialHue, 0, 0, TranslucentSpan},
        {TileFlag::Translucent, 0, 33, HueTranslucentSpan},
        {TileFlag::Foliage, TileFlag::Translucent, 0, FaintSpan},
        {TileFlag::Foliage | TileFlag::PartialHue, TileFlag::Translucent, 0, FaintSpan},
        {TileFlag::PartialHue, 0, 33, PartialHueSpan},
        {TileFlag::PartialHue | TileFlag::Foliage, 0, 33, PartialHueSpan},
        {TileFlag::PartialHue | TileFlag::Translucent, 0, 33, PartialHueTranslucentSpan},
        {TileFlag::Foliage | TileFlag::Translucent, 0, 33, CopySpan},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << c.flags << " " << c.drawTime << " hue " << std::dec << c.hue);
        TileData::MutableItem(710)->flags = c.flags;
        CObj* o = PlaceStatic(710, 10, 10, 0);
        o->displayedHue = static_cast<uint16_t>(c.hue);
        std::vector<uint16_t> buffer(64 * 64, 0x1234);
        SetBlitTarget(buffer.data(), 64, 64);
        int sx = o->screenRect.left - 10, sy = o->screenRect.top - 10;
        DrawManager::SetScrollOffset(sx, sy);
        DrawManager::SetDrawTimeFlags(c.drawTime);
        o->DrawClip(Rect{0, 0, 64, 64});
        DrawManager::SetDrawTimeFlags(0);
        std::vector<uint16_t> expected(4, 0x1234);
        SetCurrentHueIndex(c.hue - 1);
        c.expected(expected.data(), art, 4);
        EXPECT_EQ(std::vector<uint16_t>(buffer.begin() + 10 * 64 + 10, buffer.begin() + 10 * 64 + 14),
                  expected);
        o->Release();
    }
    SetBlitTarget(BlitTarget{});
}

TEST_F(SceneTest, ObjectsThatAreNeverDrawnAndObjectsWithoutArt) {
    PlacePlayer(40, 40, 0);
    ServeLand(0, 0x03E0);
    TileData::MutableItem(601)->flags = 0x10000;
    const struct {
        int graphic;
        bool drawsLand0;
    } cases[] = {{1, false}, {8600, false}, {8610, false}, {601, false}, {8611, true}, {702, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.graphic);
        CObj* o = PlaceStatic(c.graphic, 10, 10, 0);
        std::vector<uint16_t> buffer(64 * 64, 0);
        SetBlitTarget(buffer.data(), 64, 64);
        DrawManager::SetScrollOffset(o->screenRect.left, o->screenRect.top);
        o->DrawClip(Rect{0, 0, 64, 64});
        EXPECT_EQ(buffer[22 * 64 + 22] == 0x03E0, c.drawsLand0);
        EXPECT_EQ(o->screenRect.right - o->screenRect.left, 44);
        o->Release();
    }
    SetBlitTarget(BlitTarget{});
}

TEST(LandDiamondTest, RowsAndClip) {
    const LandRow* rows = LandArtRows();
    EXPECT_EQ(rows[0].start, 21);
    EXPECT_EQ(rows[0].width, 2);
    EXPECT_EQ(rows[21].width, 44);
    EXPECT_EQ(rows[22].start, 1);
    EXPECT_EQ(rows[22].width, 42);
    EXPECT_EQ(rows[22].first, 507); // the upper half's 506 pixels, plus 1
    EXPECT_EQ(rows[43].width, 0);
}

TEST_F(SceneTest, ALandDiamondClippedAtItsBottomDrawsFortyThreeRows) {
    ServeLand(5, 0x7FFF);
    std::vector<uint16_t> buffer(80 * 80, 0);
    SetBlitTarget(buffer.data(), 80, 80);
    const int x = 7, y = 10;
    DrawLandArt(5, x, y, Rect{0, 0, 80, y + 44});
    int rows = 0, pixels = 0;
    for (int r = 0; r < 80; ++r) {
        const auto begin = buffer.begin() + r * 80;
        const int n = static_cast<int>(std::count(begin, begin + 80, 0x7FFF));
        pixels += n;
        if (n) ++rows;
    }
    EXPECT_EQ(rows, 43);
    EXPECT_EQ(pixels, 2 * 506 - 44); // the lower half one pixel narrower on each side
    // A clip cuts columns and rows; nothing lands outside it.
    std::fill(buffer.begin(), buffer.end(), 0);
    DrawLandArt(5, x, y, Rect{x + 10, y + 5, x + 30, y + 20});
    for (int r = 0; r < 80; ++r)
        for (int c = 0; c < 80; ++c)
            if (buffer[r * 80 + c]) {
                EXPECT_TRUE(c >= x + 10 && c < x + 30 && r >= y + 5 && r < y + 20) << c << "," << r;
            }
    SetBlitTarget(BlitTarget{});
}

TEST_F(SceneTest, CircleRadiusAndBlend) {
    const struct {
        int asked, radius, shift;
    } radii[] = {{1, 2, 2}, {-5, 2, 2}, {300, 256, 16}, {64, 64, 12}, {60, 60, -1}, {256, 256, 16}};
    for (const auto& c : radii) {
        CircleTrans::SetRadius(c.asked);
        EXPECT_EQ(CircleTrans::GetRadius(), c.radius) << c.asked;
        EXPECT_EQ(CircleTrans::GetShift(), c.shift) << c.asked;
    }
    CircleTrans::SetRadius(64);
    CircleTrans::SetCenter(100, 100);
    EXPECT_EQ(CircleTrans::GetRect(), (Rect{35, 35, 165, 165}));
    const int r2 = 64 * 64;
    for (int q : {0, 1, 100, 2048, 4095, 4096})
        for (auto [s, d] : {std::pair<uint16_t, uint16_t>{0x7FFF, 0}, {0x1234, 0x6543}, {0x001F, 0x7C00}}) {
            auto channel = [&](int shift) {
                return (q * ((s >> shift) & 31) + (r2 - q) * ((d >> shift) & 31)) / r2;
            };
            const uint16_t expected = static_cast<uint16_t>(channel(10) << 10 | channel(5) << 5 | channel(0));
            EXPECT_EQ(CircleTrans::Blend(s, d, q), expected) << q;
        }
    EXPECT_EQ(CircleTrans::Blend(0x7FFF, 0x0000, 0), 0x0000);  // the centre shows the ground
    EXPECT_EQ(CircleTrans::Blend(0x7FFF, 0x0000, r2), 0x7FFF); // the rim shows the static
    CircleTrans::SetCenter(-50, 100000);
    int cx = 0, cy = 0;
    CircleTrans::GetCenter(cx, cy);
    EXPECT_EQ(cx, 0);
    EXPECT_GE(cy, 1);
}

TEST_F(SceneTest, TheCircleFadesOnlyTallStaticsNearIt) {
    PlacePlayer(10, 10, 0);
    Row(objtest::G::Plain).height = 5;
    Row(objtest::G::Low).height = 0;
    CObj* tall = PlaceStatic(objtest::G::Plain, 11, 11, 1); // top 6 > 0 + 5
    CObj* low = PlaceStatic(objtest::G::Low, 11, 11, 5);    // top 5
    CObj* excepted = PlaceStatic(6040, 11, 11, 10);
    CDynamicObj* item = NewDynamicObj(0x40000001, objtest::G::Plain, 0);
    item->AddToWorld(Pos(11, 11), 10);
    CircleTrans::SetRadius(64);
    const Rect& r = tall->screenRect;
    DrawManager::SetScrollOffset(r.left - 100, r.top - 100);
    CircleTrans::SetCenter(100, 100);
    EXPECT_TRUE(IsCircleTransFaded(tall));
    EXPECT_FALSE(IsCircleTransFaded(low));
    EXPECT_FALSE(IsCircleTransFaded(excepted));
    EXPECT_FALSE(IsCircleTransFaded(item));
    DrawManager::SetScrollOffset(-1000, 0); // the static is now far right of the circle
    EXPECT_FALSE(IsCircleTransFaded(tall));
    item->Release();
}

// A faded static painted after a scroll (the ring away from offset 0) equals its full repaint.
TEST_F(SceneTest, TheCircleBlendsByScreenPositionWhateverTheRing) {
    ServeLand(3, 0x0210);
    ServeItem(objtest::G::Plain, 30, 60, 0x7C1F);
    BackBuffer::Resize(200, 160);
    DirtyOnScreen();
    CPlayerMobile* p = PlacePlayer(30, 30, 0);
    CenterOn(30, 30);
    p->RemoveFromDrawList(); // figures draw elsewhere
    CObj* statue = PlaceStatic(objtest::G::Plain, 31, 31, 1);
    UseCircleTrans = true;
    CircleTrans::SetRadius(40);
    CircleTrans::SetCenter(100, 80);
    // The static's top-left at (85, 30) on the screen.
    const int sx = statue->screenRect.left - 85, sy = statue->screenRect.top - 30;
    DrawManager::SetScrollOffset(sx, sy);
    const std::vector<uint16_t> atZero = FullRepaint();
    EXPECT_NE(std::count(atZero.begin(), atZero.end(), 0x7C1F), 0); // rows outside the circle
    EXPECT_NE(atZero[static_cast<size_t>(80) * 200 + 100], 0x7C1F); // the centre shows the ground
    // The circle stays while the picture moves: the player's step dirties it before and after the
    // scroll, so that what was faded and what is to be faded are both painted again.
    DirtyRect(&CircleTrans::GetRect());
    DrawManager::SetScrollOffset(sx + 13, sy + 7);
    ScrollScreen(-13, -7);
    DirtyRect(&CircleTrans::GetRect());
    RenderFrame();
    EXPECT_NE(BackBuffer::RingOffset(), 0);
    const std::vector<uint16_t> scrolled = Screen();
    EXPECT_EQ(scrolled, FullRepaint());
    EXPECT_NE(scrolled, atZero);
}

TEST_F(SceneTest, SlopedCellSetUp) {
    const struct {
        int8_t z[4];
        uint32_t hidden;
        int first[3], second[3];
        int highest[2];
    } cases[] = {
        {{0, 0, 11, 0}, 1, {0, 1, 3}, {1, 2, 3}, {0, 2}}, {{0, 0, 10, 0}, 0, {0, 1, 3}, {1, 2, 3}, {0, 2}},
        {{0, 4, 0, 0}, 0, {0, 1, 2}, {2, 3, 0}, {1, 2}},  {{5, 0, 0, 0}, 0, {0, 1, 3}, {1, 2, 3}, {0, 2}},
        {{0, 0, 0, 8}, 0, {0, 1, 2}, {2, 3, 0}, {0, 3}},  {{3, 3, 3, 3}, 0, {0, 1, 2}, {2, 3, 0}, {0, 2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int{c.z[0]} << int{c.z[1]} << int{c.z[2]} << int{c.z[3]});
        CStretchedLandTile t;
        t.Init(maptest::L::Hill, Pos(50, 50), c.z);
        EXPECT_EQ(t.hidden, c.hidden);
        EXPECT_EQ(std::vector<int>(t.triangles[0], t.triangles[0] + 3),
                  std::vector<int>(c.first, c.first + 3));
        EXPECT_EQ(std::vector<int>(t.triangles[1], t.triangles[1] + 3),
                  std::vector<int>(c.second, c.second + 3));
        EXPECT_EQ(t.highestCorner[0], c.highest[0]);
        EXPECT_EQ(t.highestCorner[1], c.highest[1]);
    }
    // Flat surroundings: the normal points straight up and every corner gets 23 x 256 / 1000.
    CStretchedLandTile flat;
    const int8_t zeros[4] = {0, 0, 0, 0};
    flat.Init(maptest::L::Hill, Pos(50, 50), zeros);
    for (int corner = 0; corner < 4; ++corner)
        EXPECT_EQ(flat.cornerLight[corner], 5) << corner;
    // A slope facing the light (rising to the north-west) is lit more than one facing away.
    SetLand(60, 60, maptest::L::Hill, 20);
    SetLand(70, 70, maptest::L::Hill, -20);
    CStretchedLandTile towards, away;
    const int8_t zt[4] = {20, 0, 0, 0}, za[4] = {-20, 0, 0, 0};
    towards.Init(maptest::L::Hill, Pos(60, 60), zt);
    away.Init(maptest::L::Hill, Pos(70, 70), za);
    // The peak's own corner averages to flat; the corner beside it leans towards the light or away.
    EXPECT_EQ(towards.cornerLight[0], 5);
    EXPECT_EQ(towards.cornerLight[1], 11);
    EXPECT_EQ(away.cornerLight[1], 0);
}

uint16_t Checker(int u, int v) {
    return static_cast<uint16_t>(((u / 8 + v / 8) & 1) ? 0x7FFF : 0x001F);
}

TEST(LandTextureTest, ASizeIsCheckedOnceAgainstTheLength) {
    const struct {
        int length, extra, size;
    } cases[] = {
        {8192, 0, 64}, {32768, 1, 128}, {9000, 0, 64}, {8191, 0, 0},     {8192, 1, 0},
        {8192, 5, 64}, {32768, 5, 128}, {9000, 5, 0},  {32768, -1, 128}, {0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.length << " extra " << c.extra);
        std::vector<uint8_t> bytes(static_cast<size_t>(c.length), 0x11);
        LandTexture t;
        const LandTexture* got = DecodeLandTexture(bytes.data(), c.length, c.extra, t);
        EXPECT_EQ(got ? got->size : 0, c.size);
        if (got) {
            EXPECT_EQ(got->pixels.size(), static_cast<size_t>(c.size * c.size));
        }
    }
}

TEST(LandTextureTest, TexelsStayInsideTheTextureAndPixelsInsideTheClip) {
    LandTexture t;
    t.size = 64;
    t.pixels.resize(64 * 64);
    for (int v = 0; v < 64; ++v)
        for (int u = 0; u < 64; ++u)
            t.pixels[static_cast<size_t>(v) * 64 + u] = Checker(u, v);
    std::vector<uint16_t> buffer(100 * 100, 0);
    SetBlitTarget(buffer.data(), 100, 100);
    // Coordinates past the texture (as far as S) and light past 15 stay inside.
    const TexVertex corners[3] = {{10, 5, 0, 0, 0}, {90, 40, 64, 0, 20}, {30, 95, 64, 64, -3}};
    const Rect clip{20, 20, 70, 80};
    DrawTexturedTriangle(t, corners, clip, false);
    int written = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (buffer[static_cast<size_t>(y) * 100 + x]) {
                ++written;
                EXPECT_TRUE(x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
                    << x << "," << y;
            }
    EXPECT_GT(written, 1000);
    SetBlitTarget(BlitTarget{});
}

// Rows from the shaded texture are drawn eight pixels at a time where the processor allows: they
// show the same pixels as the loops of any processor, clamps and all.
TEST(LandTextureTest, WideRowsShowTheSamePixelsAsTheBaseLoops) {
    const struct {
        const char* name;
        int size;
        TexVertex corners[3];
    } cases[] = {
        {"past the texture and the levels",
         64,
         {{10, 5, 0, 0, 0}, {90, 40, 64, 0, 20}, {30, 95, 64, 64, -3}}},
        {"a land half", 64, {{50, 2, 0, 0, 3}, {74, 27, 63, 0, 9}, {51, 50, 63, 63, 14}}},
        {"a large texture", 128, {{5, 5, 0, 0, 2}, {95, 20, 127, 0, 6}, {40, 97, 127, 127, 11}}},
        {"thin and steep", 64, {{20, 0, 10, 10, 5}, {22, 40, 10, 10, 5}, {21, 40, 10, 10, 9}}},
        {"nearly flat", 64, {{0, 10, 0, 0, 0}, {99, 11, 63, 0, 15}, {50, 12, 63, 63, 7}}},
        {"left of a slanted edge", 64, {{10, 0, 0, 0, 0}, {20, 60, 0, 63, 0}, {70, 30, 63, 30, 12}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint16_t> shown[2];
        for (int wide = 0; wide < 2; ++wide) {
            SpanFeatures features;
            features.ssse3 = features.avx2 = wide != 0;
            OverrideSpanFeaturesForTests(&features);
            LandTexture t;
            t.size = c.size;
            t.pixels.resize(static_cast<size_t>(c.size) * c.size);
            for (int v = 0; v < c.size; ++v)
                for (int u = 0; u < c.size; ++u)
                    t.pixels[static_cast<size_t>(v) * c.size + u] =
                        static_cast<uint16_t>(u * 31 / c.size << 10 | v * 31 / c.size << 5 | ((u + v) & 31));
            // The first draws shade each pixel; the texture is shaded once for the later ones.
            for (int draw = 0; draw < 17; ++draw) {
                shown[wide].assign(100 * 100, 0);
                SetBlitTarget(shown[wide].data(), 100, 100);
                DrawTexturedTriangle(t, c.corners, Rect{0, 0, 100, 100}, false);
            }
        }
        OverrideSpanFeaturesForTests(nullptr);
        EXPECT_GE(std::count_if(shown[1].begin(), shown[1].end(), [](uint16_t p) { return p != 0; }), 15);
        EXPECT_EQ(shown[0], shown[1]);
    }
    SetBlitTarget(BlitTarget{});
}

// A thin triangle whose light climbs four levels in a pixel: the first pixel of a row lies left of
// the slanted edge, so its light runs on past the corners'. Every draw, the first few shading each
// pixel and the later ones reading the texture shaded once per level, keeps to the corners' levels
// and one more each side.
TEST(LandTextureTest, ASteepLightChangeKeepsToTheCornersLevels) {
    constexpr uint16_t kWhite = 0x7FFF;
    const struct {
        TexVertex corners[3];
        int lowest, highest;
    } cases[] = {
        {{{20, 0, 10, 10, 5}, {22, 40, 10, 10, 5}, {21, 40, 10, 10, 9}}, 4, 10},
        {{{20, 0, 10, 10, 9}, {22, 40, 10, 10, 9}, {21, 40, 10, 10, 5}}, 4, 10},
    };
    const uint8_t* darkening = DarkeningTable();
    for (const auto& c : cases) {
        std::set<uint16_t> allowed;
        for (int level = c.lowest; level <= c.highest; ++level)
            allowed.insert(static_cast<uint16_t>(darkening[level * 32 + 31] * 0x0421));
        LandTexture t;
        t.size = 64;
        t.pixels.assign(64 * 64, kWhite);
        std::vector<uint16_t> first;
        for (int draw = 1; draw <= 20; ++draw) {
            SCOPED_TRACE(testing::Message() << "light " << c.corners[2].light << " draw " << draw);
            std::vector<uint16_t> buffer(40 * 48, 0);
            SetBlitTarget(buffer.data(), 40, 48);
            DrawTexturedTriangle(t, c.corners, kNoClip, false);
            int written = 0;
            for (uint16_t p : buffer)
                if (p) {
                    ++written;
                    EXPECT_TRUE(allowed.count(p)) << std::hex << p;
                }
            EXPECT_GE(written, 15);
            if (first.empty()) first = buffer;
            EXPECT_EQ(buffer, first);
        }
    }
    SetBlitTarget(BlitTarget{});
}

// Every pixel a sloped cell writes lies inside its rect, seams included.
TEST_F(SceneTest, ASlopedCellsRectHoldsEveryPixelItWrites) {
    TileData::MutableLand(maptest::L::Hill)->textureId = 1;
    ServeTexture(1, 64, 0, Checker);
    PlacePlayer(40, 40, 0);
    const int8_t shapes[][4] = {{0, 0, 0, 0},  {10, 0, 0, 0}, {0, 0, 10, 0},
                                {0, 5, 10, 5}, {0, 0, 0, 30}, {4, -6, 2, 9}};
    for (const auto& z : shapes) {
        SCOPED_TRACE(testing::Message()
                     << int{z[0]} << "," << int{z[1]} << "," << int{z[2]} << "," << int{z[3]});
        CStretchedLandTile* t = NewStretchedLandTile();
        t->Init(maptest::L::Hill, Pos(20, 20), z);
        t->AddToDrawList();
        const Rect r = t->screenRect;
        std::vector<uint16_t> buffer(300 * 300, 0);
        SetBlitTarget(buffer.data(), 300, 300);
        DrawManager::SetScrollOffset(r.left - 100, r.top - 100);
        t->DrawClip(Rect{0, 0, 300, 300});
        int written = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                if (buffer[static_cast<size_t>(y) * 300 + x]) {
                    ++written;
                    EXPECT_TRUE(x >= 100 && x < 100 + r.right - r.left && y >= 100 &&
                                y < 100 + r.bottom - r.top)
                        << x << "," << y;
                }
        EXPECT_GT(written, 100);
        t->Release();
    }
    SetBlitTarget(BlitTarget{});
}

TEST_F(SceneTest, UnderTheRoofCutASlopedCellShowsTheTriangleBelowIt) {
    TileData::MutableLand(maptest::L::Hill)->textureId = 1;
    ServeTexture(1, 64, 0, Checker);
    PlacePlayer(40, 40, 0);
    CStretchedLandTile* t = NewStretchedLandTile();
    const int8_t z[4] = {0, 0, 0, 20}; // split 0-2: the second triangle holds the high corner 3
    t->Init(maptest::L::Hill, Pos(20, 20), z);
    t->AddToDrawList();
    auto paint = [&](bool cut) {
        DrawManager::SetRoofCut(cut, 10);
        std::vector<uint16_t> buffer(200 * 200, 0);
        SetBlitTarget(buffer.data(), 200, 200);
        DrawManager::SetScrollOffset(t->screenRect.left - 50, t->screenRect.top - 50);
        t->DrawClip(Rect{0, 0, 200, 200});
        return static_cast<int>(
            std::count_if(buffer.begin(), buffer.end(), [](uint16_t p) { return p != 0; }));
    };
    const int whole = paint(false), cut = paint(true);
    EXPECT_GT(cut, 0);
    EXPECT_LT(cut, whole);
    EXPECT_FALSE(t->IsCulled());
    DrawManager::SetRoofCut(true, -1);
    EXPECT_TRUE(t->IsCulled());
    DrawManager::SetRoofCut(false, 0);
    t->Release();
    SetBlitTarget(BlitTarget{});
}

TEST(SeasonTest, LandAndStaticsOfEachSeason) {
    const struct {
        int season, land, shownLand;
    } land[] = {
        {3, 197, 283},  {3, 196, 282},  {3, 206, 1472}, {3, 250, 284},  {3, 806, 915},
        {3, 1522, 283}, {3, 1530, 283}, {3, 1534, 284}, {3, 1537, 284}, {3, 1540, 285},
        {3, 200, 200},  {2, 197, 197},  {0, 197, 197},  {4, 197, 197},  {3, 0x4000 + 197, 0x4000 + 197},
        {3, -1, -1}};
    for (const auto& c : land)
        EXPECT_EQ(GetSeasonalLandTile(c.land, c.season), c.shownLand) << c.season << " " << c.land;
    const struct {
        int season, graphic, shown;
    } statics[] = {{2, 3212, 3270}, {2, 3211, 3270}, {2, 3214, 3270}, {2, 3215, 3215}, {2, 3239, 3144},
                   {0, 3239, 3204}, {0, 3253, 3146}, {0, 3341, 3371}, {0, 3212, 3212}, {1, 3239, 3239},
                   {3, 3239, 3239}, {4, 3212, 7086}, {4, 3231, 7086}, {4, 3236, 7086}, {4, 3239, 7068},
                   {4, 3254, 7069}, {4, 3258, 7053}, {4, 7038, 7732}, {4, 3211, 7044}, {4, 3237, 3237}};
    for (const auto& c : statics)
        EXPECT_EQ(GetSeasonalStaticGraphic(c.graphic, c.season), c.shown) << c.season << " " << c.graphic;
}

} // namespace

namespace {

int CountStatics(int graphic, int x, int y) {
    int n = 0;
    WorldLists::World().ForEach([&](CObj* o) {
        if (!o->IsDynamic() && o->graphic == graphic && o->locX == x && o->locY == y && o->listed) ++n;
    });
    return n;
}

TEST_F(SceneTest, ASeasonChangeRereadsStaticsAndLandAndKeepsServerItems) {
    data.items[{CDHDCache::kStatics0, BlockOf(30, 30)}] = StaticRecord(3212, 30 % 8, 30 % 8, 0);
    SetLand(31, 30, 197, 0);
    PlacePlayer(30, 30, 0);
    CenterOn(30, 30);
    CDynamicObj* item = NewDynamicObj(0x40000900, objtest::G::Plain, 0);
    item->AddToWorld(Pos(30, 31), 0);
    EXPECT_EQ(CountStatics(3212, 30, 30), 1);
    const struct {
        int season, shownStatic, shownLand;
    } cases[] = {{2, 3270, 197}, {3, 3212, 283}, {4, 7086, 197}, {0, 3212, 197}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.season);
        Season = c.season;
        SceneHooks::RefreshSeason();
        EXPECT_EQ(CountStatics(c.shownStatic, 30, 30), 1);
        EXPECT_EQ(CountStatics(c.shownStatic == 3212 ? 3270 : 3212, 30, 30), 0);
        ASSERT_NE(LandAt(31, 30), nullptr);
        EXPECT_EQ(LandIdOf(LandAt(31, 30)), c.shownLand);
        EXPECT_TRUE(item->listed);
        EXPECT_TRUE(CPointerRegistry::IsValid(item));
    }
    item->Release();
}

} // namespace

namespace {

TEST_F(SceneTest, ChangedLandAndItemPicturesAreRepaintedAndRelisted) {
    using objtest::g_calls;
    SetLand(30, 30, 197, 0);
    SetLand(31, 30, 197, 0);
    PlacePlayer(30, 30, 0);
    CenterOn(30, 30);
    g_calls.dirty.clear();
    // Land ids index 16,384-entry tables: a high bit in the changed id names the same land.
    DrawManager::InvalidateLandTiles(197 | 0x4000);
    EXPECT_EQ(g_calls.dirty.size(), 2u);
    g_calls.dirty.clear();
    DrawManager::InvalidateLandTiles(198);
    EXPECT_TRUE(g_calls.dirty.empty());

    CObj* shown = PlaceStatic(objtest::G::Plain, 32, 32, 0);
    CObj* other = PlaceStatic(objtest::G::Low, 33, 32, 0);
    CMobile* m = NewMobile(0x77, objtest::G::Plain);
    m->AddToWorld(Pos(34, 32), 0);
    ServeItem(objtest::G::Plain, 10, 70, 0x7FFF); // the picture grows
    ResetArtCache();
    g_calls.dirty.clear();
    DrawManager::RefreshItemsWithGraphic(objtest::G::Plain);
    EXPECT_EQ(shown->screenRect.bottom - shown->screenRect.top, 70);
    EXPECT_EQ(g_calls.dirty.size(), 2u); // the old picture and the new, of the static only
    EXPECT_NE(other->screenRect.bottom - other->screenRect.top, 70);
}

} // namespace

namespace {

// Culled foliage and the placement preview are painted translucent for the one call, and the
// shared tile data keeps its flags.
TEST_F(SceneTest, CulledFoliageAndThePreviewArePaintedFaintForTheCallOnly) {
    DrawManager::ResetWindow();
    const uint16_t colour = 0x4A52;
    ServeItem(objtest::G::Bush, 4, 4, colour);
    ServeItem(objtest::G::Plain, 4, 4, colour);
    CPlayerMobile* p = PlacePlayer(30, 30, 0);
    p->screenRect = Rect{0, 0, 1, 1};
    CObj* bush = PlaceStatic(objtest::G::Bush, 32, 32, 0);
    const uint32_t flagsBefore = TileData::Item(objtest::G::Bush).flags;
    auto paintAt = [&](CDrawItem* item, auto paint) {
        std::vector<uint16_t> buffer(32 * 32, 0x0C63);
        SetBlitTarget(buffer.data(), 32, 32);
        DrawManager::SetScrollOffset(item->screenRect.left - 8, item->screenRect.top - 8);
        paint();
        SetBlitTarget(BlitTarget{});
        return buffer[8 * 32 + 8];
    };
    uint16_t faint = 0x0C63, translucent = 0x0C63;
    const uint16_t source[1] = {colour};
    FaintSpan(&faint, source, 1);
    TranslucentSpan(&translucent, source, 1);

    // Shown: plain copy. Hiding the player: culled, yet painted faint by the scene.
    EXPECT_EQ(paintAt(bush, [] { DrawManager::DrawScene(Rect{0, 0, 32, 32}); }), colour);
    bush->foliageCulled = true;
    EXPECT_TRUE(bush->IsCulled());
    EXPECT_EQ(paintAt(bush, [] { DrawManager::DrawScene(Rect{0, 0, 32, 32}); }), faint);
    EXPECT_EQ(DrawManager::GetDrawTimeFlags(), 0u);
    EXPECT_EQ(TileData::Item(objtest::G::Bush).flags, flagsBefore);

    CPreviewObj* preview = new CPreviewObj();
    preview->SetGraphic(objtest::G::Plain, 0);
    preview->SetLocation(Pos(33, 33), 0);
    preview->AddToDrawList();
    EXPECT_EQ(paintAt(preview, [&] { preview->DrawClip(Rect{0, 0, 32, 32}); }), translucent);
    EXPECT_EQ(TileData::Item(objtest::G::Plain).flags & TileFlag::Translucent, 0u);
    preview->RemoveFromDrawList();
    delete preview;
}

} // namespace
