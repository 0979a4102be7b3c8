#include "world/WorldView.h"

#include "render/DrawManager.h"
#include "render/GraphicManager.h"
#include "world/MapManager.h"

void WorldToScreen(int x, int y, int* sx, int* sy) {
    int scrollX = 0, scrollY = 0;
    DrawManager::GetScrollOffset(scrollX, scrollY);
    ProjectCell(x, y, MapManager::GetMapWidth(), scrollX, scrollY, sx, sy);
}
