// Layer III parsing: side information from the frame, main data gathered in the bit reservoir,
// scale factors (MPEG-1 and lower-rate forms) and the Huffman-coded spectrum.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"

#include <algorithm>
#include <cstring>

bool CMpegAudioDecoder::ReadSideInfo() {
    const bool lsf = id_ == 0;
    const int nch = channels_;
    auto readGranule = [&](MpegGranuleInfo& g) {
        g.part23Length = static_cast<int>(GetBits(12));
        g.bigValues = static_cast<int>(GetBits(9));
        g.globalGain = static_cast<int>(GetBits(8));
        g.scalefacCompress = static_cast<int>(GetBits(lsf ? 9 : 4));
        g.windowSwitching = static_cast<int>(GetBits(1));
        if (g.windowSwitching) {
            g.blockType = static_cast<int>(GetBits(2));
            g.mixedBlock = static_cast<int>(GetBits(1));
            g.tableSelect[0] = static_cast<int>(GetBits(5));
            g.tableSelect[1] = static_cast<int>(GetBits(5));
            for (int& gain : g.subblockGain)
                gain = static_cast<int>(GetBits(3));
            // Window switching with block type 0 is not allowed; the rest of the side information
            // keeps what the previous frame left.
            if (g.blockType == 0) return false;
            if (g.blockType == 2 && !g.mixedBlock) {
                g.region0Count = 8;
                if (!lsf) g.region1Count = 12;
            } else {
                g.region0Count = 7;
                g.region1Count = 13;
            }
        } else {
            g.blockType = 0;
            g.mixedBlock = 0;
            for (int& t : g.tableSelect)
                t = static_cast<int>(GetBits(5));
            g.region0Count = static_cast<int>(GetBits(4));
            g.region1Count = static_cast<int>(GetBits(3));
        }
        if (!lsf) g.preflag = static_cast<int>(GetBits(1));
        g.scalefacScale = static_cast<int>(GetBits(1));
        g.count1Table = static_cast<int>(GetBits(1));
        return true;
    };
    if (!lsf) {
        mainDataBegin_ = static_cast<int>(GetBits(9));
        privateBits_ = static_cast<int>(GetBits(nch == 1 ? 5 : 3));
        for (int ch = 0; ch < nch; ++ch)
            for (int& bit : scfsi_[ch])
                bit = static_cast<int>(GetBits(1));
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < nch; ++ch)
                if (!readGranule(granule_[ch][gr])) return false;
    } else {
        mainDataBegin_ = static_cast<int>(GetBits(8));
        privateBits_ = static_cast<int>(GetBits(nch == 1 ? 1 : 2));
        for (int ch = 0; ch < nch; ++ch)
            if (!readGranule(granule_[ch][0])) return false;
    }
    return true;
}

void CMpegAudioDecoder::GatherMainData() {
    const int side = id_ ? (channels_ == 2 ? 32 : 17) : (channels_ == 2 ? 17 : 9);
    const int length = frameDataLength_ - side - (protection_ == 0 ? 2 : 0);
    if (length > 0) {
        const int64_t byte = bitCursor_ >> 3;
        if ((bitCursor_ & 7) == 0 && byte >= 0 && byte + length <= length_) {
            reservoir_.PutBytes(data_ + byte, length);
            bitCursor_ += 8 * int64_t{length};
        } else {
            // Side information that stopped early leaves the cursor off a byte boundary.
            for (int i = 0; i < length; ++i)
                reservoir_.PutByte(static_cast<uint8_t>(GetBits(8)));
        }
    }
    const int bitsInByte = reservoir_.consumedBits() & 7;
    if (bitsInByte) reservoir_.SkipBits(8 - bitsInByte);
    const int consumed = reservoir_.consumedBits() / 8;
    // The frame's main data starts main_data_begin bytes before its own. When those bytes were
    // never written (the start of a stream, or after a cut), decoding starts where the reader
    // is; otherwise the reader moves there, back as well as forward, so that one damaged frame
    // does not leave every later one read from the wrong byte.
    const int target = reservoirBytes_ - mainDataBegin_;
    const int skip = target >= 0 ? target - consumed : 0;
    reservoirBytes_ += std::max(length, 0);
    if (skip > 0)
        reservoir_.SkipBits(8 * skip);
    else if (skip < 0)
        reservoir_.RewindBits(-8 * skip);
    lastSkip_ = skip;
    if (reservoir_.consumedBits() / 8 > MpegBitReservoir::kSize) {
        reservoirBytes_ -= MpegBitReservoir::kSize;
        reservoir_.RewindBytes(MpegBitReservoir::kSize);
    }
}

