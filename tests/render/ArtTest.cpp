#include "RenderFixture.h"

#include <gtest/gtest.h>

namespace {

using rendertest::CanaryCanvas;
using rendertest::RenderTest;

class ArtTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        UseSampleFiles();
    }
};

// The sample picture as the art blits must show it: runs copied, transparent pixels untouched.
uint16_t Expected(const mkinstall::Picture& p, int x, int y) {
    if (x < 0 || y < 0 || x >= p.width || y >= p.height) return 0;
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}

TEST_F(ArtTest, SampleLandAndItemsDecodeToTheirPictures) {
    for (int id = 0; id < mkinstall::kSampleLandCount + mkinstall::kSampleItemCount; ++id) {
        bool land = id < mkinstall::kSampleLandCount;
        int artId = land ? id : 0x4000 + id - mkinstall::kSampleLandCount;
        mkinstall::Picture picture =
            land ? mkinstall::SampleLand(id) : mkinstall::SampleItem(id - mkinstall::kSampleLandCount);
        const ArtItem* art = GetArt(artId);
        ASSERT_NE(art, nullptr) << artId;
        EXPECT_FALSE(art->damaged);
        ASSERT_EQ(art->width, picture.width);
        ASSERT_EQ(art->height, picture.height);
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x)
                ASSERT_EQ(GetArtPixel(art, x, y), Expected(picture, x, y))
                    << artId << " at " << x << "," << y;
    }
}

TEST_F(ArtTest, GetArtPixelIsZeroOutsideTheArtAndInSkips) {
    const ArtItem* art = GetArt(0x4000); // rows: columns 2..7 and 11.. are drawn
    ASSERT_NE(art, nullptr);
    EXPECT_EQ(GetArtPixel(art, 0, 0), 0);  // before the first run
    EXPECT_EQ(GetArtPixel(art, 9, 3), 0);  // in the skip between the runs
    EXPECT_EQ(GetArtPixel(art, 19, 3), 0); // past the last run
    const int outside[][2] = {{3, -5}, {3, -1}, {-1, 3}, {20, 3}, {3, 30}, {3, 100000}};
    for (auto& p : outside)
        EXPECT_EQ(GetArtPixel(art, p[0], p[1]), 0) << p[0] << "," << p[1];
    EXPECT_EQ(GetArtPixel(nullptr, 3, 3), 0);
    EXPECT_NE(GetArtPixel(art, 2, 0), 0);
}

TEST_F(ArtTest, ClippedDrawEqualsTheWholePictureCroppedToClipAndTarget) {
    struct Case {
        const char* what;
        int artId;
        int x, y;
        Rect clip;
    };
    const Case cases[] = {
        {"clip holds the art", 0x4000, 5, 6, Rect{0, 0, 64, 48}},
        {"clip inside the art", 0x4000, 5, 6, Rect{9, 10, 20, 30}},
        {"clip equal to the art", 0x4002, 10, 10, Rect{10, 10, 34, 34}},
        {"clip ends where the art starts", 0x4002, 10, 10, Rect{0, 0, 10, 10}},
        {"clip starts where the art ends", 0x4002, 10, 10, Rect{34, 34, 60, 48}},
        {"negative clip, art off the top left", 0x4000, -7, -3, Rect{-20, -20, 10, 10}},
        {"art off the bottom right", 0x4001, 55, 40, Rect{0, 0, 64, 48}},
        {"partial clip over a land tile", 1, 3, 2, Rect{15, -4, 31, 25}},
        {"clip of one pixel", 0x4002, 10, 10, Rect{21, 21, 22, 22}},
        {"empty clip", 0x4000, 5, 6, Rect{20, 20, 20, 30}},
        {"art wholly off the target", 0x4000, 70, 0, Rect{0, 0, 200, 200}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool land = c.artId < 0x4000;
        mkinstall::Picture picture =
            land ? mkinstall::SampleLand(c.artId) : mkinstall::SampleItem(c.artId - 0x4000);
        CanaryCanvas canvas(64, 48, 0x1111);
        SetBlitTarget(canvas.Target());
        DrawArtClipped(CopySpan, GetArt(c.artId), c.clip, c.x, c.y);
        EXPECT_TRUE(canvas.CanariesIntact());
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                bool inClip = x >= c.clip.left && x < c.clip.right && y >= c.clip.top && y < c.clip.bottom;
                uint16_t art = inClip ? Expected(picture, x - c.x, y - c.y) : 0;
                ASSERT_EQ(canvas.at(x, y), art ? art : 0x1111) << x << "," << y;
            }
    }
}

