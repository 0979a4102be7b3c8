#include "media/MoviePlay.h"
#include "app/IntroMovie.h"
#include "app/StartupServices.h"
#include "mkinstall/TextFiles.h"
#include "mkmovie/MovieWriter.h"
#include "platform/Audio.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/BlitTarget.h"
#include "text/LanguageSection.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using moviewriter::Bytes;
using moviewriter::Chunk;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes PcmBlock(int samples, int16_t value = 1000) {
    return moviewriter::PcmPayload(std::vector<int16_t>(samples, value), 1);
}

// A context over bytes in memory, without the pre-read.
struct Bare {
    movie::MovieSettings settings;
    movie::MovieContext context;
    explicit Bare(Bytes bytes, bool hasAudio) {
        context.settings = &settings;
        settings.hasAudio = hasAudio;
        context.file = movie::MovieSource::FromMemory(std::move(bytes));
        movie::MovieAllocateRings(&context);
    }
    int Read() { return movie::MovieReadChunk(&context); }
};

TEST(MovieContainer, AcceptsOnlyTheListedTagOrders) {
    struct Case {
        const char* tag;
        int result;
        bool hasAudio;
    } cases[] = {
        {"SCHl", 0, true},  {"lHCS", 0, true},   {"1SNh", 0, true},  {"SEAD", 0, true},   {"SCDl", 2, true},
        {"SNDC", 2, true},  {"CDNS", 2, true},   {"1SNd", 2, true},  {"SCDl", -2, false}, {"SCCl", 4, true},
        {"lCCS", 4, true},  {"SCLl", 4, true},   {"lLCS", 4, true},  {"TGVk", 1, false},  {"kVGT", 1, false},
        {"TGVf", 1, false}, {"fVGT", 1, false},  {"pQGT", 1, false}, {"MQZf", 1, false},  {"pIQT", 1, false},
        {"QZ2f", 1, false}, {"TGQp", -2, false}, {"lDCS", -2, true}, {"kVGt", -2, false},
    };
    for (const Case& c : cases) {
        Bytes payload = std::strncmp(c.tag + 1, "SNh", 3) == 0 || std::strcmp(c.tag, "SCHl") == 0 ||
                                std::strcmp(c.tag, "lHCS") == 0
                            ? moviewriter::AudioHeaderPayload(1, 0, 22050)
                            : PcmBlock(3);
        Bare m(Join({Chunk(c.tag, payload), Chunk("SCCl", {9, 9})}), c.hasAudio);
        EXPECT_EQ(m.Read(), c.result) << c.tag;
        // Whatever the tag, its payload is consumed: the next chunk reads as itself.
        EXPECT_EQ(m.Read(), 4) << c.tag;
        EXPECT_EQ(m.Read(), -1) << c.tag;
        EXPECT_TRUE(m.context.eof);
    }
    for (const char* end : {"SCEl", "SEND", "1SNe"}) {
        Bare m(Join({Chunk(end, {}), Chunk("SCCl", {})}), false);
        EXPECT_EQ(m.Read(), -1) << end;
        EXPECT_EQ(m.Read(), -1) << end;
    }
}

TEST(MovieContainer, ChunkSizesThatCannotBeEndTheMovie) {
    Bytes tooSmall = {'S', 'C', 'C', 'l', 4, 0, 0, 0, 'S', 'C', 'C', 'l', 8, 0, 0, 0};
    Bytes pastEnd = Join({Chunk("TGVk", Bytes(20)), Chunk("SCCl", {})});
    pastEnd[4] = 200;
    for (const Bytes& bytes : {tooSmall, pastEnd}) {
        Bare m(bytes, false);
        EXPECT_EQ(m.Read(), -1);
        EXPECT_TRUE(m.context.eof);
        EXPECT_EQ(m.context.videoQueued.load(), 0);
    }
}

TEST(MovieContainer, AudioHeadersAfterTheBufferKeepRateAndChannels) {
    Bare m(Join({Chunk("SCHl", moviewriter::AudioHeaderPayload(2, 7, 44100)),
                 Chunk("SCHl", moviewriter::AudioHeaderPayload(1, 10, 11025))}),
           true);
    EXPECT_EQ(m.Read(), 0);
    m.context.bufferCreated = true;
    EXPECT_EQ(m.Read(), 0);
    EXPECT_EQ(m.context.format.rate, 44100);
    EXPECT_EQ(m.context.format.channels, 2);
    EXPECT_EQ(m.context.format.compression, 10);
}

