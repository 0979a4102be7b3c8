#include "RenderFixture.h"

#include "mkinstall/Installation.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

class InstallationArt : public RenderTest {};

mkinstall::IndexedFile ReadPair(const qvtest::TempDir& dir, const char* index, const char* data) {
    auto i = platform::ReadWholeFile(dir.file(index));
    auto d = platform::ReadWholeFile(dir.file(data));
    EXPECT_TRUE(i && d) << index;
    return mkinstall::IndexedFile{i.value_or(std::vector<uint8_t>{}), d.value_or(std::vector<uint8_t>{})};
}

TEST_F(InstallationArt, TheSyntheticInstallationHoldsTheSamplePicturesHuesAndSpeeds) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(mkinstall::WriteInstallation(dir.path().string(), &error)) << error;
    rendertest::Served().art = ReadPair(dir, "artidx.mul", "art.mul");
    rendertest::Served().gumps = ReadPair(dir, "gumpidx.mul", "gumpart.mul");
    RenderData::SetItemSource(rendertest::ServeItem);
    RenderData::SetInstallFolder(dir.path().string());

    for (int g = 0; g < mkinstall::kSampleItemCount; ++g) {
        mkinstall::Picture p = mkinstall::SampleItem(g);
        const ArtItem* art = GetArt(0x4000 + g);
        ASSERT_NE(art, nullptr) << g;
        EXPECT_EQ(art->width, p.width);
        EXPECT_EQ(GetArtPixel(art, p.width - 1, p.height - 1), p.pixels.back());
    }
    EXPECT_NE(GetArt(2), nullptr);
    EXPECT_EQ(GetArt(9), nullptr); // a land id without a picture
    int w = 0, h = 0;
    GetGumpArtSize(3, &w, &h);
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);

    HueManager::startup();
    EXPECT_EQ(HueManager::GetEntry(1500).colours[9], mkinstall::SampleHueColour(1500, 9));
    GraphicManager::LoadAnimInfo();
    EXPECT_EQ(GraphicManager::GetWalkFrames(999), mkinstall::SampleWalkFrames(999));
    EXPECT_TRUE(platform::headless::MessageBoxes().empty());
}

} // namespace
