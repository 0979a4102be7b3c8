#include "media/mpeg/MpegTables.h"

#include "media/mpeg/MpegTableData.h"

#include <cmath>

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
    auto q14 = [](double c) { return static_cast<int16_t>(static_cast<int>(c * 16384 + 0.5)); };
    for (int m = 0; m < 16; ++m)
        for (int i = 0; i < 16; ++i) {
            t.cosEven[m][i] = q14(std::cos((2 * i + 1) * m * kPi / 32));
            t.cosOdd[m][i] = q14(std::cos((2 * i + 1) * (2 * m + 1) * kPi / 64));
        }
    for (int half = 1; half <= 16; half *= 2)
        for (int i = 0; i < half; ++i)
            t.dctFactor[half + i] =
                static_cast<float>(1.0 / (2.0 * std::cos((2 * i + 1) * kPi / (4 * half))));
    return t;
}

} // namespace

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
