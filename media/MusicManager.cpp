#include "media/MusicManager.h"

#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/ShutdownSequence.h"
#include "core/TimerLock.h"
#include "media/SoundManager.h"
#include "media/mp3.h"
#include "net/NetServices.h"
#include "platform/Midi.h"
#include "world/PlayerObject.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace MusicManager {

// The installed music's MIDI files, one per song id: 0..8 the world rotation, 38..40 the combat
// songs, 42 the death song.
const char* const kSongNames[kSongCount] = {
    "song00.mid", "song01.mid", "song02.mid", "song03.mid", "song04.mid", "song05.mid", "song06.mid",
    "song07.mid", "song08.mid", "song09.mid", "song10.mid", "song11.mid", "song12.mid", "song13.mid",
    "song14.mid", "song15.mid", "song16.mid", "song17.mid", "song18.mid", "song19.mid", "song20.mid",
    "song21.mid", "song22.mid", "song23.mid", "song24.mid", "song25.mid", "song26.mid", "song27.mid",
    "song28.mid", "song29.mid", "song30.mid", "song31.mid", "song32.mid", "song33.mid", "song34.mid",
    "song35.mid", "song36.mid", "song37.mid", "song38.mid", "song39.mid", "song40.mid", "song41.mid",
    "song42.mid", "song43.mid", "song44.mid", "song45.mid", "song46.mid", "song47.mid", "song48.mid",
};

namespace {

constexpr int kRotationSongs = 9;
constexpr int kCombatFirst = 38;
constexpr int kCombatLast = 40;

struct State {
    std::unique_ptr<platform::MidiSong> midi; // the open device; null: none
    int current = kNoSong;
    uint32_t lastStart = 0;
    int counter = 0;
    int countdown = 0;
    bool volumeApplied = false;
    bool enabled = true;
    int volume = 255;
    bool fontMissingLogged = false;
    MusicListener listener;
};

State& M() {
    static State s;
    return s;
}

bool HasPlayer() {
    const MusicListener& l = M().listener;
    return l.hasPlayer ? l.hasPlayer() : HasPlayerObject();
}

bool InWarMode() {
    const MusicListener& l = M().listener;
    return l.inWarMode && l.inWarMode();
}

uint32_t SecondsOfDay() {
    const MusicListener& l = M().listener;
    if (l.secondsOfDay) return l.secondsOfDay();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<uint32_t>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
}

int Substitute(int id) {
    const MusicListener& l = M().listener;
    const bool bodyConv = l.bodyConvLoaded ? l.bodyConvLoaded() : DefManager::IsBodyConvLoaded();
    const uint32_t flags = l.featureFlags ? l.featureFlags() : DefManager::GetFeatureFlags();
    if (bodyConv && (flags & 2) != 0) return id;
    const DefTable* table = DefManager::GetTable(DefManager::Music);
    if (table && table->Contains(id)) return table->PickAlternative(id, 0);
    return id;
}

void CloseMidi() {
    M().midi.reset();
}

void StopDigital() {
    if (CDigitalMusicPlayer* p = GetDigitalMusicPlayer()) p->Stop();
}

// The volume word: v x 256 in each 16-bit half.
void ApplyVolume() {
    const int v = std::clamp(M().volume, 0, 255);
    const uint32_t half = static_cast<uint32_t>(v) * 256u;
    if (M().midi) M().midi->SetVolumeWord(half | (half << 16));
    if (CDigitalMusicPlayer* p = GetDigitalMusicPlayer()) p->SetVolume(v);
}

void ReloadVolume() {
    M().volume = std::clamp(::MusicVol, 0, 255);
    ApplyVolume();
}

bool SomethingPlaying() {
    if (CDigitalMusicPlayer* p = GetDigitalMusicPlayer(); p && p->IsPlaying()) return true;
    return M().midi && M().midi->IsPlaying();
}

bool CombatSong(int id) {
    return id >= kCombatFirst && id <= kCombatLast;
}

} // namespace

void SetMusicListener(MusicListener listener) {
    M().listener = std::move(listener);
}

void CMusicManager() {
    QVReport::message("MusicManager::CMusicManager(): begin.\n");
    State& m = M();
    m.volume = std::clamp(::MusicVol, 0, 255);
    m.enabled = ::Music;
    CloseMidi();
    m.current = kNoSong;
    m.counter = 0;
    m.lastStart = 0;
    m.countdown = 0;
    SeedRandom(SecondsOfDay());
    // No system MIDI mapper here, so no saved volume to restore at exit.
    platform::AudioDevice* device = SoundManager::Device();
    if (device && CreateDigitalMusicPlayer(device) && m.listener.featureFlags)
        GetDigitalMusicPlayer()->SetFeatureFlags(m.listener.featureFlags);
    if (m.enabled) PlaySong(0, 1, false);
}

