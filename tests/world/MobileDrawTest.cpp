// Mobiles and corpses drawn, measured, listed with their strips and picked, over animation items
// served by the test and a canary target.
#include "world/MobileDraw.h"
#include "AnimServe.h"
#include "ObjectsFixture.h"
#include "mkinstall/ArtFiles.h"
#include "render/Art.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "support/CanaryCanvas.h"
#include "world/AnimChoice.h"
#include "world/BigMobComponent.h"
#include "world/BodyTypes.h"
#include "world/SkipDrawHandler.h"

#include <gtest/gtest.h>

namespace objtest {
namespace {

using animtest::Block;

constexpr int kShirt = 5100;  // layer 5, animation 410, partial hue
constexpr int kCloak = 5101;  // layer 20, animation 411
constexpr int kHelm = 5102;   // layer 24, animation 412: covers layers 3 and 4
constexpr int kGloves = 5103; // layer 3, animation 413
constexpr int kHorse = 16034; // animation 204

int HumanIndex(int body, int group, int direction) {
    return AnimLayoutIndex(AnimLayout::Group175, body, group, direction);
}

class MobileDraw : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        InitBodyTypes();
        std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
        serve = std::make_unique<animtest::ServeScope>();
        Row(kShirt).animId = 410;
        Row(kShirt).quality = 5;
        Row(kShirt).flags = TileFlag::PartialHue;
        Row(kCloak).animId = 411;
        Row(kCloak).quality = 20;
        Row(kHelm).animId = 412;
        Row(kGloves).animId = 413;
        Row(kHorse).animId = 204;
        SetBlitTarget(canvas.Target());
        recorder->clear();
    }
    void TearDown() override {
        for (CMobile* m : made)
            for (CDynamicObj*& l : m->layers)
                l = nullptr;
        serve.reset();
        SetBlitTarget(BlitTarget{});
        DrawManager::SetScrollOffset(0, 0);
        HueManager::ResetForTests();
        ObjectsTest::TearDown();
    }

    // A mobile at cell (10, 10), at rest, facing 3, listed, with the view scrolled so that its feet
    // point lands on canvas pixel (50, 60).
    CMobile* Place(int body, int facing = 3) {
        CMobile* m = NewMobile(0x100u + static_cast<uint32_t>(made.size()), body);
        made.push_back(m);
        m->resting = 1;
        m->facing = static_cast<uint8_t>(facing);
        m->SetLocation(Pos(10, 10), 0);
        m->AddToDrawList();
        int x = 0, y = 0;
        m->GetFigureAnchor(x, y);
        DrawManager::SetScrollOffset(x - 50, y - 60);
        return m;
    }
    CDynamicObj* Wear(CMobile* m, int layer, int graphic, int hue = 0) {
        CDynamicObj* item = NewDynamicObj(0x40000100u + static_cast<uint32_t>(worn++), graphic, 0);
        item->displayedHue = static_cast<uint16_t>(hue);
        m->layers[layer] = item;
        return item;
    }
    void Draw(CMobile* m) {
        m->CalcScreenRect();
        m->DrawClip(Rect{0, 0, 100, 100});
    }
    // The anchor-relative rect.
    static Rect Relative(const CDrawItem* item, int x, int y) {
        const Rect& r = item->screenRect;
        return Rect{r.left - x, r.top - y, r.right - x, r.bottom - y};
    }
    static uint16_t Ink(int index) {
        return static_cast<uint16_t>(((index & 31) << 5) | 0x0400 | (index & 31));
    }
    static uint16_t Hued(int hue, int index) {
        return HueManager::ResolveHueColours(hue - 1)[Ink(index) >> 10 & 31];
    }

    std::unique_ptr<animtest::ServeScope> serve;
    qvtest::CanaryCanvas canvas{100, 100};
    std::vector<CMobile*> made;
    int worn = 0;
};

