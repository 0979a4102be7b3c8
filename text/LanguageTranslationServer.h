#pragma once
// The client of the local translation server: what the configuration hands it, and what the
// language manager and the main loop call.
#include <cstdint>

namespace LanguageTranslationServer {
void enable();
void setAddress(uint32_t address); // host order
void setPort(uint16_t port);
void setTranslatorName(const char* name);
void setNFWMarker(const char* marker);
void setTopicalGlossaries(const char* text);
void setDocumentType(const char* text);
void install();
void uninstall();
// The user's 3-letter language code (and its terminator).
void setUserLanguageCode(const char* code);
namespace Packet {
// Handles one reply, when one has arrived; called after every window message.
void update();
} // namespace Packet
} // namespace LanguageTranslationServer
