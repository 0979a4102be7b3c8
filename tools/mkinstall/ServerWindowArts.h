#pragma once
// The gump arts of the windows the server asks for, one colour per piece with a white top-left
// mark: the popup menu's frame (2620-2628) and "more" button (5602, 5606), the item picker
// (2320), the text picker's frame (5100-5108), radios (5002, 5003) and buttons (5200, 5201, 5042,
// 5043), and the text query's background, field and buttons (1140-1149).
#include "mkinstall/ArtFiles.h"

namespace mkinstall {

Picture SampleServerWindowArt(int gumpId); // empty for an id this set does not hold
void AddServerWindowArts(IndexedFile& gumps);

} // namespace mkinstall
