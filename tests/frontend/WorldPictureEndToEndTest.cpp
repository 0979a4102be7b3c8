// The world area of the client logged in to the test server, against the scene viewer's picture of
// the same position and figures: the server's mobiles as its world keeps them, standing or at rest,
// on the manual clock. Animated tiles step with the world's steps, which the client's loop has taken and
// the viewer has not: their rectangles are left out of the comparison.
#include "FrontEndFixture.h"

#include "render/BackBuffer.h"
#include "render/DrawManager.h"
#include "render/Ppm.h"
#include "sceneview/SceneView.h"
#include "testshard/ShardWorld.h"
#include "world/CObjectManager.h"
#include "world/WorldList.h"
#include "world/objects.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

namespace qvtest {
namespace {

std::vector<uint16_t> Screen() {
    std::vector<uint16_t> out;
    const uint16_t* pixels = BackBuffer::Pixels();
    for (int y = 0; y < BackBuffer::Height(); ++y)
        for (int x = 0; x < BackBuffer::Width(); ++x)
            out.push_back(pixels ? pixels[BackBuffer::IndexOf(x, y)] : 0);
    return out;
}

// Pixels that differ outside the rectangles.
int Differing(const std::vector<uint16_t>& a, const std::vector<uint16_t>& b, int width, int height,
              const std::vector<Rect>& leftOut) {
    if (a.size() != b.size()) return width * height;
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            if (a[i] == b[i]) continue;
            bool inside = false;
            for (const Rect& r : leftOut)
                inside |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            differing += !inside;
        }
    return differing;
}

// The animated tiles' screen rectangles.
std::vector<Rect> AnimatedRects() {
    std::vector<Rect> rects;
    int sx = 0, sy = 0;
    DrawManager::GetScrollOffset(sx, sy);
    WorldLists::Animations().ForEach([&](CObj* o) {
        const Rect& r = o->screenRect;
        if (o->listed) rects.push_back(Rect{r.left - sx, r.top - sy, r.right - sx, r.bottom - sy});
    });
    return rects;
}

class WorldPictureEndToEndTest : public FrontEndTest {
  protected:
    // Logs in to the test server playing the world's first messages and waits until the client
    // knows every mobile of it.
    void EnterWorld(testshard::ShardWorld& world) {
        script.worldPackets = world.Initial();
        FrontEndTest::EnterWorld(script);
        if (HasFatalFailure()) return;
        for (const auto& [serial, o] : world.Objects())
            if (o.kind == testshard::ShardObject::Mobile) mobiles.push_back(serial);
        ASSERT_TRUE(RunUntil([&] {
            for (uint32_t serial : mobiles)
                if (!CObjectManager::FindBySerial(serial)) return false;
            return true;
        }));
    }

