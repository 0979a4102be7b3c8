#pragma once
// The world tables over a sample installation in a temporary folder, every module reset around
// each test, and the scene calls a tile data change makes, recorded.
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/Installation.h"
#include "mkinstall/WorldFiles.h"
#include "support/TestSupport.h"
#include "text/LanguageManager.h"
#include "world/CObjectManager.h"
#include "world/RegionManager.h"
#include "world/TileData.h"
#include "world/animCrap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace worldtest {

// What the tile data writers asked of the scene.
struct SceneCalls {
    std::vector<int> refreshedGraphics;
    std::vector<int> invalidatedLand;
    int rebuilds = 0;
};
inline SceneCalls g_calls;

class WorldTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        recorder = std::make_unique<qvtest::ReportRecorder>();
        g_calls = {};
        CObjectManager::SetTileDataHooks({[](int g) { g_calls.refreshedGraphics.push_back(g); },
                                          [](int id) { g_calls.invalidatedLand.push_back(id); },
                                          [] { ++g_calls.rebuilds; }});
    }
    void TearDown() override {
        CObjectManager::SetTileDataHooks(CObjectManager::DefaultTileDataHooks());
        TileData::Free();
        RegionManager::shutdown();
        animCrap::Reset();
        LanguageManager::shutdown();
        DefManager::shutdown();
        DefManager::ResetBodyConv();
        DefManager::SetFeatureFlags(0);
        FileManager::shutdown();
        recorder.reset();
        CleanState::TearDown();
    }

    // Writes the sample installation into the temporary folder and starts the file manager on it.
    void InstallSample() {
        std::string error;
        ASSERT_TRUE(mkinstall::WriteInstallation(dir.path().string(), &error)) << error;
        FileManager::startupWithPaths(dir.path().string(), "");
    }
    // Starts the file manager on the folder as it is.
    void StartFiles() { FileManager::startupWithPaths(dir.path().string(), ""); }

    std::vector<uint8_t> Bytes(const std::string& s) const { return {s.begin(), s.end()}; }

    qvtest::TempDir dir;
    std::unique_ptr<qvtest::ReportRecorder> recorder;
};

} // namespace worldtest
