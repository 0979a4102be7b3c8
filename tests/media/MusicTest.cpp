// Music over the sample installation's songs, the virtual audio device and the manual clock: MIDI
// songs through the synthesiser (judged by properties, as the sound font may vary), the module's
// rules, and digital songs through the player, serviced by the test instead of its thread.
#include "MpegReference.h"
#include "SoundFixture.h"
#include "app/AppServices.h"
#include "app/MainWindow.h"
#include "app/SavedOptions.h"
#include "core/ShutdownSequence.h"
#include "media/MusicManager.h"
#include "media/mp3.h"
#include "mkinstall/MusicFiles.h"
#include "mpegwriter/MpegWriter.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "platform/Midi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace mkinstall::SampleMusic;
constexpr size_t kPeriodFrames = 441; // the virtual device pulls 10 ms

class MusicFixture : public qvtest::SoundFixture {
  protected:
    void SetUp() override {
        SoundFixture::SetUp();
        MusicManager::ResetForTests();
        ::Music = true;
        ::MusicVol = 255;
        ::CombatMusic = true;
        MusicManager::SetMusicListener(MusicManager::MusicListener{
            [this] { return hasPlayer; }, [this] { return warMode; }, [this] { return featureFlags; },
            [] { return false; }, [this] { return secondsOfDay; }});
        Start(platform::kDeviceRate);
        DrainMessages();
    }

    void TearDown() override {
        MusicManager::ResetForTests();
        ShutdownSequence::ResetForTests();
        unsetenv("QV_SOUNDFONT");
        DrainMessages();
        SoundFixture::TearDown();
    }

    // The module started with nothing playing and a digital player without its thread.
    void StartMusic() {
        ::Music = false;
        MusicManager::CMusicManager();
        ASSERT_TRUE(CreateDigitalMusicPlayer(SoundManager::Device(), false));
        GetDigitalMusicPlayer()->SetFeatureFlags([this] { return featureFlags; });
        MusicManager::EnableMusic(true);
    }

    void RemoveDigitalSongs() { std::filesystem::remove(dir.path() / "music" / "digital" / "CONFIG.TXT"); }

    // Lets the clock run in 5 ms steps, servicing the digital player and taking the main window's
    // messages; the recorded frame count at each MM_MCINOTIFY is kept.
    void Run(int ms) {
        for (int t = 0; t < ms; t += 5) {
            platform::AdvanceManualClock(5);
            if (CDigitalMusicPlayer* p = GetDigitalMusicPlayer()) p->ServiceStreams();
            platform::Message msg;
            while (platform::PeekMessage(msg))
                if (msg.id == platform::MM_MCINOTIFY) notifications.push_back(Recorded());
        }
    }

    static void DrainMessages() {
        platform::Message msg;
        while (platform::PeekMessage(msg)) {
        }
    }

    static double Rms(const std::vector<int16_t>& pcm, size_t fromFrame, size_t toFrame) {
        double sum = 0;
        for (size_t i = 2 * fromFrame; i < 2 * toFrame && i < pcm.size(); ++i)
            sum += double(pcm[i]) * pcm[i];
        return std::sqrt(sum / double(2 * (toFrame - fromFrame)));
    }

    bool hasPlayer = false;
    bool warMode = false;
    uint32_t featureFlags = 0;
    uint32_t secondsOfDay = 0;
    std::vector<size_t> notifications;
};

// ---------------------------------------------------------------- MIDI through the synthesiser

