#include "mkinstall/SoundFiles.h"

#include "mkinstall/DataFiles.h"

#include <cmath>
#include <vector>

namespace mkinstall {

using namespace SampleSound;

int SoundSampleCount(int id) {
    if (id >= kFirstTone && id <= kLastTone) return kToneSamples;
    switch (id) {
    case kRamp:
    case kLongTone:
        return 3 * 22048;
    case kShortLoop:
        return 300;
    case kOddLength:
        return 500;
    default:
        return 0;
    }
}

int16_t SoundSample(int id, int i) {
    if (id >= kFirstTone && id <= kLastTone)
        return static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(2 * M_PI * id * i / 64.0)));
    switch (id) {
    case kRamp:
        return static_cast<int16_t>(i % 65536 - 32768);
    case kLongTone:
        return static_cast<int16_t>(std::lround(kToneAmplitude * std::sin(2 * M_PI * 441.0 * i / 22048.0)));
    case kShortLoop:
        return static_cast<int16_t>(i * 100 - 15000);
    case kOddLength:
        return static_cast<int16_t>(i * 50 - 12000);
    default:
        return 0;
    }
}

std::string SoundItem(int id) {
    if (id == kHeaderOnly) return std::string(40, '\xAB');
    const int n = SoundSampleCount(id);
    if (n == 0) return {};
    std::string item(40, '\xAB');
    item.reserve(40 + 2 * static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        const uint16_t v = static_cast<uint16_t>(SoundSample(id, i));
        item += static_cast<char>(v & 0xFF);
        item += static_cast<char>(v >> 8);
    }
    if (id == kOddLength) item += '\x7F'; // half a sample
    return item;
}

bool WriteSoundFiles(const std::string& dir, std::string* error) {
    std::vector<IndexedItem> items(kRecords);
    for (int id = 0; id < kRecords; ++id) {
        std::string item = SoundItem(id);
        if (!item.empty()) items[static_cast<size_t>(id)].bytes = std::move(item);
    }
    return WriteIndexedFiles(dir, "soundidx.mul", "sound.mul", items, error);
}

} // namespace mkinstall
