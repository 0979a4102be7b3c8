#pragma once
// The configuration values the text subsystem reads, each through one function, so that where the
// configuration keeps them can change without touching the fonts or the language code.
#include <string>

// "UserLanguageCodeString": the user's language code as configured; "" when none was set.
std::string ConfiguredUserLanguageCode();
void SetConfiguredUserLanguageCode(const std::string& code);

// "ShadedFonts": bitmap fonts darken towards their lower rows.
bool ConfiguredShadedFonts();
void SetConfiguredShadedFonts(bool on);

// Back to "nothing configured".
void ResetTextConfig();
