// Stand-in until the light is built: the scene stays as painted.
#include "render/Light.h"

void ApplyLights(const Rect&) {}
void ApplyLightsColored(const Rect&) {}