TEST_F(MobileDraw, RectsHoldTheFrameItsShadowAndWhatItWearsAndRides) {
    struct Case {
        const char* name;
        int body;
        std::vector<std::pair<int, mkinstall::AnimPicture>> frames; // index, frame 0
        std::vector<std::pair<int, int>> wear;                      // layer, graphic
        Rect rect;
        int cellOffset;
    };
    const int rest = HumanIndex(400, 4, 0), riding = HumanIndex(400, 25, 0);
    const Case cases[] = {
        {"shadow reaches half the height right",
         400,
         {{rest, Block(-5, -30, 5, 0)}},
         {},
         {-5, -30, 20, 0},
         0},
        {"shadow-free body", 21, {{21 * 110 + 5, Block(-5, -30, 5, 0)}}, {}, {-5, -30, 5, 0}, 0},
        {"reach of 45 moves a cell", 400, {{rest, Block(-5, -4, 23, 0)}}, {}, {-5, -4, 25, 0}, 1},
        {"reach of exactly 44 stays", 400, {{rest, Block(-5, -4, 22, 0)}}, {}, {-5, -4, 24, 0}, 0},
        {"reach of 82", 400, {{rest, Block(-5, -4, 60, 0)}}, {}, {-5, -4, 62, 0}, 1},
        {"worn cloak widens it",
         400,
         {{rest, Block(-5, -4, 5, 0)}, {HumanIndex(411, 4, 0), Block(-30, -8, 2, 0)}},
         {{20, kCloak}},
         {-30, -8, 7, 0},
         0},
        {"a mount grows right by half its width",
         400,
         {{riding, Block(-5, -4, 5, 0)},
          {AnimLayoutIndex(AnimLayout::Group65, 204, 2, 0), Block(-20, -20, 20, 0)}},
         {{25, kHorse}},
         {-20, -20, 40, 0},
         0},
        {"a special mount's box", 400, {{riding, Block(-5, -4, 5, 0)}}, {{25, 16060}}, {-80, -90, 80, 90}, 0},
    };
    for (const Case& c : cases) {
        animtest::g_served = {};
        AnimCache::Clear();
        for (const auto& [index, picture] : c.frames)
            animtest::Put(index, {picture});
        CMobile* m = Place(c.body);
        for (auto [layer, graphic] : c.wear)
            Wear(m, layer, graphic);
        m->CalcScreenRect();
        int x = 0, y = 0;
        m->GetFigureAnchor(x, y);
        EXPECT_EQ(Relative(m, x, y), c.rect) << c.name;
        EXPECT_EQ(m->cellOffset, c.cellOffset) << c.name;
        m->RemoveFromDrawList();
    }
}

TEST_F(MobileDraw, TheFigureRectLeavesOutTheShadowAndMeasuresSpecialMountsByTheirFrames) {
    const Rect untouched{1, 2, 3, 4};
    Rect r = untouched;
    CMobile* bare = Place(400);
    bare->CalcFigureRect(r);
    EXPECT_EQ(r, untouched) << "no frame";
    animtest::Put(HumanIndex(400, 4, 0), {Block(-5, -30, 5, 0)});
    animtest::Put(HumanIndex(400, 25, 0), {Block(-5, -4, 5, 0)});
    // Mount 16060 plays body 791, a creature: at rest, group 1 of its 110-group block.
    animtest::Put(791 * 110 + 1 * 5 + 0, {Block(-30, -10, 30, 0)});
    struct Case {
        const char* name;
        int body;
        int mount; // 0: none
        Rect rect;
    };
    const Case cases[] = {
        {"no shadow allowance", 400, 0, {-5, -30, 5, 0}},
        {"special mount by its frame, half its width more", 400, 16060, {-30, -10, 60, 0}},
        {"no body of 1000 and above", 1000, 0, untouched},
    };
    for (const Case& c : cases) {
        CMobile* m = Place(c.body);
        if (c.mount) Wear(m, 25, c.mount);
        int x = 0, y = 0;
        m->GetFigureAnchor(x, y);
        r = untouched;
        m->CalcFigureRect(r);
        if (c.body < 1000) r = Rect{r.left - x, r.top - y, r.right - x, r.bottom - y};
        EXPECT_EQ(r, c.rect) << c.name;
        m->RemoveFromDrawList();
    }
}

TEST_F(MobileDraw, ASpecialMountLiftsItsRider) {
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -2, 2, 0, 1)});
    animtest::Put(HumanIndex(400, 25, 0), {Block(-2, -2, 2, 0, 1)});
    // The top row of the two-row figure (its feet are row 60). Tall mounts cut at the feet line,
    // so only the top row is compared.
    struct Case {
        int mount; // 0: on foot
        int topRow;
    };
    const Case cases[] = {{0, 58}, {16060, 59}, {16061, 57}, {16052, 49}};
    for (const Case& c : cases) {
        CMobile* m = Place(400);
        if (c.mount) Wear(m, 25, c.mount);
        canvas = qvtest::CanaryCanvas(100, 100);
        SetBlitTarget(canvas.Target());
        Draw(m);
        EXPECT_EQ(canvas.at(50, c.topRow), Ink(1)) << c.mount;
        EXPECT_EQ(canvas.at(50, c.topRow - 1), 0) << c.mount;
        m->layers[25] = nullptr;
        m->RemoveFromDrawList();
    }
}

TEST_F(MobileDraw, WithoutAFrameTheRectIsTheFeetPointAndNothingIsDrawn) {
    CMobile* m = Place(400);
    Draw(m);
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    EXPECT_EQ(m->screenRect, (Rect{x, y, x, y}));
    EXPECT_EQ(canvas.Ink(), 0);
    EXPECT_FALSE(m->HitTest(x, y - 1));
}

