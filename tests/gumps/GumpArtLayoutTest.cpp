// The layout functions: tiling with cut copies, the bar, frames whole and in a rectangle, ornament
// places that always end and keep their distance, and the highlight bar kept inside the bitmap.
#include "gumps/GumpArtLayout.h"
#include "core/SharedServices.h"
#include "gumps/ControlFixture.h"

#include <gtest/gtest.h>

using namespace gumptest;
using mkinstall::kControlBarArt;
using mkinstall::kControlFrameArt;
using mkinstall::kControlTileArt;

namespace {
uint16_t ArtPixel(int id, int x, int y) {
    const mkinstall::Picture p = mkinstall::SampleControlArt(id);
    return p.pixels[static_cast<size_t>(y) * p.width + x];
}
} // namespace

TEST_F(ControlTest, TilingCutsTheLastCopiesAndStaysInsideTheBitmap) {
    PixelBlock block(25, 25);
    TileGumpArt(kControlTileArt, block); // 10 x 10
    for (int y : {0, 10, 20})
        for (int x : {0, 10, 20})
            EXPECT_EQ(block.At(x, y), mkinstall::kControlMark) << x << "," << y;
    EXPECT_EQ(block.At(24, 24), ArtPixel(kControlTileArt, 4, 4));

    // A rectangle reaching past the right and bottom edges, and one from negative coordinates.
    PixelBlock small(12, 12);
    TileGumpArtRect(5, 5, 40, 40, kControlTileArt, small);
    TileGumpArtRect(-7, -7, 10, 10, kControlTileArt, small);
    EXPECT_EQ(small.At(5, 5), mkinstall::kControlMark);
    EXPECT_EQ(small.At(0, 0), ArtPixel(kControlTileArt, 7, 7));
    EXPECT_EQ(small.At(4, 4), 0); // between the two rectangles

    PixelBlock column(20, 30);
    TileGumpArtDown(column, kControlTileArt, 5, 3, 25);
    EXPECT_EQ(column.At(5, 3), mkinstall::kControlMark);
    EXPECT_EQ(column.At(5, 13), mkinstall::kControlMark);
    EXPECT_NE(column.At(14, 27), 0);
    EXPECT_EQ(column.At(14, 28), 0); // the length ends here
    TileGumpArtAcross(column, kControlTileArt, 0, 0, 15);
    EXPECT_NE(column.At(14, 0), 0);
    EXPECT_EQ(column.At(15, 0), 0);
}

TEST_F(ControlTest, AFrameAsWideAsItsTopCornersHasNoTopEdgeCopy) {
    PixelBlock block(24, 40); // corners 12 + 12
    DrawGumpFrame(kControlFrameArt, block, true);
    const uint16_t edge = ArtPixel(kControlFrameArt + 1, 5, 5);
    for (int x = 0; x < 24; ++x)
        EXPECT_NE(block.At(x, 5), edge) << x;
    EXPECT_EQ(block.At(12, 0), mkinstall::kControlMark); // the top-right corner
    EXPECT_EQ(block.At(5, 5), ArtPixel(kControlFrameArt, 5, 5));
    EXPECT_EQ(block.At(17, 5), ArtPixel(kControlFrameArt + 2, 5, 5));
}

TEST_F(ControlTest, OrnamentPairsAlwaysEndAndKeepTheirDistance) {
    SeedRandom(12345);
    // Two 100-pixel ornaments on a 281-pixel edge pass the length test but may have no place.
    int a = -1, b = -1;
    for (int i = 0; i < 200; ++i)
        if (PlaceOrnamentPair(281, 100, 100, &a, &b)) {
            EXPECT_GE(std::abs(a - b), 110);
        }
    for (int i = 0; i < 5000; ++i) {
        const int sa = 1 + RandomBelow(150), sb = 1 + RandomBelow(150);
        const int length = sa + sb + 81 + RandomBelow(300);
        if (!PlaceOrnamentPair(length, sa, sb, &a, &b)) continue;
        EXPECT_GE(std::abs(a - b), sa + 10) << length << " " << sa << " " << sb;
        EXPECT_GE(a, 10);
        EXPECT_GE(b, 10);
        EXPECT_LE(a + sa, length - 10);
        EXPECT_LE(b + sb, length - 10);
    }
    EXPECT_FALSE(PlaceOrnamentPair(130, 100, 100, &a, &b)); // no room at all
}

TEST_F(ControlTest, TheHighlightBarGreysTowardsMidGreyAndWritesOnlyInsideTheBitmap) {
    PixelBlock block(40, 20);
    std::fill(block.pixels.begin(), block.pixels.end(), 0x7FFF);
    block.At(20, 2) = 0;
    BlendHighlightBar(0, 0, 40, kControlBarArt, block);
    EXPECT_EQ(block.At(20, 2), 0x3DEF);  // black becomes mid grey
    EXPECT_EQ(block.At(10, 2), 0x7BDE);  // white: half of it plus mid grey
    EXPECT_EQ(block.At(0, 0), 0x7FFF);   // the left end's transparent corner
    EXPECT_EQ(block.At(10, 12), 0x7FFF); // below the bar
    BlendHighlightBar(0, 0, 40, kControlBarArt, block);
    EXPECT_EQ(block.At(20, 2), ((0x3DEF & 0x7BDE) >> 1) + 0x3DEF);
    // Rows and columns from list positions: any place, any width, nothing written outside.
    for (auto [x, y, w] :
         {std::tuple{-30, -5, 100}, {35, 15, 400}, {-1000000, 10, 2000000}, {0, 19, 1 << 30}})
        BlendHighlightBar(x, y, w, kControlBarArt, block);
}

TEST_F(ControlTest, LayoutPicturesMatchTheGoldenPicture) {
    // Top row: a 10 x 10 art tiled over 25 x 25, the bar, a plain frame. Bottom row: a frame with
    // ornaments, a frame in a rectangle, the highlight bar applied twice.
    Sheet sheet(330, 230);
    PixelBlock tiled(25, 25);
    TileGumpArt(kControlTileArt, tiled);
    sheet.Put(tiled, 4, 4);
    PixelBlock bar(70, 12);
    DrawGumpArtHBar(kControlBarArt, bar);
    sheet.Put(bar, 40, 4);
    PixelBlock plain(90, 60);
    DrawGumpFrame(kControlFrameArt, plain, true);
    sheet.Put(plain, 120, 4);
    SeedRandom(7);
    PixelBlock ornate(150, 140);
    DrawGumpFrame(kControlFrameArt, ornate, false);
    sheet.Put(ornate, 4, 80);
    PixelBlock inRect(100, 80);
    std::fill(inRect.pixels.begin(), inRect.pixels.end(), 0x0010);
    DrawGumpFrameRect(10, 15, 70, 50, kControlFrameArt, inRect, true);
    sheet.Put(inRect, 160, 80);
    PixelBlock lit(60, 24);
    std::fill(lit.pixels.begin(), lit.pixels.end(), 0x001F);
    BlendHighlightBar(2, 2, 56, kControlBarArt, lit);
    BlendHighlightBar(2, 2, 56, kControlBarArt, lit);
    sheet.Put(lit, 220, 20);
    sheet.ExpectGolden("layout.ppm");
}
