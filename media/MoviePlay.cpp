#include "media/MoviePlay.h"

#include "core/QVReport.h"
#include "platform/Audio.h"
#include "platform/platform.h"
#include "render/BlitTarget.h"
#include "text/CWideString.h"
#include "text/LanguageSection.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>

namespace movie {

namespace {

MeasureFunction g_measure = nullptr;
DrawFunction g_draw = nullptr;
LanguageSection* g_section = nullptr;

bool TagIs(const char tag[4], const char* name) {
    return std::memcmp(tag, name, 4) == 0;
}
bool TagIn(const char tag[4], std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (TagIs(tag, n)) return true;
    return false;
}

// Ends the movie's reading: a chunk that cannot be one.
int EndOfStream(MovieContext* c) {
    c->eof = true;
    return -1;
}

} // namespace

namespace {

// On the manual clock the playback loop's waits are what moves time on (the loop stands for the
// main thread, which owns the clock); the sound thread waits for time to pass, but never long in
// real time, so that stopping it cannot hang.
void SleepLoop(uint32_t ms) {
    if (!platform::IsManualClock()) return platform::SleepMillis(ms);
    if (ms) platform::AdvanceManualClock(ms);
    std::this_thread::yield();
}

void SleepSound(uint32_t ms) {
    if (!platform::IsManualClock()) return platform::SleepMillis(ms);
    uint32_t until = platform::TickCount() + ms;
    for (int i = 0; i < 1000 && static_cast<int32_t>(until - platform::TickCount()) > 0; ++i)
        std::this_thread::sleep_for(std::chrono::microseconds(20));
}

} // namespace

MovieClock DefaultClock() {
    MovieClock clock;
    clock.now = platform::TickCount;
    clock.sleepLoop = SleepLoop;
    clock.sleepSound = SleepSound;
    return clock;
}

// ---------------------------------------------------------------- source

std::unique_ptr<MovieSource> MovieSource::OpenFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    std::unique_ptr<MovieSource> s(new MovieSource);
    s->file_ = f;
    s->buffer_.resize(16384);
    std::setvbuf(f, s->buffer_.data(), _IOFBF, s->buffer_.size());
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long end = std::ftell(f);
        s->size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::fseek(f, 0, SEEK_SET);
    return s;
}

std::unique_ptr<MovieSource> MovieSource::FromMemory(std::vector<uint8_t> bytes) {
    std::unique_ptr<MovieSource> s(new MovieSource);
    s->memory_ = std::move(bytes);
    s->size_ = s->memory_.size();
    return s;
}

MovieSource::~MovieSource() {
    if (file_) std::fclose(file_);
}

size_t MovieSource::Read(void* dst, size_t n) {
    n = static_cast<size_t>(std::min<uint64_t>(n, size_ - std::min(pos_, size_)));
    if (file_)
        n = std::fread(dst, 1, n, file_);
    else if (n)
        std::memcpy(dst, memory_.data() + pos_, n);
    pos_ += n;
    return n;
}

bool MovieSource::Seek(uint64_t pos) {
    if (pos > size_) return false;
    if (file_ && std::fseek(file_, static_cast<long>(pos), SEEK_SET) != 0) return false;
    pos_ = pos;
    return true;
}

bool MovieSource::Skip(size_t n) {
    return Seek(pos_ + n);
}

size_t RingSpace::Place(size_t n, bool empty, size_t oldest) const {
    if (n > size) return SIZE_MAX;
    if (empty) return write + n <= size ? write : 0;
    if (write >= oldest) { // queued data in [oldest, write)
        if (write + n <= size) return write;
        return n < oldest ? 0 : SIZE_MAX;
    }
    return write + n < oldest ? write : SIZE_MAX; // queued data in [oldest, end) and [0, write)
}

// ---------------------------------------------------------------- chunks

namespace {

bool VideoRoom(MovieContext* c, size_t n) {
    bool empty = c->videoQueued.load() == 0;
    size_t oldest = empty ? 0 : c->video[c->videoRead.load() % kSlots].offset;
    return c->videoSpace.Place(n, empty, oldest) != SIZE_MAX;
}

bool AudioRoom(MovieContext* c, size_t n) {
    bool empty = c->audioQueued.load() == 0;
    size_t oldest = empty ? 0 : c->audio[c->audioRead.load() % kSlots].offset;
    return c->audioSpace.Place(n, empty, oldest) != SIZE_MAX;
}

} // namespace

