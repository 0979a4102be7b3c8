// Layer III parsing (side information, main data, scale factors, Huffman codes) and the steps of
// its reconstruction, on hand-written bits.
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"
#include "mpegwriter/MpegWriter.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <vector>

namespace {

using mpegwriter::BitWriter;

uint32_t Header(bool lsf, int samplingCode, int mode, int modeExtension, int bitrateIndex = 9) {
    return 0xFFF00000u | uint32_t(lsf ? 0 : 1) << 19 | 1u << 17 | 1u << 16 | uint32_t(bitrateIndex) << 12 |
           uint32_t(samplingCode) << 10 | uint32_t(mode) << 6 | uint32_t(modeExtension) << 4;
}

// A decoder opened on one frame: the header, then the given bits, zeros to the frame's end.
struct Frame {
    Frame(uint32_t header, const BitWriter& body = BitWriter()) {
        BitWriter w;
        w.Put(header, 32);
        bytes = w.bytes();
        bytes.insert(bytes.end(), body.bytes().begin(), body.bytes().end());
        bytes.resize(2000, 0);
        decoder = std::make_unique<CMpegAudioDecoder>();
        EXPECT_EQ(decoder->Open(bytes.data(), bytes.size()), 0);
        EXPECT_EQ(decoder->NextFrameHeader(), 0);
    }
    // Bits into the reservoir, read from its start.
    void Reservoir(const BitWriter& w) {
        BitWriter padded = w;
        padded.PadToByte();
        decoder->reservoir().PutBytes(padded.bytes().data(), static_cast<int>(padded.bytes().size()));
    }
    std::vector<uint8_t> bytes;
    std::unique_ptr<CMpegAudioDecoder> decoder;
};

void PutCode(BitWriter& w, int table, int value) {
    int count = 0;
    const mpeg::HuffmanCode* codes =
        mpeg::Layer3HuffmanCodes(mpeg::Layer3HuffmanTable(table).codesOf, &count);
    for (int k = 0; k < count; ++k)
        if (codes[k].value == value) return w.Put(codes[k].bits, codes[k].length);
    ADD_FAILURE() << "no code " << value << " in table " << table;
}

// ---- Side information ----

struct SideInfoCase {
    bool lsf;
    int mode;
};

TEST(MpegLayer3SideInfo, FieldsInStreamOrderForEveryLayout) {
    for (const SideInfoCase& c :
         {SideInfoCase{false, 1}, SideInfoCase{false, 3}, SideInfoCase{true, 0}, SideInfoCase{true, 3}}) {
        SCOPED_TRACE(std::string(c.lsf ? "lower rate" : "MPEG-1") + (c.mode == 3 ? " mono" : " stereo"));
        const int nch = c.mode == 3 ? 1 : 2, granules = c.lsf ? 1 : 2;
        BitWriter w;
        w.Put(c.lsf ? 201 : 401, c.lsf ? 8 : 9);                   // main_data_begin
        w.Put(1, c.lsf ? (nch == 1 ? 1 : 2) : (nch == 1 ? 5 : 3)); // private bits
        if (!c.lsf)
            for (int ch = 0; ch < nch; ++ch)
                w.Put(ch ? 0x5 : 0xA, 4); // scfsi
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < nch; ++ch) {
                const int k = 2 * gr + ch;
                w.Put(1000 + k, 12), w.Put(200 + k, 9), w.Put(150 + k, 8),
                    w.Put(c.lsf ? 300 + k : 9, c.lsf ? 9 : 4);
                if (k % 2 == 0) { // window switching: block type 2 not mixed, or 3
                    w.Put(1, 1), w.Put(k == 0 ? 2 : 3, 2), w.Put(0, 1), w.Put(17, 5), w.Put(24, 5);
                    w.Put(1, 3), w.Put(2, 3), w.Put(7, 3);
                } else {
                    w.Put(0, 1), w.Put(5, 5), w.Put(13, 5), w.Put(31, 5), w.Put(15, 4), w.Put(7, 3);
                }
                if (!c.lsf) w.Put(1, 1); // preflag
                w.Put(1, 1), w.Put(k % 2, 1);
            }
        Frame f(Header(c.lsf, 0, c.mode, 0), w);
        CMpegAudioDecoder& d = *f.decoder;
        ASSERT_TRUE(d.ReadSideInfo());
        EXPECT_EQ(d.bitCursor(), 32 + static_cast<int64_t>(w.bitCount()));
        EXPECT_EQ(d.mainDataBegin(), c.lsf ? 201 : 401);
        if (!c.lsf) {
            EXPECT_EQ(d.scfsi(0, 0), 1);
            EXPECT_EQ(d.scfsi(0, 1), 0);
            EXPECT_EQ(d.scfsi(0, 2), 1);
        }
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < nch; ++ch) {
                const int k = 2 * gr + ch;
                const MpegGranuleInfo& g = d.granuleInfo(ch, gr);
                EXPECT_EQ(g.part23Length, 1000 + k);
                EXPECT_EQ(g.bigValues, 200 + k);
                EXPECT_EQ(g.globalGain, 150 + k);
                EXPECT_EQ(g.scalefacCompress, c.lsf ? 300 + k : 9);
                EXPECT_EQ(g.scalefacScale, 1);
                EXPECT_EQ(g.count1Table, k % 2);
                if (k % 2 == 0) {
                    EXPECT_EQ(g.blockType, k == 0 ? 2 : 3);
                    EXPECT_EQ(g.tableSelect[0], 17);
                    EXPECT_EQ(g.tableSelect[1], 24);
                    EXPECT_EQ(g.subblockGain[2], 7);
                    EXPECT_EQ(g.region0Count, k == 0 ? 8 : 7); // implied
                    if (k != 0 || !c.lsf) {
                        EXPECT_EQ(g.region1Count, k == 0 ? 12 : 13);
                    }
                } else {
                    EXPECT_EQ(g.blockType, 0);
                    EXPECT_EQ(g.tableSelect[2], 31);
                    EXPECT_EQ(g.region0Count, 15);
                    EXPECT_EQ(g.region1Count, 7);
                }
                if (!c.lsf) {
                    EXPECT_EQ(g.preflag, 1);
                }
            }
    }
}

