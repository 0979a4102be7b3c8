#pragma once
// The pictures of graphic effects in the synthetic installation: two explosions of item art whose
// frame counts are in their tile data's quality byte (14001..14004 at a place, 14027..14029 at an
// object), and the ten lightning bolts of gump art 20000..20009.
#include "mkinstall/ArtFiles.h"

namespace mkinstall {

constexpr int kExplosionArt = 14001;
constexpr int kExplosionFrames = 4;
constexpr int kObjectExplosionArt = 14027;
constexpr int kObjectExplosionFrames = 3;
constexpr int kFirstLightningGump = 20000;
constexpr int kLightningGumps = 10;

Picture SampleEffectItem(int graphic);   // empty for a graphic this set does not hold
Picture SampleLightningGump(int gumpId); // empty outside 20000..20009
void AddEffectItemArts(IndexedFile& art);
void AddEffectGumpArts(IndexedFile& gumps);

} // namespace mkinstall