// Frames whose payload starts with their number, so that overwritten ones show.
Bytes NumberedFrames(int count, size_t size, bool withAudio) {
    Bytes out;
    if (withAudio) out = Chunk("SCHl", moviewriter::AudioHeaderPayload(1, 0, 22050));
    for (int i = 0; i < count; ++i) {
        Bytes payload(size, static_cast<uint8_t>(i));
        if (withAudio) out = Join({out, Chunk("SCDl", PcmBlock(100))});
        out = Join({out, Chunk("TGVf", payload)});
    }
    return Join({out, Chunk("SCEl", {})});
}

void ExpectQueuedIntact(const movie::MovieContext& c) {
    for (uint32_t i = c.videoRead.load(); i < c.videoWrite.load(); ++i) {
        const movie::VideoSlot& slot = c.video[i % movie::kSlots];
        for (size_t b = 0; b < slot.bytes; b += 997)
            ASSERT_EQ(c.videoRing[slot.offset + b], static_cast<uint8_t>(slot.tag)) << "frame " << slot.tag;
    }
}

TEST(MovieContainer, PreReadAndReadAheadStopBeforeTheQueuesOrRingsOverflow) {
    struct Case {
        int frames;
        size_t size;
        bool audio;
        int maxVideo;
    } cases[] = {{40, 100, false, 20}, {40, 100, true, 22}, {40, 150000, false, 4}, {40, 150000, true, 4}};
    for (const Case& c : cases) {
        movie::MovieSettings s;
        movie::MovieContext ctx;
        ctx.settings = &s;
        ASSERT_EQ(
            movie::MovieOpen(movie::MovieSource::FromMemory(NumberedFrames(c.frames, c.size, c.audio)), &ctx),
            0);
        EXPECT_LE(ctx.videoQueued.load(), c.maxVideo);
        EXPECT_GE(ctx.videoQueued.load(), std::min(c.maxVideo, 4));
        EXPECT_LE(ctx.audioQueued.load(), movie::kReadAheadSlots);
        ExpectQueuedIntact(ctx);
        // Consume a frame at a time as the loop does; the read-ahead refills without overwriting.
        for (int i = 0; i < 30; ++i) {
            movie::MovieReadAhead(&ctx);
            EXPECT_LE(ctx.videoQueued.load(), movie::kReadAheadSlots);
            EXPECT_LE(ctx.audioQueued.load(), movie::kReadAheadSlots + 1);
            ExpectQueuedIntact(ctx);
            if (ctx.videoQueued.load() > 0) {
                ctx.videoRead.fetch_add(1);
                ctx.videoQueued.fetch_sub(1);
            }
            while (ctx.audioQueued.load() > 0) {
                ctx.audioRead.fetch_add(1);
                ctx.audioQueued.fetch_sub(1);
            }
        }
    }
}

TEST(MovieContainer, PayloadsLargerThanTheirBuffersAreSkipped) {
    Bare m(Join({Chunk("TGVk", Bytes(movie::kVideoRingBytes + 1)), Chunk("SCDl", Bytes(40000)),
                 Chunk("TGVf", {7})}),
           true);
    EXPECT_EQ(m.Read(), -2);
    EXPECT_EQ(m.Read(), -2);
    EXPECT_EQ(m.Read(), 1);
    EXPECT_EQ(m.context.videoQueued.load(), 1);
}

// A sound block too short to hold one frame is queued empty; nothing is copied for it.
TEST(MovieContainer, ASoundBlockTooShortForAFrameQueuesNothingToPlay) {
    Bare m(Join({Chunk("SCDl", {1, 2}), Chunk("SCDl", PcmBlock(8))}), true);
    EXPECT_EQ(m.Read(), 2);
    EXPECT_EQ(m.context.audio[0].bytes, 0u);
    EXPECT_EQ(m.Read(), 2);
    EXPECT_EQ(m.context.audioQueued.load(), 2);
    EXPECT_GT(m.context.audio[1].bytes, 0u);
}