TEST_F(MusicFixture, MidiSongIsSilentBeforeItsFirstNoteSoundsFromItAndNotifiesAtItsEnd) {
    ASSERT_FALSE(platform::FindSoundFont().empty()) << "scripts/install-deps.sh installs a General MIDI font";
    RemoveDigitalSongs();
    StartMusic();
    const size_t start = Recorded();
    ASSERT_EQ(MusicManager::PlaySong(0, 1, false), 1);
    EXPECT_TRUE(MusicManager::MidiOpen());
    EXPECT_EQ(MusicManager::CurrentSong(), 0); // seconds of day 0
    Run(kSong0LengthMs + 200);

    const std::vector<int16_t> pcm = platform::headless::RecordedAudio();
    const size_t onset = start + kSong0OnsetMs * 441 / 10;
    for (size_t i = 2 * start; i < 2 * (onset - 441); ++i)
        ASSERT_EQ(pcm[i], 0) << "sound before the first note at frame " << i / 2 - start;
    EXPECT_GT(Rms(pcm, onset, onset + 441), 10.0) << "no sound within 10 ms of the first note";

    ASSERT_EQ(notifications.size(), 1u);
    const size_t end = start + kSong0LengthMs * 441 / 10;
    EXPECT_GE(notifications[0], end);
    EXPECT_LE(notifications[0], end + kPeriodFrames) << "later than the period that renders the end";
    EXPECT_FALSE(MusicManager::IsPlaying());
}

TEST_F(MusicFixture, MidiVolumeScalesTheLevelLinearly) {
    RemoveDigitalSongs();
    auto levelAt = [this](int volume) {
        ::MusicVol = volume;
        MusicManager::ResetForTests();
        MusicManager::SetMusicListener(MusicManager::MusicListener{[] { return false; }, [] { return false; },
                                                                   [] { return 0u; }, [] { return false; },
                                                                   [] { return 0u; }});
        StartMusic();
        MusicManager::SetVolume(volume);
        const size_t start = Recorded();
        EXPECT_EQ(MusicManager::PlaySong(5, 1, true), 1);
        Run(800);
        return Rms(platform::headless::RecordedAudio(), start + 8820, start + 30870);
    };
    const double full = levelAt(255);
    const double half = levelAt(128);
    ASSERT_GT(full, 100.0);
    EXPECT_NEAR(20 * std::log10(half / full), 20 * std::log10(128.0 / 255.0), 0.5);
}

TEST_F(MusicFixture, WithoutASoundFontMidiSongsFailAndThatIsLoggedOnce) {
    RemoveDigitalSongs();
    setenv("QV_SOUNDFONT", (dir.path() / "missing.sf2").c_str(), 1);
    qvtest::ReportRecorder report;
    StartMusic();
    EXPECT_EQ(MusicManager::PlaySong(5, 1, true), 0);
    EXPECT_EQ(MusicManager::PlaySong(6, 1, true), 0);
    EXPECT_FALSE(MusicManager::IsPlaying());
    EXPECT_EQ(MusicManager::CurrentSong(), MusicManager::kNoSong);
    int fontLines = 0;
    for (const auto& line : report.lines())
        fontLines += line.text.find("sound font") != std::string::npos;
    EXPECT_EQ(fontLines, 1);
}

TEST(MidiFile, ShapeIsCheckedWithinItsBytes) {
    const std::vector<uint8_t> song = mkinstall::MidiSong(60, 0, 0, 500, false);
    EXPECT_TRUE(platform::LooksLikeMidi(song.data(), song.size()));
    EXPECT_FALSE(platform::LooksLikeMidi(song.data(), 20)) << "track cut short";
    std::vector<uint8_t> hugeHeader = song;
    hugeHeader[4] = 0x7F;
    EXPECT_FALSE(platform::LooksLikeMidi(hugeHeader.data(), hugeHeader.size()));
    std::vector<uint8_t> noTrack(song.begin(), song.begin() + 14);
    EXPECT_FALSE(platform::LooksLikeMidi(noTrack.data(), noTrack.size()));
}

// ---------------------------------------------------------------- MusicManager's rules

