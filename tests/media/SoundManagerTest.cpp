#include "media/SoundFixture.h"

#include "app/AppServices.h"
#include "app/MainWindow.h"
#include "app/SavedOptions.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

namespace S = mkinstall::SampleSound;
using mkinstall::SoundSample;
using mkinstall::SoundSampleCount;
using qvtest::SoundFixture;

class SoundManagerTest : public SoundFixture {};

// Every frame of out from start on: the sound's samples scaled by the channel gains, then silence.
void ExpectSound(const std::vector<int16_t>& out, size_t start, int id, double left, double right,
                 size_t frames, bool looping = false) {
    const size_t n = static_cast<size_t>(SoundSampleCount(id));
    ASSERT_LE(2 * (start + frames), out.size());
    for (size_t i = 0; i < frames; ++i) {
        const double s = (looping || i < n) ? SoundSample(id, static_cast<int>(i % n)) : 0.0;
        ASSERT_NEAR(out[2 * (start + i)], s * left, 1.0) << "frame " << i;
        ASSERT_NEAR(out[2 * (start + i) + 1], s * right, 1.0) << "frame " << i;
    }
}

TEST_F(SoundManagerTest, AVoiceAtLevelZeroAndTheDeviceAtItsRatePlaysTheSampleExactly) {
    Start(CStreamBuf::kRate);
    const int v = SoundManager::PlaySound(3, 0, 0, false, 0, false);
    ASSERT_EQ(v, 0);
    const size_t start = StartFrame(v);
    Run(1500);
    const auto out = platform::headless::RecordedAudio();
    for (size_t i = 0; i < start; ++i)
        ASSERT_EQ(out[2 * i], 0) << i;
    for (size_t i = 0; i < out.size() / 2 - start; ++i) {
        const int16_t s = i < size_t(SoundSampleCount(3)) ? SoundSample(3, int(i)) : 0;
        ASSERT_EQ(out[2 * (start + i)], s) << i;
        ASSERT_EQ(out[2 * (start + i) + 1], s) << i;
    }
}

TEST_F(SoundManagerTest, PanAndLevelGiveTheirGainsPerChannel) {
    struct Case {
        int pan, level;
    };
    const Case cases[] = {{2500, 0}, {-2500, 0}, {0, -1000}, {-2500, -1000}};
    Start(CStreamBuf::kRate);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "pan " << c.pan << " level " << c.level);
        platform::headless::ClearRecordedAudio();
        const int v = SoundManager::PlaySound(4, c.pan, c.level, false, 0, true);
        ASSERT_GE(v, 0);
        const size_t start = StartFrame(v);
        Run(1100);
        const double g = std::pow(10.0, c.level / 2000.0);
        const double left = g * (c.pan > 0 ? std::pow(10.0, -c.pan / 2000.0) : 1.0);
        const double right = g * (c.pan < 0 ? std::pow(10.0, c.pan / 2000.0) : 1.0);
        ExpectSound(platform::headless::RecordedAudio(), start, 4, left, right, 22048);
        Run(1600); // the voice drains and frees
    }
}

TEST_F(SoundManagerTest, TwoVoicesSumAndTheSumIsClamped) {
    Start(CStreamBuf::kRate);
    const int a = SoundManager::PlaySound(S::kRamp, 0, 0, false, 0, false);
    const int b = SoundManager::PlaySound(1, 0, 0, false, 0, false);
    ASSERT_EQ(a, 0);
    ASSERT_EQ(b, 1);
    const size_t start = StartFrame(a);
    ASSERT_EQ(start, StartFrame(b));
    Run(1100);
    const auto out = platform::headless::RecordedAudio();
    ASSERT_GE(out.size(), 2 * (start + 22048));
    int clamped = 0;
    for (size_t i = 0; i < 22048; ++i) {
        const int sum = SoundSample(S::kRamp, int(i)) + SoundSample(1, int(i));
        ASSERT_EQ(out[2 * (start + i)], std::clamp(sum, -32768, 32767)) << i;
        clamped += sum < -32768 || sum > 32767;
    }
    EXPECT_GT(clamped, 0);
}

