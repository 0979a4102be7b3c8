// Figures in the yard as the server sends them and the client paints them, against stored pictures:
// sitters on both kinds of chair, a rider and a corpse, the tall creature in front of and behind the
// house, the yard at night with a street lamp and a held torch, white, coloured and with
// "DarkNights", and the yard with effects as the server sends them: a missile after 5 updates and a
// hued, blended effect hanging on a figure. Also the figure and effect options of the viewer.
#include "WorldFixture.h"
#include "mkinstall/EffectArts.h"
#include "mkinstall/WorldFiles.h"
#include "mkinstall/Yard.h"
#include "render/BackBuffer.h"
#include "render/Ppm.h"
#include "sceneview/SceneView.h"

#include <filesystem>

namespace {

class SceneFiguresGolden : public worldtest::WorldTest {
  protected:
    void TearDown() override {
        sceneview::Close();
        BackBuffer::Release();
        WorldTest::TearDown();
    }
    static sceneview::MobileSpec Mobile(const std::string& text) {
        sceneview::MobileSpec m;
        EXPECT_TRUE(sceneview::ParseMobile(text, m)) << text;
        return m;
    }
};

TEST_F(SceneFiguresGolden, FiguresAndLightInTheYard) {
    InstallSample();
    std::string error;
    ASSERT_TRUE(sceneview::Open(dir.path().string(), &error)) << error;
    using mkinstall::kYardChairBackX, mkinstall::kYardChairBackY, mkinstall::kYardChairX,
        mkinstall::kYardChairY;
    const std::string dressed = ",equip=25:5+26:20";
    auto view = [](int x, int y, int w, int h) {
        sceneview::Options o;
        o.x = x;
        o.y = y;
        o.width = w;
        o.height = h;
        return o;
    };
    struct View {
        const char* name;
        sceneview::Options options;
    };
    std::vector<View> views;
    {
        View v{"figures_seated.ppm", view(1504, 1611, 240, 180)};
        v.options.mobiles = {Mobile(std::to_string(kYardChairX) + "," + std::to_string(kYardChairY) +
                                    ",400,2" + dressed + ",seated"),
                             Mobile(std::to_string(kYardChairBackX) + "," + std::to_string(kYardChairBackY) +
                                    ",400,6" + dressed + ",seated")};
        views.push_back(v);
    }
    {
        View v{"figures_rider_corpse.ppm", view(1496, 1597, 240, 180)};
        v.options.mobiles = {Mobile("1497,1597,400,3" + dressed + ",mount=16034")};
        v.options.corpses = {{1495, 1598, 400, 2}};
        views.push_back(v);
    }
    {
        // One behind the house's north-east corner, one in front of it.
        View v{"figures_tall_creature.ppm", view(1509, 1598, 320, 240)};
        v.options.mobiles = {Mobile("1506,1600,1,3"), Mobile("1508,1603,1,3")};
        views.push_back(v);
    }
    for (int variant = 0; variant < 3; ++variant) {
        static const char* const kNames[] = {"figures_night.ppm", "figures_night_colored.ppm",
                                             "figures_night_dark_nights.ppm"};
        View v{kNames[variant], view(1504, 1611, 240, 180)};
        v.options.light = 20;
        v.options.colored = variant == 1;
        v.options.darkNights = variant == 2;
        v.options.mobiles = {
            Mobile("1503,1612,400,4,equip=25:5+" + std::to_string(mkinstall::WorldItem::Torch) + ":1")};
        views.push_back(v);
    }
    {
        // Item art 0 flying from the player to the east after 5 of its 26 updates; an explosion on
        // the figure, hued (index 37) and blended (table 3), in its second picture.
        View v{"figures_effects.ppm", view(1504, 1611, 240, 180)};
        v.options.mobiles = {Mobile("1503,1612,400,4,equip=25:5")};
        sceneview::EffectSpec missile, onFigure;
        ASSERT_TRUE(sceneview::ParseEffect("0,0,1504,1611,from=0,to=1510:1605,speed=0", missile));
        ASSERT_TRUE(sceneview::ParseEffect("3," + std::to_string(mkinstall::kObjectExplosionArt) +
                                               ",1503,1612,from=1,speed=8,duration=20,hue=37,blend=3",
                                           onFigure));
        v.options.effects = {missile, onFigure};
        v.options.updates = 5;
        views.push_back(v);
    }
    for (const View& v : views) {
        SCOPED_TRACE(v.name);
        const sceneview::Picture p = sceneview::Render(v.options);
        EXPECT_EQ(p.error, "");
        qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/world/golden") / v.name,
                                EncodePpm(p.pixels.data(), p.width, p.height));
    }
    // A figure asked to sit where there is no seat is reported.
    sceneview::Options standing = view(1504, 1611, 240, 180);
    standing.mobiles = {Mobile("1503,1612,400,2,seated")};
    EXPECT_EQ(sceneview::Render(standing).error, "mobile 1 is not seated");
    // An effect naming a figure that is not there is reported.
    sceneview::Options lost = view(1504, 1611, 240, 180);
    lost.effects = {sceneview::EffectSpec{}};
    lost.effects[0].kind = 3;
    lost.effects[0].from = 2;
    EXPECT_EQ(sceneview::Render(lost).error, "effect 1 names no mobile 2");
}

