#pragma once
// The mouse manager: cursors, capture, button and move dispatch.
namespace MouseManager {
void SetCursor(int cursor);
// The software cursor around presenting a frame (under the display lock): draw it into the back
// buffer where the pointer moved, then put back the pixels under it.
void RefreshCursorPos();
void RestoreUnderCursor();
} // namespace MouseManager
