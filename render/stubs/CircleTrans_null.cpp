// Stand-in until the scene blitters are built: the circle is not drawn, so its place is dropped.
#include "render/CircleTrans.h"

namespace CircleTrans {
void SetRadius(int) {}
void SetCenter(int, int) {}
} // namespace CircleTrans