TEST(MpegLayer3SideInfo, BlockTypeZeroWithWindowSwitchingStopsTheRead) {
    BitWriter w;
    w.Put(0, 9), w.Put(0, 3), w.Put(0, 8);
    w.Put(77, 12), w.Put(5, 9), w.Put(100, 8), w.Put(3, 4);
    w.Put(1, 1), w.Put(0, 2), w.Put(1, 1), w.Put(3, 5), w.Put(4, 5), w.Put(5, 3), w.Put(6, 3), w.Put(7, 3);
    w.Put(0xFFF, 12); // would be channel 1's part2_3_length
    Frame f(Header(false, 0, 0, 0), w);
    CMpegAudioDecoder& d = *f.decoder;
    d.granuleInfo(1, 0).part23Length = 1234;
    EXPECT_FALSE(d.ReadSideInfo());
    EXPECT_EQ(d.bitCursor(), 32 + 20 + 34 + 22); // stopped after the subblock gains
    EXPECT_EQ(d.granuleInfo(0, 0).part23Length, 77);
    EXPECT_EQ(d.granuleInfo(0, 0).subblockGain[2], 7);
    EXPECT_EQ(d.granuleInfo(1, 0).part23Length, 1234); // kept from before
}

// ---- Main data ----

// A stream from the writer: frames of small spectra at 320 kbit/s, so that main data starts in
// earlier frames.
std::vector<uint8_t> SmallFrames(int count, int lines, std::vector<int>* begins) {
    mpegwriter::LayerThreeFormat f{44100, 320, 0, false, 511};
    std::vector<mpegwriter::LayerThreeFrame> frames(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k)
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < 2; ++ch) {
                auto& g = frames[static_cast<size_t>(k)].granule[gr][ch];
                g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 15;
                for (int i = 0; i < lines + 37 * ((k + gr + ch) % 5); ++i)
                    g.values[i] = (i * 7 + k) % 5 - 2;
            }
    std::string error;
    std::vector<uint8_t> bytes = mpegwriter::WriteLayerThree(f, frames, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    *begins = mpegwriter::LastMainDataBegins();
    return bytes;
}

int MainDataBytes(CMpegAudioDecoder& d) {
    int bits = 0;
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch)
            bits += d.granuleInfo(ch, gr).part23Length;
    return (bits + 7) / 8;
}