TEST_F(MusicFixture, TenSecondRuleIgnoresRequestsWhileASongPlaysUnlessForced) {
    RemoveDigitalSongs();
    struct Case {
        int afterMs;
        bool force;
        int expected;
    };
    const Case cases[] = {{500, false, 3}, {500, true, 4}, {kOtherLengthMs + 100, false, 4}};
    for (const Case& c : cases) {
        MusicManager::ResetForTests();
        MusicManager::SetMusicListener(MusicManager::MusicListener{[] { return false; }, [] { return false; },
                                                                   [] { return 0u; }, [] { return false; },
                                                                   [] { return 0u; }});
        StartMusic();
        ASSERT_EQ(MusicManager::PlaySong(3, 1, false), 1);
        Run(c.afterMs);
        EXPECT_EQ(MusicManager::PlaySong(4, 1, c.force), 1);
        EXPECT_EQ(MusicManager::CurrentSong(), c.expected) << c.afterMs << " ms, force " << c.force;
    }
}

TEST_F(MusicFixture, SongZeroIsChosenByTheTimeOfDayAndChosenAgainLater) {
    RemoveDigitalSongs();
    StartMusic();
    secondsOfDay = 3605; // 5 mod 9
    ASSERT_EQ(MusicManager::PlaySong(0, 1, false), 1);
    EXPECT_EQ(MusicManager::CurrentSong(), 5);
    secondsOfDay = 3607;
    ASSERT_EQ(MusicManager::PlaySong(0, 1, true), 1);
    EXPECT_EQ(MusicManager::CurrentSong(), 7);
}

TEST_F(MusicFixture, AfterOffAndOnTheSameSongDoesNothingAndAnotherPlays) {
    RemoveDigitalSongs();
    StartMusic();
    ASSERT_EQ(MusicManager::PlaySong(3, 1, false), 1);
    MusicManager::EnableMusic(false);
    EXPECT_FALSE(MusicManager::IsPlaying());
    EXPECT_EQ(MusicManager::PlaySong(4, 1, true), 1) << "off: accepted, nothing plays";
    EXPECT_FALSE(MusicManager::IsPlaying());
    MusicManager::EnableMusic(true);
    EXPECT_FALSE(MusicManager::IsPlaying()) << "on starts nothing";
    EXPECT_EQ(MusicManager::PlaySong(3, 1, true), 1);
    EXPECT_FALSE(MusicManager::IsPlaying());
    EXPECT_EQ(MusicManager::PlaySong(4, 1, true), 1);
    EXPECT_TRUE(MusicManager::IsPlaying());
    EXPECT_EQ(MusicManager::CurrentSong(), 4);
}

TEST_F(MusicFixture, IdsBeyondTheTableAreRefused) {
    StartMusic();
    for (int id : {49, 50, 0xFFFF, -1})
        EXPECT_EQ(MusicManager::PlaySong(id, 1, true), 0) << id;
    EXPECT_EQ(MusicManager::CurrentSong(), MusicManager::kNoSong);
}

TEST_F(MusicFixture, RotationWrapsByPlayerAndWarMode) {
    RemoveDigitalSongs();
    struct Case {
        bool player, war, combat;
        int calls, expected;
    };
    const Case cases[] = {
        {true, false, true, 8, 8},   {true, false, true, 9, 0},  {false, false, true, 48, 48},
        {false, false, true, 49, 0}, {true, true, true, 40, 40}, {true, true, true, 41, 38},
        {true, true, true, 44, 38},  {true, true, false, 9, 0},
    };
    for (const Case& c : cases) {
        MusicManager::ResetForTests();
        hasPlayer = c.player;
        warMode = c.war;
        ::CombatMusic = c.combat;
        MusicManager::SetMusicListener(
            MusicManager::MusicListener{[this] { return hasPlayer; }, [this] { return warMode; },
                                        [] { return 0u; }, [] { return false; }, [] { return 0u; }});
        StartMusic();
        for (int i = 0; i < c.calls; ++i)
            MusicManager::PlayNextSong();
        EXPECT_EQ(MusicManager::RotationCounter(), c.expected)
            << "player " << c.player << " war " << c.war << " combat " << c.combat << " calls " << c.calls;
    }
}

