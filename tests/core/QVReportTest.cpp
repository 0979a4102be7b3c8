#include "core/QVReport.h"
#include "core/ExitHandlers.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using QVReport::Level;
using qvtest::ProcessExit;
using qvtest::ReportRecorder;

class QVReportTest : public qvtest::CleanState {};

TEST_F(QVReportTest, LevelsFormatAndReachTheRecorder) {
    ReportRecorder rec;
    QVReport::start();
    rec.clear();
    QVReport::error("FileManager::close: %s!\n", "trying to close unopened or unknown file");
    QVReport::warning("w %d\n", 1);
    QVReport::message("m %s\n", "x");
    QVReport::plain("WinMain: just before main program loop.\n");
    ASSERT_EQ(rec.lines().size(), 4u);
    EXPECT_EQ(rec.lines()[0].level, Level::Error);
    EXPECT_EQ(rec.lines()[0].text, "FileManager::close: trying to close unopened or unknown file!\n");
    EXPECT_EQ(rec.lines()[1].level, Level::Warning);
    EXPECT_EQ(rec.lines()[2].level, Level::Message);
    EXPECT_EQ(rec.lines()[3].level, Level::Plain);
    EXPECT_TRUE(platform::headless::MessageBoxes().empty()); // only fatal is visible
}

TEST_F(QVReportTest, TextIsCutAt2047Characters) {
    ReportRecorder rec;
    QVReport::start();
    std::string longText(5000, 'x');
    QVReport::message("%s", longText.c_str());
    EXPECT_EQ(rec.lines().back().text.size(), 2047u);
}

TEST_F(QVReportTest, FatalShowsABoxAndEndsWithAFailingCode) {
    ReportRecorder rec;
    QVReport::start();
    try {
        QVReport::fatal("MemoryManager::GetMem: m == 0\n");
        FAIL() << "fatal returned";
    } catch (const ProcessExit& e) {
        EXPECT_NE(e.code, 0);
    }
    const auto& boxes = platform::headless::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "QVReport::fatal: ");
    EXPECT_EQ(boxes[0].text, "MemoryManager::GetMem: m == 0\n");
}

TEST_F(QVReportTest, FatalRunsTheExitHandlersFirst) {
    ReportRecorder rec;
    static bool ran;
    ran = false;
    RegisterExitHandler([] { ran = true; }, "probe");
    EXPECT_THROW(QVReport::fatal("x\n"), ProcessExit);
    EXPECT_TRUE(ran);
}

TEST_F(QVReportTest, FatalBeforeStartStillShowsItsOwnTextAndEnds) {
    ReportRecorder rec;
    EXPECT_THROW(QVReport::fatal("%s", "early failure"), ProcessExit);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].text, "early failure");
    EXPECT_TRUE(rec.contains(Level::Warning, "QVReport::outputText: had to call 'start'"));
}

TEST_F(QVReportTest, FatalWithNullFormatShowsAnEmptyBox) {
    ReportRecorder rec;
    QVReport::start();
    EXPECT_THROW(QVReport::fatal(nullptr), ProcessExit);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].text, "");
}

TEST_F(QVReportTest, StartStopAndRestartOnceWithTheErrataFile) {
    ReportRecorder rec;
    QVReport::start();
    EXPECT_TRUE(platform::FileExists("QVReport0.log"));
    QVReport::start();
    EXPECT_TRUE(rec.contains(Level::Warning, "QVReport::start: already started!"));
    QVReport::stop();
    rec.clear();
    QVReport::message("after stop\n"); // restarts once, into the errata file
    EXPECT_TRUE(rec.contains("look in file 'QVErrata0.log'"));
    EXPECT_TRUE(platform::FileExists("QVErrata0.log"));
    rec.clear();
    QVReport::stop();
    EXPECT_TRUE(rec.contains(Level::Warning, "QVReport::stop: already stopped!"));
    rec.clear();
    QVReport::message("again\n"); // no second restart
    ASSERT_EQ(rec.lines().size(), 1u);
    EXPECT_EQ(rec.lines()[0].text, "again\n");
}

