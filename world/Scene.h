#pragma once
// What the scene asks of the world objects beyond the draw-item operations: the seasons' land and
// static substitutes, the circle of transparency's rule, and the hooks that the game view and the
// figure drawing fill.
#include <cstdint>

class CObj;
class CDrawItem;

// The land id shown in the current season ("Season" option); ids outside 0..0x3FFF unchanged.
int GetSeasonalLandTile(int landId);
int GetSeasonalLandTile(int landId, int season);
// The static graphic shown in the current season.
int GetSeasonalStaticGraphic(int graphic);
int GetSeasonalStaticGraphic(int graphic, int season);
int RemapStaticForSeason2(int graphic);
int RemapStaticForSeason4(int graphic);

// True for a static that the circle of transparency fades (its top above the player's z + 5 and
// its screen rect meeting the circle).
bool IsCircleTransFaded(const CObj* object);

namespace SceneHooks {
// The game view's object under the cursor (drawn highlighted); unset: none.
using HoverObject = const CDrawItem* (*)();
void SetHoverObject(HoverObject hook);
const CDrawItem* HoverObjectNow();
// The season changed: land and statics are listed again with their new pictures.
void RefreshSeason();
} // namespace SceneHooks