TEST_F(SoundManagerTest, VoicesKeepPitchAndLevelOnAFasterDevice) {
    Start(platform::kDeviceRate);
    const int v = SoundManager::PlaySound(S::kLongTone, 0, 0, false, 0, false);
    ASSERT_GE(v, 0);
    Run(500);
    const size_t from = Recorded(); // well inside the tone
    Run(2000);
    const auto out = platform::headless::RecordedAudio();
    int crossings = 0;
    double sum = 0;
    for (size_t i = from; i < out.size() / 2; ++i) {
        sum += double(out[2 * i]) * out[2 * i];
        if (i > from && (out[2 * i] >= 0) != (out[2 * i - 2] >= 0)) ++crossings;
    }
    const double seconds = double(out.size() / 2 - from) / platform::kDeviceRate;
    EXPECT_NEAR(crossings / 2.0 / seconds, 441.0, 1.0);
    const double rms = std::sqrt(sum / double(out.size() / 2 - from));
    EXPECT_NEAR(20 * std::log10(rms / (S::kToneAmplitude / std::sqrt(2.0))), 0.0, 0.1);
}

TEST_F(SoundManagerTest, PitchVarianceStaysWithinItsRangeOnBothSides) {
    Start(CStreamBuf::kRate);
    int low = 0, high = 0;
    for (int i = 0; i < 200; ++i) {
        const int v = SoundManager::PlaySound(1 + i % 8, 0, 0, false, 14, true);
        ASSERT_GE(v, 0);
        const int f = SoundManager::Voice(v)->Buffer()->GetFrequency();
        ASSERT_GE(f, 22048 - 2866);
        ASSERT_LE(f, 22048 + 2866);
        low += f < 22048;
        high += f > 22048;
    }
    EXPECT_GT(low, 20);
    EXPECT_GT(high, 20);
    EXPECT_EQ(SoundManager::Voice(SoundManager::PlaySound(9, 0, 0, false, 0, true))->Buffer()->GetFrequency(),
              0);
}

TEST_F(SoundManagerTest, LongSoundsPlayEverySampleOnceAndInOrderThroughManyRefills) {
    struct Case {
        int id, step;
    };
    const Case cases[] = {{S::kRamp, 50}, {S::kLongTone, 100}, {S::kRamp, 370}};
    Start(CStreamBuf::kRate);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "sound " << c.id << ", refills every " << c.step << " ms");
        platform::headless::ClearRecordedAudio();
        const int v = SoundManager::PlaySound(c.id, 0, 0, false, 0, true);
        ASSERT_GE(v, 0);
        const size_t start = StartFrame(v);
        Run(4000, c.step);
        ExpectSound(platform::headless::RecordedAudio(), start, c.id, 1.0, 1.0, size_t(3 * 22048 + 2000));
        Run(2000);
    }
}

TEST_F(SoundManagerTest, AShortLoopRepeatsSeamlessly) {
    Start(CStreamBuf::kRate);
    const int v = SoundManager::PlaySound(S::kShortLoop, 0, 0, true, 0, false);
    ASSERT_GE(v, 0);
    const size_t start = StartFrame(v);
    Run(3000);
    ExpectSound(platform::headless::RecordedAudio(), start, S::kShortLoop, 1.0, 1.0, 2 * 22048, true);
    EXPECT_FALSE(SoundManager::Voice(v)->IsFree());
}

TEST_F(SoundManagerTest, AVoiceFreesBetweenOneAndTwoHalfLengthsAfterItsEnd) {
    Start(CStreamBuf::kRate);
    const int v = SoundManager::PlaySound(2, 0, 0, false, 0, false);
    const size_t start = StartFrame(v);
    size_t freedAt = 0;
    for (int t = 0; t < 5000 && !freedAt; t += 20) {
        Run(20, 20);
        if (SoundManager::Voice(v)->IsFree()) freedAt = Recorded();
    }
    ASSERT_GT(freedAt, 0u);
    const double afterEnd = double(freedAt - start - 22048) / 22048.0; // seconds
    const double half = 32768.0 / 44096.0;
    EXPECT_GE(afterEnd, half);
    EXPECT_LE(afterEnd, 2 * half);
    EXPECT_EQ(SoundManager::Voice(v)->Buffer()->GetFrequency(), 0);
    // A free voice loops silence.
    platform::headless::ClearRecordedAudio();
    Run(2000);
    for (int16_t s : platform::headless::RecordedAudio())
        ASSERT_EQ(s, 0);
}

