// Our Layer III output against libmpg123's on lame streams and on streams from our Layer III
// writer, in both synthesis forms: the start delay must be exactly ours (1105 samples), the error
// within the bounds of each form.
#include "media/MpegReference.h"
#include "media/mpeg/MpegAudioDecoder.h"
#include "media/mpeg/MpegTables.h"
#include "mpegwriter/MpegWriter.h"
#include "support/TestSupport.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace {

using Synthesis = CMpegAudioDecoder::Synthesis;

constexpr int kDelay = 1105;
constexpr double kSeconds = 1.25;

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Output 16 of each 32 comes from eight products floored to 8-unit steps in the fixed form.
bool CoarseOutput(size_t n) {
    return (n + kDelay) % 32 == 16;
}
bool FineOutput(size_t n) {
    return !CoarseOutput(n);
}

// Decodes the stream with libmpg123 and in both our forms, from sample time `from` on.
void ExpectMatchesReference(const std::string& path, const std::string& what, size_t from = 0) {
    SCOPED_TRACE(what);
    std::string error;
    qvtest::ReferencePcm reference = qvtest::DecodeWithMpg123(path, &error);
    ASSERT_FALSE(reference.samples.empty()) << error;
    const std::vector<uint8_t> bytes = qvtest::ReadBytes(path);
    for (Synthesis form : {Synthesis::Float, Synthesis::Fixed}) {
        const bool fixed = form == Synthesis::Fixed;
        SCOPED_TRACE(fixed ? "fixed" : "float");
        qvtest::DecodedPcm ours = qvtest::DecodeWithOurs(bytes, 131072, form);
        ASSERT_EQ(ours.openResult, 0);
        ASSERT_EQ(ours.rate, reference.rate);
        ASSERT_EQ(ours.channels, reference.channels);
        EXPECT_EQ(qvtest::FindLag(ours, reference), kDelay);
        const qvtest::ErrorStats all = qvtest::CompareAtLag(ours, reference, kDelay, from);
        EXPECT_GT(all.compared, static_cast<size_t>(ours.rate / 2));
        const qvtest::ErrorStats fine = qvtest::CompareAtLag(ours, reference, kDelay, from, FineOutput);
        const qvtest::ErrorStats coarse = qvtest::CompareAtLag(ours, reference, kDelay, from, CoarseOutput);
        for (int c = 0; c < ours.channels; ++c) {
            if (fixed) {
                EXPECT_LE(all.rms[c], 8.0) << "channel " << c;
                EXPECT_LE(fine.rms[c], 5.0) << "channel " << c;
                EXPECT_LE(fine.max[c], 32.0) << "channel " << c;
                EXPECT_LE(coarse.max[c], 96.0) << "channel " << c;
            } else {
                EXPECT_LE(all.rms[c], 1.0) << "channel " << c;
                EXPECT_LE(all.max[c], 8.0) << "channel " << c;
            }
        }
        std::printf("  %-38s %-5s rms %.3f/%.3f max %.0f/%.0f (fine rms %.2f max %.0f, 16th max %.0f)\n",
                    what.c_str(), fixed ? "fixed" : "float", all.rms[0], all.rms[1], all.max[0], all.max[1],
                    fine.rms[0], fine.max[0], coarse.max[0]);
    }
}

// The block types of every granule and channel of a stream.
std::set<int> BlockTypes(const std::vector<uint8_t>& bytes) {
    std::set<int> types;
    CMpegAudioDecoder decoder;
    if (decoder.Open(bytes.data(), bytes.size()) != 0) return types;
    std::vector<int16_t> pcm(CMpegAudioDecoder::kFrameSamples);
    while (decoder.DecodeFrame(pcm.data()) == 0)
        for (int ch = 0; ch < decoder.channels(); ++ch)
            for (int gr = 0; gr < decoder.granules(); ++gr)
                types.insert(decoder.granuleInfo(ch, gr).blockType);
    return types;
}

struct LameCase {
    int rate;
    int channels;
    const char* options;
};

class MpegLayer3Reference : public qvtest::CleanState {};

