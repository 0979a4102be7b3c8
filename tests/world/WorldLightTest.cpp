// The world's light sources as the renderers see them: holders, light ids, centres, covered and
// culled sources, and the rects a moving source dirties.
#include "ObjectsFixture.h"

#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/Light.h"
#include "world/WorldLight.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using namespace objtest;

constexpr int kTorch = 2578;
constexpr int kTorchLight = 1;
constexpr int kRoof = 120;  // an item that covers a light below it
constexpr int kGlass = 121; // the same, but light shines through (flag 0x4)

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}

class WorldLightTest : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        ResetLightsForTests();
        Row(kTorch).flags = TileFlag::LightSource | TileFlag::Wearable;
        Row(kTorch).quality = kTorchLight;
        Row(kRoof).height = 3;
        Row(kGlass).flags = TileFlag::Transparent;
        // Light ids 0..3 of 10 x 10, 20 x 20, 30 x 30 and 40 x 40.
        for (int id = 0; id < 4; ++id) {
            const int size = 10 * (id + 1);
            index += Le32(static_cast<uint32_t>(data.size())) + Le32(static_cast<uint32_t>(size * size)) +
                     std::string{static_cast<char>(size), 0, static_cast<char>(size), 0};
            data += std::string(static_cast<size_t>(size * size), '\x05');
        }
        thelightthingie::UseBytes(reinterpret_cast<const uint8_t*>(index.data()), index.size(),
                                  reinterpret_cast<const uint8_t*>(data.data()), data.size());
        DrawManager::SetScrollOffset(100, 50);
    }
    void TearDown() override {
        DrawManager::SetScrollOffset(0, 0);
        ResetLightsForTests();
        ObjectsTest::TearDown();
    }
    // The scene culls every world object while there is no player; one stands far off.
    static void PlayerFarAway() {
        pPlayerObject = new CPlayerMobile(0x777, 400);
        pPlayerObject->AddToWorld(Pos(90, 90), 0);
    }
    static std::vector<PlacedLight> Frame(LightLevels* levels = nullptr) {
        LightFrame frame;
        WorldLight::FillFrame(kNoClip, frame);
        if (levels) *levels = frame.levels;
        return frame.lights;
    }
    std::string index, data;
};

TEST_F(WorldLightTest, PlacedLampShinesWithItsOwnLightByteFromItsCell) {
    PlayerFarAway();
    CObj* lamp = NewStaticObj(G::Lamp);
    lamp->facing = 2; // the light byte of a light source
    lamp->AddToWorld(Pos(10, 12), 5);
    const std::vector<PlacedLight> lights = Frame();
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0].lightId, 2);
    EXPECT_EQ(lights[0].graphic, G::Lamp);
    EXPECT_EQ(lights[0].x, lamp->columnTerm * 22 - 100);
    EXPECT_EQ(lights[0].y, (10 + 12) * 22 - 5 * 4 - 50 + 43);
}

TEST_F(WorldLightTest, HeldTorchUsesItsTileDataAndShinesAboveTheFeet) {
    CMobile* m = NewMobile(7);
    m->AddToWorld(Pos(20, 20), 0);
    m->stepOffsetX = 4;
    m->stepOffsetY = -6;
    m->drawZ = 3;
    CDynamicObj* torch = NewDynamicObj(0x40000001u, kTorch, 0);
    torch->facing = 3; // a held light ignores its own byte
    ASSERT_TRUE(torch->Equip(m, 2));
    EXPECT_EQ(WorldLight::HolderOf(torch), m);
    EXPECT_EQ(WorldLight::LightIdOf(torch), kTorchLight);
    const std::vector<PlacedLight> lights = Frame();
    ASSERT_EQ(lights.size(), 1u);
    int ax = 0, ay = 0;
    m->GetScreenAnchor(ax, ay); // the feet line
    EXPECT_EQ(lights[0].x, ax - 100);
    EXPECT_EQ(lights[0].y, ay - 50);
    // The bitmap (20 x 20) is centred 22 pixels above the feet.
    const Rect r = LightRect(lights[0].x, lights[0].y, lights[0].lightId);
    EXPECT_EQ((r.top + r.bottom) / 2, ay - 50 - 22);
    EXPECT_EQ(r.Width(), 20);
}

TEST_F(WorldLightTest, PlayerCentreFollowsTheWalkScroll) {
    pPlayerObject = new CPlayerMobile(0x1234, 400);
    pPlayerObject->AddToWorld(Pos(30, 30), 0);
    pPlayerObject->walkScrollX = 7;
    pPlayerObject->walkScrollY = -3;
    pPlayerObject->drawZ = 2;
    CDynamicObj* torch = NewDynamicObj(0x40000002u, kTorch, 0);
    ASSERT_TRUE(torch->Equip(pPlayerObject, 2));
    const std::vector<PlacedLight> lights = Frame();
    ASSERT_EQ(lights.size(), 1u);
    EXPECT_EQ(lights[0].x, pPlayerObject->columnTerm * 22 + 7 - 100 + 1);
    EXPECT_EQ(lights[0].y, 60 * 22 - 2 * 4 - 3 - 50 + 20);
}

