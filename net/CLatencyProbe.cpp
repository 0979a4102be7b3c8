#include "net/CLatencyProbe.h"

#include "core/GameTicks.h"
#include "core/QVReport.h"

#include <algorithm>
#include <system_error>

namespace {

// Made and destroyed on the main thread; read from anywhere.
std::atomic<CLatencyProbe*> g_probe{nullptr};
std::atomic<bool> g_allowed{true};

// The longest sleep of the thread when nothing at all is due.
constexpr uint32_t kLongestSleepMs = 60000;

uint32_t Now() {
    return GetGameTicks();
}

} // namespace

CLatencyProbe* CLatencyProbe::Create() {
    return Create(Settings{});
}

void CLatencyProbe::SetProbingAllowed(bool allowed) {
    g_allowed.store(allowed);
}

CLatencyProbe* CLatencyProbe::Create(const Settings& settings) {
    Destroy();
    if (!g_allowed.load()) return nullptr;
    auto* probe = new (std::nothrow) CLatencyProbe(settings);
    if (!probe) return nullptr;
    try {
        probe->thread_ = std::thread([probe] {
            platform::SetCurrentThreadPriority(platform::ThreadPriority::Lowest);
            probe->ThreadMain();
        });
    } catch (const std::system_error& error) {
        QVReport::warning("CLatencyProbe::Create: no thread for the probe (%s).\n", error.what());
        delete probe;
        return nullptr;
    }
    g_probe.store(probe);
    return probe;
}

CLatencyProbe* CLatencyProbe::Get() {
    return g_probe.load();
}

void CLatencyProbe::Destroy() {
    delete g_probe.exchange(nullptr);
}

CLatencyProbe::CLatencyProbe(const Settings& settings) : settings_(settings) {}

CLatencyProbe::~CLatencyProbe() {
    Stop();
    if (socket_ >= 0) platform::CloseSocket(socket_);
    socket_ = -1;
    count_ = 0;
    for (auto& host : hosts_)
        host.reset();
}

void CLatencyProbe::Stop() {
    stop_ = true;
    waiter_.Raise();
    if (thread_.joinable()) thread_.join();
}

int CLatencyProbe::AddHost(uint32_t address) {
    std::lock_guard<std::mutex> guard(lock_);
    const int count = count_.load();
    if (count >= kMaxHosts) return -1;
    auto host = std::make_unique<LatencyHost>();
    host->address = address;
    host->lastProbeTick = Now();
    hosts_[count] = std::move(host);
    count_ = count + 1;
    waiter_.Raise(); // the thread sleeps towards deadlines that did not know this host
    return count + 1;
}

const LatencyHost* CLatencyProbe::GetHost(int index) const {
    if (index < 0 || index >= kMaxHosts || index >= count_.load()) return nullptr;
    return hosts_[index].get();
}

void CLatencyProbe::SetCallback(Callback callback) {
    callback_ = callback;
}

void CLatencyProbe::ClearCallback() {
    callback_ = nullptr;
}

void CLatencyProbe::DeliverChange(uintptr_t) {
    CLatencyProbe* probe = Get();
    if (!probe) return; // destroyed since the message was posted
    probe->changePosted_ = false;
    if (probe->callback_) probe->callback_();
}

void CLatencyProbe::ThreadMain() {
    while (!stop_) {
        ++wakeups_;
        const uint32_t wait = Service();
        if (stop_) break;
        waiter_.Wait(socket_, std::max<uint32_t>(wait, 1));
    }
}