void shutdown() {
    QVReport::message("MusicManager::shutdown: begin.\n");
    DestroyDigitalMusicPlayer();
    CloseMidi();
}

std::string GetSongPath(const char* fileName) {
    char name[260];
    std::snprintf(name, sizeof name, "music\\%s%s", "", fileName ? fileName : "");
    auto opens = [](const std::string& path) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return false;
        std::fclose(f);
        return true;
    };
    std::string hd = FileManager::get_HDpath(name);
    if (opens(hd)) return hd;
    if (auto cd = FileManager::get_CDpath(name); cd && opens(*cd)) return *cd;
    return {};
}

int PlayMidiFile(const char* fileName) {
    const std::string path = GetSongPath(fileName);
    platform::AudioDevice* device = SoundManager::Device();
    if (path.empty() || !device) return 0;
    platform::MidiSong::Error error = platform::MidiSong::Error::None;
    std::unique_ptr<platform::MidiSong> song = platform::MidiSong::Open(device->Mixer(), path, &error);
    if (!song) {
        if (error == platform::MidiSong::Error::NoFont && !M().fontMissingLogged) {
            M().fontMissingLogged = true;
            QVReport::warning("MusicManager: no General MIDI sound font; MIDI songs stay silent.\n");
        }
        return 0;
    }
    const int v = std::clamp(M().volume, 0, 255);
    const uint32_t half = static_cast<uint32_t>(v) * 256u;
    song->SetVolumeWord(half | (half << 16));
    if (!song->Play()) return 0;
    M().midi = std::move(song);
    return 1;
}

int PlaySong(int id, int, bool force) {
    State& m = M();
    id = Substitute(id);
    if (ShutdownSequence::IsStarted()) {
        QVReport::error("MusicManager::PlaySong: 'shutdownSequenceStarted'. program would probably crash if "
                        "we did not 'return FALSE'!");
        return 0;
    }
    if (SomethingPlaying() && !force && GetGameTicks() - m.lastStart < kIgnoreWindowMs) return 1;
    if (id < 0 || id >= kSongCount) return 0;
    if (!m.enabled || id == m.current) return 1;

    int result = 0;
    {
        TimerLockGuard lock;
        StopDigital();
        CloseMidi();
        CDigitalMusicPlayer* player = GetDigitalMusicPlayer();
        if (player && player->Play(id)) {
            ReloadVolume();
            result = 1;
        } else {
            if (id == 0) id = static_cast<int>(SecondsOfDay() % kRotationSongs);
            result = PlayMidiFile(kSongNames[id]);
        }
    }
    if (result == 0) return 0;
    if (!m.volumeApplied) {
        m.volumeApplied = true;
        ReloadVolume();
    }
    m.current = id;
    m.lastStart = GetGameTicks();
    return result;
}

void PlayNextSong() {
    State& m = M();
    if (PlaySong(m.counter, 0, false) == 0) return;
    m.counter = (m.counter + 1) & 0xFFFF;
    if (HasPlayer()) {
        if (InWarMode() && ::CombatMusic) {
            if (m.counter == 41) m.counter = kCombatFirst;
        } else if (m.counter >= kRotationSongs) {
            m.counter = 0;
        }
    } else if (m.counter >= kSongCount) {
        m.counter = 0;
    }
}

void Update() {
    State& m = M();
    if (--m.countdown <= 0) {
        m.countdown = kCombatCheckCalls;
        if (m.enabled && HasPlayer()) {
            const bool war = InWarMode();
            const bool combatPlaying = SomethingPlaying() && CombatSong(m.current);
            if (combatPlaying && !war) {
                StopDigital();
                CloseMidi();
            } else if (!combatPlaying && war && ::CombatMusic) {
                PlaySong(kCombatFirst + RandomBelow(3), 1, true);
            }
        }
    }
    ApplyVolume();
}

void SetVolume(int volume) {
    M().volume = std::clamp(volume, 0, 255);
    ApplyVolume();
}

void EnableMusic(bool on) {
    M().enabled = on;
    if (!on) {
        CloseMidi();
        StopDigital();
    }
}

bool IsEnabled() {
    return M().enabled;
}

void StopSong() {
    StopDigital();
    CloseMidi();
}

void BindServices() {
    GetNetServices().playSong = PlaySong;
}

int CurrentSong() {
    return M().current;
}

int RotationCounter() {
    return M().counter;
}

int Volume() {
    return M().volume;
}

bool IsPlaying() {
    return SomethingPlaying();
}

bool MidiOpen() {
    return M().midi != nullptr;
}

void ResetForTests() {
    DestroyDigitalMusicPlayer();
    M() = State{};
}

} // namespace MusicManager
