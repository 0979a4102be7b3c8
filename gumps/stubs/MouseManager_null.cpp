// Stand-in until the mouse manager is built: cursor requests are dropped.
#include "gumps/MouseManager.h"

namespace MouseManager {
void SetCursor(int) {}
} // namespace MouseManager
