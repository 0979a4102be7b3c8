#pragma once
// "lightidx.mul" and "light.mul": five light bitmaps of known content. Ids 0..3 are round
// gradients that lighten (their value falls from the peak at the centre to 0 at the radius), id 4
// darkens; the other index entries are empty.
#include <cstdint>
#include <string>
#include <vector>

namespace mkinstall {

struct SampleLight {
    int id;
    int size;   // width and height
    int peak;   // the centre value; negative darkens
    int radius; // where the value reaches 0
};
const std::vector<SampleLight>& SampleLights();
constexpr int kLightIndexEntries = 100;
constexpr int kDarkeningLightId = 4;

// The value at column x, row y of a sample light.
int SampleLightValue(const SampleLight& light, int x, int y);

struct LightFilePair {
    std::string index; // 12-byte entries
    std::string data;  // signed bytes
};
LightFilePair MakeLightFiles();

// Writes both files (replacing them).
bool WriteLightFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
