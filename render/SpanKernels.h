#pragma once
// The loops behind the span operations, built twice: once for the baseline processor and once for
// processors with AVX2 (SpanKernelsAvx2.cpp); SpanOps.cpp picks one set at start-up.
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
namespace span_avx2 {
QV_SPAN_KERNELS(QV_DECLARE_SPAN_KERNEL)
// True when this set was built for AVX2 (the build may not offer it).
bool Built();
} // namespace span_avx2
#undef QV_DECLARE_SPAN_KERNEL
