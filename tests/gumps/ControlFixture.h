#pragma once
// The gump fixture with what controls draw with: the sample bitmap and unicode fonts, the hue
// table, and sheets: small pictures the controls are drawn into for golden comparison.
#include "gumps/Controls.h"
#include "gumps/GumpFixture.h"
#include "mkinstall/ControlArts.h"
#include "mkinstall/TextFiles.h"
#include "render/HueManager.h"
#include "render/Ppm.h"
#include "text/FontManager.h"
#include "text/UnicodeFont.h"

#include <filesystem>
#include <string>

namespace gumptest {

// A window that records what its controls tell it.
class RecordingWindow : public TestGump {
  public:
    using TestGump::TestGump;
    void HandleChildChange(CGump* child) override {
        ++changes;
        events.push_back("change");
        lastChild = child;
    }
    void HandleThumbMove(int position, int range, CGump*) override {
        events.push_back("move " + std::to_string(position) + "/" + std::to_string(range));
    }
    void HandleThumbRelease(int position, int range, CGump*) override {
        events.push_back("release " + std::to_string(position) + "/" + std::to_string(range));
    }
    void HandleRButtonDown(int, int) override { events.push_back("rdown"); }
    CGump* lastChild = nullptr;
    static inline int changes = 0; // also after the window is gone
};

// A picture over a grey checker, to show what is transparent.
struct Sheet {
    PixelBlock block;
    Sheet(int w, int h) : block(w, h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                block.At(x, y) = ((x / 4 + y / 4) & 1) ? 0x2108 : 0x318C;
    }
    BlitTarget Target() { return MakeBlitTarget(block.pixels.data(), block.width, block.height); }
    void Draw(CGump& g) { g.Draw(Target(), kNoClip); }
    // A gump's own bitmap at (x, y).
    void Put(const PixelBlock& bitmap, int x, int y) {
        BlitPixelBlockTo(Target(), CopySpanKeyed, bitmap.pixels.data(), bitmap.width, bitmap.height, kNoClip,
                         x, y);
    }
    void ExpectGolden(const char* name) {
        qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/gumps/golden") / name,
                                EncodePpm(block.pixels.data(), block.width, block.height));
    }
};

class ControlTest : public GumpTest {
  protected:
    void SetUp() override {
        GumpTest::SetUp();
        const std::vector<uint8_t> fonts = mkinstall::MakeFontsFile();
        FontManager::LoadFontsFromBytes(fonts.data(), fonts.size());
        for (int font = 0; font < 3; ++font)
            UnicodeUseFontBytes(font, mkinstall::MakeUnicodeFontFile(font));
        const std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
        MouseManager::startup();
    }
    void TearDown() override {
        ResetUnicodeFontsForTests();
        FontManager::ResetForTests();
        HueManager::ResetForTests();
        GumpTest::TearDown();
    }
    // The pointer moves there and one mouse update runs.
    static void MoveTo(int x, int y) {
        platform::headless::SetCursorPosition(x, y);
        MouseManager::Update();
    }
    static void Click(int x, int y) {
        MoveTo(x, y);
        MouseManager::OnLButtonDown(x, y);
        MouseManager::OnLButtonUp(x, y);
    }
};

} // namespace gumptest