TEST_F(MpegLayer3Reference, LameStreamsMatchLibmpg123) {
    ASSERT_TRUE(qvtest::HaveProgram("lame")) << "lame is installed by scripts/install-deps.sh";
    const LameCase cases[] = {
        {44100, 2, "-m j -b 128"},   {44100, 2, "-m s -b 320"}, {44100, 1, "-m m -b 64"},
        {44100, 2, "-m d -b 192"},   {44100, 2, "-V 2"},        {48000, 2, "-m j -b 160"},
        {32000, 2, "-m j -b 96 -p"}, {22050, 2, "-m j -b 64"},  {24000, 1, "-m m -b 32"},
        {16000, 2, "-m j -b 48"},
    };
    qvtest::TempDir dir;
    std::set<int> types;
    int n = 0;
    for (const LameCase& c : cases) {
        const std::string wav = dir.file("in" + std::to_string(n) + ".wav");
        const std::string mp3 = dir.file("out" + std::to_string(n++) + ".mp3");
        ASSERT_TRUE(mpegwriter::WriteWav(wav, mpegwriter::SweepWithBursts(c.rate, c.channels, kSeconds, n),
                                         c.rate, c.channels));
        ASSERT_EQ(qvtest::EncodeWithLame(wav, mp3, c.rate, c.options), 0);
        const std::vector<uint8_t> bytes = qvtest::ReadBytes(mp3);
        for (int t : BlockTypes(bytes))
            types.insert(t);
        ExpectMatchesReference(mp3, std::to_string(c.rate) + " Hz lame " + c.options);
    }
    // The noise bursts switch to short blocks and back.
    EXPECT_TRUE(types.count(1) && types.count(2) && types.count(3));
}

// A stream cut before a frame whose main data begins in frames that are gone: we decode from the
// current position where libmpg123 gives silence, so the two are held to each other from the
// fourth frame on.
TEST_F(MpegLayer3Reference, CutStreamMatchesFromItsFourthFrame) {
    qvtest::TempDir dir;
    const std::string wav = dir.file("in.wav"), mp3 = dir.file("out.mp3"), cut = dir.file("cut.mp3");
    ASSERT_TRUE(mpegwriter::WriteWav(wav, mpegwriter::SweepWithBursts(44100, 2, 1.5, 7), 44100, 2));
    ASSERT_EQ(qvtest::EncodeWithLame(wav, mp3, 44100, "-m j -b 128"), 0);
    std::vector<uint8_t> bytes = qvtest::ReadBytes(mp3);
    // Find the start of the first frame from the eighth on whose main data begins earlier.
    CMpegAudioDecoder decoder;
    ASSERT_EQ(decoder.Open(bytes.data(), bytes.size()), 0);
    std::vector<int16_t> pcm(CMpegAudioDecoder::kFrameSamples);
    size_t start = 0;
    for (int frame = 0; start == 0; ++frame) {
        const size_t position = static_cast<size_t>(decoder.nextFramePosition() / 8);
        ASSERT_EQ(decoder.DecodeFrame(pcm.data()), 0);
        if (frame >= 7 && decoder.mainDataBegin() > 0) start = position;
    }
    WriteBytes(cut, std::vector<uint8_t>(bytes.begin() + static_cast<long>(start), bytes.end()));
    ExpectMatchesReference(cut, "cut 44100 Hz lame -m j -b 128", 3 * 1152 - kDelay);
}

// ---- Streams from our writer: what lame never writes, where both decoders agree. ----

using mpegwriter::LayerThreeFormat;
using mpegwriter::LayerThreeFrame;
using mpegwriter::LayerThreeGranule;

// A random spectrum over `lines` lines: magnitudes within each region's table (now and then its
// largest, so linbits are used), quadruple values after them, the global gain set so that the
// largest value requantises to about 0.05.
void FillSpectrum(std::mt19937& rng, int rate, LayerThreeGranule& g, int lines, int quadLines = 24) {
    int largest = 1;
    for (int i = 0; i < lines; ++i) {
        const int limit =
            mpegwriter::LayerThreeTableLimit(g.tableSelect[mpegwriter::LayerThreeRegion(rate, g, i)]);
        const int pick = static_cast<int>(rng() % 100);
        int m = pick < 40 ? 0 : pick < 75 ? 1 : pick < 95 ? 2 + static_cast<int>(rng() % 3) : limit;
        m = std::min(m, limit);
        largest = std::max(largest, m);
        g.values[i] = rng() % 2 ? -m : m;
    }
    for (int i = lines; i < std::min(576, lines + quadLines); ++i)
        g.values[i] = static_cast<int>(rng() % 3) - 1;
    g.globalGain =
        std::clamp(static_cast<int>(210 + 4 * std::log2(0.05 / std::pow(largest, 4.0 / 3.0))), 0, 255);
}

int RandomBelow(std::mt19937& rng, int bits) {
    return bits ? static_cast<int>(rng() % (1u << bits)) : 0;
}

// MPEG-1 scale factors within the widths of scalefac_compress.
void FillScaleFactors(std::mt19937& rng, LayerThreeGranule& g) {
    const int slen1 = mpeg::kSlen[0][g.scalefacCompress], slen2 = mpeg::kSlen[1][g.scalefacCompress];
    for (int b = 0; b < 21; ++b)
        g.l[b] = RandomBelow(rng, b < (g.blockType == 2 ? 8 : 11) ? slen1 : slen2);
    for (int w = 0; w < 3; ++w)
        for (int b = 0; b < 12; ++b)
            g.s[w][b] = RandomBelow(rng, b < 6 ? slen1 : slen2);
}