TEST_F(SoundManagerTest, AnOddItemPlaysWholeSamplesOnly) {
    Start(CStreamBuf::kRate);
    const int v = SoundManager::PlaySound(S::kOddLength, 0, 0, false, 0, false);
    ASSERT_GE(v, 0);
    const size_t start = StartFrame(v);
    Run(500);
    ExpectSound(platform::headless::RecordedAudio(), start, S::kOddLength, 1.0, 1.0, 5000);
}

TEST_F(SoundManagerTest, EightBusyVoicesLoseTheQuietestButTheAmbient) {
    Start(CStreamBuf::kRate);
    SoundManager::PlayAmbientSound(S::kShortLoop); // voice 0 at -2500, the quietest
    ASSERT_EQ(SoundManager::CurrentAmbient().voice, 0);
    const int levels[] = {-300, -1200, -100, -1200, -500, -1200, 0};
    for (int i = 0; i < 7; ++i)
        ASSERT_EQ(SoundManager::PlaySound(1 + i, 0, levels[i], false, 0, false), i + 1);
    // -1200 on voices 2, 4 and 6: the highest index goes.
    EXPECT_EQ(SoundManager::PlaySound(8, 0, 0, false, 0, false), 6);
    EXPECT_EQ(SoundManager::Voice(6)->Id(), 8);
    EXPECT_EQ(SoundManager::PlaySound(9, 0, 0, false, 0, false), 4);
    EXPECT_EQ(SoundManager::CurrentAmbient().voice, 0);
    EXPECT_EQ(SoundManager::Voice(0)->Id(), S::kShortLoop);
}

TEST_F(SoundManagerTest, ASecondCopyStartsOnlyWhenAllowed) {
    Start(CStreamBuf::kRate);
    ASSERT_EQ(SoundManager::PlaySound(1, 0, 0, false, 0, false), 0);
    Run(300);
    uint32_t before = 0;
    SoundManager::Voice(0)->Buffer()->GetCurrentPosition(&before, nullptr);
    EXPECT_EQ(SoundManager::PlaySound(1, 0, -500, false, 0, false), 0); // the same voice, not restarted
    EXPECT_EQ(Volume(0), 0);
    EXPECT_EQ(SoundManager::PlaySound(1, 0, 0, false, 0, true), 1); // footsteps overlap
    EXPECT_EQ(SoundManager::PlaySoundIfEnabled(1, 0, 0), 0);
}

TEST_F(SoundManagerTest, RequestsThatPlayNothing) {
    Start(CStreamBuf::kRate);
    struct Case {
        int id;
        const char* why;
    };
    const Case cases[] = {{1237, "past the last sound"}, {-1, "negative"},     {S::kHeaderOnly, "40 bytes"},
                          {40, "a missing record"},      {5000, "far beyond"}, {0, "offset -1"}};
    for (const Case& c : cases)
        EXPECT_EQ(SoundManager::PlaySound(c.id, 0, 0, false, 0, false), -1) << c.why;
    for (int i = 0; i < SoundManager::kVoiceCount; ++i)
        EXPECT_TRUE(SoundManager::Voice(i)->IsFree());
    // A sound the substitution table names plays its alternative.
    const int v = SoundManager::PlaySound(S::kSubstituted, 0, 0, false, 0, false);
    ASSERT_GE(v, 0);
    EXPECT_EQ(SoundManager::Voice(v)->Id(), S::kSubstitute);
    // With sound off nothing starts.
    SoundManager::EnableSound(false);
    EXPECT_EQ(SoundManager::PlaySound(2, 0, 0, false, 0, false), -1);
    EXPECT_EQ(SoundManager::PlaySoundIfEnabled(2, 0, 0), -1);
}

