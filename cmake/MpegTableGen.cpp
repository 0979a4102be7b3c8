// Build-time generator of the MPEG-audio tables: reads the standards' numbers from
// media/mpeg/data, checks them, and writes them as C++ arrays.
// Usage: MpegTableGen DATA_DIR OUT_HEADER
#include "TableRecords.h"
#include <algorithm>
#include <cmath>
#include <cstdint>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tablegen::Fail;
using tablegen::Records;

struct Class {
    bool grouped;
    int bits;
};

} // namespace

int main(int argc, char** argv) {
    tablegen::ToolName() = "MpegTableGen";
    if (argc != 3) Fail("usage: MpegTableGen DATA_DIR OUT_HEADER");
    const std::string dir = argv[1];

    // Window: 257 integers, checked against every printed decimal.
    std::vector<long> s(257, 0);
    std::vector<int> seenS(257, 0);
    std::vector<double> d(512, 0);
    std::vector<int> seenD(512, 0);
    for (const auto& r : Records(dir + "/synthesis-window.txt")) {
        if (r.size() != 3) Fail("bad window record");
        int i = std::stoi(r[1]);
        if (r[0] == "s" && i >= 0 && i <= 256) {
            s[i] = std::stol(r[2]);
            seenS[i]++;
        } else if (r[0] == "D" && i >= 0 && i < 512) {
            d[i] = std::stod(r[2]);
            seenD[i]++;
        } else {
            Fail("bad window record " + r[0] + " " + r[1]);
        }
    }
    for (int j = 0; j <= 256; ++j)
        if (seenS[j] != 1) Fail("window s[" + std::to_string(j) + "] missing or repeated");
    if (s[0] != 0 || s[1] != -1 || s[256] != 75038) Fail("window s[0], s[1], s[256] are not 0, -1, 75038");
    for (int i = 0; i < 512; ++i) {
        if (seenD[i] != 1) Fail("window D[" + std::to_string(i) + "] missing or repeated");
        int j = i <= 256 ? i : 512 - i;
        double exact = ((i / 64) % 2 ? -1.0 : 1.0) * static_cast<double>(s[j]) / 65536.0;
        if (std::fabs(exact - d[i]) > 0.51e-9) Fail("window D[" + std::to_string(i) + "] disagrees with s");
    }

    // Layer II allocation tables as {bits, d} pairs: per subband a group of 2^nbal entries whose
    // first is {nbal, 0}; d < 0 means separate codes (level = code + d), d > 0 a grouped code of
    // d levels.
    std::map<int, Class> classes;
    const char* names[5] = {"B.2a", "B.2b", "B.2c", "B.2d", "LSF"};
    const int limits[5] = {27, 30, 8, 12, 30};
    std::vector<std::pair<int, int>> entries;
    int starts[5] = {-1, -1, -1, -1, -1};
    int counts[5] = {0, 0, 0, 0, 0};
    int current = -1;
    for (const auto& r : Records(dir + "/layer2-allocation.txt")) {
        if (r[0] == "class") {
            if (r.size() != 7) Fail("bad class record");
            int levels = std::stoi(r[1]);
            Class c{r[2] == "grouped", std::stoi(r[4])};
            bool ok = c.grouped ? (levels == 3 && c.bits == 5) || (levels == 5 && c.bits == 7) ||
                                      (levels == 9 && c.bits == 10)
                                : levels == (1 << c.bits) - 1;
            if (!ok) Fail("class " + r[1] + " has unexpected grouping or bits");
            classes[levels] = c;
        } else if (r[0] == "table") {
            current = -1;
            for (int t = 0; t < 5; ++t)
                if (r[1] == names[t]) current = t;
            if (current < 0 || r.size() != 4 || std::stoi(r[3]) != limits[current])
                Fail("unexpected table " + r[1]);
            if (starts[current] >= 0) Fail("table " + r[1] + " repeated");
            starts[current] = static_cast<int>(entries.size());
        } else if (r[0] == "sb") {
            if (current < 0 || r.size() < 6) Fail("subband outside a table");
            if (std::stoi(r[1]) != counts[current]) Fail("subbands out of order");
            int nbal = std::stoi(r[3]);
            if (nbal < 2 || nbal > 4 || static_cast<int>(r.size()) != 5 + (1 << nbal))
                Fail("subband with a bad allocation field");
            entries.push_back({nbal, 0});
            if (std::stoi(r[5]) != 0) Fail("allocation 0 must mean nothing sent");
            for (int a = 1; a < (1 << nbal); ++a) {
                int levels = std::stoi(r[5 + a]);
                auto c = classes.find(levels);
                if (c == classes.end()) Fail("unknown class " + r[5 + a]);
                int dd = c->second.grouped ? levels : -((levels - 1) / 2);
                entries.push_back({c->second.bits, dd});
            }
            counts[current]++;
        }
    }
    for (int t = 0; t < 5; ++t)
        if (starts[t] < 0 || counts[t] != limits[t])
            Fail(std::string("table ") + names[t] + " does not have its subband limit");

    // Layer III Huffman tables: codes per value, checked to be a complete prefix code, then laid
    // out as multi-level lookup tables that take up to kLevelBits bits per step.
    struct Code {
        int value, length;
        uint32_t bits;
    };
    std::vector<std::vector<Code>> codes(34);
    int linbits[34] = {}, sharesCodesOf[34], xlen[34] = {};
    for (int t = 0; t < 34; ++t)
        sharesCodesOf[t] = t;
    {
        int current = -1, expected = 0;
        bool quad = false;
        for (const auto& r : Records(dir + "/huffman.txt")) {
            if (r[0] == "table") {
                if (current >= 0 && static_cast<int>(codes[current].size()) != expected)
                    Fail("Huffman table " + std::to_string(current) + " has the wrong number of codes");
                current = std::stoi(r[1]);
                if (current < 1 || current > 33 || !codes[current].empty()) Fail("bad Huffman table " + r[1]);
                quad = r[3] == "quad";
                if (quad) {
                    if (current < 32 || r.size() != 6) Fail("bad quadruple table header");
                    expected = std::stoi(r[5]);
                    xlen[current] = 2;
                } else {
                    if (r.size() != 12 && r.size() != 14) Fail("bad pair table header");
                    xlen[current] = std::stoi(r[5]);
                    if (std::stoi(r[7]) != xlen[current]) Fail("pair table with xlen != ylen");
                    linbits[current] = std::stoi(r[9]);
                    expected = std::stoi(r[11]);
                    if (r.size() == 14) {
                        sharesCodesOf[current] = std::stoi(r[13]);
                        expected = 0;
                    }
                }
            } else {
                if (current < 0) Fail("Huffman code outside a table");
                const size_t n = quad ? 6 : 4;
                if (r.size() != n) Fail("bad Huffman code record in table " + std::to_string(current));
                int value = 0;
                for (size_t k = 0; k + 2 < n; ++k) {
                    int v = std::stoi(r[k]);
                    if (v < 0 || v >= (quad ? 2 : xlen[current])) Fail("Huffman value out of range");
                    value = quad ? value << 1 | v : value << 4 | v;
                }
                int length = std::stoi(r[n - 2]);
                const std::string& word = r[n - 1];
                if (length < 1 || length > 24 || static_cast<int>(word.size()) != length)
                    Fail("Huffman code length disagrees with its bits");
                uint32_t bits = 0;
                for (char c : word) {
                    if (c != '0' && c != '1') Fail("Huffman code with a bad bit");
                    bits = bits << 1 | static_cast<uint32_t>(c - '0');
                }
                codes[current].push_back({value, length, bits});
            }
        }
        if (current >= 0 && static_cast<int>(codes[current].size()) != expected)
            Fail("Huffman table " + std::to_string(current) + " has the wrong number of codes");
    }
    const int expectLinbits[16] = {1, 2, 3, 4, 6, 8, 10, 13, 4, 5, 6, 7, 8, 9, 11, 13};
    for (int t = 16; t < 32; ++t)
        if (linbits[t] != expectLinbits[t - 16]) Fail("unexpected linbits in table " + std::to_string(t));
    // Every table with codes must be a complete prefix code (Kraft sum exactly 1): then every bit
    // sequence reaches a value within the longest code.
    for (int t = 1; t < 34; ++t) {
        if (sharesCodesOf[t] != t || codes[t].empty()) {
            if (t != 4 && t != 14 && (sharesCodesOf[t] == t || codes[sharesCodesOf[t]].empty()))
                Fail("Huffman table " + std::to_string(t) + " has no codes");
            continue;
        }
        const int want = t >= 32 ? 16 : xlen[t] * xlen[t];
        if (static_cast<int>(codes[t].size()) != want) Fail("Huffman table size");
        double kraft = 0;
        for (const Code& c : codes[t])
            kraft += std::ldexp(1.0, -c.length);
        if (kraft != 1.0) Fail("Huffman table " + std::to_string(t) + " is not a complete code");
        for (const Code& a : codes[t])
            for (const Code& b : codes[t])
                if (&a != &b && a.length <= b.length && (b.bits >> (b.length - a.length)) == a.bits)
                    Fail("Huffman table " + std::to_string(t) + " is not a prefix code");
    }
    // Lookup entries: a value: length << 16 | value (length within this level); a further level:
    // 0x80000000 | bits << 24 | offset of the level in the whole array.
    std::vector<uint32_t> lookup;
    std::function<int(const std::vector<Code>&, int)> level = [&](const std::vector<Code>& set, int depth) {
        int longest = 0;
        for (const Code& c : set)
            longest = std::max(longest, c.length - depth);
        const int bits = std::min(longest, 8);
        const int start = static_cast<int>(lookup.size());
        lookup.resize(lookup.size() + (size_t{1} << bits), 0xFFFFFFFFu);
        std::map<uint32_t, std::vector<Code>> deeper;
        for (const Code& c : set) {
            const int rest = c.length - depth;
            const uint32_t suffix = c.bits & ((1u << rest) - 1);
            if (rest <= bits) {
                const uint32_t first = suffix << (bits - rest);
                for (uint32_t k = 0; k < (1u << (bits - rest)); ++k)
                    lookup[start + first + k] =
                        static_cast<uint32_t>(rest) << 16 | static_cast<uint32_t>(c.value);
            } else {
                deeper[suffix >> (rest - bits)].push_back(c);
            }
        }
        for (auto& [prefix, sub] : deeper) {
            const int level_ = level(sub, depth + bits);
            lookup[start + prefix] = 0x80000000u | static_cast<uint32_t>(level_ >> 24) << 24 |
                                     static_cast<uint32_t>(level_ & 0xFFFFFF);
        }
        for (int k = start; k < start + (1 << bits); ++k)
            if (lookup[k] == 0xFFFFFFFFu) Fail("Huffman lookup entry left empty");
        return start | bits << 24;
    };
    int lookupStart[34], lookupBits[34];
    for (int t = 0; t < 34; ++t) {
        lookupStart[t] = -1;
        lookupBits[t] = 0;
        const int owner = sharesCodesOf[t];
        if (codes[owner].empty()) continue;
        if (owner != t) {
            lookupStart[t] = lookupStart[owner];
            lookupBits[t] = lookupBits[owner];
            continue;
        }
        const int r = level(codes[t], 0);
        lookupStart[t] = r & 0xFFFFFF;
        lookupBits[t] = r >> 24;
    }

    std::ofstream out(argv[2]);
    out << "// Generated by cmake/MpegTableGen.cpp from media/mpeg/data; do not edit.\n#pragma once\n"
           "#include \"media/mpeg/MpegTables.h\"\n\n#include <cstdint>\n\nnamespace mpeg_data {\n\n";
    out << "// Synthesis window, exact integer form: D[i] = (-1)^floor(i/64) s[j] / 65536.\n";
    out << "inline constexpr int32_t kWindowInts[257] = {";
    for (int j = 0; j <= 256; ++j)
        out << (j % 12 ? " " : "\n    ") << s[j] << ",";
    out << "\n};\n\n";
    out << "// Layer II allocation tables B.2a, B.2b, B.2c, B.2d and the lower-rate table.\n";
    out << "inline constexpr mpeg::AllocationEntry kAllocation[] = {";
    for (size_t e = 0; e < entries.size(); ++e)
        out << (e % 8 ? " " : "\n    ") << "{" << entries[e].first << ", " << entries[e].second << "},";
    out << "\n};\ninline constexpr int kAllocationStart[5] = {";
    for (int t = 0; t < 5; ++t)
        out << starts[t] << (t < 4 ? ", " : "");
    out << "};\ninline constexpr int kSubbandLimit[5] = {";
    for (int t = 0; t < 5; ++t)
        out << counts[t] << (t < 4 ? ", " : "");
    out << "};\n\n";
    out << "// Layer III Huffman tables (Table B.7): lookup levels, per table its first level, bits and\n"
           "// linbits (tables 0, 4 and 14 have none: start -1), and the codes for writing streams.\n";
    out << "inline constexpr uint32_t kHuffmanLookup[" << lookup.size() << "] = {";
    for (size_t e = 0; e < lookup.size(); ++e)
        out << (e % 8 ? " " : "\n    ") << lookup[e] << "u,";
    out << "\n};\ninline constexpr mpeg::HuffmanTableInfo kHuffmanTables[34] = {";
    for (int t = 0; t < 34; ++t)
        out << (t % 4 ? " " : "\n    ") << "{" << lookupStart[t] << ", " << lookupBits[t] << ", "
            << linbits[t] << ", " << sharesCodesOf[t] << "},";
    out << "\n};\ninline constexpr mpeg::HuffmanCode kHuffmanCodes[] = {";
    int codeStart[35];
    int count = 0;
    for (int t = 0; t < 34; ++t) {
        codeStart[t] = count;
        for (const Code& c : codes[t]) {
            out << (count % 6 ? " " : "\n    ") << "{" << c.value << ", " << c.length << ", " << c.bits
                << "u},";
            ++count;
        }
    }
    codeStart[34] = count;
    out << "\n};\ninline constexpr int kHuffmanCodeStart[35] = {";
    for (int t = 0; t < 35; ++t)
        out << codeStart[t] << (t < 34 ? ", " : "");
    out << "};\n\n} // namespace mpeg_data\n";
    if (!out) Fail("cannot write " + std::string(argv[2]));
    return 0;
}