int MovieReadVideoChunk(MovieContext* c, size_t size, int type) {
    if (size > kVideoRingBytes) {
        QVReport::message("MovieReadVideoChunk: frame of %zu bytes larger than the ring; skipped.\n", size);
        return c->file->Skip(size) ? -2 : EndOfStream(c);
    }
    bool empty = c->videoQueued.load() == 0;
    size_t oldest = empty ? 0 : c->video[c->videoRead.load() % kSlots].offset;
    size_t at = c->videoSpace.Place(size, empty, oldest);
    if (at == SIZE_MAX) { // the read-ahead checks for room first; this is a last guard
        QVReport::message("MovieReadVideoChunk: no room in the ring; frame skipped.\n");
        return c->file->Skip(size) ? -2 : EndOfStream(c);
    }
    if (c->file->Read(c->videoRing.get() + at, size) != size) return EndOfStream(c);
    VideoSlot& slot = c->video[c->videoWrite.load() % kSlots];
    slot.offset = at;
    slot.bytes = size;
    slot.tag = c->frameTag;
    slot.type = type;
    slot.used = true;
    c->videoSpace.write = at + size;
    c->videoWrite.fetch_add(1);
    c->videoQueued.fetch_add(1);
    ++c->frameTag;
    return 1;
}

int MovieReadAudioHeader(MovieContext* c, size_t size) {
    if (size > kReadBufferBytes) {
        QVReport::message("MovieReadAudioHeader: header of %zu bytes skipped.\n", size);
        return c->file->Skip(size) ? 0 : EndOfStream(c);
    }
    c->readBuffer.resize(size);
    if (c->file->Read(c->readBuffer.data(), size) != size) return EndOfStream(c);
    AudioFormat f = ReadAudioHeader(c->readBuffer.data(), size);
    if (c->bufferCreated && (f.rate != c->format.rate || f.channels != c->format.channels)) {
        QVReport::message("MovieReadAudioHeader: a later header may not change rate or channels; kept.\n");
        f.rate = c->format.rate;
        f.channels = c->format.channels;
    }
    c->format = f;
    return 0;
}

int MovieReadAudioChunk(MovieContext* c, size_t size) {
    if (size > kReadBufferBytes) {
        QVReport::message("MovieReadAudioChunk: block of %zu bytes skipped.\n", size);
        return c->file->Skip(size) ? -2 : EndOfStream(c);
    }
    c->readBuffer.resize(size);
    if (size == 0 || c->file->Read(c->readBuffer.data(), size) != size) return EndOfStream(c);
    if (c->format.compression != 0 && c->format.compression != 7 && c->format.compression != 10)
        QVReport::message("MovieReadAudioChunk: compression %d plays as silence.\n", c->format.compression);
    size_t bytes = DecodedAudioBytes(c->format, c->readBuffer.data(), size);
    bool empty = c->audioQueued.load() == 0;
    size_t oldest = empty ? 0 : c->audio[c->audioRead.load() % kSlots].offset;
    size_t at = c->audioSpace.Place(bytes, empty, oldest);
    if (at == SIZE_MAX) {
        QVReport::message("MovieReadAudioChunk: no room in the sound ring; block dropped.\n");
        return -2;
    }
    static thread_local std::vector<int16_t> decoded;
    DecodeAudioChunk(c->format, c->sound, c->readBuffer.data(), size, decoded);
    if (bytes > 0) std::memcpy(c->audioRing.get() + at, decoded.data(), bytes);
    // Two sound chunks in a row: the sound sets the pace and counts as pictures for the subtitles.
    if (c->previousChunk == 2) c->settings->audioPaced = true;
    if (c->settings->audioPaced) ++c->frameTag;
    AudioSlot& slot = c->audio[c->audioWrite.load() % kSlots];
    slot.offset = at;
    slot.bytes = bytes;
    slot.tag = c->frameTag;
    slot.chunk = c->audioChunks;
    slot.used = true;
    c->audioSpace.write = at + bytes;
    c->audioWrite.fetch_add(1);
    c->audioQueued.fetch_add(1);
    ++c->audioChunks;
    return 2;
}

