// Stand-in until the mouse manager is built: no software cursor; cursor requests and button
// messages are dropped.
#include "core/QVReport.h"
#include "gumps/MouseManager.h"

namespace MouseManager {
void SetCursor(int) {}
void startup() {
    QVReport::message("MouseManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("MouseManager::shutdown: begin.\n");
}
void LoadCursors() {}
void SetSoftwareCursor(bool) {}
void Update() {}
void OnLButtonDown(int, int) {}
void OnLButtonUp(int, int) {}
void OnRButtonDown(int, int) {}
void OnRButtonUp(int, int) {}
void GetMousePos(int* x, int* y) {
    if (x) *x = 0;
    if (y) *y = 0;
}
void SetMousePos(int, int) {}
void UpdateCursorShape() {}
int IsCursorDirty() {
    return 0;
}
void DrawSoftwareCursor(bool) {}
void RefreshCursorPos() {}
void RestoreUnderCursor() {}
} // namespace MouseManager
