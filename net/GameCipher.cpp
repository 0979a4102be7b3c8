#include "net/GameCipher.h"

#include <nettle/md5.h>

void CGameCipher::Init(uint32_t k) {
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = static_cast<uint8_t>(k >> (8 * (i % 4)));
    twofish128_set_key(&context_, key);
    for (int i = 0; i < kBlockSize; ++i)
        block_[i] = static_cast<uint8_t>(i);
    EncryptBlock();
    position_ = 0;
}

void CGameCipher::EncryptBlock() {
    // Electronic codebook: each 16-byte block on its own, in place.
    twofish_encrypt(&context_, block_.size(), block_.data(), block_.data());
}

void CGameCipher::Crypt(uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (position_ >= kBlockSize) {
            EncryptBlock();
            position_ = 0;
        }
        data[i] ^= block_[position_++];
    }
}

uint32_t GameCipherKey(uint32_t seed, bool seedVariant) {
    const uint32_t w = __builtin_bswap32(seed);
    return seedVariant ? w : w ^ kGameSeedMask;
}

void ReceiveKey::Init(const uint8_t* firstBlock) {
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, CGameCipher::kBlockSize, firstBlock);
    md5_digest(&context, key_.size(), key_.data());
    index_ = 0;
}

void ReceiveKey::Apply(uint8_t* data, size_t length) {
    for (size_t i = 0; i < length; ++i)
        data[i] ^= key_[(index_ + i) & 15];
    index_ += length;
}
