#pragma once
// The Layer III bit reservoir: main data of recent frames in a ring of 4096 bytes, read bit by bit.
#include <cstdint>

class MpegBitReservoir {
  public:
    static constexpr int kSize = 4096;

    MpegBitReservoir();
    // Empty, reading from slot 0 with 8 bits left.
    void Reset();
    void PutByte(uint8_t b);
    void PutBytes(const uint8_t* b, int n);
    // The next n bits, first bit most significant; n = 0 gives 0 and changes nothing; n > 32 skips
    // and gives 0.
    uint32_t GetBits(int n);
    uint32_t Get1Bit();
    // The next 25 bits or more, not taken: the next bit is bit 31.
    uint32_t Peek() const {
        int index = readIndex_, left = bitsLeft_;
        if (left == 0) ++index, left = 8;
        const uint32_t w = slots_[index & kMask] << 24 | slots_[(index + 1) & kMask] << 16 |
                           slots_[(index + 2) & kMask] << 8 | slots_[(index + 3) & kMask];
        return w << (8 - left);
    }
    // The next 57 bits or more, not taken: the next bit is bit 63.
    uint64_t Peek64() const {
        int index = readIndex_, left = bitsLeft_;
        if (left == 0) ++index, left = 8;
        const uint64_t high = slots_[index & kMask] << 24 | slots_[(index + 1) & kMask] << 16 |
                              slots_[(index + 2) & kMask] << 8 | slots_[(index + 3) & kMask];
        const uint64_t low = slots_[(index + 4) & kMask] << 24 | slots_[(index + 5) & kMask] << 16 |
                             slots_[(index + 6) & kMask] << 8 | slots_[(index + 7) & kMask];
        return (high << 32 | low) << (8 - left);
    }
    // Takes n bits without reading them, any n >= 0.
    void SkipBits(int n) {
        consumedBits_ += n;
        int left = bitsLeft_ - n;
        if (left < 0) {
            const int bytes = (7 - left) >> 3;
            readIndex_ += bytes;
            left += 8 * bytes;
        }
        bitsLeft_ = left;
    }
    // Rewinds stop at the first bit taken since the reservoir was emptied.
    void RewindBits(int n);
    // n = 4096 renormalises both counters without moving the read slot.
    void RewindBytes(int n);

    int writeIndex() const { return writeIndex_; }
    int readIndex() const { return readIndex_; }
    int consumedBits() const { return consumedBits_; }
    int bitsLeft() const { return bitsLeft_; }

  private:
    static constexpr int kMask = kSize - 1;
    int writeIndex_ = 0;
    int consumedBits_ = 0;
    int readIndex_ = 0; // counts bytes without bound; the slot is readIndex_ mod 4096
    uint32_t slots_[kSize] = {};
    int bitsLeft_ = 8;
};
