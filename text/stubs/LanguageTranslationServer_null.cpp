// Stand-in until the translation server client is built: nothing is started or sent.
#include "core/QVReport.h"
#include "text/LanguageTranslationServer.h"

namespace LanguageTranslationServer {
void install() {
    QVReport::message("LanguageTranslationServer::install: no translation server.\n");
}
void uninstall() {}
void setUserLanguageCode(const char*) {}
namespace Packet {
void update() {}
} // namespace Packet
} // namespace LanguageTranslationServer
