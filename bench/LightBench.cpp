// The light renderers over an 800 x 600 frame with 16 sources of the sample light files, beside one
// memcpy of the same frame (compare the times of BM_ApplyLights* with BM_LightFrameMemcpy).
#include "mkinstall/LightFiles.h"
#include "render/Light.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

constexpr int kW = 800, kH = 600;

struct LightBenchData {
    mkinstall::LightFilePair files = mkinstall::MakeLightFiles();
    std::vector<uint16_t> frame = std::vector<uint16_t>(kW * kH);
    std::vector<uint16_t> copy = std::vector<uint16_t>(kW * kH);
    LightFrame lights;
    LightBenchData() {
        thelightthingie::UseBytes(reinterpret_cast<const uint8_t*>(files.index.data()), files.index.size(),
                                  reinterpret_cast<const uint8_t*>(files.data.data()), files.data.size());
        for (size_t i = 0; i < frame.size(); ++i)
            frame[i] = static_cast<uint16_t>((i * 2654435761u >> 13) & 0x7FFF);
        lights.levels = LightLevels{20, 0, false, false};
        static const int kGraphics[] = {2560, 3948, 15874, 0, 3629, 6587, 4846, 14700};
        for (int i = 0; i < 16; ++i)
            lights.lights.push_back(
                PlacedLight{60 + (i % 4) * 200, 80 + (i / 4) * 150, i % 4, kGraphics[i % 8]});
    }
};

LightBenchData& Data() {
    static LightBenchData data;
    return data;
}

void BM_LightFrameMemcpy(benchmark::State& state) {
    LightBenchData& d = Data();
    for (auto _ : state) {
        std::memcpy(d.copy.data(), d.frame.data(), d.frame.size() * sizeof(uint16_t));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LightFrameMemcpy);

void BM_ApplyLights(benchmark::State& state) {
    LightBenchData& d = Data();
    const BlitTarget target = MakeBlitTarget(d.copy.data(), kW, kH);
    for (auto _ : state) {
        ApplyLightsTo(target, Rect{0, 0, kW, kH}, d.lights);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ApplyLights);

void BM_ApplyLightsColored(benchmark::State& state) {
    LightBenchData& d = Data();
    const BlitTarget target = MakeBlitTarget(d.copy.data(), kW, kH);
    for (auto _ : state) {
        ApplyLightsColoredTo(target, Rect{0, 0, kW, kH}, d.lights);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ApplyLightsColored);

} // namespace
