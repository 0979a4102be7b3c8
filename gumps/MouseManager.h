#pragma once
// The mouse manager: cursors, capture, button and move dispatch.
namespace MouseManager {
void SetCursor(int cursor);
}
