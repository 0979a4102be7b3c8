#include "core/ExitHandlers.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_ran;

class ExitHandlersTest : public qvtest::CleanState {};

TEST_F(ExitHandlersTest, RunNewestFirstAndEmptyTheList) {
    g_ran.clear();
    RegisterExitHandler([] { g_ran.push_back("log"); }, "log");
    RegisterExitHandler([] { g_ran.push_back("memory"); }, "memory");
    RegisterExitHandler([] { g_ran.push_back("files"); }, "files");
    EXPECT_EQ(RegisteredExitHandlerNames(), (std::vector<std::string>{"log", "memory", "files"}));
    RunExitHandlers();
    EXPECT_EQ(g_ran, (std::vector<std::string>{"files", "memory", "log"}));
    EXPECT_TRUE(RegisteredExitHandlerNames().empty());
    RunExitHandlers();
    EXPECT_EQ(g_ran.size(), 3u);
}

TEST_F(ExitHandlersTest, TerminateFromInsideAHandlerRunsEachHandlerOnce) {
    g_ran.clear();
    qvtest::ReportRecorder recorder; // exit function throws ProcessExit
    RegisterExitHandler([] { g_ran.push_back("first"); }, "first");
    RegisterExitHandler(
        [] {
            g_ran.push_back("fails");
            TerminateProcess(1); // runs the handlers still waiting, then exits
        },
        "fails");
    RegisterExitHandler([] { g_ran.push_back("last"); }, "last");
    try {
        TerminateProcess(3);
        FAIL() << "TerminateProcess returned";
    } catch (const qvtest::ProcessExit& e) {
        EXPECT_EQ(e.code, 1); // the nested call ends the process
    }
    EXPECT_EQ(g_ran, (std::vector<std::string>{"last", "fails", "first"}));
    EXPECT_TRUE(RegisteredExitHandlerNames().empty());
}

} // namespace