    // Passes until ready() holds and the world has been painted: two screens in a row agree
    // outside the animated tiles. Each pass moves the manual clock by clockStep milliseconds.
    void WaitForStillScreen(const std::function<bool()>& ready, uint32_t clockStep = 10, int seconds = 10) {
        client = Screen();
        animated = AnimatedRects();
        width = BackBuffer::Width();
        height = BackBuffer::Height();
        ASSERT_GT(width, 0);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        for (;;) {
            RunMainLoopPass(false);
            Advance(clockStep);
            const std::vector<uint16_t> next = Screen();
            animated = AnimatedRects();
            const int differing = Differing(client, next, width, height, animated);
            const bool painted =
                std::any_of(next.begin(), next.end(), [&](uint16_t v) { return v != next[0]; });
            client = next;
            if (painted && differing == 0 && ready()) break;
            ASSERT_LT(std::chrono::steady_clock::now(), end) << "the screen did not settle";
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        int figuresListed = 0;
        for (uint32_t serial : mobiles)
            figuresListed += CObjectManager::FindBySerial(serial)->listed != 0;
        EXPECT_EQ(figuresListed, static_cast<int>(mobiles.size()));
    }

    // The viewer's picture of the player's place with the world's mobiles where the world keeps
    // them, against the client's last screen.
    void ExpectTheViewersPicture(const testshard::ShardWorld& world, bool resting) {
        sceneview::Options o;
        o.x = script.x;
        o.y = script.y;
        o.z = script.z;
        o.facing = script.facing;
        o.width = width;
        o.height = height;
        for (uint32_t serial : mobiles) {
            const testshard::ShardObject& s = world.Objects().at(serial);
            sceneview::MobileSpec m;
            m.x = s.x;
            m.y = s.y;
            m.body = s.graphic;
            m.facing = s.facing;
            m.hue = s.hue;
            m.resting = resting;
            for (const auto& [wornSerial, w] : world.Objects())
                if (w.wearer == serial) m.equip.push_back({w.graphic, w.layer, w.hue});
            o.mobiles.push_back(m);
        }
        server.Stop();
        std::string error;
        ASSERT_TRUE(sceneview::Open((dir.path() / "install").string(), &error)) << error;
        const sceneview::Picture viewer = sceneview::Render(o);
        if (platform::GetEnv("QV_KEEP_PICTURES") == "1") {
            const std::pair<const char*, const std::vector<uint16_t>*> pictures[] = {
                {"client.ppm", &client}, {"viewer.ppm", &viewer.pixels}};
            for (const auto& [name, pixels] : pictures) {
                const std::vector<uint8_t> ppm = EncodePpm(pixels->data(), width, height);
                std::ofstream(std::filesystem::temp_directory_path() / name, std::ios::binary)
                    .write(reinterpret_cast<const char*>(ppm.data()),
                           static_cast<std::streamsize>(ppm.size()));
            }
        }
        ASSERT_EQ(viewer.width, width);
        ASSERT_EQ(viewer.height, height);
        EXPECT_EQ(Differing(client, viewer.pixels, width, height, animated), 0);
    }

    testshard::Script script;
    std::vector<uint32_t> mobiles;
    std::vector<uint16_t> client;
    std::vector<Rect> animated;
    int width = 0, height = 0;
};

TEST_F(WorldPictureEndToEndTest, TheClientsWorldAreaIsTheViewersPicture) {
    testshard::ShardWorld world("world:mobiles", script.serial, script.x, script.y);
    EnterWorld(world);
    if (HasFatalFailure()) return;
    WaitForStillScreen([] { return true; });
    if (HasFatalFailure()) return;
    ExpectTheViewersPicture(world, false);
}

// Dressed people in the eight facings, a rider and one who walked a step, once all of them have
// stood still long enough to rest.
TEST_F(WorldPictureEndToEndTest, DressedFiguresAtRestAreTheViewersPicture) {
    testshard::ShardWorld world("world:figures", script.serial, script.x, script.y);
    EnterWorld(world);
    if (HasFatalFailure()) return;
    std::map<uint32_t, std::pair<int, int>> before;
    for (uint32_t serial : mobiles)
        before[serial] = {world.Objects().at(serial).x, world.Objects().at(serial).y};
    for (const std::vector<uint8_t>& packet : world.Tick())
        ASSERT_TRUE(server.Send(packet));
    int walkers = 0;
    for (uint32_t serial : mobiles)
        walkers +=
            before[serial] != std::make_pair(world.Objects().at(serial).x, world.Objects().at(serial).y);
    ASSERT_EQ(walkers, 1) << "the tick moves one figure";
    auto atRest = [&] {
        for (uint32_t serial : mobiles) {
            const auto* m = static_cast<const CMobile*>(CObjectManager::FindBySerial(serial));
            const testshard::ShardObject& s = world.Objects().at(serial);
            if (!m->resting || m->stepCount || m->stepFramesLeft || m->locX != s.x || m->locY != s.y)
                return false;
        }
        return true;
    };
    // A world step per pass: the rest comes two seconds after the last move.
    WaitForStillScreen(atRest, 76, 30);
    if (HasFatalFailure()) return;
    ExpectTheViewersPicture(world, true);
}

} // namespace
} // namespace qvtest