TEST_F(SoundManagerTest, TheAmbientLoopCrossFades) {
    Start(CStreamBuf::kRate);
    SoundManager::PlayAmbientSound(S::kShortLoop);
    const int first = SoundManager::CurrentAmbient().voice;
    ASSERT_GE(first, 0);
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2500);
    SoundManager::Update();
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2480);
    EXPECT_EQ(Volume(first), -2480);
    for (int i = 0; i < 20; ++i)
        SoundManager::Update();
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2200); // the top
    EXPECT_EQ(Volume(first), -2200);

    SoundManager::PlayAmbientSound(1);
    const int second = SoundManager::CurrentAmbient().voice;
    EXPECT_NE(second, first);
    EXPECT_EQ(SoundManager::FadingAmbient().voice, first);
    for (int i = 0; i < 5; ++i)
        SoundManager::Update();
    EXPECT_EQ(SoundManager::FadingAmbient().level, -2300);
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2400);

    // Asked for again during its fade, the old sound comes back from where it stood.
    SoundManager::PlayAmbientSound(S::kShortLoop);
    EXPECT_EQ(SoundManager::CurrentAmbient().voice, first);
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2300);
    EXPECT_EQ(SoundManager::FadingAmbient().voice, second);
    SoundManager::Update();
    EXPECT_EQ(Volume(first), -2280);
    EXPECT_EQ(Volume(second), -2420);

    // None: the current one fades out and is freed at -2500; nothing else starts.
    SoundManager::PlayAmbientSound(0);
    EXPECT_EQ(SoundManager::CurrentAmbient().voice, -1);
    EXPECT_TRUE(SoundManager::Voice(second)->IsFree()); // the one fading before is dropped at once
    for (int i = 0; i < 12; ++i)
        SoundManager::Update();
    EXPECT_EQ(SoundManager::FadingAmbient().voice, -1);
    EXPECT_TRUE(SoundManager::Voice(first)->IsFree());
}

TEST_F(SoundManagerTest, TurningSoundOffAndOnRestartsTheAmbientFromTheBottom) {
    Start(CStreamBuf::kRate);
    SoundManager::PlayAmbientSound(S::kShortLoop);
    const int v = SoundManager::CurrentAmbient().voice;
    for (int i = 0; i < 10; ++i)
        SoundManager::Update();
    SoundManager::EnableSound(false);
    EXPECT_FALSE(SoundManager::Voice(v)->Buffer()->IsPlaying());
    EXPECT_EQ(SoundManager::CurrentAmbient().level, -2500);
    platform::headless::ClearRecordedAudio();
    Run(500);
    for (int16_t s : platform::headless::RecordedAudio())
        ASSERT_EQ(s, 0);
    SoundManager::PlayAmbientSound(1); // asked for while off: no voice yet
    EXPECT_EQ(SoundManager::CurrentAmbient().voice, -1);
    SoundManager::EnableSound(true);
    const int now = SoundManager::CurrentAmbient().voice;
    ASSERT_GE(now, 0);
    EXPECT_EQ(SoundManager::Voice(now)->Id(), 1);
    SoundManager::Update();
    EXPECT_EQ(Volume(now), -2480);
}

TEST_F(SoundManagerTest, MasterVolumeChangesNeverCompound) {
    Start(CStreamBuf::kRate);
    const int v = SoundManager::PlaySound(1, 0, -1000, true, 0, false);
    const int w = SoundManager::PlaySound(2, 0, 0, true, 0, false);
    SoundManager::SetVolume(128);
    const int half = CStreamBuf::VolumeFor(-1000, 128 / 255.0f);
    EXPECT_EQ(Volume(v), half);
    EXPECT_EQ(Volume(w), CStreamBuf::VolumeFor(0, 128 / 255.0f));
    SoundManager::SetVolume(128);
    EXPECT_EQ(Volume(v), half); // the same value again changes nothing
    SoundManager::SetVolume(255);
    EXPECT_EQ(Volume(v), -1000);
    EXPECT_EQ(Volume(w), 0);
    SoundManager::SetVolume(0);
    EXPECT_EQ(Volume(w), -2500);
    const int later = SoundManager::PlaySound(3, 0, -1000, false, 0, false);
    EXPECT_EQ(Volume(later), CStreamBuf::VolumeFor(-1000, 0.0f));
}

