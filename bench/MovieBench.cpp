// Movie frames beside a memcpy of the decoded frame, in the same run: key frames and delta frames
// of the writer's synthetic pictures at 320 x 240 shown doubled and at 640 x 480.
#include "media/MovieCodec.h"
#include "mkmovie/MovieWriter.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

struct Frames {
    int width, height;
    bool doubled;
    moviewriter::Bytes key, delta;
    Frames(int w, int h, bool d) : width(w), height(h), doubled(d) {
        moviewriter::Bytes first = moviewriter::SourcePicture(w, h, 0);
        key = moviewriter::KeyFramePayload(w, h, moviewriter::SourcePalette(), first);
        delta = moviewriter::DeltaFramePayload(w, h, first, moviewriter::SourcePicture(w, h, 1),
                                               {{0, 0}, {2, 0}});
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
    const moviewriter::Bytes& payload = type == 1 ? f.key : f.delta;
    for (auto _ : state) {
        bool ok = codec.MovieDecodeFrame(payload.data(), payload.size(), type, b, a);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(b.pixels.data());
    }
}
// Arguments: size (0: 320 x 240 doubled, 1: 640 x 480), frame type.
BENCHMARK(BM_MovieFrame)
    ->Args({0, 1})
    ->Args({0, 2})
    ->Args({1, 1})
    ->Args({1, 2})
    ->Unit(benchmark::kMicrosecond);

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
