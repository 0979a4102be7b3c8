#pragma once
// Rotated art of the graphic effects: the art turned about its centre by an angle of 256 steps to
// the turn, plain, hued by grey level, blended, or hued by green and blended.
#include "render/Art.h"
#include "render/Rect.h"

#include <cstdint>

// Cosine and sine of a x 2 pi / 256 in 16.16 fixed point, built once.
void BuildRotationTables();
int32_t RotationCos(uint8_t angle);
int32_t RotationSin(uint8_t angle);

// (green + red / 2 + blue) / 3 of a 16-bit pixel (red as its top 4 bits), 0..25.
uint8_t GreyLevel(uint16_t pixel);

// The bounding box of rect turned by angle about its centre.
void RotateRectBounds(uint8_t angle, Rect& rect);

// The rect a rotated draw of art with its unturned top-left corner at (x, y) may write: the turned
// bounds, widened by a pixel on each side so that the rounding of odd sizes loses no row.
Rect RotatedArtBounds(const ArtItem* art, int x, int y, uint8_t angle);

// The art with its unturned top-left corner at (x, y), turned about its centre, into the blit
// target, cut to clip and to extraClip. Transparent pixels (0) and pixels outside the art are
// skipped.
void DrawArtRotated(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle, const Rect& extraClip);
// Each channel through the blend table chosen with SelectBlendTable.
void DrawArtRotatedBlend(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                         const Rect& extraClip);
// The current hue's colour for the pixel's grey level.
void DrawArtRotatedHue(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                       const Rect& extraClip);
// The current hue's colour for the pixel's green channel, then the blend.
void DrawArtRotatedHueBlend(const ArtItem* art, const Rect& clip, int x, int y, uint8_t angle,
                            const Rect& extraClip);
