// The .def substitution tables and "bodyconv.def", from any text.
#include "core/DefManager.h"

#include <cstdint>
#include <string_view>

// Reads go here, so that they are not optimised away.
static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    DefManager::ResetBodyConv();
    DefManager::SetFeatureFlags(size > 0 ? data[0] : 0);
    DefManager::LoadBodyConvText(text);
    DefTable table;
    table.Load(text);
    unsigned sum = 0;
    for (int id : {-32769, -1, 0, 1, 2, 3, 400, 1000, 2047, 2048, 16000, 32767, 32768})
        sum += static_cast<unsigned>(table.Contains(id)) +
               static_cast<unsigned>(table.PickAlternative(id, static_cast<uint32_t>(size))) +
               static_cast<unsigned>(DefManager::BodyConv(id));
    for (int id = 0; id < 64; ++id)
        sum += static_cast<unsigned>(table.PickAlternative(id, 1));
    g_sink += sum;
    return 0;
}
