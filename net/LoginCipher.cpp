#include "net/LoginCipher.h"

namespace {

constexpr uint16_t kMask1 = 0x5C3E;
constexpr uint16_t kMask2 = 0x6B29;
constexpr uint16_t kMask3 = 0x3E85;
constexpr uint16_t kMask4 = 0x19C4;
constexpr uint32_t kFeedback1 = 0x4F1D7A36;
constexpr uint32_t kFeedback2 = 0x19E6C4B8;
constexpr uint32_t kFeedback3 = 0x7C2B5E91;

uint32_t Halves(uint16_t high, uint16_t low) {
    return (static_cast<uint32_t>(high) << 16) | low;
}

} // namespace

void LoginCipher::Init(uint32_t seed) {
    const uint16_t lo = static_cast<uint16_t>(seed);
    const uint16_t hi = static_cast<uint16_t>(seed >> 16);
    r1_ = Halves(static_cast<uint16_t>(~lo ^ kMask2), static_cast<uint16_t>(lo ^ kMask1));
    r2_ = Halves(static_cast<uint16_t>(~hi ^ kMask3), static_cast<uint16_t>(hi ^ kMask4));
}

uint8_t LoginCipher::CryptByte(uint8_t b) {
    const uint8_t out = b ^ static_cast<uint8_t>(r1_);
    const uint32_t r1 = r1_;
    const uint32_t r2 = r2_;
    r1_ = ((r1 >> 1) | (r2 << 31)) ^ kFeedback1;
    const uint32_t t = ((r2 >> 1) | (r1 << 31)) ^ kFeedback2;
    r2_ = ((t >> 1) | (r1 << 31)) ^ kFeedback3;
    return out;
}

void LoginCipher::Crypt(uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i)
        data[i] = CryptByte(data[i]);
}
