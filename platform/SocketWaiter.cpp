#include "platform/platform.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {

namespace {
// Without an event descriptor a raised signal is noticed within this time.
constexpr uint32_t kFallbackSliceMs = 50;
} // namespace

SocketWaiter::SocketWaiter() : event_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

SocketWaiter::~SocketWaiter() {
    if (event_ >= 0) close(event_);
}

void SocketWaiter::Raise() {
    if (event_ < 0) return;
    const uint64_t one = 1;
    while (write(event_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool SocketWaiter::Wait(int s, uint32_t timeoutMs) {
    pollfd fds[2] = {{event_, POLLIN, 0}, {s, POLLIN, 0}}; // negative descriptors are skipped
    const uint32_t slice = event_ < 0 && timeoutMs > kFallbackSliceMs ? kFallbackSliceMs : timeoutMs;
    const int timeout = slice > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(slice);
    if (poll(fds, 2, timeout) <= 0 || !(fds[0].revents & POLLIN)) return false;
    uint64_t count = 0;
    return read(event_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

} // namespace platform
