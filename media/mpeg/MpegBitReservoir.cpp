#include "media/mpeg/MpegBitReservoir.h"

namespace {
constexpr int kSlotMask = MpegBitReservoir::kSize - 1;
}

MpegBitReservoir::MpegBitReservoir() = default;

void MpegBitReservoir::Reset() {
    writeIndex_ = 0;
    consumedBits_ = 0;
    readIndex_ = 0;
    bitsLeft_ = 8;
}

void MpegBitReservoir::PutByte(uint8_t b) {
    slots_[writeIndex_] = b;
    writeIndex_ = (writeIndex_ + 1) & kSlotMask;
}

void MpegBitReservoir::PutBytes(const uint8_t* b, int n) {
    for (int i = 0; i < n; ++i) {
        slots_[writeIndex_] = b[i];
        writeIndex_ = (writeIndex_ + 1) & kSlotMask;
    }
}

uint32_t MpegBitReservoir::GetBits(int n) {
    if (n <= 0) return 0;
    if (n > 32) {
        SkipBits(n);
        return 0;
    }
    if (n <= 25) {
        const uint32_t bits = Peek() >> (32 - n);
        SkipBits(n);
        return bits;
    }
    // 26..32 bits: the top part, then the rest (longer skips go through SkipBits).
    const uint32_t high = GetBits(n - 16);
    return high << 16 | GetBits(16);
}

uint32_t MpegBitReservoir::Get1Bit() {
    ++consumedBits_;
    if (bitsLeft_ == 0) {
        ++readIndex_;
        bitsLeft_ = 8;
    }
    --bitsLeft_;
    return (slots_[readIndex_ & kSlotMask] >> bitsLeft_) & 1u;
}

void MpegBitReservoir::RewindBits(int n) {
    // Never before the first bit taken since the reservoir was emptied.
    if (n > consumedBits_) n = consumedBits_;
    if (n <= 0) return;
    consumedBits_ -= n;
    bitsLeft_ += n;
    while (bitsLeft_ >= 8) {
        bitsLeft_ -= 8;
        --readIndex_;
    }
}

void MpegBitReservoir::RewindBytes(int n) {
    consumedBits_ -= 8 * n;
    readIndex_ -= n;
}
