// Drawing every gump over the world with save-under (save, draw, put back) beside a memcpy of one
// 800 x 600 frame.
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "render/BackBuffer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 800, kHeight = 600;

void BM_GumpFrameMemcpy(benchmark::State& state) {
    std::vector<uint16_t> from(static_cast<size_t>(kWidth) * kHeight, 0x1234), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(uint16_t));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(from.size()) * 2);
}
BENCHMARK(BM_GumpFrameMemcpy);

// 30 overlapping keyed windows of 200 x 150, a quarter of each pixel transparent.
void BM_DrawAllGumps(benchmark::State& state) {
    BackBuffer::Resize(kWidth, kHeight);
    CGumpManager::ResetForTests();
    for (int i = 0; i < 30; ++i) {
        auto* g = new CGump((i * 97) % 600, (i * 53) % 450, 0, 1, 200, 150);
        PixelBlock& block = g->SetFrame(0, PixelBlock(200, 150));
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                block.At(x, y) = ((x + y) & 3) == 0 ? 0 : static_cast<uint16_t>(0x0421 * (i % 31) + 1);
        g->Attach(nullptr);
    }
    const Rect all{0, 0, kWidth, kHeight};
    for (auto _ : state) {
        CGumpManager::DrawAllGumps(&all, false);
        CGumpManager::DrawAllGumps(nullptr, true); // puts the world back without presenting
        benchmark::DoNotOptimize(BackBuffer::Pixels());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kWidth * kHeight * 2);
    CGumpManager::ResetForTests();
    BackBuffer::Release();
}
BENCHMARK(BM_DrawAllGumps);

} // namespace
