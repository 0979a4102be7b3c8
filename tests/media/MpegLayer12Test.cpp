// Layer I and II frames built bit by bit: the decoder's PCM must equal the synthesis of the
// subband samples the standard gives for them.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"
#include "mpegwriter/MpegWriter.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Slots = std::vector<std::array<std::array<float, 32>, 2>>; // [slot][channel][subband]

float ScaleFactor(int index) {
    return index == 63 ? 0.0f : static_cast<float>(2.0 * std::pow(2.0, -index / 3.0));
}

// The first frame of the stream through the decoder, and the expected slots through a fresh
// decoder's synthesis (same header, so the same channels and cleared history).
void ExpectFrameDecodesAs(const std::vector<uint8_t>& frame, const Slots& expected, int samplesPerChannel) {
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(frame.data(), frame.size()), 0);
    std::vector<int16_t> decoded(CMpegAudioDecoder::kFrameSamples, 0);
    ASSERT_EQ(d.DecodeFrame(decoded.data()), 0);
    CMpegAudioDecoder s;
    ASSERT_EQ(s.Open(frame.data(), frame.size()), 0);
    const int nch = s.channels();
    std::vector<int16_t> want(CMpegAudioDecoder::kFrameSamples, 0);
    ASSERT_EQ(expected.size() * 32, static_cast<size_t>(samplesPerChannel));
    for (size_t slot = 0; slot < expected.size(); ++slot) {
        float in[64];
        for (int ch = 0; ch < nch; ++ch)
            for (int sb = 0; sb < 32; ++sb)
                in[32 * ch + sb] = expected[slot][ch][sb];
        s.SynthesizeFloat(&want[slot * 32 * nch], in);
    }
    int loudest = 0;
    for (int i = 0; i < samplesPerChannel * nch; ++i) {
        ASSERT_NEAR(decoded[i], want[i], 1) << "sample " << i;
        loudest = std::max(loudest, std::abs(int{want[i]}));
    }
    if (!expected.empty() && loudest == 0) {
        for (const auto& slot : expected)
            for (const auto& ch : slot)
                for (float x : ch)
                    ASSERT_EQ(x, 0.0f); // silence only where silence is expected
    }
}

mpegwriter::BitWriter Start(uint32_t header) {
    mpegwriter::BitWriter w;
    w.Put(header, 32);
    return w;
}

std::vector<uint8_t> Finish(const mpegwriter::BitWriter& w, size_t frameBytes) {
    std::vector<uint8_t> v = w.bytes();
    EXPECT_LE(v.size(), frameBytes);
    v.resize(frameBytes, 0);
    return v;
}

// MPEG-1 Layer II, 44.1 kHz, one channel, 192 kbit/s: table B.2b, 30 subbands, 626-byte frames.
constexpr uint32_t kLayer2Mono = 0xFFFDA0C0u;
constexpr size_t kLayer2MonoBytes = 626;

// Writes the allocation fields of a Layer II mono frame of table `table`: `allocation` per subband.
void PutLayer2Allocations(mpegwriter::BitWriter& w, int table, const std::vector<int>& allocation) {
    const mpeg::AllocationEntry* group = mpeg::Layer2Allocation(table);
    for (int sb = 0; sb < mpeg::Layer2SubbandLimit(table); ++sb) {
        w.Put(sb < static_cast<int>(allocation.size()) ? static_cast<uint32_t>(allocation[sb]) : 0,
              group->bits);
        group += 1 << group->bits;
    }
}

