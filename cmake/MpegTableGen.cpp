// Build-time generator of the MPEG-audio tables: reads the standards' numbers from
// media/mpeg/data, checks them, and writes them as C++ arrays.
// Usage: MpegTableGen DATA_DIR OUT_HEADER
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "MpegTableGen: %s\n", why.c_str());
    std::exit(1);
}

std::vector<std::vector<std::string>> Records(const std::string& path) {
    std::ifstream in(path);
    if (!in) Fail("cannot read " + path);
    std::vector<std::vector<std::string>> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string w; words >> w;)
            fields.push_back(w);
        if (!fields.empty()) out.push_back(fields);
    }
    return out;
}

struct Class {
    bool grouped;
    int bits;
};

} // namespace

int main(int argc, char** argv) {
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
    out << "};\n\n} // namespace mpeg_data\n";
    if (!out) Fail("cannot write " + std::string(argv[2]));
    return 0;
}
