#pragma once
// The scene's own blits into the current blit target: the 44 x 44 land diamond, the circle of
// transparency and the textured, lit triangles of sloped land.
#include "render/Art.h"
#include "render/Rect.h"
#include "render/SpanOps.h"

#include <cstdint>
#include <memory>
#include <vector>

// ---- land diamond: row r of the 44 rows starts at column start, is width wide and reads from
// source pixel first (rows 22..43 one pixel narrower on each side; row 43 is empty)
struct LandRow {
    int16_t start;
    int16_t width;
    int16_t first;
};
void BuildLandArtTables();
const LandRow* LandArtRows();
// The diamond of land id & 0x3FFF (land art 0 when missing) with its top-left at (x, y).
void DrawLandArt(int landId, int x, int y, const Rect& clip);
// The same through the grey table.
void DrawLandArtGrey(int landId, int x, int y, const Rect& clip);

// ---- the circle of transparency
namespace CircleTrans {
// r <= 1 gives 2, above 256 gives 256; then Update.
void SetRadius(int radius);
// Each clamped to 0..screen size - 1; then Update.
void SetCenter(int x, int y);
// Recomputes the rect, r squared and whether the blend shifts.
void Update();
int GetRadius();
int GetShift(); // -1 when the blend divides
void GetCenter(int& x, int& y);
const Rect& GetRect();
// Source s over destination d at squared distance q (q <= r squared): the rim shows s.
uint16_t Blend(uint16_t source, uint16_t destination, int q);
// Back to radius 64 around the screen centre.
void ResetForTests();
} // namespace CircleTrans
// The art blit that fades the pixels inside the circle (screen positions from the blit's own
// coordinates, so a scrolled ring changes nothing).
void DrawArtCircleTrans(SpanOp op, const ArtItem* art, const Rect& clip, int x, int y);

// ---- land textures: S x S 5-5-5 pixels, S 64 or 128
struct LandTexture {
    int size = 0;
    std::vector<uint16_t> pixels;
    // The pixels darkened for each of the 16 light levels (and through the grey table), made on
    // first use: the rasteriser then reads one value per pixel.
    mutable std::unique_ptr<uint16_t[]> shaded, shadedGrey;  // 16 levels, left unset until made
    mutable uint16_t shadedLevels = 0, shadedGreyLevels = 0; // bit n: level n is made
    mutable uint32_t draws = 0;
};
// Checks the bytes of a texture item once: extra 0 means 64, 1 means 128; another extra takes the
// size from the length (8,192 or 32,768 bytes). Null when the bytes are too few for the size.
const LandTexture* DecodeLandTexture(const uint8_t* data, int length, int extra, LandTexture& out);
// The texture of id 1..4095 through the data source, checked once and kept; null when missing.
const LandTexture* GetLandTexture(int textureId);
void ResetLandTextures();

// One corner of a textured triangle, in screen pixels; u and v in texels, light 0..15.
struct TexVertex {
    int x, y;
    int u, v;
    int light;
};
// Fills the triangle from the texture, darkened by the interpolated light; grey maps each texel
// through the grey table first. Texel coordinates are kept inside the texture.
void DrawTexturedTriangle(const LandTexture& texture, const TexVertex (&corners)[3], const Rect& clip,
                          bool grey);
