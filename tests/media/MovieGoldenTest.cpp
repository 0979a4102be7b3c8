// One frame of each type as the player shows it with doubled width and height (flags 0x40 and
// 0x20): key, delta, type 3 and type 4 through the fast and the exact colour conversion, stacked
// top to bottom in one golden image.
#include "media/MoviePlay.h"
#include "mkmovie/MovieWriter.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

using moviewriter::Bytes;

struct Shown {
    std::vector<std::vector<uint16_t>> frames;
    int width = 0, height = 0;
};

void Keep(const uint16_t* pixels, int width, int height, void* user) {
    auto* shown = static_cast<Shown*>(user);
    shown->width = width;
    shown->height = height;
    shown->frames.emplace_back(pixels, pixels + static_cast<size_t>(width) * height);
}

TEST(MovieGolden, OneFramePerTypeThroughBothConversionsDoubled) {
    const int w = 64, h = 48;
    Bytes movie;
    auto add = [&](const char* tag, const Bytes& payload) {
        Bytes c = moviewriter::Chunk(tag, payload);
        movie.insert(movie.end(), c.begin(), c.end());
    };
    Bytes first = moviewriter::SourcePicture(w, h, 0);
    add("TGVk", moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), first));
    add("TGVf",
        moviewriter::DeltaFramePayload(w, h, first, moviewriter::SourcePicture(w, h, 1), {{0, 0}, {-2, 0}}));
    add("pQGT", moviewriter::DctFramePayload(3, w, h, 90, false, moviewriter::SourceRgb(w, h, 2), nullptr));
    add("pIQT", moviewriter::DctFramePayload(4, w, h, 90, false, moviewriter::SourceRgb(w, h, 3), nullptr));
    add("pIQT", moviewriter::DctFramePayload(4, w, h, 90, true, moviewriter::SourceRgb(w, h, 4), nullptr));
    add("SCEl", {});

    Shown shown;
    movie::MovieSettings s;
    s.flags = movie::kDoubleWidth | movie::kDoubleHeight | movie::kCentreX | movie::kCentreY;
    s.screenWidth = 2 * w;
    s.screenHeight = 2 * h;
    s.present = Keep;
    s.presentUser = &shown;
    movie::MoviePlaySource(movie::MovieSource::FromMemory(movie), &s);
    ASSERT_EQ(shown.frames.size(), 5u);
    ASSERT_EQ(shown.width, 2 * w);
    ASSERT_EQ(shown.height, 2 * h);

    std::string header =
        "P6\n" + std::to_string(shown.width) + " " + std::to_string(5 * shown.height) + "\n255\n";
    std::vector<uint8_t> ppm(header.begin(), header.end());
    for (const auto& frame : shown.frames)
        for (uint16_t px : frame)
            for (int shift : {10, 5, 0}) {
                int v = (px >> shift) & 31;
                ppm.push_back(static_cast<uint8_t>((v << 3) | (v >> 2)));
            }
    qvtest::ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/media/golden/movie_frames.ppm"), ppm);
}

} // namespace
