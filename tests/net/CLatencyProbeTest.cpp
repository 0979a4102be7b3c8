// The shard latency probe against a UDP echo on loopback.
#include "net/CLatencyProbe.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

std::atomic<int> g_callbacks{0};
void CountCallback() {
    ++g_callbacks;
}
// The screen's callback may call back into the probe: it runs outside the probe's lock.
void AddHostCallback() {
    if (CLatencyProbe* probe = CLatencyProbe::Get()) probe->AddHost(platform::kLoopback);
    ++g_callbacks;
}

// Answers every datagram; rewrite may change the reply first.
class UdpEcho {
  public:
    explicit UdpEcho(std::function<void(uint8_t*, int)> rewrite = nullptr) : rewrite_(std::move(rewrite)) {
        socket_ = platform::OpenUdpSocket();
        EXPECT_TRUE(platform::BindSocket(socket_, platform::kLoopback, 0));
        port_ = platform::BoundPort(socket_);
        thread_ = std::thread([this] { Run(); });
    }
    ~UdpEcho() {
        stop_ = true;
        thread_.join();
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
            platform::SendDatagram(socket_, datagram, static_cast<size_t>(n), address, port);
        }
    }
    std::function<void(uint8_t*, int)> rewrite_;
    int socket_ = -1;
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

TEST_F(CLatencyProbeTest, RepliesWithoutAHostAreIgnored) {
    std::atomic<int> turn{0};
    UdpEcho echo([&](uint8_t* datagram, int) { datagram[2] = (turn++ % 2) ? 40 : 1; });
    CLatencyProbe* probe = CLatencyProbe::Create(Fast(echo.port()));
    probe->AddHost(platform::kLoopback);
    ASSERT_TRUE(qvtest::WaitUntil([&] { return echo.received() >= 6; }));
    platform::SleepMillis(5);
    EXPECT_EQ(probe->GetHost(0)->replies, 0u);
    EXPECT_EQ(probe->GetHost(0)->maximumMs, 0u);
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
