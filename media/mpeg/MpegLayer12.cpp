// Layers I and II: subband samples read straight from the frame, dequantised by one multiplication
// with a combined multiplier x scale factor, then the floating-point synthesis.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <cstring>

int CMpegAudioDecoder::DecodeLayer1(int16_t* pcm) {
    const auto& muls = mpeg::GetLayer12Tables().muls;
    const int nch = channels_;
    const int bound = nch == 2 && mode_ == 1 ? 4 * (modeExtension_ + 1) : 32;
    uint8_t allocation[2][32] = {};
    uint8_t scale[2][32] = {};
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < bound) {
            for (int ch = 0; ch < nch; ++ch)
                allocation[ch][sb] = static_cast<uint8_t>(GetBits(4));
        } else {
            allocation[0][sb] = allocation[1][sb] = static_cast<uint8_t>(GetBits(4));
        }
    }
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (allocation[ch][sb]) scale[ch][sb] = static_cast<uint8_t>(GetBits(6));

    float samples[2][32];
    for (int slot = 0; slot < 12; ++slot) {
        std::memset(samples, 0, sizeof samples);
        for (int sb = 0; sb < 32; ++sb) {
            if (sb < bound) {
                for (int ch = 0; ch < nch; ++ch) {
                    int nb = allocation[ch][sb];
                    if (!nb) continue;
                    int code = static_cast<int>(GetBits(nb + 1));
                    samples[ch][sb] = static_cast<float>(code - (1 << nb) + 1) * muls[nb + 1][scale[ch][sb]];
                }
            } else if (int nb = allocation[0][sb]) {
                // One code for both channels, each scaled by its own factor.
                float level = static_cast<float>(static_cast<int>(GetBits(nb + 1)) - (1 << nb) + 1);
                samples[0][sb] = level * muls[nb + 1][scale[0][sb]];
                samples[1][sb] = level * muls[nb + 1][scale[1][sb]];
            }
        }
        SynthesizeFloat(pcm, &samples[0][0]);
        pcm += slotSamples_;
    }
    return 0;
}

struct CMpegAudioDecoder::Layer2Frame {
    const mpeg::AllocationEntry* entry[2][32]; // the allocation's entry, null when nothing is sent
    uint8_t scale[2][32][3];
    int limit;
    int bound;
    int channels;
};

void CMpegAudioDecoder::ReadLayer2Samples(const Layer2Frame& frame, float (*samples)[2][32], int part) {
    const auto& tables = mpeg::GetLayer12Tables();
    for (int sb = 0; sb < frame.limit; ++sb) {
        const int codedChannels = sb < frame.bound ? frame.channels : 1;
        for (int ch = 0; ch < codedChannels; ++ch) {
            const mpeg::AllocationEntry* e = frame.entry[ch][sb];
            if (!e) {
                samples[0][ch][sb] = samples[1][ch][sb] = samples[2][ch][sb] = 0.0f;
                if (codedChannels == 1 && frame.channels == 2)
                    samples[0][1][sb] = samples[1][1][sb] = samples[2][1][sb] = 0.0f;
                continue;
            }
            // Levels of the three samples as rows of muls (grouped) or as multiples of row `bits`.
            int rows[3];
            float levels[3];
            const bool grouped = e->d > 0;
            if (grouped) {
                uint32_t code = GetBits(e->bits);
                const uint8_t* r = e->d == 3   ? tables.group3[code]
                                   : e->d == 5 ? tables.group5[code]
                                               : tables.group9[code];
                rows[0] = r[0], rows[1] = r[1], rows[2] = r[2];
            } else {
                for (int k = 0; k < 3; ++k) {
                    levels[k] = static_cast<float>(static_cast<int>(GetBits(e->bits)) + e->d);
                    rows[k] = e->bits;
                }
            }
            const int last = codedChannels == 1 ? frame.channels - 1 : ch;
            for (int c = ch; c <= last; ++c) {
                const int index = frame.scale[c][sb][part];
                for (int k = 0; k < 3; ++k)
                    samples[k][c][sb] =
                        grouped ? tables.muls[rows[k]][index] : levels[k] * tables.muls[rows[k]][index];
            }
        }
    }
}

int CMpegAudioDecoder::DecodeLayer2(int16_t* pcm) {
    const int nch = channels_;
    const int table = lowerRate_
                          ? mpeg::kLayer2LowerRateTable
                          : mpeg::kLayer2TableChoice[sampleRateIndex_][nch == 2 ? 0 : 1][bitrateIndex_];
    Layer2Frame frame;
    frame.channels = nch;
    frame.limit = mpeg::Layer2SubbandLimit(table);
    frame.bound = nch == 2 && mode_ == 1 ? 4 * (modeExtension_ + 1) : frame.limit;
    subbandLimit_ = frame.limit;
    jointBound_ = frame.bound;

    const mpeg::AllocationEntry* group = mpeg::Layer2Allocation(table);
    for (int sb = 0; sb < frame.limit; ++sb) {
        const int nbal = group->bits;
        for (int ch = 0; ch < nch; ++ch) {
            if (ch == 0 || sb < frame.bound) {
                int a = static_cast<int>(GetBits(nbal));
                frame.entry[ch][sb] = a ? group + a : nullptr;
            } else {
                frame.entry[1][sb] = frame.entry[0][sb];
            }
        }
        group += 1 << nbal;
    }
    uint8_t scfsi[2][32];
    for (int sb = 0; sb < frame.limit; ++sb)
        for (int ch = 0; ch < nch; ++ch)
            if (frame.entry[ch][sb]) scfsi[ch][sb] = static_cast<uint8_t>(GetBits(2));
    for (int sb = 0; sb < frame.limit; ++sb)
        for (int ch = 0; ch < nch; ++ch) {
            if (!frame.entry[ch][sb]) continue;
            uint8_t* s = frame.scale[ch][sb];
            switch (scfsi[ch][sb]) {
            case 0:
                s[0] = static_cast<uint8_t>(GetBits(6));
                s[1] = static_cast<uint8_t>(GetBits(6));
                s[2] = static_cast<uint8_t>(GetBits(6));
                break;
            case 1:
                s[0] = s[1] = static_cast<uint8_t>(GetBits(6));
                s[2] = static_cast<uint8_t>(GetBits(6));
                break;
            case 2:
                s[0] = s[1] = s[2] = static_cast<uint8_t>(GetBits(6));
                break;
            default:
                s[0] = static_cast<uint8_t>(GetBits(6));
                s[1] = s[2] = static_cast<uint8_t>(GetBits(6));
                break;
            }
        }

    float samples[3][2][32];
    std::memset(samples, 0, sizeof samples); // subbands from the limit up stay 0
    for (int g = 0; g < 12; ++g) {
        ReadLayer2Samples(frame, samples, g / 4);
        for (int k = 0; k < 3; ++k) {
            SynthesizeFloat(pcm, &samples[k][0][0]);
            pcm += slotSamples_;
        }
    }
    return 0;
}
