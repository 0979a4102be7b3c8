// mp3dec [--synthesis=fixed|float] IN OUT.wav: decodes an MPEG audio file with the client's decoder
// into a 16-bit WAV file. Decoding starts at the file's first 0xFF byte, as the music player starts
// it. Layer III hands over to the fixed-point synthesis unless float is asked for.
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr int kReadBytes = 131072;

void PutLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> WavHeader(int rate, int channels, uint32_t dataBytes) {
    std::vector<uint8_t> h;
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLE(h, 36 + dataBytes, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLE(h, 16, 4);
    PutLE(h, 1, 2);
    PutLE(h, static_cast<uint32_t>(channels), 2);
    PutLE(h, static_cast<uint32_t>(rate), 4);
    PutLE(h, static_cast<uint32_t>(rate * channels * 2), 4);
    PutLE(h, static_cast<uint32_t>(channels * 2), 2);
    PutLE(h, 16, 2);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLE(h, dataBytes, 4);
    return h;
}

} // namespace

int main(int argc, char** argv) {
    CMpegAudioDecoder::Synthesis synthesis = CMpegAudioDecoder::Synthesis::Fixed;
    if (argc == 4 && std::strcmp(argv[1], "--synthesis=float") == 0) {
        synthesis = CMpegAudioDecoder::Synthesis::Float;
        ++argv, --argc;
    } else if (argc == 4 && std::strcmp(argv[1], "--synthesis=fixed") == 0) {
        ++argv, --argc;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: mp3dec [--synthesis=fixed|float] IN OUT.wav\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "mp3dec: cannot read %s\n", argv[1]);
        return 2;
    }
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const void* first = file.empty() ? nullptr : std::memchr(file.data(), 0xFF, file.size());
    const size_t start =
        first ? static_cast<size_t>(static_cast<const uint8_t*>(first) - file.data()) : file.size();

    CMpegAudioDecoder decoder;
    decoder.setSynthesis(synthesis);
    if (decoder.Open(file.data() + start, file.size() - start) != 0) {
        std::fprintf(stderr, "mp3dec: no acceptable MPEG audio header at byte %zu of %s\n", start, argv[1]);
        return 1;
    }
    const int rate = decoder.sampleRate(), channels = decoder.channels(), layer = decoder.layer();

    std::ofstream out(argv[2], std::ios::binary);
    std::vector<uint8_t> header = WavHeader(rate, channels, 0);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    std::vector<uint8_t> buffer(kReadBytes);
    uint64_t pcmBytes = 0;
    for (int n; (n = decoder.Read(buffer.data(), kReadBytes)) > 0;) {
        out.write(reinterpret_cast<const char*>(buffer.data()), n);
        pcmBytes += static_cast<uint64_t>(n);
    }
    const uint32_t dataBytes = pcmBytes > 0xFFFFFFDBu ? 0xFFFFFFDBu : static_cast<uint32_t>(pcmBytes);
    header = WavHeader(rate, channels, dataBytes);
    out.seekp(0);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "mp3dec: cannot write %s\n", argv[2]);
        return 2;
    }
    const uint64_t stopped = start + static_cast<uint64_t>(decoder.nextFramePosition() / 8);
    std::printf("layer %d, %d Hz, %d channel%s, %lld frames, %llu samples per channel\n", layer, rate,
                channels, channels == 1 ? "" : "s", static_cast<long long>(decoder.framesDecoded()),
                static_cast<unsigned long long>(pcmBytes / 2 / static_cast<uint64_t>(channels)));
    std::printf("stream starts at byte %zu; decoding stopped at byte %llu of %zu\n", start,
                static_cast<unsigned long long>(stopped), file.size());
    return 0;
}
