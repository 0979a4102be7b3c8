// Movie frames beside a memcpy of the decoded frame, in the same run: key, delta and DCT frames
// (type 3, type 4 fast and exact, every macroblock coded) of the writer's synthetic pictures at
// 320 x 240 shown doubled and at 640 x 480.
#include "media/MovieCodec.h"
#include "mkmovie/MovieWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

namespace {

struct Frames {
    int width, height;
    bool doubled;
    moviewriter::Bytes key, delta, dct3, dct4, dct4exact;
    Frames(int w, int h, bool d) : width(w), height(h), doubled(d) {
        moviewriter::Bytes first = moviewriter::SourcePicture(w, h, 0);
        key = moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), first);
        delta = moviewriter::DeltaFramePayload(w, h, first, moviewriter::SourcePicture(w, h, 1),
                                               {{0, 0}, {2, 0}});
        moviewriter::Bytes rgb = moviewriter::SourceRgb(w, h, 1);
        dct3 = moviewriter::DctFramePayload(3, w, h, 90, false, rgb, nullptr);
        dct4 = moviewriter::DctFramePayload(4, w, h, 90, false, rgb, nullptr);
        dct4exact = moviewriter::DctFramePayload(4, w, h, 90, true, rgb, nullptr);
    }
};

const Frames& Sized(int which) {
    static const Frames small(320, 240, true), large(640, 480, false);
    return which == 0 ? small : large;
}

void BM_MovieFrame(benchmark::State& state) {
    const Frames& f = Sized(static_cast<int>(state.range(0)));
    int type = static_cast<int>(state.range(1));
    movie::MovieCodec codec;
    codec.Configure(f.doubled);
    movie::FrameSurface a, b;
    a.Create(codec.SurfaceWidth(f.width), f.height);
    b.Create(codec.SurfaceWidth(f.width), f.height);
    codec.MovieDecodeFrame(f.key.data(), f.key.size(), movie::kKeyFrame, a, b);
    const moviewriter::Bytes& payload = type == 1   ? f.key
                                        : type == 2 ? f.delta
                                        : type == 3 ? f.dct3
                                        : type == 4 ? f.dct4
                                                    : f.dct4exact;
    int frameType = std::min(type, 4);
    for (auto _ : state) {
        bool ok = codec.MovieDecodeFrame(payload.data(), payload.size(), frameType, b, a);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(b.pixels.data());
    }
}
// Arguments: size (0: 320 x 240 doubled, 1: 640 x 480), frame type (5: type 4, exact colours).
BENCHMARK(BM_MovieFrame)->ArgsProduct({{0, 1}, {1, 2, 3, 4, 5}})->Unit(benchmark::kMicrosecond);

void BM_MovieFrameMemcpy(benchmark::State& state) {
    const Frames& f = Sized(static_cast<int>(state.range(0)));
    size_t bytes = static_cast<size_t>(f.doubled ? 2 * f.width : f.width) * f.height * 2;
    std::vector<uint8_t> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_MovieFrameMemcpy)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
