#pragma once
// Window backgrounds painted from gump art into a gump's own bitmap: one art tiled over the whole
// bitmap, a rectangle, a column or a row; a three-piece bar; a nine-piece frame (optionally with
// ornaments placed at random along its edges); and the greyed highlight bar of a list's selected
// row. Everything writes through a blit target over the bitmap, so nothing lands outside it.
#include "gumps/CGump.h"

// Frame sets are runs of gump arts from a base id.
namespace FramePiece {
enum : int {
    TopLeft = 0,
    Top = 1,
    TopRight = 2,
    Left = 3,
    Centre = 4,
    Right = 5,
    BottomLeft = 6,
    Bottom = 7,
    BottomRight = 8,
    TopOrnament = 11, // and +12
    LeftOrnament = 13,
    RightOrnament = 15,
    BottomOrnament = 17,
};
}

void TileGumpArt(int art, PixelBlock& bitmap);
void TileGumpArtRect(int x, int y, int width, int height, int art, PixelBlock& bitmap);
// Down a column (across a row) from (x, y) over length pixels, the last copy cut.
void TileGumpArtDown(PixelBlock& bitmap, int art, int x, int y, int length);
void TileGumpArtAcross(PixelBlock& bitmap, int art, int x, int y, int length);
// art at the left, art + 1 tiled, art + 2 at the right, across the whole width at y = 0.
void DrawGumpArtHBar(int art, PixelBlock& bitmap);
// The nine pieces of base over the whole bitmap (or a rectangle of it); ornaments unless plain.
void DrawGumpFrame(int base, PixelBlock& bitmap, bool plain);
void DrawGumpFrameRect(int x, int y, int width, int height, int base, PixelBlock& bitmap, bool plain);
// The same on a target: its valid rectangle cuts every piece.
void DrawGumpFrameRect(int x, int y, int width, int height, int base, const BlitTarget& target, bool plain);
// A nine-piece frame drawn once per size and base and copied on every repaint after, so that a
// control that repaints often keeps the ornaments it was given the first time.
struct FrameCache {
    PixelBlock block;
    int base = -1;
};
void DrawCachedGumpFrame(FrameCache& cache, int x, int y, int width, int height, int base,
                         PixelBlock& bitmap);

// Greys the shape of art (left end), a middle span and art + 1 (right end) at (x, y), width wide:
// each pixel becomes half itself plus mid grey. Only pixels inside the bitmap change.
void BlendHighlightBar(int x, int y, int width, int art, PixelBlock& bitmap);

// A vertical strip: art a at (0, y0), the n body pieces a + 1 .. a + n in turn below it (centred
// when narrower), and the bottom cap a + n + 1 ending reserve pixels above the bitmap's bottom.
void DrawArtStripVertical(int art, int n, PixelBlock& bitmap, int y0, int reserve);
// The same into a strip width x height of a target, whose valid rectangle cuts the pieces.
void DrawArtStripVertical(int art, int n, const BlitTarget& target, int width, int height, int y0,
                          int reserve);

// Where the two ornaments of a pair go along an edge of length pixels whose ornaments are sizeA
// and sizeB long: false when the edge is too short or no place keeps them sizeA + 10 apart.
bool PlaceOrnamentPair(int length, int sizeA, int sizeB, int* a, int* b);
