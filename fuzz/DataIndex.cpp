// Data rows of a maximum install: the index and data files read in place, with a server-sent item
// written over them (fuzz/support/DataIndexInput.h has the input's layout).
#include "fuzz/support/DataIndexInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return qvfuzz::dataindex::Run(data, size, false);
}