namespace {

int ReadChunk(MovieContext* c) {
    uint8_t header[8];
    size_t got = c->file->Read(header, 8);
    if (got == 0) return EndOfStream(c);
    if (got < 8) return EndOfStream(c);
    char tag[4];
    std::memcpy(tag, header, 4);
    uint32_t chunkSize =
        header[4] | (header[5] << 8) | (header[6] << 16) | (static_cast<uint32_t>(header[7]) << 24);
    if (chunkSize < 8 || chunkSize - 8 > c->file->Size() - c->file->Position()) {
        QVReport::message("MovieReadChunk: chunk of %u bytes cannot be; the movie ends.\n", chunkSize);
        return EndOfStream(c);
    }
    size_t size = chunkSize - 8;
    if (TagIn(tag, {"SCHl", "lHCS", "1SNh"})) return MovieReadAudioHeader(c, size);
    if (TagIs(tag, "SEAD")) {
        c->format = kFixedAudioFormat;
        return c->file->Skip(size) ? 0 : EndOfStream(c);
    }
    if (TagIn(tag, {"SCDl", "SNDC", "CDNS", "1SNd"})) {
        if (!c->settings->hasAudio) return c->file->Skip(size) ? -2 : EndOfStream(c);
        return MovieReadAudioChunk(c, size);
    }
    if (TagIn(tag, {"SCCl", "lCCS", "SCLl", "lLCS"})) return c->file->Skip(size) ? 4 : EndOfStream(c);
    if (TagIn(tag, {"SCEl", "SEND", "1SNe"})) {
        c->eof = true;
        return -1;
    }
    if (TagIn(tag, {"TGVk", "kVGT"})) return MovieReadVideoChunk(c, size, kKeyFrame);
    if (TagIn(tag, {"TGVf", "fVGT"})) return MovieReadVideoChunk(c, size, kDeltaFrame);
    if (TagIn(tag, {"pQGT", "MQZf"})) return MovieReadVideoChunk(c, size, kDctFrame);
    if (TagIn(tag, {"pIQT", "QZ2f"})) return MovieReadVideoChunk(c, size, kDctFrame2);
    return c->file->Skip(size) ? -2 : EndOfStream(c);
}

} // namespace

int MovieReadChunk(MovieContext* c) {
    if (c->eof) return -1;
    int r = ReadChunk(c);
    c->previousChunk = r;
    return r;
}

namespace {

// The next chunk's payload size and whether it is video, without consuming it; false at the end.
bool PeekChunk(MovieContext* c, size_t* size, bool* video) {
    uint8_t header[8];
    uint64_t at = c->file->Position();
    size_t got = c->file->Read(header, 8);
    c->file->Seek(at);
    if (got < 8) return false;
    uint32_t chunkSize =
        header[4] | (header[5] << 8) | (header[6] << 16) | (static_cast<uint32_t>(header[7]) << 24);
    *size = chunkSize >= 8 ? chunkSize - 8 : 0;
    char tag[4];
    std::memcpy(tag, header, 4);
    *video = TagIn(tag, {"TGVk", "kVGT", "TGVf", "fVGT", "pQGT", "MQZf", "pIQT", "QZ2f"});
    return true;
}

// Reads one chunk when the queues and rings have room for it; 3 (nothing read) otherwise.
int ReadIfRoom(MovieContext* c) {
    if (c->audioQueued.load() >= kReadAheadSlots || c->videoQueued.load() >= kReadAheadSlots) return 3;
    size_t size = 0;
    bool video = false;
    if (PeekChunk(c, &size, &video)) {
        if (video && size <= kVideoRingBytes && !VideoRoom(c, size)) return 3;
        if (!video && c->settings->hasAudio && size <= kReadBufferBytes &&
            !AudioRoom(c, size * 4 + 16)) // the most any coding decodes a payload to
            return 3;
    }
    return MovieReadChunk(c);
}

} // namespace

void MovieReadAhead(MovieContext* c) {
    if (c->lastRead[1] == -1) return;
    int first = ReadIfRoom(c);
    if (first == 3) return;
    c->lastRead[0] = first;
    if (first == -1) {
        c->lastRead[1] = -1;
        return;
    }
    if (first == 1) {
        if (!c->settings->hasAudio) return;
        int second = ReadIfRoom(c);
        if (second == 3) return;
        c->lastRead[1] = second;
        if (second == 1) {
            QVReport::message("MovieReadAhead: two pictures in a row; the movie goes on without sound.\n");
            c->settings->hasAudio = false;
        }
    } else if (first == 2) {
        if (c->settings->audioPaced && c->audioQueued.load() >= kReadAheadSlots) return;
        int second = ReadIfRoom(c);
        if (second != 3) c->lastRead[1] = second;
    }
}

