// "MUSIC\DIGITAL\CONFIG.TXT" over any bytes: every id kept must be a song of the table, and every
// entry a non-empty word without blanks.
#include "media/mp3.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DigitalMusicTable table;
    ParseDigitalMusicConfig(reinterpret_cast<const char*>(data), size, table);
    for (const auto& [id, entries] : table) {
        if (id < 0 || id >= kDigitalSongCount || entries.empty()) std::abort();
        for (const std::string& e : entries)
            if (e.empty() || e.size() > 511 || e.find(' ') != std::string::npos) std::abort();
    }
    return 0;
}
