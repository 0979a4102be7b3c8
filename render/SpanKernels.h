#pragma once
// The loops behind the span operations, built three times: for the baseline processor with the
// colour look-up read from the table (SpanKernelsBase.cpp), the same with the look-up in SSSE3 byte
// shuffles (SpanKernelsSsse3.cpp) and for processors with AVX2 (SpanKernelsAvx2.cpp). SpanOps.cpp
// picks one set by what the processor offers.
#include <cstdint>

struct SpanParams {
    const uint16_t* hue = nullptr;   // the 32 colours of the hue
    const uint16_t* blood = nullptr; // the censor colour for each red value
    int blendMode = 0;               // 0..7: the arithmetic of the blend table
};

using SpanKernel = void (*)(uint16_t* destination, const uint16_t* source, int count,
                            const SpanParams& params);

#define QV_SPAN_KERNELS(X)                                                                                   \
    X(CopyKeyed)                                                                                             \
    X(Hue)                                                                                                   \
    X(HueKeyed)                                                                                              \
    X(HueByGreen)                                                                                            \
    X(PartialHue)                                                                                            \
    X(PartialHueKeyed)                                                                                       \
    X(Translucent)                                                                                           \
    X(TranslucentKeyed)                                                                                      \
    X(Faint)                                                                                                 \
    X(BlendKeyed)                                                                                            \
    X(HueTranslucent)                                                                                        \
    X(HueTranslucentKeyed)                                                                                   \
    X(PartialHueTranslucent)                                                                                 \
    X(PartialHueTranslucentKeyed)                                                                            \
    X(BlendTable)                                                                                            \
    X(HueBlend)                                                                                              \
    X(Blood)

#define QV_DECLARE_SPAN_KERNEL(name) void name(uint16_t*, const uint16_t*, int, const SpanParams&);
namespace span_base {
QV_SPAN_KERNELS(QV_DECLARE_SPAN_KERNEL)
}
namespace span_ssse3 {
QV_SPAN_KERNELS(QV_DECLARE_SPAN_KERNEL)
// True when this set was built with the shuffle look-up (the build may not offer it).
bool Built();
} // namespace span_ssse3
namespace span_avx2 {
QV_SPAN_KERNELS(QV_DECLARE_SPAN_KERNEL)
// True when this set was built for AVX2 (the build may not offer it).
bool Built();
} // namespace span_avx2
#undef QV_DECLARE_SPAN_KERNEL

// What the processor offers the span loops.
struct SpanFeatures {
    bool ssse3 = false;
    bool avx2 = false;
};
SpanFeatures DetectSpanFeatures();
// The set the operations run: "avx2", "ssse3" or "base".
const char* ActiveSpanKernels();
// True when that set is the AVX2 one: other wide loops (the land triangle's) follow it.
bool WideSpanKernelsActive();

// Tests only: run the operations as on a processor with these features (null: the detected ones).
void OverrideSpanFeaturesForTests(const SpanFeatures* features);
