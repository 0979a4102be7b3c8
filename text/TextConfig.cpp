#include "text/TextConfig.h"

namespace {

struct TextConfig {
    std::string userLanguageCode;
    bool shadedFonts = false;
};
TextConfig g_config;

} // namespace

std::string ConfiguredUserLanguageCode() {
    return g_config.userLanguageCode;
}

void SetConfiguredUserLanguageCode(const std::string& code) {
    g_config.userLanguageCode = code;
}

bool ConfiguredShadedFonts() {
    return g_config.shadedFonts;
}

void SetConfiguredShadedFonts(bool on) {
    g_config.shadedFonts = on;
}

void ResetTextConfig() {
    g_config = TextConfig{};
}