TEST_F(WorldLightTest, CoveredCulledAndUnlistedHoldersGiveNoLight) {
    struct Case {
        const char* what;
        int coverGraphic; // 0: nothing in the cell south-east
        int coverDz;
        bool cullHolder;
        bool expectLight;
    } cases[] = {
        {"open sky", 0, 0, false, true},           {"a roof 5 above", kRoof, 5, false, false},
        {"a roof 4 above", kRoof, 4, false, true}, {"glass 20 above", kGlass, 20, false, true},
        {"holder unlisted", 0, 0, true, false},
    };
    PlayerFarAway();
    for (const Case& c : cases) {
        CObj* lamp = NewStaticObj(G::Lamp);
        lamp->facing = 1;
        lamp->AddToWorld(Pos(40, 40), 10);
        CObj* cover = nullptr;
        if (c.coverGraphic) {
            cover = NewStaticObj(c.coverGraphic);
            cover->AddToWorld(Pos(41, 41), 10 + c.coverDz);
        }
        if (c.cullHolder) lamp->RemoveFromDrawList();
        EXPECT_EQ(Frame().size(), c.expectLight ? 1u : 0u) << c.what;
        lamp->RemoveFromWorld();
        lamp->Release();
        if (cover) {
            cover->RemoveFromWorld();
            cover->Release();
        }
    }
}

TEST_F(WorldLightTest, LevelsComeFromTheKeptGlobalThePersonalTotalAndTheGhost) {
    SetGlobalLightLevel(20);
    SetDarkNights(true);
    pPlayerObject = new CPlayerMobile(0x1234, 402); // a ghost body
    pPlayerObject->SetPersonalLight(6);
    pPlayerObject->AddToWorld(Pos(30, 30), 0);
    LightLevels levels;
    Frame(&levels);
    EXPECT_EQ(levels.global, 20);
    EXPECT_TRUE(levels.darkNights);
    EXPECT_EQ(levels.personal, 6);
    EXPECT_TRUE(levels.ghost);
    EXPECT_EQ(AmbientLightLevel(levels), 0);
}

TEST_F(WorldLightTest, InvalidateLightDirtiesTheBitmapsRect) {
    BackBuffer::Resize(640, 480);
    CObj* lamp = NewStaticObj(G::Lamp);
    lamp->facing = 3;
    lamp->AddToWorld(Pos(2, 2), 0);
    // The lamp's light centred on the screen.
    DrawManager::SetScrollOffset(lamp->columnTerm * 22 - 320, (2 + 2) * 22 + 43 - 240);
    ResetDirtyRectsForTests();
    InvalidateLight(lamp);
    ASSERT_GE(GetDirtyRectCount(), 1);
    int cx = 0, cy = 0;
    WorldLight::CentreOf(lamp, cx, cy);
    const Rect expected = LightRect(cx, cy, 3);
    EXPECT_EQ(expected.Width(), 40);
    // The listed rects cover the light's rect cut to the screen, and nothing else.
    long covered = 0;
    for (int i = 0; i < GetDirtyRectCount(); ++i) {
        const Rect& r = GetDirtyRects()[i];
        EXPECT_FALSE(IntersectRect(r, expected).IsEmpty());
        covered += static_cast<long>(r.Width()) * r.Height();
    }
    EXPECT_EQ(covered, 40 * 40);
    ResetDirtyRectsForTests();
    BackBuffer::Release();
}

TEST_F(WorldLightTest, MobileInvalidatesTheLightsItWears) {
    BackBuffer::Resize(640, 480);
    CMobile* m = NewMobile(9);
    m->AddToWorld(Pos(5, 5), 0);
    DrawManager::SetScrollOffset(m->columnTerm * 22 - 320, 10 * 22 - 240);
    CDynamicObj* torch = NewDynamicObj(0x40000003u, kTorch, 0);
    ASSERT_TRUE(torch->Equip(m, 2));
    CDynamicObj* tunic = NewDynamicObj(0x40000004u, G::Plain, 0);
    ASSERT_TRUE(tunic->Equip(m, 5));
    ResetDirtyRectsForTests();
    m->InvalidateLights();
    EXPECT_GT(GetDirtyRectCount(), 0);
    ResetDirtyRectsForTests();
    m->RemoveFromDrawList();
    m->InvalidateLights(); // an unlisted mobile dirties nothing
    EXPECT_EQ(GetDirtyRectCount(), 0);
    BackBuffer::Release();
}

} // namespace

namespace {

TEST_F(WorldLightTest, RenderFrameLightsTheBackBufferAroundAListedLamp) {
    BackBuffer::Resize(320, 240);
    WorldLight::Bind();
    PlayerFarAway();
    CObj* lamp = NewStaticObj(G::Lamp);
    lamp->facing = 3; // 40 x 40 of value 5
    lamp->AddToWorld(Pos(2, 2), 0);
    DrawManager::SetScrollOffset(lamp->columnTerm * 22 - 160, (2 + 2) * 22 + 43 - 120 - 22);
    SetGlobalLightLevel(16);
    for (bool colored : {false, true}) {
        SetColoredLighting(colored);
        ResetDirtyRectsForTests();
        const Rect all{0, 0, 320, 240};
        DirtyRect(&all);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)] = 0x7FFF;
        RenderFrame();
        // Level 16 - 5 = 11 at the lamp (centred at (160, 120)), 16 away from it.
        EXPECT_EQ(BackBuffer::Pixels()[BackBuffer::IndexOf(160, 120)] & 31, 31 * 21 / 32) << colored;
        EXPECT_EQ(BackBuffer::Pixels()[BackBuffer::IndexOf(10, 10)] & 31, 31 * 16 / 32) << colored;
    }
    SetColoredLighting(false);
    ResetDirtyRectsForTests();
    BackBuffer::Release();
}

} // namespace