TEST(MpegLayer2, GroupedCodesScfsiAndPartsDequantise) {
    // Subband 0: 3 levels (code 26 = levels 2, 2, 2); subband 3: 5 levels; subband 4: 9 levels;
    // subband 5: 7 levels in three 3-bit codes. scfsi 3, 1, 2, 0 in turn.
    mpegwriter::BitWriter w = Start(kLayer2Mono);
    PutLayer2Allocations(w, 1, {1, 0, 0, 2, 4, 3});
    for (int scfsi : {3, 1, 2, 0})
        w.Put(static_cast<uint32_t>(scfsi), 2);
    const int scale[4][3] = {{10, 20, 20}, {3, 3, 9}, {6, 6, 6}, {1, 2, 4}};
    w.Put(10, 6), w.Put(20, 6);            // scfsi 3: part 0, then parts 1 and 2
    w.Put(3, 6), w.Put(9, 6);              // scfsi 1: parts 0 and 1, then part 2
    w.Put(6, 6);                           // scfsi 2: one for all
    w.Put(1, 6), w.Put(2, 6), w.Put(4, 6); // scfsi 0: three
    Slots expected(36);
    for (int g = 0; g < 12; ++g) {
        const int part = g / 4;
        w.Put(26, 5);                          // 3 levels: 2, 2, 2
        w.Put(2 + 2 * 5 + 4 * 25, 7);          // 5 levels: 2, 2, 4
        w.Put(8 + 0 * 9 + 5 * 81, 10);         // 9 levels: 8, 0, 5
        w.Put(0, 3), w.Put(6, 3), w.Put(3, 3); // 7 levels: 0, 6, 3
        const float three[3] = {2.0f / 3, 2.0f / 3, 2.0f / 3};
        const float five[3] = {0, 0, 4.0f / 5};
        const float nine[3] = {8.0f / 9, -8.0f / 9, 2.0f / 9};
        const float seven[3] = {-6.0f / 7, 6.0f / 7, 0};
        for (int k = 0; k < 3; ++k) {
            auto& in = expected[static_cast<size_t>(3 * g + k)][0];
            in.fill(0);
            in[0] = three[k] * ScaleFactor(scale[0][part]);
            in[3] = five[k] * ScaleFactor(scale[1][part]);
            in[4] = nine[k] * ScaleFactor(scale[2][part]);
            in[5] = seven[k] * ScaleFactor(scale[3][part]);
        }
    }
    ExpectFrameDecodesAs(Finish(w, kLayer2MonoBytes), expected, 1152);
}

TEST(MpegLayer2, GroupedCodesBeyondTheirLevelsGiveSilence) {
    // Codes 27..31 (3 levels), 125..127 (5), 729..1023 (9) have no levels: three zero samples.
    mpegwriter::BitWriter w = Start(kLayer2Mono);
    PutLayer2Allocations(w, 1, {1, 0, 0, 2, 4});
    for (int i = 0; i < 3; ++i)
        w.Put(2, 2); // scfsi 2
    for (int i = 0; i < 3; ++i)
        w.Put(0, 6);
    for (int g = 0; g < 12; ++g) {
        w.Put(static_cast<uint32_t>(27 + g % 5), 5);
        w.Put(static_cast<uint32_t>(125 + g % 3), 7);
        w.Put(static_cast<uint32_t>(729 + 26 * g), 10);
    }
    ExpectFrameDecodesAs(Finish(w, kLayer2MonoBytes), Slots(36), 1152);
}

TEST(MpegLayer2, TableAndBoundFollowRateChannelsAndBitrate) {
    struct Case {
        uint32_t header;
        int limit, bound;
    } cases[] = {
        {0xFFFDA000u, 30, 30}, // 44.1 kHz stereo, 192 kbit/s: B.2b
        {0xFFFD4000u, 8, 8},   // 44.1 kHz stereo, 64 kbit/s: B.2c
        {0xFFFD4800u, 12, 12}, // 32 kHz stereo, 64 kbit/s: B.2d
        {0xFFFD30C0u, 27, 27}, // 44.1 kHz mono, 56 kbit/s: B.2a
        {0xFFFDA4C0u, 27, 27}, // 48 kHz mono, 192 kbit/s: B.2a
        {0xFFF53000u, 30, 30}, // 22.05 kHz stereo, 24 kbit/s: the lower-rate table
        {0xFFF5E460u, 30, 12}, // 24 kHz joint stereo, 144 kbit/s, bound 12
        {0xFFFDA070u, 30, 16}, // 44.1 kHz joint stereo, bound 16
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> v(2000, 0);
        for (int i = 0; i < 4; ++i)
            v[i] = static_cast<uint8_t>(c.header >> (24 - 8 * i));
        CMpegAudioDecoder d;
        ASSERT_EQ(d.Open(v.data(), v.size()), 0);
        int16_t pcm[CMpegAudioDecoder::kFrameSamples];
        ASSERT_EQ(d.DecodeFrame(pcm), 0);
        EXPECT_EQ(d.layer2SubbandLimit(), c.limit) << std::hex << c.header;
        EXPECT_EQ(d.jointBound(), c.bound) << std::hex << c.header;
    }
}

