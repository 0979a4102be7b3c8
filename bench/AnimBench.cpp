// The animation frame blit: pixels per second of DrawAnimFrame (plain, hued, partial hue) over
// the sample human's walk, beside a memcpy of the same number of bytes (BM_AnimMemcpy).
#include "mkinstall/AnimFiles.h"
#include "render/AnimFrames.h"
#include "render/DrawManager.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Scene {
    AnimItem item;
    std::vector<uint16_t> screen = std::vector<uint16_t>(kWidth * kHeight, 0x2108);
    std::vector<uint16_t> source = std::vector<uint16_t>(kWidth * kHeight, 0x1234);
    int64_t pixelsPerPass = 0; // every frame drawn once at each of the positions
    static constexpr int kPositions = 12;
    Scene() {
        const mkinstall::IndexedFile files = mkinstall::MakeAnimFiles();
        int length = 0, extra = 0;
        const uint8_t* bytes =
            mkinstall::FindItem(files, 35000 + 0 * 5 + 2, length, extra); // walk, direction 2
        DecodeAnimItem(bytes, static_cast<size_t>(length), item);
        for (const AnimRun& r : item.runs)
            pixelsPerPass += r.length;
        pixelsPerPass *= kPositions;
    }
};

Scene& Data() {
    static Scene scene;
    return scene;
}

void RunFrames(benchmark::State& state, int hueWord) {
    Scene& s = Data();
    DrawManager::SetScrollOffset(0, 0);
    const BlitTarget target = MakeBlitTarget(s.screen.data(), kWidth, kHeight);
    for (auto _ : state) {
        for (int p = 0; p < Scene::kPositions; ++p)
            for (int n = 0; n < s.item.FrameCount(); ++n)
                DrawAnimFrame(target, p & 1, hueWord, 40 + p * 48, 100 + (p % 4) * 100, kNoClip, s.item,
                              *s.item.Frame(n));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * s.pixelsPerPass);
    state.SetBytesProcessed(state.iterations() * s.pixelsPerPass * 2);
}

void BM_AnimFrame(benchmark::State& state) {
    RunFrames(state, 0);
}
void BM_AnimFrameHued(benchmark::State& state) {
    RunFrames(state, 37);
}
void BM_AnimFramePartialHue(benchmark::State& state) {
    RunFrames(state, 37 | kHuePartial);
}

void BM_AnimMemcpy(benchmark::State& state) {
    Scene& s = Data();
    const size_t bytes = static_cast<size_t>(s.pixelsPerPass) * 2;
    std::vector<uint16_t> from(bytes / 2 + 1, 0x1234), to(bytes / 2 + 1);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * s.pixelsPerPass);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

BENCHMARK(BM_AnimMemcpy);
BENCHMARK(BM_AnimFrame);
BENCHMARK(BM_AnimFrameHued);
BENCHMARK(BM_AnimFramePartialHue);

} // namespace
