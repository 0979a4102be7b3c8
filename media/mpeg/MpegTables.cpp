#include "media/mpeg/MpegTables.h"

#include "media/mpeg/MpegTableData.h"

#include <cmath>
#include <cstdlib>

namespace mpeg {

namespace {

constexpr double kPi = 3.14159265358979323846;

Layer12Tables BuildLayer12() {
    Layer12Tables t{};
    double m[27] = {0, -2.0 / 3, 2.0 / 3};
    for (int k = 3; k <= 16; ++k)
        m[k] = 2.0 / ((1 << k) - 1);
    const double tail[10] = {-4.0 / 5, -2.0 / 5, 2.0 / 5, 4.0 / 5, -8.0 / 9,
                             -4.0 / 9, -2.0 / 9, 2.0 / 9, 4.0 / 9, 8.0 / 9};
    for (int k = 17; k < 27; ++k)
        m[k] = tail[k - 17];
    for (int k = 0; k < 27; ++k) {
        for (int i = 0; i < 63; ++i)
            t.muls[k][i] = static_cast<float>(m[k] * std::pow(2.0, 1.0 - i / 3.0));
        t.muls[k][63] = 0.0f;
    }
    const uint8_t rows3[3] = {1, 0, 2};
    const uint8_t rows5[5] = {17, 18, 0, 19, 20};
    const uint8_t rows9[9] = {21, 1, 22, 23, 0, 24, 25, 2, 26};
    auto fill = [](uint8_t(*group)[3], int codes, int n, const uint8_t* rows) {
        for (int c = 0; c < codes; ++c)
            for (int k = 0; k < 3; ++k) {
                int level = k == 0 ? c % n : k == 1 ? (c / n) % n : c / (n * n);
                group[c][k] = c < n * n * n ? rows[level] : 0;
            }
    };
    fill(t.group3, 32, 3, rows3);
    fill(t.group5, 128, 5, rows5);
    fill(t.group9, 1024, 9, rows9);
    return t;
}

SynthesisTables BuildSynthesis() {
    SynthesisTables t{};
    for (int tap = 0; tap < 16; ++tap)
        for (int n = 0; n < 32; ++n) {
            // Even taps read V[0..31] = X[16..31], 0, -X[31..17]; odd taps V[32..63] = -X[16..1], -X[0..15].
            int sign = tap % 2 ? -1 : (n < 16 ? 1 : n == 16 ? 0 : -1);
            int i = 32 * tap + n;
            int j = i <= 256 ? i : 512 - i;
            int value = sign * ((i / 64) % 2 ? -1 : 1) * mpeg_data::kWindowInts[j];
            t.window[tap][n] = static_cast<float>(value / 2.0);      // x 32768 / 65536, exact
            t.fixedWindow[tap][n] = static_cast<int16_t>(value / 4); // truncates toward zero
        }
    // The fixed-point windowing sums in 32 bits: it relies on this bound.
    for (int n = 0; n < 32; ++n) {
        int sum = 0;
        for (int tap = 0; tap < 16; ++tap)
            sum += std::abs(t.fixedWindow[tap][n]);
        if (sum >= 65536) std::abort();
    }
    auto q14 = [](double c) { return static_cast<int16_t>(static_cast<int>(c * 16384 + 0.5)); };
    for (int m = 0; m < 16; ++m)
        for (int i = 0; i < 16; ++i) {
            t.cosEven[m][i] = q14(std::cos((2 * i + 1) * m * kPi / 32));
            t.cosOdd[m][i] = q14(std::cos((2 * i + 1) * (2 * m + 1) * kPi / 64));
        }
    for (int m = 0; m < 16; ++m)
        for (int i = 0; i < 16; ++i) {
            t.pairEven[i / 2][m][i % 2] = t.cosEven[m][i];
            t.pairOdd[i / 2][m][i % 2] = t.cosOdd[m][i];
        }
    for (int tap = 0; tap < 16; ++tap)
        for (int n = 0; n < 32; ++n)
            t.windowPairs[tap / 2][n][tap % 2] = t.fixedWindow[tap][n];
    for (int half = 1; half <= 16; half *= 2)
        for (int i = 0; i < half; ++i)
            t.dctFactor[half + i] =
                static_cast<float>(1.0 / (2.0 * std::cos((2 * i + 1) * kPi / (4 * half))));
    return t;
}

Layer3Tables BuildLayer3() {
    Layer3Tables t{};
    for (int x = 0; x < 8207; ++x)
        t.pow43[x] = static_cast<float>(std::pow(static_cast<double>(x), 4.0 / 3.0));
    for (int q = -8206; q <= 8206; ++q)
        t.signedPow43[q + 8206] = q < 0 ? -t.pow43[-q] : t.pow43[q];
    for (int k = 0; k < 64; ++k)
        t.pow2[k] = static_cast<float>(std::pow(2.0, -k / 2.0));
    for (int p = 0; p < 7; ++p)
        t.intensity[p] = p == 6 ? 1e11f : static_cast<float>(std::tan(p * kPi / 12));
    for (int n = 0; n < 32; ++n) {
        t.lsfIntensity[0][n] = static_cast<float>(std::pow(2.0, -n / 4.0));
        t.lsfIntensity[1][n] = static_cast<float>(std::pow(2.0, -n / 2.0));
    }
    const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (int i = 0; i < 8; ++i) {
        t.cs[i] = static_cast<float>(1.0 / std::sqrt(1.0 + c[i] * c[i]));
        t.ca[i] = static_cast<float>(c[i] / std::sqrt(1.0 + c[i] * c[i]));
    }
    for (int i = 0; i < 36; ++i) {
        const double longSine = std::sin(kPi / 36 * (i + 0.5));
        t.window[0][i] = static_cast<float>(longSine);
        t.window[1][i] = static_cast<float>(i < 18   ? longSine
                                            : i < 24 ? 1.0
                                            : i < 30 ? std::sin(kPi / 12 * (i - 18 + 0.5))
                                                     : 0.0);
        t.window[3][i] = static_cast<float>(i < 6    ? 0.0
                                            : i < 12 ? std::sin(kPi / 12 * (i - 6 + 0.5))
                                            : i < 18 ? 1.0
                                                     : longSine);
    }
    for (int i = 0; i < 12; ++i)
        t.shortWindow[i] = static_cast<float>(std::sin(kPi / 12 * (i + 0.5)));
    for (int k = 0; k < 18; ++k)
        for (int j = 0; j < 18; ++j)
            t.dct18[k][j] = static_cast<float>(std::cos(kPi / 72 * (2 * j + 1) * (2 * k + 1)));
    for (int k = 0; k < 6; ++k)
        for (int j = 0; j < 6; ++j)
            t.dct6[k][j] = static_cast<float>(std::cos(kPi / 24 * (2 * j + 1) * (2 * k + 1)));
    for (int row = 0; row < 6; ++row) {
        const int16_t* s = kBandBoundaries[row].s;
        for (int b = 0; b < 13; ++b) {
            const int width = s[b + 1] - s[b];
            for (int f = 0; f < width; ++f)
                for (int w = 0; w < 3; ++w)
                    t.reorder[row][3 * s[b] + 3 * f + w] = static_cast<int16_t>(3 * s[b] + w * width + f);
        }
    }
    return t;
}

} // namespace

// The 24 kHz long boundary 18 is the standard's 332.
const BandBoundaries kBandBoundaries[6] = {
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192}},
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192}},
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
     {0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192}},
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
     {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192}},
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576},
     {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192}},
};

