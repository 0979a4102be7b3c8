// Layer I and II frame bodies from the fuzzer under valid headers: the first three bytes choose the
// header (layer, MPEG-1 or lower rate, bitrate, sampling rate, mode, mode extension, CRC, padding),
// the rest is cut into the bodies of up to two frames.
#include "fuzz/support/FrameLayout.h"
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const int layer = 1 + (data[0] & 1);
    const int lower = (data[0] >> 1) & 1;
    const int crc = (data[0] >> 2) & 1;
    const int padding = (data[0] >> 3) & 1;
    const int bitrateIndex = 1 + data[1] % 14;
    const int sampling = (data[1] >> 4) % 3;
    const int mode = data[2] & 3, extension = (data[2] >> 2) & 3;
    const uint32_t header = 0xFFF00000u | uint32_t(lower ? 0 : 1) << 19 | uint32_t(4 - layer) << 17 |
                            uint32_t(crc ? 0 : 1) << 16 | uint32_t(bitrateIndex) << 12 |
                            uint32_t(sampling) << 10 | uint32_t(padding) << 9 | uint32_t(mode) << 6 |
                            uint32_t(extension) << 4;
    static CMpegAudioDecoder probe;
    uint8_t bytes[4] = {uint8_t(header >> 24), uint8_t(header >> 16), uint8_t(header >> 8), uint8_t(header)};
    if (probe.Open(bytes, 4) != 0) std::abort(); // every header built here is acceptable
    const size_t body = static_cast<size_t>(probe.frameDataLength());

    std::vector<uint8_t> stream;
    qvfuzz::LayFrames(stream, bytes, body, data + 3, size - 3, 2);
    static CMpegAudioDecoder decoder;
    if (decoder.Open(stream.data(), stream.size()) != 0) std::abort();
    static std::vector<uint8_t> out(16384);
    int64_t total = 0;
    for (int n; (n = decoder.Read(out.data(), static_cast<int>(out.size()))) > 0;)
        total += n;
    const int64_t frames = static_cast<int64_t>(stream.size() / (body + 4));
    if (decoder.framesDecoded() != frames || total > frames * decoder.deliveredBytesPerFrame()) std::abort();
    return 0;
}
