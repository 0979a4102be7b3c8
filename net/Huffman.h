#pragma once
// The fixed Huffman code of the server's game-phase stream: 257 symbols, the bytes 0x00-0xFF and
// 256, the end of a packet, after which the rest of the current byte is padding.
#include <cstddef>
#include <cstdint>

struct HuffmanCode {
    uint8_t bits;   // 2..11
    uint16_t value; // the code is the low `bits` bits of value, most significant first
};

constexpr int kHuffmanSymbolCount = 257;
constexpr int kHuffmanEndOfPacket = 256;
extern const HuffmanCode kHuffmanCodes[kHuffmanSymbolCount];

// Builds the process-wide decoding tables once (later calls do nothing). Decoders call it.
void BuildHuffmanTree();

// Decodes the stream one input byte per table step. Between calls it remembers the inner node of
// the tree where the last byte left it, so a code split across reads decodes as if whole.
class HuffmanDecoder {
  public:
    HuffmanDecoder();
    // Most symbols one input byte can yield: the shortest code is 2 bits.
    static constexpr size_t kMaxSymbolsPerByte = 4;

    // Decodes whole input bytes while at least kMaxSymbolsPerByte bytes of room remain. Returns the
    // input bytes consumed; produced is the bytes written to out.
    size_t Decode(const uint8_t* in, size_t length, uint8_t* out, size_t room, size_t& produced);
    // Back to the root: the next byte starts a new code.
    void Reset() { node_ = 0; }
    // True between codes (no bits of an unfinished code are pending).
    bool AtCodeStart() const { return node_ == 0; }

  private:
    uint32_t node_ = 0;
};