TEST_F(MusicFixture, CombatSongsFollowWarModeWithin36Steps) {
    RemoveDigitalSongs();
    StartMusic();
    hasPlayer = true;
    warMode = true;
    int steps = 0;
    while (steps < MusicManager::kCombatCheckCalls && !MusicManager::IsPlaying()) {
        MusicManager::Update();
        ++steps;
    }
    ASSERT_TRUE(MusicManager::IsPlaying());
    const int combat = MusicManager::CurrentSong();
    EXPECT_GE(combat, 38);
    EXPECT_LE(combat, 40);

    warMode = false;
    for (int i = 0; i < MusicManager::kCombatCheckCalls; ++i)
        MusicManager::Update();
    EXPECT_FALSE(MusicManager::IsPlaying());
    EXPECT_EQ(MusicManager::CurrentSong(), combat) << "leaving war mode starts no other song";
}

TEST_F(MusicFixture, RequestsDuringShutdownAreRefusedWithTheirLogLine) {
    StartMusic();
    qvtest::ReportRecorder report;
    ShutdownSequence::MarkShutdownSequenceStarted();
    EXPECT_EQ(MusicManager::PlaySong(3, 1, true), 0);
    EXPECT_TRUE(report.contains(QVReport::Level::Error, "MusicManager::PlaySong: 'shutdownSequenceStarted'. "
                                                        "program would probably crash if we did not 'return "
                                                        "FALSE'!"));
}

TEST_F(MusicFixture, OptionsMenuCommandNotificationAndPacketReachTheModule) {
    RemoveDigitalSongs();
    StartMusic();
    MusicManager::BindServices();
    std::vector<uint8_t> bytes = {0x6D, 0, 7};
    PacketReader reader(bytes.data(), bytes.size());
    CGameSock connection;
    PacketManager::HandlePlayMusic(connection, reader);
    EXPECT_EQ(MusicManager::CurrentSong(), 7);
    EXPECT_TRUE(MusicManager::IsPlaying());

    SetSavedBoolConfigOption(u"Music", false);
    EXPECT_FALSE(MusicManager::IsEnabled());
    EXPECT_FALSE(MusicManager::IsPlaying());
    MainWndProc(platform::Message{platform::WM_COMMAND, ID_MUSIC, 0, 0});
    EXPECT_TRUE(MusicManager::IsEnabled());

    // The main window's notification advances the rotation (song 0 at seconds of day 0 is song 0).
    MainWndProc(platform::Message{platform::MM_MCINOTIFY, platform::kMciNotifySuccessful, 0, 0});
    EXPECT_EQ(MusicManager::RotationCounter(), 1);
    EXPECT_EQ(MusicManager::CurrentSong(), 0);

    SetSavedIntConfigOption(u"MusicVol", 128);
    EXPECT_EQ(MusicManager::Volume(), 128);
    ResetNetServices();
    ResetAppServices();
}

// ---------------------------------------------------------------- the digital player

TEST(DigitalMusicConfig, EntriesCollectPerIdAndOnlyIdsOfTheTableCount) {
    DigitalMusicTable table;
    const std::string text = mkinstall::DigitalMusicConfigText();
    ParseDigitalMusicConfig(text.data(), text.size(), table);
    const DigitalMusicTable expected = {
        {0, {"theme"}}, {3, {"short", "short,loop", "SHORT.MP3"}}, {6, {"tune.wav"}}};
    EXPECT_EQ(table, expected);

    DigitalMusicTable bounded;
    const std::string odd =
        "99999999999999999999 a\n4294967299 b\n-1 c\n49 d\n48 e\x85\x01\n 7 f\n#9 g\n12 h  i\r\n";
    ParseDigitalMusicConfig(odd.data(), odd.size(), bounded);
    const DigitalMusicTable expectedBounded = {{7, {"f"}}, {12, {"h", "i"}}, {48, {"e"}}};
    EXPECT_EQ(bounded, expectedBounded) << "blanks before the id are skipped";
}

class DigitalFixture : public MusicFixture {
  protected:
    void SetUp() override {
        MusicFixture::SetUp();
        ASSERT_TRUE(CreateDigitalMusicPlayer(SoundManager::Device(), false));
        player = GetDigitalMusicPlayer();
        player->SetFeatureFlags([this] { return featureFlags; });
        player->SetVolume(256);
    }