TEST_F(MobileDraw, ShadowsFallRightOfTheFeetUnlessTheBodyOrThePlayerHasNone) {
    const uint16_t fill = 0x7FFF, half = (0x7FFF >> 1) & 0x3DEF;
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -10, 2, 0, 1)});
    animtest::Put(21 * 110 + 5, {Block(-2, -10, 2, 0, 1)});
    struct Case {
        const char* name;
        int body;
        bool player, hidden;
        int shadowPixels;
    };
    const Case cases[] = {
        // Five even rows of four pixels, sheared 5..1 right; the body covers six of them.
        {"mobile", 400, false, false, 14},
        {"shadow-free body", 21, false, false, 0},
        {"player", 400, true, false, 14},
        {"hidden player", 400, true, true, 0},
    };
    for (const Case& c : cases) {
        CMobile* m = nullptr;
        if (c.player) {
            auto* p = new CPlayerMobile(0x900, c.body, 0);
            made.push_back(p);
            p->resting = 1;
            p->facing = 3;
            p->SetLocation(Pos(10, 10), 0);
            p->AddToDrawList();
            int x = 0, y = 0;
            p->GetFigureAnchor(x, y);
            DrawManager::SetScrollOffset(x - 50, y - 60);
            m = p;
        } else {
            m = Place(c.body);
        }
        m->status = c.hidden ? 0x80 : 0;
        canvas = qvtest::CanaryCanvas(100, 100, fill);
        SetBlitTarget(canvas.Target());
        Draw(m);
        EXPECT_EQ(canvas.Count(half), c.shadowPixels) << c.name;
        if (c.shadowPixels) {
            EXPECT_EQ(canvas.at(53, 55), half) << c.name; // row -10: five up, five right
        }
        EXPECT_EQ(canvas.at(50, 59), c.hidden ? Hued(kHiddenHue, 1) : Ink(1)) << c.name;
        m->RemoveFromDrawList();
        if (c.player) {
            made.pop_back();
            delete m;
        }
    }
}

TEST_F(MobileDraw, APlayerWithoutItsAnimationSaysSo) {
    std::vector<std::string> lines;
    WorldHook::Table().showSystemMessage = [&](int hue, int font, const char* text) {
        lines.push_back(std::to_string(hue) + "/" + std::to_string(font) + " " + text);
    };
    CPlayerMobile player(0x901, 400, 0);
    player.resting = 1;
    player.SetLocation(Pos(10, 10), 0);
    player.AddToDrawList();
    player.DrawClip(Rect{0, 0, 100, 100});
    EXPECT_EQ(lines, std::vector<std::string>{"0/3 Missing animation!"});
    Place(400)->DrawClip(Rect{0, 0, 100, 100}); // others stay silent
    EXPECT_EQ(lines.size(), 1u);
    player.RemoveFromDrawList();
    WorldHook::Reset();
}

TEST_F(MobileDraw, HighlightsOverrideEachOtherInOrder) {
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -2, 2, 0, 7)});
    struct Case {
        const char* name;
        int notoriety;
        bool viewed, targeting, attacked, hidden, marked, paged;
        int hue; // 0: the mobile's own colours
    };
    const Case cases[] = {
        {"nothing", 1, false, false, false, false, false, false, 0},
        {"pointed at while targeting", 1, true, true, false, false, false, false,
         HueManager::GetNotorietyHue(1)},
        {"pointed at, not targeting", 1, true, false, false, false, false, false, 0},
        {"notoriety 7 has no hue", 7, true, true, false, false, false, false, 0},
        {"attack target", 5, false, false, true, false, false, false, HueManager::GetNotorietyHue(5)},
        {"hidden", 1, true, true, false, true, false, false, kHiddenHue},
        {"marked", 1, false, false, false, true, true, false, 8},
        {"page-marked", 1, false, false, false, false, false, true, 53},
        {"marked and page-marked", 1, false, false, false, false, true, true, 368},
    };
    for (const Case& c : cases) {
        CMobile* m = Place(400);
        m->notoriety = c.notoriety;
        m->status = c.hidden ? 0x80 : 0;
        if (c.marked) AddMarkedMobile(m);
        WorldHooks& h = WorldHook::Table();
        h.viewMobile = [&] { return c.viewed ? m : nullptr; };
        h.isTargeting = [&] { return c.targeting; };
        h.attackTargetSerial = [&] { return c.attacked ? m->serial : 0u; };
        h.pageQueueSerial = [&] { return c.paged ? m->serial : 0u; };
        canvas = qvtest::CanaryCanvas(100, 100);
        SetBlitTarget(canvas.Target());
        Draw(m);
        EXPECT_EQ(canvas.at(50, 59), c.hue ? Hued(c.hue, 7) : Ink(7)) << c.name;
        ClearMarkedMobiles();
        m->RemoveFromDrawList();
    }
    WorldHook::Reset();
    EXPECT_EQ(GetNotorietyHue(nullptr), 0);
}

