#pragma once
// Seated figures. A human standing on a chair, bench or stool is drawn seated: its standing frame
// and what it wears are composed into a 64 x 128 image around its feet point, the image is bent
// into a seated pose through a per-facing table of source pixels, drawn lowered onto the seat,
// and for the facings that turn their back to the chair, the chair's back is drawn over it again.
#include "render/Rect.h"

#include <cstdint>

struct AnimItem;
struct AnimFrame;
class CMobile;

namespace SkipDrawHandler {

constexpr int kWidth = 64;
constexpr int kHeight = 128;
constexpr int kFeetColumn = 32; // where the feet point lies in the composition
constexpr int kFeetRow = 80;
constexpr uint32_t kRestOnly = 0x10; // the chair seats only a figure at rest

struct ChairRow {
    uint32_t graphic;
    uint32_t facingMask;  // 1: facing 0, 2: facing 2, 4: facing 4, 8: facing 6, 0x10: at rest only
    int32_t yOffsetSide;  // facings 2 and 4
    int32_t yOffsetFront; // facings 0 and 6
    int32_t backOverlap;  // pixels of the chair's back redrawn beyond its centre
};

void startup();
// The four warp tables (built once, before start-up).
void BuildTables();
// The composition pixel index an output pixel reads, for facing pair facing / 2.
int WarpIndex(int pair, int row, int column);

// The chair row of a graphic, null when it is no seat.
const ChairRow* FindChair(int graphic);
// The row the last CMobile::IsSeated chose.
const ChairRow* ChosenChair();
void SetChosenChair(const ChairRow* row);
// The facing the chosen chair allows nearest to facing.
void PickFacing(int* facing);
// The seat's lowering for a facing.
int SeatOffset(const ChairRow& chair, int facing);

// ---- composing and drawing
// Empties the image and places its top-left at screen (x, y) for the facing.
void BeginComposition(int screenX, int screenY, int facing);
void SetMirror(bool mirrored);
// One frame around the feet point: hue word low 14 bits the hue (0 none); bit 15: only grey pixels.
void ComposeFrame(int hueWord, const AnimItem& item, const AnimFrame& frame);
// The composition through the facing's warp table, lowered by the seat, cut to the clip.
void DrawComposition(const Rect& clip, int seatOffset);
// The warped composition's pixel under a screen point, 0 when transparent or outside.
uint16_t PixelAt(int screenX, int screenY, int seatOffset);
uint16_t CompositionPixel(int column, int row);

} // namespace SkipDrawHandler