TEST_F(QVReportTest, AToolsLogWritesNoFileAndTakesNoMarker) {
    ReportRecorder rec;
    std::filesystem::remove("QVReport0.log"); // left by the tests before
    std::filesystem::remove("QVErrata0.log");
    QVReport::startWithoutFile();
    QVReport::warning("tool line\n");
    QVReport::stop();
    QVReport::message("after stop\n");
    EXPECT_TRUE(rec.contains(Level::Warning, "tool line"));
    EXPECT_FALSE(platform::FileExists("QVReport0.log"));
    EXPECT_FALSE(platform::FileExists("QVErrata0.log"));
    bool existed = true;
    platform::NamedObject marker = platform::NamedObject::Create("QVReport::startup", &existed);
    EXPECT_FALSE(existed);
}

TEST_F(QVReportTest, SecondClientGetsInstanceOneButTheSameLogName) {
    ReportRecorder rec;
    // Another client holds the startup mutex.
    bool existed = false;
    platform::NamedObject other = platform::NamedObject::Create("QVReport::startup", &existed);
    ASSERT_FALSE(existed);
    QVReport::start();
    EXPECT_EQ(QVReport::getInstanceNumber(), 1);
    EXPECT_TRUE(rec.contains("created file 'QVReport0.log'"));
    QVReport::resetForTests();
    other.Close();
    QVReport::start();
    EXPECT_EQ(QVReport::getInstanceNumber(), 0);
}

TEST_F(QVReportTest, ConcurrentReportsKeepTheirOwnText) {
    std::vector<std::string> seen;
    std::mutex m;
    QVReport::start();
    QVReport::setRecorder([&](Level, const std::string& t) {
        std::lock_guard<std::mutex> lock(m);
        seen.push_back(t);
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                QVReport::message("thread %d line %d\n", t, i);
        });
    for (auto& th : threads)
        th.join();
    QVReport::setRecorder(nullptr);
    ASSERT_EQ(seen.size(), 800u);
    for (const auto& s : seen) {
        int t = -1, i = -1;
        ASSERT_EQ(std::sscanf(s.c_str(), "thread %d line %d\n", &t, &i), 2) << s;
    }
}

TEST_F(QVReportTest, DebugTraceCutsAt255Characters) {
    std::string text(400, 'y');
    ::testing::internal::CaptureStderr();
    DebugTrace("objects", 42, text.c_str());
    std::string out = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(out.size(), 255u);
    EXPECT_EQ(out.rfind("objects(42): ", 0), 0u);
}

class MonochromeMonitorTest : public qvtest::CleanState {
  protected:
    static std::string Row(int row) {
        std::string s;
        for (int c = 0; c < MonochromeMonitor::SCREEN_WIDTH; ++c)
            s += static_cast<char>(
                MonochromeMonitor::buffer()[(row * MonochromeMonitor::SCREEN_WIDTH + c) * 2]);
        return s;
    }
    static void Line(const std::string& text) {
        for (char c : text)
            MonochromeMonitor::putchar(c);
        MonochromeMonitor::putchar('\n');
    }
};

TEST_F(MonochromeMonitorTest, ClearHappensOnceAndFillsBlanks) {
    MonochromeMonitor::clear();
    EXPECT_EQ(Row(0), std::string(80, ' '));
    EXPECT_EQ(MonochromeMonitor::buffer()[1], 7);
    MonochromeMonitor::putchar('A');
    MonochromeMonitor::clear(); // a second clear leaves the buffer as it is
    EXPECT_EQ(Row(0)[0], 'A');
}

TEST_F(MonochromeMonitorTest, Mode2ScrollsAndMode1WrapsToTheTop) {
    MonochromeMonitor::clear();
    MonochromeMonitor::setMode(2);
    for (int i = 0; i < 26; ++i)
        Line("line" + std::to_string(i));
    // 26 lines in 25 rows: the first ones scrolled off, the last row is blank for the next.
    EXPECT_EQ(Row(0).substr(0, 5), "line2");
    EXPECT_EQ(Row(22).substr(0, 6), "line24");
    EXPECT_EQ(Row(24), std::string(80, '\0'));
    int col, row;
    MonochromeMonitor::cursor(col, row);
    EXPECT_EQ(row, 24);

    MonochromeMonitor::resetForTests();
    MonochromeMonitor::clear();
    MonochromeMonitor::setMode(1);
    for (int i = 0; i < 26; ++i)
        Line("L" + std::to_string(i));
    EXPECT_EQ(Row(0).substr(0, 3), "L25");
    EXPECT_EQ(Row(1).substr(0, 2), "L1");
}

} // namespace
