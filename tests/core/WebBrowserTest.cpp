#include "AppFixture.h"

#include "app/WebBrowser.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class WebBrowserTest : public qvtest::AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        savedPath = platform::GetEnv("PATH");
        Services().showModalMessage = [this](const char* text) { calls.push_back(text); };
    }
    void TearDown() override {
        ::setenv("PATH", savedPath.c_str(), 1);
        AppTest::TearDown();
    }
    // An opener on an otherwise empty PATH that writes each argument it got on a line of its own.
    void FakeOpener() {
        std::string script = dir.file("bin/xdg-open");
        dir.write("bin/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                      dir.file("args.tmp") + "\"\n/bin/mv \"" + dir.file("args.tmp") +
                                      "\" \"" + dir.file("args") + "\"\n");
        ::chmod(script.c_str(), 0755);
        ::setenv("PATH", dir.file("bin").c_str(), 1);
    }
    std::string WaitForArgs() {
        for (int i = 0; i < 500 && !std::filesystem::exists(dir.file("args")); ++i)
            platform::SleepMillis(10);
        return dir.read("args");
    }
    std::string savedPath;
    qvtest::TempDir dir;
};

TEST_F(WebBrowserTest, OnlyWebAddressesAreOpenable) {
    struct Case {
        const char* url;
        bool openable;
    } cases[] = {
        {"http://example.com/", true},
        {"HTTPS://example.com/a?b=c&d", true},
        {"https://x/$(reboot); rm -rf ~", true}, // harmless: it is one argument, no shell sees it
        {"http://", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"-e http://example.com", false},
        {"http://example.com/\nsecond line", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsOpenableWebAddress(c.url), c.openable) << c.url;
}

TEST_F(WebBrowserTest, TheAddressReachesTheOpenerAsOneArgument) {
    FakeOpener();
    const std::string url = "https://example.com/a b;echo \"x\" $(id)";
    EXPECT_TRUE(OpenURL(url));
    EXPECT_EQ(WaitForArgs(), url + "\n");
    EXPECT_TRUE(calls.empty());
}

TEST_F(WebBrowserTest, WithoutAnOpenerTheBrowserIsNotFound) {
    ::setenv("PATH", dir.file("nothing-here").c_str(), 1);
    EXPECT_FALSE(OpenURL("http://example.com/"));
    EXPECT_EQ(calls, (std::vector<std::string>{"Web browser not found!"}));
}

TEST_F(WebBrowserTest, OtherAddressesAreRefusedWithoutStartingAnything) {
    FakeOpener();
    qvtest::ReportRecorder report;
    EXPECT_FALSE(OpenURL("file:///etc/passwd"));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "OpenURL: not a web address"));
    platform::SleepMillis(50);
    EXPECT_FALSE(std::filesystem::exists(dir.file("args")));
}

TEST_F(WebBrowserTest, AMissingWorkingFolderIsADirectoryError) {
    FakeOpener();
    EXPECT_FALSE(
        RunBrowserCommand(dir.file("bin/xdg-open"), "http://example.com/", dir.file("no-such-folder")));
    EXPECT_TRUE(LastBrowserStartWasDirectoryError());
    EXPECT_TRUE(RunBrowserCommand(dir.file("bin/xdg-open"), "http://example.com/", dir.path().string()));
    EXPECT_EQ(WaitForArgs(), "http://example.com/\n");
}

} // namespace
