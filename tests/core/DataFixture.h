#pragma once
// Installations in temporary folders for the file and data-file tests: a settings store that
// points at them, and every data module reset around each test.
#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/PatchStore.h"
#include "core/ShutdownSequence.h"
#include "core/VerData.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/Installation.h"
#include "mkinstall/Landscape.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qvtest {

class DataFixture : public CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        std::filesystem::remove(platform::RegistryFilePath());
        std::filesystem::remove_all(PatchStore::Folder()); // no server-sent items from earlier tests
        recorder = std::make_unique<ReportRecorder>();
    }

    void TearDown() override {
        CDHDCache::shutdown();
        CDHDCache::ResetConfig();
        FileManager::shutdown();
        DefManager::shutdown();
        DefManager::ResetBodyConv();
        DefManager::SetFeatureFlags(0);
        ShutdownSequence::ResetForTests();
        recorder.reset();
        CleanState::TearDown();
    }

    // Points the settings store at an installation folder (and a CD root whose "client" folder
    // holds the CD's files).
    static void PointAt(const std::string& hd, const std::optional<std::string>& cdRoot = std::nullopt,
                        const char* key = FileManager::kInstallKey) {
        platform::RegSetString(platform::RegRoot::LocalMachine, key, "ExePath", hd + "/client.exe");
        if (cdRoot) platform::RegSetString(platform::RegRoot::LocalMachine, key, "InstCDPath", *cdRoot);
    }

    static void Install(const std::string& dir) {
        std::string error;
        ASSERT_TRUE(mkinstall::WriteInstallation(dir, &error)) << error;
    }

    static void WritePair(const std::string& dir, const char* index, const char* data,
                          const std::vector<mkinstall::IndexedItem>& items) {
        std::string error;
        ASSERT_TRUE(mkinstall::WriteIndexedFiles(dir, index, data, items, &error)) << error;
    }

    // Starts the file module and the data files in the given mode.
    static void StartData(CDHDCache::HdConfig config, int cacheSize = 1, bool verdata = false) {
        FileManager::startup();
        CDHDCache::SetHdConfig(config);
        CDHDCache::SetCacheSize(cacheSize);
        CDHDCache::SetUseVerData(verdata);
        CDHDCache::startup();
        CDHDCache::Init();
        LoadVersionFile();
    }

    // An item's bytes as GetCacheItem gives them; nullopt for no item.
    static std::optional<std::string> Item(int indexRow, int dataRow, int id, int* extraOut = nullptr) {
        int length = -1, extra = -1;
        const uint8_t* p = CDHDCache::GetCacheItem(indexRow, dataRow, id, length, extra);
        if (extraOut) *extraOut = extra;
        if (!p) {
            EXPECT_EQ(length, 0);
            return std::nullopt;
        }
        return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(length));
    }

    std::unique_ptr<ReportRecorder> recorder;
};

} // namespace qvtest
