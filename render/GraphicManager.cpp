#include "render/GraphicManager.h"

namespace GraphicManager {
namespace {
int g_width = 640;
int g_height = 480;
} // namespace

int GetScreenWidth() {
    return g_width;
}
int GetScreenHeight() {
    return g_height;
}
void SetScreenSize(int width, int height) {
    g_width = width;
    g_height = height;
}
} // namespace GraphicManager
