// Rotated art: the tables, the turned bounds, the four members against the plain blit and each
// other, and a golden picture of eight angles in every member.
#include "RenderFixture.h"

#include "render/ArtRotated.h"
#include "render/Ppm.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;
using RotatedDraw = void (*)(const ArtItem*, const Rect&, int, int, uint8_t, const Rect&);

class ArtRotatedTest : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        UseSampleFiles();
    }
    static std::vector<uint16_t> Background(int w, int h) {
        std::vector<uint16_t> pixels(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                pixels[static_cast<size_t>(y) * w + x] =
                    static_cast<uint16_t>(((x / 4 + y / 4) % 2 ? 6 : 12) << 10 | (y % 32) << 5 | (x % 32));
        return pixels;
    }
};

TEST_F(ArtRotatedTest, TablesHoldQuarterTurnsAndGreyLevels) {
    EXPECT_EQ(RotationCos(0), 65536);
    EXPECT_EQ(RotationSin(0), 0);
    EXPECT_EQ(RotationSin(64), 65536);
    EXPECT_EQ(RotationCos(128), -65536);
    EXPECT_EQ(RotationSin(192), -65536);
    EXPECT_EQ(RotationCos(32), 46341);
    struct Case {
        uint16_t pixel;
        int grey;
    } cases[] = {{0x7FFF, 25}, {0x7C00, 5}, {0x03E0, 10}, {0x001F, 10}, {0x0800, 0}, {0x8000 | 0x7FFF, 25}};
    for (const Case& c : cases)
        EXPECT_EQ(GreyLevel(c.pixel), c.grey) << std::hex << c.pixel;
}

TEST_F(ArtRotatedTest, BoundsOfATurnedRect) {
    struct Case {
        uint8_t angle;
        Rect in, out;
    } cases[] = {
        {0, {10, 20, 50, 40}, {10, 20, 50, 40}},
        {64, {10, 20, 50, 40}, {20, 10, 40, 50}},
        {128, {10, 20, 50, 40}, {10, 20, 50, 40}},
        {32, {0, 0, 20, 20}, {-5, -4, 24, 25}}, // the screen y axis points down: rounding shifts a row
    };
    for (const Case& c : cases) {
        Rect r = c.in;
        RotateRectBounds(c.angle, r);
        EXPECT_EQ(r, c.out) << int{c.angle} << ": " << r.left << "," << r.top << "," << r.right << ","
                            << r.bottom;
    }
}

TEST_F(ArtRotatedTest, UnturnedDrawIsThePlainKeyedBlit) {
    for (int id : {0, 1, 2, 3}) {
        const ArtItem* art = GetArt(kFirstItemArtId + id);
        ASSERT_NE(art, nullptr) << id;
        std::vector<uint16_t> turned = Background(80, 80), plain = turned;
        SetBlitTarget(MakeBlitTarget(turned.data(), 80, 80));
        DrawArtRotated(art, kNoClip, 9, 7, 0, kNoClip);
        SetBlitTarget(MakeBlitTarget(plain.data(), 80, 80));
        DrawArtClipped(CopySpanKeyed, art, kNoClip, 9, 7);
        EXPECT_EQ(turned, plain) << id;
    }
}

