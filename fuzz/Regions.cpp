// "regions.mul" images of any version.
#include "core/QVReport.h"
#include "world/RegionManager.h"

#include <cstdint>
#include <cstring>

static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        return true;
    }();
    (void)once;
    RegionManager::LoadFromBytes(data, size);
    unsigned sum = static_cast<unsigned>(RegionManager::GetVersion());
    // The records the input could hold, by the slots it names.
    for (size_t at = 0; at + 42 <= size && at < 64 * 58; at += 29) {
        const int slot = data[at + 40] | data[at + 41] << 8;
        if (const RegionRecord* r = RegionManager::GetRegion(slot))
            sum += static_cast<unsigned>(std::strlen(r->name) + std::strlen(r->text)) + r->value5;
    }
    g_sink += sum;
    RegionManager::Clear();
    return 0;
}
