// moviedump MOVIE.wve [--frame N OUT.ppm]
// Lists a movie's chunks, then plays it through the player off screen (simulated sound clock) and
// reports what it decoded and presented; --frame writes the Nth presented picture as a PPM file.
#include "media/MoviePlay.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Capture {
    int wanted = -1;
    int seen = 0;
    std::string path;
    bool written = false;
};

void OnPresent(const uint16_t* pixels, int width, int height, void* user) {
    auto* c = static_cast<Capture*>(user);
    if (c->seen++ != c->wanted) return;
    std::ofstream f(c->path, std::ios::binary);
    f << "P6\n" << width << " " << height << "\n255\n";
    for (int i = 0; i < width * height; ++i) {
        uint16_t p = pixels[i];
        char rgb[3] = {static_cast<char>(((p >> 10) & 31) << 3), static_cast<char>(((p >> 5) & 31) << 3),
                       static_cast<char>((p & 31) << 3)};
        f.write(rgb, 3);
    }
    c->written = static_cast<bool>(f);
}

void ListChunks(const char* path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    size_t pos = 0, count = 0;
    std::map<std::string, int> counts;
    while (pos + 8 <= bytes.size()) {
        std::string tag(reinterpret_cast<const char*>(&bytes[pos]), 4);
        uint32_t size = bytes[pos + 4] | (bytes[pos + 5] << 8) | (bytes[pos + 6] << 16) |
                        (uint32_t{bytes[pos + 7]} << 24);
        ++counts[tag];
        ++count;
        if (size < 8) break;
        pos += size;
    }
    for (const auto& [tag, n] : counts)
        std::printf("  %-4s x %d\n", tag.c_str(), n);
    std::printf("%zu chunks, %zu bytes\n", count, bytes.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 5 && std::strcmp(argv[2], "--frame") == 0)) {
        std::fprintf(stderr, "usage: moviedump MOVIE.wve [--frame N OUT.ppm]\n");
        return 2;
    }
    ListChunks(argv[1]);
    Capture capture;
    if (argc == 5) {
        capture.wanted = std::atoi(argv[3]);
        capture.path = argv[4];
    }
    movie::MovieSettings s;
    s.flags = movie::kCentreX | movie::kCentreY | movie::kDoubleHeight | movie::kDoubleWidth;
    s.present = OnPresent;
    s.presentUser = &capture;
    movie::MoviePlay(argv[1], &s);
    if (s.state.load() != movie::kFreed) {
        std::fprintf(stderr, "moviedump: cannot play %s\n", argv[1]);
        return 1;
    }
    std::printf("frame %d x %d, %d decoded, %d presented, %d dropped, %u ms, %d passes%s\n", s.frameWidth,
                s.frameHeight, s.framesDecoded, s.framesPresented, s.framesDropped, s.playDuration,
                s.passCounter.load(), s.soundSimulated ? ", simulated sound clock" : "");
    if (capture.wanted >= 0 && !capture.written) {
        std::fprintf(stderr, "moviedump: frame %d not written\n", capture.wanted);
        return 1;
    }
    return 0;
}
