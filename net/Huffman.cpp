#include "net/Huffman.h"

#include "core/QVReport.h"

#include <bit>
#include <cstring>
#include <mutex>
#include <vector>

const HuffmanCode kHuffmanCodes[kHuffmanSymbolCount] = {
    {2, 0x000},  {5, 0x01F},  {6, 0x022},  {7, 0x034},  {7, 0x075},  {6, 0x028},  {6, 0x03B},  {7, 0x032},
    {8, 0x0E0},  {8, 0x062},  {7, 0x056},  {8, 0x079},  {9, 0x19D},  {8, 0x097},  {6, 0x02A},  {7, 0x057},
    {8, 0x071},  {8, 0x05B},  {9, 0x1CC},  {8, 0x0A7},  {7, 0x025},  {7, 0x04F},  {8, 0x066},  {8, 0x07D},
    {9, 0x191},  {9, 0x1CE},  {7, 0x03F},  {9, 0x090},  {8, 0x059},  {8, 0x07B},  {8, 0x091},  {8, 0x0C6},
    {6, 0x02D},  {9, 0x186},  {8, 0x06F},  {9, 0x093},  {10, 0x1CC}, {8, 0x05A},  {10, 0x1AE}, {10, 0x1C0},
    {9, 0x148},  {9, 0x14A},  {9, 0x082},  {10, 0x19F}, {9, 0x171},  {9, 0x120},  {9, 0x0E7},  {10, 0x1F3},
    {9, 0x14B},  {9, 0x100},  {9, 0x190},  {6, 0x013},  {9, 0x161},  {9, 0x125},  {9, 0x133},  {9, 0x195},
    {9, 0x173},  {9, 0x1CA},  {9, 0x086},  {9, 0x1E9},  {9, 0x0DB},  {9, 0x1EC},  {9, 0x08B},  {9, 0x085},
    {5, 0x00A},  {8, 0x096},  {8, 0x09C},  {9, 0x1C3},  {9, 0x19C},  {9, 0x08F},  {9, 0x18F},  {9, 0x091},
    {9, 0x087},  {9, 0x0C6},  {9, 0x177},  {9, 0x089},  {9, 0x0D6},  {9, 0x08C},  {9, 0x1EE},  {9, 0x1EB},
    {9, 0x084},  {9, 0x164},  {9, 0x175},  {9, 0x1CD},  {8, 0x05E},  {9, 0x088},  {9, 0x12B},  {9, 0x172},
    {9, 0x10A},  {9, 0x08D},  {9, 0x13A},  {9, 0x11C},  {10, 0x1E1}, {10, 0x1E0}, {9, 0x187},  {10, 0x1DC},
    {10, 0x1DF}, {7, 0x074},  {9, 0x19F},  {8, 0x08D},  {8, 0x0E4},  {7, 0x079},  {9, 0x0EA},  {9, 0x0E1},
    {8, 0x040},  {7, 0x041},  {9, 0x10B},  {9, 0x0B0},  {8, 0x06A},  {8, 0x0C1},  {7, 0x071},  {7, 0x078},
    {8, 0x0B1},  {9, 0x14C},  {7, 0x043},  {8, 0x076},  {7, 0x066},  {7, 0x04D},  {9, 0x08A},  {6, 0x02F},
    {8, 0x0C9},  {9, 0x0CE},  {9, 0x149},  {9, 0x160},  {10, 0x1BA}, {10, 0x19E}, {10, 0x39F}, {9, 0x0E5},
    {9, 0x194},  {9, 0x184},  {9, 0x126},  {7, 0x030},  {8, 0x06C},  {9, 0x121},  {9, 0x1E8},  {10, 0x1C1},
    {10, 0x11D}, {10, 0x163}, {10, 0x385}, {10, 0x3DB}, {10, 0x17D}, {10, 0x106}, {10, 0x397}, {10, 0x24E},
    {7, 0x02E},  {8, 0x098},  {10, 0x33C}, {10, 0x32E}, {10, 0x1E9}, {9, 0x0BF},  {10, 0x3DF}, {10, 0x1DD},
    {10, 0x32D}, {10, 0x2ED}, {10, 0x30B}, {10, 0x107}, {10, 0x2E8}, {10, 0x3DE}, {10, 0x125}, {10, 0x1E8},
    {9, 0x0E9},  {10, 0x1CD}, {10, 0x1B5}, {9, 0x165},  {10, 0x232}, {10, 0x2E1}, {11, 0x3AE}, {11, 0x3C6},
    {11, 0x3E2}, {10, 0x205}, {10, 0x29A}, {10, 0x248}, {10, 0x2CD}, {10, 0x23B}, {11, 0x3C5}, {10, 0x251},
    {10, 0x2E9}, {10, 0x252}, {9, 0x1EA},  {11, 0x3A0}, {11, 0x391}, {10, 0x23C}, {11, 0x392}, {11, 0x3D5},
    {10, 0x233}, {10, 0x2CC}, {11, 0x390}, {10, 0x1BB}, {11, 0x3A1}, {11, 0x3C4}, {10, 0x211}, {10, 0x203},
    {9, 0x12A},  {10, 0x231}, {11, 0x3E0}, {10, 0x29B}, {11, 0x3D7}, {10, 0x202}, {11, 0x3AD}, {10, 0x213},
    {10, 0x253}, {10, 0x32C}, {10, 0x23D}, {10, 0x23F}, {10, 0x32F}, {10, 0x11C}, {10, 0x384}, {10, 0x31C},
    {10, 0x17C}, {10, 0x30A}, {10, 0x2E0}, {10, 0x276}, {10, 0x250}, {11, 0x3E3}, {10, 0x396}, {10, 0x18F},
    {10, 0x204}, {10, 0x206}, {10, 0x230}, {10, 0x265}, {10, 0x212}, {10, 0x23E}, {11, 0x3AC}, {11, 0x393},
    {11, 0x3E1}, {10, 0x1DE}, {11, 0x3D6}, {10, 0x31D}, {11, 0x3E5}, {11, 0x3E4}, {10, 0x207}, {11, 0x3C7},
    {10, 0x277}, {11, 0x3D4}, {8, 0x0C0},  {10, 0x162}, {10, 0x3DA}, {10, 0x124}, {10, 0x1B4}, {10, 0x264},
    {10, 0x33D}, {10, 0x1D1}, {10, 0x1AF}, {10, 0x39E}, {10, 0x24F}, {11, 0x373}, {10, 0x249}, {11, 0x372},
    {9, 0x167},  {10, 0x210}, {10, 0x23A}, {10, 0x1B8}, {11, 0x3AF}, {10, 0x18E}, {10, 0x2EC}, {7, 0x062},
    {4, 0x00D},
};

