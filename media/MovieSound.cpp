#include "media/MovieSound.h"

#include "core/QVReport.h"

#include <algorithm>
#include <cstring>

namespace movie {

const int kBlockFilters[4][2] = {{0, 0}, {240, 0}, {460, -208}, {392, -220}};

const int16_t kImaSteps[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int8_t kImaIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

namespace {

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

uint32_t Le32(const uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
int16_t Le16s(const uint8_t* p) {
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}

} // namespace

AudioFormat ReadAudioHeader(const uint8_t* data, size_t size) {
    AudioFormat defaults;
    AudioFormat f;
    size_t pos = 4;
    // Records before the marker are skipped whole.
    while (pos < size && data[pos] != 0xFD) {
        if (pos + 2 > size) return defaults;
        pos += 2 + data[pos + 1];
    }
    if (pos >= size) return defaults;
    ++pos;
    while (pos < size) {
        uint8_t tag = data[pos];
        if (tag == 0x8A) return f;
        if (pos + 2 > size) break;
        size_t length = data[pos + 1];
        if (pos + 2 + length > size) break;
        int64_t value = 0;
        for (size_t i = 0; i < length; ++i)
            value = (value << 8) | data[pos + 2 + i];
        if (length >= 1 && length <= 3 && (value >> (8 * length - 1)) & 1)
            value -= int64_t{1} << (8 * length);
        int v = static_cast<int>(value);
        switch (tag) {
        case 0x81:
            f.bits = v;
            break;
        case 0x82:
            f.channels = v;
            break;
        case 0x83:
            f.compression = v;
            break;
        case 0x84:
            f.rate = v;
            break;
        default:
            break;
        }
        pos += 2 + length;
    }
    QVReport::message("MovieReadAudioHeader: header without its end record; defaults kept.\n");
    return defaults;
}

int16_t DecodeImaCode(int code, int32_t& predictor, int32_t& stepIndex) {
    int step = kImaSteps[std::clamp(stepIndex, 0, 88)];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    if (code & 8) diff = -diff;
    predictor = Clamp16(int64_t{predictor} + diff);
    stepIndex = std::clamp(stepIndex + kImaIndexTable[code & 7], 0, 88);
    return static_cast<int16_t>(predictor);
}

int16_t DecodeBlockNibble(int code, int filter, int shift, int32_t& newest, int32_t& previous) {
    const int* k = kBlockFilters[filter < 4 ? filter : 0];
    int32_t t = static_cast<int32_t>(static_cast<uint32_t>(code & 15) << 28) >> shift;
    int16_t sample = Clamp16((int64_t{t} + int64_t{k[0]} * newest + int64_t{k[1]} * previous + 128) >> 8);
    previous = newest;
    newest = sample;
    return sample;
}

void MovieDecodeBlockAdpcmMono(int blocks, int32_t& newest, int32_t& previous, const uint8_t* data,
                               int16_t*& out) {
    for (int b = 0; b < blocks; ++b, data += 15) {
        int filter = data[0] >> 4, shift = (data[0] & 15) + 8;
        for (int i = 0; i < 14; ++i) {
            for (int code : {data[1 + i] >> 4, data[1 + i] & 15}) {
                int16_t s = DecodeBlockNibble(code, filter, shift, newest, previous);
                *out++ = s;
                *out++ = s;
            }
        }
    }
}

void MovieDecodeBlockAdpcmStereo(int blocks, int32_t& leftNewest, int32_t& leftPrevious, int32_t& rightNewest,
                                 int32_t& rightPrevious, const uint8_t* data, int16_t*& out) {
    for (int b = 0; b < blocks; ++b, data += 30) {
        int lf = data[0] >> 4, rf = data[0] & 15;
        int ls = (data[1] >> 4) + 8, rs = (data[1] & 15) + 8;
        for (int i = 0; i < 28; ++i) {
            *out++ = DecodeBlockNibble(data[2 + i] >> 4, lf, ls, leftNewest, leftPrevious);
            *out++ = DecodeBlockNibble(data[2 + i] & 15, rf, rs, rightNewest, rightPrevious);
        }
    }
}

void MovieDecodeStreamAdpcmStereo(const uint8_t* data, int16_t*& out, size_t bytes, int32_t predictors[2],
                                  int32_t stepIndexes[2]) {
    for (size_t i = 0; i < bytes; ++i) {
        *out++ = DecodeImaCode(data[i] >> 4, predictors[0], stepIndexes[0]);
        *out++ = DecodeImaCode(data[i] & 15, predictors[1], stepIndexes[1]);
    }
}

namespace {

size_t PcmFrames(const AudioFormat& format, const uint8_t* data, size_t size) {
    if (size < 4) return 0;
    size_t n = Le32(data);
    size_t bytesPerFrame = format.channels == 2 ? 4 : 2;
    size_t fits = (size - 4) / bytesPerFrame;
    if (n > fits) {
        QVReport::message("MovieReadAudioChunk: %zu samples announced, %zu in the chunk.\n", n, fits);
        n = fits;
    }
    return n;
}

size_t BlockCount(const AudioFormat& format, size_t size) {
    return size < 12 ? 0 : (size - 12) / (format.channels == 2 ? 30 : 15);
}

} // namespace

size_t DecodedAudioBytes(const AudioFormat& format, const uint8_t* data, size_t size) {
    switch (format.compression) {
    case 0:
        return PcmFrames(format, data, size) * 4;
    case 7:
        return BlockCount(format, size) * 112;
    default:
        return size * 4; // IMA: one frame per byte; unknown codings play as long in silence
    }
}

void DecodeAudioChunk(const AudioFormat& format, SoundState& state, const uint8_t* data, size_t size,
                      std::vector<int16_t>& out) {
    out.assign(DecodedAudioBytes(format, data, size) / 2, 0);
    int16_t* p = out.data();
    switch (format.compression) {
    case 0: {
        size_t n = PcmFrames(format, data, size);
        const uint8_t* s = data + 4;
        for (size_t i = 0; i < n; ++i) {
            if (format.channels == 2) {
                *p++ = Le16s(s);
                *p++ = Le16s(s + 2);
                s += 4;
            } else {
                *p++ = Le16s(s);
                *p++ = Le16s(s);
                s += 2;
            }
        }
        break;
    }
    case 7: {
        int blocks = static_cast<int>(BlockCount(format, size));
        if (blocks == 0) break;
        int32_t h[4];
        for (int i = 0; i < 4; ++i)
            h[i] = Le16s(data + 4 + 2 * i);
        if (format.channels == 2)
            MovieDecodeBlockAdpcmStereo(blocks, h[0], h[1], h[2], h[3], data + 12, p);
        else
            MovieDecodeBlockAdpcmMono(blocks, h[0], h[1], data + 12, p);
        for (int i = 0; i < 4; ++i)
            state.history[i] = static_cast<int16_t>(h[i]);
        break;
    }
    case 10:
        MovieDecodeStreamAdpcmStereo(data, p, size, state.predictor, state.stepIndex);
        break;
    default:
        break; // silence
    }
}

} // namespace movie
