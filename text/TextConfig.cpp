#include "text/TextConfig.h"

#include "core/Options.h"

std::string ConfiguredUserLanguageCode() {
    return UserLanguageCodeString;
}

void SetConfiguredUserLanguageCode(const std::string& code) {
    UserLanguageCodeString = code;
}

bool ConfiguredShadedFonts() {
    return ShadedFonts;
}

void SetConfiguredShadedFonts(bool on) {
    ShadedFonts = on;
}

void ResetTextConfig() {
    UserLanguageCodeString.clear();
    ShadedFonts = false;
}