// Playback on the manual clock, pictures counted off screen.
class MoviePlayback : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::headless::Reset();
        platform::UseManualClock(1000, 0);
    }
    void TearDown() override {
        movie::MovieSetSubtitleSection(nullptr);
        movie::MovieSetSubtitleDrawFunction(nullptr);
        movie::MovieSetSubtitleMeasureFunction(nullptr);
        platform::UseRealClock();
        platform::headless::Reset();
    }
    static void Count(const uint16_t*, int, int, void* user) { ++*static_cast<int*>(user); }
    void Play(const Bytes& bytes, movie::MovieSettings& s) {
        s.flags = movie::kCentreX | movie::kCentreY | movie::kDoubleHeight | movie::kDoubleWidth |
                  movie::kPlaySound;
        s.present = Count;
        s.presentUser = &presented;
        movie::MoviePlaySource(movie::MovieSource::FromMemory(bytes), &s);
        ASSERT_EQ(s.state.load(), movie::kFreed);
    }
    Bytes Movie(int frames, moviewriter::Audio audio, int fps = 15) {
        moviewriter::Options o;
        o.width = 64;
        o.height = 48;
        o.frames = frames;
        o.fps = fps;
        o.audio = audio;
        Bytes out;
        std::string error;
        EXPECT_TRUE(moviewriter::WriteMovie(o, &out, &error)) << error;
        return out;
    }
    int presented = 0;
};

TEST_F(MoviePlayback, WithSoundAMovieLastsItsLengthWithinAFrame) {
    for (auto audio : {moviewriter::Audio::Ima, moviewriter::Audio::Block, moviewriter::Audio::Pcm}) {
        movie::MovieSettings s;
        presented = 0;
        Play(Movie(45, audio), s);
        EXPECT_TRUE(s.soundSimulated);
        EXPECT_EQ(presented, 45);
        EXPECT_NEAR(static_cast<double>(s.playDuration), 3000.0, 1000.0 / 15) << static_cast<int>(audio);
    }
}

TEST_F(MoviePlayback, WithoutSoundItRunsAsFastAsItDecodes) {
    movie::MovieSettings s;
    Play(Movie(30, moviewriter::Audio::None), s);
    EXPECT_FALSE(s.hasAudio);
    EXPECT_EQ(presented, 30);
    EXPECT_EQ(s.passCounter.load(), 30);
    EXPECT_EQ(s.playDuration, 0u); // the manual clock never moved: no waits
}

TEST_F(MoviePlayback, TwoPicturesInARowDropTheSound) {
    Bytes bytes = Chunk("SCHl", moviewriter::AudioHeaderPayload(1, 0, 22050));
    Bytes key = moviewriter::KeyFramePayload(16, 8, moviewriter::SourcePalette(), Bytes(128, 3));
    for (int i = 0; i < 30; ++i) {
        if (i != 26) bytes = Join({bytes, Chunk("SCDl", PcmBlock(1470))});
        bytes = Join({bytes, Chunk("TGVk", key)});
    }
    movie::MovieSettings s;
    Play(Join({bytes, Chunk("SCEl", {})}), s);
    EXPECT_FALSE(s.hasAudio);
    EXPECT_EQ(presented, 30);
}

TEST_F(MoviePlayback, EndChunkEndsOnceBothQueuesDrain) {
    Bytes movie = Movie(5, moviewriter::Audio::Pcm);
    Bytes after =
        Chunk("TGVk", moviewriter::KeyFramePayload(64, 48, moviewriter::SourcePalette(), Bytes(64 * 48)));
    movie::MovieSettings s;
    Play(Join({movie, after, after}), s);
    EXPECT_EQ(presented, 5);
    EXPECT_EQ(s.framesDecoded, 5);
}

TEST_F(MoviePlayback, PassesCountWithoutPictures) {
    Bytes bytes = Chunk("SCHl", moviewriter::AudioHeaderPayload(1, 0, 22050));
    for (int i = 0; i < 30; ++i)
        bytes = Join({bytes, Chunk("SCDl", PcmBlock(2205))});
    movie::MovieSettings s;
    Play(Join({bytes, Chunk("SCEl", {})}), s);
    EXPECT_TRUE(s.audioPaced);
    EXPECT_EQ(presented, 0);
    EXPECT_GE(s.passCounter.load(), 25);
    EXPECT_NEAR(static_cast<double>(s.playDuration), 3000.0, 100.0);
}