TEST(MpegLayer3MainData, EachFrameStartsWhereItsMainDataBegins) {
    std::vector<int> begins;
    const std::vector<uint8_t> bytes = SmallFrames(40, 150, &begins);
    const int capacity = 1044 - 4 - 32; // 320 kbit/s at 44.1 kHz without padding
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(bytes.data(), bytes.size()), 0);
    std::vector<int16_t> pcm(CMpegAudioDecoder::kFrameSamples);
    int end = 0;
    bool renormalised = false;
    for (int k = 0; k < 40; ++k) {
        const int before = d.reservoirBytes();
        ASSERT_EQ(d.DecodeFrame(pcm.data()), 0);
        EXPECT_EQ(d.mainDataBegin(), begins[static_cast<size_t>(k)]);
        const int start = k * capacity - begins[static_cast<size_t>(k)];
        // The first frame (main_data_begin 0) starts at its first main-data byte; later ones skip
        // exactly the stuffing between the previous frame's main data and theirs.
        EXPECT_EQ(d.lastSkip(), k == 0 ? 0 : start - end) << "frame " << k;
        end = start + MainDataBytes(d);
        // Every granule read exactly its part2_3_length: the reader ends at the main data's end.
        EXPECT_EQ((d.reservoir().consumedBits() + 7) / 8,
                  end - (k * capacity + capacity - d.reservoirBytes()))
            << "frame " << k;
        renormalised = renormalised || d.reservoirBytes() < before;
        EXPECT_LE(d.reservoir().consumedBits(), 8 * (MpegBitReservoir::kSize + capacity));
    }
    EXPECT_GT(*std::max_element(begins.begin(), begins.end()), 300);
    EXPECT_TRUE(renormalised); // 40 KB of main data pass through the 4 KB ring
}

TEST(MpegLayer3MainData, CutStreamDecodesItsFirstFrameFromItsOwnMainData) {
    std::vector<int> begins;
    const std::vector<uint8_t> bytes = SmallFrames(12, 100, &begins);
    size_t frame = 1;
    while (frame < begins.size() && begins[frame] < 300)
        ++frame;
    ASSERT_LT(frame, begins.size()) << "no frame with main_data_begin of 300 or more";
    const std::vector<uint8_t> cut(bytes.begin() + static_cast<long>(frame * 1044), bytes.end());
    CMpegAudioDecoder d;
    ASSERT_EQ(d.Open(cut.data(), cut.size()), 0);
    std::vector<int16_t> pcm(CMpegAudioDecoder::kFrameSamples);
    ASSERT_EQ(d.DecodeFrame(pcm.data()), 0);
    EXPECT_GE(d.mainDataBegin(), 300);
    EXPECT_EQ(d.lastSkip(), 0);
    int bits = 0;
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch)
            bits += d.granuleInfo(ch, gr).part23Length;
    EXPECT_EQ(d.reservoir().consumedBits(), bits); // read from the frame's first main-data byte on
    // Its output is delivered: all but the last 47 samples per channel lie in the start delay.
    CMpegAudioDecoder reader;
    ASSERT_EQ(reader.Open(cut.data(), 1044), 0);
    std::vector<uint8_t> out(100000);
    EXPECT_EQ(reader.Read(out.data(), static_cast<int>(out.size())), 47 * 2 * 2);
}

// ---- Scale factors ----

TEST(MpegLayer3ScaleFactors, ScfsiKeepsGranuleZerosGroupWithoutReading) {
    BitWriter w;
    for (int b = 0; b < 21; ++b) // granule 0: slen1 4 (c = 14), slen2 2
        w.Put(b < 11 ? (b + 3) % 16 : (b % 4), b < 11 ? 4 : 2);
    for (int b = 0; b < 21; ++b) // granule 1, without bands 11..15
        if (b < 11 || b > 15) w.Put(b < 11 ? 15 - b : 3 - b % 4, b < 11 ? 4 : 2);
    // scfsi bits of channel 0: 0 0 1 0.
    BitWriter side;
    side.Put(0, 9), side.Put(0, 3), side.Put(0x2, 4), side.Put(0, 4);
    Frame g(Header(false, 0, 0, 0), side);
    g.decoder->ReadSideInfo();
    ASSERT_EQ(g.decoder->scfsi(0, 2), 1);
    g.Reservoir(w);
    for (int gr = 0; gr < 2; ++gr) {
        g.decoder->granuleInfo(0, gr).scalefacCompress = 14;
        g.decoder->granuleInfo(0, gr).blockType = 0;
        g.decoder->granuleInfo(0, gr).windowSwitching = 0;
    }
    g.decoder->ReadScaleFactors(0, 0);
    const MpegScaleFactors first = g.decoder->scaleFactors(0);
    EXPECT_EQ(first.l[0], 3);
    EXPECT_EQ(first.l[10], 13);
    EXPECT_EQ(first.l[11], 3);
    EXPECT_EQ(first.l[20], 0);
    g.decoder->ReadScaleFactors(0, 1);
    const MpegScaleFactors& second = g.decoder->scaleFactors(0);
    EXPECT_EQ(g.decoder->reservoir().consumedBits(), 11 * 4 + 10 * 2 + 11 * 4 + 5 * 2);
    EXPECT_EQ(second.l[0], 15);
    EXPECT_EQ(second.l[10], 5);
    for (int b = 11; b <= 15; ++b)
        EXPECT_EQ(second.l[b], first.l[b]) << "band " << b;
    EXPECT_EQ(second.l[16], 3);
    EXPECT_EQ(second.l[20], 3);
    EXPECT_EQ(second.l[21], 0);
}

