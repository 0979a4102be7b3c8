#include "RenderFixture.h"

#include "core/SharedServices.h"
#include "render/SpanKernels.h"

#include <gtest/gtest.h>

namespace {

using rendertest::RenderTest;

struct SpanCase {
    const char* name;
    SpanOp op;
    int hueIndex;  // current hue index (hue number - 1)
    int blendMode; // selected blend table
    uint16_t source;
    uint16_t destination;
    uint16_t expected;
};

// Hue entry i of the sample table has colour c = (i >> 5) << 10 | (i & 31) << 5 | c (0 raised
// to 1); entry 37 turns channel value c into 0x04A0 + c.
const SpanCase kCases[] = {
    {"CopySpan", CopySpan, 37, 0, 0x1234, 0x7FFF, 0x1234},
    {"CopySpan", CopySpan, 37, 0, 0x0000, 0x7FFF, 0x0000},
    {"CopySpanKeyed", CopySpanKeyed, 37, 0, 0x0000, 0x7FFF, 0x7FFF},
    {"CopySpanKeyed", CopySpanKeyed, 37, 0, 0x0001, 0x7FFF, 0x0001},
    {"HueSpan", HueSpan, 37, 0, 0x7C00, 0x0000, 0x04BF},
    {"HueSpan", HueSpan, 37, 0, 0x0000, 0x7FFF, 0x04A0},
    {"HueSpan", HueSpan, 37, 0, 0x83FF, 0x0000, 0x04A0}, // bit 15 is not part of the red channel
    {"HueSpan", HueSpan, 3000, 0, 0x2108, 0x0000, 0x0008},
    {"HueSpan", HueSpan, -1, 0, 0x2108, 0x0000, 0x0008},
    {"HueSpanKeyed", HueSpanKeyed, 37, 0, 0x0000, 0x1234, 0x1234},
    {"HueSpanKeyed", HueSpanKeyed, 37, 0, 0x2108, 0x0000, 0x04A8},
    {"HueSpanKeyed", HueSpanKeyed, 65535, 0, 0x2108, 0x0000, 0x0008}, // past the table: entry 0
    {"HueSpanByGreen", HueSpanByGreen, 37, 0, 0x03E0, 0x0000, 0x04BF},
    {"HueSpanByGreen", HueSpanByGreen, 37, 0, 0x7C00, 0x0000, 0x04A0},
    {"PartialHueSpan", PartialHueSpan, 37, 0, 0x4210, 0x0000, 0x04B0},
    {"PartialHueSpan", PartialHueSpan, 37, 0, 0x7C00, 0x0000, 0x7C00},
    {"PartialHueSpan", PartialHueSpan, 37, 0, 0x0000, 0x7FFF, 0x04A0},
    {"PartialHueSpanKeyed", PartialHueSpanKeyed, 37, 0, 0x0000, 0x1234, 0x1234},
    {"PartialHueSpanKeyed", PartialHueSpanKeyed, 37, 0, 0x4210, 0x0000, 0x04B0},
    {"PartialHueSpanKeyed", PartialHueSpanKeyed, 37, 0, 0x001F, 0x0000, 0x001F},
    {"TranslucentSpan", TranslucentSpan, 37, 0, 0x7FFF, 0x0000, 0x5AD7},
    {"TranslucentSpan", TranslucentSpan, 37, 0, 0x0000, 0x7FFF, 0x1CE7},
    {"TranslucentSpan", TranslucentSpan, 37, 0, 0x0000, 0x0000, 0x0001},
    {"TranslucentSpan", TranslucentSpan, 37, 0, 0x7C00, 0x001F, 0x5807},
    {"TranslucentSpanKeyed", TranslucentSpanKeyed, 37, 0, 0x0000, 0x7FFF, 0x7FFF},
    {"TranslucentSpanKeyed", TranslucentSpanKeyed, 37, 0, 0x7FFF, 0x0000, 0x5AD7},
    {"FaintSpan", FaintSpan, 37, 0, 0x7FFF, 0x0000, 0x1CE7},
    {"FaintSpan", FaintSpan, 37, 0, 0x0000, 0x7FFF, 0x5AD7},
    {"FaintSpan", FaintSpan, 37, 0, 0x0000, 0x0000, 0x0001},
    {"BlendSpanKeyed", BlendSpanKeyed, 37, 0, 0x7FFF, 0x0000, 0x3DEF},
    {"BlendSpanKeyed", BlendSpanKeyed, 37, 0, 0x0000, 0x1234, 0x1234},
    {"BlendSpanKeyed", BlendSpanKeyed, 37, 0, 0x7C00, 0x001F, 0x3C0F},
    {"HueTranslucentSpan", HueTranslucentSpan, 37, 0, 0x7C00, 0x0000, 0x0077},
    {"HueTranslucentSpan", HueTranslucentSpan, 37, 0, 0x2108, 0x7FFF, 0x1D4D},
    {"HueTranslucentSpanKeyed", HueTranslucentSpanKeyed, 37, 0, 0x0000, 0x1234, 0x1234},
    {"HueTranslucentSpanKeyed", HueTranslucentSpanKeyed, 37, 0, 0x2108, 0x7FFF, 0x1D4D},
    {"PartialHueTranslucentSpan", PartialHueTranslucentSpan, 37, 0, 0x4210, 0x7FFF, 0x1D53},
    {"PartialHueTranslucentSpan", PartialHueTranslucentSpan, 37, 0, 0x7C00, 0x7FFF, 0x7C00},
    {"PartialHueTranslucentSpanKeyed", PartialHueTranslucentSpanKeyed, 37, 0, 0x0000, 0x1234, 0x1234},
    {"PartialHueTranslucentSpanKeyed", PartialHueTranslucentSpanKeyed, 37, 0, 0x4210, 0x0000, 0x006D},
    {"PartialHueTranslucentSpanKeyed", PartialHueTranslucentSpanKeyed, 37, 0, 0x001F, 0x7FFF, 0x001F},
    {"BlendTableSpan", BlendTableSpan, 37, 0, 0x1234, 0x7FFF, 0x1234}, // no table chosen: the source
    {"BlendTableSpan", BlendTableSpan, 37, 1, 0x4210, 0x7FFF, 0x3DEF},
    {"BlendTableSpan", BlendTableSpan, 37, 9, 0x4210, 0x7FFF, 0x3DEF},
    {"BlendTableSpan", BlendTableSpan, 37, 2, 0x4210, 0x4210, 0x7FFF},
    {"BlendTableSpan", BlendTableSpan, 37, 3, 0x2108, 0x2108, 0x4A52},
    {"BlendTableSpan", BlendTableSpan, 37, 4, 0x407E, 0x4122, 0x60D1},
    {"BlendTableSpan", BlendTableSpan, 37, 5, 0x4210, 0x4210, 0x4210},
    {"BlendTableSpan", BlendTableSpan, 37, 6, 0x2108, 0x7FFF, 0x5EF7},
    {"BlendTableSpan", BlendTableSpan, 37, 7, 0x503F, 0x1520, 0x3C1F},
    {"BlendTableSpan", BlendTableSpan, 37, 15, 0x7C47, 0x13F0, 0x0C23},
    {"HueBlendSpan", HueBlendSpan, 37, 2, 0x03E0, 0x0000, 0x04BF},
    {"HueBlendSpan", HueBlendSpan, 37, 1, 0x0D89, 0x7FFF, 0x008B},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x7C00, 0x1234, 0x03E0},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x4210, 0x1234, 0x4210},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x3C00, 0x1234, 0x01E0},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x28A5, 0x1234, 0x28A5},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x2CA5, 0x1234, 0x0160},
    {"BloodRecolorSpan", BloodRecolorSpan, 37, 0, 0x0000, 0x1234, 0x0000},
};

