// Stand-in until the scene is built: nothing is listed, so nothing is painted or re-listed.
#include "render/DrawManager.h"

namespace DrawManager {
void DrawScene(const Rect&) {}
void InvalidateLandTiles(int) {}
void RefreshItemsWithGraphic(int) {}
namespace {
int g_scrollX = 0;
int g_scrollY = 0;
} // namespace
void GetScrollOffset(int& x, int& y) {
    x = g_scrollX;
    y = g_scrollY;
}
void SetScrollOffset(int x, int y) {
    g_scrollX = x;
    g_scrollY = y;
}
} // namespace DrawManager
