#include "core/ShutdownSequence.h"

#include <atomic>

namespace ShutdownSequence {
namespace {
std::atomic<bool> g_started{false};
}

bool IsStarted() {
    return g_started.load();
}

void MarkShutdownSequenceStarted() {
    g_started.store(true);
}

void ResetForTests() {
    g_started.store(false);
}

} // namespace ShutdownSequence