TEST_F(ArtRotatedTest, HalfTurnMirrorsBothAxesAndClipsAreKept) {
    const ArtItem* art = GetArt(kFirstItemArtId + 0);
    ASSERT_NE(art, nullptr);
    const int w = art->width, h = art->height;
    std::vector<uint16_t> pixels(100 * 100, 0);
    SetBlitTarget(MakeBlitTarget(pixels.data(), 100, 100));
    DrawArtRotated(art, kNoClip, 20, 20, 128, kNoClip);
    const int cx = 20 + w / 2, cy = 20 + h / 2;
    for (int sy = 0; sy < h; ++sy)
        for (int sx = 0; sx < w; ++sx) {
            const uint16_t p = GetArtPixel(art, sx, sy);
            // cos = -1: the source of (X, Y) is (w/2 - X, h/2 - Y).
            const int px = cx + (w / 2 - sx), py = cy + (h / 2 - sy);
            if (p) {
                EXPECT_EQ(pixels[py * 100 + px], p) << sx << "," << sy;
            }
        }
    // The clip and the extra clip both cut.
    std::vector<uint16_t> cut(100 * 100, 0);
    SetBlitTarget(MakeBlitTarget(cut.data(), 100, 100));
    const Rect clip{0, 0, cx, 100}, extra{0, cy, 100, 100};
    SetCurrentHueIndex(37);
    SelectBlendTable(2);
    for (RotatedDraw draw : {DrawArtRotated, DrawArtRotatedBlend, DrawArtRotatedHue, DrawArtRotatedHueBlend})
        draw(art, clip, 20, 20, 77, extra);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (x >= cx || y < cy) {
                EXPECT_EQ(cut[y * 100 + x], 0) << x << "," << y;
            }
}

TEST_F(ArtRotatedTest, MembersWriteHueBlendAndBoth) {
    const ArtItem* art = GetArt(kFirstItemArtId + 2);
    ASSERT_NE(art, nullptr);
    const uint16_t under = 10 << 10 | 10 << 5 | 10;
    SetCurrentHueIndex(37);
    SelectBlendTable(2); // min(d + s, 31)
    const uint16_t* hue = HueManager::ResolveHueColours(37);
    std::vector<uint16_t> plain(64 * 64, under), hued = plain, blended = plain, both = plain;
    for (auto [target, draw] :
         {std::pair<std::vector<uint16_t>*, RotatedDraw>{&plain, DrawArtRotated},
          std::pair<std::vector<uint16_t>*, RotatedDraw>{&hued, DrawArtRotatedHue},
          std::pair<std::vector<uint16_t>*, RotatedDraw>{&blended, DrawArtRotatedBlend},
          std::pair<std::vector<uint16_t>*, RotatedDraw>{&both, DrawArtRotatedHueBlend}}) {
        SetBlitTarget(MakeBlitTarget(target->data(), 64, 64));
        draw(art, kNoClip, 10, 10, 200, kNoClip);
    }
    int written = 0;
    for (size_t i = 0; i < plain.size(); ++i) {
        const uint16_t p = plain[i];
        if (p == under) {
            EXPECT_EQ(hued[i], under);
            continue;
        }
        ++written;
        EXPECT_EQ(hued[i], hue[GreyLevel(p)]);
        uint16_t expectBlend = under;
        BlendTableSpan(&expectBlend, &p, 1);
        EXPECT_EQ(blended[i], expectBlend);
        uint16_t expectBoth = under;
        HueBlendSpan(&expectBoth, &p, 1);
        EXPECT_EQ(both[i], expectBoth);
    }
    EXPECT_GT(written, 20);
}

TEST_F(ArtRotatedTest, EightAnglesInEveryMember) {
    const ArtItem* art = GetArt(kFirstItemArtId + 0);
    ASSERT_NE(art, nullptr);
    const int cell = std::max(art->width, art->height) * 3 / 2 + 4;
    const int w = cell * 8, h = cell * 4;
    std::vector<uint16_t> pixels = Background(w, h);
    SetBlitTarget(MakeBlitTarget(pixels.data(), w, h));
    SetCurrentHueIndex(37);
    SelectBlendTable(3);
    int row = 0;
    for (RotatedDraw draw :
         {DrawArtRotated, DrawArtRotatedBlend, DrawArtRotatedHue, DrawArtRotatedHueBlend}) {
        for (int i = 0; i < 8; ++i) {
            const Rect clip{i * cell, row * cell, (i + 1) * cell, (row + 1) * cell};
            draw(art, clip, i * cell + (cell - art->width) / 2, row * cell + (cell - art->height) / 2,
                 static_cast<uint8_t>(i * 32 + 5), kNoClip);
        }
        ++row;
    }
    qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/render") / "golden" / "rotated_art.ppm",
                            EncodePpm(pixels.data(), w, h));
}

} // namespace
