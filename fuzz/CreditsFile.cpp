// "credits.dat" from any bytes: every line within the reader's 254 bytes and at most 32 songs (a file
// of directives alone holds no line, which the roll refuses).
#include "frontend/credits.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetCreditsDefaultsForTests(); // each input starts from the same defaults
    CreditsText text;
    ParseCredits(std::string_view(reinterpret_cast<const char*>(data), size), text);
    for (const CreditLine& line : text.lines)
        if (line.text.IsNull() || line.text.GetLength() > 254) std::abort();
    if (text.songs.Count() > CCycleList::kCapacity) std::abort();
    for (int i = 0; i < text.songs.Count(); ++i, text.songs.Next())
        (void)CreditSong(text.songs);
    return 0;
}