TEST(MpegLayer3ScaleFactors, LowerRateIntensityFormFollowsTheModeExtensionAlone) {
    // Stream mode 0 (stereo), mode extension 1: channel 1 still takes the intensity form.
    Frame f(Header(true, 0, 0, 1, 8));
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(1, 0);
    g.windowSwitching = 0, g.blockType = 0, g.preflag = 1;
    g.scalefacCompress = 2 * 129 + 1; // h = 129: slen 3 3 3 0, counts 7 7 7 0
    BitWriter w;
    for (int b = 0; b < 21; ++b)
        w.Put(static_cast<uint32_t>(b % 8), 3);
    f.Reservoir(w);
    d.ReadScaleFactorsLsf(1, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), 63);
    EXPECT_EQ(g.preflag, 0);
    for (int b = 0; b < 21; ++b)
        EXPECT_EQ(d.scaleFactors(1).l[b], b % 8);
    // Channel 0 keeps the plain form: c = 500 + 5 gives slen 1 2, counts 11 10, preflag.
    MpegGranuleInfo& g0 = d.granuleInfo(0, 0);
    g0.windowSwitching = 0, g0.blockType = 0, g0.scalefacCompress = 505;
    BitWriter w0;
    for (int b = 0; b < 21; ++b)
        w0.Put(b < 11 ? 1 : 2, b < 11 ? 1 : 2);
    f.Reservoir(w0);
    d.reservoir().SkipBits(1); // the padding bit after the first 63
    d.ReadScaleFactorsLsf(0, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), 64 + 11 + 20);
    EXPECT_EQ(g0.preflag, 1);
    EXPECT_EQ(d.scaleFactors(0).l[10], 1);
    EXPECT_EQ(d.scaleFactors(0).l[11], 2);
}

TEST(MpegLayer3ScaleFactors, LowerRateMixedBlockTakesSixLongBands) {
    Frame f(Header(true, 0, 0, 0, 8)); // 22050 Hz
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(0, 0);
    g.windowSwitching = 1, g.blockType = 2, g.mixedBlock = 1;
    g.scalefacCompress = 4 * 80 + 0; // c < 400: slen (c/16)/5 = 4, (c/16)%5 = 0, 0, 0; counts 6 9 9 9
    BitWriter w;
    for (int i = 0; i < 6; ++i)
        w.Put(static_cast<uint32_t>(10 + i), 4);
    f.Reservoir(w);
    // Only the six long bands carry bits here: the short bands have width 0.
    d.scaleFactors(0).s[1][5] = 99;
    d.ReadScaleFactorsLsf(0, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), 24);
    for (int b = 0; b < 6; ++b)
        EXPECT_EQ(d.scaleFactors(0).l[b], 10 + b);
    EXPECT_EQ(d.scaleFactors(0).s[1][5], 0);

    // Short bands from band 3: buffer[6 + 3 (b - 3) + w].
    Frame h(Header(true, 0, 0, 0, 8));
    MpegGranuleInfo& gh = h.decoder->granuleInfo(0, 0);
    gh.windowSwitching = 1, gh.blockType = 2, gh.mixedBlock = 1;
    gh.scalefacCompress = 16 * 1 + 4 * 3 + 3; // slen 0 1 3 3: counts 6 9 9 9
    BitWriter v;
    for (int i = 0; i < 9; ++i)
        v.Put(i % 2, 1);
    for (int i = 0; i < 18; ++i)
        v.Put(static_cast<uint32_t>(i % 8), 3);
    h.Reservoir(v);
    h.decoder->ReadScaleFactorsLsf(0, 0);
    const MpegScaleFactors& sf = h.decoder->scaleFactors(0);
    for (int b = 3; b < 12; ++b)
        for (int win = 0; win < 3; ++win) {
            const int index = 6 + 3 * (b - 3) + win - 6; // position after the six long values
            const int expected = index < 9 ? index % 2 : (index - 9) % 8;
            EXPECT_EQ(sf.s[win][b], expected) << "band " << b << " window " << win;
        }
    EXPECT_EQ(sf.l[0], 0);
    EXPECT_EQ(sf.s[2][12], 0);
}

// ---- Huffman codes ----