TEST_F(MobileDraw, LayersFollowTheFacingsOrderHidingAndPartialHues) {
    // Facing 3 draws the cloak (20) before the shirt (5); facing 4 after it.
    for (int facing : {3, 4}) {
        const int d = AnimTables::DirectionOffset(facing);
        animtest::Put(HumanIndex(400, 4, d), {Block(-6, -20, 6, 0, 1)});
        animtest::Put(HumanIndex(410, 4, d), {Block(-3, -15, 3, -10, 2)});
        animtest::Put(HumanIndex(411, 4, d), {Block(-4, -12, 4, -6, 3)});
    }
    for (int facing : {3, 4}) {
        CMobile* m = Place(400, facing);
        Wear(m, 5, kShirt);
        Wear(m, 20, kCloak);
        canvas = qvtest::CanaryCanvas(100, 100);
        SetBlitTarget(canvas.Target());
        Draw(m);
        EXPECT_EQ(canvas.at(50, 60 - 11), Ink(facing == 3 ? 2 : 3)) << facing;
        EXPECT_EQ(canvas.at(50, 60 - 7), Ink(3)) << facing;
        EXPECT_EQ(canvas.at(50, 60 - 17), Ink(1)) << facing;
        EXPECT_TRUE(canvas.CanariesIntact());
        m->RemoveFromDrawList();
    }
    // A hued shirt keeps its non-grey colours (partial hue); a hued cloak is recoloured whole.
    CMobile* m = Place(400, 3);
    Wear(m, 5, kShirt, 33);
    Wear(m, 20, kCloak, 33);
    canvas = qvtest::CanaryCanvas(100, 100);
    SetBlitTarget(canvas.Target());
    Draw(m);
    EXPECT_EQ(canvas.at(50, 60 - 11), Ink(2));
    EXPECT_EQ(canvas.at(50, 60 - 7), Hued(33, 3));
    m->RemoveFromDrawList();
}

TEST_F(MobileDraw, CoveredLayersAreNeitherDrawnNorHit) {
    struct Case {
        int layer;
        std::vector<std::pair<int, int>> others; // layer, graphic
        bool hidden;
    };
    Row(8270).quality = 22;
    const Case cases[] = {
        {3, {{24, kHelm}}, true}, {4, {{24, kHelm}}, true},   {3, {}, false},
        {11, {{22, 8270}}, true}, {11, {{22, kHelm}}, false}, {13, {{22, kHelm}}, true},
        {19, {{22, 8270}}, true}, {5, {{22, 8270}}, false},   {24, {{22, kHelm}}, false},
    };
    for (const Case& c : cases) {
        const CDynamicObj* slots[kLayerCount] = {};
        CDynamicObj* items[kLayerCount] = {};
        for (auto [layer, graphic] : c.others) {
            items[layer] = NewDynamicObj(0x40000900u + static_cast<uint32_t>(layer), graphic, 0);
            slots[layer] = items[layer];
        }
        EXPECT_EQ(IsLayerHidden(c.layer, slots), c.hidden) << c.layer;
    }
    EXPECT_FALSE(IsLayerHidden(3, nullptr));
    // Gloves under a helm: not drawn, and not hit.
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -2, 2, 0, 1)});
    animtest::Put(HumanIndex(413, 4, 0), {Block(10, -5, 14, 0, 4)});
    CMobile* m = Place(400);
    Wear(m, 3, kGloves);
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    EXPECT_TRUE(m->HitTest(x + 11, y - 1));
    Wear(m, 24, kHelm);
    Draw(m);
    EXPECT_EQ(canvas.Count(Ink(4)), 0);
    EXPECT_FALSE(m->HitTest(x + 11, y - 1));
}

TEST_F(MobileDraw, PickingFindsTheBodyTheLayersAndTheMountPixelByPixel) {
    animtest::Put(HumanIndex(400, 25, 0), {Block(-2, -30, 2, -20, 1)});
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -30, 2, -20, 1)});
    animtest::Put(HumanIndex(410, 25, 0), {Block(4, -30, 6, -20, 2)});
    animtest::Put(AnimLayoutIndex(AnimLayout::Group65, 204, 2, 0), {Block(-15, -12, 15, 0, 5)});
    CMobile* m = Place(400);
    Wear(m, 5, kShirt);
    Wear(m, 25, kHorse);
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    struct Case {
        int dx, dy;
        bool hit;
    };
    const Case cases[] = {{0, -25, true},  {3, -25, false}, {5, -25, true}, {-15, -1, true},
                          {15, -1, false}, {0, -15, false}, {0, 0, false}};
    for (const Case& c : cases)
        EXPECT_EQ(m->HitTest(x + c.dx, y + c.dy), c.hit) << c.dx << "," << c.dy;
    // A ghost body is tested with the living body's frames.
    CMobile* ghost = Place(402);
    ghost->GetFigureAnchor(x, y);
    EXPECT_TRUE(ghost->HitTest(x, y - 25));
    // Every drawn pixel of the rider is a hit and every hit is drawn.
    Draw(m);
    m->GetFigureAnchor(x, y);
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    for (int py = 0; py < 100; ++py)
        for (int px = 0; px < 100; ++px) {
            const uint16_t p = canvas.at(px, py);
            const bool figure = p == Ink(1) || p == Ink(2) || p == Ink(5);
            EXPECT_EQ(m->HitTest(px + sx, py + sy), figure) << px << "," << py;
        }
}