class SpanOps : public RenderTest {
  protected:
    void SetUp() override {
        RenderTest::SetUp();
        UseSampleFiles();
    }
};

// The kernel sets this processor runs, the baseline one (look-ups read from the table) first.
std::vector<SpanFeatures> RunnableFeatures() {
    const SpanFeatures detected = DetectSpanFeatures();
    std::vector<SpanFeatures> sets{SpanFeatures{}};
    if (detected.ssse3) sets.push_back(SpanFeatures{true, false});
    if (detected.avx2) sets.push_back(SpanFeatures{true, true});
    return sets;
}

TEST_F(SpanOps, EachOperationGivesTheTabledPixelOverAWholeSpanAndNoFurtherOnEveryKernelSet) {
    constexpr int kCount = 9;
    for (const SpanFeatures& features : RunnableFeatures()) {
        OverrideSpanFeaturesForTests(&features);
        for (const SpanCase& c : kCases) {
            SCOPED_TRACE(testing::Message()
                         << ActiveSpanKernels() << " " << c.name << " hue " << c.hueIndex << " mode "
                         << c.blendMode << " src 0x" << std::hex << c.source << " dst 0x" << c.destination);
            SetCurrentHueIndex(c.hueIndex);
            SelectBlendTable(c.blendMode);
            std::vector<uint16_t> source(kCount, c.source);
            std::vector<uint16_t> destination(kCount + 1, c.destination);
            destination[kCount] = 0xBEEF; // the pixel after the span
            c.op(destination.data(), source.data(), kCount);
            for (int i = 0; i < kCount; ++i)
                ASSERT_EQ(destination[i], c.expected) << "pixel " << i;
            EXPECT_EQ(destination[kCount], 0xBEEF);
        }
    }
}

