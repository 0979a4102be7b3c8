// Stand-in until fonts, localized text and the translation server are built.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace FontManager {
void startup() {
    QVReport::message("FontManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("FontManager::shutdown: begin.\n");
}
} // namespace FontManager

namespace LanguageManager {
void startup() {
    QVReport::message("LanguageManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("LanguageManager::shutdown: begin.\n");
}
LanguageSection* loadSection(const char*, const char*, const char*, bool, bool, bool) {
    return nullptr;
}
} // namespace LanguageManager

namespace LanguageTranslationServer::Packet {
void update() {}
} // namespace LanguageTranslationServer::Packet

void UnicodeCalcInfo(const char16_t*, int* width, int* height, int* third) {
    if (width) *width = 0;
    if (height) *height = 18;
    if (third) *third = 0;
}
int UnicodeDrawString(uint16_t*, int, const char16_t*, int, int, uint16_t, const void*) {
    return 0;
}