int MovieOpen(std::unique_ptr<MovieSource> source, MovieContext* c) {
    if (!source) return 1;
    c->file = std::move(source);
    char tag[4] = {};
    uint64_t at = c->file->Position();
    c->file->Read(tag, 4);
    c->file->Seek(at);
    c->firstChunk = at;
    c->settings->hasAudio = TagIn(tag, {"SEAD", "SCHl", "1SNh"});
    MovieAllocateRings(c);
    bool sawVideo = false;
    if (c->settings->hasAudio) {
        while (c->audioQueued.load() < 21 && !c->eof) {
            bool full = false;
            for (int i = 0; i < 2 && !c->eof && !full; ++i) {
                int r = ReadIfRoom(c);
                full = r == 3;
                if (full) break;
                c->lastRead[i] = r;
                sawVideo |= r == 1;
            }
            if (full || c->audioQueued.load() >= kReadAheadSlots || c->videoQueued.load() >= kReadAheadSlots)
                break;
        }
    } else {
        while (c->videoQueued.load() < 20 && !c->eof) {
            int r = ReadIfRoom(c);
            if (r == 3) break;
            c->lastRead[1] = r;
            sawVideo |= r == 1;
        }
    }
    if (c->eof) c->lastRead[1] = -1;
    c->settings->audioPaced = !sawVideo;
    return 0;
}

void MovieAllocateRings(MovieContext* c) {
    // Rings a context already holds are kept: only bytes of queued chunks are ever read.
    if (!c->videoRing) c->videoRing.reset(new uint8_t[kVideoRingBytes]);
    if (!c->audioRing) c->audioRing.reset(new uint8_t[kAudioRingBytes]);
    c->videoSpace = RingSpace{kVideoRingBytes, 0};
    c->audioSpace = RingSpace{kAudioRingBytes, 0};
}

void MovieCloseFile(MovieContext* c) {
    c->file.reset();
    c->videoRing.reset();
    c->audioRing.reset();
}

// ---------------------------------------------------------------- sound thread

void MovieCreateSoundBuffer(MovieContext* c) {
    c->bufferCreated = true;
    c->writePos = 0;
    c->partial = 0;
    platform::AudioDevice* device = (c->settings->flags & kPlaySound) ? c->settings->device : nullptr;
    if (device && c->format.rate >= platform::kMinFrequency && c->format.rate <= platform::kMaxFrequency) {
        platform::AudioResult r = platform::kAudioOk;
        c->buffer =
            device->CreateSoundBuffer(kSoundBufferBytes, platform::PcmFormat{c->format.rate, 2, 16}, &r);
        if (c->buffer && c->buffer->Play(true) == platform::kAudioOk) {
            c->bufferSize = c->buffer->Size();
            c->simulated = false;
            c->settings->soundSimulated = false;
            return;
        }
        c->buffer.reset();
    }
    c->simulated = true;
    c->settings->soundSimulated = true;
    c->simulatedPos = 0;
    c->simulatedTick = c->settings->clock.now();
    c->bufferSize = kSoundBufferBytes;
}

void MovieReleaseSoundBuffer(MovieContext* c) {
    if (c->buffer) c->buffer->Stop();
    c->buffer.reset();
}

namespace {

// Copies bytes into the sound buffer at the write position.
void WriteSound(MovieContext* c, const uint8_t* bytes, size_t n) {
    if (c->buffer) {
        uint8_t *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        if (c->buffer->Lock(static_cast<uint32_t>(c->writePos), static_cast<uint32_t>(n), &p1, &n1, &p2,
                            &n2) == platform::kAudioOk) {
            if (bytes) {
                std::memcpy(p1, bytes, n1);
                if (p2) std::memcpy(p2, bytes + n1, n2);
            } else {
                std::memset(p1, 0, n1);
                if (p2) std::memset(p2, 0, n2);
            }
            c->buffer->Unlock();
        }
    }
    c->writePos = (c->writePos + n) % c->bufferSize;
    c->absoluteWrite += n;
}

} // namespace

