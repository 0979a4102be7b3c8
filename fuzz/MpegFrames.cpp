// The MPEG-audio decoder on raw bytes, as the music player hands it a file: Open, then Reads of
// varying sizes until it stops.
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {
// Enough frames to reach delivery past the dropped start (frame 2 for Layer I mono) and a change
// of header; few enough to keep the target quick.
constexpr int64_t kMostFrames = 3;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static CMpegAudioDecoder decoder; // reused: Open must start each stream clean
    static std::vector<uint8_t> out(8192);
    if (decoder.Open(size ? data : nullptr, size) != 0) return 0;
    const int chunks[] = {1, 997, 4608, 8192};
    int turn = size ? data[size - 1] : 0;
    while (decoder.framesDecoded() < kMostFrames) {
        const int count = chunks[turn++ % 4];
        const int n = decoder.Read(out.data(), count);
        if (n < 0 || n > count) std::abort();
        if (n == 0) break;
    }
    if (decoder.nextFramePosition() / 8 > static_cast<int64_t>(size) + 1'000'000) std::abort();
    decoder.Close();
    return 0;
}
