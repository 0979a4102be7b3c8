// Wrapped, styled paragraphs in the sample installation's fonts, compared byte for byte with the
// PPM files under golden/. Set QV_UPDATE_GOLDEN=1 to write them anew after an intended change.
#include "TextFixture.h"

#include "mkinstall/ArtFiles.h"
#include "mkinstall/TextFiles.h"
#include "render/Ppm.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using texttest::Canvas;

constexpr uint16_t kBackground = 0x0842;

class TextGolden : public texttest::TextTest {
  protected:
    void SetUp() override {
        TextTest::SetUp();
        std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
    }
    static void Fill(Canvas& canvas) {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                canvas.at(x, y) = kBackground;
    }
    static void ExpectGolden(const std::string& name, const Canvas& canvas) {
        std::vector<uint16_t> pixels = canvas.Pixels();
        qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/text") / "golden" / name,
                                EncodePpm(pixels.data(), canvas.width(), canvas.height()));
        EXPECT_TRUE(canvas.CanariesIntact());
    }
};

TEST_F(TextGolden, BitmapFontParagraph) {
    std::vector<uint8_t> fonts = mkinstall::MakeFontsFile();
    ASSERT_EQ(FontManager::LoadFontsFromBytes(fonts.data(), fonts.size()), mkinstall::kSampleFontCount);
    Canvas canvas(200, 84);
    Fill(canvas);
    BlitTarget target = canvas.Target();
    int y = 2;
    y += FontManager::DrawstringBuf(4, y, 0, 0,
                                    "Welcome to Varnis. The harbour gates stand open to every traveller who "
                                    "arrives by sea, and the lamps burn late.",
                                    190, target, kNoClip, 2, 9, false);
    y += FontManager::DrawstringBuf(4, y + 2, 3, 38, "Centred, hued and shadowed.", 190, target, kNoClip, 0,
                                    0, true);
    y += FontManager::DrawstringBuf(4, y + 4, 1, 0, "Large type", 190, target, kNoClip, 0, 0, false);
    FontManager::DrawStringBufEllips(4, y + 14, 4, 0, "This line is far too long for its box", target,
                                     Rect{0, 0, 120, 84});
    SetConfiguredShadedFonts(true);
    FontManager::DrawString(130, y + 14, 9, 0, "Shaded", target, kNoClip);
    ExpectGolden("bitmap_paragraph.ppm", canvas);
}

TEST_F(TextGolden, UnicodeFontParagraph) {
    for (int f = 0; f < kUnicodeFontCount; ++f)
        UnicodeUseFontBytes(f, mkinstall::MakeUnicodeFontFile(f));
    Canvas canvas(240, 150);
    Fill(canvas);
    BlitTarget target = canvas.Target();
    UnicodeSetStyle(TextStyle::H2);
    UnicodeDrawString(target, u"Heading", 4, 0, 0x7FE0, kNoClip);
    UnicodeSetStyle(0);
    UnicodeSetSpaceWidth(4);
    UnicodeDrawStringWrap(target, 230,
                          u"Plain text wraps at spaces and keeps each line eighteen pixels high.", 4, 20,
                          0x7FFF, kNoClip, false);
    UnicodeSetStyle(TextStyle::B | TextStyle::U);
    UnicodeDrawString(target, u"Bold, underlined", 4, 74, 0x7FFF, kNoClip);
    UnicodeRestoreStyle();
    UnicodeSetStyle(TextStyle::I);
    UnicodeDrawString(target, u"Italic leans right", 120, 74, 0x03FF, kNoClip);
    UnicodeSetStyle(TextStyle::Small);
    unicodeColorEscapes = 1;
    UnicodeDrawString(target, u"Small: ^Mred^n, ^Lyellow^n, ^Fblue^n.", 4, 92, 0x7FFF, kNoClip);
    unicodeColorEscapes = 0;
    UnicodeSetStyle(0);
    UnicodeSetAntiAlias(1);
    UnicodeDrawString(target, u"Anti-aliased", 4, 110, 0x7FFF, kNoClip);
    UnicodeSetAntiAlias(0);
    UnicodeDrawStringEllips(target, u"Cut short with an ellipsis", 120, 110, 0x7FFF, Rect{0, 0, 236, 150});
    UnicodeDrawStringWrap(target, 232, u"centred line", 4, 128, 0x7C1F, kNoClip, true);
    ExpectGolden("unicode_paragraph.ppm", canvas);
}

} // namespace
