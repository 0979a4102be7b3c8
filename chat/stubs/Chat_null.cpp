// Stand-in until chat, the side connection and help are built.
#include "chat/ChatStandIns.h"
#include "core/QVReport.h"

CGMSSock::CGMSSock() {
    QVReport::message("CGMSSock::CGMSSock(): begin.\n");
}
CGMSSock::~CGMSSock() = default;

namespace ContextHelpManager {
void startup() {
    QVReport::message("ContextHelpManager::startup: begin.\n");
}
} // namespace ContextHelpManager

void ShowContextHelp() {}
