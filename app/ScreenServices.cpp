#include "app/ScreenServices.h"

#include "core/SharedServices.h"
#include "gumps/MouseManager.h"

void SetGameCursor(int kind) {
    MouseManager::SetCursor(GameCursorFor(kind));
}
