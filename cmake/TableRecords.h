#pragma once
// What the build-time table generators share: reading a data file of whitespace-separated records
// (blank lines and lines starting with '#' skipped) and failing the build with a reason.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tablegen {

// The generator's name, printed before every failure.
inline const char*& ToolName() {
    static const char* name = "tablegen";
    return name;
}

[[noreturn]] inline void Fail(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", ToolName(), why.c_str());
    std::exit(1);
}

inline std::vector<std::vector<std::string>> Records(const std::string& path) {
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

} // namespace tablegen
