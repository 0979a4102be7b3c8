// Span operations, presenting a frame and the dirty-rectangle list, each beside a memcpy of the
// same bytes measured in the same run (compare items per second of BM_Span_* with BM_SpanMemcpy,
// and BM_PresentRing with BM_PresentMemcpy). BM_HueSpanOnKernelSet runs the colour look-up on each
// kernel set: 0 baseline (table reads), 1 SSSE3 shuffles, 2 AVX2.
#include "core/SharedServices.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/SpanKernels.h"
#include "render/SpanOps.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

constexpr int kRowPixels = 640;
constexpr int kRows = 480;

// A frame of source rows and a frame of destination rows of mixed non-zero colours.
struct Frames {
    std::vector<uint16_t> source = std::vector<uint16_t>(kRowPixels * kRows);
    std::vector<uint16_t> destination = std::vector<uint16_t>(kRowPixels * kRows);
    Frames() {
        SeedRandom(1234);
        for (auto& p : source)
            p = static_cast<uint16_t>(1 + RandomBelow(0x7FFF));
        for (auto& p : destination)
            p = static_cast<uint16_t>(RandomBelow(0x8000));
        // A few grey and transparent pixels, as real art has.
        for (size_t i = 0; i < source.size(); i += 7)
            source[i] = static_cast<uint16_t>(0x2108 * (i % 3));
    }
};

Frames& Data() {
    static Frames frames;
    return frames;
}

void RunSpan(benchmark::State& state, SpanOp op) {
    Frames& f = Data();
    SetCurrentHueIndex(37);
    SelectBlendTable(3);
    for (auto _ : state) {
        for (int row = 0; row < kRows; ++row)
            op(f.destination.data() + row * kRowPixels, f.source.data() + row * kRowPixels, kRowPixels);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRowPixels * kRows);
    state.SetBytesProcessed(state.iterations() * kRowPixels * kRows * 2);
}

