#pragma once
// The character data: the speech and emote hue of each of the five character slots, kept in
// "chardata.mul" (ten little-endian u16: the five speech hues, then the five emote hues). The
// current hues are those of the default slot ("DefaultChar").
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace CharData {

constexpr int kSlots = 5;
constexpr uint16_t kDefaultSpeechHue = 690;
constexpr uint16_t kDefaultEmoteHue = 549;
constexpr const char* kFileName = "chardata.mul";
constexpr size_t kFileBytes = 4 * kSlots;

uint16_t GetSpeechHue(int slot); // the default hue outside 0..4
uint16_t GetEmoteHue(int slot);
void SetSpeechHue(int slot, uint16_t hue); // nothing outside 0..4
void SetEmoteHue(int slot, uint16_t hue);

// The hues from file bytes; a short file sets the hues it holds and leaves the others.
void LoadFromBytes(const uint8_t* data, size_t size);
std::vector<uint8_t> ToBytes();
// Where the file lives now: the per-character place, else the working folder's file.
std::string FilePlace();

void ResetForTests();

} // namespace CharData

namespace CApp {
// Default hues, then the file from its place (the working folder's file when that does not open).
void LoadCharData();
// The ten hues to the same place, falling back to the working folder; a failure is a warning.
void SaveCharData();
// The current hues: the default slot's.
uint16_t GetSpeechHue();
uint16_t GetEmoteHue();
// The current hue and the default slot's entry.
void SetSpeechHue(uint16_t hue);
void SetEmoteHue(uint16_t hue);
} // namespace CApp