struct WriterCase {
    const char* what;
    LayerThreeFormat format;
    int frames;
    void (*fill)(std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out);
};

void MixedBlocks(std::mt19937& rng, int, const LayerThreeFormat& f, LayerThreeFrame& out) {
    const bool lsf = f.sampleRate < 32000;
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch) {
            LayerThreeGranule& g = out.granule[gr][ch];
            g.blockType = 2;
            g.mixed = true;
            g.tableSelect[0] = 7, g.tableSelect[1] = 9;
            for (int& gain : g.subblockGain)
                gain = static_cast<int>(rng() % 3);
            if (lsf) {
                g.scalefacCompress = static_cast<int>(rng() % 400); // slen 0..4, 0..4, 0..3, 0..3
                const int c = g.scalefacCompress;
                const int slen[4] = {(c / 16) / 5, (c / 16) % 5, (c % 16) / 4, c % 4};
                const int counts[4] = {6, 9, 9, 9};
                int buffer[33], n = 0;
                for (int k = 0; k < 4; ++k)
                    for (int i = 0; i < counts[k]; ++i)
                        buffer[n++] = RandomBelow(rng, slen[k]);
                for (int b = 0; b < 6; ++b)
                    g.l[b] = buffer[b];
                for (int b = 3; b < 12; ++b)
                    for (int w = 0; w < 3; ++w)
                        g.s[w][b] = buffer[6 + 3 * (b - 3) + w];
            } else {
                g.scalefacCompress = static_cast<int>(rng() % 16);
                FillScaleFactors(rng, g);
            }
            FillSpectrum(rng, f.sampleRate, g, 200 + static_cast<int>(rng() % 200));
        }
}

// Intensity above channel 1's last nonzero line, positions 0..7 (MPEG-1) or 0..6 at the lower rates
// (neither 7 nor a group's largest value there); mid/side as well in every other frame. Both
// channels share block type and mixing; channel 1 keeps a nonzero line low in every window.
void Intensity(std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out, int scale) {
    const bool lsf = f.sampleRate < 32000;
    out.modeExtension = frame % 2 ? 3 : 1;
    const bool shortBlocks = !lsf && frame % 3 == 2;
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < 2; ++ch) {
            LayerThreeGranule& g = out.granule[gr][ch];
            g.blockType = shortBlocks ? 2 : 0;
            g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 13;
            g.region0Count = 5, g.region1Count = 4;
            if (lsf) {
                // Channel 1: the intensity form, slen 3 3 3 (h = 129), intensity scale = bit 0.
                g.scalefacCompress = ch == 1 ? 258 + scale : 0;
            } else {
                g.scalefacCompress = ch == 1 ? 13 : 7; // slen 3 and 3 for the positions
                FillScaleFactors(rng, g);
            }
            if (ch == 1)
                for (int b = 0; b < 21; ++b) {
                    g.l[b] = static_cast<int>(rng() % (lsf ? 7 : 8));
                    for (int w = 0; w < 3; ++w)
                        g.s[w][b % 13] = static_cast<int>(rng() % 8);
                }
            const int lines = ch == 0 ? 400 : 30 + static_cast<int>(rng() % 100);
            FillSpectrum(rng, f.sampleRate, g, lines, ch == 0 ? 24 : 0);
            if (ch == 1 && shortBlocks) {
                // A nonzero line in short band 3 of every window (lines 36..47 at 44.1 kHz).
                std::fill(g.values + 36, g.values + 576, 0);
                g.values[36] = g.values[40] = g.values[44] = 1;
            }
            if (ch == 1) g.values[0] = 2;
        }
    for (int ch = 0; ch < 2; ++ch)
        out.granule[1][ch].globalGain = out.granule[0][ch].globalGain;
}

