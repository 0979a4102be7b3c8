#include "net/ConnectionSeed.h"
#include "net/GameCipher.h"
#include "net/LoginCipher.h"
#include "support/TestSupport.h"
#include "testshard/Wire.h"

#include <nettle/twofish.h>

#include <array>
#include <gtest/gtest.h>
#include <vector>

namespace {

const uint32_t kSeeds[] = {0x00000000, 0x7F000001, 0xC0A80102, 0xFFFFFFFF,
                           0x80000000, 0x12345678, 0xDEADBEEF};

testshard::SeedBytes WireSeed(uint32_t seed) {
    const std::array<uint8_t, 4> bytes = ConnectionSeedBytes(seed);
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

std::vector<uint8_t> Counting(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

TEST(ConnectionSeed, StoredSeedIsReusedAndSentMostSignificantFirst) {
    ResetConnectionSeed();
    const uint32_t first = DetermineConnectionSeed();
    EXPECT_EQ(first, GetLocalAddress());
    SetConnectionSeed(0xA1B2C3D4); // the relay key
    EXPECT_EQ(DetermineConnectionSeed(), 0xA1B2C3D4u);
    EXPECT_EQ(DetermineConnectionSeed(), 0xA1B2C3D4u);
    EXPECT_EQ(ConnectionSeedBytes(0xA1B2C3D4), (std::array<uint8_t, 4>{0xA1, 0xB2, 0xC3, 0xD4}));
    ResetConnectionSeed();
    EXPECT_EQ(GetConnectionSeed(), 0u);
}

TEST(LoginCipher, RegistersAndKeystreamAgreeWithTheServer) {
    for (uint32_t seed : kSeeds) {
        SCOPED_TRACE(seed);
        LoginCipher client;
        client.Init(seed);
        testshard::LoginDecryptor server;
        server.Key(WireSeed(seed));
        EXPECT_EQ(client.r1(), server.low());
        EXPECT_EQ(client.r2(), server.high());

        const std::vector<uint8_t> plain = Counting(600);
        std::vector<uint8_t> wire = plain;
        client.Crypt(wire.data(), 100);
        client.Crypt(wire.data() + 100, wire.size() - 100); // registers carry over between packets
        for (size_t i = 0; i < wire.size(); ++i)
            ASSERT_EQ(server.Next(wire[i]), plain[i]) << "byte " << i;
        EXPECT_EQ(client.r1(), server.low());
        EXPECT_EQ(client.r2(), server.high());
    }
}

TEST(LoginCipher, RegistersForAKnownSeed) {
    LoginCipher cipher;
    cipher.Init(0x7F000001);
    // lo = 0x0001: r1 = (~lo ^ 0x6B29) << 16 | (lo ^ 0x5C3E); hi = 0x7F00 likewise with m3, m4.
    EXPECT_EQ(cipher.r1(), 0x94D75C3Fu);
    EXPECT_EQ(cipher.r2(), 0xBE7A66C4u);
}

TEST(LoginCipher, TheSamePacketTwiceGivesDifferentBytes) {
    LoginCipher cipher;
    cipher.Init(0xC0A80102);
    std::vector<uint8_t> first = {0x73, 0x00}, second = first;
    cipher.Crypt(first.data(), first.size());
    cipher.Crypt(second.data(), second.size());
    EXPECT_NE(first, second);
}

TEST(GameCipher, NettleTwofishMatchesTheKnownAnswers) {
    // The published 128-bit chain: each ciphertext is the next plaintext, the one before it the next key.
    const uint8_t expected[3][16] = {
        {0x9F, 0x58, 0x9F, 0x5C, 0xF6, 0x12, 0x2C, 0x32, 0xB6, 0xBF, 0xEC, 0x2F, 0x2A, 0xE8, 0xC3, 0x5A},
        {0xD4, 0x91, 0xDB, 0x16, 0xE7, 0xB1, 0xC3, 0x9E, 0x86, 0xCB, 0x08, 0x6B, 0x78, 0x9F, 0x54, 0x19},
        {0x01, 0x9F, 0x98, 0x09, 0xDE, 0x17, 0x11, 0x85, 0x8F, 0xAA, 0xC3, 0xA3, 0xBA, 0x20, 0xFB, 0xC3},
    };
    uint8_t key[16] = {}, plain[16] = {}, cipher[16];
    for (const auto& answer : expected) {
        twofish_ctx context;
        twofish128_set_key(&context, key);
        twofish_encrypt(&context, 16, cipher, plain);
        EXPECT_EQ(std::vector<uint8_t>(cipher, cipher + 16), std::vector<uint8_t>(answer, answer + 16));
        std::copy(plain, plain + 16, key);
        std::copy(cipher, cipher + 16, plain);
    }
}

TEST(GameCipher, KeyAndFirstBlockComeFromTheSeedBytes) {
    CGameCipher cipher;
    cipher.Init(0); // key: sixteen zero bytes
    twofish_ctx context;
    const uint8_t zeroKey[16] = {};
    twofish128_set_key(&context, zeroKey);
    uint8_t counting[16], expected[16];
    for (int i = 0; i < 16; ++i)
        counting[i] = static_cast<uint8_t>(i);
    twofish_encrypt(&context, 16, expected, counting);
    EXPECT_EQ(std::vector<uint8_t>(cipher.GetBlock(), cipher.GetBlock() + 16),
              std::vector<uint8_t>(expected, expected + 16));

    EXPECT_EQ(GameCipherKey(0x11223344, true), 0x44332211u);
    EXPECT_EQ(GameCipherKey(0x11223344, false), 0x44332211u ^ 0x3C5A96E7u);
}

TEST(GameCipher, KeystreamAndReceiveKeyAgreeWithTheServerForBothSeedForms) {
    for (uint32_t seed : kSeeds) {
        for (bool variant : {false, true}) {
            SCOPED_TRACE(testing::Message() << seed << (variant ? " variant" : ""));
            CGameCipher client;
            client.Init(GameCipherKey(seed, variant));
            ReceiveKey receive;
            receive.Init(client.GetBlock());
            EXPECT_EQ(receive.key(), testshard::ReceiveKeyFor(WireSeed(seed), variant));

            const std::vector<uint8_t> plain = Counting(700);
            std::vector<uint8_t> wire = plain;
            client.Crypt(wire.data(), wire.size());
            testshard::GameKeystream server;
            server.Key(WireSeed(seed), variant);
            server.Apply(wire.data(), wire.size());
            EXPECT_EQ(wire, plain);
        }
    }
}

TEST(GameCipher, TheByteAfterTheFirstBlockUsesTheRenewedBlock) {
    CGameCipher cipher;
    cipher.Init(0x5A5A1234);
    std::vector<uint8_t> first(cipher.GetBlock(), cipher.GetBlock() + 256);
    std::vector<uint8_t> zeros(257, 0);
    cipher.Crypt(zeros.data(), zeros.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), zeros.begin()));

    // Block 2 is Twofish-ECB of block 1 under the same key.
    const uint32_t k = 0x5A5A1234;
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = static_cast<uint8_t>(k >> (8 * (i % 4)));
    twofish_ctx context;
    twofish128_set_key(&context, key);
    uint8_t renewed[16];
    twofish_encrypt(&context, 16, renewed, first.data());
    EXPECT_EQ(zeros[256], renewed[0]);
    EXPECT_NE(zeros[256], first[0]);
    EXPECT_EQ(cipher.GetBlock()[0], renewed[0]);
}

TEST(GameCipher, OneFlushOfThreeHundredEqualsTwoOfOneHundredFifty) {
    CGameCipher once, twice;
    once.Init(0xCAFEF00D);
    twice.Init(0xCAFEF00D);
    std::vector<uint8_t> a = Counting(300), b = a;
    once.Crypt(a.data(), 300);
    twice.Crypt(b.data(), 150);
    twice.Crypt(b.data() + 150, 150);
    EXPECT_EQ(a, b);
    once.ResetPosition();
    std::vector<uint8_t> again = Counting(1);
    once.Crypt(again.data(), 1);
    EXPECT_EQ(again[0], static_cast<uint8_t>(3 ^ once.GetBlock()[0]));
}

TEST(ReceiveKey, TheIndexRunsOnAcrossReads) {
    CGameCipher cipher;
    cipher.Init(42);
    ReceiveKey whole, split;
    whole.Init(cipher.GetBlock());
    split.Init(cipher.GetBlock());
    std::vector<uint8_t> a = Counting(53), b = a;
    whole.Apply(a.data(), a.size());
    split.Apply(b.data(), 7);
    split.Apply(b.data() + 7, 20);
    split.Apply(b.data() + 27, 26);
    EXPECT_EQ(a, b);
    EXPECT_EQ(split.index(), 53u);
    EXPECT_EQ(a[17], static_cast<uint8_t>(Counting(53)[17] ^ whole.key()[1]));
}

} // namespace
