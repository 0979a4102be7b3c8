#pragma once
// The world's side of the light: which listed sources shine, from where and with which light id,
// handed to the renderers of render/Light through their scene source; and the light rects that a
// moving source or holder dirties.
#include "render/Light.h"

class CObj;

namespace WorldLight {
// Binds the renderers' scene source and the world's invalidateLight hook to this module.
void Bind();
// The frame of the current world: levels (global and "DarkNights" as kept by render/Light, the
// player's personal total, the ghost) and every shining source that meets rect.
void FillFrame(const Rect& rect, LightFrame& frame);
// The holder a source shines from: the mobile wearing it, else the source itself.
const CObj* HolderOf(const CObj* source);
// The white renderer's light id of a source (its light byte, or its tiledata when held).
int LightIdOf(const CObj* source);
// The screen centre of the light of a source held by holder.
void CentreOf(const CObj* holder, int& x, int& y);
// The screen centre of a source's light; false when the source gives no light (holder culled or
// unlisted, or covered by an item above it).
bool Place(const CObj* source, PlacedLight& out);
// True when an item in the cell south-east of the holder, more than 4 above it, covers the light.
bool IsCovered(const CObj* holder);
} // namespace WorldLight

// DirtyRect of the screen area the object's light covers (nothing for a source without light).
void InvalidateLight(CObj* source);
