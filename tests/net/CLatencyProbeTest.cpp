// The shard latency probe against a UDP echo on loopback.
#include "net/CLatencyProbe.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

std::atomic<int> g_callbacks{0};
void CountCallback() {
    ++g_callbacks;
}
// The screen's callback may call back into the probe: it runs on the main thread.
void AddHostCallback() {
    if (CLatencyProbe* probe = CLatencyProbe::Get()) probe->AddHost(platform::kLoopback);
    ++g_callbacks;
}

// Answers every datagram; rewrite may change the reply first. An echo with another port answers
// from a second socket, as a stranger on the same machine would.
class UdpEcho {
  public:
    explicit UdpEcho(std::function<void(uint8_t*, int)> rewrite = nullptr, bool anotherPort = false)
        : rewrite_(std::move(rewrite)) {
        socket_ = platform::OpenUdpSocket();
        EXPECT_TRUE(platform::BindSocket(socket_, platform::kLoopback, 0));
        port_ = platform::BoundPort(socket_);
        replySocket_ = socket_;
        if (anotherPort) {
            replySocket_ = platform::OpenUdpSocket();
            EXPECT_TRUE(platform::BindSocket(replySocket_, platform::kLoopback, 0));
        }
        thread_ = std::thread([this] { Run(); });
    }
    ~UdpEcho() {
        stop_ = true;
        thread_.join();
        if (replySocket_ != socket_) platform::CloseSocket(replySocket_);
        platform::CloseSocket(socket_);
    }
    uint16_t port() const { return port_; }
    int received() const { return received_; }
    uint16_t lastSenderPort() const { return lastSenderPort_; }

  private:
    void Run() {
        uint8_t datagram[256];
        while (!stop_) {
            uint32_t address = 0;
            uint16_t port = 0;
            const int n = platform::ReceiveDatagram(socket_, datagram, sizeof datagram, &address, &port);
            if (n <= 0) {
                platform::SleepMillis(1);
                continue;
            }
            ++received_;
            lastSenderPort_ = port;
            if (rewrite_) rewrite_(datagram, n);
            platform::SendDatagram(replySocket_, datagram, static_cast<size_t>(n), address, port);
        }
    }
    std::function<void(uint8_t*, int)> rewrite_;
    int socket_ = -1;
    int replySocket_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> received_{0};
    std::atomic<uint16_t> lastSenderPort_{0};
    std::thread thread_;
};

class CLatencyProbeTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        g_callbacks = 0;
    }
    static CLatencyProbe::Settings Fast(uint16_t port) {
        CLatencyProbe::Settings settings;
        settings.port = port;
        settings.probeIntervalMs = 5;
        settings.callbackAfterRepliesMs = 0;
        settings.callbackIdleMs = 10;
        return settings;
    }
};

TEST_F(CLatencyProbeTest, EchoesGiveEachShardItsResponseTimes) {
    UdpEcho echo;
    CLatencyProbe* probe = CLatencyProbe::Create(Fast(echo.port()));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(CLatencyProbe::Get(), probe);
    probe->SetCallback(CountCallback);
    EXPECT_EQ(probe->AddHost(platform::kLoopback), 1);
    EXPECT_EQ(probe->AddHost(platform::kLoopback), 2);
    ASSERT_TRUE(qvtest::WaitUntil([&] {
        return probe->GetHost(0)->replies >= 3 && probe->GetHost(1)->replies >= 3 && g_callbacks > 0;
    }));
    for (int i = 0; i < 2; ++i) {
        const LatencyHost* host = probe->GetHost(i);
        EXPECT_GE(host->sent, host->replies);
        EXPECT_LE(host->minimumMs, host->averageMs);
        EXPECT_LE(host->averageMs, host->maximumMs);
        EXPECT_LT(host->maximumMs, 1000u);
    }
    EXPECT_EQ(probe->GetHost(2), nullptr);
    // The datagrams leave from a port of the system's choice, never the probe's destination port.
    EXPECT_NE(probe->LocalPort(), 0);
    EXPECT_NE(probe->LocalPort(), CLatencyProbe::kProbePort);
    EXPECT_EQ(echo.lastSenderPort(), probe->LocalPort());
    CLatencyProbe::Destroy();
    EXPECT_EQ(CLatencyProbe::Get(), nullptr);
}