TEST(MpegLayer3Huffman, QuadrupleTableAWithSigns) {
    Frame f(Header(false, 0, 0, 0));
    BitWriter w;
    PutCode(w, 32, 0b1010);
    const int length = static_cast<int>(w.bitCount());
    w.Put(1, 1), w.Put(0, 1); // v negative, x positive
    w.Put(0xFF, 8);
    f.Reservoir(w);
    int x = 9, y = 9, v = 9, wv = 9;
    EXPECT_EQ(f.decoder->HuffmanDecodeCode(32, &x, &y, &v, &wv), 0);
    EXPECT_EQ(v, -1);
    EXPECT_EQ(wv, 0);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(f.decoder->reservoir().consumedBits(), length + 2);
}

TEST(MpegLayer3Huffman, LinbitsAndTablesWithoutCodes) {
    Frame f(Header(false, 0, 0, 0));
    BitWriter w;
    PutCode(w, 23, 15 << 4 | 15); // table 23: 13 linbits
    w.Put(8191, 13), w.Put(1, 1); // x = -(15 + 8191)
    w.Put(5, 13), w.Put(0, 1);    // y = 20
    PutCode(w, 16, 15 << 4 | 3);  // table 16: 1 linbit
    w.Put(1, 1), w.Put(0, 1), w.Put(1, 1);
    f.Reservoir(w);
    int x = 0, y = 0, v = 0, wv = 0;
    f.decoder->HuffmanDecodeCode(23, &x, &y, &v, &wv);
    EXPECT_EQ(x, -8206);
    EXPECT_EQ(y, 20);
    f.decoder->HuffmanDecodeCode(16, &x, &y, &v, &wv);
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, -3);
    EXPECT_EQ(f.decoder->reservoir().consumedBits(), static_cast<int>(w.bitCount()));
    for (int table : {0, 4, 14}) {
        x = y = 7;
        EXPECT_EQ(f.decoder->HuffmanDecodeCode(table, &x, &y, &v, &wv), 0);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        EXPECT_EQ(f.decoder->reservoir().consumedBits(), static_cast<int>(w.bitCount())) << "table " << table;
    }
}

// Every code of every table decodes to its value with exactly its bits.
TEST(MpegLayer3Huffman, EveryCodeOfEveryTable) {
    for (int table = 1; table < 34; ++table) {
        if (mpeg::Layer3HuffmanTable(table).codesOf != table) continue;
        int count = 0;
        const mpeg::HuffmanCode* codes = mpeg::Layer3HuffmanCodes(table, &count);
        Frame f(Header(false, 0, 0, 0));
        BitWriter w;
        for (int k = 0; k < count; ++k) {
            w.Put(codes[k].bits, codes[k].length);
            // Zero sign bits (and linbits of 0 in tables 16 and 24).
            const int a = table >= 32 ? 0 : codes[k].value >> 4, b = table >= 32 ? 0 : codes[k].value & 15;
            const int linbits = mpeg::Layer3HuffmanTable(table).linbits;
            const int signs = table >= 32 ? __builtin_popcount(codes[k].value) : (a != 0) + (b != 0);
            w.Put(0, signs + (a == 15 ? linbits : 0) + (b == 15 ? linbits : 0));
        }
        f.Reservoir(w);
        for (int k = 0; k < count; ++k) {
            int x, y, v, wv;
            f.decoder->HuffmanDecodeCode(table, &x, &y, &v, &wv);
            const int value = table >= 32 ? (v << 3 | wv << 2 | x << 1 | y) : (x << 4 | y);
            ASSERT_EQ(value, codes[k].value) << "table " << table << " code " << k;
        }
        EXPECT_EQ(f.decoder->reservoir().consumedBits(), static_cast<int>(w.bitCount())) << "table " << table;
    }
}

TEST(MpegLayer3Huffman, BigValuesBeyondTheSpectrumAreReadNotKept) {
    Frame f(Header(false, 0, 0, 0));
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(0, 0);
    g = MpegGranuleInfo{};
    g.bigValues = 300;
    g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 1;
    g.region0Count = 15, g.region1Count = 7; // the second boundary is band 24: the end
    BitWriter w;
    for (int pair = 0; pair < 300; ++pair) {
        if (pair == 287 || pair == 299) {
            PutCode(w, 1, 0x11); // (1, 1) with signs: at lines 574, 575, then beyond
            w.Put(1, 1), w.Put(0, 1);
        } else {
            PutCode(w, 1, 0x00);
        }
    }
    g.part23Length = static_cast<int>(w.bitCount());
    f.Reservoir(w);
    int is[576];
    std::fill(is, is + 576, 5);
    d.HuffmanDecodeGranule(0, 0, is, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), g.part23Length);
    EXPECT_EQ(d.nonzeroCount(0), 576);
    EXPECT_EQ(is[574], -1);
    EXPECT_EQ(is[575], 1);
    EXPECT_EQ(is[0], 0);
    EXPECT_EQ(is[500], 0);
}

