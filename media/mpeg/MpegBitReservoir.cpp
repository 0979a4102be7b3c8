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

uint32_t MpegBitReservoir::GetBits(int n) {
    if (n <= 0) return 0;
    consumedBits_ += n;
    uint32_t result = 0;
    while (n > 0) {
        if (bitsLeft_ == 0) {
            ++readIndex_;
            bitsLeft_ = 8;
        }
        int t = n < bitsLeft_ ? n : bitsLeft_;
        uint32_t byte = slots_[readIndex_ & kSlotMask] & ((1u << bitsLeft_) - 1);
        uint32_t bits = byte >> (bitsLeft_ - t);
        bitsLeft_ -= t;
        n -= t;
        if (n < 32) result |= bits << n; // bits beyond 32 only happen in skips
    }
    return result;
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