TEST_F(MobileDraw, CorpsesLieWithTheirEquipment) {
    // A human corpse facing 3: group 21, direction 0, frame 5.
    std::vector<mkinstall::AnimPicture> body(6, Block(-1, -1, 1, 0, 1)), shirt(6, Block(-1, -1, 1, 0, 1));
    body[5] = Block(-20, -6, 20, 0, 1);
    shirt[5] = Block(-8, -5, 8, -2, 2);
    animtest::Put(HumanIndex(400, 21, 0), body);
    animtest::Put(HumanIndex(410, 21, 0), shirt);
    auto* corpse = new CCorpse(0x40000500, 0x2006, 0);
    corpse->amount = 400;
    corpse->facing = 3;
    corpse->SetLocation(Pos(10, 10), 0);
    CDynamicObj* item = NewDynamicObj(0x40000501, kShirt, 0);
    item->displayedHue = 33;
    corpse->equipment[5] = item;
    corpse->AddToDrawList();
    int x = 0, y = 0;
    corpse->GetFigureAnchor(x, y);
    EXPECT_EQ(Relative(corpse, x, y), (Rect{-20, -6, 20, 0}));
    DrawManager::SetScrollOffset(x - 50, y - 60);
    corpse->DrawClip(Rect{0, 0, 100, 100});
    EXPECT_EQ(canvas.Count(Ink(1)), 40 * 6 - 16 * 3);
    EXPECT_EQ(canvas.Count(Ink(2)), 16 * 3); // partial hue leaves its colours
    EXPECT_TRUE(corpse->HitTest(x - 20, y - 1));
    EXPECT_FALSE(corpse->HitTest(x + 20, y - 1));
    // Hidden: everything in the ghost hue.
    corpse->status = 0x80;
    canvas = qvtest::CanaryCanvas(100, 100);
    SetBlitTarget(canvas.Target());
    corpse->DrawClip(Rect{0, 0, 100, 100});
    EXPECT_EQ(canvas.Count(Hued(kHiddenHue, 1)), 40 * 6 - 16 * 3);
    corpse->equipment[5] = nullptr;
    corpse->Release();
}

// ---------------------------------------------------------------- strips

TEST_F(MobileDraw, HangingEffectsWidenTheRectEquallyAndAreDrawnOnItsCentre) {
    animtest::Put(21 * 110 + 5, {Block(-5, -30, 5, 0)}); // 10 x 30, shadow-free
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> sizes; // width, height of each effect, oldest first
        Rect rect;                              // anchor-relative
        int growX, growY;
    };
    const Case cases[] = {
        {"none", {}, {-5, -30, 5, 0}, 0, 0},
        {"smaller than the figure", {{8, 20}}, {-5, -30, 5, 0}, 0, 0},
        {"wider, then taller", {{20, 10}, {16, 40}}, {-10, -35, 10, 5}, 5, 5},
        {"each measured against the grown rect", {{20, 10}, {24, 10}}, {-12, -30, 12, 0}, 7, 0},
    };
    for (const Case& c : cases) {
        uint32_t askedSerial = 0;
        WorldHook::Table().attachedEffectSizes = [&](uint32_t serial,
                                                     const std::function<void(int, int)>& fn) {
            askedSerial = serial;
            for (auto [w, h] : c.sizes)
                fn(w, h);
        };
        std::vector<std::pair<int, int>> centres;
        WorldHook::Table().drawAttachedEffects = [&](uint32_t serial, int x, int y, const Rect&) {
            EXPECT_EQ(serial, askedSerial) << c.name;
            centres.emplace_back(x, y);
        };
        CMobile* m = Place(21);
        m->serial |= 0x80000000; // a dying mobile still finds what hangs on it
        Draw(m);
        int x = 0, y = 0;
        m->GetFigureAnchor(x, y);
        EXPECT_EQ(askedSerial, m->serial & 0x7FFFFFFF) << c.name;
        EXPECT_EQ(Relative(m, x, y), c.rect) << c.name;
        EXPECT_EQ(m->effectGrowX, c.growX) << c.name;
        EXPECT_EQ(m->effectGrowY, c.growY) << c.name;
        // The feet point is canvas pixel (50, 60).
        const std::pair<int, int> centre{50 + (c.rect.left + c.rect.right) / 2,
                                         60 + (c.rect.top + c.rect.bottom) / 2};
        EXPECT_EQ(centres, (std::vector<std::pair<int, int>>{centre})) << c.name;
        m->serial &= 0x7FFFFFFF;
        m->RemoveFromDrawList();
    }
    WorldHook::Reset();
}

