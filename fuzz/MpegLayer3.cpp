// Layer III frame bodies from the fuzzer under valid headers, so that side information, the bit
// reservoir, scale factors, Huffman decoding and stereo processing all see the input: the first two
// bytes choose the header (MPEG-1 or lower rate, sampling rate, mode, mode extension, CRC, bitrate)
// and the synthesis form; the rest is cut into the bodies of up to two frames (the second reads main data of
// the first).
#include "fuzz/support/FrameLayout.h"
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int lower = data[0] & 1;
    const int sampling = (data[0] >> 1 & 3) % 3;
    const int mode = data[0] >> 3 & 3, extension = data[0] >> 5 & 3;
    const int crc = data[0] >> 7 & 1;
    const int bitrateIndex = 1 + (data[1] & 15) % 14;
    // The float form is the Layer I/II synthesis, fuzzed there as well: one input in four here.
    const bool useFloat = (data[1] >> 4 & 3) == 3;
    const uint32_t header = 0xFFF00000u | uint32_t(lower ? 0 : 1) << 19 | 1u << 17 |
                            uint32_t(crc ? 0 : 1) << 16 | uint32_t(bitrateIndex) << 12 |
                            uint32_t(sampling) << 10 | uint32_t(mode) << 6 | uint32_t(extension) << 4;
    const uint8_t bytes[4] = {uint8_t(header >> 24), uint8_t(header >> 16), uint8_t(header >> 8),
                              uint8_t(header)};
    static CMpegAudioDecoder probe;
    if (probe.Open(bytes, 4) != 0) std::abort(); // every header built here is acceptable
    const size_t body = static_cast<size_t>(probe.frameDataLength());

    static std::vector<uint8_t> stream;
    qvfuzz::LayFrames(stream, bytes, body, data + 2, size - 2, 2);
    static CMpegAudioDecoder decoder;
    decoder.setSynthesis(useFloat ? CMpegAudioDecoder::Synthesis::Float
                                  : CMpegAudioDecoder::Synthesis::Fixed);
    if (decoder.Open(stream.data(), stream.size()) != 0) std::abort();
    static std::vector<int16_t> pcm(CMpegAudioDecoder::kFrameSamples);
    const int64_t frames = static_cast<int64_t>(stream.size() / (body + 4));
    for (int64_t k = 0; k < frames; ++k)
        if (decoder.DecodeFrame(pcm.data()) != 0) std::abort();
    if (decoder.DecodeFrame(pcm.data()) != -1) std::abort();
    for (int ch = 0; ch < 2; ++ch)
        if (decoder.nonzeroCount(ch) < 0 || decoder.nonzeroCount(ch) > 576) std::abort();
    return 0;
}