void MovieAudioPass(MovieContext* c) {
    if (!c->bufferCreated) return;
    size_t play = 0;
    if (c->simulated) {
        // The simulated play position follows the elapsed time at the movie's rate.
        // Counted from the buffer's start so that rounding never adds up.
        uint64_t elapsed = static_cast<uint32_t>(c->settings->clock.now() - c->simulatedTick);
        uint64_t rate = static_cast<uint64_t>(std::max(1, c->format.rate)) * 4;
        uint64_t total = elapsed * rate / 1000 & ~uint64_t{3};
        uint64_t bytes = total > c->soundPlayed ? total - c->soundPlayed : 0;
        c->soundPlayed += bytes;
        c->simulatedPos = (c->simulatedPos + bytes) % c->bufferSize;
        play = c->simulatedPos;
    } else {
        uint32_t p = 0, w = 0;
        c->buffer->GetCurrentPosition(&p, &w);
        play = p & ~3u;
        c->soundPlayed += (play + c->bufferSize - c->lastPlay) % c->bufferSize;
    }
    c->lastPlay = play;
    size_t free;
    if (c->soundPlayed >= c->absoluteWrite) {
        // Everything written has played (or nothing was yet): the whole buffer is free from here.
        c->writePos = play;
        c->absoluteWrite = c->soundPlayed;
        free = c->bufferSize;
    } else {
        free = c->bufferSize -
               static_cast<size_t>(std::min<uint64_t>(c->bufferSize, c->absoluteWrite - c->soundPlayed));
    }
    if (c->audioQueued.load() > 0) {
        const AudioSlot& slot = c->audio[c->audioRead.load() % kSlots];
        // A block larger than the free space goes in pieces; the slot is handed on when all is in.
        size_t n = std::min(free, slot.bytes - c->partial);
        if (n > 0) {
            WriteSound(c, c->audioRing.get() + slot.offset + c->partial, n);
            c->partial += n;
            c->soundWritten = c->absoluteWrite;
        }
        if (c->partial >= slot.bytes) {
            int tag = slot.tag;
            c->partial = 0;
            c->audioRead.fetch_add(1);
            c->audioProgress.exchange(tag);
            c->audioQueued.fetch_sub(1);
        }
    } else if (free > 0) {
        // Starved: silence over what has played, and the pictures still move on.
        WriteSound(c, nullptr, free);
        c->audioProgress.fetch_add(1);
    }
    c->soundAhead.store(static_cast<int64_t>(c->soundWritten) - static_cast<int64_t>(c->soundPlayed));
    c->soundPasses.fetch_add(1);
}

void MovieAudioThread(MovieContext* c) {
    c->settings->clock.sleepSound(15);
    while (c->run.load()) {
        MovieAudioPass(c);
        c->settings->clock.sleepSound(15);
    }
}

int MovieStartAudioThread(MovieContext* c) {
    if (c->lockstep) return 0; // the loop runs the passes
    c->run.store(true);
    try {
        c->thread = std::thread(MovieAudioThread, c);
    } catch (...) {
        c->run.store(false);
        return 1;
    }
    return 0;
}

int MovieStopAudioThread(MovieContext* c) {
    if (!c->thread.joinable()) return 1;
    c->run.store(false);
    c->thread.join();
    return 0;
}

// ---------------------------------------------------------------- video

void MovieSetSubtitleDrawFunction(DrawFunction function) {
    g_draw = function;
}
void MovieSetSubtitleMeasureFunction(MeasureFunction function) {
    g_measure = function;
}
void MovieSetSubtitleSection(LanguageSection* section) {
    g_section = section;
}

void MovieInitVideo(MovieContext* c) {
    if (c->settings->audioPaced) return;
    MovieSettings* s = c->settings;
    c->primary.assign(static_cast<size_t>(std::max(0, s->screenWidth)) * std::max(0, s->screenHeight), 0);
    c->codec.Configure((s->flags & kDoubleWidth) != 0, s->brightness, s->format);
    c->videoInitialised = true;
}

void MovieFreeVideo(MovieContext* c) {
    if (!c->videoInitialised) return;
    c->current = {};
    c->previous = {};
    c->primary = {};
    c->videoInitialised = false;
}

void MovieFlipBuffers(MovieContext* c) {
    std::swap(c->current, c->previous);
}

