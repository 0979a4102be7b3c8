// Stand-in until the scene is built: nothing is listed, so nothing is painted or re-listed.
#include "render/DrawManager.h"

namespace DrawManager {
void DrawScene(const Rect&) {}
void InvalidateLandTiles(int) {}
void RefreshItemsWithGraphic(int) {}
void GetScrollOffset(int& x, int& y) {
    x = 0;
    y = 0;
}
} // namespace DrawManager