void CMpegAudioDecoder::ReadScaleFactors(int ch, int gr) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    MpegScaleFactors& sf = scaleFactors_[ch];
    const int slen1 = mpeg::kSlen[0][g.scalefacCompress & 15];
    const int slen2 = mpeg::kSlen[1][g.scalefacCompress & 15];
    auto get = [this](int n) { return n ? static_cast<int>(reservoir_.GetBits(n)) : 0; };
    if (g.windowSwitching && g.blockType == 2) {
        int band = 0;
        if (g.mixedBlock) {
            for (int b = 0; b < 8; ++b)
                sf.l[b] = get(slen1);
            band = 3;
        }
        for (int b = band; b < 6; ++b)
            for (int w = 0; w < 3; ++w)
                sf.s[w][b] = get(slen1);
        for (int b = 6; b < 12; ++b)
            for (int w = 0; w < 3; ++w)
                sf.s[w][b] = get(slen2);
        for (int w = 0; w < 3; ++w)
            sf.s[w][12] = 0;
        return;
    }
    static constexpr int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (gr == 1 && scfsi_[ch][group]) continue; // granule 0's values stay
        const int bits = group < 2 ? slen1 : slen2;
        for (int b = kGroupStart[group]; b < kGroupStart[group + 1]; ++b)
            sf.l[b] = get(bits);
    }
    sf.l[21] = sf.l[22] = 0;
}

void CMpegAudioDecoder::ReadScaleFactorsLsf(int ch, int gr) {
    MpegGranuleInfo& g = granule_[ch][gr];
    MpegScaleFactors& sf = scaleFactors_[ch];
    const bool shortBlocks = g.windowSwitching && g.blockType == 2;
    const int kind = shortBlocks ? (g.mixedBlock ? 2 : 1) : 0;
    const int c = g.scalefacCompress;
    int slen[4] = {0, 0, 0, 0};
    int range = 0;
    if ((modeExtension_ & 1) && ch == 1) {
        // The intensity-coded channel: chosen by the mode extension alone, as decided.
        const int h = c >> 1;
        if (h < 180) {
            slen[0] = h / 36, slen[1] = (h % 36) / 6, slen[2] = (h % 36) % 6, range = 3;
        } else if (h < 244) {
            slen[0] = ((h - 180) % 64) / 16, slen[1] = ((h - 180) % 16) / 4, slen[2] = (h - 180) % 4;
            range = 4;
        } else if (h < 255) {
            slen[0] = (h - 244) / 3, slen[1] = (h - 244) % 3, range = 5;
        }
        g.preflag = 0;
    } else if (c < 400) {
        slen[0] = (c / 16) / 5, slen[1] = (c / 16) % 5, slen[2] = (c % 16) / 4, slen[3] = c % 4;
        range = 0;
        g.preflag = 0;
    } else if (c < 500) {
        const int d = c - 400;
        slen[0] = (d / 4) / 5, slen[1] = (d / 4) % 5, slen[2] = d % 4, range = 1;
        g.preflag = 0;
    } else {
        const int d = c - 500;
        slen[0] = d / 3, slen[1] = d % 3, range = 2;
        g.preflag = 1;
    }
    int buffer[45] = {}; // on the stack: decoders on other threads never share it
    int n = 0;
    for (int group = 0; group < 4; ++group)
        for (int k = 0; k < mpeg::kLsfScaleFactorCounts[range][kind][group]; ++k)
            buffer[n++] = slen[group] ? static_cast<int>(reservoir_.GetBits(slen[group])) : 0;
    if (kind == 0) {
        for (int b = 0; b < 21; ++b)
            sf.l[b] = buffer[b];
        sf.l[21] = sf.l[22] = 0;
        return;
    }
    if (kind == 1) {
        for (int b = 0; b < 12; ++b)
            for (int w = 0; w < 3; ++w)
                sf.s[w][b] = buffer[3 * b + w];
    } else {
        // Mixed: the 36 long lines are 6 long bands at these rates.
        for (int b = 0; b < 6; ++b)
            sf.l[b] = buffer[b];
        for (int b = 3; b < 12; ++b)
            for (int w = 0; w < 3; ++w)
                sf.s[w][b] = buffer[6 + 3 * (b - 3) + w];
    }
    for (int w = 0; w < 3; ++w)
        sf.s[w][12] = 0;
}

