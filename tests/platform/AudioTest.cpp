#include "platform/Audio.h"
#include "platform/AudioMixer.h"
#include "platform/headless.h"

#include "support/TestSupport.h"

#include <SDL.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using platform::AudioDevice;
using platform::PcmFormat;
using platform::SoundBuffer;

class AudioTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        platform::UseManualClock(0xFFFFF000u, 0);
    }
    void TearDown() override {
        buffers.clear();
        device.reset();
        platform::UseRealClock();
        qvtest::CleanState::TearDown();
    }

    void Open(int rate) {
        platform::headless::SetAudioRate(rate);
        platform::AudioResult r = -1;
        device = AudioDevice::Open(&r);
        ASSERT_TRUE(device);
        ASSERT_EQ(r, platform::kAudioOk);
        ASSERT_EQ(device->CreatePrimaryBuffer(), platform::kAudioOk);
        ASSERT_EQ(device->PlayPrimary(), platform::kAudioOk);
    }

    SoundBuffer& Buffer(const std::vector<int16_t>& samples, int rate, int channels = 1) {
        platform::AudioResult r = -1;
        auto b = device->CreateSoundBuffer(samples.size() * 2, PcmFormat{rate, channels, 16}, &r);
        EXPECT_EQ(r, platform::kAudioOk);
        Write(*b, 0, samples);
        buffers.push_back(std::move(b));
        return *buffers.back();
    }

    static void Write(SoundBuffer& b, uint32_t offset, const std::vector<int16_t>& samples) {
        uint8_t *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_EQ(b.Lock(offset, static_cast<uint32_t>(samples.size() * 2), &p1, &n1, &p2, &n2),
                  platform::kAudioOk);
        std::memcpy(p1, samples.data(), n1);
        if (p2) std::memcpy(p2, reinterpret_cast<const uint8_t*>(samples.data()) + n1, n2);
        ASSERT_EQ(b.Unlock(), platform::kAudioOk);
    }

    std::unique_ptr<AudioDevice> device;
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
};

std::vector<int16_t> Ramp(int n, int scale = 7) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = static_cast<int16_t>((i * scale) % 60000 - 30000);
    return v;
}

std::vector<int16_t> Sine(int n, double hz, int rate, double amplitude) {
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] =
            static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    return v;
}

TEST_F(AudioTest, OneBufferAtTheDeviceRateIsPlayedSampleForSample) {
    Open(22048);
    const auto ramp = Ramp(4410);
    SoundBuffer& b = Buffer(ramp, 22048);
    ASSERT_EQ(b.Play(true), platform::kAudioOk);
    platform::AdvanceManualClock(300); // 6614 frames due: 30 periods of 220, past one wrap
    const auto out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 2u * 30 * 220);
    for (size_t i = 0; i < out.size() / 2; ++i) {
        ASSERT_EQ(out[2 * i], ramp[i % ramp.size()]) << i;
        ASSERT_EQ(out[2 * i + 1], ramp[i % ramp.size()]) << i;
    }
    uint32_t play = 0, write = 0;
    b.GetCurrentPosition(&play, &write);
    EXPECT_EQ(play, (6600 % 4410) * 2u);
    // One period (220 frames) plus 10 ms (221 frames at 22,048 Hz) ahead.
    EXPECT_EQ(write, (6600 % 4410 + 441) * 2u);
}

TEST_F(AudioTest, ALongerPeriodPullsFewerWholePeriodsOfTheSameSound) {
    platform::headless::SetAudioPeriod(100);
    Open(22048);
    const auto ramp = Ramp(4410);
    SoundBuffer& b = Buffer(ramp, 22048);
    ASSERT_EQ(b.Play(true), platform::kAudioOk);
    platform::AdvanceManualClock(299); // 6592 frames due: two whole periods of 2204
    auto out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 2u * 2 * 2204);
    platform::AdvanceManualClock(1); // the third is due
    out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 2u * 3 * 2204);
    for (size_t i = 0; i < out.size() / 2; ++i)
        ASSERT_EQ(out[2 * i], ramp[i % ramp.size()]) << i;
}

TEST_F(AudioTest, PanAndLevelScaleEachChannelByTheirGains) {
    struct Case {
        int pan, level;
        double left, right;
    };
    const Case cases[] = {
        {2500, 0, std::pow(10.0, -2500 / 2000.0), 1.0},
        {-2500, 0, 1.0, std::pow(10.0, -2500 / 2000.0)},
        {0, -1000, std::pow(10.0, -0.5), std::pow(10.0, -0.5)},
        {2500, -1000, std::pow(10.0, -3500 / 2000.0), std::pow(10.0, -0.5)},
    };
    Open(44100);
    const auto ramp = Ramp(441, 131);
    SoundBuffer& b = Buffer(ramp, 44100);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pan " << c.pan << " level " << c.level);
        ASSERT_EQ(b.SetPan(c.pan), platform::kAudioOk);
        ASSERT_EQ(b.SetVolume(c.level), platform::kAudioOk);
        ASSERT_EQ(b.SetCurrentPosition(0), platform::kAudioOk);
        platform::headless::ClearRecordedAudio();
        b.Play(true);
        platform::AdvanceManualClock(10); // one period: the whole ramp once
        b.Stop();
        const auto out = platform::headless::RecordedAudio();
        ASSERT_EQ(out.size(), 2u * 441);
        for (size_t i = 0; i < 441; ++i) {
            ASSERT_NEAR(out[2 * i], ramp[i] * c.left, 1.0) << i;
            ASSERT_NEAR(out[2 * i + 1], ramp[i] * c.right, 1.0) << i;
        }
    }
}