TEST_F(SoundManagerTest, PositionsSetLevelAndPan) {
    struct Case {
        int x, y;
        bool seam, reverse;
        int volume, pan;
    };
    const Case cases[] = {
        {100, 100, false, false, 0, 0},         // on the player's cell
        {109, 91, false, false, -1250, 1250},   // 9 cells away, 18 to the right in x - y
        {118, 100, false, false, -2500, 1250},  // 18 cells
        {136, 100, false, false, -2500, 2500},  // 36 cells: fully right
        {136, 100, false, true, -2500, -2500},  // and fully left with the speakers reversed
        {100, 136, false, false, -2500, -2500}, // 36 cells the other way
        {101, 100, true, false, -2500, 69},     // across the seam
    };
    Start(CStreamBuf::kRate);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.x << "," << c.y << (c.seam ? " seam" : "") << (c.reverse ? " reversed" : ""));
        SoundManager::SetSoundListener({[](int& x, int& y) {
                                            x = 100;
                                            y = 100;
                                            return true;
                                        },
                                        [&c](int x, int y, int px, int py) {
                                            return c.seam ? 9999
                                                          : std::max(std::abs(x - px), std::abs(y - py));
                                        },
                                        {},
                                        {}});
        ::ReverseSpeakers = c.reverse;
        const int v = SoundManager::PlaySoundAt(1, c.x, c.y, 1.0f, false, 0, true);
        ASSERT_GE(v, 0);
        EXPECT_EQ(Volume(v), c.volume);
        EXPECT_EQ(SoundManager::Voice(v)->Buffer()->GetPan(), c.pan);
        SoundManager::Voice(v)->Release();
    }
    // Without a player every positional sound is at its quietest.
    SoundManager::SetSoundListener({});
    const int v = SoundManager::PlaySoundAt(1, 100, 100, 1.0f, false, 0, true);
    EXPECT_EQ(Volume(v), -2500);
}

TEST_F(SoundManagerTest, AFailedDeviceLeavesSoundSilent) {
    struct Case {
        platform::AudioStage stage;
        platform::AudioResult code;
        const char* box; // empty: no box
    };
    const Case cases[] = {
        {platform::AudioStage::Open, platform::dserr::NODRIVER, ""},
        {platform::AudioStage::CooperativeLevel, platform::dserr::INVALIDPARAM,
         "Failed to set cooperative level (DSERR_INVALIDPARAM) Window Handle == 0"},
        {platform::AudioStage::CooperativeLevel, platform::dserr::GENERIC,
         "Failed to set cooperative level (DSERR_GENERIC) "},
        {platform::AudioStage::PrimaryBuffer, platform::dserr::OUTOFMEMORY,
         "Failed to create primary sound buffer (DSERR_OUTOFMEMORY) "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        SoundManager::ResetForTests();
        platform::headless::ClearMessageBoxes();
        platform::headless::FailAudioDevice(c.stage, c.code);
        Start(CStreamBuf::kRate);
        EXPECT_EQ(SoundManager::PlaySound(1, 0, 0, false, 0, false), -1);
        EXPECT_EQ(SoundManager::PlaySoundAt(1, 0, 0, 1.0f, false, 0, false), -1);
        SoundManager::PlayAmbientSound(2);
        EXPECT_EQ(SoundManager::CurrentAmbient().voice, -1);
        SoundManager::Update();
        SoundManager::SetVolume(10);
        SoundManager::EnableSound(false);
        SoundManager::EnableSound(true);
        const auto& boxes = platform::headless::MessageBoxes();
        if (*c.box) {
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, c.box);
            EXPECT_EQ(boxes[0].caption, "DirectSound Error");
        } else {
            EXPECT_TRUE(boxes.empty());
        }
    }
}

TEST_F(SoundManagerTest, VoicesWithoutBuffersArePassedBy) {
    platform::headless::FailAudioDevice(platform::AudioStage::SoundBuffer, platform::dserr::OUTOFMEMORY);
    Start(CStreamBuf::kRate);
    EXPECT_EQ(platform::headless::MessageBoxes().size(), size_t(SoundManager::kVoiceCount));
    EXPECT_EQ(platform::headless::MessageBoxes()[0].text,
              "Failed to create sound buffer (DSERR_OUTOFMEMORY) ");
    EXPECT_EQ(SoundManager::PlaySound(1, 0, 0, false, 0, false), -1);
    SoundManager::Update();
    SoundManager::SetVolume(3);
}

