// The main loop while a connect waits for a server that does not answer: the window keeps drawing
// and closes at once.
#include "app/AppServices.h"
#include "app/WinMain.h"
#include "app/multcli.h"
#include "net/CGameSock.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "support/NetTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>

namespace {

class MainLoopConnectTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        ResetWinMainForTests();
        ResetAppServices();
        platform::headless::Reset();
        platform::UseManualClock(1000, 0);
        Services().appUpdate = [this](int) { ++frameSteps; };
    }
    void TearDown() override {
        ResetWinMainForTests();
        ResetAppServices();
        platform::headless::Reset();
        qvtest::NetFixture::TearDown();
    }
    int frameSteps = 0;
};

TEST_F(MainLoopConnectTest, TheLoopDrawsAndClosesWhileALoginServerDoesNotAnswer) {
    qvtest::FullListener silent;
    ASSERT_TRUE(silent.full());
    CApp::SetLoginServers({{"127.0.0.1", silent.port()}});
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(CApp::ConnectToLoginServer());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "the connect blocked the main thread";

    // Two seconds of passes, 10 ms apart on the client's clock.
    for (int pass = 0; pass < 200; ++pass) {
        ASSERT_TRUE(RunMainLoopPass(false));
        platform::AdvanceManualClock(10);
    }
    EXPECT_GE(frameSteps, 35) << "a frame step every 50 ms";
    ASSERT_NE(GetCurrentConnection(), nullptr);
    EXPECT_TRUE(GetCurrentConnection()->IsConnecting());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));

    // The player closes the window: the very next pass ends the loop.
    platform::PostQuitMessage(3);
    const Clock::time_point closing = Clock::now();
    EXPECT_FALSE(RunMainLoopPass(false));
    EXPECT_LT(Clock::now() - closing, std::chrono::milliseconds(500));
    EXPECT_EQ(RunShutdown(), 3);
    EXPECT_FALSE(HasGameSock()) << "the shutdown closed the waiting connection";
}

} // namespace
