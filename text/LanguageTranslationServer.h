#pragma once
// The client of the local translation server: what the configuration hands it.
#include <cstdint>

namespace LanguageTranslationServer {
void enable();
void setAddress(uint32_t address); // host order
void setPort(uint16_t port);
void setTranslatorName(const char* name);
void setNFWMarker(const char* marker);
void setTopicalGlossaries(const char* text);
void setDocumentType(const char* text);
} // namespace LanguageTranslationServer