void MovieDrawSubtitle(MovieContext* c) {
    if (!g_section || !g_measure || !g_draw || !c->current.Exists()) return;
    int index = 0;
    const CWideString* text = g_section->getStrForFrame(c->settings->passCounter.load(), &index);
    if (!text || !text->GetText()) return;
    int width = 0, height = 0, third = 0;
    g_measure(text->GetText(), &width, &height, &third);
    BlitTarget target;
    target.pixels = c->current.pixels.data();
    target.pitch = c->current.width;
    target.height = c->current.height;
    // Laid out on a 640-pixel picture, never below row 469, and clipped to the surface.
    Rect clip{0, 0, std::min(640, c->current.width), std::min(470, c->current.height)};
    target.valid = clip;
    if (clip.IsEmpty()) return;
    g_draw(target, text->GetText(), (640 - width) / 2, 200, 31, clip);
}

void MoviePresentFrame(MovieContext* c) {
    MovieSettings* s = c->settings;
    if (!c->current.Exists() || c->primary.empty()) return;
    int srcW = c->current.width, srcH = c->current.height; // already doubled in width with 0x40
    int dstH = (s->flags & kDoubleHeight) ? 2 * srcH : srcH;
    int x = (s->flags & kCentreX) ? (s->screenWidth - srcW) / 2 : 0;
    int y = (s->flags & kCentreY) ? (s->screenHeight - dstH) / 2 : 0;
    if (s->flags & kAddX) x += s->x;
    if (s->flags & kAddY) y += s->y;
    int step = (s->flags & kDoubleHeight) ? 2 : 1;
    int x0 = std::max(0, x), x1 = std::min(s->screenWidth, x + srcW);
    for (int row = 0; row < srcH && x0 < x1; ++row) {
        int dy = y + row * step;
        if (dy < 0 || dy >= s->screenHeight) continue;
        std::memcpy(&c->primary[static_cast<size_t>(dy) * s->screenWidth + x0],
                    &c->current.pixels[static_cast<size_t>(row) * srcW + (x0 - x)],
                    (x1 - x0) * sizeof(uint16_t));
    }
    if (s->present)
        s->present(c->primary.data(), s->screenWidth, s->screenHeight, s->presentUser);
    else
        platform::PresentFrame(c->primary.data(), s->screenWidth, s->screenHeight, 0);
    ++s->framesPresented;
}

namespace {

void DecodeSlot(MovieContext* c, const VideoSlot& slot) {
    const uint8_t* payload = c->videoRing.get() + slot.offset;
    if (!c->current.Exists()) {
        int w = 0, h = 0;
        if (!c->codec.ReadFrameSize(payload, slot.bytes, slot.type, &w, &h)) return;
        c->current.Create(c->codec.SurfaceWidth(w), h);
        c->previous.Create(c->codec.SurfaceWidth(w), h);
        c->settings->frameWidth = w;
        c->settings->frameHeight = h;
    }
    if (c->codec.MovieDecodeFrame(payload, slot.bytes, slot.type, c->current, c->previous))
        ++c->settings->framesDecoded;
}

} // namespace

bool MovieMayDropFrame(int type, int nextType, const uint8_t* next, size_t nextSize, bool moreMayCome) {
    if (type != kDctFrame && type != kDctFrame2) return false; // later frames build on them
    if (nextType == 0) return !moreMayCome;                    // the next frame is not read yet: it may copy
    // Type 4 frames without flags bit 0 copy macroblocks from the picture before them.
    bool copies = nextType == kDctFrame2 && (nextSize < 8 || (next[7] & 1) == 0);
    return !copies;
}

namespace {

// The loop's waits. In lockstep the sound passes that fall due run here, every 15 ms of clock time.
void LoopWait(MovieContext* c, uint32_t ms) {
    MovieSettings* s = c->settings;
    if (!c->lockstep) return s->clock.sleepLoop(ms);
    auto advanceTo = [s](uint32_t to) {
        int32_t ahead = static_cast<int32_t>(to - s->clock.now());
        if (ahead > 0) s->clock.sleepLoop(static_cast<uint32_t>(ahead));
    };
    uint32_t until = s->clock.now() + ms;
    while (static_cast<int32_t>(until - c->nextPass) >= 0) {
        advanceTo(c->nextPass);
        MovieAudioPass(c);
        c->nextPass += 15;
    }
    advanceTo(until);
}

} // namespace

