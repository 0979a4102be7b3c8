#pragma once
// The movie player: reads the chunked movie file ahead into rings, decodes its pictures on the
// caller's thread and hands its sound to a sound thread of its own, which keeps a looping sound
// buffer filled and posts how far the sound has got; the pictures keep pace with that.
#include "media/MovieCodec.h"
#include "media/MovieSound.h"
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class LanguageSection;
struct BlitTarget;
struct Rect;

namespace movie {

// Flags of a movie's settings.
enum : uint32_t {
    kAddX = 0x1,
    kAddY = 0x2,
    kCentreX = 0x4,
    kCentreY = 0x8,
    kDoubleHeight = 0x20,
    kDoubleWidth = 0x40,
    kAbortEveryFrame = 0x40000,
    kPlaySound = 0x800000,
};
constexpr uint32_t kIntroWindowFlags = 0x840063;
constexpr uint32_t kIntroFullScreenFlags = 0x84006c;

// State word values.
enum : int { kCreated = 0, kStarted = 1, kRunning = 2, kFinished = 5, kFreed = 6 };

// The clock the player runs on; tests give it their own.
struct MovieClock {
    uint32_t (*now)() = nullptr;            // milliseconds
    void (*sleepLoop)(uint32_t) = nullptr;  // the playback loop's waits
    void (*sleepSound)(uint32_t) = nullptr; // the sound thread's passes
};
MovieClock DefaultClock();

struct MovieContext;

struct MovieSettings {
    uint32_t flags = 0;
    MovieContext* context = nullptr;
    // The primary surface: a client-sized RGB555 picture shown with platform::PresentFrame.
    int screenWidth = 640;
    int screenHeight = 480;
    PixelFormat format;
    platform::AudioDevice* device = nullptr; // null: the simulated sound clock
    int frameHeight = 0, frameWidth = 0;
    int x = 0, y = 0;
    int brightness = 100;
    bool hasAudio = false;
    bool audioPaced = false;
    uint32_t playDuration = 0;
    std::atomic<int> passCounter{0};
    int framesBehind = 0;
    std::atomic<int> state{kCreated};
    int (*abort)() = nullptr;
    MovieClock clock = DefaultClock();
    // Counters for tests and the dump tool.
    int framesDecoded = 0;
    int framesPresented = 0;
    int framesDropped = 0;
    bool soundSimulated = false;
    // Called with the primary picture after every present (null: platform::PresentFrame).
    void (*present)(const uint16_t* pixels, int width, int height, void* user) = nullptr;
    void* presentUser = nullptr;
};

// Where the chunks come from: a file read through a 16 KB buffer, or bytes in memory.
class MovieSource {
  public:
    static std::unique_ptr<MovieSource> OpenFile(const std::string& path);
    static std::unique_ptr<MovieSource> FromMemory(std::vector<uint8_t> bytes);
    ~MovieSource();
    // Bytes read (fewer at the end).
    size_t Read(void* dst, size_t n);
    bool Skip(size_t n);
    uint64_t Position() const { return pos_; }
    uint64_t Size() const { return size_; }
    bool Seek(uint64_t pos);