void BM_SpanMemcpy(benchmark::State& state) {
    Frames& f = Data();
    for (auto _ : state) {
        for (int row = 0; row < kRows; ++row)
            std::memcpy(f.destination.data() + row * kRowPixels, f.source.data() + row * kRowPixels,
                        kRowPixels * 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kRowPixels * kRows);
    state.SetBytesProcessed(state.iterations() * kRowPixels * kRows * 2);
}
BENCHMARK(BM_SpanMemcpy);

#define SPAN_BENCH(op)                                                                                       \
    void BM_Span_##op(benchmark::State& state) {                                                             \
        RunSpan(state, op);                                                                                  \
    }                                                                                                        \
    BENCHMARK(BM_Span_##op)

SPAN_BENCH(CopySpan);
SPAN_BENCH(CopySpanKeyed);
SPAN_BENCH(HueSpan);
SPAN_BENCH(HueSpanKeyed);
SPAN_BENCH(HueSpanByGreen);
SPAN_BENCH(PartialHueSpan);
SPAN_BENCH(PartialHueSpanKeyed);
SPAN_BENCH(TranslucentSpan);
SPAN_BENCH(TranslucentSpanKeyed);
SPAN_BENCH(FaintSpan);
SPAN_BENCH(BlendSpanKeyed);
SPAN_BENCH(HueTranslucentSpan);
SPAN_BENCH(HueTranslucentSpanKeyed);
SPAN_BENCH(PartialHueTranslucentSpan);
SPAN_BENCH(PartialHueTranslucentSpanKeyed);
SPAN_BENCH(BlendTableSpan);
SPAN_BENCH(HueBlendSpan);
SPAN_BENCH(BloodRecolorSpan);

void HueGreySpan37(uint16_t* d, const uint16_t* s, int n) {
    HueGreySpan(d, s, n, 37);
}
SPAN_BENCH(HueGreySpan37);

void BM_HueSpanOnKernelSet(benchmark::State& state) {
    const SpanFeatures detected = DetectSpanFeatures();
    const SpanFeatures sets[] = {SpanFeatures{}, SpanFeatures{true, false}, SpanFeatures{true, true}};
    const SpanFeatures& wanted = sets[state.range(0)];
    if ((wanted.ssse3 && !detected.ssse3) || (wanted.avx2 && !detected.avx2)) {
        state.SkipWithError("the processor does not run this set");
        return;
    }
    OverrideSpanFeaturesForTests(&wanted);
    state.SetLabel(ActiveSpanKernels());
    RunSpan(state, HueSpan);
    OverrideSpanFeaturesForTests(nullptr);
}
BENCHMARK(BM_HueSpanOnKernelSet)->DenseRange(0, 2);

constexpr int kPresentW = 800;
constexpr int kPresentH = 600;

void BM_PresentMemcpy(benchmark::State& state) {
    std::vector<uint16_t> ring(kPresentW * kPresentH, 0x1234), surface(kPresentW * kPresentH);
    for (auto _ : state) {
        std::memcpy(surface.data(), ring.data(), ring.size() * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPresentW * kPresentH * 2);
}
BENCHMARK(BM_PresentMemcpy);

// The full-screen copy of an 800 x 600 ring that starts mid-row into the display surface.
void BM_PresentRing(benchmark::State& state) {
    std::vector<uint16_t> ring(kPresentW * kPresentH, 0x1234), surface(kPresentW * kPresentH);
    DisplaySurface target{surface.data(), kPresentW, kPresentW, kPresentH};
    RingView view{ring.data(), kPresentW, kPresentH};
    const int n = kPresentW * kPresentH, d = kPresentW * 217 + 333;
    for (auto _ : state) {
        CopyRingToSurface(target, view, 0, d, n - d);
        CopyRingToSurface(target, view, n - d, 0, d);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kPresentW * kPresentH * 2);
}
BENCHMARK(BM_PresentRing);

// 256 overlapping requests on an 800 x 600 screen whose ring wraps mid-screen. Argument 0: 32
// objects of 44 x 80 pixels (some overlapping), each invalidated 8 times in place; 1: the same
// objects moving a pixel or two each time; 2: 256 unrelated rectangles of up to 160 x 120. The
// counters tell how many rectangles ended listed and whether the list overflowed.
void BM_DirtyRect256(benchmark::State& state) {
    BackBuffer::Resize(kPresentW, kPresentH);
    SeedRandom(99);
    std::vector<Rect> requests;
    if (state.range(0) <= 1) {
        const int jitter = state.range(0) == 0 ? 0 : 2;
        std::vector<Rect> objects;
        for (int i = 0; i < 32; ++i) {
            int x = RandomBelow(kPresentW - 44), y = RandomBelow(kPresentH - 80);
            objects.push_back(Rect{x, y, x + 44, y + 80});
        }
        for (int step = 0; step < 8; ++step)
            for (const Rect& o : objects) {
                int dx = RandomBelow(2 * jitter + 1) - jitter, dy = RandomBelow(2 * jitter + 1) - jitter;
                requests.push_back(Rect{o.left + dx, o.top + dy, o.right + dx, o.bottom + dy});
            }
    } else {
        for (int i = 0; i < 256; ++i) {
            int x = RandomBelow(kPresentW), y = RandomBelow(kPresentH);
            requests.push_back(Rect{x - 40, y - 30, x + RandomBelow(120), y + RandomBelow(90)});
        }
    }
    int64_t listed = 0, overflows = 0;
    for (auto _ : state) {
        ResetDirtyRectsForTests();
        BackBuffer::SetRingOffset(kPresentW * 300 + 123);
        for (const Rect& r : requests)
            DirtyRect(&r);
        listed += GetDirtyRectCount();
        overflows += IsAllDirty() ? 1 : 0;
    }
    state.counters["listed"] =
        benchmark::Counter(static_cast<double>(listed), benchmark::Counter::kAvgIterations);
    state.counters["overflows"] =
        benchmark::Counter(static_cast<double>(overflows), benchmark::Counter::kAvgIterations);
    BackBuffer::Release();
}
BENCHMARK(BM_DirtyRect256)->Arg(0)->Arg(1)->Arg(2);

} // namespace
