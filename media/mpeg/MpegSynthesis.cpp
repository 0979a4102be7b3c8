// The polyphase synthesis filter bank in its two forms. Per time slot and channel the 32 subband
// samples go through a 32-point DCT (X[j] = sum of S[k] cos((2k+1) j pi/64)); the standard's 64
// matrixing values are X with signs, so only X is kept: per slot in the two arrangements that the
// windowing reads (V[0..31] for taps at an even distance, V[32..63] at an odd one), the signs
// folded into the window. Output n is then the sum over the 16 most recent slots t of
// history[t][n] x window[t][n], which runs over contiguous memory for all 32 outputs at once.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Lee's recursive fast DCT: the even outputs are the half-size DCT of the folded sums, the odd
// outputs the sums of neighbours of the half-size DCT of the scaled differences.
template <int N> struct FastDct {
    MPEG_NO_COVERAGE MPEG_NO_ADDRESS_CHECKS static void Run(const float* x, float* out, const float* factor) {
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

#if defined(__SSE2__)
// Values 2p and 2p + 1 side by side in every 32-bit lane.
MPEG_NO_COVERAGE inline __m128i Pair(const int16_t* v, int p) {
    return _mm_set1_epi32(static_cast<int>(static_cast<uint16_t>(v[2 * p]) |
                                           static_cast<uint32_t>(static_cast<uint16_t>(v[2 * p + 1])) << 16));
}
#endif

int16_t Saturate16(int64_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

// out[m] = sum over i of v[i] x c[m][i] for 16 outputs, c given as pairs [i / 2][m][i % 2].
MPEG_NO_COVERAGE void Matrix16(const int16_t* v, const int16_t (*pairs)[16][2], int32_t* out) {
#if defined(__SSE2__)
    // Two inputs at a time against four outputs' cosine pairs per multiply-add.
    __m128i acc[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128()};
    for (int p = 0; p < 8; ++p) {
        const __m128i x = Pair(v, p);
        const auto* c = reinterpret_cast<const __m128i*>(pairs[p]);
        for (int q = 0; q < 4; ++q)
            acc[q] = _mm_add_epi32(acc[q], _mm_madd_epi16(x, _mm_load_si128(c + q)));
    }
    for (int q = 0; q < 4; ++q)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * q), acc[q]);
#else
    for (int m = 0; m < 16; ++m) {
        out[m] = 0;
        for (int i = 0; i < 16; ++i)
            out[m] += int32_t{v[i]} * pairs[i / 2][m][i % 2];
    }
#endif
}

// Outputs 2m of one half of the matrixing (even or odd), (sum >> 14) saturated. Every cosine row
// sums to at most 16 x 16384 in magnitude, so inputs up to 8191 keep the sums within 32 bits;
// louder ones are split into a high and a low byte whose sums are joined in 64 bits.
MPEG_NO_COVERAGE void MatrixHalf(const int16_t* v, int largest, const int16_t (*pairs)[16][2], int16_t* out) {
    int32_t high[16];
    if (largest <= 8191) {
        Matrix16(v, pairs, high);
        for (int m = 0; m < 16; ++m)
            out[2 * m] = Saturate16(high[m] >> 14);
        return;
    }
    int16_t upper[16], lower[16];
    for (int i = 0; i < 16; ++i) {
        upper[i] = static_cast<int16_t>(v[i] >> 8);
        lower[i] = static_cast<int16_t>(v[i] & 255);
    }
    int32_t low[16];
    Matrix16(upper, pairs, high);
    Matrix16(lower, pairs, low);
    for (int m = 0; m < 16; ++m)
        out[2 * m] = Saturate16((int64_t{high[m]} * 256 + low[m]) >> 14);
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
    // The folding saturates at 16 bits and the matrixing sums exactly: a loud input clips instead
    // of wrapping into a full-scale click. Results in range are those of 16-bit folding and
    // 32-bit sums.
    int16_t a[16], d[16];
    int largestA = 0, largestD = 0;
    for (int i = 0; i < 16; ++i) {
        a[i] = Saturate16(int32_t{in[i]} + in[31 - i]);
        d[i] = Saturate16(int32_t{in[i]} - in[31 - i]);
        largestA = std::max(largestA, std::abs(int{a[i]}));
        largestD = std::max(largestD, std::abs(int{d[i]}));
    }
    int16_t X[32];
    MatrixHalf(a, largestA, synthesis_->pairEven, X);
    MatrixHalf(d, largestD, synthesis_->pairOdd, X + 1);
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
        // Every output's absolute window sum is below 65536 (checked when the tables are built),
        // so sixteen products of 16-bit history values never leave 32 bits.
        alignas(16) int32_t acc[32];
        int32_t middle = 0; // output 16: eight products, each reduced to its upper 16 bits
        for (int t = 1; t < 16; t += 2)
            middle += (int32_t{history[(offset + t) & 15][1][16]} * synthesis_->fixedWindow[t][16]) >> 16;
#if defined(__SSE2__)
        // Taps 2p and 2p + 1 interleaved against their window pairs: one multiply-add per four
        // outputs and two taps.
        __m128i sum[8];
        for (auto& v : sum)
            v = _mm_setzero_si128();
        for (int p = 0; p < 8; ++p) {
            const auto* h0 = reinterpret_cast<const __m128i*>(history[(offset + 2 * p) & 15][0]);
            const auto* h1 = reinterpret_cast<const __m128i*>(history[(offset + 2 * p + 1) & 15][1]);
            const auto* w = reinterpret_cast<const __m128i*>(synthesis_->windowPairs[p]);
            for (int g = 0; g < 4; ++g) {
                const __m128i a = _mm_loadu_si128(h0 + g), b = _mm_loadu_si128(h1 + g);
                sum[2 * g] = _mm_add_epi32(
                    sum[2 * g], _mm_madd_epi16(_mm_unpacklo_epi16(a, b), _mm_load_si128(w + 2 * g)));
                sum[2 * g + 1] = _mm_add_epi32(
                    sum[2 * g + 1], _mm_madd_epi16(_mm_unpackhi_epi16(a, b), _mm_load_si128(w + 2 * g + 1)));
            }
        }
        for (int k = 0; k < 8; ++k)
            _mm_store_si128(reinterpret_cast<__m128i*>(acc + 4 * k), sum[k]);
#else
        for (int n = 0; n < 32; ++n)
            acc[n] = 0;
        for (int t = 0; t < 16; ++t) {
            const int16_t* h = history[(offset + t) & 15][t & 1];
            const int16_t* w = synthesis_->fixedWindow[t];
            for (int n = 0; n < 32; ++n)
                acc[n] += int32_t{h[n]} * w[n];
        }
#endif
        for (int n = 0; n < 32; ++n)
            out[nch * n + ch] = Saturate16(n == 16 ? int64_t{middle} * 8 : acc[n] >> 13);
    }
}
