#pragma once
// The gump arts of text fields, lists and edit lists in the synthetic installation, one colour per
// piece with a white top-left mark: field backgrounds 2443-2446, the drop-down arrows 2437 and
// 5009, the list marks and their hover forms 2435-2438, the shard list's row marks and sort buttons
// 2360-2371, the panel tile 3500, the highlight bar 5109-5110, a list box strip 2485-2489 and an
// edit list background with its row area (art - 1).
#include "mkinstall/ArtFiles.h"

namespace mkinstall {

constexpr int kFieldArt = 2443;     // 2444 its disabled form
constexpr int kListStripArt = 2485; // top cap, three body pieces, bottom cap
constexpr int kEditListArt = 9401;  // 9400 the row area
constexpr int kPanelArt = 3600;

Picture SampleFieldArt(int gumpId); // empty for an id this set does not hold
void AddFieldArts(IndexedFile& gumps);

} // namespace mkinstall
