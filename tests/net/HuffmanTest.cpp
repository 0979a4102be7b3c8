#include "net/Huffman.h"
#include "testshard/Wire.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(Huffman, CodeTableMatchesTheTextTable) {
    const std::vector<testshard::Code>& text = testshard::Codes();
    ASSERT_EQ(text.size(), static_cast<size_t>(kHuffmanSymbolCount));
    for (int symbol = 0; symbol < kHuffmanSymbolCount; ++symbol) {
        EXPECT_EQ(kHuffmanCodes[symbol].bits, text[symbol].bits) << symbol;
        EXPECT_EQ(kHuffmanCodes[symbol].value, text[symbol].value) << symbol;
    }
}

std::vector<uint8_t> DecodeAll(HuffmanDecoder& decoder, const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out(in.size() * 4 + 4);
    size_t produced = 0;
    EXPECT_EQ(decoder.Decode(in.data(), in.size(), out.data(), out.size(), produced), in.size());
    out.resize(produced);
    return out;
}

TEST(Huffman, EndOfPacketDiscardsTheRestOfItsByte) {
    // 0x73 (8 bits) 0x00 (2 bits) end (4 bits): two bits of padding, whatever they hold.
    std::vector<uint8_t> stream = testshard::CompressPacket({0x73, 0x00});
    ASSERT_EQ(stream.size(), 2u);
    stream[1] |= 0x03;
    stream.push_back(stream[0]); // the same packet again, from a fresh byte
    stream.push_back(stream[1]);
    HuffmanDecoder decoder;
    EXPECT_EQ(DecodeAll(decoder, stream), (std::vector<uint8_t>{0x73, 0x00, 0x73, 0x00}));
    EXPECT_TRUE(decoder.AtCodeStart());
}

TEST(Huffman, ACodeSplitAcrossCallsDecodesAsIfWhole) {
    // 0xA6: 11 bits, so it always straddles a byte boundary.
    const std::vector<uint8_t> stream = testshard::CompressPacket({0xA6, 0xA6, 0xA6});
    HuffmanDecoder whole, split;
    const std::vector<uint8_t> expected = DecodeAll(whole, stream);
    EXPECT_EQ(expected, (std::vector<uint8_t>{0xA6, 0xA6, 0xA6}));
    std::vector<uint8_t> got;
    for (uint8_t b : stream) {
        const std::vector<uint8_t> part = DecodeAll(split, {b});
        got.insert(got.end(), part.begin(), part.end());
    }
    EXPECT_EQ(got, expected);
}

TEST(Huffman, DecodesNothingWithoutRoomForAWholeByte) {
    HuffmanDecoder decoder;
    const uint8_t zeros[2] = {0, 0}; // four 0x00 symbols per byte
    uint8_t out[7];
    size_t produced = 99;
    EXPECT_EQ(decoder.Decode(zeros, 2, out, 3, produced), 0u);
    EXPECT_EQ(produced, 0u);
    EXPECT_EQ(decoder.Decode(zeros, 2, out, 7, produced), 1u);
    EXPECT_EQ(produced, 4u);
}

} // namespace