    void WriteSong(const std::string& name, const std::vector<uint8_t>& bytes) {
        dir.write("music/digital/" + name, std::string(bytes.begin(), bytes.end()));
    }

    // Plays an entry to its end (at most 5 s); the recording from the start.
    std::vector<int16_t> PlayEntry(const std::string& entry) {
        platform::headless::ClearRecordedAudio();
        EXPECT_NE(player->StartStream(entry, true), nullptr) << entry;
        player->ServiceStreams();
        for (int t = 0; t < 5000 && player->IsPlaying(); t += 5)
            Run(5);
        EXPECT_FALSE(player->IsPlaying());
        Run(100);
        return platform::headless::RecordedAudio();
    }

    // Where the decoded samples start in the recording: the first frame that matches the first
    // 1,000 samples exactly; npos when none does.
    static size_t FindStart(const std::vector<int16_t>& rec, const std::vector<int16_t>& ref) {
        for (size_t at = 0; at + ref.size() <= rec.size(); at += 2)
            if (std::equal(ref.begin(), ref.begin() + 1000, rec.begin() + static_cast<ptrdiff_t>(at)))
                return at;
        return std::string::npos;
    }

    void ExpectRecordingIsTheDecoderOutput(const std::vector<int16_t>& rec,
                                           const std::vector<uint8_t>& stream) {
        const qvtest::DecodedPcm ref = qvtest::DecodeWithOurs(stream);
        ASSERT_GT(ref.samples.size(), 2000u);
        const size_t at = FindStart(rec, ref.samples);
        ASSERT_NE(at, std::string::npos) << "the decoded samples never start";
        ASSERT_GE(rec.size(), at + ref.samples.size()) << "the end was cut";
        for (size_t i = 0; i < ref.samples.size(); ++i)
            ASSERT_EQ(rec[at + i], ref.samples[i]) << "sample " << i << " of " << ref.samples.size();
        for (size_t i = at + ref.samples.size(); i < rec.size(); ++i)
            ASSERT_EQ(rec[i], 0) << "sound after the end";
    }

    CDigitalMusicPlayer* player = nullptr;
};

TEST_F(DigitalFixture, RecordingIsTheDecoderOutputThroughTheLastSample) {
    const std::vector<int16_t> rec = PlayEntry("theme");
    ExpectRecordingIsTheDecoderOutput(rec, qvtest::ReadBytes(dir.file("music/digital/theme.mp3")));
}

TEST_F(DigitalFixture, LeadingTagIsSkippedToTheFirstFrame) {
    std::vector<uint8_t> stream = mkinstall::DigitalSongStream(0.4, 2, 21);
    std::vector<uint8_t> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20};
    tagged.resize(30, 0x20);
    tagged.insert(tagged.end(), stream.begin(), stream.end());
    WriteSong("tagged.mp3", tagged);
    ExpectRecordingIsTheDecoderOutput(PlayEntry("tagged"), stream);
}

TEST_F(DigitalFixture, TwolameLayerTwoStreamPlaysAsDecoded) {
    ASSERT_TRUE(qvtest::HaveProgram("twolame")) << "twolame is installed by scripts/install-deps.sh";
    const std::string wav = dir.file("in.wav");
    ASSERT_TRUE(mpegwriter::WriteWav(wav, mkinstall::DigitalSongPcm(0.5, 2, 5), 44100, 2));
    ASSERT_EQ(qvtest::RunQuietly("twolame --quiet -b 192 " + wav + " " + dir.file("music/digital/two.mp3")),
              0);
    ExpectRecordingIsTheDecoderOutput(PlayEntry("two.mp3"),
                                      qvtest::ReadBytes(dir.file("music/digital/two.mp3")));
}

