#pragma once
// The isometric projection of a map cell's top corner without height, on the current facet and
// scroll offset.
void WorldToScreen(int x, int y, int* sx, int* sy);
