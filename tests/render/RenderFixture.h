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
#include "render/SpanOps.h"
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

// A target of width x height pixels inside a canary frame: writes outside the target show up as
// changed canaries. With side margins the pitch is the row plus the margins, so a write past the
// right edge lands on canaries; without them the pitch is the width (the form of the raw pointer,
// pitch and height blits), and only rows above and below are canaries.
class CanaryCanvas {
  public:
    static constexpr uint16_t kCanary = 0x5A5A;
    static constexpr int kMargin = 16;
    CanaryCanvas(int width, int height, uint16_t fill = 0, bool sideMargins = true)
        : width_(width), height_(height), side_(sideMargins ? kMargin : 0), stride_(width + 2 * side_),
          cells_(static_cast<size_t>(stride_) * (height + 2 * kMargin), kCanary) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                at(x, y) = fill;
    }
    BlitTarget Target() { return BlitTarget{&at(0, 0), stride_, height_, Rect{0, 0, width_, height_}, 0}; }
    uint16_t& at(int x, int y) { return cells_[Index(x, y)]; }
    int pitch() const { return stride_; }
    bool CanariesIntact() const {
        for (int y = -kMargin; y < height_ + kMargin; ++y)
            for (int x = -side_; x < width_ + side_; ++x) {
                bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
                if (!inside && cells_[Index(x, y)] != kCanary) return false;
            }
        return true;
    }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y + kMargin) * stride_ + x + side_; }
    int width_, height_, side_, stride_;
    std::vector<uint16_t> cells_;
};

} // namespace rendertest