TEST_F(MoviePlayback, AKeyStopsTheMovieThroughTheIntroPump) {
    platform::headless::PushKey(0x20, true);
    movie::MovieSettings s;
    s.abort = IntroMovieMessagePump;
    s.flags |= movie::kAbortEveryFrame;
    s.present = Count;
    s.presentUser = &presented;
    s.flags = movie::kAbortEveryFrame;
    movie::MoviePlaySource(movie::MovieSource::FromMemory(Movie(30, moviewriter::Audio::Ima)), &s);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(s.state.load(), movie::kFreed);
}

// The virtual device at the movie's rate plays the decoded blocks in order.
TEST_F(MoviePlayback, TheDeviceRecordsTheDecodedSound) {
    platform::headless::SetAudioRate(22050);
    platform::AudioResult r = platform::kAudioOk;
    std::unique_ptr<platform::AudioDevice> device = platform::AudioDevice::Open(&r);
    ASSERT_TRUE(device);
    ASSERT_EQ(device->CreatePrimaryBuffer(), platform::kAudioOk);
    ASSERT_EQ(device->PlayPrimary(), platform::kAudioOk);
    Bytes bytes = Chunk("SCHl", moviewriter::AudioHeaderPayload(2, 0, 22050));
    std::vector<int16_t> expected;
    for (int i = 0; i < 20; ++i) {
        std::vector<int16_t> block;
        for (int f = 0; f < 1470; ++f) {
            block.push_back(static_cast<int16_t>(i * 100 + f % 50 + 1));
            block.push_back(static_cast<int16_t>(-i * 100 - 1));
        }
        expected.insert(expected.end(), block.begin(), block.end());
        bytes = Join({bytes, Chunk("SCDl", moviewriter::PcmPayload(block, 2))});
    }
    movie::MovieSettings s;
    s.device = device.get();
    Play(Join({bytes, Chunk("SCEl", {})}), s);
    EXPECT_FALSE(s.soundSimulated);
    std::vector<int16_t> out = platform::headless::RecordedAudio();
    auto first = std::find_if(out.begin(), out.end(), [](int16_t v) { return v != 0; });
    ASSERT_NE(first, out.end());
    size_t at = static_cast<size_t>(first - out.begin()) / 2 * 2;
    ASSERT_GE(out.size() - at, expected.size());
    int wrong = 0;
    for (size_t i = 0; i < expected.size(); ++i)
        wrong += std::abs(out[at + i] - expected[i]) > 1;
    EXPECT_EQ(wrong, 0);
    // After the last block only silence (the starved passes).
    EXPECT_TRUE(std::all_of(out.begin() + static_cast<long>(at + expected.size()), out.end(),
                            [](int16_t v) { return v == 0; }));
}

struct Drawn {
    int pass, x, y;
    Rect clip;
    int height;
};
std::vector<Drawn> g_drawn;
movie::MovieSettings* g_settings = nullptr;

TEST_F(MoviePlayback, SubtitlesShowInTheirPassesInsideTheSurface) {
    const mkinstall::SampleSection* intro = nullptr;
    for (const auto& section : mkinstall::SampleSections())
        if (std::string(section.name) == "intro") intro = &section;
    ASSERT_TRUE(intro);
    std::string file = mkinstall::MakeSectionFile(*intro, "enu");
    LanguageSection section;
    ASSERT_TRUE(section.parse(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "intro.enu"));
    movie::MovieSetSubtitleSection(&section);
    movie::MovieSetSubtitleMeasureFunction([](const char16_t*, int* w, int* h, int*) {
        *w = 100;
        *h = 16;
    });
    movie::MovieSetSubtitleDrawFunction(
        [](const BlitTarget& t, const char16_t*, int x, int y, uint16_t, const Rect& clip) {
            g_drawn.push_back({g_settings->passCounter.load(), x, y, clip, t.height});
            return 0;
        });
    g_drawn.clear();
    moviewriter::Options o;
    o.width = 320;
    o.height = 240;
    o.frames = 150;
    o.fps = 60;
    o.audio = moviewriter::Audio::None;
    Bytes bytes;
    ASSERT_TRUE(moviewriter::WriteMovie(o, &bytes, nullptr));
    movie::MovieSettings s;
    g_settings = &s;
    Play(bytes, s);
    ASSERT_EQ(g_drawn.size(), 150u); // passes 0..149 all lie in the ranges 0..179
    for (const Drawn& d : g_drawn) {
        EXPECT_EQ(d.x, 270);
        EXPECT_EQ(d.y, 200);
        EXPECT_EQ(d.height, 240);
        EXPECT_EQ(d.clip.right, 640);
        EXPECT_EQ(d.clip.bottom, 240); // the surface's 240 rows, not row 469
    }
}

} // namespace