const WriterCase kWriterCases[] = {
    {"mixed blocks 44100 Hz", {44100, 320, 0, false, 511}, 30, MixedBlocks},
    {"mixed blocks 22050 Hz", {22050, 160, 0, false, 255}, 40, MixedBlocks},
    {"intensity 44100 Hz",
     {44100, 320, 1, false, 511},
     30,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         Intensity(rng, frame, f, out, 0);
     }},
    {"intensity 22050 Hz, scale 0",
     {22050, 160, 1, false, 255},
     40,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         Intensity(rng, frame, f, out, 0);
     }},
    {"intensity 24000 Hz, scale 1",
     {24000, 160, 1, false, 255},
     40,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         Intensity(rng, frame, f, out, 1);
     }},
    {"scfsi, preflag, count1 A and B",
     {48000, 256, 0, false, 511},
     30,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         for (int ch = 0; ch < 2; ++ch) {
             for (int b = 0; b < 4; ++b)
                 out.scfsi[ch][b] = static_cast<int>(rng() % 2);
             for (int gr = 0; gr < 2; ++gr) {
                 LayerThreeGranule& g = out.granule[gr][ch];
                 g.scalefacCompress = 15; // slen 4 and 3
                 g.preflag = (frame + gr) % 2 == 1;
                 g.scalefacScale = frame % 3 == 0;
                 g.count1Table = (frame + ch) % 2;
                 g.tableSelect[0] = 5, g.tableSelect[1] = 6, g.tableSelect[2] = 2;
                 FillScaleFactors(rng, g);
                 FillSpectrum(rng, f.sampleRate, g, 150, 120);
             }
             // Granule 1 keeps granule 0's groups where scfsi is set.
             const int groups[5] = {0, 6, 11, 16, 21};
             for (int k = 0; k < 4; ++k)
                 if (out.scfsi[ch][k])
                     for (int b = groups[k]; b < groups[k + 1]; ++b)
                         out.granule[1][ch].l[b] = out.granule[0][ch].l[b];
         }
     }},
    {"preflag 16000 Hz",
     {16000, 128, 3, false, 255},
     40,
     [](std::mt19937& rng, int, const LayerThreeFormat& f, LayerThreeFrame& out) {
         LayerThreeGranule& g = out.granule[0][0];
         g.scalefacCompress = 511; // preflag, slen 3 and 2
         for (int b = 0; b < 21; ++b)
             g.l[b] = RandomBelow(rng, b < 11 ? 3 : 2);
         g.tableSelect[0] = 8, g.tableSelect[1] = 10, g.tableSelect[2] = 11;
         FillSpectrum(rng, f.sampleRate, g, 300);
     }},
    {"every table, linbits",
     {32000, 320, 2, false, 511},
     30,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         static const int kTables[] = {0,  1,  2,  3,  5,  6,  7,  8,  9,  10, 11, 12, 13, 15, 16,
                                       17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31};
         for (int gr = 0; gr < 2; ++gr)
             for (int ch = 0; ch < 2; ++ch) {
                 LayerThreeGranule& g = out.granule[gr][ch];
                 const int k = 6 * frame + 3 * gr + ch;
                 for (int r = 0; r < 3; ++r)
                     g.tableSelect[r] = kTables[(k + 11 * r) % 30];
                 g.region0Count = 6, g.region1Count = 5;
                 g.scalefacCompress = static_cast<int>(rng() % 16);
                 FillScaleFactors(rng, g);
                 FillSpectrum(rng, f.sampleRate, g, 320, 0);
             }
     }},
    {"511 bytes of reservoir",
     {44100, 320, 0, false, 511},
     30,
     [](std::mt19937& rng, int frame, const LayerThreeFormat& f, LayerThreeFrame& out) {
         for (int gr = 0; gr < 2; ++gr)
             for (int ch = 0; ch < 2; ++ch) {
                 LayerThreeGranule& g = out.granule[gr][ch];
                 g.tableSelect[0] = g.tableSelect[1] = g.tableSelect[2] = 24;
                 // Small frames first fill the reservoir; later ones use it up.
                 FillSpectrum(rng, f.sampleRate, g, frame < 15 ? 20 : 500, 0);
             }
     }},
};

TEST_F(MpegLayer3Reference, WriterStreamsMatchLibmpg123) {
    qvtest::TempDir dir;
    int n = 0;
    for (const WriterCase& c : kWriterCases) {
        std::mt19937 rng(1000 + n);
        std::vector<LayerThreeFrame> frames(static_cast<size_t>(c.frames));
        for (int k = 0; k < c.frames; ++k)
            c.fill(rng, k, c.format, frames[static_cast<size_t>(k)]);
        std::string error;
        const std::vector<uint8_t> bytes = mpegwriter::WriteLayerThree(c.format, frames, &error);
        ASSERT_FALSE(bytes.empty()) << c.what << ": " << error;
        if (std::string(c.what) == "511 bytes of reservoir") {
            const std::vector<int>& begins = mpegwriter::LastMainDataBegins();
            EXPECT_EQ(*std::max_element(begins.begin(), begins.end()), 511);
        }
        const std::string path = dir.file("w" + std::to_string(n++) + ".mp3");
        WriteBytes(path, bytes);
        ExpectMatchesReference(path, c.what);
    }
}

} // namespace
