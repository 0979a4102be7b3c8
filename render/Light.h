#pragma once
// The world's light over a painted screen rectangle: one darkness level per pixel, or one per
// colour channel (coloured lighting).
#include "render/Rect.h"

void ApplyLights(const Rect& rect);
void ApplyLightsColored(const Rect& rect);
