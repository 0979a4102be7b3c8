// The clipboard's text is whatever another program put there.
#include "app/MainWindow.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::u16string units = ClipboardTextUnits(text);
    // Each byte gives at most one unit, or two for a line end (CR LF).
    if (units.size() > 2 * size) std::abort();
    return 0;
}