  private:
    MovieSource() = default;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::vector<uint8_t> memory_;
    uint64_t pos_ = 0, size_ = 0;
};

constexpr int kSlots = 24;
constexpr int kReadAheadSlots = 22;
constexpr size_t kVideoRingBytes = 700000;
constexpr size_t kAudioRingBytes = 300000;
constexpr size_t kReadBufferBytes = 32768;
constexpr size_t kSoundBufferBytes = 32768;

struct AudioSlot {
    size_t offset = 0, bytes = 0; // in the audio ring
    int tag = 0, chunk = 0;
    bool used = false;
};
struct VideoSlot {
    size_t offset = 0, bytes = 0; // in the video ring
    int tag = 0, type = 0;
    bool used = false;
};

// Free room in a ring whose queued pieces run from the oldest to the write position.
struct RingSpace {
    size_t size = 0;
    size_t write = 0;
    // Where n bytes go, or SIZE_MAX when they would overwrite the queued pieces from oldest on.
    size_t Place(size_t n, bool empty, size_t oldest) const;
};

struct MovieContext {
    MovieSettings* settings = nullptr;
    std::unique_ptr<MovieSource> file;
    // Not cleared: only bytes of queued chunks are ever read.
    std::unique_ptr<uint8_t[]> videoRing;
    std::unique_ptr<uint8_t[]> audioRing;
    RingSpace videoSpace, audioSpace;
    AudioFormat format;
    SoundState sound;
    AudioSlot audio[kSlots];
    VideoSlot video[kSlots];
    std::atomic<uint32_t> audioRead{0}, audioWrite{0}, videoRead{0}, videoWrite{0};
    std::atomic<int> audioQueued{0}, videoQueued{0};
    int frameTag = 0;
    int audioChunks = 0;
    std::atomic<int> audioProgress{0};
    bool eof = false;
    int lastRead[2] = {0, 0};
    int previousChunk = 0; // result of the chunk read before the present one
    uint64_t firstChunk = 0;
    uint32_t startTick = 0, endTick = 0;
    // Sound thread.
    std::unique_ptr<platform::SoundBuffer> buffer;
    bool bufferCreated = false;
    bool simulated = false;
    size_t bufferSize = kSoundBufferBytes;
    size_t writePos = 0;
    size_t simulatedPos = 0;
    uint32_t simulatedTick = 0;
    size_t partial = 0; // bytes of the slot in hand already copied
    std::atomic<bool> run{false};
    bool lockstep = false; // sound passes run by the loop's waits (manual clock)
    uint32_t nextPass = 0;
    std::thread thread;
    std::atomic<int> soundPasses{0};
    // Bytes of the movie's sound handed to the buffer and not yet played (posted by the sound thread).
    std::atomic<int64_t> soundAhead{0};
    uint64_t soundWritten = 0, soundPlayed = 0, absoluteWrite = 0;
    size_t lastPlay = 0;
    // Video.
    MovieCodec codec;
    FrameSurface current, previous;
    std::vector<uint16_t> primary;
    bool videoInitialised = false;
    std::vector<uint8_t> readBuffer;
};

// The operations of the player.
MovieContext* MoviePlay(const char* fileName, MovieSettings* settings);
// The same over a source already open (tests, the dump tool).
void MoviePlaySource(std::unique_ptr<MovieSource> source, MovieSettings* settings);
int MovieOpen(std::unique_ptr<MovieSource> source, MovieContext* context);
// The two rings, empty (MovieOpen does this); rings the context holds already are reused.
void MovieAllocateRings(MovieContext* context);
int MovieReadChunk(MovieContext* context);
int MovieReadVideoChunk(MovieContext* context, size_t size, int type);
int MovieReadAudioHeader(MovieContext* context, size_t size);
int MovieReadAudioChunk(MovieContext* context, size_t size);
void MovieReadAhead(MovieContext* context);
// When the pictures are behind: whether a frame of this type may be left undecoded. Key and delta
// frames never; a DCT frame only when the next frame (type 0: none queued yet, and more may come)
// does not copy from the picture it would leave.
bool MovieMayDropFrame(int type, int nextType, const uint8_t* next, size_t nextSize, bool moreMayCome);
void MoviePlayOnCallerThread(MovieSettings* settings);
void MovieDrawSubtitle(MovieContext* context);
void MovieInitVideo(MovieContext* context);
void MoviePresentFrame(MovieContext* context);
void MovieFlipBuffers(MovieContext* context);
void MovieFreeVideo(MovieContext* context);
void MovieCloseFile(MovieContext* context);
void MovieCreateSoundBuffer(MovieContext* context);
void MovieReleaseSoundBuffer(MovieContext* context);
int MovieStartAudioThread(MovieContext* context);
int MovieStopAudioThread(MovieContext* context);
void MovieAudioThread(MovieContext* context);
// One pass of the sound thread (the thread runs it every 15 ms).
void MovieAudioPass(MovieContext* context);

using MeasureFunction = void (*)(const char16_t* text, int* width, int* height, int* third);
using DrawFunction = int (*)(const BlitTarget& target, const char16_t* text, int x, int y, uint16_t colour,
                             const Rect& clip);
void MovieSetSubtitleDrawFunction(DrawFunction function);
void MovieSetSubtitleMeasureFunction(MeasureFunction function);
void MovieSetSubtitleSection(LanguageSection* section);

} // namespace movie
