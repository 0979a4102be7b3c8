#include "render/WindowLayer.h"

WindowLayer& GetWindowLayer() {
    static WindowLayer layer;
    return layer;
}

void RecreateWindowSurfaces() {
    if (GetWindowLayer().recreateSurfaces) GetWindowLayer().recreateSurfaces();
}

void DrawAllWindows(const Rect* area, bool last) {
    if (GetWindowLayer().drawAll) GetWindowLayer().drawAll(area, last);
}

void RefreshWindowCursor() {
    if (GetWindowLayer().refreshCursor) GetWindowLayer().refreshCursor();
}

void RestoreWindowCursor() {
    if (GetWindowLayer().restoreUnderCursor) GetWindowLayer().restoreUnderCursor();
}
