// Stand-in until the translation server client is built: its settings are dropped.
#include "text/LanguageTranslationServer.h"

namespace LanguageTranslationServer {
void enable() {}
void setAddress(uint32_t) {}
void setPort(uint16_t) {}
void setTranslatorName(const char*) {}
void setNFWMarker(const char*) {}
void setTopicalGlossaries(const char*) {}
void setDocumentType(const char*) {}
} // namespace LanguageTranslationServer
