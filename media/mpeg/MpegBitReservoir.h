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
    // The next n bits, first bit most significant; n = 0 gives 0 and changes nothing. Skips of
    // more than 32 bits are allowed; their result is meaningless.
    uint32_t GetBits(int n);
    uint32_t Get1Bit();
    void RewindBits(int n);
    // n = 4096 renormalises both counters without moving the read slot.
    void RewindBytes(int n);

    int writeIndex() const { return writeIndex_; }
    int readIndex() const { return readIndex_; }
    int consumedBits() const { return consumedBits_; }
    int bitsLeft() const { return bitsLeft_; }

  private:
    int writeIndex_ = 0;
    int consumedBits_ = 0;
    int readIndex_ = 0; // counts bytes without bound; the slot is readIndex_ mod 4096
    uint32_t slots_[kSize] = {};
    int bitsLeft_ = 8;
};
