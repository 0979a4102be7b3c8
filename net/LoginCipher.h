#pragma once
// The login-phase cipher: every byte the client sends before the game phase is XORed with the low
// byte of a register pair keyed from the connection seed, stepped once per byte.
#include <cstddef>
#include <cstdint>

class LoginCipher {
  public:
    // Keys both registers from the seed; the registers carry over from packet to packet after that.
    void Init(uint32_t seed);
    // Enciphers in place, one register step per byte.
    void Crypt(uint8_t* data, size_t length);
    uint8_t CryptByte(uint8_t b);

    uint32_t r1() const { return r1_; }
    uint32_t r2() const { return r2_; }
    void Reset() { r1_ = r2_ = 0; }

  private:
    uint32_t r1_ = 0;
    uint32_t r2_ = 0;
};
