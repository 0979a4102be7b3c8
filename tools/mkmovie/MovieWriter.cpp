#include "mkmovie/MovieWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace moviewriter {

namespace {

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// Bits packed least significant first.
class BitPacker {
  public:
    void Put(uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= static_cast<uint8_t>(((value >> i) & 1) << (used_ % 8));
            ++used_;
        }
    }
    Bytes& Data() { return bytes_; }

  private:
    Bytes bytes_;
    size_t used_ = 0;
};

} // namespace

Bytes Chunk(const char tag[4], const Bytes& payload) {
    Bytes b(tag, tag + 4);
    Put32(b, static_cast<uint32_t>(payload.size() + 8));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

const Palette& SourcePalette() {
    static const Palette palette = [] {
        Palette p{};
        for (int i = 0; i < 224; ++i) { // a smooth loop of hues for the gradient
            double a = i * 2 * M_PI / 224;
            p[i] = {static_cast<uint8_t>(128 + 100 * std::sin(a)),
                    static_cast<uint8_t>(128 + 100 * std::sin(a + 2.1)),
                    static_cast<uint8_t>(128 + 100 * std::sin(a + 4.2))};
        }
        for (int i = 224; i < 256; ++i) // the square's colours
            p[i] = {static_cast<uint8_t>(40 + (i - 224) * 5), 215, static_cast<uint8_t>(215 - (i - 224) * 5)};
        return p;
    }();
    return palette;
}

Bytes SourcePicture(int width, int height, int t) {
    Bytes pic(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pic[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>((x + y / 4 + 2 * t) % 224);
    // A 32 x 32 square moving down and right; its 4 x 4 cells show the frame number's bits.
    int side = std::min({32, width, height});
    // Even places, so that each 2 x 2 colour sample of DCT frames lies inside the square or outside it.
    int sx = (4 * t) % std::max(1, width - side + 1) & ~1, sy = (4 * t) % std::max(1, height - side + 1) & ~1;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int cell = (y * 4 / side) * 4 + x * 4 / side;
            pic[static_cast<size_t>(sy + y) * width + sx + x] =
                static_cast<uint8_t>(((t >> cell) & 1) ? 255 : 224);
        }
    return pic;
}

Bytes PackLz(const uint8_t* data, size_t size, LzStats* stats) {
    LzStats local;
    LzStats& st = stats ? *stats : local;
    Bytes out{0x10, 0xFB, static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 8),
              static_cast<uint8_t>(size)};
    constexpr size_t kMaxDistance = 131072, kMaxLength = 1028;
    std::vector<int64_t> head(1 << 16, -1), chain(size, -1);
    auto hash = [&](size_t i) { return ((data[i] << 8) ^ (data[i + 1] << 4) ^ data[i + 2]) & 0xFFFF; };
    size_t literalStart = 0, i = 0;
    auto flushRuns = [&](size_t end) { // leaves at most 3 literals pending
        while (end - literalStart >= 4) {
            size_t n = std::min<size_t>((end - literalStart) / 4 * 4, 112);
            out.push_back(static_cast<uint8_t>(0xE0 + n / 4 - 1));
            out.insert(out.end(), data + literalStart, data + literalStart + n);
            literalStart += n;
            ++st.literalRuns;
        }
    };
    auto insert = [&](size_t p) {
        if (p + 3 > size) return;
        int h = hash(p);
        chain[p] = head[h];
        head[h] = static_cast<int64_t>(p);
    };
    while (i < size) {
        size_t bestLen = 0, bestDist = 0;
        if (i + 3 <= size) {
            int64_t cand = head[hash(i)];
            for (int tries = 0; cand >= 0 && tries < 32; ++tries, cand = chain[cand]) {
                size_t dist = i - static_cast<size_t>(cand);
                if (dist > kMaxDistance) break;
                size_t len = 0;
                while (i + len < size && len < kMaxLength && data[cand + len] == data[i + len])
                    ++len;
                if (len > bestLen) {
                    bestLen = len;
                    bestDist = dist;
                }
            }
        }
        bool fitsShort = bestLen >= 3 && bestDist <= 1024;
        bool fitsMedium = bestLen >= 4 && bestDist <= 16384;
        bool fitsLong = bestLen >= 5;
        if (!fitsShort && !fitsMedium && !fitsLong) {
            insert(i);
            ++i;
            continue;
        }
        flushRuns(i);
        size_t lit = i - literalStart, d = bestDist - 1, len;
        if (fitsShort && (bestLen <= 10 || (!fitsMedium && !fitsLong))) {
            len = std::min<size_t>(bestLen, 10);
            out.push_back(static_cast<uint8_t>(((d >> 8) << 5) | ((len - 3) << 2) | lit));
            out.push_back(static_cast<uint8_t>(d));
            ++st.shortCopies;
        } else if (fitsMedium && (bestLen <= 67 || !fitsLong)) {
            len = std::min<size_t>(bestLen, 67);
            out.push_back(static_cast<uint8_t>(0x80 | (len - 4)));
            out.push_back(static_cast<uint8_t>((lit << 6) | (d >> 8)));
            out.push_back(static_cast<uint8_t>(d));
            ++st.mediumCopies;
        } else {
            len = bestLen;
            size_t l = len - 5;
            out.push_back(static_cast<uint8_t>(0xC0 | ((d >> 16) << 4) | ((l >> 8) << 2) | lit));
            out.push_back(static_cast<uint8_t>(d >> 8));
            out.push_back(static_cast<uint8_t>(d));
            out.push_back(static_cast<uint8_t>(l));
            ++st.longCopies;
        }
        out.insert(out.end(), data + literalStart, data + i);
        for (size_t k = 0; k < len; ++k)
            insert(i + k);
        i += len;
        literalStart = i;
    }
    flushRuns(size);
    size_t lit = size - literalStart;
    out.push_back(static_cast<uint8_t>(0xFC | lit));
    out.insert(out.end(), data + literalStart, data + size);
    ++st.endLiterals;
    return out;
}

Bytes KeyFramePayload(int width, int height, const Palette& palette, const Bytes& picture, LzStats* stats) {
    Bytes b;
    Put16(b, width);
    Put16(b, height);
    Put16(b, 0);
    Put16(b, 256);
    Put32(b, 0);
    for (const auto& c : palette)
        b.insert(b.end(), c.begin(), c.end());
    Bytes lz = PackLz(picture.data(), picture.size(), stats);
    b.insert(b.end(), lz.begin(), lz.end());
    return b;
}

Bytes DeltaFramePayload(int width, int height, const Bytes& previous, const Bytes& picture,
                        const std::vector<std::pair<int, int>>& vectors, DeltaStats* stats) {
    DeltaStats local;
    DeltaStats& st = stats ? *stats : local;
    size_t blocks = static_cast<size_t>(width) * height / 16;
    std::vector<uint32_t> codes(blocks);
    Bytes raw, four;
    std::vector<uint32_t> kind(blocks); // 0 vector, 1 raw, 2 four-colour (table index in codes)
    int bw = width / 4;
    for (size_t b = 0; b < blocks; ++b) {
        int x = static_cast<int>(b % bw) * 4, y = static_cast<int>(b / bw) * 4;
        auto at = [&](const Bytes& p, int px, int py) { return p[static_cast<size_t>(py) * width + px]; };
        bool found = false;
        for (size_t v = 0; v < vectors.size() && !found; ++v) {
            int sx = x + vectors[v].first, sy = y + vectors[v].second;
            if (sx < 0 || sy < 0 || sx + 4 > width || sy + 4 > height) continue;
            bool same = true;
            for (int r = 0; r < 16 && same; ++r)
                same = at(previous, sx + r % 4, sy + r / 4) == at(picture, x + r % 4, y + r / 4);
            if (same) {
                codes[b] = static_cast<uint32_t>(v);
                found = true;
                ++st.copied;
            }
        }
        if (found) continue;
        std::vector<uint8_t> colours;
        for (int r = 0; r < 16; ++r) {
            uint8_t c = at(picture, x + r % 4, y + r / 4);
            if (std::find(colours.begin(), colours.end(), c) == colours.end()) colours.push_back(c);
        }
        if (colours.size() <= 4) {
            colours.resize(4, colours[0]);
            uint32_t mask = 0;
            for (int r = 0; r < 16; ++r) {
                uint8_t c = at(picture, x + r % 4, y + r / 4);
                uint32_t n =
                    static_cast<uint32_t>(std::find(colours.begin(), colours.end(), c) - colours.begin());
                mask |= n << (2 * (15 - r));
            }
            kind[b] = 2;
            codes[b] = static_cast<uint32_t>(four.size() / 8);
            four.insert(four.end(), colours.begin(), colours.end());
            Put32(four, mask);
            ++st.fourColour;
        } else {
            kind[b] = 1;
            codes[b] = static_cast<uint32_t>(raw.size() / 16);
            for (int r = 0; r < 16; ++r)
                raw.push_back(at(picture, x + r % 4, y + r / 4));
            ++st.raw;
        }
    }
    size_t m = vectors.size(), r = raw.size() / 16, f = four.size() / 8;
    size_t total = m + r + f;
    int k = 0;
    while ((size_t{1} << k) < total)
        ++k;
    Bytes b;
    Put16(b, static_cast<uint32_t>(m));
    Put16(b, static_cast<uint32_t>(r));
    Put16(b, static_cast<uint32_t>(f));
    Put16(b, static_cast<uint32_t>(k));
    Put32(b, 0);
    BitPacker vp;
    for (auto [dx, dy] : vectors) {
        vp.Put(static_cast<uint32_t>(dx) & 1023, 10);
        vp.Put(static_cast<uint32_t>(dy) & 1023, 10);
    }
    vp.Data().resize((20 * m + 31) / 32 * 4, 0);
    b.insert(b.end(), vp.Data().begin(), vp.Data().end());
    b.insert(b.end(), raw.begin(), raw.end());
    b.insert(b.end(), four.begin(), four.end());
    BitPacker cp;
    for (size_t i = 0; i < blocks; ++i) {
        uint32_t c = codes[i];
        if (kind[i] == 1) c += static_cast<uint32_t>(m);
        if (kind[i] == 2) c += static_cast<uint32_t>(m + r);
        cp.Put(c, k);
    }
    b.insert(b.end(), cp.Data().begin(), cp.Data().end());
    return b;
}

Bytes AudioHeaderPayload(int channels, int compression, int rate) {
    Bytes b{'P', 'T', 0, 0, 0xFD};
    auto record = [&](uint8_t tag, int value) {
        int n = 1;
        while (n < 4 && (value >> (8 * n - 1)) != 0)
            ++n; // keep the top bit clear: values are signed
        b.push_back(tag);
        b.push_back(static_cast<uint8_t>(n));
        for (int i = n - 1; i >= 0; --i)
            b.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    record(0x82, channels);
    record(0x83, compression);
    record(0x84, rate);
    record(0x81, 16);
    b.push_back(0x8A);
    b.push_back(0);
    return b;
}

Bytes PcmPayload(const std::vector<int16_t>& samples, int channels) {
    Bytes b;
    Put32(b, static_cast<uint32_t>(samples.size() / channels));
    for (int16_t s : samples)
        Put16(b, static_cast<uint16_t>(s));
    return b;
}

namespace {

const int kFilters[4][2] = {{0, 0}, {240, 0}, {460, -208}, {392, -220}};

int Reconstruct(int nibble, int filter, int shift, int32_t newest, int32_t previous) {
    int32_t t = static_cast<int32_t>(static_cast<uint32_t>(nibble) << 28) >> shift;
    int64_t v = (int64_t{t} + int64_t{kFilters[filter][0]} * newest +
                 int64_t{kFilters[filter][1]} * previous + 128) >>
                8;
    return static_cast<int>(std::clamp<int64_t>(v, -32768, 32767));
}

// Codes 28 samples of one channel with the filter and shift that fit best.
void EncodeBlockChannel(const int16_t* s, int stride, int32_t& newest, int32_t& previous, int* filterOut,
                        int* shiftOut, uint8_t nibbles[28]) {
    int64_t bestError = INT64_MAX;
    for (int f = 0; f < 4; ++f) {
        for (int shift = 8; shift < 24; ++shift) {
            int32_t n1 = newest, n2 = previous;
            int64_t error = 0;
            uint8_t codes[28];
            for (int i = 0; i < 28 && error < bestError; ++i) {
                int bestCode = 0, bestSample = 0;
                int64_t bestE = INT64_MAX;
                for (int c = 0; c < 16; ++c) {
                    int v = Reconstruct(c, f, shift, n1, n2);
                    int64_t e = std::abs(static_cast<int64_t>(v) - s[i * stride]);
                    if (e < bestE) {
                        bestE = e;
                        bestCode = c;
                        bestSample = v;
                    }
                }
                codes[i] = static_cast<uint8_t>(bestCode);
                error += bestE * bestE;
                n2 = n1;
                n1 = bestSample;
            }
            if (error < bestError) {
                bestError = error;
                *filterOut = f;
                *shiftOut = shift;
                std::memcpy(nibbles, codes, 28);
            }
        }
    }
    for (int i = 0; i < 28; ++i) {
        int v = Reconstruct(nibbles[i], *filterOut, *shiftOut, newest, previous);
        previous = newest;
        newest = v;
    }
}

const int kImaSteps[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kImaIndex[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

int ImaEncode(int sample, int32_t& predictor, int32_t& index) {
    int step = kImaSteps[index];
    int diff = sample - predictor;
    int code = 0;
    if (diff < 0) {
        code = 8;
        diff = -diff;
    }
    if (diff >= step) {
        code |= 4;
        diff -= step;
    }
    if (diff >= step / 2) {
        code |= 2;
        diff -= step / 2;
    }
    if (diff >= step / 4) code |= 1;
    // Follow the decoder so that both stay in step.
    int d = step >> 3;
    if (code & 4) d += step;
    if (code & 2) d += step >> 1;
    if (code & 1) d += step >> 2;
    predictor = std::clamp(predictor + ((code & 8) ? -d : d), -32768, 32767);
    index = std::clamp(index + kImaIndex[code & 7], 0, 88);
    return code;
}

} // namespace

Bytes BlockAdpcmPayload(const std::vector<int16_t>& samples, int channels, BlockState& state) {
    Bytes b{'B', 'L', 0, 0};
    Put16(b, static_cast<uint16_t>(state.newest[0]));
    Put16(b, static_cast<uint16_t>(state.previous[0]));
    Put16(b, static_cast<uint16_t>(state.newest[1]));
    Put16(b, static_cast<uint16_t>(state.previous[1]));
    size_t frames = samples.size() / channels;
    for (size_t at = 0; at + 28 <= frames; at += 28) {
        const int16_t* s = samples.data() + at * channels;
        uint8_t nib[2][28];
        int f[2] = {}, sh[2] = {8, 8};
        for (int c = 0; c < channels; ++c)
            EncodeBlockChannel(s + c, channels, state.newest[c], state.previous[c], &f[c], &sh[c], nib[c]);
        if (channels == 1) {
            b.push_back(static_cast<uint8_t>((f[0] << 4) | (sh[0] - 8)));
            for (int i = 0; i < 14; ++i)
                b.push_back(static_cast<uint8_t>((nib[0][2 * i] << 4) | nib[0][2 * i + 1]));
        } else {
            b.push_back(static_cast<uint8_t>((f[0] << 4) | f[1]));
            b.push_back(static_cast<uint8_t>(((sh[0] - 8) << 4) | (sh[1] - 8)));
            for (int i = 0; i < 28; ++i)
                b.push_back(static_cast<uint8_t>((nib[0][i] << 4) | nib[1][i]));
        }
    }
    return b;
}

Bytes ImaPayload(const std::vector<int16_t>& samples, int channels, ImaState& state) {
    Bytes b;
    size_t frames = samples.size() / channels;
    for (size_t i = 0; i < frames; ++i) {
        int left = samples[i * channels], right = samples[i * channels + channels - 1];
        int hi = ImaEncode(left, state.predictor[0], state.index[0]);
        int lo = ImaEncode(right, state.predictor[1], state.index[1]);
        b.push_back(static_cast<uint8_t>((hi << 4) | lo));
    }
    return b;
}

std::vector<int16_t> Tone(int rate, int channels, size_t from, size_t count) {
    std::vector<int16_t> s;
    s.reserve(count * channels);
    for (size_t i = from; i < from + count; ++i) {
        double t = static_cast<double>(i) / rate;
        int16_t v = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * t));
        for (int c = 0; c < channels; ++c)
            s.push_back(c ? static_cast<int16_t>(v / 2) : v);
    }
    return s;
}

bool WriteMovie(const Options& o, Bytes* out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (o.width <= 0 || o.height <= 0 || o.width % 8 || o.height % 4 || o.width > 1024 || o.height > 768)
        return fail("the size must be a multiple of 8 x 4, at most 1024 x 768");
    if (o.frames <= 0 || o.fps <= 0 || o.types.empty()) return fail("frames, fps and types must be given");
    bool palette = false, dct = false;
    for (int t : o.types) {
        if (t < 1 || t > 4) return fail("frame types are 1 to 4");
        (t <= 2 ? palette : dct) = true;
    }
    if (dct && (o.width % 16 || o.height % 16)) return fail("DCT frames need a size in multiples of 16");
    if (o.quality < 0 || o.quality > 100) return fail("the quality is 0 to 100");
    Bytes& b = *out;
    b.clear();
    int channels = o.mono ? 1 : 2;
    int compression = o.audio == Audio::Pcm ? 0 : o.audio == Audio::Block ? 7 : 10;
    if (o.audio != Audio::None) {
        Bytes h = Chunk("SCHl", AudioHeaderPayload(channels, compression, o.rate));
        b.insert(b.end(), h.begin(), h.end());
    }
    BlockState block;
    ImaState ima;
    size_t audioFrames = 0;
    Bytes previous, previousRgb;
    const std::vector<std::pair<int, int>> vectors{{0, 0}, {2, 0}, {-4, -4}, {4, 0}};
    for (int t = 0; t < o.frames; ++t) {
        if (o.audio != Audio::None) {
            // The sound up to the end of this picture; block ADPCM in whole blocks.
            size_t until = static_cast<size_t>(t + 1) * o.rate / o.fps;
            size_t count = until - audioFrames;
            if (o.audio == Audio::Block) count = count / 28 * 28;
            std::vector<int16_t> tone = Tone(o.rate, channels, audioFrames, count);
            audioFrames += count;
            Bytes payload = o.audio == Audio::Pcm     ? PcmPayload(tone, channels)
                            : o.audio == Audio::Block ? BlockAdpcmPayload(tone, channels, block)
                                                      : ImaPayload(tone, channels, ima);
            Bytes c = Chunk("SCDl", payload);
            b.insert(b.end(), c.begin(), c.end());
        }
        Bytes picture = SourcePicture(o.width, o.height, t);
        // Palette frames start from a key frame; DCT frames stand alone.
        int type = !palette ? o.types[t % o.types.size()] : t == 0 ? 1 : o.types[(t - 1) % o.types.size()];
        // A delta frame needs the 8-bit picture before it: after a DCT frame a key frame comes instead.
        if (type == 2 && previous.empty()) type = 1;
        Bytes c;
        if (type == 1)
            c = Chunk("TGVk", KeyFramePayload(o.width, o.height, SourcePalette(), picture));
        else if (type == 2)
            c = Chunk("TGVf", DeltaFramePayload(o.width, o.height, previous, picture, vectors));
        else {
            Bytes rgb = SourceRgb(o.width, o.height, t);
            c = Chunk(type == 3 ? "pQGT" : "pIQT",
                      DctFramePayload(type, o.width, o.height, o.quality, o.exact, rgb,
                                      previousRgb.empty() ? nullptr : &previousRgb));
            previousRgb = std::move(rgb);
        }
        b.insert(b.end(), c.begin(), c.end());
        if (type <= 2)
            previous = std::move(picture);
        else
            previous.clear();
        if (type <= 2) previousRgb = SourceRgb(o.width, o.height, t);
    }
    Bytes end = Chunk("SCEl", {});
    b.insert(b.end(), end.begin(), end.end());
    return true;
}

bool WriteMovieFile(const std::string& path, const Options& options, std::string* error) {
    Bytes bytes;
    if (!WriteMovie(options, &bytes, error)) return false;
    std::string temp = path + ".tmp";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!f) {
            if (error) *error = "cannot write " + temp;
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = "cannot rename " + temp;
        return false;
    }
    return true;
}

} // namespace moviewriter
