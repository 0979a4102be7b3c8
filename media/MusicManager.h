#pragma once
// The background music: each song (0..48) plays digitally when the installation lists an MPEG-audio
// file for it ("MUSIC\DIGITAL\CONFIG.TXT", media/mp3.h), else from its MIDI file through the MIDI
// device (platform/Midi.h). Songs follow one another in a rotation when a MIDI song ends
// (MM_MCINOTIFY), combat songs start and stop with war mode, and the options "Music", "MusicVol"
// and "CombatMusic" apply. Main thread only; device work runs under the timer busy flag.
#include <cstdint>
#include <functional>
#include <string>

namespace MusicManager {

constexpr int kSongCount = 49;
constexpr int kNoSong = 0xFFFF;
constexpr int kDeathSong = 42;
constexpr uint32_t kIgnoreWindowMs = 10000;
constexpr int kCombatCheckCalls = 36;
// The song table: index = song id.
extern const char* const kSongNames[kSongCount];

// What the music needs of the world (media includes nothing above core). Empty entries: the player
// object of the world model, the application's war mode, the .def tables' feature word and body
// conversion, and the wall clock's seconds since midnight.
struct MusicListener {
    std::function<bool()> hasPlayer;
    std::function<bool()> inWarMode;
    std::function<uint32_t()> featureFlags;
    std::function<bool()> bodyConvLoaded;
    std::function<uint32_t()> secondsOfDay;
};
void SetMusicListener(MusicListener listener);

void CMusicManager();
void shutdown();
// 1 when done or ignored, 0 when refused or nothing could be played.
int PlaySong(int id, int restart, bool force);
void PlayNextSong();
void Update();
void SetVolume(int volume); // 0..255
void EnableMusic(bool on);
bool IsEnabled();
void StopSong();
// "music\<name>" under the installation folder, else under the CD folder; empty when neither opens.
std::string GetSongPath(const char* fileName);
int PlayMidiFile(const char* fileName);

// Binds the connection's music entry (net/NetServices); the application calls the rest directly.
void BindServices();

// ---------------------------------------------------------------- state, for tests and tools
int CurrentSong();
int RotationCounter();
int Volume(); // 0..255
bool IsPlaying();
bool MidiOpen();
// Back to the state before start-up (closes the song, destroys the digital player).
void ResetForTests();

} // namespace MusicManager