TEST(MpegLayer3Huffman, RegionsEndAtTheirBoundariesAndTheLastBandIsTheEnd) {
    // Table 2 below l[region0 + 1], table 3 below l[region0 + region1 + 2] (24 here: line 576).
    Frame f(Header(false, 0, 0, 0)); // 44.1 kHz: l[16] = 162
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(0, 0);
    g = MpegGranuleInfo{};
    g.bigValues = 288;
    g.tableSelect[0] = 2, g.tableSelect[1] = 3, g.tableSelect[2] = 0;
    g.region0Count = 15, g.region1Count = 7;
    BitWriter w;
    for (int i = 0; i < 576; i += 2) {
        PutCode(w, i < 162 ? 2 : 3, 0x12); // (1, 2)
        w.Put(0, 2);
    }
    g.part23Length = static_cast<int>(w.bitCount());
    f.Reservoir(w);
    int is[576];
    d.HuffmanDecodeGranule(0, 0, is, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), g.part23Length);
    for (int i = 0; i < 576; i += 2)
        ASSERT_TRUE(is[i] == 1 && is[i + 1] == 2) << "line " << i;
}

TEST(MpegLayer3Huffman, OverrunRewindsToTheEndAndDropsFourValues) {
    Frame f(Header(false, 0, 0, 0));
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(0, 0);
    g = MpegGranuleInfo{};
    g.count1Table = 1; // table B: four bits per quadruple
    BitWriter w;
    for (int q = 0; q < 4; ++q) {
        PutCode(w, 33, 0b1000);
        w.Put(0, 1);
    }
    f.Reservoir(w);
    g.part23Length = 12; // ends inside the third quadruple
    int is[576];
    std::fill(is, is + 576, 5);
    d.HuffmanDecodeGranule(0, 0, is, 0);
    EXPECT_EQ(d.reservoir().consumedBits(), 12);
    EXPECT_EQ(d.nonzeroCount(0), 8);
    EXPECT_EQ(is[0], 1);
    EXPECT_EQ(is[4], 1);
    EXPECT_EQ(is[8], 0);
    // A granule whose part2_3_length is its scale-factor bits: all zero, count 0.
    g.part23Length = 0;
    d.HuffmanDecodeGranule(0, 0, is, d.reservoir().consumedBits());
    EXPECT_EQ(d.nonzeroCount(0), 0);
    EXPECT_EQ(is[0], 0);
}

// ---- Reconstruction ----

TEST(MpegLayer3Stereo, IntensityAndMidSide) {
    Frame f(Header(false, 0, 1, 3)); // joint stereo, intensity and mid/side
    CMpegAudioDecoder& d = *f.decoder;
    for (int ch = 0; ch < 2; ++ch)
        d.granuleInfo(ch, 0) = MpegGranuleInfo{};
    static float xr[2][576], lr[2][576];
    for (int i = 0; i < 576; ++i)
        xr[0][i] = 1.0f, xr[1][i] = 0.0f;
    xr[1][0] = 0.5f; // channel 1's last nonzero line: band 0 keeps mid/side
    MpegScaleFactors& sf = d.scaleFactors(1);
    for (int b = 0; b < 21; ++b)
        sf.l[b] = 6;
    sf.l[3] = 7; // not intensity-coded: mid/side
    sf.l[4] = 9; // positions beyond 6 are not intensity-coded at MPEG-1 rates
    sf.l[5] = 0; // position 0: all to channel 1
    d.ProcessStereo(0, lr, xr);
    const float k = 0.70710677f;
    EXPECT_EQ(lr[0][0], 1.5f * k);
    EXPECT_EQ(lr[1][0], 0.5f * k);
    EXPECT_EQ(lr[0][12], 1.0f * k);
    EXPECT_EQ(lr[1][12], 1.0f * k); // band 3;
    EXPECT_EQ(lr[0][16], 1.0f * k);
    EXPECT_EQ(lr[1][16], 1.0f * k); // band 4;
    EXPECT_EQ(lr[0][20], 0.0f);
    EXPECT_EQ(lr[1][20], 1.0f);          // band 5;
    EXPECT_NEAR(lr[0][100], 1.0f, 1e-6); // position 6
    EXPECT_NEAR(lr[1][100], 1e-11f, 1e-13);
    EXPECT_NEAR(lr[0][500], 1.0f, 1e-6); // above l[21]: band 20's position
    EXPECT_NEAR(lr[1][500], 1e-11f, 1e-13);
    for (int i = 0; i < 576; ++i)
        ASSERT_TRUE(std::isfinite(lr[0][i]) && std::isfinite(lr[1][i])) << "line " << i;
}

