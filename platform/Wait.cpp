// The registry the main loop's wait reads: deadlines any thread may set, the sockets the main
// thread watches, and the wake descriptor that ends a wait under way when either changes or a
// message is posted.
#include "platform/backend.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace platform {
namespace detail {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<int, uint32_t> deadlines; // slot id -> tick, set slots only
    int nextId = 1;
    std::vector<WatchedSocket> sockets;
    int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    std::atomic<uint64_t> calls{0};
    std::atomic<uint64_t> sleeps{0};
};

Registry& R() {
    static Registry registry;
    return registry;
}

} // namespace

void WakeWaiter() {
    const int fd = R().wake;
    if (fd < 0) return;
    const uint64_t one = 1;
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

int WakeDescriptor() {
    return R().wake;
}

void DrainWake() {
    uint64_t count = 0;
    if (R().wake >= 0) [[maybe_unused]]
        auto n = read(R().wake, &count, sizeof count);
}

std::vector<WatchedSocket> WatchedSockets() {
    std::lock_guard<std::mutex> lock(R().mutex);
    return R().sockets;
}

uint32_t EarliestDeadline(uint32_t deadline, uint32_t now) {
    Registry& r = R();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& [id, tick] : r.deadlines)
        if (static_cast<int32_t>(tick - now) < static_cast<int32_t>(deadline - now)) deadline = tick;
    return deadline;
}

void CountWait(bool slept) {
    ++R().calls;
    if (slept) ++R().sleeps;
}

WaitOutcome PollSockets(const std::vector<WatchedSocket>& sockets, int wake, int timeoutMs) {
    std::vector<pollfd> fds;
    fds.reserve(sockets.size() + 1);
    fds.push_back({wake, POLLIN, 0}); // a negative descriptor is skipped
    for (const WatchedSocket& w : sockets)
        fds.push_back({w.socket, static_cast<short>(POLLIN | (w.wantWrite ? POLLOUT : 0)), 0});
    const int n = poll(fds.data(), fds.size(), timeoutMs);
    if (n == 0) return WaitOutcome::Timeout;
    if (n < 0) return WaitOutcome::Wake; // interrupted: the caller looks again
    for (size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents) return WaitOutcome::Socket;
    return WaitOutcome::Wake;
}

} // namespace detail

uint64_t WaitForWorkCalls() {
    return detail::R().calls.load();
}

uint64_t WaitForWorkSleeps() {
    return detail::R().sleeps.load();
}

Deadline::Deadline() {
    detail::Registry& r = detail::R();
    std::lock_guard<std::mutex> lock(r.mutex);
    id_ = r.nextId++;
}

Deadline::~Deadline() {
    Clear();
}

void Deadline::Set(uint32_t tick) {
    {
        detail::Registry& r = detail::R();
        std::lock_guard<std::mutex> lock(r.mutex);
        auto it = r.deadlines.find(id_);
        if (it != r.deadlines.end() && it->second == tick) return;
        r.deadlines[id_] = tick;
    }
    detail::WakeWaiter(); // a wait under way looks at the deadlines again
}

void Deadline::Clear() {
    detail::Registry& r = detail::R();
    std::lock_guard<std::mutex> lock(r.mutex);
    r.deadlines.erase(id_);
}

bool Deadline::IsSet() const {
    detail::Registry& r = detail::R();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.deadlines.count(id_) != 0;
}

void WatchSocket(int s, bool wantWrite) {
    if (s < 0) return;
    std::lock_guard<std::mutex> lock(detail::R().mutex);
    auto& sockets = detail::R().sockets;
    auto it = std::find_if(sockets.begin(), sockets.end(), [s](const auto& w) { return w.socket == s; });
    if (it != sockets.end())
        it->wantWrite = wantWrite;
    else
        sockets.push_back({s, wantWrite});
}

void UnwatchSocket(int s) {
    std::lock_guard<std::mutex> lock(detail::R().mutex);
    auto& sockets = detail::R().sockets;
    sockets.erase(
        std::remove_if(sockets.begin(), sockets.end(), [s](const auto& w) { return w.socket == s; }),
        sockets.end());
}

} // namespace platform
