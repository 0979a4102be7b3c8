// The movie's sound: byte 0 picks the coding and channels, bytes 1-2 the length of an audio header
// payload that follows; the rest is one audio data payload (and again as a second chunk).
#include "media/MovieSound.h"
#include "core/QVReport.h"

#include <algorithm>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (QVReport::startWithoutFile(), true);
    (void)started;
    if (size < 3) return 0;
    static const int kCodings[4] = {0, 7, 10, 3};
    size_t headerSize = std::min<size_t>(size - 3, data[1] | (data[2] << 8));
    movie::AudioFormat header = movie::ReadAudioHeader(data + 3, headerSize);
    (void)header;
    movie::AudioFormat f{(data[0] & 4) ? 2 : 1, 22050, 16, kCodings[data[0] & 3]};
    movie::SoundState state;
    std::vector<int16_t> out;
    const uint8_t* payload = data + 3 + headerSize;
    size_t n = size - 3 - headerSize;
    for (int i = 0; i < 2; ++i) {
        movie::DecodeAudioChunk(f, state, payload, n, out);
        if (out.size() != movie::DecodedAudioBytes(f, payload, n) / 2) __builtin_trap();
    }
    return 0;
}