const HuffmanTableInfo& Layer3HuffmanTable(int table) {
    return mpeg_data::kHuffmanTables[table];
}

const uint32_t* Layer3HuffmanLookup() {
    return mpeg_data::kHuffmanLookup;
}

const HuffmanCode* Layer3HuffmanCodes(int table, int* count) {
    *count = mpeg_data::kHuffmanCodeStart[table + 1] - mpeg_data::kHuffmanCodeStart[table];
    return &mpeg_data::kHuffmanCodes[mpeg_data::kHuffmanCodeStart[table]];
}

const Layer3Tables& GetLayer3Tables() {
    static const Layer3Tables tables = BuildLayer3();
    return tables;
}

const AllocationEntry* Layer2Allocation(int table) {
    return &mpeg_data::kAllocation[mpeg_data::kAllocationStart[table]];
}

int Layer2SubbandLimit(int table) {
    return mpeg_data::kSubbandLimit[table];
}

const Layer12Tables& GetLayer12Tables() {
    static const Layer12Tables tables = BuildLayer12();
    return tables;
}

const SynthesisTables& GetSynthesisTables() {
    static const SynthesisTables tables = BuildSynthesis();
    return tables;
}

double SynthesisWindow(int i) {
    int j = i <= 256 ? i : 512 - i;
    return ((i / 64) % 2 ? -1.0 : 1.0) * mpeg_data::kWindowInts[j] / 65536.0;
}

} // namespace mpeg
