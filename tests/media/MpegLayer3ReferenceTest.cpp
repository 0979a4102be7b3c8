// Our Layer III output against libmpg123's on lame streams and on streams from our Layer III
// writer, in both synthesis forms: the start delay must be exactly ours (1105 samples), the error
// within the bounds of each form.
#include "media/MpegReference.h"
#include "media/mpeg/MpegAudioDecoder.h"
#include "mpegwriter/MpegWriter.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
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

} // namespace
