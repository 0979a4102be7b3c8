#pragma once
// The display lock: serialises presenting a frame, the windowed/full-screen switch, the software
// cursor and the stopping of the cursor timer. Recursive, as the code that takes it may nest.
#include <mutex>

std::recursive_mutex& DisplayLock();
