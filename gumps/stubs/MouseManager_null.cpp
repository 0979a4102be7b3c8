// Stand-in until the mouse manager is built: cursor requests are dropped and no software cursor
// is drawn.
#include "gumps/MouseManager.h"

namespace MouseManager {
void SetCursor(int) {}
void RefreshCursorPos() {}
void RestoreUnderCursor() {}
} // namespace MouseManager
