#include "render/SpanOps.h"

#include "render/HueManager.h"
#include "render/SpanKernels.h"

#include <algorithm>
#include <cstring>

using namespace SpanChannels;

namespace {

struct BlendTables {
    // [mode][destination * 32 + source]; mode 0 (plain drawing) passes the source through so that a
    // blend span drawn with no mode chosen still draws something sensible.
    uint16_t table[8][32 * 32];
    uint8_t darkening[32 * 32];

    BlendTables() {
        for (int d = 0; d < 32; ++d) {
            for (int s = 0; s < 32; ++s) {
                int product = d * s / 32;
                int values[8] = {
                    s,
                    product,
                    std::min(d + s, 31),
                    std::min(d + s + product, 31),
                    std::min((d + s) / 2 + product, 31),
                    std::min((d + s) / 4 + product, 31),
                    std::max(d - s, 0),
                    std::max(s - d, 0),
                };
                for (int m = 0; m < 8; ++m)
                    table[m][d * 32 + s] = static_cast<uint16_t>(values[m]);
            }
        }
        for (int k = 0; k < 32; ++k)
            for (int v = 0; v < 32; ++v)
                darkening[k * 32 + v] = static_cast<uint8_t>(v * (32 - k) / 32);
    }
};

const BlendTables& Tables() {
    static const BlendTables tables;
    return tables;
}

// Table of a blend mode: 1 and 8..15 share the product table.
int TableOfMode(int mode) {
    int m = mode & 15;
    return m >= 8 ? 1 : m;
}

// The loops of this processor: the widest set it runs. Without SSSE3 the shuffle look-up would
// stop the process at the first hued blit, so that set needs its own check.
struct KernelSet {
    const char* name;
#define QV_KERNEL_SLOT(name) SpanKernel name;
    QV_SPAN_KERNELS(QV_KERNEL_SLOT)
#undef QV_KERNEL_SLOT
};

const KernelSet& KernelsFor(const SpanFeatures& features) {
#define QV_BASE_KERNEL(name) span_base::name,
#define QV_SSSE3_KERNEL(name) span_ssse3::name,
#define QV_WIDE_KERNEL(name) span_avx2::name,
    static const KernelSet base{"base", QV_SPAN_KERNELS(QV_BASE_KERNEL)};
    static const KernelSet ssse3{"ssse3", QV_SPAN_KERNELS(QV_SSSE3_KERNEL)};
    static const KernelSet wide{"avx2", QV_SPAN_KERNELS(QV_WIDE_KERNEL)};
#undef QV_BASE_KERNEL
#undef QV_SSSE3_KERNEL
#undef QV_WIDE_KERNEL
    if (features.avx2 && span_avx2::Built()) return wide;
    if (features.ssse3 && span_ssse3::Built()) return ssse3;
    return base;
}

const KernelSet* g_override = nullptr;

const KernelSet& Kernels() {
    static const KernelSet& detected = KernelsFor(DetectSpanFeatures());
    return g_override ? *g_override : detected;
}

struct SpanState {
    int hueIndex = 0;
    const uint16_t* hue = nullptr; // colours of the current hue entry, resolved once
    int blendMode = 0;
    uint16_t censor = kDefaultCensorColor;
    uint16_t blood[32] = {}; // the censor colour scaled for each red value
    bool bloodReady = false;
};
SpanState g_span;

const uint16_t* BloodTable() {
    if (!g_span.bloodReady) {
        const uint8_t* dark = Tables().darkening;
        const uint16_t c = g_span.censor;
        for (int red = 0; red < 32; ++red) {
            const uint8_t* row = dark + (31 - red) * 32;
            g_span.blood[red] = static_cast<uint16_t>(row[Red(c)] << 10 | row[Green(c)] << 5 | row[Blue(c)]);
        }
        g_span.bloodReady = true;
    }
    return g_span.blood;
}

SpanParams Params() {
    if (!g_span.hue) g_span.hue = HueManager::ResolveHueColours(g_span.hueIndex);
    SpanParams p;
    p.hue = g_span.hue;
    p.blendMode = TableOfMode(g_span.blendMode);
    return p;
}

} // namespace

void CopySpan(uint16_t* destination, const uint16_t* source, int count) {
    if (count > 0) std::memmove(destination, source, static_cast<size_t>(count) * sizeof(uint16_t));
}

