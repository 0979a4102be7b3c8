// Data rows of a CD install: the index and data files read through the small disk cache
// (fuzz/support/DataIndexInput.h has the input's layout).
#include "fuzz/support/DataIndexInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qvfuzz::dataindex::Run(data, size, true);
}
