// Stand-in until the in-game windows are built: no journal, an entry line that takes nothing, no
// macros.
#include "core/QVReport.h"
#include "windows/WindowsStandIns.h"

namespace TextManager {
void startup() {
    QVReport::message("TextManager::startup: begin.\n");
}
void FreeLines() {
    QVReport::message("TextManager::FreeLines: begin.\n");
}
void CloseJournalFile() {}
} // namespace TextManager

CInputWindow::CInputWindow() {
    QVReport::message("CInputWindow::CInputWindow(): begin.\n");
}
CInputWindow::~CInputWindow() = default;
int CInputWindow::OnChar(int, intptr_t) {
    return 0;
}
void CInputWindow::OnKey(int) {}
void CInputWindow::SendPromptReply(int, const char*) {}
bool CInputWindow::HasPendingPrompt() const {
    return false;
}

void LoadMacros() {
    QVReport::message("LoadMacros: begin.\n");
}
void FreeMacros() {}
void StartMacro(int) {}
int FindMacroKeyBinding(int, bool, bool, bool) {
    return -1;
}
void UpdateMacroPlayer() {}
void FocusMainWindow() {}
void RequestHelp() {}
namespace GameAreaEdgeGump {
void RebuildAll() {}
} // namespace GameAreaEdgeGump
void ClearPopupHelpState() {}
void ShowSystemMessage(int, int, const char* text) {
    QVReport::message("ShowSystemMessage: %s\n", text ? text : "");
}
