#pragma once
// The client of the local translation server: what the language manager and the main loop call.

namespace LanguageTranslationServer {
void install();
void uninstall();
// The user's 3-letter language code (and its terminator).
void setUserLanguageCode(const char* code);
namespace Packet {
// Handles one reply, when one has arrived; called after every window message.
void update();
} // namespace Packet
} // namespace LanguageTranslationServer
