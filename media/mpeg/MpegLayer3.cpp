// Layer III reconstruction: requantisation, mid/side and intensity stereo, short-block reordering,
// alias reduction, the inverse MDCT with overlap, frequency inversion, and the hand-over to the
// synthesis (Q14 fixed point by default, or the unscaled float form).
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool ShortBlocks(const MpegGranuleInfo& g) {
    return g.windowSwitching && g.blockType == 2;
}

// The standard's 36 windowed outputs of one subband. The IMDCT is a DCT-IV of the inputs whose
// outputs, with signs, fill the 36 points: n = 36: y[i] = t[i + 9] (i < 9), -t[26 - i] (i < 27),
// -t[i - 27]; n = 12 likewise with 3, 8 and 9.
MPEG_NO_COVERAGE MPEG_NO_ADDRESS_CHECKS void Imdct36(const float* in, float* out, int blockType,
                                                     const mpeg::Layer3Tables& t) {
    if (blockType != 2) {
        float d[18] = {};
        for (int k = 0; k < 18; ++k) {
            const float x = in[k];
            const float* c = t.dct18[k];
            for (int j = 0; j < 18; ++j)
                d[j] += x * c[j];
        }
        const float* win = t.window[blockType];
        for (int i = 0; i < 9; ++i)
            out[i] = d[i + 9] * win[i];
        for (int i = 9; i < 27; ++i)
            out[i] = -d[26 - i] * win[i];
        for (int i = 27; i < 36; ++i)
            out[i] = -d[i - 27] * win[i];
        return;
    }
    std::memset(out, 0, 36 * sizeof(float));
    for (int w = 0; w < 3; ++w) {
        float d[6] = {};
        for (int k = 0; k < 6; ++k) {
            const float x = in[w + 3 * k];
            for (int j = 0; j < 6; ++j)
                d[j] += x * t.dct6[k][j];
        }
        float y[12];
        for (int i = 0; i < 3; ++i)
            y[i] = d[i + 3];
        for (int i = 3; i < 9; ++i)
            y[i] = -d[8 - i];
        for (int i = 9; i < 12; ++i)
            y[i] = -d[i - 9];
        float* o = out + 6 + 6 * w;
        for (int i = 0; i < 12; ++i)
            o[i] += y[i] * t.shortWindow[i];
    }
}

[[maybe_unused]] int16_t ToQ14(float v) {
    v *= 16384.0f;
    // Limited before the conversion, which has no result outside the range; NaN becomes 0.
    v = v == v ? v : 0.0f;
    v = std::min(std::max(v, -32768.0f), 32767.0f);
    return static_cast<int16_t>(std::lrint(v));
}

// |is| <= 15 + 2^13 - 1 by the Huffman decoding.
MPEG_NO_COVERAGE void ScaleLines(float* xr, const int* is, int from, int to, float f,
                                 const mpeg::Layer3Tables& t) {
    const float* table = t.signedPow43 + 8206;
    for (int i = from; i < to; ++i)
        xr[i] = f * table[is[i]];
}

} // namespace