// The client's entry: a file in full screen, presented through the platform; a missing file plays nothing.
TEST_F(MoviePlayback, TheClientsEntryPresentsEveryFrame) {
    std::string path = ::testing::TempDir() + "/movie-entry.wve";
    moviewriter::Options o;
    o.width = 320;
    o.height = 240;
    o.frames = 20;
    ASSERT_TRUE(moviewriter::WriteMovieFile(path, o, nullptr));
    ::MovieSettings settings;
    settings.fullScreen = true;
    int before = platform::headless::PresentedFrameCount();
    ::MoviePlay(path.c_str(), &settings);
    EXPECT_EQ(platform::headless::PresentedFrameCount() - before, 20);
    const platform::headless::Frame& last = platform::headless::LastFrame();
    EXPECT_EQ(last.width, 640);
    EXPECT_EQ(last.height, 480);
    before = platform::headless::PresentedFrameCount();
    ::MoviePlay((path + ".missing").c_str(), &settings);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), before);
    std::remove(path.c_str());
}

// Behind the sound, a DCT frame is left undecoded only when the next frame does not copy from the
// picture it would leave; key and delta frames are always decoded.
TEST(MovieDrop, ADctFrameIsDroppedOnlyWhenTheNextDoesNotCopyFromIt) {
    const Bytes copying = {16, 0, 16, 0, 90, 0, 0, 0}, allCoded = {16, 0, 16, 0, 90, 0, 0, 1};
    const Bytes exactCopying = {16, 0, 16, 0, 90, 0, 0, 2}, cut = {16, 0, 16, 0};
    struct Case {
        const char* what;
        int type, nextType;
        const Bytes* next;
        bool moreMayCome, drop;
    } cases[] = {
        {"key frame", 1, 3, &allCoded, true, false},
        {"delta frame", 2, 0, nullptr, false, false},
        {"before a type 4 frame with motion bits", 3, 4, &copying, true, false},
        {"before a type 4 frame with motion bits, exact colours", 4, 4, &exactCopying, true, false},
        {"before a type 4 frame whose header is cut short", 4, 4, &cut, true, false},
        {"before a type 4 frame coding every macroblock", 3, 4, &allCoded, true, true},
        {"before a type 3 frame", 4, 3, &allCoded, true, true},
        {"before a key frame", 4, 1, &allCoded, true, true},
        {"before a delta frame (it builds on the palette picture)", 4, 2, &copying, true, true},
        {"nothing queued yet, more may come", 3, 0, nullptr, true, false},
        {"the last frame", 4, 0, nullptr, false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(movie::MovieMayDropFrame(c.type, c.nextType, c.next ? c.next->data() : nullptr,
                                           c.next ? c.next->size() : 0, c.moreMayCome),
                  c.drop)
            << c.what;
}

// Two pictures in a row met after the pre-read drop the sound; the sound chunks still in the file
// are skipped and every picture after them still plays.
TEST_F(MoviePlayback, AfterTheSoundIsDroppedEveryPictureStillPlays) {
    const Bytes frame =
        moviewriter::DctFramePayload(3, 16, 16, 90, false, moviewriter::SourceRgb(16, 16, 0), nullptr);
    Bytes bytes = Chunk("SCHl", moviewriter::AudioHeaderPayload(1, 0, 22050));
    for (int i = 0; i < 100; ++i) {
        if (i == 30) bytes = Join({bytes, Chunk("pQGT", frame), Chunk("pQGT", frame)});
        bytes = Join({bytes, Chunk("SCDl", PcmBlock(1470)), Chunk("pQGT", frame)});
    }
    movie::MovieSettings s;
    presented = 0;
    Play(Join({bytes, Chunk("SCEl", {})}), s);
    EXPECT_FALSE(s.hasAudio);
    EXPECT_EQ(s.framesDecoded, 102);
    EXPECT_EQ(presented, 102);
}