// A processor without SSSE3 must not reach the shuffle look-up: it runs the baseline set.
TEST_F(SpanOps, TheKernelSetFollowsTheProcessorFeatures) {
    struct FeatureCase {
        SpanFeatures features;
        const char* expected;
    };
    const FeatureCase cases[] = {
        {SpanFeatures{false, false}, "base"},
        {SpanFeatures{true, false}, span_ssse3::Built() ? "ssse3" : "base"},
        {SpanFeatures{true, true}, span_avx2::Built() ? "avx2" : "base"},
    };
    for (const FeatureCase& c : cases) {
        OverrideSpanFeaturesForTests(&c.features);
        EXPECT_STREQ(ActiveSpanKernels(), c.expected)
            << "ssse3 " << c.features.ssse3 << " avx2 " << c.features.avx2;
    }
    OverrideSpanFeaturesForTests(nullptr);
    const SpanFeatures detected = DetectSpanFeatures();
    EXPECT_STREQ(ActiveSpanKernels(), detected.avx2 ? "avx2" : detected.ssse3 ? "ssse3" : "base");
}

TEST_F(SpanOps, ACountOfZeroWritesNothing) {
    uint16_t source = 0x7FFF, destination = 0x1234;
    for (const SpanCase& c : kCases) {
        c.op(&destination, &source, 0);
        EXPECT_EQ(destination, 0x1234) << c.name;
    }
}

TEST_F(SpanOps, HueGreySpanHuesOnlyGreyPixelsWithItsOwnHueAndSkipsTransparent) {
    SetCurrentHueIndex(5); // not the one HueGreySpan is given
    const uint16_t source[] = {0x2108, 0x7C00, 0x0000, 0x7FFF};
    uint16_t destination[] = {0x1111, 0x1111, 0x1111, 0x1111};
    HueGreySpan(destination, source, 4, 37);
    EXPECT_EQ(destination[0], 0x04A8);
    EXPECT_EQ(destination[1], 0x7C00);
    EXPECT_EQ(destination[2], 0x1111);
    EXPECT_EQ(destination[3], 0x04BF);
    HueGreySpan(destination, source, 1, 4000); // past the table: entry 0
    EXPECT_EQ(destination[0], 0x0008);
}

TEST_F(SpanOps, BlendTablesFollowTheirFormulasOverEveryChannelPair) {
    for (int d = 0; d < 32; ++d)
        for (int s = 0; s < 32; ++s) {
            int product = d * s / 32;
            EXPECT_EQ(BlendTable(1)[d * 32 + s], product);
            EXPECT_EQ(BlendTable(12)[d * 32 + s], product);
            EXPECT_EQ(BlendTable(2)[d * 32 + s], std::min(d + s, 31));
            EXPECT_EQ(BlendTable(6)[d * 32 + s], std::max(d - s, 0));
            EXPECT_EQ(BlendTable(7)[d * 32 + s], std::max(s - d, 0));
        }
    EXPECT_TRUE(IsNoBlendMode(0x30));
    EXPECT_FALSE(IsNoBlendMode(0x31));
    EXPECT_EQ(SelectBlendTable(0x23), 3);
}