TEST_F(AudioTest, BuffersSumAndTheSumIsClamped) {
    Open(44100);
    std::vector<int16_t> a(441), b(441);
    for (int i = 0; i < 441; ++i) {
        a[static_cast<size_t>(i)] = static_cast<int16_t>(i * 70 - 15000);
        b[static_cast<size_t>(i)] = static_cast<int16_t>(i % 2 ? 20000 : -20000);
    }
    Buffer(a, 44100).Play(true);
    Buffer(b, 44100).Play(true);
    platform::AdvanceManualClock(10);
    const auto out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 2u * 441);
    int high = 0, low = 0;
    for (size_t i = 0; i < 441; ++i) {
        const int sum = a[i] + b[i];
        ASSERT_EQ(out[2 * i], std::clamp(sum, -32768, 32767)) << i;
        high += sum > 32767;
        low += sum < -32768;
    }
    EXPECT_GT(high, 10); // both ends reached
    EXPECT_GT(low, 10);
}

// Counts the sign changes of the left channel and its RMS level.
void Measure(const std::vector<int16_t>& out, size_t from, int& crossings, double& rms) {
    crossings = 0;
    double sum = 0;
    for (size_t i = from; i < out.size() / 2; ++i) {
        sum += double(out[2 * i]) * out[2 * i];
        if (i > from && (out[2 * i] >= 0) != (out[2 * i - 2] >= 0)) ++crossings;
    }
    rms = std::sqrt(sum / double(out.size() / 2 - from));
}

TEST_F(AudioTest, ResampledBuffersKeepTheirPitchAndLevel) {
    struct Case {
        int bufferRate, deviceRate, frequency;
    };
    const Case cases[] = {{22048, 44100, 0}, {22048, 48000, 0}, {22048, 44100, 25000}, {44100, 22050, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bufferRate << " -> " << c.deviceRate << " at " << c.frequency);
        Open(c.deviceRate);
        const double hz = 441.0 * c.bufferRate / 22048.0; // a whole number of cycles in the buffer
        const auto tone = Sine(c.bufferRate, hz, c.bufferRate, 20000);
        SoundBuffer& b = Buffer(tone, c.bufferRate);
        ASSERT_EQ(b.SetFrequency(c.frequency), platform::kAudioOk);
        b.Play(true);
        platform::AdvanceManualClock(1000);
        const auto out = platform::headless::RecordedAudio();
        int crossings = 0;
        double rms = 0;
        Measure(out, 0, crossings, rms);
        const double played = double(out.size() / 2) / c.deviceRate; // seconds
        const double expectHz = 441.0 * (c.frequency ? c.frequency : c.bufferRate) / 22048.0;
        EXPECT_NEAR(crossings / 2.0 / played, expectHz, 2.0);
        EXPECT_NEAR(20 * std::log10(rms / (20000 / std::sqrt(2.0))), 0.0, 0.1);
        buffers.clear();
        device.reset();
        platform::headless::ClearRecordedAudio();
    }
}

TEST_F(AudioTest, AHeldBufferAddsSilenceAndStaysWhereItWas) {
    Open(44100);
    const auto ramp = Ramp(4410, 11);
    SoundBuffer& b = Buffer(ramp, 44100);
    b.Play(true);
    platform::AdvanceManualClock(10);
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b.Lock(0, 64, &p1, &n1, &p2, &n2), platform::kAudioOk);
    platform::AdvanceManualClock(20); // two periods pulled while the buffer is held: no wait
    uint32_t play = 0;
    b.GetCurrentPosition(&play, nullptr);
    EXPECT_EQ(play, 441u * 2);
    ASSERT_EQ(b.Unlock(), platform::kAudioOk);
    platform::AdvanceManualClock(10);
    const auto out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 2u * 4 * 441);
    for (size_t i = 0; i < 441; ++i) {
        ASSERT_EQ(out[2 * i], ramp[i]);
        ASSERT_EQ(out[2 * (441 + i)], 0);
        ASSERT_EQ(out[2 * (882 + i)], 0);
        ASSERT_EQ(out[2 * (1323 + i)], ramp[441 + i]); // it goes on where it stood
    }
    EXPECT_EQ(device->Mixer().SkippedBufferPeriods(), 2u);
}

