#pragma once
// The circle of transparency: statics around the player fade inside it (render/SceneBlits.h).
#include "render/SceneBlits.h"
