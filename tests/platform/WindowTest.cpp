#include "platform/headless.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using namespace platform;

class WindowTest : public qvtest::CleanState {
  protected:
    std::vector<Message> seen;
    WindowProc Recorder() {
        return [this](const Message& m) -> intptr_t {
            seen.push_back(m);
            if (m.id == WM_DESTROY) PostQuitMessage(0);
            return DefWindowProc(m);
        };
    }
};

TEST_F(WindowTest, CreationSendsCreateSizeActivate) {
    ASSERT_TRUE(CreateMainWindow(WindowDesc{"Varnis Online", 640, 480, true}, Recorder()));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].id, WM_CREATE);
    EXPECT_EQ(seen[1].id, WM_SIZE);
    EXPECT_EQ(LowWordSigned(seen[1].lParam), 640);
    EXPECT_EQ(HighWordSigned(seen[1].lParam), 480);
    EXPECT_EQ(seen[2].id, WM_ACTIVATE);
    EXPECT_EQ(GetWindowTitle(), "Varnis Online");
    EXPECT_FALSE(CreateMainWindow(WindowDesc{}, Recorder())); // only one main window
}

TEST_F(WindowTest, CloseDestroysAndQuitCarriesTheCode) {
    ASSERT_TRUE(CreateMainWindow(WindowDesc{"Varnis Online", 640, 480, true}, Recorder()));
    headless::PushClose();
    Message m;
    int quitCode = -1;
    while (PeekMessage(m)) {
        if (m.id == WM_QUIT) {
            quitCode = static_cast<int>(m.wParam);
            break;
        }
        DispatchMessage(m);
    }
    EXPECT_EQ(quitCode, 0);
    EXPECT_FALSE(HasMainWindow());
    EXPECT_EQ(seen.back().id, WM_DESTROY);
}

TEST_F(WindowTest, QueueKeepsOrderAndTracksKeyState) {
    ASSERT_TRUE(CreateMainWindow(WindowDesc{}, Recorder()));
    headless::PushKey(VK_CONTROL, true);
    headless::PushKey('A', true);
    PostMessage(WM_COMMAND, 40089);
    headless::PushKey(VK_CONTROL, false);
    Message m;
    std::vector<uint32_t> ids;
    bool ctrlWhileA = false;
    while (PeekMessage(m)) {
        ids.push_back(m.id);
        if (m.id == WM_KEYDOWN && m.wParam == 'A') ctrlWhileA = IsKeyDown(VK_CONTROL);
    }
    // Posted messages queue behind input already pushed.
    EXPECT_EQ(ids, (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYDOWN, WM_COMMAND, WM_KEYUP}));
    EXPECT_TRUE(ctrlWhileA);
    EXPECT_FALSE(IsKeyDown(VK_CONTROL));
}

TEST_F(WindowTest, RemoveQueuedMessageTakesOnlyTheFirstOfItsKind) {
    ASSERT_TRUE(CreateMainWindow(WindowDesc{}, Recorder()));
    headless::PushKey('Z', true);
    headless::PushChar(u'z');
    headless::PushMouse(WM_LBUTTONUP, 5, 6);
    headless::PushChar(u'y');
    EXPECT_TRUE(RemoveQueuedMessage(WM_CHAR));
    Message m;
    std::vector<uintptr_t> chars;
    int buttons = 0;
    while (PeekMessage(m)) {
        if (m.id == WM_CHAR) chars.push_back(m.wParam);
        if (m.id == WM_LBUTTONUP) ++buttons;
    }
    EXPECT_EQ(chars, (std::vector<uintptr_t>{u'y'}));
    EXPECT_EQ(buttons, 1);
}

TEST_F(WindowTest, PresentedRingIsShownRotated) {
    // A 4 x 3 ring whose pixels hold their own index; the screen starts at ring pixel 5.
    std::vector<uint16_t> ring(12);
    for (int i = 0; i < 12; ++i)
        ring[i] = static_cast<uint16_t>(i);
    PresentFrame(ring.data(), 4, 3, 5);
    const auto& f = headless::LastFrame();
    ASSERT_EQ(f.pixels.size(), 12u);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(f.pixels[i], (i + 5) % 12) << i;
    EXPECT_EQ(headless::PresentedFrameCount(), 1);
}

TEST_F(WindowTest, MessageBoxesAreRecorded) {
    ShowMessageBox("Another copy of QV is already running!", "", BoxIcon::Information);
    ASSERT_EQ(headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(headless::MessageBoxes()[0].text, "Another copy of QV is already running!");
    EXPECT_EQ(headless::MessageBoxes()[0].icon, BoxIcon::Information);
}

TEST(ClockTest, ManualClocksAdvanceTogetherOrApart) {
    UseManualClock(0xFFFFF000u, 100);
    EXPECT_EQ(TickCount(), 0xFFFFF000u);
    AdvanceManualClock(0x2000);
    EXPECT_EQ(TickCount(), 0x00001000u); // wraps like the tick count
    EXPECT_EQ(ProcessClockMillis(), 100u + 0x2000);
    AdvanceManualClock(50, 351);
    EXPECT_EQ(TickCount(), 0x1000u + 50);
    EXPECT_EQ(ProcessClockMillis(), 100u + 0x2000 + 351);
    UseRealClock();
    EXPECT_FALSE(IsManualClock());
}

TEST(PeriodicTimerTest, RunsUntilStoppedAndStopJoins) {
    std::atomic<int> calls{0};
    PeriodicTimer timer;
    ASSERT_TRUE(timer.Start(1, [&] { ++calls; }));
    EXPECT_FALSE(timer.Start(1, [] {})); // already running
    while (calls.load() < 3)
        SleepMillis(1);
    timer.Stop();
    int after = calls.load();
    SleepMillis(5);
    EXPECT_EQ(calls.load(), after);
    EXPECT_FALSE(timer.IsRunning());
}

} // namespace