TEST(MpegLayer3Stereo, ModeExtensionOutsideJointStereoCopiesTheChannels) {
    for (int mode : {0, 2}) {
        Frame f(Header(false, 0, mode, 3)); // stereo or dual channel with both extension bits set
        CMpegAudioDecoder& d = *f.decoder;
        for (int ch = 0; ch < 2; ++ch)
            d.granuleInfo(ch, 0) = MpegGranuleInfo{};
        for (int b = 0; b < 21; ++b)
            d.scaleFactors(1).l[b] = 3;
        static float xr[2][576], lr[2][576];
        for (int i = 0; i < 576; ++i)
            xr[0][i] = 1.0f, xr[1][i] = i < 8 ? 0.5f : 0.0f;
        d.ProcessStereo(0, lr, xr);
        for (int i = 0; i < 576; ++i) {
            ASSERT_EQ(lr[0][i], xr[0][i]) << "mode " << mode << " line " << i;
            ASSERT_EQ(lr[1][i], xr[1][i]) << "mode " << mode << " line " << i;
        }
    }
}

TEST(MpegLayer3Stereo, LowerRatePositionsAndTheLayoutOfChannelZero) {
    Frame f(Header(true, 0, 1, 1, 8)); // 22050 Hz, intensity only
    CMpegAudioDecoder& d = *f.decoder;
    d.granuleInfo(0, 0) = MpegGranuleInfo{};   // channel 0: long blocks
    MpegGranuleInfo& g1 = d.granuleInfo(1, 0); // channel 1 short: the layout stays channel 0's
    g1 = MpegGranuleInfo{};
    g1.windowSwitching = 1, g1.blockType = 2, g1.scalefacCompress = 1; // intensity scale 1
    static float xr[2][576], lr[2][576];
    for (int i = 0; i < 576; ++i)
        xr[0][i] = 1.0f, xr[1][i] = 0.0f;
    xr[1][3] = 1.0f;
    MpegScaleFactors& sf = d.scaleFactors(1);
    for (int b = 0; b < 21; ++b)
        sf.l[b] = b;
    d.ProcessStereo(0, lr, xr);
    float k0, k1;
    d.IntensityFactorsLsf(15, 1, &k0, &k1); // odd: k0 = io^8, io = 2^-1/2
    EXPECT_FLOAT_EQ(k0, 1.0f / 16);
    EXPECT_EQ(k1, 1.0f);
    d.IntensityFactorsLsf(6, 0, &k0, &k1); // even: k1 = io^3, io = 2^-1/4
    EXPECT_EQ(k0, 1.0f);
    EXPECT_FLOAT_EQ(k1, std::pow(2.0f, -0.75f));
    EXPECT_EQ(lr[0][3], 1.0f);
    EXPECT_EQ(lr[1][3], 1.0f); // band 0: no intensity;
    const float io = std::sqrt(0.5f);
    EXPECT_FLOAT_EQ(lr[0][6], io);
    EXPECT_EQ(lr[1][6], 1.0f); // band 1: position 1, k0 = io;
    EXPECT_EQ(lr[0][12], 1.0f);
    EXPECT_FLOAT_EQ(lr[1][12], io); // band 2: k1 = io;
    EXPECT_EQ(lr[0][44], 1.0f);
    EXPECT_EQ(lr[1][44], 0.0f); // band 7: position 7 copies;
    // Band 15, position 15: a 4-bit group's largest value is a position like any other.
    EXPECT_FLOAT_EQ(lr[0][200], 1.0f / 16);
    EXPECT_EQ(lr[1][200], 1.0f);
}

TEST(MpegLayer3Reconstruction, ZeroGranuleGivesThePreviousOverlap) {
    Frame f(Header(false, 0, 3, 0));
    CMpegAudioDecoder& d = *f.decoder;
    d.granuleInfo(0, 0) = MpegGranuleInfo{};
    float x[576] = {};
    x[0] = 1.0f, x[100] = -0.5f, x[575] = 0.25f;
    d.HybridSynthesis(0, 0, x, 32);
    float overlap[576];
    for (int i = 0; i < 576; ++i)
        overlap[i] = d.overlap(0, i);
    EXPECT_NE(overlap[0], 0.0f);
    float zero[576] = {};
    d.HybridSynthesis(0, 0, zero, 32);
    for (int i = 0; i < 576; ++i)
        ASSERT_EQ(d.hybridOutput(0)[i], overlap[i]) << "line " << i;
    // Without input the subbands take the overlap all the same (and the overlap empties).
    d.HybridSynthesis(0, 0, x, 32);
    for (int i = 0; i < 576; ++i)
        overlap[i] = d.overlap(0, i);
    d.HybridSynthesis(0, 0, zero, 0);
    for (int i = 0; i < 576; ++i)
        ASSERT_EQ(d.hybridOutput(0)[i], overlap[i]) << "line " << i;
    EXPECT_EQ(d.overlap(0, 0), 0.0f);
}

