#pragma once
// The game area inside the main window: its size and its offset in the window. The main window
// (app/) keeps it; the display and the gump framework place the picture and the windows by it.
int GetGameAreaWidth();
int GetGameAreaHeight();
void GetGameAreaOffset(int* x, int* y);
void SetGameAreaOffset(int x, int y);