namespace {

// One code through the lookup levels, several bits per step; `used` is the code's length. The
// look-ahead's next bit is bit 63.
inline int LookUp(const mpeg::HuffmanTableInfo& info, const uint32_t* lookup, uint64_t bits, int* used) {
    const uint32_t* level = lookup + info.start;
    int width = info.bits, taken = 0;
    uint32_t e = level[bits >> (64 - width)];
    while (e & 0x80000000u) {
        taken += width;
        width = static_cast<int>((e >> 24) & 31);
        level = lookup + (e & 0xFFFFFF);
        e = level[(bits << taken) >> (64 - width)];
    }
    *used = taken + static_cast<int>(e >> 16);
    return static_cast<int>(e & 0xFF);
}

// A pair with its linbits and sign bits: at most 19 + 2 x 14 bits, all within one look-ahead.
inline void DecodePair(MpegBitReservoir& r, const mpeg::HuffmanTableInfo& info, const uint32_t* lookup,
                       int* x, int* y) {
    const uint64_t bits = r.Peek64();
    int used;
    const int value = LookUp(info, lookup, bits, &used);
    int a = value >> 4, b = value & 15;
    const int linbits = info.linbits;
    if (a == 15 && linbits) {
        a += static_cast<int>((bits << used) >> (64 - linbits));
        used += linbits;
    }
    if (a) {
        if ((bits << used) >> 63) a = -a;
        ++used;
    }
    if (b == 15 && linbits) {
        b += static_cast<int>((bits << used) >> (64 - linbits));
        used += linbits;
    }
    if (b) {
        if ((bits << used) >> 63) b = -b;
        ++used;
    }
    r.SkipBits(used);
    *x = a, *y = b;
}

// A quadruple with its sign bits, in the order v w x y.
inline void DecodeQuad(MpegBitReservoir& r, const mpeg::HuffmanTableInfo& info, const uint32_t* lookup,
                       int* q) {
    const uint64_t bits = r.Peek64();
    int used;
    const int value = LookUp(info, lookup, bits, &used);
    for (int k = 0; k < 4; ++k) {
        q[k] = value >> (3 - k) & 1;
        if (q[k]) {
            if ((bits << used) >> 63) q[k] = -1;
            ++used;
        }
    }
    r.SkipBits(used);
}

} // namespace

int CMpegAudioDecoder::HuffmanDecodeCode(int table, int* x, int* y, int* v, int* w) {
    const mpeg::HuffmanTableInfo& info = mpeg::Layer3HuffmanTable(table);
    if (info.start < 0) {
        *x = *y = 0;
        return 0;
    }
    if (table >= 32) {
        int q[4];
        DecodeQuad(reservoir_, info, mpeg::Layer3HuffmanLookup(), q);
        *v = q[0], *w = q[1], *x = q[2], *y = q[3];
    } else {
        DecodePair(reservoir_, info, mpeg::Layer3HuffmanLookup(), x, y);
    }
    return 0;
}

void CMpegAudioDecoder::HuffmanDecodeGranule(int ch, int gr, int* is, int part2Start) {
    const MpegGranuleInfo& g = granule_[ch][gr];
    const mpeg::BandBoundaries& bands = mpeg::kBandBoundaries[sfbRow_];
    const int end = part2Start + g.part23Length;
    int region1 = 36, region2 = 576;
    if (!(g.windowSwitching && g.blockType == 2)) {
        // A boundary past the last band is the end of the spectrum.
        const int a = g.region0Count + 1, b = g.region0Count + g.region1Count + 2;
        region1 = a < 23 ? bands.l[a] : 576;
        region2 = b < 23 ? bands.l[b] : 576;
    }
    const uint32_t* lookup = mpeg::Layer3HuffmanLookup();
    const int big = 2 * g.bigValues;
    int i = 0;
    const int limits[3] = {std::min(region1, big), std::min(std::max(region1, region2), big), big};
    for (int r = 0; r < 3; ++r) {
        const mpeg::HuffmanTableInfo& info = mpeg::Layer3HuffmanTable(g.tableSelect[r] & 31);
        if (info.start < 0) { // (0, 0) without reading
            for (; i < limits[r]; i += 2)
                if (i < 576) is[i] = is[i + 1] = 0;
            continue;
        }
        for (; i < limits[r]; i += 2) {
            int x, y;
            DecodePair(reservoir_, info, lookup, &x, &y);
            if (i < 576) is[i] = x, is[i + 1] = y; // values beyond the spectrum are read, not kept
        }
    }
    i = std::max(i, big);
    const mpeg::HuffmanTableInfo& quads = mpeg::Layer3HuffmanTable(32 + (g.count1Table & 1));
    while (reservoir_.consumedBits() < end && i < 576) {
        int q[4];
        DecodeQuad(reservoir_, quads, lookup, q);
        for (int k = 0; k < 4 && i + k < 576; ++k)
            is[i + k] = q[k];
        i += 4;
    }
    const int counter = reservoir_.consumedBits();
    if (counter > end) {
        reservoir_.RewindBits(counter - end);
        i = std::max(i - 4, 0);
    } else if (counter < end) {
        reservoir_.SkipBits(end - counter);
    }
    const int count = std::min(i, 576);
    nonzero_[ch] = static_cast<int16_t>(count);
    std::memset(is + count, 0, sizeof(int) * static_cast<size_t>(576 - count));
}
