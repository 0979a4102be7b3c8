// The gumplab tool's scripted sessions: the modal box is pressed away, a window dragged, a tooltip
// shown, and the last frame written; every control used and a question left open.
#include "gumplab/GumpLab.h"
#include "gumplab/ControlsScene.h"
#include "gumplab/InputsScene.h"
#include "gumps/GumpFixture.h"
#include "mkinstall/ControlArts.h"
#include "mkinstall/CursorArt.h"
#include "mkinstall/FieldArts.h"
#include "mkinstall/Installation.h"
#include "mkinstall/ServerWindowArts.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

// A scene's session run headless into a fresh sample installation, and its last frame as 5-5-5
// pixels.
class LabShot {
  public:
    LabShot() {
        platform::UseRealClock();
        installed_ = mkinstall::WriteInstallation(dir_.file("install"), nullptr);
    }
    bool installed() const { return installed_; }
    std::string install() const { return dir_.file("install"); }
    // Runs the scene with a shot; false with the tool's error otherwise.
    bool Run(const std::string& scene, const std::string& sceneArg = "") {
        error_.clear();
        if (!gumplab::Run({install(), scene, dir_.file(scene + ".ppm"), sceneArg}, &error_)) return false;
        ppm_ = dir_.read(scene + ".ppm");
        return ppm_.compare(0, kHeader.size(), kHeader) == 0;
    }
    const std::string& error() const { return error_; }
    std::string file(const std::string& name) const { return dir_.file(name); }
    uint16_t pixel(int x, int y) const {
        const size_t at = kHeader.size() + (static_cast<size_t>(y) * 640 + x) * 3;
        const auto c = [&](size_t i) {
            return static_cast<uint16_t>(static_cast<uint8_t>(ppm_[at + i]) >> 3);
        };
        return static_cast<uint16_t>(c(0) << 10 | c(1) << 5 | c(2));
    }

  private:
    inline static const std::string kHeader = "P6\n640 480\n255\n";
    qvtest::TempDir dir_;
    bool installed_ = false;
    std::string error_, ppm_;
};

} // namespace

TEST_F(GumpTest, GumpLabWritesTheWindowsSceneAfterItsScript) {
    ResetAll(); // the tool starts the modules itself
    LabShot lab;
    ASSERT_TRUE(lab.installed());
    std::string error;
    EXPECT_FALSE(gumplab::Run({lab.install(), "nosuch", "", ""}, &error));
    EXPECT_EQ(error, "unknown scene nosuch");
    ASSERT_TRUE(lab.Run("windows")) << lab.error();
    auto pixel = [&](int x, int y) { return lab.pixel(x, y); };
    const mkinstall::Picture window = mkinstall::SampleWindow();
    // The first window was dragged by (40, 60) to (60, 80) and is in front.
    EXPECT_EQ(pixel(60 + 2, 80 + 2), window.pixels[2 * 200 + 2]);
    EXPECT_EQ(pixel(60 + 100, 80 + 10), window.pixels[10 * 200 + 100]);
    // The modal box's button was pressed: the box is gone.
    EXPECT_NE(pixel(300, 235), 0x03E0);
}

TEST_F(GumpTest, GumpLabWritesTheControlsSceneAfterItsScript) {
    ResetAll(); // the tool starts the modules itself
    LabShot lab;
    ASSERT_TRUE(lab.installed());
    ASSERT_TRUE(lab.Run("controls")) << lab.error();
    auto pixel = [&](int x, int y) { return lab.pixel(x, y); };
    using L = gumplab::ControlsLayout;
    // The first box was checked.
    EXPECT_EQ(pixel(L::kToggleX + 8, L::kToggleY + 8), mkinstall::SampleControlArt(211).pixels[8 * 15 + 8]);
    // The yes/no question is open in the middle of the game area, the message box is gone.
    const mkinstall::Picture question = mkinstall::SampleControlArt(2070);
    const int qx = 320 - question.width / 2, qy = 240 - question.height / 2;
    EXPECT_EQ(pixel(qx + 1, qy + 1), question.pixels[1 * question.width + 1]);
    EXPECT_EQ(pixel(qx + 160, qy + 100), question.pixels[100 * question.width + 160]);
    // The thumb was dragged 100 pixels along its track.
    EXPECT_EQ(pixel(L::kThumbX + 100 + 1 + 5, L::kThumbY + 5),
              mkinstall::SampleControlArt(254).pixels[5 * 15 + 5]);
}

TEST_F(GumpTest, GumpLabRunsTheChatAndHtmlScenes) {
    ResetAll(); // the tool starts the modules itself
    LabShot lab;
    ASSERT_TRUE(lab.installed());
    EXPECT_TRUE(lab.Run("chat")) << lab.error();
    EXPECT_TRUE(lab.Run("html", QV_TESTS_DIR "/gumps/data/sample.html")) << lab.error();
    EXPECT_FALSE(lab.Run("html", lab.file("missing.html")));
    EXPECT_NE(lab.error().find("missing.html"), std::string::npos);
}

TEST_F(GumpTest, GumpLabWritesTheInputsSceneAfterItsScript) {
    ResetAll(); // the tool starts the modules itself
    LabShot lab;
    ASSERT_TRUE(lab.installed());
    ASSERT_TRUE(lab.Run("inputs")) << lab.error();
    auto pixel = [&](int x, int y) { return lab.pixel(x, y); };
    using L = gumplab::InputsLayout;
    // The list box chose and closed: the field's art shows again below the drop-down field.
    const mkinstall::Picture field = mkinstall::SampleFieldArt(2443);
    EXPECT_NE(pixel(L::kListX + 60, L::kListY + 30), mkinstall::SampleFieldArt(2487).pixels[5 * 120 + 60]);
    // The text field kept its art where no text is drawn.
    EXPECT_EQ(pixel(L::kTextX + field.width - 3, L::kTextY + field.height - 2),
              field.pixels[static_cast<size_t>(field.height - 2) * field.width + field.width - 3]);
}

namespace gumptest {
namespace {

TEST_F(GumpTest, GumpLabRunsTheServerWindowScenes) {
    ResetAll(); // the tool starts the modules itself
    LabShot lab;
    ASSERT_TRUE(lab.installed());
    ASSERT_TRUE(lab.Run("generic", QV_TESTS_DIR "/gumps/data/generic_all.bin")) << lab.error();
    // The recorded gump at (40, 30): its resizepic's top-left piece is there.
    EXPECT_EQ(lab.pixel(40, 30), mkinstall::SampleControlArt(9300).pixels[0]);
    EXPECT_FALSE(lab.Run("generic", QV_TESTS_DIR "/gumps/data/sample.html"));
    EXPECT_NE(lab.error().find("not a generic gump packet"), std::string::npos);
    ASSERT_TRUE(lab.Run("popup")) << lab.error();
    // The menu at the mouse (120, 90): its frame's top-left piece.
    EXPECT_EQ(lab.pixel(120 + 2, 90 + 2), mkinstall::SampleServerWindowArt(2620).pixels[2 * 8 + 2]);
}

} // namespace
} // namespace gumptest