uint32_t CLatencyProbe::Service() {
    const uint32_t now = Now();
    if (socket_ < 0) {
        // A socket that cannot be made is tried again after a while, not on every pass.
        if (socketAttempted_ && static_cast<int32_t>(now - nextSocketAttempt_) < 0)
            return nextSocketAttempt_ - now;
        socketAttempted_ = true;
        nextSocketAttempt_ = now + settings_.bindRetryMs;
        const int s = platform::OpenUdpSocket();
        if (s < 0) return settings_.bindRetryMs;
        // An ephemeral local port: two clients on one machine must not collide.
        if (!platform::BindSocket(s, 0, 0) || !platform::SetSocketNonBlocking(s, true)) {
            QVReport::warning("CLatencyProbe::Service: the probe socket cannot be bound (%d).\n",
                              platform::LastSocketError());
            platform::CloseSocket(s);
            return settings_.bindRetryMs;
        }
        socket_ = s;
        localPort_ = platform::BoundPort(s);
    }

    uint32_t wait = kLongestSleepMs;
    auto dueAt = [&](uint32_t tick) {
        const int32_t left = static_cast<int32_t>(tick - now);
        wait = std::min(wait, left <= 0 ? 0u : static_cast<uint32_t>(left));
    };

    std::lock_guard<std::mutex> guard(lock_);
    const int count = count_.load();
    for (int i = 0; i < count; ++i) {
        LatencyHost& host = *hosts_[i];
        if (now - host.lastProbeTick.load() > settings_.probeIntervalMs) {
            uint8_t datagram[kDatagramSize] = {};
            datagram[0] = static_cast<uint8_t>(kProbePort >> 8);
            datagram[1] = static_cast<uint8_t>(kProbePort);
            datagram[2] = static_cast<uint8_t>(i);
            for (int b = 0; b < 4; ++b)
                datagram[3 + b] = static_cast<uint8_t>(now >> (8 * b));
            // A probe that cannot be sent waits for the next round like one that was.
            if (platform::SendDatagram(socket_, datagram, sizeof datagram, host.address, settings_.port) >= 0)
                ++host.sent;
            host.lastProbeTick = now;
        }
        dueAt(host.lastProbeTick.load() + settings_.probeIntervalMs + 1);
    }

    ReadReplies(now);

    const uint32_t sinceCallback = now - lastCallback_;
    if ((changed_ && sinceCallback >= settings_.callbackAfterRepliesMs) ||
        (!changed_ && sinceCallback > settings_.callbackIdleMs)) {
        lastCallback_ = now;
        changed_ = false;
        // One message at a time: a main thread that is busy finds one, not a backlog.
        if (!changePosted_.exchange(true)) platform::PostCall(&CLatencyProbe::DeliverChange);
    }
    dueAt(changed_ ? lastCallback_ + settings_.callbackAfterRepliesMs
                   : lastCallback_ + settings_.callbackIdleMs + 1);
    return wait;
}

void CLatencyProbe::ReadReplies(uint32_t now) {
    const int count = count_.load();
    uint8_t reply[256];
    for (;;) {
        uint32_t fromAddress = 0;
        uint16_t fromPort = 0;
        const int n = platform::ReceiveDatagram(socket_, reply, sizeof reply, &fromAddress, &fromPort);
        if (n < 0) break;
        if (n < 7) continue;
        const int index = reply[2];
        if (index >= kMaxHosts || index >= count) continue;
        LatencyHost& host = *hosts_[index];
        // Only the probed shard answers for itself.
        if (fromAddress != host.address || fromPort != settings_.port) continue;
        uint32_t echoed = 0;
        for (int b = 0; b < 4; ++b)
            echoed |= static_cast<uint32_t>(reply[3 + b]) << (8 * b);
        // A tick from the future was never sent.
        if (static_cast<int32_t>(now - echoed) < 0) continue;
        const uint32_t elapsed = now - echoed;
        if (elapsed < host.minimumMs) host.minimumMs = elapsed;
        if (elapsed > host.maximumMs) host.maximumMs = elapsed;
        const uint32_t replies = host.replies.load() + 1;
        host.averageMs = static_cast<uint32_t>(
            (static_cast<uint64_t>(host.averageMs.load()) * (replies - 1) + elapsed) / replies);
        host.replies = replies;
        changed_ = true;
    }
}