// Each operation over its loop of the chosen set.
#define QV_SPAN_OPS(X)                                                                                       \
    X(CopySpanKeyed, CopyKeyed)                                                                              \
    X(HueSpan, Hue)                                                                                          \
    X(HueSpanKeyed, HueKeyed)                                                                                \
    X(HueSpanByGreen, HueByGreen)                                                                            \
    X(PartialHueSpan, PartialHue)                                                                            \
    X(PartialHueSpanKeyed, PartialHueKeyed)                                                                  \
    X(TranslucentSpan, Translucent)                                                                          \
    X(TranslucentSpanKeyed, TranslucentKeyed)                                                                \
    X(FaintSpan, Faint)                                                                                      \
    X(BlendSpanKeyed, BlendKeyed)                                                                            \
    X(HueTranslucentSpan, HueTranslucent)                                                                    \
    X(HueTranslucentSpanKeyed, HueTranslucentKeyed)                                                          \
    X(PartialHueTranslucentSpan, PartialHueTranslucent)                                                      \
    X(PartialHueTranslucentSpanKeyed, PartialHueTranslucentKeyed)                                            \
    X(BlendTableSpan, BlendTable)                                                                            \
    X(HueBlendSpan, HueBlend)

#define QV_SPAN_OP(op, kernel)                                                                               \
    void op(uint16_t* destination, const uint16_t* source, int count) {                                      \
        Kernels().kernel(destination, source, count, Params());                                              \
    }
QV_SPAN_OPS(QV_SPAN_OP)
#undef QV_SPAN_OP

bool ResolveSpanOp(SpanOp op, ResolvedSpan& out, SpanParams& params) {
    const KernelSet& k = Kernels();
    SpanKernel kernel = nullptr;
    if (op == BloodRecolorSpan) {
        params = SpanParams{};
        params.blood = BloodTable();
        kernel = k.Blood;
    } else {
#define QV_RESOLVE(op_, kernel_)                                                                             \
    if (op == op_) kernel = k.kernel_;
        QV_SPAN_OPS(QV_RESOLVE)
#undef QV_RESOLVE
        if (!kernel) return false;
        params = Params();
    }
    out.kernel = kernel;
    out.params = &params;
    return true;
}

void BloodRecolorSpan(uint16_t* destination, const uint16_t* source, int count) {
    SpanParams p;
    p.blood = BloodTable();
    Kernels().Blood(destination, source, count, p);
}

void HueGreySpan(uint16_t* destination, const uint16_t* source, int count, int hueIndex) {
    SpanParams p;
    p.hue = HueManager::ResolveHueColours(hueIndex);
    Kernels().PartialHueKeyed(destination, source, count, p);
}

SpanFeatures DetectSpanFeatures() {
    SpanFeatures features;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    features.ssse3 = __builtin_cpu_supports("ssse3");
    features.avx2 = __builtin_cpu_supports("avx2");
#endif
    return features;
}

const char* ActiveSpanKernels() {
    return Kernels().name;
}

bool WideSpanKernelsActive() {
    return Kernels().Translucent == span_avx2::Translucent && span_avx2::Built();
}

void OverrideSpanFeaturesForTests(const SpanFeatures* features) {
    g_override = features ? &KernelsFor(*features) : nullptr;
}

void SetCurrentHueIndex(int hueIndex) {
    g_span.hueIndex = hueIndex;
    g_span.hue = HueManager::ResolveHueColours(hueIndex);
}

int GetCurrentHueIndex() {
    return g_span.hueIndex;
}

bool IsNoBlendMode(int mode) {
    return (mode & 15) == 0;
}

int SelectBlendTable(int mode) {
    g_span.blendMode = mode & 15;
    return mode & 15;
}

const uint16_t* BlendTable(int mode) {
    return Tables().table[TableOfMode(mode)];
}

void SetCensorColor(uint16_t colour) {
    g_span.censor = colour & 0x7FFF;
    g_span.bloodReady = false;
}

uint16_t GetCensorColor() {
    return g_span.censor;
}

const uint8_t* DarkeningTable() {
    return Tables().darkening;
}

void ResetSpanState() {
    g_span = SpanState{};
}
