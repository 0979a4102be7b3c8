#pragma once
// The configuration files of the synthetic installation: a "qv.cfg" that starts the client without
// the intro or a first-launch question, a "login.cfg" naming the test server on this machine, and
// a small "speech.mul" keyword table.
#include <cstdint>
#include <string>

namespace mkinstall {

bool WriteConfigFiles(const std::string& dir, std::string* error);

// The keywords of the written "speech.mul": {id, pattern}.
struct SampleKeyword {
    uint16_t id;
    const char* pattern;
};
constexpr SampleKeyword kSampleKeywords[] = {{0x0000, "*guards*"}, {0x0016, "*bank*"}, {0x0155, "hail*"}};

} // namespace mkinstall