TEST(SceneViewOptions, EffectTexts) {
    struct Case {
        const char* text;
        bool ok;
        int kind = 0, graphic = 0;
        int from = -1, to = -1; // -1: none
        int toX = 0, toZ = -1;
        int speed = 5, duration = 10, hue = 0, blend = 0;
        bool explode = false, pingPong = false;
    };
    const Case cases[] = {
        {"0,2578,1500,1600", true, 0, 2578, -1, -1, 1500, -1, 5, 10, 0, 0, false, false},
        {"0,2578,1500,1600,from=0,target=2,to=1510:1605:7,speed=0,explode", true, 0, 2578, 0, 2, 1510, 7, 0,
         10, 0, 0, true, false},
        {"3,14027,1,2,from=1,duration=20,hue=37,blend=3,pingpong", true, 3, 14027, 1, -1, 1, -1, 5, 20, 37, 3,
         false, true},
        {"4,1,1,2", false},           // no such kind
        {"0,1,1", false},             // too short
        {"0,1,1,2,speed=256", false}, // a byte
        {"0,1,1,2,blend=16", false},  // the blend tables are 0..15
        {"0,1,1,2,to=3", false},      // a place needs x and y
        {"0,1,1,2,z=200", false},     // z is a signed byte
        {"0,1,1,2,sparkle", false},   // an unknown word
        {"0,1,1,2,from=-1", false},
        {"0,1,1,2,", false}, // an empty field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sceneview::EffectSpec e;
        ASSERT_EQ(sceneview::ParseEffect(c.text, e), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(e.kind, c.kind);
        EXPECT_EQ(e.graphic, c.graphic);
        EXPECT_EQ(e.from.value_or(-1), c.from);
        EXPECT_EQ(e.to.value_or(-1), c.to);
        EXPECT_EQ(e.toX, c.toX);
        EXPECT_EQ(e.toZ.value_or(-1), c.toZ);
        EXPECT_EQ(e.speed, c.speed);
        EXPECT_EQ(e.duration, c.duration);
        EXPECT_EQ(e.hue, c.hue);
        EXPECT_EQ(e.blend, c.blend);
        EXPECT_EQ(e.explode, c.explode);
        EXPECT_EQ(e.pingPong, c.pingPong);
    }
}

TEST(SceneViewOptions, MobileAndCorpseTexts) {
    struct Case {
        const char* text;
        bool ok;
        int hue = 0, action = -1, frame = 0, mount = 0;
        size_t equipped = 0;
        bool seated = false;
        bool resting = false;
    };
    const Case cases[] = {
        {"1502,1600,400,3", true, 0, -1, 0, 0, 0, false},
        {"1502,1600,400,3,hue=33,action=12,frame=4", true, 33, 12, 4, 0, 0, false},
        {"1,2,400,7,mount=16034,equip=25:5+26:20,equip=2578:1,seated", true, 0, -1, 0, 16034, 3, true},
        {"1,2,400,3,mount=16034,rest", true, 0, -1, 0, 16034, 0, false, true},
        {"1,2,400,8", false, 0, -1, 0, 0, 0, false},             // facing past 7
        {"1,2,400", false, 0, -1, 0, 0, 0, false},               // too short
        {"1,2,400,3,frame=2", false, 0, -1, 0, 0, 0, false},     // a frame without an action
        {"1,2,400,3,equip=25", false, 0, -1, 0, 0, 0, false},    // no layer
        {"1,2,400,3,equip=25:25", false, 0, -1, 0, 0, 0, false}, // the mount's layer is mount=
        {"1,2,400,3,sitting", false, 0, -1, 0, 0, 0, false},     // an unknown word
        {"1,2,400,3,hue=-1", false, 0, -1, 0, 0, 0, false},
        {"1,2,400,3,", false, 0, -1, 0, 0, 0, false}, // an empty field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sceneview::MobileSpec m;
        ASSERT_EQ(sceneview::ParseMobile(c.text, m), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(m.hue, c.hue);
        EXPECT_EQ(m.action, c.action);
        EXPECT_EQ(m.frame, c.frame);
        EXPECT_EQ(m.mount, c.mount);
        EXPECT_EQ(m.equip.size(), c.equipped);
        EXPECT_EQ(m.seated, c.seated);
        EXPECT_EQ(m.resting, c.resting);
    }
    sceneview::CorpseSpec corpse;
    EXPECT_TRUE(sceneview::ParseCorpse("1495,1598,400,2", corpse));
    EXPECT_EQ(corpse.body, 400);
    EXPECT_FALSE(sceneview::ParseCorpse("1495,1598,400,2,hue=3", corpse));
}

} // namespace
