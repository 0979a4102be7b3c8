#pragma once
// The music: 49 MIDI songs "music/song00.mid" .. "song48.mid" written by a small format-0 writer,
// the digital song list "MUSIC\DIGITAL\CONFIG.TXT" and two short MPEG-audio songs (Layer I).
//
// Songs (480 ticks per quarter note, 120 beats per minute unless said):
// - song 0: silence for kSong0OnsetMs, then middle C on an organ to kSong0LengthMs;
// - song 1: half a second, one note from the start;
// - song 2: one note held over a tempo change: a quarter at 120, then two quarters at 240 (1 s);
// - songs 3..48: one note of one second, its pitch 48 + id.
#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

namespace SampleMusic {
constexpr int kSongs = 49;
constexpr int kSong0OnsetMs = 250;
constexpr int kSong0LengthMs = 2000;
constexpr int kShortSong = 1;
constexpr int kShortLengthMs = 500;
constexpr int kTempoSong = 2;
constexpr int kTempoLengthMs = 1000;
constexpr int kOtherLengthMs = 1000;
// The digital songs: "theme.mp3" (stereo, 1.5 s, song 0) and "short.mp3" (stereo, 0.3 s).
constexpr double kThemeSeconds = 1.5;
constexpr double kShortSeconds = 0.3;
constexpr int kDigitalRate = 44100;
} // namespace SampleMusic

// The length in milliseconds of MIDI song id.
int MidiSongLengthMs(int id);
// A format-0 MIDI file: one note (pitch, program) from onsetMs to lengthMs; a tempo change to
// 240 bpm after the first quarter note when tempoChange.
std::vector<uint8_t> MidiSong(int pitch, int program, int onsetMs, int lengthMs, bool tempoChange);
// The PCM and stream of a digital song (seeded sweep).
std::vector<int16_t> DigitalSongPcm(double seconds, int channels, uint32_t seed);
std::vector<uint8_t> DigitalSongStream(double seconds, int channels, uint32_t seed);
// The text of "CONFIG.TXT" as written.
std::string DigitalMusicConfigText();

bool WriteMusicFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
