// Stand-in until the translation server client is built: its settings are dropped and nothing is
// started or sent.
#include "core/QVReport.h"
#include "text/LanguageTranslationServer.h"

namespace LanguageTranslationServer {
void enable() {}
void setAddress(uint32_t) {}
void setPort(uint16_t) {}
void setTranslatorName(const char*) {}
void setNFWMarker(const char*) {}
void setTopicalGlossaries(const char*) {}
void setDocumentType(const char*) {}
void install() {
    QVReport::message("LanguageTranslationServer::install: no translation server.\n");
}
void uninstall() {}
void setUserLanguageCode(const char*) {}
namespace Packet {
void update() {}
} // namespace Packet
} // namespace LanguageTranslationServer