TEST_F(SpanOps, BloodTakesTheCensorColourScaledByItsRed) {
    SetCensorColor(0x7FFF);
    const uint16_t source[] = {0x7C00, 0x3C00};
    uint16_t destination[2] = {};
    BloodRecolorSpan(destination, source, 2);
    EXPECT_EQ(destination[0], 0x7FFF);
    EXPECT_EQ(destination[1], 0x3DEF); // red 15: each channel 31 x 16 / 32
    const uint8_t* dark = DarkeningTable();
    EXPECT_EQ(dark[0 * 32 + 31], 31);
    EXPECT_EQ(dark[31 * 32 + 31], 0);
    EXPECT_EQ(dark[16 * 32 + 20], 10);
}

} // namespace

namespace {

// The span loops exist three times (baseline, SSSE3 look-up, AVX2) and look colours up sixteen
// pixels at a time with a scalar tail: over random pixels and every length up to a few chunks,
// each set must give the baseline set's pixels, and a pixel-by-pixel run the whole span's.
TEST_F(SpanOps, EveryKernelSetAndASingleStepRunGiveTheBaselinePixelsOverRandomSpans) {
    SeedRandom(4242);
    std::vector<uint16_t> source(300), destination(300);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<uint16_t>(RandomNext() * 2 + (RandomBelow(2)));
        destination[i] = static_cast<uint16_t>(RandomNext());
        if (i % 5 == 0) source[i] = 0;                                        // transparent
        if (i % 7 == 0) source[i] = static_cast<uint16_t>(0x0421 * (i % 32)); // grey
    }
    SetCurrentHueIndex(1234);
    SetCensorColor(0x5A5A);
    const std::vector<SpanFeatures> sets = RunnableFeatures();
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 12}) {
        SelectBlendTable(mode);
        for (const SpanCase& c : kCases) {
            if (c.op == CopySpan) continue;
            for (int count : {0, 1, 15, 16, 17, 31, 128, 129, 300}) {
                std::vector<uint16_t> baseline;
                for (const SpanFeatures& features : sets) {
                    OverrideSpanFeaturesForTests(&features);
                    SCOPED_TRACE(testing::Message() << ActiveSpanKernels() << " " << c.name << " mode "
                                                    << mode << " count " << count);
                    std::vector<uint16_t> whole = destination, single = destination;
                    c.op(whole.data(), source.data(), count);
                    for (int i = 0; i < count; ++i)
                        c.op(single.data() + i, source.data() + i, 1);
                    ASSERT_EQ(whole, single);
                    if (baseline.empty()) baseline = whole;
                    ASSERT_EQ(whole, baseline);
                }
            }
        }
    }
}

TEST_F(SpanOps, EveryKernelSetAgreesWithTheBaselineOverHighBitsAndEveryBlendMode) {
    SeedRandom(77);
    std::vector<uint16_t> source(257), destination(257);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<uint16_t>(RandomNext() | (i % 3 == 0 ? 0x8000 : 0));
        destination[i] = static_cast<uint16_t>(RandomNext());
    }
    source[3] = 0;
    SpanParams params;
    params.hue = HueManager::ResolveHueColours(600);
    params.blood = HueManager::ResolveHueColours(7);
#define QV_COMPARE_KERNEL(name)                                                                              \
    for (int mode = 0; mode < 8; ++mode) {                                                                   \
        params.blendMode = mode;                                                                             \
        std::vector<uint16_t> a = destination, b = destination, c = destination;                             \
        span_base::name(a.data(), source.data(), 257, params);                                               \
        if (features.ssse3) {                                                                                \
            span_ssse3::name(b.data(), source.data(), 257, params);                                          \
            EXPECT_EQ(a, b) << #name << " ssse3 mode " << mode;                                              \
        }                                                                                                    \
        if (features.avx2) {                                                                                 \
            span_avx2::name(c.data(), source.data(), 257, params);                                           \
            EXPECT_EQ(a, c) << #name << " avx2 mode " << mode;                                               \
        }                                                                                                    \
    }
    SpanFeatures features = DetectSpanFeatures();
    features.ssse3 = features.ssse3 && span_ssse3::Built();
    features.avx2 = features.avx2 && span_avx2::Built();
    QV_SPAN_KERNELS(QV_COMPARE_KERNEL)
#undef QV_COMPARE_KERNEL
}

} // namespace
