// The light: the checked light files, the ambient level, the tint variants and both renderers
// against a per-pixel model of the same rules, and golden pictures of a yard at night.
#include "RenderFixture.h"

#include "core/FileManager.h"
#include "mkinstall/LightFiles.h"
#include "render/Light.h"
#include "render/Ppm.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using rendertest::RenderTest;

std::string Le32(uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
}
std::string Entry(uint32_t offset, uint32_t length, int width, int height) {
    return Le32(offset) + Le32(length) + static_cast<char>(width & 0xFF) + static_cast<char>(width >> 8) +
           static_cast<char>(height & 0xFF) + static_cast<char>(height >> 8);
}

// Light files built in the test: each bitmap is given by a function of its column and row.
struct LightBytes {
    std::string index;
    std::string data;
    void Add(int width, int height, const std::function<int(int, int)>& value) {
        index +=
            Entry(static_cast<uint32_t>(data.size()), static_cast<uint32_t>(width * height), width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                data += static_cast<char>(static_cast<int8_t>(value(x, y)));
    }
    void Use() const {
        thelightthingie::UseBytes(reinterpret_cast<const uint8_t*>(index.data()), index.size(),
                                  reinterpret_cast<const uint8_t*>(data.data()), data.size());
    }
};

class LightTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        ResetLightsForTests();
    }
    void TearDown() override {
        ResetLightsForTests();
        RenderTest::TearDown();
    }
    LightBytes bytes; // must outlive the files' use
};

// ---------------------------------------------------------------- the per-pixel model
int ModelDelta(LightVariant variant, int channel, int v) {
    using LightTables::Curve;
    switch (variant) {
    case LightVariant::White:
        return v;
    case LightVariant::Soft:
        return Curve(2, v);
    case LightVariant::Blue:
        return channel == 2 ? v : v / 2;
    case LightVariant::Green:
        return channel == 1 ? Curve(3, v) : 0;
    case LightVariant::Yellow:
        return channel == 2 ? 0 : v;
    case LightVariant::Purple:
        return channel == 0 ? Curve(4, v) : channel == 2 ? Curve(3, v) : 0;
    case LightVariant::Orange:
        return channel == 0 ? Curve(1, v) : channel == 1 ? Curve(1, v) / 2 : 0;
    case LightVariant::DimOrange:
        return channel == 0 ? Curve(3, v) : channel == 1 ? Curve(3, v) / 2 : 0;
    case LightVariant::Red:
        return channel == 0 ? v : 0;
    case LightVariant::DimYellow:
        return channel == 2 ? 0 : Curve(3, v);
    case LightVariant::SoftYellow:
        return channel == 2 ? 0 : Curve(2, v);
    }
    return 0;
}

// Every pixel of the canvas lit by the frame's lights, one by one, in list order.
void ModelLights(std::vector<uint16_t>& pixels, int width, int height, const LightFrame& frame,
                 bool colored) {
    const int ambient = std::clamp(AmbientLightLevel(frame.levels), 0, 31);
    const uint8_t* dark = DarkeningTable();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int level[3] = {ambient, ambient, ambient}; // red, green, blue
            for (const PlacedLight& light : frame.lights) {
                const int id = colored ? ColoredLightId(light.graphic, light.lightId) : light.lightId;
                LightBitmap b;
                if (!thelightthingie::GetLight(id, b)) continue;
                const int left = light.x - b.width / 2, top = light.y - b.height / 2 - 22;
                if (x < left || y < top || x >= left + b.width || y >= top + b.height) continue;
                const int v = b.values[(y - top) * b.width + (x - left)];
                for (int c = 0; c < 3; ++c) {
                    const int delta = colored ? ModelDelta(LightVariantOfGraphic(light.graphic), c, v) : v;
                    level[c] = std::clamp(level[c] - delta, 0, 31);
                }
            }
            uint16_t& p = pixels[y * width + x];
            const int r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
            p = static_cast<uint16_t>(dark[level[0] * 32 + r] << 10 | dark[level[1] * 32 + g] << 5 |
                                      dark[level[2] * 32 + b]);
        }
}

