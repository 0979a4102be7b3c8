#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

void ExitProcessNow(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

std::string GetEnv(std::string_view name) {
    const char* v = std::getenv(std::string(name).c_str());
    return v ? std::string(v) : std::string();
}

} // namespace platform
