#include "core/DisplayLock.h"

std::recursive_mutex& DisplayLock() {
    static std::recursive_mutex lock;
    return lock;
}