std::vector<uint16_t> Yard(int width, int height) {
    std::vector<uint16_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // Grass with a diagonal path and a few stones: every channel value somewhere.
            const bool path = std::abs((x - y) % 40) < 8;
            const int r = path ? 24 + (x % 8) : 4 + (y % 6), g = path ? 20 : 18 + ((x * y) % 14),
                      b = path ? 12 : (x / 5) % 6;
            pixels[static_cast<size_t>(y) * width + x] = static_cast<uint16_t>(r << 10 | g << 5 | b);
        }
    return pixels;
}

// ---------------------------------------------------------------- the files
TEST_F(LightTest, EntriesThatDoNotFitTheirFilesGiveNoLightAndAreLoggedOnce) {
    qvtest::ReportRecorder log;
    bytes.Add(4, 3, [](int x, int y) { return x + 10 * y; }); // 0: good
    bytes.index += Entry(0, 12, 0, 0);                        // 1: empty, silent
    bytes.index += Entry(static_cast<uint32_t>(-1), 4, 2, 2); // 2: offset past the data
    bytes.index += Entry(4, 200, 4, 3);                       // 3: runs past the end
    bytes.index += Entry(0, 10, 65535, 65535);                // 4: a size beyond any file
    bytes.index += std::string(7, '\x01');                    // 5: a cut entry
    bytes.Use();
    LightBitmap b;
    ASSERT_TRUE(thelightthingie::GetLight(0, b));
    EXPECT_EQ(b.width, 4);
    EXPECT_EQ(b.height, 3);
    EXPECT_EQ(b.values[2 * 4 + 3], 23);
    for (int id : {1, 2, 3, 4, 5, 6, 99, 100, -1, 255})
        EXPECT_FALSE(thelightthingie::GetLight(id, b)) << id;
    int fitWarnings = 0;
    for (const auto& line : log.lines())
        if (line.text.find("does not fit") != std::string::npos) ++fitWarnings;
    EXPECT_EQ(fitWarnings, 3);
    EXPECT_TRUE(log.contains("lightidx.mul holds 5 of 100"));
    log.clear();
    for (int i = 0; i < 3; ++i) // asking again logs nothing more
        EXPECT_FALSE(thelightthingie::GetLight(3, b));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(LightTest, StartupMapsTheInstallationsFilesAndShutdownDropsThem) {
    qvtest::TempDir dir;
    const mkinstall::LightFilePair files = mkinstall::MakeLightFiles();
    std::string error;
    ASSERT_TRUE(mkinstall::WriteLightFiles(dir.path().string(), &error)) << error;
    FileManager::startupWithPaths(dir.path().string(), "");
    qvtest::ReportRecorder log;
    thelightthingie::startup();
    EXPECT_TRUE(log.contains("thelightthingie::startup:"));
    for (const mkinstall::SampleLight& light : mkinstall::SampleLights()) {
        LightBitmap b;
        ASSERT_TRUE(thelightthingie::GetLight(light.id, b)) << light.id;
        EXPECT_EQ(b.width, light.size);
        EXPECT_EQ(b.values[(light.size / 2) * light.size + light.size / 2],
                  mkinstall::SampleLightValue(light, light.size / 2, light.size / 2));
    }
    LightBitmap b;
    EXPECT_FALSE(thelightthingie::GetLight(5, b)); // an empty slot
    thelightthingie::shutdown();
    EXPECT_TRUE(log.contains("thelightthingie::shutdown:"));
    EXPECT_FALSE(thelightthingie::GetLight(0, b));
    FileManager::shutdown();
}

// ---------------------------------------------------------------- levels, curves, variants
TEST_F(LightTest, AmbientLevelFromGlobalPersonalDarkNightsAndGhost) {
    struct Case {
        int global, personal;
        bool darkNights, ghost;
        int expected;
    } cases[] = {
        {20, 0, true, false, 24},
        {20, 0, false, false, 20},
        {5, 10, false, false, 0},
        {20, 0, true, true, 0},
        {12, 0, true, false, 12},
        {13, 0, true, false, 24},
        {14, 10, true, false, 8},
        {40, 0, false, false, 31},
        {0, 0, true, false, 0},
        // A personal light above a dark night's level gives no darkness, not more.
        {20, 25, true, false, 0},
        {13, 30, true, false, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AmbientLightLevel(LightLevels{c.global, c.personal, c.darkNights, c.ghost}), c.expected)
            << c.global << " " << c.personal << " " << c.darkNights << " " << c.ghost;
}

TEST_F(LightTest, CurvesReadMirroredAndClampedOutsideTheirRange) {
    struct Case {
        int which, v, expected;
    } cases[] = {
        {1, 0, 0},    {1, 13, 30}, {1, 14, 31}, {1, 31, 31}, {1, 100, 31},   {1, -40, -31},
        {1, -6, -11}, {2, 7, 0},   {2, 8, 1},   {2, 31, 27}, {2, -127, -27}, {3, 15, 0},
        {3, 16, 1},   {3, 31, 28}, {4, 23, 0},  {4, 24, 1},  {4, 31, 8},     {4, -128, -8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LightTables::Curve(c.which, c.v), c.expected) << "c" << c.which << "[" << c.v << "]";
}

TEST_F(LightTest, GraphicRulesApplyInOrderWithExceptions) {
    struct Case {
        int graphic;
        LightVariant variant;
    } cases[] = {
        {2555, LightVariant::Orange},     {2580, LightVariant::Orange}, {2581, LightVariant::White},
        {3948, LightVariant::Blue},       {8148, LightVariant::Blue},   {6224, LightVariant::SoftYellow},
        {6225, LightVariant::White},      {6226, LightVariant::White},  {6227, LightVariant::SoftYellow},
        {6569, LightVariant::DimYellow},  {6570, LightVariant::White},  {6571, LightVariant::DimYellow},
        {14692, LightVariant::Purple},    {14693, LightVariant::White}, {14694, LightVariant::White},
        {14695, LightVariant::Purple},    {15874, LightVariant::Green}, {15883, LightVariant::Green},
        {15884, LightVariant::White},     {4012, LightVariant::Orange}, {4017, LightVariant::DimYellow},
        {5703, LightVariant::SoftYellow}, {6587, LightVariant::Red},    {3629, LightVariant::Soft},
        {3635, LightVariant::Red},        {3676, LightVariant::Purple}, {13644, LightVariant::DimOrange},
        {0, LightVariant::White},         {-5, LightVariant::White},    {70000, LightVariant::White},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LightVariantOfGraphic(c.graphic), c.variant) << c.graphic;
    EXPECT_EQ(ColoredLightId(15874, 9), 2);
    EXPECT_EQ(ColoredLightId(14633, 9), 2);
    EXPECT_EQ(ColoredLightId(14634, 9), 9);
}

TEST_F(LightTest, TablesHoldTheDarkeningInEveryLayout) {
    const uint8_t* dark = LightTables::Darkening();
    EXPECT_EQ(dark[0 * 32 + 31], 31);
    EXPECT_EQ(dark[31 * 32 + 31], 0);
    EXPECT_EQ(dark[16 * 32 + 31], 15);
    EXPECT_EQ(LightTables::RadarRed()[31 * 32 + 16], 15u << 10);
    EXPECT_EQ(LightTables::RadarGreen()[31 * 32 + 16], 15u << 5);
    EXPECT_EQ(LightTables::RadarBlue()[10 * 32 + 8], static_cast<uint32_t>(dark[8 * 32 + 10]));
    const uint16_t p = 31 << 10 | 20 << 5 | 7;
    EXPECT_EQ(LightTables::DarkenedAtFive()[p],
              dark[5 * 32 + 31] << 10 | dark[5 * 32 + 20] << 5 | dark[5 * 32 + 7]);
}

// ---------------------------------------------------------------- the renderers
TEST_F(LightTest, BothRenderersAgreeWithThePerPixelModel) {
    // Lights of every sign, overlapping, across block edges and the canvas's border.
    bytes.Add(40, 30, [](int x, int y) { return 31 - std::abs(x - 20) - std::abs(y - 15); });
    bytes.Add(70, 50, [](int x, int y) { return (x * 7 + y * 3) % 60 - 20; });
    bytes.Add(9, 97, [](int x, int y) { return x * y % 41 - 9; });
    bytes.Add(3, 3, [](int, int) { return 127; });
    bytes.Add(5, 5, [](int, int) { return -128; });
    bytes.Use();
    constexpr int kW = 203, kH = 131;
    struct Case {
        LightLevels levels;
        std::vector<PlacedLight> lights;
    } cases[] = {
        {{20, 0, false, false},
         {{60, 60, 0, 2560}, {64, 70, 1, 3948}, {150, 40, 2, 15874}, {127, 96, 3, 6570}}},
        {{20, 0, true, false},
         {{0, 0, 1, 3676}, {202, 130, 0, 14700}, {100, 90, 4, 4017}, {64, 70, 4, 3629}}},
        {{0, 0, false, false}, {{100, 100, 4, 8148}, {30, 120, 2, 5703}}},
        {{31, 0, false, false}, {{64, 48 + 22, 0, 6587}, {65, 49 + 22, 1, 4846}, {-30, 50, 1, 0}}},
        {{10, 3, false, false}, {}},
    };
    for (bool colored : {false, true})
        for (const Case& c : cases) {
            LightFrame frame{c.levels, c.lights};
            std::vector<uint16_t> pixels = Yard(kW, kH), expected = pixels;
            ModelLights(expected, kW, kH, frame, colored);
            const BlitTarget target = MakeBlitTarget(pixels.data(), kW, kH);
            if (colored)
                ApplyLightsColoredTo(target, Rect{0, 0, kW, kH}, frame);
            else
                ApplyLightsTo(target, Rect{0, 0, kW, kH}, frame);
            EXPECT_EQ(pixels, expected) << "colored " << colored << " lights " << c.lights.size();

            // The same rect in pieces that do not fall on block edges gives the same picture.
            std::vector<uint16_t> pieces = Yard(kW, kH);
            const BlitTarget pieceTarget = MakeBlitTarget(pieces.data(), kW, kH);
            for (const Rect& r : {Rect{0, 0, 77, 131}, Rect{77, 0, 203, 50}, Rect{77, 50, 203, 131}}) {
                if (colored)
                    ApplyLightsColoredTo(pieceTarget, r, frame);
                else
                    ApplyLightsTo(pieceTarget, r, frame);
            }
            EXPECT_EQ(pieces, expected) << "pieces, colored " << colored;
        }
}

TEST_F(LightTest, BitmapStartingAboveTheBlockIsReadFromTheBlocksFirstRow) {
    // Each bitmap row holds its row number; ambient 31 over white shows which row lit a pixel.
    bytes.Add(10, 60, [](int, int y) { return y; });
    bytes.Use();
    std::vector<uint16_t> pixels(64 * 96, 0x7FFF);
    const BlitTarget target = MakeBlitTarget(pixels.data(), 64, 96);
    // Centre (30, 82): the bitmap spans rows 82 - 30 - 22 = 30 .. 89; the second band starts at 48.
    const LightFrame frame{{31, 0, false, false}, {{30, 82, 0, 0}}};
    ApplyLightsTo(target, Rect{0, 48, 64, 96}, frame);
    const uint8_t* dark = DarkeningTable();
    for (int y : {48, 49, 60, 61, 89}) {
        const int level = std::max(0, 31 - (y - 30));
        EXPECT_EQ(pixels[y * 64 + 25] & 31, dark[level * 32 + 31]) << y;
    }
    EXPECT_EQ(pixels[90 * 64 + 25], 0);      // below the bitmap: ambient 31 takes everything
    EXPECT_EQ(pixels[47 * 64 + 25], 0x7FFF); // above the rect: untouched
}

TEST_F(LightTest, NothingOutsideTheTargetsValidRectOrTheRectIsWritten) {
    bytes.Add(200, 200, [](int, int) { return -3; });
    bytes.Use();
    std::vector<uint16_t> pixels(100 * 80, 0x7FFF);
    BlitTarget target = MakeBlitTarget(pixels.data(), 100, 80);
    target.valid = Rect{10, 10, 90, 70};
    for (bool colored : {false, true}) {
        const LightFrame frame{{8, 0, false, false}, {{50, 60, 0, 2560}}};
        if (colored)
            ApplyLightsColoredTo(target, Rect{-50, 20, 200, 300}, frame);
        else
            ApplyLightsTo(target, Rect{-50, 20, 200, 300}, frame);
    }
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 10 && x < 90 && y >= 20 && y < 70;
            EXPECT_EQ(pixels[y * 100 + x] != 0x7FFF, inside) << x << "," << y;
        }
}

TEST_F(LightTest, BlockAtLevelZeroWithoutLightStaysAsPainted) {
    std::vector<uint16_t> pixels = Yard(130, 100), before = pixels;
    const BlitTarget target = MakeBlitTarget(pixels.data(), 130, 100);
    ApplyLightsTo(target, Rect{0, 0, 130, 100}, LightFrame{{3, 5, false, false}, {}});
    ApplyLightsColoredTo(target, Rect{0, 0, 130, 100}, LightFrame{{0, 0, true, false}, {}});
    EXPECT_EQ(pixels, before);
}

TEST_F(LightTest, RenderFramePathReadsTheKeptLevelsWithoutAWorld) {
    std::vector<uint16_t> pixels(64 * 48, 0x7FFF);
    SetBlitTarget(MakeBlitTarget(pixels.data(), 64, 48));
    SetGlobalLightLevel(16);
    ApplyLights(Rect{0, 0, 64, 48});
    EXPECT_EQ(pixels[0], 15 << 10 | 15 << 5 | 15);
    SetDarkNights(true); // 16 * 8 > 16
    ApplyLightsColored(Rect{0, 0, 1, 1});
    EXPECT_EQ(pixels[0], 3 << 10 | 3 << 5 | 3); // 15 at level 24
}

// ---------------------------------------------------------------- pictures
class LightGolden : public LightTest {
  protected:
    void SetUp() override {
        LightTest::SetUp();
        files = mkinstall::MakeLightFiles();
        thelightthingie::UseBytes(reinterpret_cast<const uint8_t*>(files.index.data()), files.index.size(),
                                  reinterpret_cast<const uint8_t*>(files.data.data()), files.data.size());
    }
    static void Expect(const std::string& name, const std::vector<uint16_t>& pixels, int w, int h) {
        qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/render") / "golden" / name,
                                EncodePpm(pixels.data(), w, h));
    }
    mkinstall::LightFilePair files;
};

TEST_F(LightGolden, YardAtNightWithLampTorchAndShadow) {
    constexpr int kW = 192, kH = 128;
    // A street lamp (orange), a held torch (light 1), a blue lamp and a shadow.
    const std::vector<PlacedLight> lights = {{50, 80, 3, 2560},
                                             {120, 70, 1, 2578},
                                             {150, 110, 1, 3948},
                                             {95, 120, mkinstall::kDarkeningLightId, 0}};
    struct Picture {
        const char* name;
        bool colored;
        bool darkNights;
    } pictures[] = {
        {"light_yard_night.ppm", false, false},
        {"light_yard_night_colored.ppm", true, false},
        {"light_yard_dark_nights.ppm", false, true},
    };
    for (const Picture& p : pictures) {
        std::vector<uint16_t> pixels = Yard(kW, kH);
        const BlitTarget target = MakeBlitTarget(pixels.data(), kW, kH);
        const LightFrame frame{{20, 0, p.darkNights, false}, lights};
        if (p.colored)
            ApplyLightsColoredTo(target, Rect{0, 0, kW, kH}, frame);
        else
            ApplyLightsTo(target, Rect{0, 0, kW, kH}, frame);
        Expect(p.name, pixels, kW, kH);
    }
}

} // namespace
