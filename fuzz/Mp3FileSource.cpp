// The music file source over any file bytes: the scan for the first 0xFF byte, the decoder's open
// and stereo reads of varying sizes until the data ends (a few frames at most).
#include "media/mp3.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMp3FileSource source;
    if (!source.OpenBytes(size ? data : nullptr, size)) return 0;
    if (source.SampleRate() <= 0) std::abort();
    static std::vector<uint8_t> out(9216);
    const int chunks[] = {4, 1000, 4608, 9216};
    int turn = data[size - 1];
    for (int reads = 0; reads < 8; ++reads) {
        const int count = chunks[turn++ % 4];
        const int n = source.Read(out.data(), count);
        if (n > count) std::abort();
        if (n <= 0) break;
    }
    return 0;
}