class Strips : public MobileDraw {
  protected:
    // A tall creature (body 1, at rest: group 1) whose frame reaches 100 rows below its feet.
    CMobile* Tall() {
        animtest::Put(1 * 110 + 1 * 5 + 0, {Block(-10, -50, 10, 100, 6)});
        return Place(1);
    }
    static std::vector<CBigMobComponent*> Chain(const CContainerObj* owner) {
        std::vector<CBigMobComponent*> out;
        for (CBigMobComponent* s = owner->bigMobComponents; s; s = s->nextMobComp)
            out.push_back(s);
        return out;
    }
};

TEST_F(Strips, ATallFigureIsListedInStripsOf44RowsBelowItsFeet) {
    CMobile* m = Tall();
    std::vector<CBigMobComponent*> chain = Chain(m);
    ASSERT_EQ(chain.size(), 3u);
    const int f = m->feetLine;
    struct Row {
        int top, bottom, cell;
    };
    const Row rows[] = {{f + 88, f + 100, 13}, {f + 44, f + 88, 12}, {f, f + 44, 11}}; // newest first
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(chain[i]->topRow, rows[i].top);
        EXPECT_EQ(chain[i]->bottomRow, rows[i].bottom);
        EXPECT_EQ(CellOf(chain[i]), std::make_pair(rows[i].cell, rows[i].cell));
        EXPECT_EQ(chain[i]->screenRect.left, m->screenRect.left);
        EXPECT_EQ(chain[i]->drawKey, m->drawKey);
        EXPECT_TRUE(chain[i]->IsBigMobComponent());
        EXPECT_EQ(chain[i]->myOwner, m);
    }
    EXPECT_EQ(chain[2]->prevMobComp, chain[1]);
    m->RemoveFromDrawList();
    EXPECT_EQ(m->bigMobComponents, nullptr);
    for (int c = 11; c <= 13; ++c)
        EXPECT_TRUE(Cell(c, c).empty()) << c;
    // A short figure makes none.
    animtest::Put(HumanIndex(400, 4, 0), {Block(-2, -60, 2, 0, 1)});
    EXPECT_EQ(Chain(Place(400)).size(), 0u);
}

TEST_F(Strips, DeletingAStripRelinksTheChain) {
    CMobile* m = Tall();
    std::vector<CBigMobComponent*> chain = Chain(m);
    ASSERT_EQ(chain.size(), 3u);
    chain[1]->Release(); // the middle
    EXPECT_EQ(chain[0]->nextMobComp, chain[2]);
    EXPECT_EQ(chain[2]->prevMobComp, chain[0]);
    chain[0]->Release(); // the head
    EXPECT_EQ(m->bigMobComponents, chain[2]);
    EXPECT_EQ(chain[2]->prevMobComp, nullptr);
    EXPECT_EQ(Chain(m).size(), 1u);
}

TEST_F(Strips, AStripDrawsItsOwnerCutToItsRowsAndTheOwnerStopsAtItsFeet) {
    CMobile* m = Tall();
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int feet = m->feetLine - sy; // canvas row of the feet line
    m->DrawClip(Rect{0, 0, 100, 100});
    for (int y = 0; y < 100; ++y)
        EXPECT_EQ(canvas.at(50, y) == Ink(6), y >= feet - 50 && y < feet) << y;
    canvas = qvtest::CanaryCanvas(100, 100);
    SetBlitTarget(canvas.Target());
    CBigMobComponent* first = Chain(m)[2];
    first->DrawClip(Rect{0, 0, 100, 100});
    for (int y = 0; y < 100; ++y)
        EXPECT_EQ(canvas.at(50, y) == Ink(6), y >= feet && y < feet + 40) << y; // the canvas ends at 100
    EXPECT_FALSE(BigMobStrips::IsDrawingStrip());
    // A clip outside the strip's rows draws nothing.
    canvas = qvtest::CanaryCanvas(100, 100);
    SetBlitTarget(canvas.Target());
    first->DrawClip(Rect{0, 0, 100, feet});
    EXPECT_EQ(canvas.Ink(), 0);
}

