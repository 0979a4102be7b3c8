// Both forms of the polyphase synthesis against the standard's synthesis computed in doubles.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace {

// The standard's synthesis as written: V shift register, U, W = U x D, sums; output x 32768.
class StandardSynthesis {
  public:
    void Slot(const double* s, double* out) {
        for (int i = 1023; i >= 64; --i)
            v_[i] = v_[i - 64];
        for (int i = 0; i < 64; ++i) {
            double sum = 0;
            for (int k = 0; k < 32; ++k)
                sum += std::cos((16 + i) * (2 * k + 1) * M_PI / 64) * s[k];
            v_[i] = sum;
        }
        double u[512];
        for (int j = 0; j < 8; ++j)
            for (int n = 0; n < 32; ++n) {
                u[64 * j + n] = v_[128 * j + n];
                u[64 * j + 32 + n] = v_[128 * j + 96 + n];
            }
        for (int n = 0; n < 32; ++n) {
            double sum = 0;
            for (int j = 0; j < 16; ++j)
                sum += u[n + 32 * j] * mpeg::SynthesisWindow(n + 32 * j);
            out[n] = sum * 32768;
        }
    }

  private:
    double v_[1024] = {};
};

// A decoder opened on a bare Layer II header of one or two channels, ready to synthesise.
struct Synth {
    explicit Synth(int channels) {
        header = {0xFF, 0xFD, 0xA0, static_cast<uint8_t>(channels == 1 ? 0xC0 : 0x00)};
        EXPECT_EQ(decoder.Open(header.data(), header.size()), 0);
        EXPECT_EQ(decoder.channels(), channels);
    }
    std::array<uint8_t, 4> header;
    CMpegAudioDecoder decoder;
};

enum class Form { Float, Fixed };

// Slots of Q14 input (channels x 32 per slot) through one form and through the standard.
struct SynthRun {
    std::vector<int16_t> ours;
    std::vector<double> exact;
};

SynthRun Synthesise(Form form, int channels, const std::vector<int16_t>& q14) {
    Synth s(channels);
    StandardSynthesis standard[2];
    SynthRun run;
    const size_t slotValues = static_cast<size_t>(32 * channels);
    for (size_t at = 0; at + slotValues <= q14.size(); at += slotValues) {
        int16_t out[64];
        if (form == Form::Fixed) {
            s.decoder.SynthesizeFixed(out, &q14[at]);
        } else {
            float in[64];
            for (size_t i = 0; i < slotValues; ++i)
                in[i] = q14[at + i] / 16384.0f;
            s.decoder.SynthesizeFloat(out, in);
        }
        run.ours.insert(run.ours.end(), out, out + slotValues);
        double exact[2][32];
        for (int ch = 0; ch < channels; ++ch) {
            double in[32];
            for (int k = 0; k < 32; ++k)
                in[k] = q14[at + 32 * ch + k] / 16384.0;
            standard[ch].Slot(in, exact[ch]);
        }
        for (int n = 0; n < 32; ++n)
            for (int ch = 0; ch < channels; ++ch)
                run.exact.push_back(exact[ch][n]);
    }
    return run;
}

std::vector<int16_t> RandomQ14(size_t count, double magnitude, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(-static_cast<int>(magnitude * 16384),
                                             static_cast<int>(magnitude * 16384));
    std::vector<int16_t> v(count);
    for (auto& x : v)
        x = static_cast<int16_t>(value(rng));
    return v;
}

// Position of sample i of a run within its slot.
int Position(size_t i, int channels) {
    return static_cast<int>(i / static_cast<size_t>(channels) % 32);
}

TEST(MpegSynthesis, ZeroInputGivesZeroOutputInBothForms) {
    for (Form form : {Form::Float, Form::Fixed}) {
        SynthRun run = Synthesise(form, 2, std::vector<int16_t>(64 * 40, 0));
        for (int16_t x : run.ours)
            ASSERT_EQ(x, 0);
    }
}

TEST(MpegSynthesis, ImpulseFollowsTheStandardWithinOneUnit) {
    std::vector<int16_t> in(32 * 17, 0);
    in[0] = 1638; // 0.1 in subband 0 at the first slot
    SynthRun run = Synthesise(Form::Float, 1, in);
    double largest = 0;
    for (size_t i = 0; i < run.ours.size(); ++i) {
        EXPECT_LE(std::fabs(run.ours[i] - run.exact[i]), 1.0) << "sample " << i;
        largest = std::max(largest, std::fabs(run.exact[i]));
    }
    EXPECT_GT(largest, 1000.0);
    // The response is spread over the following slots and ends after 16.
    EXPECT_NE(run.ours[32 * 8 + 5], 0);
    for (int n = 0; n < 32; ++n)
        EXPECT_EQ(run.ours[32 * 16 + n], 0);
}

