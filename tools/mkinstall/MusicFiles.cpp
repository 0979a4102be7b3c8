#include "mkinstall/MusicFiles.h"

#include "mpegwriter/MpegWriter.h"
#include "platform/platform.h"

#include <cstdio>

namespace mkinstall {
namespace {

constexpr int kDivision = 480;
constexpr uint32_t kTempo120 = 500000; // microseconds per quarter note
constexpr uint32_t kTempo240 = 250000;

void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = v & 0x7F;
    while ((v >>= 7) != 0)
        bytes[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
    while (n > 0)
        out.push_back(bytes[--n]);
}

void PutBe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutTempo(std::vector<uint8_t>& track, uint32_t delta, uint32_t tempo) {
    PutVarLen(track, delta);
    track.insert(track.end(), {0xFF, 0x51, 0x03});
    PutBe(track, tempo, 3);
}

uint32_t TicksAt120(int ms) {
    return static_cast<uint32_t>(ms * kDivision / 500);
}

bool WriteBytes(const std::string& path, const void* data, size_t size, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(data, 1, size, f) == size;
    if (f) ok = std::fclose(f) == 0 && ok;
    if (!ok && error) *error = "cannot write " + path;
    return ok;
}

} // namespace

int MidiSongLengthMs(int id) {
    using namespace SampleMusic;
    if (id == 0) return kSong0LengthMs;
    if (id == kShortSong) return kShortLengthMs;
    if (id == kTempoSong) return kTempoLengthMs;
    return kOtherLengthMs;
}

std::vector<uint8_t> MidiSong(int pitch, int program, int onsetMs, int lengthMs, bool tempoChange) {
    std::vector<uint8_t> track;
    PutTempo(track, 0, kTempo120);
    PutVarLen(track, 0);
    track.insert(track.end(), {0xC0, static_cast<uint8_t>(program)});
    PutVarLen(track, TicksAt120(onsetMs));
    track.insert(track.end(), {0x90, static_cast<uint8_t>(pitch), 100});
    uint32_t rest = 0;
    if (tempoChange) {
        // a quarter at 120 (0.5 s), then two quarters at 240 (0.5 s)
        PutTempo(track, kDivision, kTempo240);
        rest = 2 * kDivision;
    } else {
        rest = TicksAt120(lengthMs - onsetMs);
    }
    PutVarLen(track, rest);
    track.insert(track.end(), {0x80, static_cast<uint8_t>(pitch), 0});
    PutVarLen(track, 0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    PutBe(file, 6, 4);
    PutBe(file, 0, 2); // format 0
    PutBe(file, 1, 2);
    PutBe(file, kDivision, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    PutBe(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

std::vector<int16_t> DigitalSongPcm(double seconds, int channels, uint32_t seed) {
    return mpegwriter::SweepWithBursts(SampleMusic::kDigitalRate, channels, seconds, seed);
}

std::vector<uint8_t> DigitalSongStream(double seconds, int channels, uint32_t seed) {
    mpegwriter::LayerOneFormat format;
    format.sampleRate = SampleMusic::kDigitalRate;
    format.mode = channels == 1 ? 3 : 0;
    format.bitrate = channels == 1 ? 192 : 384;
    return mpegwriter::EncodeLayerOne(format, DigitalSongPcm(seconds, channels, seed));
}

std::string DigitalMusicConfigText() {
    return "# digital songs: the song id, then its files\n"
           "0 theme\n"
           "\n"
           "3 short short,loop\n"
           "3 SHORT.MP3\n"
           "4\n"
           "  \n"
           "6 tune.wav\n";
}

bool WriteMusicFiles(const std::string& dir, std::string* error) {
    using namespace SampleMusic;
    const std::string music = dir + "/music";
    const std::string digital = music + "/digital";
    if (!platform::MakeDirectories(digital)) {
        if (error) *error = "cannot create " + digital;
        return false;
    }
    for (int id = 0; id < kSongs; ++id) {
        const int pitch = id == 0 ? 60 : 48 + id;
        const std::vector<uint8_t> song =
            MidiSong(pitch, 19, id == 0 ? kSong0OnsetMs : 0, MidiSongLengthMs(id), id == kTempoSong);
        char name[32];
        std::snprintf(name, sizeof name, "/song%02d.mid", id);
        if (!WriteBytes(music + name, song.data(), song.size(), error)) return false;
    }
    const std::string config = DigitalMusicConfigText();
    if (!WriteBytes(digital + "/CONFIG.TXT", config.data(), config.size(), error)) return false;
    const std::vector<uint8_t> theme = DigitalSongStream(kThemeSeconds, 2, 7);
    const std::vector<uint8_t> shortSong = DigitalSongStream(kShortSeconds, 2, 8);
    return WriteBytes(digital + "/theme.mp3", theme.data(), theme.size(), error) &&
           WriteBytes(digital + "/short.mp3", shortSong.data(), shortSong.size(), error);
}

} // namespace mkinstall
