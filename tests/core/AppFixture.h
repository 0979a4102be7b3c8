#pragma once
// A clean application for tests of start-up, the main loop, the frame step and the main window:
// manual clocks near the 32-bit wrap, services bound to the stand-ins, options at their defaults,
// no cursor timer thread unless a test asks for one.
#include "ConfigFixture.h"
#include "app/AppServices.h"
#include "app/FrameStep.h"
#include "app/MainWindow.h"
#include "app/WinMain.h"
#include "app/multcli.h"
#include "core/FileManager.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "mkinstall/Installation.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace qvtest {

constexpr uint32_t kTickStart = 0xFFFFF000u; // wraps within a few seconds of test time
constexpr uint32_t kProcessStart = 1000;

class AppTest : public CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        savedRegistry = platform::GetEnv("QV_REGISTRY");
        ResetAll();
        platform::UseManualClock(kTickStart, kProcessStart);
        MouseThread = false;
    }
    void TearDown() override {
        RunExitHandlers(); // what a test's start-up registered
        ResetAll();
        ::setenv("QV_REGISTRY", savedRegistry.c_str(), 1);
        platform::UseRealClock();
        CleanState::TearDown();
    }
    static void ResetAll() {
        ResetFrameStep();
        ResetWinMainForTests();
        ResetMainWindowForTests();
        ResetAppServices();
        ResetGameTicks();
        ResetConfigModules();
        CApp::ResetForTests();
        FileManager::shutdown(); // a start-up may have started it
        BackBuffer::Release();
        platform::headless::Reset();
    }
    static void Advance(uint32_t ms) { platform::AdvanceManualClock(ms); }

    // A settings store of this test naming a synthetic installation in dir, plus the given files.
    // Without synthetic, the folder holds only the given files (enough for CApp::startup alone).
    void Install(const TempDir& dir, const std::vector<std::string>& files,
                 const char* key = CApp::kInstallKey, bool synthetic = true) {
        ::setenv("QV_REGISTRY", dir.file("registry.ini").c_str(), 1);
        platform::RegSetString(platform::RegRoot::LocalMachine, key, "ExePath",
                               dir.file("install/client.exe"));
        std::string error;
        if (synthetic) {
            ASSERT_TRUE(mkinstall::WriteInstallation(dir.file("install"), &error)) << error;
        }
        dir.write("install/client.exe", "");
        for (const std::string& f : files)
            dir.write("install/" + f, "x");
    }
    std::string savedRegistry;

    // Records the named calls in order.
    std::vector<std::string> calls;
    std::function<void()> Record(const char* name) {
        return [this, name] { calls.push_back(name); };
    }
};

} // namespace qvtest