MPEG_NO_COVERAGE void CMpegAudioDecoder::HandOverFixed(const float* in, int16_t* out) {
#if defined(__SSE2__)
    const __m128 scale = _mm_set1_ps(16384.0f), low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    for (int i = 0; i < 576; i += 8) {
        __m128 a = _mm_mul_ps(_mm_loadu_ps(in + i), scale);
        __m128 b = _mm_mul_ps(_mm_loadu_ps(in + i + 4), scale);
        a = _mm_and_ps(a, _mm_cmpord_ps(a, a));
        b = _mm_and_ps(b, _mm_cmpord_ps(b, b));
        a = _mm_min_ps(_mm_max_ps(a, low), high);
        b = _mm_min_ps(_mm_max_ps(b, low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
    }
#else
    for (int i = 0; i < 576; ++i)
        out[i] = ToQ14(in[i]);
#endif
}

void CMpegAudioDecoder::Requantize(float* xr, int ch, int gr, const int* is) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    const MpegScaleFactors& sf = scaleFactors_[ch];
    const mpeg::BandBoundaries& bands = mpeg::kBandBoundaries[sfbRow_];
    const mpeg::Layer3Tables& t = *layer3_;
    const float gain = static_cast<float>(std::pow(2.0, (g.globalGain - 210) / 4.0));
    const int nz = nonzero_[ch];
    auto scaled = [&](int from, int to, int k) {
        ScaleLines(xr, is, from, to, gain * t.pow2[std::min(k, 63)], t);
    };
    const bool shortBlocks = ShortBlocks(g);
    const bool mixed = shortBlocks && g.mixedBlock;
    int line = 0;
    if (!shortBlocks || mixed) {
        const int longEnd = mixed ? 36 : 576;
        const int stopAt = std::min(longEnd, nz);
        for (int b = 0; b < 22 && line < stopAt; ++b) {
            const int bandEnd = bands.l[b + 1];
            const int stop = bandEnd < stopAt ? bandEnd : stopAt;
            const int pre = g.preflag ? mpeg::kPretab[b] : 0;
            scaled(line, stop, (sf.l[b] + pre) << (g.scalefacScale & 1));
            line = stop;
        }
    }
    if (shortBlocks) {
        for (int b = mixed ? 3 : 0; b < 13 && line < nz; ++b) {
            const int width = bands.s[b + 1] - bands.s[b];
            for (int w = 0; w < 3 && line < nz; ++w) {
                const int start = 3 * bands.s[b] + w * width;
                const int k = 4 * (g.subblockGain[w] & 7) + (sf.s[w][b] << (g.scalefacScale & 1));
                scaled(start, std::min(start + width, nz), k);
                line = start + width;
            }
        }
    }
    std::fill(xr + std::min(nz, 576), xr + 576, 0.0f);
}

void CMpegAudioDecoder::IntensityFactorsLsf(int position, int scale, float* k0, float* k1) const {
    const float* io = layer3_->lsfIntensity[scale & 1];
    const int p = std::clamp(position, 0, 31);
    *k0 = *k1 = 1.0f;
    if (p == 0) return;
    if (p & 1)
        *k0 = io[(p + 1) / 2];
    else
        *k1 = io[p / 2];
}

void CMpegAudioDecoder::ProcessStereo(int gr, float (*lr)[576], float (*xr)[576]) {
    if (channels_ == 1) {
        std::memcpy(lr[0], xr[0], sizeof lr[0]);
        return;
    }
    const bool ms = mode_ == 1 && (modeExtension_ & 2);
    const bool intensity = mode_ == 1 && (modeExtension_ & 1);
    const int end = std::max(nonzero_[0], nonzero_[1]);
    constexpr float kInvSqrt2 = 0.70710677f;
    if (!intensity) {
        if (ms) {
            for (int i = 0; i < end; ++i) {
                const float a = xr[0][i], b = xr[1][i];
                lr[0][i] = (a + b) * kInvSqrt2;
                lr[1][i] = (a - b) * kInvSqrt2;
            }
        } else {
            std::memcpy(lr[0], xr[0], sizeof(float) * static_cast<size_t>(end));
            std::memcpy(lr[1], xr[1], sizeof(float) * static_cast<size_t>(end));
        }
        std::fill(lr[0] + end, lr[0] + 576, 0.0f);
        std::fill(lr[1] + end, lr[1] + 576, 0.0f);
        return;
    }

    // Intensity positions from channel 1's scale factors above its last nonzero line; the layout
    // follows channel 0's block type.
    uint8_t pos[576];
    std::memset(pos, 7, sizeof pos);
    const MpegGranuleInfo& g0 = granule_[0][gr];
    const MpegScaleFactors& sf = scaleFactors_[1];
    const mpeg::BandBoundaries& bands = mpeg::kBandBoundaries[sfbRow_];
    const float* right = xr[1];
    auto fill = [&](int from, int to, int p) { std::memset(pos + from, std::clamp(p, 0, 255), to - from); };
    auto lastNonzero = [&](int from, int to) {
        for (int i = to - 1; i >= from; --i)
            if (right[i] != 0.0f) return i;
        return -1;
    };
    auto longBandOf = [&](int line) {
        int b = 0;
        while (b < 21 && bands.l[b + 1] <= line)
            ++b;
        return b;
    };
    if (ShortBlocks(g0)) {
        bool shortNonzero = false;
        for (int w = 0; w < 3; ++w) {
            int last = 2;
            for (int b = 12; b >= 3; --b) {
                const int width = bands.s[b + 1] - bands.s[b];
                const int start = 3 * bands.s[b] + w * width;
                if (lastNonzero(start, start + width) >= 0) {
                    last = b;
                    break;
                }
            }
            shortNonzero = shortNonzero || last >= 3;
            for (int b = last + 1; b < 12; ++b) {
                const int width = bands.s[b + 1] - bands.s[b];
                const int start = 3 * bands.s[b] + w * width;
                fill(start, start + width, sf.s[w][b]);
            }
            if (last < 12) {
                const int width11 = bands.s[12] - bands.s[11];
                const int width = bands.s[13] - bands.s[12];
                const int start = 3 * bands.s[12] + w * width;
                fill(start, start + width, pos[3 * bands.s[11] + w * width11]);
            }
        }
        if (g0.mixedBlock && !shortNonzero) {
            // The long bands of a mixed block: 8 at MPEG-1 rates, 6 at the lower rates.
            const int lastLong = id_ ? 7 : 5;
            const int line = std::max(lastNonzero(0, 54), 0);
            for (int b = longBandOf(line) + 1; b <= lastLong; ++b)
                fill(bands.l[b], bands.l[b + 1], sf.l[b]);
        }
    } else {
        const int line = std::max(lastNonzero(0, 576), 0);
        for (int b = longBandOf(line) + 1; b <= 20; ++b)
            fill(bands.l[b], bands.l[b + 1], sf.l[b]);
        if (longBandOf(line) < 21) fill(bands.l[21], 576, pos[bands.l[20]]);
    }

    const mpeg::Layer3Tables& t = *layer3_;
    const bool lsf = id_ == 0;
    const int scale = granule_[1][gr].scalefacCompress & 1;
    for (int i = 0; i < 576; ++i) {
        const float a = xr[0][i], b = xr[1][i];
        const int p = pos[i];
        // Position 7 marks a line without intensity; at MPEG-1 rates so do 8..15 (only 0..6
        // are positions there).
        if (p == 7 || (!lsf && p > 7)) {
            if (ms) {
                lr[0][i] = (a + b) * kInvSqrt2;
                lr[1][i] = (a - b) * kInvSqrt2;
            } else {
                lr[0][i] = a;
                lr[1][i] = b;
            }
        } else if (!lsf) {
            const float ratio = t.intensity[p];
            lr[1][i] = a / (1.0f + ratio);
            lr[0][i] = lr[1][i] * ratio;
        } else {
            float k0, k1;
            IntensityFactorsLsf(p, scale, &k0, &k1);
            lr[0][i] = a * k0;
            lr[1][i] = a * k1;
        }
    }
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::ReorderShortBlocks(const float* lr, int ch, int gr, float* out) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    if (!ShortBlocks(g)) {
        std::memcpy(out, lr, 576 * sizeof(float));
        return;
    }
    const int16_t* map = layer3_->reorder[sfbRow_];
    int i = 0;
    if (g.mixedBlock) {
        std::memcpy(out, lr, 36 * sizeof(float));
        i = 36;
    }
    for (; i < 576; ++i)
        out[i] = lr[map[i]];
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::Antialias(int ch, int gr, float* x) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    int boundaries = 31;
    if (ShortBlocks(g)) {
        if (!g.mixedBlock) return;
        boundaries = 1;
    }
    // Boundaries above the last subband with a nonzero line change nothing.
    boundaries = std::min(boundaries, (activeLines_[ch] + 17) / 18);
    const mpeg::Layer3Tables& t = *layer3_;
    for (int sb = 0; sb < boundaries; ++sb) {
        float* lo = x + 18 * sb + 17;
        float* hi = x + 18 * sb + 18;
        for (int i = 0; i < 8; ++i) {
            const float u = lo[-i], d = hi[i];
            lo[-i] = u * t.cs[i] - d * t.ca[i];
            hi[i] = d * t.cs[i] + u * t.ca[i];
        }
    }
}

MPEG_NO_COVERAGE void CMpegAudioDecoder::HybridSynthesis(int ch, int gr, float* x, int subbands) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    float* overlap = overlap_[ch];
    float* out = hybrid_[ch];
    const int blockType = g.windowSwitching ? g.blockType : 0;
    for (int sb = 0; sb < subbands; ++sb) {
        float y[36];
        Imdct36(x + 18 * sb, y, g.windowSwitching && g.mixedBlock && sb < 2 ? 0 : blockType, *layer3_);
        float* o = overlap + 18 * sb;
        float* h = out + 18 * sb;
        for (int i = 0; i < 18; ++i) {
            h[i] = y[i] + o[i];
            o[i] = y[18 + i];
        }
    }
    // Subbands without input give what the overlap held.
    std::memcpy(out + 18 * subbands, overlap + 18 * subbands,
                sizeof(float) * 18 * static_cast<size_t>(32 - subbands));
    std::fill(overlap + 18 * subbands, overlap + 576, 0.0f);
}