TEST_F(ArtTest, UnclippedDrawStillStaysInsideItsTarget) {
    const int positions[][2] = {{-10, -10}, {50, 40}, {-30, 20}, {0, -29}, {63, 47}};
    for (auto& pos : positions) {
        CanaryCanvas canvas(64, 48);
        SetBlitTarget(canvas.Target());
        DrawArt(CopySpan, GetArt(0x4000), pos[0], pos[1]);
        DrawArt(TranslucentSpan, GetArt(1), pos[0], pos[1]);
        EXPECT_TRUE(canvas.CanariesIntact()) << pos[0] << "," << pos[1];
    }
    SetBlitTarget(BlitTarget{});
    DrawArt(CopySpan, GetArt(0x4000), 0, 0); // no target: nothing to write to
}

TEST_F(ArtTest, LandArtIsMaskedToLandIdsAndMustBeWhole) {
    // 0x4001 & 0x7FFF would be item art 0x4001; land ids are 14 bits.
    EXPECT_EQ(GraphicManager::GetLandArtOrDefault(0x4001), GetArt(1));
    EXPECT_EQ(GraphicManager::GetLandArtOrDefault(0x8002), GetArt(2));
    EXPECT_EQ(GraphicManager::GetLandArtOrDefault(0x0100), GetArt(0)); // missing: land 0
    std::vector<uint8_t> shortTile(kLandTileBytes - 2, 0x11);
    mkinstall::AddItem(rendertest::Served().art, 0x200, shortTile, 0);
    qvtest::ReportRecorder log;
    EXPECT_EQ(GetArt(0x200), nullptr);
    EXPECT_TRUE(log.contains(QVReport::Level::Warning, "GetArt: art 0x0200"));
    EXPECT_EQ(GraphicManager::GetLandArtOrDefault(0x200), GetArt(0));
    EXPECT_EQ(GetArt(-1), nullptr);
    EXPECT_EQ(GetArt(0x10000), nullptr);
}

TEST_F(ArtTest, AnArtItemIsCheckedOnceAndKeptUntilForgotten) {
    const ArtItem* first = GetArt(0x4001);
    EXPECT_EQ(GetArt(0x4001), first);
    rendertest::Served().art = mkinstall::IndexedFile{}; // the data file no longer has it
    EXPECT_EQ(GetArt(0x4001), first);
    ForgetArt(0x4001);
    EXPECT_EQ(GetArt(0x4001), nullptr);
}

// An item of 4 x 3 whose rows are {skip 1, 2 pixels}, {2 pixels, skip 1, 1 pixel}, {4 pixels}.
std::vector<uint8_t> SmallItem() {
    std::vector<uint16_t> p = {0,      0x0101, 0x0102, 0,      //
                               0x0201, 0x0202, 0,      0x0204, //
                               0x0301, 0x0302, 0x0303, 0x0304};
    return mkinstall::EncodeItemArt(4, 3, p);
}

void SetU16(std::vector<uint8_t>& bytes, size_t at, uint16_t v) {
    bytes[at] = static_cast<uint8_t>(v);
    bytes[at + 1] = static_cast<uint8_t>(v >> 8);
}

int RowRuns(const ArtItem& art, int row) {
    return static_cast<int>(art.RowEnd(row) - art.RowBegin(row));
}

TEST_F(ArtTest, ItemDecoderRefusesWhatCannotBeArt) {
    std::vector<uint8_t> good = SmallItem();
    auto art = DecodeItemArt(good.data(), good.size());
    ASSERT_NE(art, nullptr);
    EXPECT_FALSE(art->damaged);
    EXPECT_EQ(RowRuns(*art, 0), 1);
    EXPECT_EQ(RowRuns(*art, 1), 2);
    EXPECT_EQ(RowRuns(*art, 2), 1);

    EXPECT_EQ(DecodeItemArt(good.data(), 7), nullptr);     // no header
    EXPECT_EQ(DecodeItemArt(good.data(), 8 + 4), nullptr); // line table cut
    EXPECT_EQ(DecodeItemArt(nullptr, 100), nullptr);
    std::vector<uint8_t> noWidth = good;
    SetU16(noWidth, 4, 0);
    EXPECT_EQ(DecodeItemArt(noWidth.data(), noWidth.size()), nullptr);
}

TEST_F(ArtTest, ABadRowEndsAtItsLastGoodRunAndLeavesTheOthers) {
    const std::vector<uint8_t> good = SmallItem();
    const size_t lineTable = 8, runs = 8 + 2 * 3;
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int row;
        int runsLeft;
    };
    const Case cases[] = {
        {"line start past the item", [&](std::vector<uint8_t>& b) { SetU16(b, lineTable + 2, 0x7FFF); }, 1,
         0},
        {"run wider than the art", [&](std::vector<uint8_t>& b) { SetU16(b, runs + 2, 9); }, 0, 0},
        {"second run of a row wider than the art",
         [&](std::vector<uint8_t>& b) { SetU16(b, runs + 2 * 11, 9); }, 1, 1},
        {"skip past the width", [&](std::vector<uint8_t>& b) { SetU16(b, runs, 200); }, 0, 0},
        {"data cut inside the last row", [&](std::vector<uint8_t>& b) { b.resize(b.size() - 6); }, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        auto art = DecodeItemArt(bytes.data(), bytes.size());
        ASSERT_NE(art, nullptr);
        EXPECT_TRUE(art->damaged);
        EXPECT_EQ(RowRuns(*art, c.row), c.runsLeft);
        for (int row = 0; row < 3; ++row)
            for (const ArtRun* r = art->RowBegin(row); r != art->RowEnd(row); ++r) {
                EXPECT_LE(r->column + r->count, art->width);
                EXPECT_LE(r->pixel + r->count, art->pixels.size());
            }
        CanaryCanvas canvas(4, 3);
        DrawArtTo(canvas.Target(), CopySpan, art.get(), kNoClip, 0, 0);
        EXPECT_TRUE(canvas.CanariesIntact());
    }
}

