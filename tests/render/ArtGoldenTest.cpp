// Small pictures of the sample arts through the span operations, compared byte for byte with the
// PPM files under golden/. Set QV_UPDATE_GOLDEN=1 to write them anew after an intended change.
#include "RenderFixture.h"

#include "artview/ArtRender.h"
#include "platform/platform.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

std::filesystem::path GoldenPath(const std::string& name) {
    return std::filesystem::path(QV_TESTS_DIR "/render") / "golden" / name;
}

void ExpectGolden(const std::string& name, const artview::Image& image) {
    qvtest::ExpectGoldenPpm(GoldenPath(name), artview::ToPpm(image));
}

class ArtGolden : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        UseSampleFiles();
    }
    static artview::Image Render(artview::Kind kind, int id, int hue = 0, bool partial = false) {
        artview::Image image;
        std::string error;
        EXPECT_TRUE(artview::Render(artview::Request{kind, id, hue, partial}, image, &error)) << error;
        return image;
    }
};

TEST_F(ArtGolden, SingleArtsAsArtviewRendersThem) {
    ExpectGolden("land_1.ppm", Render(artview::Kind::Land, 1));
    ExpectGolden("item_0.ppm", Render(artview::Kind::Item, 0));
    ExpectGolden("item_2_hue_38.ppm", Render(artview::Kind::Item, 2, 38));
    ExpectGolden("item_1_partial_hue_600.ppm", Render(artview::Kind::Item, 1, 600, true));
    ExpectGolden("gump_2.ppm", Render(artview::Kind::Gump, 2));
}

TEST_F(ArtGolden, BlendingOperationsOverEachOther) {
    artview::Image image{64, 48, std::vector<uint16_t>(64 * 48, 0)};
    std::string error;
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Land, 1, CopySpan, 0, 0, &error)) << error;
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Land, 2, FaintSpan, 20, 4, &error));
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Item, 0, TranslucentSpanKeyed, 30, 10, &error));
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Item, 1, BloodRecolorSpan, 5, 25, &error));
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Gump, 0, BlendSpanKeyed, 40, 20, &error));
    SetCurrentHueIndex(99);
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Item, 2, HueTranslucentSpan, 44, -6, &error));
    SelectBlendTable(3);
    ASSERT_TRUE(artview::DrawInto(image, artview::Kind::Gump, 3, HueBlendSpan, 30, 30, &error));
    ExpectGolden("blends.ppm", image);
}

TEST_F(ArtGolden, PpmWidensEachChannel) {
    artview::Image image{2, 1, {0x7FFF, 0x0421}};
    std::vector<uint8_t> ppm = artview::ToPpm(image);
    const std::string header = "P6\n2 1\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 6);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
    EXPECT_EQ(ppm[header.size()], 255);
    EXPECT_EQ(ppm[header.size() + 3], (1 << 3) | (1 >> 2));
}

TEST_F(ArtGolden, MissingArtIsReportedNotDrawn) {
    artview::Image image;
    std::string error;
    EXPECT_FALSE(artview::Render(artview::Request{artview::Kind::Item, 99, 0, false}, image, &error));
    EXPECT_NE(error.find("no such item"), std::string::npos);
    EXPECT_FALSE(artview::Render(artview::Request{artview::Kind::Land, 0x4000, 0, false}, image, &error));
}

} // namespace
