// The edition file "verinfo": lines of any bytes, the patch number of the first tagged line.
#include "core/QVReport.h"
#include "frontend/MainMenu.h"

#include <cstdint>
#include <string_view>

static unsigned g_sink; // wraps: a sum of patch numbers overflows an int

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        return true;
    }();
    (void)once;
    const int patch = ParseVerinfoPatch(std::string_view(reinterpret_cast<const char*>(data), size));
    if (patch < 0 || patch > 999999999) __builtin_trap();
    g_sink += static_cast<unsigned>(patch);
    return 0;
}