TEST(MpegSynthesis, RandomInputsStayWithinTheFormsErrors) {
    const std::vector<int16_t> in = RandomQ14(64 * 400, 0.1, 42);
    double worst[2][2] = {}; // [form][position 16]
    for (Form form : {Form::Float, Form::Fixed}) {
        SynthRun run = Synthesise(form, 2, in);
        for (size_t i = 0; i < run.ours.size(); ++i) {
            if (std::fabs(run.exact[i]) > 32767) continue; // clipped: the next test's matter
            double& w = worst[form == Form::Fixed][Position(i, 2) == 16];
            w = std::max(w, std::fabs(run.ours[i] - run.exact[i]));
        }
    }
    // Truncation gives up to one unit; float sums near full scale add a few thousandths.
    EXPECT_LE(worst[0][0], 1.02);
    EXPECT_LE(worst[0][1], 1.02);
    EXPECT_LE(worst[1][0], 16.0);
    EXPECT_LE(worst[1][1], 72.0);
    std::printf("  largest errors: float %.2f / %.2f, fixed %.0f / %.0f (other / position 16)\n", worst[0][0],
                worst[0][1], worst[1][0], worst[1][1]);
}

TEST(MpegSynthesis, LoudSlotsSaturateInsteadOfWrapping) {
    const std::vector<int16_t> in = RandomQ14(64 * 300, 0.2, 7);
    for (Form form : {Form::Float, Form::Fixed}) {
        SynthRun run = Synthesise(form, 2, in);
        int clipped = 0;
        for (size_t i = 0; i < run.ours.size(); ++i) {
            const double exact = run.exact[i];
            const double tolerance = form == Form::Float ? 1.02 : Position(i, 2) == 16 ? 72.0 : 16.0;
            if (exact > 32767 + tolerance) {
                ++clipped;
                ASSERT_EQ(run.ours[i], 32767) << "sample " << i;
            } else if (exact < -32768 - tolerance) {
                ++clipped;
                ASSERT_EQ(run.ours[i], -32768) << "sample " << i;
            } else if (form == Form::Float || Position(i, 2) != 16) {
                // Output 16 rests on X[0] alone, the sum of all 32 inputs, which clips at 2.0 in
                // the fixed form; the others stay within their error.
                ASSERT_LE(std::fabs(run.ours[i] - exact), tolerance) << "sample " << i;
            }
        }
        EXPECT_GT(clipped, 100);
    }
}

TEST(MpegSynthesis, FixedFormFoldingClipsInsteadOfWrapping) {
    // Subbands 0 and 31 at 1.9 fold to 3.8, beyond Q14: clipped to 2.0 the output keeps the
    // exact value's sign at about half its size; wrapped to -0.2 it would flip.
    std::vector<int16_t> in(32 * 20, 0);
    for (int slot = 0; slot < 3; ++slot)
        in[32 * slot] = in[32 * slot + 31] = 31130;
    SynthRun run = Synthesise(Form::Fixed, 1, in);
    int checked = 0;
    for (size_t i = 0; i < run.ours.size(); ++i) {
        if (std::fabs(run.exact[i]) < 2000 || std::fabs(run.exact[i]) > 32767) continue;
        ++checked;
        EXPECT_GT(run.ours[i] * run.exact[i], 0.0) << "sample " << i;
        EXPECT_LE(std::fabs(run.ours[i]), std::fabs(run.exact[i]) + 16) << "sample " << i;
    }
    EXPECT_GT(checked, 20);
}

TEST(MpegSynthesis, FloatFormLimitsHugeValuesAndSilencesNaN) {
    Synth s(1);
    float in[32] = {};
    int16_t out[32];
    in[0] = 1e6f;
    s.decoder.SynthesizeFloat(out, in);
    in[0] = 0;
    bool both = false;
    for (int slot = 0; slot < 4; ++slot) {
        s.decoder.SynthesizeFloat(out, in);
        bool high = false, low = false;
        for (int16_t x : out)
            high |= x == 32767, low |= x == -32768;
        both |= high && low;
    }
    EXPECT_TRUE(both);
    Synth clean(1);
    in[3] = std::numeric_limits<float>::quiet_NaN();
    clean.decoder.SynthesizeFloat(out, in);
    for (int16_t x : out)
        EXPECT_EQ(x, 0);
}

TEST(MpegSynthesis, TwoChannelsInterleaveLeftFirst) {
    const std::vector<int16_t> left = RandomQ14(32 * 30, 0.1, 1), right = RandomQ14(32 * 30, 0.1, 2);
    std::vector<int16_t> both;
    for (size_t slot = 0; slot < 30; ++slot) {
        both.insert(both.end(), left.begin() + 32 * slot, left.begin() + 32 * (slot + 1));
        both.insert(both.end(), right.begin() + 32 * slot, right.begin() + 32 * (slot + 1));
    }
    for (Form form : {Form::Float, Form::Fixed}) {
        SynthRun stereo = Synthesise(form, 2, both);
        SynthRun l = Synthesise(form, 1, left), r = Synthesise(form, 1, right);
        ASSERT_EQ(stereo.ours.size(), 2 * l.ours.size());
        for (size_t n = 0; n < l.ours.size(); ++n) {
            ASSERT_EQ(stereo.ours[2 * n], l.ours[n]);
            ASSERT_EQ(stereo.ours[2 * n + 1], r.ours[n]);
        }
    }
}

} // namespace
