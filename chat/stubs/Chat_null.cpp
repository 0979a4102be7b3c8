// Stand-in until chat, the side connection and help are built.
#include "chat/ChatStandIns.h"
#include "core/QVReport.h"
#include "gumps/ChatServices.h"
#include "text/WideText.h"

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

int SendGMSCommand(int type, const char16_t* argument) {
    char narrow[256] = {};
    if (argument) {
        int i = 0;
        for (; argument[i] && i < 255; ++i)
            narrow[i] = WideLowByte(argument[i]);
        narrow[i] = 0;
    }
    QVReport::message("SendGMSCommand: no side connection (%d \"%s\").\n", type, narrow);
    return 0;
}

namespace ContextHelp {
bool IsOpen() {
    return false;
}
void HandleLink(const char16_t*) {
    QVReport::message("ContextHelp::HandleLink: no help window.\n");
}
} // namespace ContextHelp
