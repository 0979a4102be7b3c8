#pragma once
// Response times of the shards while the player chooses one: a thread of its own sends a small
// UDP datagram to each shard's address every few seconds and times the echoes. It lives as long as
// the shard list: the list's closing destroys it.
//
// Threads: the probe's thread owns the socket and writes the figures; the main thread makes and
// destroys the probe, adds hosts and reads the figures (GetHost, without a lock: every figure is
// atomic). When the figures change the probe's thread only posts a message; the main thread runs
// the callback when it dispatches that message, so the callback never runs on the probe's thread
// and never after ClearCallback or Destroy has returned. Between probes the thread sleeps until the
// next one is due, a reply arrives or the probe is stopped.
#include "platform/platform.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

struct LatencyHost {
    uint32_t address = 0; // host order
    std::atomic<uint32_t> sent{0};
    std::atomic<uint32_t> replies{0};
    std::atomic<uint32_t> minimumMs{1000};
    std::atomic<uint32_t> maximumMs{0};
    std::atomic<uint32_t> averageMs{0};
    std::atomic<uint32_t> lastProbeTick{0};
};

class CLatencyProbe {
  public:
    static constexpr int kMaxHosts = 32;
    static constexpr int kDatagramSize = 40;
    static constexpr uint16_t kProbePort = 12000;

    // The timings; tests shorten them and aim the probes at an echo of their own.
    struct Settings {
        uint16_t port = kProbePort;      // where the datagrams go, and where replies must come from
        uint32_t probeIntervalMs = 5000; // per host
        uint32_t callbackAfterRepliesMs = 500;
        uint32_t callbackIdleMs = 5000;
        uint32_t bindRetryMs = 1000; // after the socket could not be made
    };

    using Callback = void (*)();

    // Main thread, all of them. Create destroys the previous probe and starts a new one; null
    // when it cannot be made.
    static CLatencyProbe* Create();
    static CLatencyProbe* Create(const Settings& settings);
    // While off, Create makes nothing, as when a probe cannot be made: a run that makes up shard
    // addresses (the fuzzers) must not send datagrams to them. On by default.
    static void SetProbingAllowed(bool allowed);
    // Any thread may ask whether a probe exists; only the main thread may use the pointer.
    static CLatencyProbe* Get();
    // Stops the thread (waiting for it), closes the socket and frees the hosts. Nothing when no
    // probe exists.
    static void Destroy();

    // The new host count, or -1 when 32 hosts exist.
    int AddHost(uint32_t address);
    // Null for an index at or above the count.
    const LatencyHost* GetHost(int index) const;
    int HostCount() const { return count_.load(); }
    void SetCallback(Callback callback);
    void ClearCallback();
    // The local port the datagrams leave from (0 until the socket exists).
    uint16_t LocalPort() const { return localPort_.load(); }
    // How often the thread woke up: once per probe round, reply batch, callback or stop.
    uint32_t Wakeups() const { return wakeups_.load(); }

    ~CLatencyProbe();

  private:
    explicit CLatencyProbe(const Settings& settings);
    void ThreadMain();
    // One pass: open the socket on first use, send due probes, read echoes, post the change when
    // one is due. Returns the milliseconds until the next pass is due.
    uint32_t Service();
    void ReadReplies(uint32_t now);
    void Stop();
    // The main thread's end of the posted change.
    static void DeliverChange(uintptr_t);

    Settings settings_;
    std::mutex lock_; // the host table against AddHost
    platform::SocketWaiter waiter_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    Callback callback_ = nullptr;           // main thread only
    std::atomic<bool> changePosted_{false}; // a change message is on its way
    std::atomic<uint32_t> wakeups_{0};
    // The probe's thread only:
    uint32_t lastCallback_ = 0;
    bool changed_ = false; // replies since the last change was posted
    uint32_t nextSocketAttempt_ = 0;
    bool socketAttempted_ = false;
    int socket_ = -1;
    std::atomic<uint16_t> localPort_{0};
    std::unique_ptr<LatencyHost> hosts_[kMaxHosts];
    std::atomic<int> count_{0};
};
