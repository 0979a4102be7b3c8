#include "platform/headless.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace {

using namespace platform;

class WaitForWorkTest : public qvtest::CleanState {
  protected:
    void TearDown() override {
        UseRealClock();
        qvtest::CleanState::TearDown();
    }
};

// A connected loopback pair: the client end is non-blocking and watched.
struct LoopbackPair {
    SocketHandle listener = ListenTcp(kLoopback, 0);
    SocketHandle client = OpenTcpSocket();
    SocketHandle server = kInvalidSocket;
    LoopbackPair() {
        if (!ConnectSocket(client, kLoopback, BoundPort(listener), 2000)) return;
        SetSocketNonBlocking(client, true);
        for (int i = 0; i < 2000 && server == kInvalidSocket; ++i) {
            server = AcceptConnection(listener);
            if (server == kInvalidSocket) SleepMillis(1);
        }
    }
    ~LoopbackPair() {
        CloseSocket(client);
        CloseSocket(server);
        CloseSocket(listener);
    }
};

TEST_F(WaitForWorkTest, WithNothingDueTheClockMovesExactlyToTheEarliestDeadline) {
    struct Case {
        const char* name;
        uint32_t start;
        uint32_t deadline;
        std::optional<uint32_t> registered;
        uint32_t endsAt;
    } cases[] = {
        {"the loop's own deadline", 1000, 1050, std::nullopt, 1050},
        {"a registered one comes first", 1000, 1050, 1032, 1032},
        {"a registered one comes later", 1000, 1050, 2000, 1050},
        {"a deadline already passed", 1000, 990, std::nullopt, 1000},
        {"a registered one already passed", 1000, 1050, 999, 1000},
        {"across the wrap of the tick count", 0xFFFFFFF0u, 0x20, 0x10, 0x10},
    };
    for (const Case& c : cases) {
        UseManualClock(c.start, 0);
        Deadline other;
        if (c.registered) other.Set(*c.registered);
        EXPECT_EQ(WaitForWork(c.deadline), WakeReason::Deadline) << c.name;
        EXPECT_EQ(TickCount(), c.endsAt) << c.name;
    }
    // A cleared or destroyed slot no longer counts.
    UseManualClock(1000, 0);
    Deadline cleared;
    cleared.Set(1010);
    cleared.Clear();
    EXPECT_FALSE(cleared.IsSet());
    EXPECT_EQ(WaitForWork(1050), WakeReason::Deadline);
    EXPECT_EQ(TickCount(), 1050u);
}

TEST_F(WaitForWorkTest, BytesOrACloseOnAWatchedConnectionEndTheWaitAtOnce) {
    LoopbackPair pair;
    ASSERT_NE(pair.server, kInvalidSocket);
    UseManualClock(5000, 0);
    WatchSocket(pair.client);
    EXPECT_EQ(WaitForWork(5100), WakeReason::Deadline); // nothing has arrived yet

    ASSERT_EQ(SendBytes(pair.server, "seed", 4), 4);
    ASSERT_TRUE(WaitSocketReadable(pair.client, 2000));
    const uint32_t before = TickCount();
    EXPECT_EQ(WaitForWork(before + 10000), WakeReason::Socket);
    EXPECT_EQ(TickCount(), before); // no time passed
    char bytes[8];
    ASSERT_EQ(ReceiveBytes(pair.client, bytes, sizeof bytes), 4);
    EXPECT_EQ(WaitForWork(TickCount() + 10), WakeReason::Deadline); // read: nothing left

    CloseSocket(pair.server);
    pair.server = kInvalidSocket;
    ASSERT_TRUE(WaitSocketReadable(pair.client, 2000));
    EXPECT_EQ(WaitForWork(TickCount() + 10000), WakeReason::Socket);

    // A closed socket is no longer watched.
    CloseSocket(pair.client);
    pair.client = kInvalidSocket;
    EXPECT_EQ(WaitForWork(TickCount() + 10), WakeReason::Deadline);
}

// The waits on the real clock, on each backend: SDL (its dummy video driver) waits in its event
// queue while its watcher thread polls the sockets.
class RealWaitTest : public qvtest::CleanState, public ::testing::WithParamInterface<BackendKind> {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        UseRealClock();
        ::setenv("SDL_VIDEODRIVER", "dummy", 1);
        UseBackend(GetParam());
        ASSERT_TRUE(CreateMainWindow(WindowDesc{"Varnis Online", 64, 48, false},
                                     [](const Message& m) { return DefWindowProc(m); }));
        Message m;
        while (PeekMessage(m)) {
        }
    }
    void TearDown() override {
        DestroyMainWindow();
        UseBackend(BackendKind::Headless);
        qvtest::CleanState::TearDown();
    }
};

TEST_P(RealWaitTest, BytesArrivingDuringARealWaitEndIt) {
    LoopbackPair pair;
    ASSERT_NE(pair.server, kInvalidSocket);
    WatchSocket(pair.client);
    std::thread sender([&] {
        SleepMillis(30);
        SendBytes(pair.server, "x", 1);
    });
    const uint32_t start = TickCount();
    const WakeReason reason = WaitForWork(start + 20000);
    sender.join();
    EXPECT_EQ(reason, WakeReason::Socket);
    EXPECT_LT(TickCount() - start, 10000u);
}

TEST_F(WaitForWorkTest, InputEndsTheWait) {
    UseManualClock(100, 0);
    headless::PushKey('A', true);
    EXPECT_EQ(WaitForWork(5000), WakeReason::Message);
    EXPECT_EQ(TickCount(), 100u);
    Message m;
    ASSERT_TRUE(PeekMessage(m));
    EXPECT_EQ(WaitForWork(150), WakeReason::Deadline);
}

TEST_P(RealWaitTest, AMessagePostedFromAnotherThreadEndsTheWait) {
    // Input pushed (headless only: SDL input comes from the window system) or a posted call.
    Message m;
    for (bool posted : {false, true}) {
        if (!posted && GetParam() == BackendKind::Sdl) continue;
        std::thread other([posted] {
            SleepMillis(30);
            if (posted)
                PostCall([](uintptr_t) {}, 0);
            else
                headless::PushChar(u'x');
        });
        const uint32_t start = TickCount();
        const WakeReason reason = WaitForWork(start + 20000);
        other.join();
        EXPECT_EQ(reason, WakeReason::Message) << (posted ? "posted call" : "input");
        EXPECT_LT(TickCount() - start, 10000u);
        while (PeekMessage(m)) {
        }
    }
}

TEST_P(RealWaitTest, ADeadlineRegisteredWhileWaitingIsHonoured) {
    Deadline late;
    const uint32_t start = TickCount();
    std::thread other([&] {
        SleepMillis(20);
        late.Set(TickCount() + 40);
    });
    const WakeReason reason = WaitForWork(start + 20000);
    other.join();
    EXPECT_EQ(reason, WakeReason::Deadline);
    const uint32_t waited = TickCount() - start;
    EXPECT_GE(waited, 60u);
    EXPECT_LT(waited, 10000u);
}

INSTANTIATE_TEST_SUITE_P(Backends, RealWaitTest, ::testing::Values(BackendKind::Headless, BackendKind::Sdl),
                         [](const auto& info) {
                             return info.param == BackendKind::Sdl ? "Sdl" : "Headless";
                         });

} // namespace
