#pragma once
// Response times of the shards while the player chooses one: a thread of its own sends a small
// UDP datagram to each shard's address every few seconds and times the echoes. The shard list
// screen reads the figures (GetHost, without a lock: every figure is atomic) and registers a
// callback that redraws it; the callback runs on the probe's thread, outside the probe's lock.
#include <atomic>
#include <condition_variable>
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
        uint16_t port = kProbePort;      // where the datagrams go
        uint32_t probeIntervalMs = 5000; // per host
        uint32_t callbackAfterRepliesMs = 500;
        uint32_t callbackIdleMs = 5000;
        uint32_t bindRetryMs = 1000; // after the socket could not be made
    };

    using Callback = void (*)();

    // Destroys the previous probe and starts a new one; null when it cannot be made.
    static CLatencyProbe* Create();
    static CLatencyProbe* Create(const Settings& settings);
    static CLatencyProbe* Get();
    // Stops the thread (waiting for it), closes the socket and frees the hosts.
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

    ~CLatencyProbe();

  private:
    explicit CLatencyProbe(const Settings& settings);
    void ThreadMain();
    // One pass: open the socket on first use, send due probes, read echoes; the callback to run, if
    // one is due.
    Callback Service();
    void Stop();

    Settings settings_;
    std::mutex lock_; // the host table, the socket and the bookkeeping of a pass
    std::mutex wakeLock_;
    std::condition_variable wake_;
    bool stop_ = false; // under wakeLock_
    std::thread thread_;
    std::atomic<Callback> callback_{nullptr};
    uint32_t lastCallback_ = 0;
    uint32_t nextSocketAttempt_ = 0;
    bool socketAttempted_ = false;
    int socket_ = -1;
    std::atomic<uint16_t> localPort_{0};
    std::unique_ptr<LatencyHost> hosts_[kMaxHosts];
    std::atomic<int> count_{0};
};
