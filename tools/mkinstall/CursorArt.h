#pragma once
// The pictures of the window layer in the synthetic installation: the cursor item arts, the nine
// tooltip frame arts at their required sizes, and a sample window.
#include "mkinstall/ArtFiles.h"

namespace mkinstall {

constexpr int kFirstCursorArt = 24659; // item art ids (0x4000 + graphic)
constexpr int kLastCursorArt = 24697;
constexpr int kSampleWindowGump = 4; // 200 x 150, a framed window

// The cursor picture of an art id before its marker row and column are added: each its own
// shape and colour, with the hot spot at (hotX, hotY) of the art.
Picture SampleCursor(int artId, int* hotX, int* hotY);
Picture SampleTooltipArt(int gumpId); // 3000..3008
Picture SampleWindow();

void AddCursorArts(IndexedFile& art);
void AddWindowGumpArts(IndexedFile& gumps);

} // namespace mkinstall