// With probing off a new probe is refused and the running one goes, so that nothing is sent.
TEST_F(CLatencyProbeTest, WithProbingOffNoProbeIsMade) {
    UdpEcho echo;
    ASSERT_NE(CLatencyProbe::Create(Fast(echo.port())), nullptr);
    CLatencyProbe::SetProbingAllowed(false);
    EXPECT_EQ(CLatencyProbe::Create(Fast(echo.port())), nullptr);
    EXPECT_EQ(CLatencyProbe::Get(), nullptr);
    CLatencyProbe::SetProbingAllowed(true);
    EXPECT_NE(CLatencyProbe::Create(Fast(echo.port())), nullptr);
    CLatencyProbe::Destroy();
}

TEST_F(CLatencyProbeTest, RepliesThatAreNotTheProbedShardsAreIgnored) {
    std::atomic<int> turn{0};
    struct Case {
        const char* what;
        std::function<void(uint8_t*, int)> rewrite;
        bool anotherPort;
    };
    const Case cases[] = {
        {"an index without a host", [&](uint8_t* datagram, int) { datagram[2] = (turn++ % 2) ? 40 : 1; },
         false},
        {"a tick never sent", [](uint8_t* datagram, int) { datagram[6] ^= 0x80; }, false},
        {"another port of the shard's address", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UdpEcho echo(c.rewrite, c.anotherPort);
        CLatencyProbe* probe = CLatencyProbe::Create(Fast(echo.port()));
        probe->AddHost(platform::kLoopback);
        ASSERT_TRUE(qvtest::WaitUntil([&] { return echo.received() >= 6; }));
        platform::SleepMillis(5);
        EXPECT_EQ(probe->GetHost(0)->replies, 0u);
        EXPECT_EQ(probe->GetHost(0)->maximumMs, 0u);
        CLatencyProbe::Destroy();
    }
}

// Between probes the thread sleeps: it wakes for a probe round, a reply, a change or a stop, not
// on a short period. A reply still wakes it at once, so its time is not stretched to the next round.
TEST_F(CLatencyProbeTest, TheThreadSleepsUntilAProbeIsDueOrAReplyArrives) {
    UdpEcho echo;
    CLatencyProbe::Settings settings = Fast(echo.port());
    settings.probeIntervalMs = 150;
    settings.callbackIdleMs = 600000;
    CLatencyProbe* probe = CLatencyProbe::Create(settings);
    probe->AddHost(platform::kLoopback);
    const LatencyHost* host = probe->GetHost(0);
    ASSERT_TRUE(qvtest::WaitUntil([&] { return host->replies >= 3; }));
    const uint32_t wakeups = probe->Wakeups();
    // One wake for each probe and each reply, a few for the start and the new host.
    EXPECT_LE(wakeups, host->sent + host->replies + 5)
        << "sent " << host->sent << ", replies " << host->replies;
    EXPECT_LT(host->maximumMs, settings.probeIntervalMs / 2);
}

// The callback redraws a screen the main thread owns and deletes: it must run on the main thread,
// and never once ClearCallback or Destroy has returned.
struct ListScreen {
    int refreshes = 0;
};
ListScreen* g_screen = nullptr;
std::thread::id g_mainThread;
std::atomic<int> g_foreignCalls{0};
void RefreshScreen() {
    if (std::this_thread::get_id() != g_mainThread) ++g_foreignCalls;
    if (g_screen) ++g_screen->refreshes;
}

TEST_F(CLatencyProbeTest, TheCallbackRunsOnTheMainThreadAndNotAfterItIsCleared) {
    UdpEcho echo;
    g_mainThread = std::this_thread::get_id();
    g_foreignCalls = 0;
    for (int round = 0; round < 4; ++round) {
        auto screen = std::make_unique<ListScreen>();
        g_screen = screen.get();
        CLatencyProbe* probe = CLatencyProbe::Create(Fast(echo.port()));
        probe->SetCallback(RefreshScreen);
        probe->AddHost(platform::kLoopback);
        ASSERT_TRUE(qvtest::WaitUntil([&] { return screen->refreshes >= 3; }));
        probe->ClearCallback();
        const int refreshes = screen->refreshes;
        qvtest::WaitUntil([&] { return probe->GetHost(0)->replies >= 3; });
        qvtest::DispatchPostedMessages();
        EXPECT_EQ(screen->refreshes, refreshes);
        // The screen goes, then the probe, as the list closes; the next list starts over.
        g_screen = nullptr;
        screen.reset();
        if (round % 2) CLatencyProbe::Destroy();
    }
    CLatencyProbe::Destroy();
    qvtest::DispatchPostedMessages(); // a change posted by a probe that is gone finds none
    EXPECT_EQ(g_foreignCalls.load(), 0);
}

// Other threads may ask whether a probe exists while the main thread replaces it.
TEST_F(CLatencyProbeTest, WhetherAProbeExistsMayBeAskedFromAnyThread) {
    CLatencyProbe::Settings settings;
    settings.probeIntervalMs = 60000;
    std::atomic<bool> done{false};
    std::atomic<int> seen{0};
    std::thread asker([&] {
        while (!done)
            if (CLatencyProbe::Get()) ++seen;
    });
    for (int i = 0; i < 20; ++i) {
        CLatencyProbe::Create(settings);
        platform::SleepMillis(1);
        if (i % 2) CLatencyProbe::Destroy();
    }
    CLatencyProbe::Destroy();
    done = true;
    asker.join();
    EXPECT_EQ(CLatencyProbe::Get(), nullptr);
    EXPECT_GT(seen.load(), 0);
}

TEST_F(CLatencyProbeTest, ThirtyTwoHostsAtMost) {
    CLatencyProbe::Settings settings;
    settings.probeIntervalMs = 60000; // nothing is sent
    CLatencyProbe* probe = CLatencyProbe::Create(settings);
    for (int i = 1; i <= CLatencyProbe::kMaxHosts; ++i)
        EXPECT_EQ(probe->AddHost(platform::MakeIPv4(10, 0, 0, i)), i);
    EXPECT_EQ(probe->AddHost(platform::MakeIPv4(10, 0, 0, 99)), -1);
    EXPECT_EQ(probe->HostCount(), 32);
}

TEST_F(CLatencyProbeTest, WithoutRepliesTheCallbackStillRuns) {
    CLatencyProbe::Settings settings = Fast(9); // the discard port: no echo
    settings.probeIntervalMs = 60000;
    CLatencyProbe* probe = CLatencyProbe::Create(settings);
    probe->SetCallback(AddHostCallback);
    ASSERT_TRUE(qvtest::WaitUntil([&] { return g_callbacks >= 3; }));
    probe->ClearCallback();
    EXPECT_GE(probe->HostCount(), 3);
}

TEST_F(CLatencyProbeTest, DestroyEndsTheThreadAtOnce) {
    CLatencyProbe::Settings settings;
    settings.probeIntervalMs = 60000;
    for (int i = 0; i < 3; ++i) {
        CLatencyProbe::Create(settings)->AddHost(platform::kLoopback);
        const auto start = std::chrono::steady_clock::now();
        CLatencyProbe::Destroy(); // joins the thread: a freed probe is never touched again
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
    // A new probe replaces the old one the same way.
    CLatencyProbe* first = CLatencyProbe::Create(settings);
    CLatencyProbe* second = CLatencyProbe::Create(settings);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(CLatencyProbe::Get(), second);
    (void)first;
}

} // namespace
