// Stand-in until the gump manager is built: no gumps; the back buffer is recreated and the frame
// presented as the real manager does.
#include "gumps/CGumpManager.h"

#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GraphicManager.h"

namespace CGumpManager {
namespace {
int g_offsetX = 0;
int g_offsetY = 0;
} // namespace

void RecreateDC() {
    DestroyBackBuffer();
    CreateBackBuffer();
    int x = g_offsetX < 0 ? 0 : g_offsetX;
    int y = g_offsetY < 0 ? 0 : g_offsetY;
    if (x + GraphicManager::GetScreenWidth() > BackBuffer::Width())
        x = BackBuffer::Width() - GraphicManager::GetScreenWidth();
    if (y + GraphicManager::GetScreenHeight() > BackBuffer::Height())
        y = BackBuffer::Height() - GraphicManager::GetScreenHeight();
    if (x != g_offsetX || y != g_offsetY) {
        g_offsetX = x;
        g_offsetY = y;
        InvalidateAll();
    }
}

void DrawAllGumps(const Rect*, bool last) {
    if (last) PresentFrame();
}

void GetGameAreaOffset(int& x, int& y) {
    x = g_offsetX;
    y = g_offsetY;
}

void SetGameAreaOffset(int x, int y) {
    g_offsetX = x;
    g_offsetY = y;
}
} // namespace CGumpManager
