#include "soundplay/SoundPlay.h"
#include "mkinstall/Installation.h"
#include "mkinstall/SoundFiles.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class SoundPlayTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        std::string error;
        ASSERT_TRUE(mkinstall::WriteInstallation(dir.file("inst"), &error)) << error;
    }
    qvtest::TempDir dir;
};

TEST_F(SoundPlayTest, WritesWhatTheVirtualDevicePlayed) {
    const std::string out = dir.file("s.wav");
    ASSERT_EQ(soundplay::Run({dir.file("inst"), "3", "--pan", "2500", "--seconds", "0.5", out}), 0);
    const std::string wav = dir.read("s.wav");
    ASSERT_EQ(wav.size(), 44u + 4u * 22050);
    EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0);
    int16_t peakLeft = 0, peakRight = 0;
    for (size_t at = 44; at + 4 <= wav.size(); at += 4) {
        int16_t l, r;
        std::memcpy(&l, wav.data() + at, 2);
        std::memcpy(&r, wav.data() + at + 2, 2);
        peakLeft = std::max<int16_t>(peakLeft, l);
        peakRight = std::max<int16_t>(peakRight, r);
    }
    // Panned fully right: the left channel 25 dB down.
    EXPECT_NEAR(peakRight, mkinstall::SampleSound::kToneAmplitude, 2);
    EXPECT_NEAR(peakLeft, mkinstall::SampleSound::kToneAmplitude * std::pow(10.0, -2500 / 2000.0), 2);
}

TEST_F(SoundPlayTest, RendersASongUntilItEnds) {
    // Song 1 has no digital version: half a second of MIDI, rendered in 15 ms steps.
    ASSERT_EQ(soundplay::Run({dir.file("inst"), "--song", "1", dir.file("m.wav")}), 0);
    const std::string wav = dir.read("m.wav");
    const size_t frames = (wav.size() - 44) / 4;
    EXPECT_GE(frames, 22050u);
    EXPECT_LE(frames, 22050u + 2 * 662u);
    int peak = 0;
    for (size_t at = 44; at + 2 <= wav.size(); at += 2) {
        int16_t v;
        std::memcpy(&v, wav.data() + at, 2);
        peak = std::max(peak, std::abs(int(v)));
    }
    EXPECT_GT(peak, 100);
    EXPECT_EQ(soundplay::Run({dir.file("inst"), "--song", "49", dir.file("n.wav")}), 1);
}

TEST_F(SoundPlayTest, RefusesBadArgumentsAndSoundsThatDoNotPlay) {
    EXPECT_EQ(soundplay::Run({dir.file("inst"), "3"}), 2);
    EXPECT_EQ(soundplay::Run({dir.file("inst"), "x", dir.file("a.wav")}), 2);
    EXPECT_EQ(soundplay::Run({dir.file("inst"), "3", "--pan", dir.file("a.wav")}), 2);
    EXPECT_EQ(soundplay::Run({dir.file("inst"), "13", dir.file("a.wav")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.wav")));
}

} // namespace