TEST_F(ArtTest, RowsSharingOneLongRowCannotMultiplyTheItem) {
    // 2,000 rows all pointing at one row of 100 runs: far more runs than the item's bytes.
    const int height = 2000, runsPerRow = 100;
    std::vector<uint8_t> bytes(8 + 2 * height, 0);
    SetU16(bytes, 4, 300);
    SetU16(bytes, 6, height);
    for (int r = 0; r < runsPerRow; ++r)
        for (uint16_t w : {uint16_t{1}, uint16_t{1}, uint16_t{0x1234}}) {
            bytes.push_back(static_cast<uint8_t>(w));
            bytes.push_back(static_cast<uint8_t>(w >> 8));
        }
    bytes.insert(bytes.end(), 4, 0);
    auto art = DecodeItemArt(bytes.data(), bytes.size());
    ASSERT_NE(art, nullptr);
    EXPECT_TRUE(art->damaged);
    EXPECT_LE(art->runs.size(), bytes.size());
}

TEST_F(ArtTest, LandTilesAreDiamondsOfRowsCentredOnTheAxis) {
    std::vector<uint8_t> bytes(kLandTileBytes, 0);
    for (size_t i = 0; i < bytes.size(); i += 2)
        bytes[i] = 0x55;
    auto land = DecodeLandArt(bytes.data(), bytes.size());
    ASSERT_NE(land, nullptr);
    EXPECT_EQ(land->RowBegin(0)->column, 21);
    EXPECT_EQ(land->RowBegin(0)->count, 2);
    EXPECT_EQ(land->RowBegin(21)->column, 0);
    EXPECT_EQ(land->RowBegin(22)->count, 44);
    EXPECT_EQ(land->RowBegin(43)->column, 21);
    EXPECT_EQ(GetArtPixel(land.get(), 20, 0), 0);
    EXPECT_EQ(GetArtPixel(land.get(), 21, 0), 0x55);
    EXPECT_EQ(DecodeLandArt(bytes.data(), bytes.size() - 1), nullptr);
}

// The filled rect lies wholly in runs (blits that cover it are trusted to hide what lies below):
// a whole box is its own, a hole or a gap trims it.
TEST_F(ArtTest, TheFilledRectLiesWhollyInRuns) {
    const struct {
        const char* name;
        int width, height;
        bool (*opaque)(int x, int y);
        Rect filled;
    } cases[] = {
        {"box", 6, 5, [](int, int) { return true; }, Rect{0, 0, 6, 5}},
        {"frame", 8, 8, [](int x, int y) { return x < 2 || y < 2 || x >= 6 || y >= 6; }, Rect{0, 0, 8, 2}},
        {"column with a hole", 5, 9, [](int x, int y) { return !(x == 0 && y == 4); }, Rect{1, 0, 5, 9}},
        {"empty", 3, 3, [](int, int) { return false; }, Rect{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint16_t> pixels(static_cast<size_t>(c.width) * c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                pixels[static_cast<size_t>(y) * c.width + x] = c.opaque(x, y) ? 0x1234 : 0;
        const std::vector<uint8_t> bytes = mkinstall::EncodeItemArt(c.width, c.height, pixels);
        auto art = DecodeItemArt(bytes.data(), bytes.size());
        ASSERT_NE(art, nullptr);
        EXPECT_EQ(art->filled, c.filled);
        for (int y = art->filled.top; y < art->filled.bottom; ++y)
            for (int x = art->filled.left; x < art->filled.right; ++x)
                EXPECT_NE(GetArtPixel(art.get(), x, y), 0) << x << "," << y;
    }
    // Inside the land diamond, near the largest rect it holds (22 x 22).
    std::vector<uint8_t> bytes(kLandTileBytes, 0x55);
    auto land = DecodeLandArt(bytes.data(), bytes.size());
    ASSERT_NE(land, nullptr);
    EXPECT_GE(land->filled.Width() * land->filled.Height(), 400);
    for (int y = land->filled.top; y < land->filled.bottom; ++y)
        for (int x = land->filled.left; x < land->filled.right; ++x)
            EXPECT_NE(GetArtPixel(land.get(), x, y), 0) << x << "," << y;
}

} // namespace