// The pointer finds the figure itself below its feet, where its strips lie in front of it.
TEST_F(Strips, PickingBelowTheFeetFindsTheOwnerNeverAStrip) {
    // Picking walks the cells of the view's order: the figure moves from (10, 10) into it.
    DrawManager::ResetWindow(); // window offset (u, v) is table cell (u, v)
    CMobile* m = Tall();
    m->RemoveFromDrawList();
    m->SetLocation(Pos(30, 30), 0);
    m->AddToDrawList();
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    DrawManager::SetScrollOffset(x - 50, y - 60);
    ASSERT_EQ(Chain(m).size(), 3u);
    const int feet = 60; // the feet point's canvas row, the screen's here
    for (int row : {feet - 20, feet + 10, feet + 39})
        EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(50, row, true), m) << row;
    EXPECT_EQ(DrawManager::GetDrawItemAtScreenLoc(70, feet + 10, true), nullptr); // right of the frame
}

TEST_F(Strips, ACorpseReachingBelowItsFeetHasStripsToo) {
    std::vector<mkinstall::AnimPicture> frames(4, Block(-1, -1, 1, 0, 1));
    frames[3] = Block(-10, -20, 10, 50, 1);
    animtest::Put(1 * 110 + 2 * 5 + 0, frames);
    auto* corpse = new CCorpse(0x40000600, 0x2006, 0);
    corpse->facing = 3;
    corpse->SetLocation(Pos(10, 10), 0);
    corpse->AddToDrawList();
    EXPECT_EQ(Chain(corpse).size(), 2u);
    corpse->Release();
    EXPECT_TRUE(Cell(11, 11).empty());
    EXPECT_TRUE(Cell(12, 12).empty());
}

// ---------------------------------------------------------------- seated figures

// A chair that records the clips it is drawn with (the scene draws the real art).
class RecordingChair : public CObj {
  public:
    void DrawClip(const Rect& clip) override { clips.push_back(clip); }
    void Release() override { delete this; }
    std::vector<Rect> clips;
};

class Seated : public MobileDraw {
  protected:
    void TearDown() override {
        for (RecordingChair* c : chairs) {
            if (c->listed) c->RemoveFromDrawList();
            delete c;
        }
        SkipDrawHandler::SetChosenChair(nullptr);
        MobileDraw::TearDown();
    }
    RecordingChair* Chair(int graphic, int x = 10, int y = 10, int z = 0) {
        auto* c = new RecordingChair;
        c->graphic = c->displayedGraphic = static_cast<uint16_t>(graphic);
        c->SetLocation(Pos(x, y), z);
        c->AddToDrawList();
        chairs.push_back(c);
        return c;
    }
    std::vector<RecordingChair*> chairs;
};

TEST_F(Seated, PickFacingKeepsAnAllowedFacingOrTakesTheNearest) {
    struct Case {
        int chair, facing, seated;
    };
    const Case cases[] = {
        {2863, 2, 2}, {2863, 1, 2}, {2863, 5, 2}, {2863, 10, 2}, {4604, 3, 4},
        {4604, 6, 6}, {2896, 4, 0}, {2896, 7, 0}, {4635, 5, 6},  {1114, 4, 6},
    };
    for (const Case& c : cases) {
        SkipDrawHandler::SetChosenChair(SkipDrawHandler::FindChair(c.chair));
        int facing = c.facing;
        SkipDrawHandler::PickFacing(&facing);
        EXPECT_EQ(facing, c.seated) << c.chair << " facing " << c.facing;
    }
    EXPECT_EQ(SkipDrawHandler::FindChair(100), nullptr);
    EXPECT_EQ(SkipDrawHandler::SeatOffset(*SkipDrawHandler::FindChair(2911), 2), 3);
    EXPECT_EQ(SkipDrawHandler::SeatOffset(*SkipDrawHandler::FindChair(2911), 6), 14);
}

TEST_F(Seated, WarpTablesDropTheBodyAndBendTheHips) {
    struct Case {
        int pair, row, column;
        int sourceRow, sourceColumn; // sourceRow -1: pixel 0
    };
    const Case cases[] = {
        {0, 30, 10, 4, 7}, {0, 20, 10, -1, 0},   {3, 30, 62, 4, 63},  {1, 10, 5, -1, 0},
        {1, 55, 5, 43, 5}, {1, 60, 20, 49, 18},  {2, 60, 20, 49, 22}, {1, 71, 20, 62, 13},
        {1, 72, 5, 64, 0}, {2, 100, 60, 92, 63}, {2, 127, 0, 119, 8},
    };
    for (const Case& c : cases) {
        const int expected = c.sourceRow < 0 ? 0 : c.sourceRow * 64 + c.sourceColumn;
        EXPECT_EQ(SkipDrawHandler::WarpIndex(c.pair, c.row, c.column), expected)
            << c.pair << ": " << c.row << "," << c.column;
    }
}

