#pragma once
// The MPEG-1 video tables the DCT frames use, generated at build time from media/mpeg-video: the
// DC size codes, the DCT coefficient codes with end of block and escape, the default intra
// quantiser matrix (row by row) and the zigzag order (scan position -> row * 8 + column).
#include <cstdint>
#include <span>

namespace movie {

struct MovieVlc {
    uint16_t bits;  // the codeword, first bit in the stream as its most significant bit
    uint8_t length; // in bits
    uint8_t run;    // coefficients: zeros skipped before the level
    uint8_t level;  // coefficients: |level|; DC sizes: the size
};

std::span<const MovieVlc> MovieDcSizeCodes(bool chroma); // index = size 0..8
std::span<const MovieVlc> MovieCoeffCodes();
MovieVlc MovieEndOfBlockCode();
MovieVlc MovieEscapeCode();
const uint8_t* MovieIntraMatrix(); // 64 entries, row by row
const uint8_t* MovieZigzag();      // 64 entries

} // namespace movie
