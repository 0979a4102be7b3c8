#pragma once
// Constant tables of the MPEG-audio decoder. The standards' numbers that no formula gives (the
// synthesis window, the Layer II allocation tables) are generated at build time from
// media/mpeg/data; everything else is computed here on first use and read-only afterwards, so
// decoders on different threads share them safely.
#include <cstdint>

// The loops of the filter banks and transforms have fixed counts and no branch on the data:
// coverage tracing there tells a fuzzer nothing and would take most of its time.
#if defined(__clang__)
#define MPEG_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#elif defined(__GNUC__) && __GNUC__ >= 12
#define MPEG_NO_COVERAGE __attribute__((no_sanitize_coverage))
#else
#define MPEG_NO_COVERAGE
#endif
// For the transforms whose every index is a constant into fixed arrays: address checks there find
// nothing and halve a fuzzer's speed.
#if defined(__clang__) || defined(__GNUC__)
#define MPEG_NO_ADDRESS_CHECKS __attribute__((no_sanitize("address")))
#else
#define MPEG_NO_ADDRESS_CHECKS
#endif

namespace mpeg {

// kbit/s by [lower-sampling-rate flag][layer 1..3][bitrate index]; index 0 (free format) and 15 are 0.
inline constexpr int kBitrates[2][4][16] = {
    {{},
     {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};

// Hz by sample-rate index (sampling code + 3 at the lower rates); the last three are refused.
inline constexpr int kSampleRates[9] = {44100, 48000, 32000, 22050, 24000, 16000, 11025, 12000, 8000};

// Layer II allocation table by [sampling code][two channels, one channel][bitrate index] for
// MPEG-1; the lower sampling rates always use table 4.
inline constexpr int8_t kLayer2TableChoice[3][2][16] = {
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 0}, {0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{0, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 0}, {0, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
};
inline constexpr int kLayer2LowerRateTable = 4;

// One allocation entry: the first of a subband's group is {nbal, 0}; entry a describes allocation
// a: d < 0 three codes of `bits` bits, level = code + d; d = 3, 5, 9 one grouped code of `bits`.
struct AllocationEntry {
    int16_t bits;
    int16_t d;
};
const AllocationEntry* Layer2Allocation(int table);
int Layer2SubbandLimit(int table);

struct Layer12Tables {
    // muls[k][i] = m[k] x 2^(1 - i/3), muls[k][63] = 0: multiplier and scale factor in one.
    float muls[27][64];
    // Rows of muls for the three samples of a grouped code; codes of n^3 and above give row 0
    // (silence), so the tables cover every value the 5, 7 and 10 code bits can hold.
    uint8_t group3[32][3];
    uint8_t group5[128][3];
    uint8_t group9[1024][3];
};
const Layer12Tables& GetLayer12Tables();

struct SynthesisTables {
    // Window by [tap t][output n] = D[32t + n], with the sign of the tap's history term folded in:
    // float scaled by 32768, fixed point D x 16384 truncated toward zero.
    float window[16][32];
    int16_t fixedWindow[16][32];
    // Q14 cosines of the fixed-point matrixing: even E[m][i] = cos((2i+1) m pi/32), odd
    // O[m][i] = cos((2i+1)(2m+1) pi/64), each (int)(x 16384 + 0.5).
    int16_t cosEven[16][16];
    int16_t cosOdd[16][16];
    // The same for packed multiply-add: [i / 2][m][i % 2], two inputs' cosines side by side.
    alignas(16) int16_t pairEven[8][16][2];
    alignas(16) int16_t pairOdd[8][16][2];
    // The fixed-point window with taps 2p and 2p + 1 side by side: [p][n][tap % 2].
    alignas(16) int16_t windowPairs[8][32][2];
    // Factors 1 / (2 cos((2i+1) pi / 2N)) of the fast N-point DCT at [N/2 + i].
    float dctFactor[32];
};
const SynthesisTables& GetSynthesisTables();

// The standard's window value D[i], i = 0..511, exactly.
double SynthesisWindow(int i);

// Layer III Huffman table: where its lookup starts in the generated array (-1: the table has no
// codes and gives (0, 0) without reading), the bits its first level takes, its linbits, and the
// table whose codes it shares (itself when it has its own).
struct HuffmanTableInfo {
    int start;
    int bits;
    int linbits;
    int codesOf;
};
// One code of a table: value (x << 4 | y, or v w x y as 4 bits for the quadruple tables 32, 33),
// length and bits (first bit sent most significant).
struct HuffmanCode {
    int value;
    int length;
    uint32_t bits;
};
const HuffmanTableInfo& Layer3HuffmanTable(int table); // 0..33
const uint32_t* Layer3HuffmanLookup();
// The codes of a table with its own codes (empty for 0, 4, 14 and the sharing tables).
const HuffmanCode* Layer3HuffmanCodes(int table, int* count);

// Scale-factor band boundaries by the header's table row (0..2: 22050, 24000, 16000 Hz; 3..5:
// 44100, 48000, 32000 Hz): 23 long-block and 14 short-block boundaries in lines.
struct BandBoundaries {
    int16_t l[23];
    int16_t s[14];
};
extern const BandBoundaries kBandBoundaries[6];
inline constexpr uint8_t kSlen[2][16] = {{0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4},
                                         {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3}};
// Scale factors per slen group at the lower rates by [compression range][long, short, mixed][group].
inline constexpr uint8_t kLsfScaleFactorCounts[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},       {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},     {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};
inline constexpr uint8_t kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};

struct Layer3Tables {
    float pow43[8207];               // x^(4/3)
    float signedPow43[2 * 8206 + 1]; // sign(q) |q|^(4/3) at [q + 8206]
    float pow2[64];                  // 2^(-k/2)
    float intensity[7];              // MPEG-1: tan(p pi / 12), position 6 as 1e11
    float lsfIntensity[2][32];       // io^n, io = 2^(-1/4) (intensity scale 0) or 2^(-1/2)
    float cs[8], ca[8];              // alias reduction
    // Windows of the 36-point transform by block type 0, 1, 3 (type 2's row unused), and the
    // 12-point window.
    float window[4][36];
    float shortWindow[12];
    // DCT-IV kernels: cos(pi/72 (2j+1)(2k+1)) by [k][j] and cos(pi/24 (2j+1)(2k+1)).
    float dct18[18][18];
    float dct6[6][6];
    // Pure short blocks: the input line of each output line, by table row.
    int16_t reorder[6][576];
};
const Layer3Tables& GetLayer3Tables();

} // namespace mpeg
