// The polyphase synthesis filter bank in its two forms. Per time slot and channel the 32 subband
// samples go through a 32-point DCT (X[j] = sum of S[k] cos((2k+1) j pi/64)); the standard's 64
// matrixing values are X with signs, so only X is kept: per slot in the two arrangements that the
// windowing reads (V[0..31] for taps at an even distance, V[32..63] at an odd one), the signs
// folded into the window. Output n is then the sum over the 16 most recent slots t of
// history[t][n] x window[t][n], which runs over contiguous memory for all 32 outputs at once.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <cstring>

// The synthesis loops have fixed counts and no branch on the data: coverage tracing there tells a
// fuzzer nothing and would take most of its time.
#if defined(__clang__)
#define MPEG_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#elif defined(__GNUC__) && __GNUC__ >= 12
#define MPEG_NO_COVERAGE __attribute__((no_sanitize_coverage))
#else
#define MPEG_NO_COVERAGE
#endif

namespace {

// Lee's recursive fast DCT: the even outputs are the half-size DCT of the folded sums, the odd
// outputs the sums of neighbours of the half-size DCT of the scaled differences.
template <int N> struct FastDct {
    MPEG_NO_COVERAGE static void Run(const float* x, float* out, const float* factor) {
        constexpr int H = N / 2;
        float a[H], b[H], ea[H], eb[H];
        for (int i = 0; i < H; ++i) {
            a[i] = x[i] + x[N - 1 - i];
            b[i] = (x[i] - x[N - 1 - i]) * factor[H + i];
        }
        FastDct<H>::Run(a, ea, factor);
        FastDct<H>::Run(b, eb, factor);
        for (int m = 0; m < H - 1; ++m) {
            out[2 * m] = ea[m];
            out[2 * m + 1] = eb[m] + eb[m + 1];
        }
        out[N - 2] = ea[H - 1];
        out[N - 1] = eb[H - 1];
    }
};
template <> struct FastDct<1> {
    static void Run(const float* x, float* out, const float*) { out[0] = x[0]; }
};

// Stores X[0..31] in the two arrangements: even[n] = X[16+n] (n < 16), 0, X[48-n] (n > 16);
// odd[n] = X[16-n] (n <= 16), X[n-16] (n > 16).
template <typename T> MPEG_NO_COVERAGE void Arrange(T* even, T* odd, const T* X) {
    for (int n = 0; n < 16; ++n) {
        even[n] = X[16 + n];
        odd[n] = X[16 - n];
    }
    even[16] = 0;
    odd[16] = X[0];
    for (int n = 17; n < 32; ++n) {
        even[n] = X[48 - n];
        odd[n] = X[n - 16];
    }
}

int16_t Saturate16(int64_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

} // namespace

void CMpegAudioDecoder::ResetSynthesis() {
    std::memset(historyFloat_, 0, sizeof historyFloat_);
    std::memset(historyFixed_, 0, sizeof historyFixed_);
    ringOffset_ = 1;
    started_ = false;
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::DctFloat(float* evenRing, float* oddRing, const float* in) {
    float X[32];
    FastDct<32>::Run(in, X, synthesis_->dctFactor);
    Arrange(evenRing, oddRing, X);
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::DctFixed(int16_t* evenRing, int16_t* oddRing, const int16_t* in) {
    // The folding and the matrixing saturate at 16 bits and sum in 64 bits: a loud input clips
    // instead of wrapping into a full-scale click. Results in range are those of 16-bit folding
    // and 32-bit sums.
    int32_t a[16], d[16];
    for (int i = 0; i < 16; ++i) {
        a[i] = Saturate16(int32_t{in[i]} + in[31 - i]);
        d[i] = Saturate16(int32_t{in[i]} - in[31 - i]);
    }
    int16_t X[32];
    for (int m = 0; m < 16; ++m) {
        int64_t even = 0, odd = 0;
        for (int i = 0; i < 16; ++i) {
            even += a[i] * synthesis_->cosEven[m][i];
            odd += d[i] * synthesis_->cosOdd[m][i];
        }
        X[2 * m] = Saturate16(even >> 14);
        X[2 * m + 1] = Saturate16(odd >> 14);
    }
    Arrange(evenRing, oddRing, X);
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::SynthesizeFloat(int16_t* out, const float* in) {
    ringOffset_ = (ringOffset_ - 1) & 15;
    const int offset = ringOffset_;
    const int nch = channels_;
    for (int ch = 0; ch < nch; ++ch) {
        auto& history = historyFloat_[ch];
        DctFloat(history[offset][0], history[offset][1], in + 32 * ch);
        float acc[32] = {};
        for (int t = 0; t < 16; ++t) {
            const float* h = history[(offset + t) & 15][t & 1];
            const float* w = synthesis_->window[t];
            for (int n = 0; n < 32; ++n)
                acc[n] += h[n] * w[n];
        }
        int16_t pcm[32];
        for (int n = 0; n < 32; ++n) {
            // Limit before converting: out-of-range floats have no int value, NaN becomes 0.
            float v = acc[n] == acc[n] ? acc[n] : 0.0f;
            v = v > 32767.0f ? 32767.0f : v;
            v = v < -32768.0f ? -32768.0f : v;
            pcm[n] = static_cast<int16_t>(static_cast<int>(v));
        }
        for (int n = 0; n < 32; ++n)
            out[nch * n + ch] = pcm[n];
    }
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::SynthesizeFixed(int16_t* out, const int16_t* in) {
    ringOffset_ = (ringOffset_ - 1) & 15;
    const int offset = ringOffset_;
    const int nch = channels_;
    for (int ch = 0; ch < nch; ++ch) {
        auto& history = historyFixed_[ch];
        DctFixed(history[offset][0], history[offset][1], in + 32 * ch);
        int64_t acc[32] = {};
        int32_t middle = 0; // output 16: eight products, each reduced to its upper 16 bits
        for (int t = 0; t < 16; ++t) {
            const int16_t* h = history[(offset + t) & 15][t & 1];
            const int16_t* w = synthesis_->fixedWindow[t];
            for (int n = 0; n < 32; ++n)
                acc[n] += int32_t{h[n]} * w[n];
            if (t & 1) middle += (int32_t{h[16]} * w[16]) >> 16;
        }
        for (int n = 0; n < 32; ++n)
            out[nch * n + ch] = Saturate16(n == 16 ? int64_t{middle} * 8 : acc[n] >> 13);
    }
}
