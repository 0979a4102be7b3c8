#pragma once
// The configuration modules over a temporary working folder: options at their defaults, no
// character or shard chosen, and every module of the player's stores reset around each test.
#include "app/AppServices.h"
#include "app/SavedOptions.h"
#include "app/SpeechQueue.h"
#include "app/multcli.h"
#include "core/CDHDCache.h"
#include "core/CharData.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/StoreErrors.h"
#include "core/config.h"
#include "platform/platform.h"
#include "render/GraphicManager.h"
#include "render/HueManager.h"
#include "support/TestSupport.h"
#include "text/FilterLists.h"

#include <memory>
#include <string>

namespace qvtest {

// The options and the player's stores back to their start.
inline void ResetConfigModules() {
    ResetOptions();
    ResetConfigForTests();
    ResetSavedOptionsForTests();
    CharData::ResetForTests();
    FilterLists::ResetForTests();
    ResetSpeechQueueForTests();
    StoreErrors::ResetForTests();
}

class ConfigFixture : public CleanState {
  protected:
    TempDir dir;
    std::unique_ptr<ReportRecorder> recorder;

    void SetUp() override {
        CleanState::SetUp();
        recorder = std::make_unique<ReportRecorder>();
        ResetModules();
        ConfigFiles::SetWorkingFolder(dir.path().string());
    }
    void TearDown() override {
        ResetModules();
        FileManager::shutdown();
        recorder.reset();
        CleanState::TearDown();
    }
    void ResetModules() {
        firstReadDone = false;
        ResetConfigModules();
        ResetAppServices();
        CApp::ResetForTests();
        CDHDCache::ResetConfig();
        HueManager::ResetForTests();
        GraphicManager::SetScreenSize(640, 480);
    }

    // Reads text as the main "qv.cfg"; the first-logins rule has had its run.
    void ReadMain(const std::string& text) {
        MarkFirstReadDone();
        dir.write("qv.cfg", text);
        CApp::readConfig("qv.cfg", true);
    }
    // The rule that turns the filter off for new players runs on the first reading of a run.
    void MarkFirstReadDone() {
        if (firstReadDone) return;
        firstReadDone = true;
        dir.write("qv.cfg", "ClientLogin=9\n");
        CApp::readConfig("qv.cfg", true);
        ClientLogin = 0;
    }
    void ChooseCharacter(const std::string& account, const std::string& shard, const std::string& name) {
        AcctID = account;
        CApp::SetShardName(shard);
        CApp::SetName(name);
    }
    std::string Read(const std::string& name) const { return dir.read(name); }

  private:
    bool firstReadDone = false;
};

} // namespace qvtest
