#pragma once
// The mouse manager: cursors, capture, button and move dispatch, and the software cursor.
namespace MouseManager {
void startup();
void shutdown();
void LoadCursors();
void SetCursor(int cursor);
void SetSoftwareCursor(bool on);
void Update();
void OnLButtonDown(int x, int y);
void OnLButtonUp(int x, int y);
void OnRButtonDown(int x, int y);
void OnRButtonUp(int x, int y);
void GetMousePos(int* x, int* y);
void SetMousePos(int x, int y);
void UpdateCursorShape();
int IsCursorDirty();
void DrawSoftwareCursor(bool lock);
// The software cursor around presenting a frame: draw it into the back buffer where the pointer
// moved, then put back the pixels under it. Like everything here, main thread only.
void RefreshCursorPos();
void RestoreUnderCursor();
} // namespace MouseManager