TEST_F(DigitalFixture, MonoFilePlaysAtItsRateWithEqualChannels) {
    mpegwriter::LayerOneFormat format;
    format.sampleRate = 22050;
    format.mode = 3;
    format.bitrate = 128;
    const std::vector<int16_t> pcm = mpegwriter::SweepWithBursts(22050, 1, 1.0, 3);
    WriteSong("mono.mp3", mpegwriter::EncodeLayerOne(format, pcm));
    const std::vector<int16_t> rec = PlayEntry("mono");
    size_t first = 0, last = 0;
    for (size_t f = 0; f < rec.size() / 2; ++f) {
        ASSERT_EQ(rec[2 * f], rec[2 * f + 1]) << "frame " << f;
        if (rec[2 * f] != 0) {
            if (first == 0) first = f;
            last = f;
        }
    }
    EXPECT_NEAR(double(last - first) / 44100.0, 1.0, 0.06) << "played at twice or half its rate";
}

TEST_F(DigitalFixture, FilesThatAreNotMpegAreRefused) {
    WriteSong("noff.mp3", std::vector<uint8_t>(4000, 0x41));
    WriteSong("empty.mp3", {});
    for (const char* entry : {"noff", "empty", "missing", "tune.wav", "theme.mp2"})
        EXPECT_EQ(player->StartStream(entry, true), nullptr) << entry;
    EXPECT_FALSE(player->IsPlaying());
    EXPECT_NE(player->StartStream("THEME.MP3,loop", true), nullptr) << "capitals and an option";
}

TEST_F(DigitalFixture, WithoutFeatureBitOneOnlySongZeroPlaysDigitally) {
    featureFlags = 0;
    EXPECT_EQ(player->Play(3), nullptr);
    EXPECT_NE(player->Play(0), nullptr);
    player->Stop();
    featureFlags = 2;
    EXPECT_NE(player->Play(3), nullptr);
    EXPECT_EQ(player->Play(4), nullptr) << "an id alone lists nothing";
}

TEST_F(DigitalFixture, WavEntryFallsBackToMidi) {
    featureFlags = 2;
    RemoveDigitalSongs(); // the module reads the list at start; write one with only the .wav entry
    dir.write("music/digital/CONFIG.TXT", "6 tune.wav\n");
    StartMusic();
    ASSERT_EQ(MusicManager::PlaySong(6, 1, true), 1);
    EXPECT_TRUE(MusicManager::MidiOpen());
    EXPECT_FALSE(GetDigitalMusicPlayer()->IsPlaying());
}

TEST_F(DigitalFixture, VolumeMapsToBufferLevelsAndStopSilences) {
    EXPECT_EQ(CDigitalMusicPlayer::BufferLevel(256), 0);
    EXPECT_EQ(CDigitalMusicPlayer::BufferLevel(255), -10);
    EXPECT_EQ(CDigitalMusicPlayer::BufferLevel(0), -2500);
    CDigitalMusicStream* s = player->StartStream("theme", true);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Buffer()->GetVolume(), 0);
    player->SetVolume(255);
    EXPECT_EQ(s->Buffer()->GetVolume(), -10);
    player->ServiceStreams();
    Run(300);
    player->Stop();
    EXPECT_FALSE(player->IsPlaying());
    platform::headless::ClearRecordedAudio();
    Run(200);
    for (int16_t v : platform::headless::RecordedAudio())
        ASSERT_EQ(v, 0);
}

TEST_F(DigitalFixture, DestructionJoinsTheServiceThreadWhileAStreamPlays) {
    ASSERT_TRUE(CreateDigitalMusicPlayer(SoundManager::Device(), true));
    CDigitalMusicPlayer* threaded = GetDigitalMusicPlayer();
    EXPECT_TRUE(threaded->ThreadRunning());
    ASSERT_NE(threaded->StartStream("theme", true), nullptr);
    for (int i = 0; i < 20; ++i)
        platform::AdvanceManualClock(10);
    DestroyDigitalMusicPlayer();
    EXPECT_EQ(GetDigitalMusicPlayer(), nullptr);
    player = nullptr;
}

} // namespace