// MPEG-1 Layer I, 44.1 kHz, 448 kbit/s: 484-byte frames.
uint32_t Layer1Header(int mode, int modeExtension) {
    return 0xFFFFE000u | uint32_t(mode) << 6 | uint32_t(modeExtension) << 4;
}
constexpr size_t kLayer1Bytes = 484;

TEST(MpegLayer1, JointStereoSharesCodesAboveTheBound) {
    // Mode extension 0: subbands 0..3 carry two allocations, 4..31 one. Subband 2 left only,
    // subband 10 shared, scaled by each channel's own factor.
    mpegwriter::BitWriter w = Start(Layer1Header(1, 0));
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < 4) {
            w.Put(sb == 2 ? 5 : 0, 4), w.Put(0, 4);
        } else {
            w.Put(sb == 10 ? 3 : 0, 4);
        }
    }
    w.Put(4, 6);               // subband 2, left
    w.Put(5, 6), w.Put(15, 6); // subband 10, left and right
    Slots expected(12);
    for (int slot = 0; slot < 12; ++slot) {
        const int left = (slot * 5 + 3) % 63, shared = (slot * 3 + 1) % 15;
        w.Put(static_cast<uint32_t>(left), 6);
        w.Put(static_cast<uint32_t>(shared), 4);
        auto& in = expected[static_cast<size_t>(slot)];
        in[0].fill(0), in[1].fill(0);
        in[0][2] = static_cast<float>(left - 31) * static_cast<float>(2.0 / 63) * ScaleFactor(4);
        const float level = static_cast<float>(shared - 7) * static_cast<float>(2.0 / 15);
        in[0][10] = level * ScaleFactor(5);
        in[1][10] = level * ScaleFactor(15);
    }
    ExpectFrameDecodesAs(Finish(w, kLayer1Bytes), expected, 384);
}

TEST(MpegLayer1, AllocationFifteenAndScaleFactorSixtyThree) {
    // Mono: subband 1 with the forbidden allocation 15 reads 16-bit codes (m = 2/65535); subband
    // 7 with scale factor 63 is silent.
    mpegwriter::BitWriter w = Start(Layer1Header(3, 0));
    for (int sb = 0; sb < 32; ++sb)
        w.Put(sb == 1 ? 15 : sb == 7 ? 6 : 0, 4);
    w.Put(2, 6), w.Put(63, 6);
    Slots expected(12);
    for (int slot = 0; slot < 12; ++slot) {
        const uint32_t code = 1000 + 5000u * static_cast<uint32_t>(slot);
        w.Put(code, 16);
        w.Put(100, 7);
        auto& in = expected[static_cast<size_t>(slot)];
        in[0].fill(0), in[1].fill(0);
        in[0][1] = static_cast<float>(static_cast<int>(code) - 32767) * static_cast<float>(2.0 / 65535) *
                   ScaleFactor(2);
    }
    ExpectFrameDecodesAs(Finish(w, kLayer1Bytes), expected, 384);
}

TEST(MpegLayer1, NothingAllocatedGivesSilence) {
    mpegwriter::BitWriter w = Start(Layer1Header(3, 0));
    ExpectFrameDecodesAs(Finish(w, kLayer1Bytes), Slots(12), 384);
}

} // namespace
