#pragma once
// The in-game windows: the functions of this folder that others call and that are not built yet. Their
// stand-ins live in windows/stubs/; each goes away, with its declaration here, when its code arrives.
#include <cstdint>

class CGump;

namespace TextManager {
void startup();
void FreeLines();
void CloseJournalFile();
} // namespace TextManager
class CInputWindow {
  public:
    CInputWindow();
    ~CInputWindow();
    int OnChar(int keyCode, intptr_t keyData);
    void OnKey(int code);
    void SendPromptReply(int kind, const char* text);
    bool HasPendingPrompt() const;
};
void LoadMacros();
void FreeMacros();
void StartMacro(int macroNumber);
// The index of the first macro key binding with this key and modifiers, or -1.
int FindMacroKeyBinding(int virtualKey, bool control, bool alt, bool shift);
void UpdateMacroPlayer();
void FocusMainWindow();
void RequestHelp();
void ShowSystemMessage(int hue, int font, const char* text);
namespace GameAreaEdgeGump {
void RebuildAll(); // the strips around the game area, after its size changed
}
// Popup help decides again whether it is used, and its window state starts anew.
void ClearPopupHelpState();
