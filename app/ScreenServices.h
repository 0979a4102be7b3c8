#pragma once
// A small service of the application that reaches the mouse manager.

// MouseManager::SetCursor with GameCursorFor(kind).
void SetGameCursor(int kind);