TEST(MpegLayer3Reconstruction, HandOverRoundsToEvenAndLimits) {
    float in[576] = {};
    in[0] = 2.5f, in[1] = -2.5f, in[2] = 0.5f, in[3] = 0.5f / 16384, in[4] = 1.5f / 16384;
    in[5] = std::numeric_limits<float>::quiet_NaN(), in[6] = -1.0f,
    in[7] = std::numeric_limits<float>::infinity();
    int16_t out[576];
    CMpegAudioDecoder::HandOverFixed(in, out);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], -32768);
    EXPECT_EQ(out[2], 8192);
    EXPECT_EQ(out[3], 0);
    EXPECT_EQ(out[4], 2); // ties to even;
    EXPECT_EQ(out[5], 0);
    EXPECT_EQ(out[6], -16384);
    EXPECT_EQ(out[7], 32767);
}

TEST(MpegLayer3Reconstruction, AliasReductionByBlockKind) {
    Frame f(Header(false, 0, 3, 0));
    CMpegAudioDecoder& d = *f.decoder;
    struct Kind {
        int blockType, mixed, changedBoundaries;
    };
    for (const Kind& k : {Kind{0, 0, 31}, Kind{2, 0, 0}, Kind{2, 1, 1}, Kind{3, 0, 31}}) {
        SCOPED_TRACE(k.blockType * 10 + k.mixed);
        MpegGranuleInfo& g = d.granuleInfo(0, 0);
        g = MpegGranuleInfo{};
        g.windowSwitching = k.blockType != 0, g.blockType = k.blockType, g.mixedBlock = k.mixed;
        float x[576];
        for (int i = 0; i < 576; ++i)
            x[i] = static_cast<float>(i % 7) - 3.0f;
        float before[576];
        std::copy(x, x + 576, before);
        d.Antialias(0, 0, x);
        for (int sb = 0; sb < 31; ++sb) {
            const bool changed =
                x[18 * sb + 17] != before[18 * sb + 17] || x[18 * sb + 18] != before[18 * sb + 18];
            EXPECT_EQ(changed, sb < k.changedBoundaries) << "boundary " << sb;
        }
        // Lines away from the boundaries never change.
        EXPECT_EQ(x[4], before[4]);
        EXPECT_EQ(x[27], before[27]);
    }
}

TEST(MpegLayer3Reconstruction, MixedBlockAt22050ScalesLongThenShortBands) {
    Frame f(Header(true, 0, 3, 0, 8));
    CMpegAudioDecoder& d = *f.decoder;
    MpegGranuleInfo& g = d.granuleInfo(0, 0);
    g = MpegGranuleInfo{};
    g.windowSwitching = 1, g.blockType = 2, g.mixedBlock = 1, g.globalGain = 210;
    g.subblockGain[1] = 1;
    MpegScaleFactors& sf = d.scaleFactors(0);
    sf = MpegScaleFactors{};
    sf.l[5] = 2;    // lines 30..35
    sf.l[6] = 8;    // would be lines 36..43 if long bands went on
    sf.s[0][3] = 4; // short band 3 (lines 36..53 before reordering), window 0: lines 36..41
    BitWriter w;
    for (int pair = 0; pair < 288; ++pair)
        PutCode(w, 1, 0x11), w.Put(0, 2);
    g.bigValues = 288, g.tableSelect[0] = g.tableSelect[1] = 1,
    g.part23Length = static_cast<int>(w.bitCount());
    f.Reservoir(w);
    int is[576];
    d.HuffmanDecodeGranule(0, 0, is, 0);
    float xr[576];
    d.Requantize(xr, 0, 0, is);
    EXPECT_EQ(xr[0], 1.0f);
    EXPECT_FLOAT_EQ(xr[30], 0.5f);  // 2^(-2/2)
    EXPECT_FLOAT_EQ(xr[36], 0.25f); // 2^(-4/2), not long band 6's 2^(-8/2)
    EXPECT_FLOAT_EQ(xr[42], 0.25f); // window 1: subblock gain 1, 2^(-4/2)
    EXPECT_EQ(xr[48], 1.0f);        // window 2
}

} // namespace