static_assert(std::endian::native == std::endian::little, "decode steps store their symbols little-endian");

namespace {

// The tree has 257 leaves, hence 256 inner nodes; node 0 is the root. A child is an inner node
// (0..255) or a leaf, ~symbol.
struct TreeNode {
    int child[2] = {kMissing, kMissing};
    static constexpr int kMissing = 1 << 20;
};

// One step per (inner node, input byte): the symbols the byte completes (up to four, packed in
// bits 0-31), their count (bits 32-34) and the inner node the byte ends in (bits 40-47).
struct DecodeTables {
    std::vector<uint64_t> steps;
};

bool BuildTree(std::vector<TreeNode>& nodes) {
    nodes.assign(1, TreeNode{});
    for (int symbol = 0; symbol < kHuffmanSymbolCount; ++symbol) {
        const HuffmanCode code = kHuffmanCodes[symbol];
        int node = 0;
        for (int bit = code.bits - 1; bit >= 0; --bit) {
            const int branch = (code.value >> bit) & 1;
            const int child = nodes[node].child[branch];
            if (bit == 0) {
                if (child != TreeNode::kMissing) return false;
                nodes[node].child[branch] = ~symbol;
                break;
            }
            if (child < 0) return false; // a shorter code is a prefix of this one
            if (child == TreeNode::kMissing) {
                nodes[node].child[branch] = static_cast<int>(nodes.size());
                nodes.emplace_back();
            }
            node = nodes[node].child[branch];
        }
    }
    if (nodes.size() != kHuffmanSymbolCount - 1) return false;
    for (const TreeNode& n : nodes) {
        if (n.child[0] == TreeNode::kMissing || n.child[1] == TreeNode::kMissing) return false;
    }
    return true;
}

uint64_t StepFor(const std::vector<TreeNode>& nodes, int start, int byte) {
    uint64_t symbols = 0;
    uint64_t count = 0;
    int node = start;
    for (int bit = 7; bit >= 0; --bit) {
        const int child = nodes[node].child[(byte >> bit) & 1];
        if (child >= 0) {
            node = child;
            continue;
        }
        node = 0;
        const int symbol = ~child;
        if (symbol == kHuffmanEndOfPacket) break; // the rest of the byte is padding
        symbols |= static_cast<uint64_t>(symbol) << (8 * count);
        ++count;
    }
    return symbols | (count << 32) | (static_cast<uint64_t>(node) << 40);
}

const DecodeTables& Tables() {
    static const DecodeTables tables = [] {
        DecodeTables t;
        std::vector<TreeNode> nodes;
        if (!BuildTree(nodes))
            QVReport::fatal("BuildHuffmanTree: the code table is not a complete prefix code\n");
        t.steps.resize(nodes.size() * 256);
        for (size_t node = 0; node < nodes.size(); ++node) {
            for (int byte = 0; byte < 256; ++byte) {
                t.steps[node * 256 + byte] = StepFor(nodes, static_cast<int>(node), byte);
            }
        }
        return t;
    }();
    return tables;
}

} // namespace

void BuildHuffmanTree() {
    (void)Tables();
}

HuffmanDecoder::HuffmanDecoder() {
    BuildHuffmanTree();
}

size_t HuffmanDecoder::Decode(const uint8_t* in, size_t length, uint8_t* out, size_t room, size_t& produced) {
    const uint64_t* steps = Tables().steps.data();
    uint32_t state = node_ << 8;
    uint8_t* o = out;
    const uint8_t* const outEnd = out + room;
    size_t used = 0;
    while (used < length) {
        // Each byte writes four bytes and keeps up to four, so a batch needs no room checks.
        size_t batch = static_cast<size_t>(outEnd - o) / kMaxSymbolsPerByte;
        if (batch == 0) break;
        if (batch > length - used) batch = length - used;
        const uint8_t* p = in + used;
        const uint8_t* const end = p + batch;
        do {
            const uint64_t step = steps[state | *p++];
            const uint32_t symbols = static_cast<uint32_t>(step);
            std::memcpy(o, &symbols, 4);
            const uint32_t high = static_cast<uint32_t>(step >> 32);
            o += high & 7;
            state = high & 0xFF00;
        } while (p != end);
        used += batch;
    }
    node_ = state >> 8;
    produced = static_cast<size_t>(o - out);
    return used;
}