void MoviePlayOnCallerThread(MovieSettings* s) {
    MovieContext* c = s->context;
    // On the manual clock with the default waits, the sound passes run on this thread in step with
    // the clock, so that tests and headless runs do not depend on thread timing.
    MovieClock standard = DefaultClock();
    c->lockstep =
        platform::IsManualClock() && s->clock.now == standard.now && s->clock.sleepLoop == standard.sleepLoop;
    c->nextPass = s->clock.now() + 15;
    if (MovieStartAudioThread(c) != 0) {
        s->state.store(kFinished);
        return;
    }
    s->framesBehind = 0;
    c->startTick = s->clock.now();
    s->state.store(kStarted);
    for (;;) {
        if (s->state.exchange(kRunning) == kStarted) continue;
        LoopWait(c, 0);
        MovieReadAhead(c);
        if (s->hasAudio && !c->bufferCreated) {
            MovieCreateSoundBuffer(c);
            c->audioProgress.store(0);
        }
        bool stop = false;
        if (c->videoQueued.load() > 0) {
            VideoSlot& slot = c->video[c->videoRead.load() % kSlots];
            if (s->framesBehind <= 1) {
                DecodeSlot(c, slot);
                MovieDrawSubtitle(c);
                MoviePresentFrame(c);
            } else {
                const VideoSlot& next = c->video[(c->videoRead.load() + 1) % kSlots];
                bool queued = c->videoQueued.load() > 1 && next.used;
                bool drop = MovieMayDropFrame(slot.type, queued ? next.type : 0,
                                              queued ? c->videoRing.get() + next.offset : nullptr,
                                              queued ? next.bytes : 0, c->lastRead[1] != -1);
                if (drop)
                    ++s->framesDropped;
                else
                    DecodeSlot(c, slot);
            }
            if ((s->flags & kAbortEveryFrame) && s->abort && s->abort() != 0) stop = true;
            slot = VideoSlot{};
            c->videoRead.fetch_add(1);
            c->videoQueued.fetch_sub(1);
            MovieFlipBuffers(c);
        }
        s->passCounter.fetch_add(1);
        if (stop) break;
        // Drained queues end the movie only once nothing is left to read: after the sound was
        // dropped, a pass that reads a sound chunk queues no picture.
        if (c->videoQueued.load() == 0 && (!s->hasAudio || c->audioQueued.load() == 0) &&
            c->lastRead[1] == -1) {
            // The end waits for the sound already in the buffer, which would otherwise be cut off.
            uint32_t limit = s->clock.now() + 1000;
            while (s->hasAudio && c->bufferCreated && c->soundAhead.load() > 0 &&
                   static_cast<int32_t>(limit - s->clock.now()) > 0)
                LoopWait(c, 3);
            break;
        }
        if (s->hasAudio) {
            int target = c->audioProgress.load() - 5;
            for (int i = 0; i < 102 && s->passCounter.load() - target >= 1; ++i) {
                LoopWait(c, 0);
                LoopWait(c, 3);
                target = c->audioProgress.load() - 5;
            }
            s->framesBehind = std::max(0, target - s->passCounter.load());
        } else {
            s->framesBehind = 0; // a movie whose sound was dropped is behind nothing
        }
    }
    c->endTick = s->clock.now();
    MovieStopAudioThread(c);
    MovieReleaseSoundBuffer(c);
    s->state.store(kFinished);
}

void MoviePlaySource(std::unique_ptr<MovieSource> source, MovieSettings* s) {
    auto c = std::make_unique<MovieContext>();
    c->settings = s;
    s->passCounter.store(0);
    if (MovieOpen(std::move(source), c.get()) != 0) return;
    s->context = c.get();
    MovieInitVideo(c.get());
    s->state.store(kCreated);
    MoviePlayOnCallerThread(s);
    s->playDuration = c->endTick - c->startTick;
    MovieCloseFile(c.get());
    MovieFreeVideo(c.get());
    s->state.store(kFreed);
    s->context = nullptr;
}

MovieContext* MoviePlay(const char* fileName, MovieSettings* s) {
    std::unique_ptr<MovieSource> source = MovieSource::OpenFile(fileName ? fileName : "");
    if (!source) {
        QVReport::message("MoviePlay: cannot open '%s'.\n", fileName ? fileName : "");
        return nullptr;
    }
    MoviePlaySource(std::move(source), s);
    return nullptr;
}

} // namespace movie
