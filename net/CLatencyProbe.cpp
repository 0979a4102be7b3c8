#include "net/CLatencyProbe.h"

#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "platform/platform.h"

#include <chrono>
#include <cstring>

namespace {

// The probe is made and destroyed on the main thread only.
CLatencyProbe* g_probe = nullptr;

uint32_t Now() {
    return GetGameTicks();
}

} // namespace

CLatencyProbe* CLatencyProbe::Create() {
    return Create(Settings{});
}

CLatencyProbe* CLatencyProbe::Create(const Settings& settings) {
    Destroy();
    auto* probe = new (std::nothrow) CLatencyProbe(settings);
    if (!probe) return nullptr;
    probe->thread_ = std::thread([probe] {
        platform::SetCurrentThreadPriority(platform::ThreadPriority::Lowest);
        probe->ThreadMain();
    });
    g_probe = probe;
    return probe;
}

CLatencyProbe* CLatencyProbe::Get() {
    return g_probe;
}

void CLatencyProbe::Destroy() {
    CLatencyProbe* probe = g_probe;
    g_probe = nullptr;
    delete probe;
}

CLatencyProbe::CLatencyProbe(const Settings& settings) : settings_(settings) {}

CLatencyProbe::~CLatencyProbe() {
    Stop();
    std::lock_guard<std::mutex> guard(lock_);
    if (socket_ >= 0) platform::CloseSocket(socket_);
    socket_ = -1;
    count_ = 0;
    for (auto& host : hosts_)
        host.reset();
}

void CLatencyProbe::Stop() {
    {
        std::lock_guard<std::mutex> guard(wakeLock_);
        stop_ = true;
    }
    wake_.notify_all();
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

void CLatencyProbe::ThreadMain() {
    std::unique_lock<std::mutex> wakeGuard(wakeLock_);
    while (!stop_) {
        wakeGuard.unlock();
        if (Callback callback = Service()) callback();
        wakeGuard.lock();
        wake_.wait_for(wakeGuard, std::chrono::milliseconds(1), [this] { return stop_; });
    }
}

CLatencyProbe::Callback CLatencyProbe::Service() {
    std::lock_guard<std::mutex> guard(lock_);
    const uint32_t now = Now();
    if (socket_ < 0) {
        // A socket that cannot be made is tried again after a while, not on every pass.
        if (socketAttempted_ && static_cast<int32_t>(now - nextSocketAttempt_) < 0) return nullptr;
        socketAttempted_ = true;
        nextSocketAttempt_ = now + settings_.bindRetryMs;
        const int s = platform::OpenUdpSocket();
        if (s < 0) return nullptr;
        // An ephemeral local port: two clients on one machine must not collide.
        if (!platform::BindSocket(s, 0, 0) || !platform::SetSocketNonBlocking(s, true)) {
            QVReport::warning("CLatencyProbe::Service: the probe socket cannot be bound (%d).\n",
                              platform::LastSocketError());
            platform::CloseSocket(s);
            return nullptr;
        }
        socket_ = s;
        localPort_ = platform::BoundPort(s);
    }

    const int count = count_.load();
    for (int i = 0; i < count; ++i) {
        LatencyHost& host = *hosts_[i];
        if (now - host.lastProbeTick.load() <= settings_.probeIntervalMs) continue;
        uint8_t datagram[kDatagramSize] = {};
        datagram[0] = static_cast<uint8_t>(kProbePort >> 8);
        datagram[1] = static_cast<uint8_t>(kProbePort);
        datagram[2] = static_cast<uint8_t>(i);
        for (int b = 0; b < 4; ++b)
            datagram[3 + b] = static_cast<uint8_t>(now >> (8 * b));
        if (platform::SendDatagram(socket_, datagram, sizeof datagram, host.address, settings_.port) >= 0) {
            host.lastProbeTick = now;
            ++host.sent;
        }
    }

    bool replied = false;
    uint8_t reply[256];
    for (;;) {
        const int n = platform::ReceiveDatagram(socket_, reply, sizeof reply, nullptr, nullptr);
        if (n < 0) break;
        if (n < 7) continue;
        const int index = reply[2];
        if (index >= kMaxHosts || index >= count) continue;
        uint32_t echoed = 0;
        for (int b = 0; b < 4; ++b)
            echoed |= static_cast<uint32_t>(reply[3 + b]) << (8 * b);
        const uint32_t elapsed = now - echoed;
        LatencyHost& host = *hosts_[index];
        if (elapsed < host.minimumMs) host.minimumMs = elapsed;
        if (elapsed > host.maximumMs) host.maximumMs = elapsed;
        const uint32_t replies = host.replies.load() + 1;
        host.averageMs = static_cast<uint32_t>(
            (static_cast<uint64_t>(host.averageMs.load()) * (replies - 1) + elapsed) / replies);
        host.replies = replies;
        replied = true;
    }

    const uint32_t sinceCallback = now - lastCallback_;
    if ((replied && sinceCallback >= settings_.callbackAfterRepliesMs) ||
        (!replied && sinceCallback > settings_.callbackIdleMs)) {
        lastCallback_ = now;
        return callback_.load();
    }
    return nullptr;
}