// Slot by slot: the hybrid output of subband sb at time t is slot t's input sb.
MPEG_NO_COVERAGE int16_t* CMpegAudioDecoder::SynthesizeGranule(int16_t* pcm) {
    const int nch = channels_;
    if (synthesisForm_ == Synthesis::Float) {
        float in[2][32];
        for (int slot = 0; slot < 18; ++slot) {
            for (int ch = 0; ch < nch; ++ch)
                for (int sb = 0; sb < 32; ++sb)
                    in[ch][sb] = hybrid_[ch][18 * sb + slot];
            SynthesizeFloat(pcm, in[0]);
            pcm += slotSamples_;
        }
        return pcm;
    }
    int16_t in[18][2][32];
    for (int ch = 0; ch < nch; ++ch) {
        int16_t q[576];
        HandOverFixed(hybrid_[ch], q);
        for (int sb = 0; sb < 32; ++sb)
            for (int slot = 0; slot < 18; ++slot)
                in[slot][ch][sb] = q[18 * sb + slot];
    }
    for (int slot = 0; slot < 18; ++slot) {
        SynthesizeFixed(pcm, in[slot][0]);
        pcm += slotSamples_;
    }
    return pcm;
}

int CMpegAudioDecoder::DecodeLayer3(int16_t* pcm) {
    ReadSideInfo();
    GatherMainData();
    const int nch = channels_;
    const mpeg::BandBoundaries& bands = mpeg::kBandBoundaries[sfbRow_];
    for (int gr = 0; gr < granules_; ++gr) {
        int is[576];
        float xr[2][576], lr[2][576], spectrum[576];
        for (int ch = 0; ch < nch; ++ch) {
            const int part2Start = reservoir_.consumedBits();
            if (id_)
                ReadScaleFactors(ch, gr);
            else
                ReadScaleFactorsLsf(ch, gr);
            HuffmanDecodeGranule(ch, gr, is, part2Start);
            Requantize(xr[ch], ch, gr, is);
        }
        ProcessStereo(gr, lr, xr);
        const int joint = nch == 2 ? std::max(nonzero_[0], nonzero_[1]) : nonzero_[0];
        for (int ch = 0; ch < nch; ++ch) {
            const MpegGranuleInfo& g = granule_[ch][gr];
            // Lines that may be nonzero after stereo processing and reordering: reordering keeps a
            // short band's lines within the band.
            int lines = nch == 2 && mode_ == 1 ? joint : nonzero_[ch];
            if (ShortBlocks(g) && (lines > 36 || !g.mixedBlock)) {
                int b = 0;
                while (b < 12 && 3 * bands.s[b + 1] < lines)
                    ++b;
                lines = 3 * bands.s[b + 1];
            }
            activeLines_[ch] = lines;
            ReorderShortBlocks(lr[ch], ch, gr, spectrum);
            Antialias(ch, gr, spectrum);
            HybridSynthesis(ch, gr, spectrum, std::min(32, (lines + 17) / 18 + 1));
            float* h = hybrid_[ch];
            for (int sb = 1; sb < 32; sb += 2)
                for (int i = 1; i < 18; i += 2)
                    h[18 * sb + i] = -h[18 * sb + i];
        }
        pcm = SynthesizeGranule(pcm);
    }
    activeLines_[0] = activeLines_[1] = 576;
    return 0;
}
