// Stand-in until the gump framework is built: no gumps and no keyboard focus; the back buffer is
// recreated and the frame presented as the real manager does.
#include "core/MainWindow.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GraphicManager.h"

namespace CGumpManager {
CGump* focusGump = nullptr;
void startup() {
    QVReport::message("CGumpManager::startup(): begin.\n");
}
void shutdown() {
    QVReport::message("CGumpManager::shutdown(): begin.\n");
}
void Update() {}
void SaveDesktop() {}
void UpdateContainerQueue() {}
bool IsContainerQueueFinished() {
    return true;
}
CGump* OpenGump(CObj*, int, CGump*, bool, bool) {
    return nullptr;
}
CGump* ShowModalMessage(const char* text) {
    QVReport::message("CGumpManager::ShowModalMessage: %s\n", text ? text : "");
    return nullptr;
}

void RecreateDC() {
    DestroyBackBuffer();
    CreateBackBuffer();
    int offsetX = 0, offsetY = 0;
    GetGameAreaOffset(offsetX, offsetY);
    int x = offsetX < 0 ? 0 : offsetX;
    int y = offsetY < 0 ? 0 : offsetY;
    if (x + GraphicManager::GetScreenWidth() > BackBuffer::Width())
        x = BackBuffer::Width() - GraphicManager::GetScreenWidth();
    if (y + GraphicManager::GetScreenHeight() > BackBuffer::Height())
        y = BackBuffer::Height() - GraphicManager::GetScreenHeight();
    if (x != offsetX || y != offsetY) {
        SetGameAreaOffset(x, y);
        InvalidateAll();
    }
}

void DrawAllGumps(const Rect*, bool last) {
    if (last) PresentFrame();
}

void GetGameAreaOffset(int& x, int& y) {
    ::GetGameAreaOffset(&x, &y);
}

void SetGameAreaOffset(int x, int y) {
    ::SetGameAreaOffset(x, y);
}
} // namespace CGumpManager

int GumpHandleKey(CGump*, int) {
    return 0;
}
bool GumpIsOptionsKeyField(CGump*, CGump**) {
    return false;
}
void GumpHandleChildChange(CGump*, CGump*) {}
bool GumpIsSingleLineInput(CGump*) {
    return false;
}
