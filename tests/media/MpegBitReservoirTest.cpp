#include "media/mpeg/MpegBitReservoir.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

uint8_t Pattern(int i) {
    return static_cast<uint8_t>(i * 37 + 11);
}

// A reservoir holding Pattern(0..4095), read up to the start of slot `slot`.
std::unique_ptr<MpegBitReservoir> FilledTo(int slot) {
    auto r = std::make_unique<MpegBitReservoir>();
    for (int i = 0; i < MpegBitReservoir::kSize; ++i)
        r->PutByte(Pattern(i));
    for (int i = 0; i < slot; ++i)
        EXPECT_EQ(r->GetBits(8), Pattern(i));
    return r;
}

TEST(MpegBitReservoir, ReadsExactBitsAcrossTheWrap) {
    auto r = FilledTo(4095);
    EXPECT_EQ(r->writeIndex(), 0);
    // 12 bits: all of slot 4095, then the top half of slot 0.
    EXPECT_EQ(r->GetBits(12), uint32_t(Pattern(4095)) << 4 | Pattern(0) >> 4);
    EXPECT_EQ(r->GetBits(3), uint32_t(Pattern(0) >> 1 & 7));
    EXPECT_EQ(r->Get1Bit(), uint32_t(Pattern(0) & 1));
    EXPECT_EQ(r->GetBits(24), uint32_t(Pattern(1)) << 16 | uint32_t(Pattern(2)) << 8 | Pattern(3));
    EXPECT_EQ(r->consumedBits(), 4095 * 8 + 40);
    // The ring is overwritten from slot 0 on.
    r->PutByte(0xEE);
    EXPECT_EQ(r->writeIndex(), 1);
    r->RewindBytes(4);
    EXPECT_EQ(r->GetBits(8), 0xEEu);
}

TEST(MpegBitReservoir, RewindsGiveTheSameBitsAgain) {
    auto r = FilledTo(10);
    uint32_t a = r->GetBits(13);
    r->RewindBits(13);
    EXPECT_EQ(r->GetBits(13), a);
    r->RewindBits(5);
    EXPECT_EQ(r->GetBits(5), a & 31);
    const int counted = r->consumedBits();
    r->RewindBytes(3);
    EXPECT_EQ(r->consumedBits(), counted - 24);
    r->RewindBits(r->consumedBits() - 8 * 8); // back to the start of slot 8
    EXPECT_EQ(r->GetBits(8), Pattern(8));
    // Renormalising moves the counters, not the read slot.
    const uint32_t next = FilledTo(9)->GetBits(16);
    r->RewindBytes(MpegBitReservoir::kSize);
    EXPECT_EQ(r->consumedBits(), 72 - 32768);
    EXPECT_EQ(r->GetBits(16), next);
}

TEST(MpegBitReservoir, ZeroBitsChangeNothing) {
    auto r = FilledTo(2);
    r->GetBits(3);
    const int consumed = r->consumedBits(), left = r->bitsLeft(), index = r->readIndex();
    EXPECT_EQ(r->GetBits(0), 0u);
    EXPECT_EQ(r->consumedBits(), consumed);
    EXPECT_EQ(r->bitsLeft(), left);
    EXPECT_EQ(r->readIndex(), index);
    // A skip of more than 32 bits moves on exactly.
    r->GetBits(45);
    EXPECT_EQ(r->consumedBits(), consumed + 45);
    EXPECT_EQ(r->GetBits(8), Pattern(8));
}

} // namespace
