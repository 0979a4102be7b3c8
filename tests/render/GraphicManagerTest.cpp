#include "RenderFixture.h"

#include "platform/headless.h"
#include "world/WorldView.h"

#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

class GraphicManagerTest : public RenderTest {};

TEST_F(GraphicManagerTest, OnlyExactly800By600GivesTheLargeScreen) {
    const struct {
        int w, h, expectW, expectH;
    } cases[] = {{800, 600, 800, 600},
                 {800, 480, 640, 480},
                 {1024, 768, 640, 480},
                 {640, 600, 640, 480},
                 {0, 0, 640, 480}};
    for (const auto& c : cases) {
        GraphicManager::SetScreenSize(c.w, c.h);
        EXPECT_EQ(GraphicManager::GetScreenWidth(), c.expectW) << c.w << "x" << c.h;
        EXPECT_EQ(GraphicManager::GetScreenHeight(), c.expectH) << c.w << "x" << c.h;
        EXPECT_EQ(GraphicManager::GetScreenHalfWidth(), c.expectW / 2);
        EXPECT_GE(BackBuffer::Width(), c.expectW);
    }
}

TEST_F(GraphicManagerTest, ProjectionAndColourHelpers) {
    int sx = 0, sy = 0;
    WorldToScreen(0, 0, &sx, &sy);
    EXPECT_EQ(sx, 6144 * 22);
    EXPECT_EQ(sy, 20);
    ProjectCell(10, 4, 2304, 100, 50, &sx, &sy);
    EXPECT_EQ(sx, (2304 + 10 - 4) * 22 - 100);
    EXPECT_EQ(sy, 14 * 22 - 50 + 20);
    EXPECT_EQ(RGBToPixel(255, 0, 0), 0x7C00);
    EXPECT_EQ(RGBToPixel(8, 16, 255), 1 << 10 | 2 << 5 | 31);
    const uint16_t* grey = GraphicManager::GetGreyTable();
    EXPECT_EQ(grey[0], 0);
    EXPECT_EQ(grey[0x7FFF], 0x7FFF);
    EXPECT_EQ(grey[0x7C00], 20 << 10 | 20 << 5 | 20);
}

TEST_F(GraphicManagerTest, DarkeningLowersEachChannelByOneStepToBlack) {
    const uint16_t in[] = {0x7FFF, 0x0000, 0x0421, 0x7C00, 0x03E0, 0x001F, 0x8421, 0x2108};
    const uint16_t out[] = {0x7BDE, 0x0000, 0x0000, 0x7800, 0x03C0, 0x001E, 0x0000, 0x1CE7};
    uint16_t pixels[8];
    std::copy(std::begin(in), std::end(in), pixels);
    DarkenPixels(pixels, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pixels[i], out[i]) << i;
    uint16_t white = 0x7FFF;
    for (int pass = 0; pass < 31; ++pass)
        DarkenPixels(&white, 1);
    EXPECT_EQ(white, 0);
}

TEST_F(GraphicManagerTest, WalkingSpeedsComeFromTheFileWithDefaultsForBadPairs) {
    qvtest::TempDir dir;
    RenderData::SetInstallFolder(dir.path().string());
    GraphicManager::LoadAnimInfo(); // missing: defaults, nothing shown
    EXPECT_EQ(GraphicManager::GetWalkFrames(7), 4);
    EXPECT_EQ(GraphicManager::GetRunFrames(7), 2);
    EXPECT_TRUE(platform::headless::MessageBoxes().empty());

    std::vector<uint8_t> file = mkinstall::MakeAnimInfoFile();
    dir.write("animinfo.mul", std::string(file.begin(), file.end() - 1)); // 1,999 bytes
    GraphicManager::LoadAnimInfo();
    EXPECT_EQ(GraphicManager::GetWalkFrames(7), mkinstall::SampleWalkFrames(7));
    EXPECT_EQ(GraphicManager::GetRunFrames(998), mkinstall::SampleRunFrames(998));
    EXPECT_EQ(GraphicManager::GetWalkFrames(999), 4);
    EXPECT_EQ(GraphicManager::GetRunFrames(999), 2);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "File Error");
    EXPECT_NE(platform::headless::MessageBoxes()[0].text.find("\"animinfo.mul\" file is corrupted!"),
              std::string::npos);

    EXPECT_EQ(GraphicManager::GetWalkFrames(-1), 4);
    EXPECT_EQ(GraphicManager::GetWalkFrames(1000), 4);
    file[2 * 10] = 0;
    EXPECT_TRUE(GraphicManager::LoadAnimInfoFromBytes(file.data(), file.size()));
    EXPECT_EQ(GraphicManager::GetWalkFrames(10), 4);
    EXPECT_EQ(GraphicManager::GetRunFrames(10), 2);
}

// Makes a cached art item visible: it is re-read (and now missing) only when it was forgotten.
class ServerArt : public GraphicManagerTest {
  protected:
    void SetUp() override {
        GraphicManagerTest::SetUp();
        UseSampleFiles();
        ASSERT_NE(GetArt(0x4001), nullptr);
        ASSERT_NE(GetArt(1), nullptr);
        rendertest::Served().art = mkinstall::IndexedFile{};
    }
};

