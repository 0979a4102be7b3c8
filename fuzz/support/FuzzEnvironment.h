// Every fuzz target links this: before main it makes one scratch folder (memory-backed where the
// machine has /dev/shm), points every store there (the settings store, the player's data folder,
// named objects, "qv.cfg" and the other files of the client's folder) and turns off the flush to
// disk, so that inputs which reach a save cost memory work only and nothing lands in the working
// folder. The folder goes at exit; folders of fuzzers that died are removed by the next one.
#pragma once

#include <string>

namespace qvfuzz {

// The scratch folder, made once per process (no trailing slash).
const std::string& ScratchFolder();

} // namespace qvfuzz
