#pragma once
// The game's sound effects: samples from "sound.mul" on eight fixed voices, placed left or right
// and quieter with distance from the player, and one looping ambient sound that cross-fades when
// it changes. The module owns the process's audio device, which the music player reuses.
//
// Levels are hundredths of a decibel: a requested volume runs from 0 (full) to -2500, a pan from
// -2500 (left) to 2500 (right); frequency 0 is a voice's own rate.
#include "platform/Audio.h"

#include <cstdint>
#include <functional>

class CStreamBuf;

namespace SoundManager {

constexpr int kVoiceCount = 8;
constexpr int kSoundCount = 1237;
constexpr int kNoSound = 0xFFFF;

// What the sound code needs of the world, set by whoever owns the world (media includes nothing
// above core). Empty entries: no player (every positional sound is at its quietest), the feature
// word and body conversion of the .def tables (core/DefManager).
struct SoundListener {
    // The player's cell; false when there is no player.
    std::function<bool(int& x, int& y)> playerCell;
    // Chebyshev distance in cells, 9999 across the world's wrap seam.
    std::function<int(int x, int y, int px, int py)> distance;
    std::function<uint32_t()> featureFlags;
    std::function<bool()> bodyConvLoaded;
};
void SetSoundListener(SoundListener listener);

// Start-up: logs, copies "Sound" and "SoundVol", clears the ambient state and the voices.
void CSoundManager();
// Opens the audio device, its primary buffer and the eight voices once the main window exists.
void InitDirectSound(uintptr_t window = 0);
void shutdown();

// A voice index 0..7, or -1 when nothing plays.
int PlaySound(int id, int pan, int volume, bool loop, int pitchVariance, bool allowSecondCopy);
int PlaySoundAt(int id, int x, int y, float scale, bool loop, int pitchVariance, bool allowSecondCopy);
int PlaySoundIfEnabled(int id, int pan, int volume);
// 0 or 0xFFFF: no ambient sound.
void PlayAmbientSound(int id);
// Refills the voices and steps the ambient cross-fade (20 hundredths of a decibel per call).
void Update();
void SetVolume(int volume); // 0..255
void EnableSound(bool on);
bool IsEnabled();
// The "DirectSound Error" box: the message, the code's name when it is known, and the extra text.
void ReportError(const char* message, platform::AudioResult code, const char* extra);
// The text of that box.
std::string ErrorText(const char* message, platform::AudioResult code, const char* extra);

// Binds the connection's sound entries (net/NetServices) to this module; the application calls it
// directly.
void BindServices();

// ---------------------------------------------------------------- state, for tests and tools
struct Ambient {
    int id = 0;
    int voice = -1;
    int level = -10000;
};
Ambient CurrentAmbient();
Ambient FadingAmbient();
CStreamBuf* Voice(int index); // null without a device
platform::AudioDevice* Device();
// Back to the state before start-up (closes the device).
void ResetForTests();

} // namespace SoundManager