TEST_F(Seated, AHumanAtRestOnASeatOfItsCellSits) {
    struct Case {
        const char* name;
        int chair;
        int chairZ;
        int body;
        bool resting, stepping, mounted;
        bool seated;
    };
    const Case cases[] = {
        {"chair", 2863, 0, 400, true, false, false, true},
        {"one z unit below", 2863, 1, 400, true, false, false, true},
        {"two z units below: stands", 2863, 2, 400, true, false, false, false},
        {"rest-only bench at rest", 3315, 0, 400, true, false, false, true},
        {"rest-only bench while moving", 3315, 0, 400, false, false, false, false},
        {"stepping", 2863, 0, 400, true, true, false, false},
        {"mounted", 2863, 0, 400, true, false, true, false},
        {"ghost", 2863, 0, 402, true, false, false, false},
        {"creature", 2863, 0, 1, true, false, false, false},
        {"no seat", 100, 0, 400, true, false, false, false},
    };
    for (const Case& c : cases) {
        SkipDrawHandler::SetChosenChair(nullptr);
        RecordingChair* chair = Chair(c.chair, 10, 10, c.chairZ);
        CMobile* m = Place(c.body);
        m->resting = c.resting;
        m->stepFramesLeft = c.stepping ? 3 : 0;
        if (c.mounted) Wear(m, 25, kHorse);
        EXPECT_EQ(m->IsSeated(), c.seated) << c.name;
        if (c.seated) {
            EXPECT_EQ(SkipDrawHandler::ChosenChair()->graphic, static_cast<uint32_t>(c.chair)) << c.name;
        }
        m->layers[25] = nullptr;
        m->RemoveFromDrawList();
        chair->RemoveFromDrawList();
    }
    // A seat in another cell does not count.
    Chair(2863, 11, 10);
    EXPECT_FALSE(Place(400)->IsSeated());
}

TEST_F(Seated, TheSeatedFigureIsLoweredAndItsPixelTestAgreesWithItsDraw) {
    // Facing 1 on chair 2863 sits facing 2: direction 1, mirrored, action 4.
    animtest::Put(HumanIndex(400, 4, 1), {Block(-6, -60, 5, 0, 1)});
    animtest::Put(HumanIndex(410, 4, 1), {Block(-4, -50, 3, -40, 2)});
    Chair(2863);
    CMobile* m = Place(400, 1);
    Wear(m, 5, kShirt);
    ASSERT_TRUE(m->IsSeated());
    Draw(m);
    int top = -1;
    for (int y = 0; y < 100 && top < 0; ++y)
        for (int x = 0; x < 100; ++x)
            if (canvas.at(x, y) == Ink(1)) {
                top = y;
                break;
            }
    EXPECT_EQ(top, 60 - 60 + 12 + 6); // the upper body drops 12 rows and the seat 6 more
    EXPECT_GT(canvas.Count(Ink(2)), 0);
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    int hits = 0;
    for (int py = 0; py < 100; ++py)
        for (int px = 0; px < 100; ++px) {
            const bool drawn = canvas.at(px, py) != 0;
            EXPECT_EQ(m->HitTest(px + sx, py + sy), drawn) << px << "," << py;
            hits += drawn;
        }
    EXPECT_GT(hits, 400);
    // The rect holds the figure with its margins.
    int x = 0, y = 0;
    m->GetFigureAnchor(x, y);
    EXPECT_EQ(Relative(m, x, y), (Rect{-5 - 16, -60 - 16, 6 + 16, 0 + 32}));
}

TEST_F(Seated, FacingAwayTheChairsBackIsDrawnAgainWithinTheDrawsClip) {
    // Facing 6 on chair 4635: lowered 26 + 8 rows; the chair's right part from its centre - 3 over it.
    animtest::Put(HumanIndex(400, 25, 3), {Block(-6, -60, 6, 0, 1)});
    RecordingChair* chair = Chair(4635);
    CMobile* m = Place(400, 6);
    ASSERT_TRUE(m->IsSeated());
    Draw(m);
    int top = -1;
    for (int y = 0; y < 100 && top < 0; ++y)
        if (canvas.at(50, y) == Ink(1)) top = y;
    EXPECT_EQ(top, 60 - 60 + 26 + 8);
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    const int centre = (chair->screenRect.left + chair->screenRect.right) / 2 - sx;
    ASSERT_EQ(chair->clips.size(), 1u);
    EXPECT_EQ(chair->clips[0], (Rect{centre - 3, 0, 100, 100}));
    chair->clips.clear();
    m->DrawClip(Rect{0, 0, 40, 100}); // the back lies wholly right of this clip
    EXPECT_TRUE(chair->clips.empty());
    m->DrawClip(Rect{0, 10, 60, 90});
    ASSERT_EQ(chair->clips.size(), 1u);
    EXPECT_EQ(chair->clips[0], (Rect{centre - 3, 10, 60, 90}));
}

} // namespace
} // namespace objtest
