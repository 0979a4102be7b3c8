#pragma once
// Lays the fuzzer's bytes out as frames under one valid 4-byte header: each body takes the next
// `body` bytes, the last is padded with zeros, at most `frames` frames (the first always).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qvfuzz {

inline void LayFrames(std::vector<uint8_t>& stream, const uint8_t header[4], size_t body, const uint8_t* rest,
                      size_t left, int frames) {
    stream.clear();
    for (int frame = 0; frame < frames && (frame == 0 || left > 0); ++frame) {
        stream.insert(stream.end(), header, header + 4);
        const size_t take = left < body ? left : body;
        stream.insert(stream.end(), rest, rest + take);
        stream.resize(stream.size() + body - take, 0);
        rest += take;
        left -= take;
    }
}

} // namespace qvfuzz
