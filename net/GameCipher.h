#pragma once
// The game-phase ciphers of a connection. Outgoing bytes are XORed with a keystream of 256-byte
// blocks, each the Twofish (128-bit key, single 16-byte blocks) encryption of the one before,
// starting from the bytes 0..255. Incoming bytes are XORed with the MD5 digest of the first block.
#include <nettle/twofish.h>

#include <array>
#include <cstddef>
#include <cstdint>

class CGameCipher {
  public:
    static constexpr int kBlockSize = 256;

    CGameCipher() = default;
    // Keys Twofish with four copies of k's bytes, least significant first, and makes the first block.
    void Init(uint32_t k);
    // XORs each byte with the next keystream byte; a used-up block is encrypted again in place.
    void Crypt(uint8_t* data, size_t length);
    void ResetPosition() { position_ = 0; }
    const uint8_t* GetBlock() const { return block_.data(); }
    int GetPosition() const { return position_; }

  private:
    void EncryptBlock();

    twofish_ctx context_{};
    std::array<uint8_t, kBlockSize> block_{};
    int position_ = 0;
};

// The mask a connection's seed is XORed with unless its seed variant flag is set.
constexpr uint32_t kGameSeedMask = 0x3C5A96E7;

// The Twofish key word of a connection: the seed's wire bytes (most significant first) read as a
// little-endian word, masked unless the variant flag is set.
uint32_t GameCipherKey(uint32_t seed, bool seedVariant);

// The receive key: the MD5 digest of the first keystream block, applied with a running index.
class ReceiveKey {
  public:
    void Init(const uint8_t* firstBlock);
    // XORs each byte with key[index mod 16], advancing the index.
    void Apply(uint8_t* data, size_t length);
    void ResetIndex() { index_ = 0; }
    const std::array<uint8_t, 16>& key() const { return key_; }
    uint64_t index() const { return index_; }

  private:
    std::array<uint8_t, 16> key_{};
    uint64_t index_ = 0;
};
