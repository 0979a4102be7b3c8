// Our Layer I and II output against libmpg123's on streams from twolame and from our Layer I
// writer: the start delay must be exactly ours, and the error small over the whole stream.
#include "media/MpegReference.h"
#include "mpegwriter/MpegWriter.h"
#include "support/TestSupport.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

using qvtest::DecodeWithMpg123;
using qvtest::DecodeWithOurs;

constexpr double kSeconds = 1.25;

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Decodes the stream both ways and holds ours to the reference.
void ExpectMatchesReference(const std::string& path, int delay, const std::string& what) {
    SCOPED_TRACE(what);
    std::string error;
    qvtest::ReferencePcm reference = DecodeWithMpg123(path, &error);
    ASSERT_FALSE(reference.samples.empty()) << error;
    qvtest::DecodedPcm ours = DecodeWithOurs(qvtest::ReadBytes(path));
    ASSERT_EQ(ours.openResult, 0);
    ASSERT_EQ(ours.rate, reference.rate);
    ASSERT_EQ(ours.channels, reference.channels);
    EXPECT_EQ(qvtest::FindLag(ours, reference), delay);
    qvtest::ErrorStats stats = qvtest::CompareAtLag(ours, reference, delay);
    EXPECT_GT(stats.compared, static_cast<size_t>(ours.rate)); // the whole overlap, over a second
    for (int c = 0; c < ours.channels; ++c) {
        EXPECT_LE(stats.rms[c], 0.65) << "channel " << c;
        EXPECT_LE(stats.max[c], 2.0) << "channel " << c;
    }
    std::printf("  %-34s rms %.3f/%.3f max %.0f/%.0f over %zu\n", what.c_str(), stats.rms[0], stats.rms[1],
                stats.max[0], stats.max[1], stats.compared);
}

struct TwolameCase {
    int rate;
    int channels;
    const char* options;
};

class MpegReference : public qvtest::CleanState {};

TEST_F(MpegReference, TwolameStreamsMatchLibmpg123) {
    ASSERT_TRUE(qvtest::HaveProgram("twolame")) << "twolame is installed by scripts/install-deps.sh";
    const TwolameCase cases[] = {
        {44100, 2, "-m j -b 192"}, {44100, 2, "-m s -b 64"}, {44100, 1, "-m m -b 96"},
        {44100, 2, "-m d -b 192"}, {32000, 2, "-m s -b 64"}, {48000, 2, "-m s -b 128 -p"},
        {48000, 2, "-m j -b 384"}, {22050, 2, "-m j -b 64"}, {24000, 1, "-m m -b 8"},
        {16000, 2, "-m s -b 48"},
    };
    qvtest::TempDir dir;
    int n = 0;
    for (const TwolameCase& c : cases) {
        std::string wav = dir.file("in" + std::to_string(n) + ".wav");
        std::string mp2 = dir.file("out" + std::to_string(n++) + ".mp2");
        ASSERT_TRUE(mpegwriter::WriteWav(wav, mpegwriter::SweepWithBursts(c.rate, c.channels, kSeconds, n),
                                         c.rate, c.channels));
        ASSERT_EQ(qvtest::RunQuietly("twolame --quiet " + std::string(c.options) + " " + wav + " " + mp2), 0);
        ExpectMatchesReference(mp2, 481, std::to_string(c.rate) + " Hz twolame " + c.options);
    }
}

TEST_F(MpegReference, LayerOneWriterStreamsMatchLibmpg123InEveryMode) {
    qvtest::TempDir dir;
    int n = 0;
    for (int rate : {32000, 44100, 48000, 22050})
        for (int mode = 0; mode < 4; ++mode) {
            mpegwriter::LayerOneFormat f;
            f.sampleRate = rate;
            f.bitrate = rate == 22050 ? 192 : 320;
            f.mode = mode;
            f.modeExtension = n % 4;
            f.crc = n % 2 == 1;
            std::string path = dir.file("l1_" + std::to_string(n++) + ".mp1");
            WriteBytes(path, mpegwriter::EncodeLayerOne(
                                 f, mpegwriter::SweepWithBursts(rate, f.channels(), kSeconds, 100 + n)));
            ExpectMatchesReference(path, 545,
                                   "Layer I " + std::to_string(rate) + " Hz mode " + std::to_string(mode));
        }
}

} // namespace
