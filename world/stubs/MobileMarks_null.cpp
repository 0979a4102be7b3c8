// Stand-in until the world objects are built: mobiles keep no mark and need no redraw.
#include "core/MarkedMobiles.h"

void SetMobileMarkFlag(CMobile*, bool) {}
void InvalidateMobile(CMobile*) {}
