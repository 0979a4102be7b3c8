// The yard of the sample installation as the client paints it, against stored pictures: by day,
// inside the house, under the hill, behind the tree, in the circle by the statue, as a ghost and
// in four seasons.
#include "WorldFixture.h"
#include "mkinstall/Yard.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "render/Ppm.h"
#include "sceneview/SceneView.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

class SceneGoldenTest : public worldtest::WorldTest {
  protected:
    void TearDown() override {
        sceneview::Close();
        BackBuffer::Release();
        WorldTest::TearDown();
    }
};

TEST_F(SceneGoldenTest, TheYardInItsViews) {
    InstallSample();
    std::string error;
    ASSERT_TRUE(sceneview::Open(dir.path().string(), &error)) << error;
    struct View {
        const char* name;
        sceneview::Options options;
    };
    auto view = [](int x, int y) {
        sceneview::Options o;
        o.x = x;
        o.y = y;
        o.width = 240;
        o.height = 180;
        return o;
    };
    std::vector<View> views = {
        {"scene_day.ppm", view(1500, 1600)},
        {"scene_house.ppm", view(mkinstall::kYardHouseX, mkinstall::kYardHouseY)},
        {"scene_under_hill.ppm", view(mkinstall::kYardHillX, mkinstall::kYardHillY)},
        {"scene_behind_tree.ppm", view(mkinstall::kYardBehindTreeX, mkinstall::kYardBehindTreeY)},
        {"scene_circle.ppm", view(mkinstall::kYardStatueViewX, mkinstall::kYardStatueViewY)},
        {"scene_ghost.ppm", view(mkinstall::kYardHillX, mkinstall::kYardHillY - 2)},
    };
    views[2].options.z = 0;
    views[4].options.circle = 64;
    views[5].options.ghost = true;
    for (int season : {0, 2, 3, 4}) {
        View v{nullptr, view(1497, 1606)};
        v.options.season = season;
        static const char* const kNames[] = {"scene_season0.ppm", nullptr, "scene_season2.ppm",
                                             "scene_season3.ppm", "scene_season4.ppm"};
        v.name = kNames[season];
        views.push_back(v);
    }
    for (const View& v : views) {
        SCOPED_TRACE(v.name);
        const sceneview::Picture p = sceneview::Render(v.options);
        const std::vector<uint8_t> ppm = EncodePpm(p.pixels.data(), p.width, p.height);
        const std::filesystem::path path = std::filesystem::path(QV_TESTS_DIR "/world/golden") / v.name;
        if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
            std::ofstream(path, std::ios::binary)
                .write(reinterpret_cast<const char*>(ppm.data()), static_cast<std::streamsize>(ppm.size()));
            continue;
        }
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in) << path << " is missing; run with QV_UPDATE_GOLDEN=1 to create it";
        const std::vector<uint8_t> stored((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
        EXPECT_TRUE(stored == ppm) << "differs from " << path;
    }
    // Picking through the same view: the roof over the start, the land under the hill's top.
    sceneview::Options pick = view(1500, 1600);
    pick.pick = std::make_pair(120, 90);
    EXPECT_EQ(sceneview::Render(pick).picked, "static 102 at 1504,1604,40");
    pick = view(mkinstall::kYardHillX, mkinstall::kYardHillY);
    pick.pick = std::make_pair(120, 90);
    EXPECT_EQ(sceneview::Render(pick).picked.rfind("sloped land", 0), 0u) << sceneview::Render(pick).picked;
}

} // namespace
