#pragma once
// "soundidx.mul" and "sound.mul": sounds of known content, each a 40-byte header (bytes 0xAB,
// never played) followed by 16-bit mono PCM at 22,048 samples per second. Tests compute what a
// sound holds with SoundSample.
#include <cstdint>
#include <string>

namespace mkinstall {

namespace SampleSound {
// Sine tones: sound k (1..9) is k x 344.5 Hz (a period of 64 / k samples), one second long.
constexpr int kFirstTone = 1;
constexpr int kLastTone = 9;
constexpr int kToneSamples = 22048;
constexpr int kToneAmplitude = 12000;
constexpr int kRamp = 10;        // sample i is (i mod 65536) - 32768, three seconds
constexpr int kLongTone = 11;    // 441 Hz, three seconds (66,144 samples)
constexpr int kShortLoop = 12;   // 300 samples, i x 100 - 15000: shorter than the cursor gap
constexpr int kHeaderOnly = 13;  // a 40-byte item: nothing to play
constexpr int kOddLength = 14;   // 500 samples (i x 50 - 12000) and half a sample more
constexpr int kSubstituted = 30; // missing; "sound.def" sends it to sound 5
constexpr int kSubstitute = 5;
constexpr int kRecords = 64; // records in "soundidx.mul"; the others are missing
} // namespace SampleSound

// The number of whole samples of a sample sound (0 for a missing one).
int SoundSampleCount(int id);
// Sample i of a sample sound.
int16_t SoundSample(int id, int i);
// The item bytes of a sample sound as written (empty for a missing one).
std::string SoundItem(int id);

// Writes both files (replacing them).
bool WriteSoundFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