TEST(SoundErrorText, NamesKnownCodesAndLeavesTwoBlanksOtherwise) {
    struct Case {
        platform::AudioResult code;
        const char* text;
    };
    const Case cases[] = {
        {platform::dserr::BUFFERLOST, "msg (DSERR_BUFFERLOST) extra"},
        {platform::dserr::OTHERAPPHASPRIO, "msg (DSERR_OTHERAPPHASPRIO) extra"},
        {platform::dserr::ALREADYINITIALIZED, "msg (DSERR_ALREADYINITIALIZED) extra"},
        {platform::dserr::NOAGGREGATION, "msg (DSERR_NOAGGREGATION) extra"},
        {12345, "msg  extra"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SoundManager::ErrorText("msg", c.code, "extra"), c.text);
    EXPECT_EQ(SoundManager::ErrorText(std::string(3000, 'x').c_str(), 0, "").size(), 2047u);
}

TEST_F(SoundManagerTest, ThePlaySoundPacketReachesTheModule) {
    Start(CStreamBuf::kRate);
    SoundManager::BindServices();
    SoundManager::SetSoundListener({[](int& x, int& y) {
                                        x = 10;
                                        y = 10;
                                        return true;
                                    },
                                    {},
                                    {},
                                    {}});
    auto packet = [](uint8_t mode, uint16_t id, uint16_t x, uint16_t y) {
        std::vector<uint8_t> p = {0x54,
                                  mode,
                                  uint8_t(id >> 8),
                                  uint8_t(id),
                                  0,
                                  0,
                                  uint8_t(x >> 8),
                                  uint8_t(x),
                                  uint8_t(y >> 8),
                                  uint8_t(y),
                                  0,
                                  0};
        PacketReader reader(p.data(), p.size());
        CGameSock connection;
        PacketManager::HandlePlaySound(connection, reader);
    };
    packet(0, S::kShortLoop, 0, 0);
    EXPECT_EQ(SoundManager::CurrentAmbient().id, S::kShortLoop);
    packet(1, S::kSubstituted, 19, 10);
    const int v = SoundManager::CurrentAmbient().voice == 0 ? 1 : 0;
    EXPECT_EQ(SoundManager::Voice(v)->Id(), S::kSubstitute);
    EXPECT_EQ(Volume(v), -1250);
    EXPECT_EQ(SoundManager::Voice(v)->Buffer()->GetPan(), 625);
    packet(1, 1300, 10, 10); // past the sounds: ignored
    EXPECT_TRUE(SoundManager::Voice(2)->IsFree());
    std::vector<uint8_t> shortPacket = {0x54, 1, 0};
    PacketReader reader(shortPacket.data(), shortPacket.size());
    CGameSock connection;
    PacketManager::HandlePlaySound(connection, reader);
    EXPECT_TRUE(SoundManager::Voice(2)->IsFree());
    ResetNetServices();
    ResetAppServices();
}

TEST_F(SoundManagerTest, TheOptionsAndTheMenuCommandReachTheModule) {
    Start(CStreamBuf::kRate);
    SoundManager::BindServices();
    const int v = SoundManager::PlaySound(1, 0, -1000, true, 0, false);
    SetSavedIntConfigOption(u"SoundVol", 128);
    EXPECT_EQ(Volume(v), CStreamBuf::VolumeFor(-1000, 128 / 255.0f));
    SetSavedBoolConfigOption(u"Sound", false);
    EXPECT_FALSE(SoundManager::IsEnabled());
    EXPECT_FALSE(SoundManager::Voice(v)->Buffer()->IsPlaying());
    MainWndProc(platform::Message{platform::WM_COMMAND, ID_SOUND, 0, 0});
    EXPECT_TRUE(SoundManager::IsEnabled());
    MainWndProc(platform::Message{platform::WM_COMMAND, ID_SOUND, 0, 0});
    EXPECT_FALSE(SoundManager::IsEnabled());
    ResetNetServices();
    ResetAppServices();
}

} // namespace
