#include "platform/Midi.h"

#include "platform/messages.h"
#include "platform/platform.h"

#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

namespace platform {
namespace {

constexpr const char* kFonts[] = {"/usr/share/sounds/sf2/default-GM.sf2",
                                  "/usr/share/sounds/sf2/TimGM6mb.sf2"};
// The synthesiser's own gain: loud enough for the General MIDI fonts without clipping a full band.
constexpr double kSynthGain = 1.0;
constexpr int kChunkFrames = 256;

bool Readable(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return f.good();
}

void Quiet(int, const char*, void*) {}

void QuietenSynthLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_WARN, Quiet, nullptr);
        fluid_set_log_function(FLUID_INFO, Quiet, nullptr);
        fluid_set_log_function(FLUID_DBG, Quiet, nullptr);
    });
}

uint32_t Be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

std::atomic<uint32_t> g_nextId{1};

} // namespace

std::string FindSoundFont() {
    if (const char* env = std::getenv("QV_SOUNDFONT"))
        return Readable(env) ? std::string(env) : std::string();
    for (const char* f : kFonts)
        if (Readable(f)) return f;
    return {};
}

bool LooksLikeMidi(const uint8_t* data, size_t size) {
    if (!data || size < 14 || std::memcmp(data, "MThd", 4) != 0) return false;
    const uint32_t headerLength = Be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) return false;
    size_t at = 8 + headerLength;
    while (size - at >= 8) {
        if (std::memcmp(data + at, "MTrk", 4) == 0) return true;
        const uint32_t length = Be32(data + at + 4);
        if (length > size - at - 8) return false;
        at += 8 + length;
    }
    return false;
}

struct MidiSong::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    std::vector<uint8_t> file;
    std::vector<float> left, right;
    int rate = kDeviceRate;

    ~Impl() {
        if (player) {
            fluid_player_stop(player);
            delete_fluid_player(player);
        }
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }

    // A fresh player at the start of the file (a finished player cannot be restarted).
    bool NewPlayer() {
        if (player) {
            fluid_player_stop(player);
            delete_fluid_player(player);
            player = nullptr;
        }
        fluid_synth_all_sounds_off(synth, -1);
        fluid_synth_system_reset(synth);
        player = new_fluid_player(synth);
        if (!player) return false;
        return fluid_player_add_mem(player, file.data(), file.size()) == FLUID_OK;
    }
};

std::unique_ptr<MidiSong> MidiSong::Open(AudioMixer& mixer, const std::string& path, Error* error) {
    auto fail = [error](Error e) {
        if (error) *error = e;
        return nullptr;
    };
    const std::string font = FindSoundFont();
    if (font.empty()) return fail(Error::NoFont);
    std::ifstream f(path, std::ios::binary);
    if (!f) return fail(Error::NoFile);
    auto impl = std::make_unique<Impl>();
    impl->file.resize(kMaxMidiFileBytes);
    f.read(reinterpret_cast<char*>(impl->file.data()), static_cast<std::streamsize>(impl->file.size()));
    impl->file.resize(static_cast<size_t>(f.gcount()));
    if (!LooksLikeMidi(impl->file.data(), impl->file.size())) return fail(Error::NotMidi);

    QuietenSynthLog();
    impl->rate = mixer.Rate() > 0 ? mixer.Rate() : kDeviceRate;
    impl->settings = new_fluid_settings();
    if (!impl->settings) return fail(Error::Synth);
    fluid_settings_setnum(impl->settings, "synth.sample-rate", impl->rate);
    fluid_settings_setnum(impl->settings, "synth.gain", kSynthGain);
    fluid_settings_setint(impl->settings, "synth.chorus.active", 0);
    fluid_settings_setint(impl->settings, "synth.cpu-cores", 1);
    // The song's clock is the samples rendered, not the wall clock.
    fluid_settings_setstr(impl->settings, "player.timing-source", "sample");
    impl->synth = new_fluid_synth(impl->settings);
    if (!impl->synth) return fail(Error::Synth);
    if (fluid_synth_sfload(impl->synth, font.c_str(), 1) == FLUID_FAILED) return fail(Error::NoFont);
    if (!impl->NewPlayer()) return fail(Error::NotMidi);
    if (error) *error = Error::None;
    std::unique_ptr<MidiSong> song(new MidiSong(mixer, std::move(impl)));
    mixer.AddSource(song.get());
    return song;
}

MidiSong::MidiSong(AudioMixer& mixer, std::unique_ptr<Impl> impl)
    : mixer_(mixer), impl_(std::move(impl)), id_(g_nextId.fetch_add(1)) {}

MidiSong::~MidiSong() {
    mixer_.RemoveSource(this);
}

bool MidiSong::Play() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (playing_ && !impl_->NewPlayer()) return false;
    if (!playing_ && fluid_player_get_status(impl_->player) != FLUID_PLAYER_READY && !impl_->NewPlayer())
        return false;
    if (fluid_player_play(impl_->player) != FLUID_OK) return false;
    playing_ = true;
    return true;
}

void MidiSong::Stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!playing_) return;
    playing_ = false;
    fluid_player_stop(impl_->player);
    fluid_synth_all_sounds_off(impl_->synth, -1);
}

bool MidiSong::IsPlaying() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return playing_;
}

void MidiSong::SetVolumeWord(uint32_t word) {
    std::lock_guard<std::mutex> lock(mutex_);
    volumeWord_ = word;
}

uint32_t MidiSong::VolumeWord() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return volumeWord_;
}

void MidiSong::MixInto(int32_t* acc, int frames, int rate) {
    // The audio thread never waits: a song busy on the main thread adds nothing this period.
    std::unique_lock<std::mutex> lock(mutex_, std::try_to_lock);
    if (!lock || frames <= 0 || rate != impl_->rate) return;
    const float gainLeft = static_cast<float>(volumeWord_ & 0xFFFF) / 65535.0f * 32768.0f;
    const float gainRight = static_cast<float>(volumeWord_ >> 16) / 65535.0f * 32768.0f;
    Impl& m = *impl_;
    if (m.left.size() < kChunkFrames) {
        m.left.resize(kChunkFrames);
        m.right.resize(kChunkFrames);
    }
    for (int done = 0; done < frames;) {
        const int n = std::min(kChunkFrames, frames - done);
        fluid_synth_write_float(m.synth, n, m.left.data(), 0, 1, m.right.data(), 0, 1);
        int32_t* out = acc + 2 * done;
        for (int i = 0; i < n; ++i) {
            out[2 * i] += static_cast<int32_t>(std::clamp(m.left[i] * gainLeft, -32768.0f, 32767.0f));
            out[2 * i + 1] += static_cast<int32_t>(std::clamp(m.right[i] * gainRight, -32768.0f, 32767.0f));
        }
        done += n;
    }
    // The song ends with its last event; the synthesiser's own player would wait for the last
    // voice's release as well.
    const int total = fluid_player_get_total_ticks(m.player);
    if (playing_ && (fluid_player_get_status(m.player) == FLUID_PLAYER_DONE ||
                     (total > 0 && fluid_player_get_current_tick(m.player) >= total))) {
        playing_ = false;
        fluid_player_stop(m.player);
        PostMessage(MM_MCINOTIFY, kMciNotifySuccessful, static_cast<intptr_t>(id_));
    }
}

} // namespace platform
