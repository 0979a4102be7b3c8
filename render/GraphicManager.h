#pragma once
// The logical screen: 640 x 480 or 800 x 600.
namespace GraphicManager {
int GetScreenWidth();
int GetScreenHeight();
void SetScreenSize(int width, int height);
} // namespace GraphicManager
