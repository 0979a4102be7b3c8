#pragma once
// The raster modules reset for every test, and the sample picture files of the synthetic
// installation served as the data files' items.
#include "core/CDHDCache.h"
#include "gumps/CGumpManager.h"
#include "mkinstall/ArtFiles.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/FrameServices.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "render/RenderData.h"
#include "render/SpanKernels.h"
#include "render/SpanOps.h"
#include "support/CanaryCanvas.h"
#include "support/TestSupport.h"

#include <vector>

namespace rendertest {

// The items tests serve in place of the data files.
struct ServedFiles {
    mkinstall::IndexedFile art;
    mkinstall::IndexedFile gumps;
};
ServedFiles& Served();

inline const uint8_t* ServeItem(int indexRow, int, int id, int& length, int& extra) {
    const mkinstall::IndexedFile& file = indexRow == CDHDCache::kGumpIdx ? Served().gumps : Served().art;
    return mkinstall::FindItem(file, id, length, extra);
}

class RenderTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        ResetAll();
    }
    void TearDown() override {
        ResetAll();
        qvtest::CleanState::TearDown();
    }
    static void ResetAll() {
        ResetArtCache();
        ResetGumpArtCache();
        ResetSpanState();
        OverrideSpanFeaturesForTests(nullptr);
        HueManager::ResetForTests();
        GraphicManager::ResetForTests();
        BackBuffer::Release();
        ResetDirtyRectsForTests();
        ResetDisplayForTests();
        RenderData::ResetForTests();
        SetFrameServices(FrameServices{});
        CGumpManager::SetGameAreaOffset(0, 0);
        Served() = ServedFiles{};
    }
    // The sample art, gump art and hues of the synthetic installation.
    static void UseSampleFiles() {
        Served().art = mkinstall::MakeArtFiles();
        Served().gumps = mkinstall::MakeGumpArtFiles();
        RenderData::SetItemSource(ServeItem);
        std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
    }
};

using qvtest::CanaryCanvas;

} // namespace rendertest