TEST_F(ServerArt, ItemArtLongerThanWhatArrivedIsRefused) {
    mkinstall::Picture p = mkinstall::SampleItem(1);
    std::vector<uint8_t> item = mkinstall::EncodeItemArt(p.width, p.height, p.pixels);
    qvtest::ReportRecorder log;
    GraphicManager::UpdateArt(item.data(), item.size() - 1, 0x4001, static_cast<int>(item.size()), 0);
    EXPECT_TRUE(log.contains(QVReport::Level::Error, "GraphicManager::UpdateArt: art 0x4001"));
    EXPECT_NE(GetArt(0x4001), nullptr); // unchanged
    GraphicManager::UpdateArt(item.data(), 7, 0x4001, 7, 0);
    EXPECT_NE(GetArt(0x4001), nullptr);
    GraphicManager::UpdateArt(item.data(), item.size(), 0x4001, static_cast<int>(item.size()), 0);
    EXPECT_EQ(GetArt(0x4001), nullptr); // stored, so the cached copy was dropped
}

TEST_F(ServerArt, LandArtNeedsItsWholeSlot) {
    std::vector<uint8_t> slot(2048, 0x21);
    GraphicManager::UpdateArt(slot.data(), 2047, 1, 2048, 0);
    EXPECT_NE(GetArt(1), nullptr);
    GraphicManager::UpdateArt(slot.data(), 2048, 1, 2048, 0);
    EXPECT_EQ(GetArt(1), nullptr);
}

TEST_F(ServerArt, RemovalNeedsNoDataAndBadIdsAreReported) {
    GraphicManager::UpdateArt(nullptr, 0, 0x4001, -1, 0);
    EXPECT_EQ(GetArt(0x4001), nullptr);
    GraphicManager::UpdateArt(nullptr, 0, 65536, -1, 0);
    GraphicManager::UpdateArt(nullptr, 0, -1, -1, 0);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 2u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "damn art bug");
    EXPECT_NE(GetArt(1), nullptr);
}

struct FadeLog {
    bool connected = true;
    std::vector<std::string> events;
};
FadeLog& Fade() {
    static FadeLog log;
    return log;
}

class DeathFade : public GraphicManagerTest {
  protected:
    void SetUp() override {
        GraphicManagerTest::SetUp();
        Fade() = FadeLog{};
        FrameServices services;
        services.hasGameConnection = [] { return Fade().connected; };
        services.sendDeathStatus = [](int action) {
            Fade().events.push_back("status " + std::to_string(action));
        };
        services.showCentredBark = [](const char* text, int w, int h) {
            Fade().events.push_back(std::string(text) + " " + std::to_string(w) + "x" + std::to_string(h));
        };
        services.redrawInputLine = [] { Fade().events.push_back("input line"); };
        SetFrameServices(services);
        // A back buffer larger than the screen, the ring turned so that rows wrap.
        BackBuffer::SetSize(700, 500);
        BackBuffer::Create();
        std::fill(BackBuffer::Pixels(), BackBuffer::Pixels() + BackBuffer::PixelCount(), 0x7FFF);
        BackBuffer::SetRingOffset(700 * 499 + 600);
    }
    static uint16_t ScreenPixel(int x, int y) { return BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)]; }
};

TEST_F(DeathFade, ThirtyOneFramesDarkenTheScreenShowTheBarkAndAnswerTheServer) {
    GraphicManager::SetDeathFadeCounter(1);
    for (int frame = 1; frame <= 15; ++frame)
        GraphicManager::DrawFrame();
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 16);
    EXPECT_EQ(ScreenPixel(0, 0), 0x4210); // 31 - 15 in every channel
    EXPECT_EQ(ScreenPixel(639, 479), 0x4210);
    EXPECT_EQ(ScreenPixel(640, 0), 0x7FFF); // outside the screen, inside the back buffer
    EXPECT_EQ(ScreenPixel(0, 480), 0x7FFF);
    Rect r{0, 0, 10, 10};
    DirtyRect(&r);
    EXPECT_EQ(GetDirtyRectCount(), 0); // the world is not redrawn while the fade runs
    std::vector<std::string> firstHalf(15, "input line");
    firstHalf.insert(firstHalf.begin() + 14, "You are dead. 640x480");
    EXPECT_EQ(Fade().events, firstHalf);

    for (int frame = 16; frame <= 31; ++frame)
        GraphicManager::DrawFrame();
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 0);
    EXPECT_EQ(std::count(Fade().events.begin(), Fade().events.end(), "status 2"), 1);
    EXPECT_EQ(Fade().events.end()[-2], "status 2");
    EXPECT_TRUE(IsAllDirty());
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 31);
}

TEST_F(DeathFade, WithoutAConnectionNothingIsDrawnAndTheFadeWaits) {
    GraphicManager::SetDeathFadeCounter(5);
    Fade().connected = false;
    GraphicManager::DrawFrame();
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 5);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 0);
    EXPECT_EQ(ScreenPixel(0, 0), 0x7FFF);
    Fade().connected = true;
    GraphicManager::DrawFrame();
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 6);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 1);
}

TEST_F(GraphicManagerTest, AFrameRendersTheDirtyWorldThenPresents) {
    FrameServices services;
    services.hasGameConnection = [] { return true; };
    SetFrameServices(services);
    CreateBackBuffer();
    ASSERT_TRUE(IsAllDirty());
    GraphicManager::DrawFrame();
    EXPECT_FALSE(IsAllDirty());
    EXPECT_EQ(GetDirtyRectCount(), 0);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 1);
}

TEST_F(GraphicManagerTest, InitialGumpsMakeTheGameViewTheBackBufferAndTheMainMenu) {
    static int menus = 0;
    menus = 0;
    FrameServices services;
    services.createMapGump = [] { return reinterpret_cast<CMapGump*>(0x1000); };
    services.createMainMenu = [] { ++menus; };
    SetFrameServices(services);
    GraphicManager::CreateInitialGumps();
    EXPECT_EQ(GraphicManager::pMapGump, reinterpret_cast<CMapGump*>(0x1000));
    EXPECT_TRUE(BackBuffer::Exists());
    EXPECT_EQ(menus, 1);
}

} // namespace
