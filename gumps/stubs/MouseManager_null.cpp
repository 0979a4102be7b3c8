// Stand-in until the mouse manager is built: no cursors and no drawing; button messages are
// dropped. It keeps the software cursor's position, so the cursor tick can be followed.
#include "core/QVReport.h"
#include "gumps/MouseManager.h"

namespace MouseManager {
namespace {
int g_x = 0, g_y = 0; // the main thread's, like the whole manager
} // namespace

void SetCursor(int) {}
void startup() {
    QVReport::message("MouseManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("MouseManager::shutdown: begin.\n");
    g_x = g_y = 0;
}
void LoadCursors() {}
void SetSoftwareCursor(bool) {}
void Update() {}
void OnLButtonDown(int, int) {}
void OnLButtonUp(int, int) {}
void OnRButtonDown(int, int) {}
void OnRButtonUp(int, int) {}
void GetMousePos(int* x, int* y) {
    if (x) *x = g_x;
    if (y) *y = g_y;
}
void SetMousePos(int x, int y) {
    g_x = x;
    g_y = y;
}
void UpdateCursorShape() {}
int IsCursorDirty() {
    return 0;
}
void DrawSoftwareCursor(bool) {}
void RefreshCursorPos() {}
void RestoreUnderCursor() {}
} // namespace MouseManager