TEST_F(AudioTest, LockSpansWrapAndBadRequestsAreRefused) {
    Open(44100);
    SoundBuffer& b = Buffer(std::vector<int16_t>(100), 44100);
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b.Lock(150, 100, &p1, &n1, &p2, &n2), platform::kAudioOk);
    EXPECT_EQ(n1, 50u);
    EXPECT_EQ(n2, 50u);
    EXPECT_NE(p2, nullptr);
    b.Unlock();
    EXPECT_EQ(b.Unlock(), platform::dserr::INVALIDCALL);
    EXPECT_EQ(b.Lock(200, 10, &p1, &n1, &p2, &n2), platform::dserr::INVALIDPARAM);
    EXPECT_EQ(b.Lock(0, 201, &p1, &n1, &p2, &n2), platform::dserr::INVALIDPARAM);
    EXPECT_EQ(b.SetPan(10001), platform::dserr::INVALIDPARAM);
    EXPECT_EQ(b.SetVolume(1), platform::dserr::INVALIDPARAM);
    EXPECT_EQ(b.SetFrequency(50), platform::dserr::INVALIDPARAM);
    platform::AudioResult r = 0;
    EXPECT_FALSE(device->CreateSoundBuffer(100, PcmFormat{22050, 1, 8}, &r));
    EXPECT_EQ(r, platform::dserr::BADFORMAT);
}

TEST_F(AudioTest, AOneShotBufferStopsAtItsEnd) {
    Open(44100);
    const auto ramp = Ramp(300, 97);
    SoundBuffer& b = Buffer(ramp, 44100);
    b.Play(false);
    platform::AdvanceManualClock(10);
    EXPECT_FALSE(b.IsPlaying());
    const auto out = platform::headless::RecordedAudio();
    for (size_t i = 0; i < 441; ++i)
        ASSERT_EQ(out[2 * i], i < 300 ? ramp[i] : 0) << i;
}

TEST_F(AudioTest, AFailingStageReportsItsCode) {
    platform::headless::FailAudioDevice(platform::AudioStage::Open, platform::dserr::NODRIVER);
    platform::AudioResult r = 0;
    EXPECT_FALSE(AudioDevice::Open(&r));
    EXPECT_EQ(r, platform::dserr::NODRIVER);
    platform::headless::FailAudioDevice(platform::AudioStage::PrimaryBuffer, platform::dserr::ALLOCATED);
    device = AudioDevice::Open(&r);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->SetCooperativeLevel(1), platform::kAudioOk);
    EXPECT_EQ(device->CreatePrimaryBuffer(), platform::dserr::ALLOCATED);
    EXPECT_EQ(device->PlayPrimary(), platform::dserr::INVALIDCALL);
    EXPECT_FALSE(AudioDevice::Open(&r)); // one device at a time
    EXPECT_EQ(r, platform::dserr::ALLOCATED);
}

// A source registered with the mixer is heard beside the buffers.
class ConstantSource : public platform::AudioSource {
  public:
    void MixInto(int32_t* acc, int frames, int) override {
        for (int i = 0; i < 2 * frames; ++i)
            acc[i] += 1000;
    }
};

TEST_F(AudioTest, RegisteredSourcesAreMixedIn) {
    Open(44100);
    ConstantSource source;
    device->Mixer().AddSource(&source);
    Buffer(std::vector<int16_t>(441, 5), 44100).Play(true);
    platform::AdvanceManualClock(10);
    device->Mixer().RemoveSource(&source);
    platform::AdvanceManualClock(10);
    const auto out = platform::headless::RecordedAudio();
    ASSERT_EQ(out.size(), 4u * 441);
    EXPECT_EQ(out[0], 1005);
    EXPECT_EQ(out[2 * 441], 5);
}

TEST(SdlAudioTest, OpensPullsAndClosesUnderTheDummyDriver) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::UseBackend(platform::BackendKind::Sdl);
    platform::AudioResult r = -1;
    auto device = AudioDevice::Open(&r);
    platform::UseBackend(platform::BackendKind::Headless);
    ASSERT_TRUE(device) << SDL_GetError();
    EXPECT_EQ(r, platform::kAudioOk);
    EXPECT_GT(device->Rate(), 0);
    auto b = device->CreateSoundBuffer(44100 * 2, PcmFormat{44100, 1, 16}, &r);
    ASSERT_TRUE(b);
    b->Play(true);
    uint32_t play = 0;
    for (int i = 0; i < 2000 && play == 0; ++i) {
        platform::SleepMillis(1);
        b->GetCurrentPosition(&play, nullptr);
    }
    EXPECT_GT(play, 0u); // the callback pulled from the mixer
    // The main thread writes while the audio thread mixes: neither waits for long.
    uint32_t last = play;
    int moves = 0;
    for (int i = 0; i < 400 && moves < 3; ++i) {
        uint8_t *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_EQ(b->Lock(0, 4096, &p1, &n1, &p2, &n2), platform::kAudioOk);
        std::memset(p1, i & 0x7F, n1);
        ASSERT_EQ(b->Unlock(), platform::kAudioOk);
        platform::SleepMillis(1);
        b->GetCurrentPosition(&play, nullptr);
        moves += play != last;
        last = play;
    }
    EXPECT_GE(moves, 3);
    b.reset();
    device.reset();
    ::unsetenv("SDL_AUDIODRIVER");
}

} // namespace
