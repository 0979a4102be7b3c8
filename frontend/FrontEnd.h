#pragma once
// The login front end's shared state: the current screens (GumpRefs, so a closed screen reads as
// null), the message box of the current step, the settings of its web links and the services it
// asks of the application above it.
#include "gumps/CGump.h"

#include <functional>
#include <string>

class CMainMenuGump;
class CAcctLoginGump;
class CServerListGump;
class CLoginGump;
class CWaitingGump;

// What the front end asks of the application; each slot may be empty (nothing happens). Tests put
// fakes here.
struct FrontEndHooks {
    std::function<bool(const std::string& url)> openUrl;
    std::function<void()> leaveFullScreen;
    std::function<void()> playIntroMovie;
    std::function<void(int x, int y, int width, int height)> setMainWindowPos;
    // The start of character creation; empty: the profession screen opens.
    std::function<void()> startCharacterCreation;
    // The end of the process with this code; empty: TerminateProcess.
    std::function<void(int code)> exitProcess;
    // Whether the server keeps the configuration files, and the desktop's save; empty: the
    // configuration sync's answer and the gump manager's save.
    std::function<bool()> serverKeepsConfig;
    std::function<void()> saveDesktop;
};
FrontEndHooks& FrontEndHookTable();

namespace FrontEnd {

GumpRef<CMainMenuGump>& MainMenu();
GumpRef<CAcctLoginGump>& AcctLogin();
GumpRef<CServerListGump>& ServerList();
GumpRef<CLoginGump>& CharacterSelection();
// The password typed for a protected character (CApp::charPassword), the chosen slot
// (CApp::charSlot) and the list's one-character flag (bit 0x10 of its client flags).
std::string& CharPassword();
int& CharSlot();
bool& OneCharacterSlot();

// The front end's current box: closes the one open, opens a message box with an OK button owned by
// owner (its OK shows the owner again), modal and front-most. value other than 0: its OK logs out.
CWaitingGump* ShowMessage(const char* text, CGump* owner, int value = 0);
// A waiting box without owner; withButton false hides its button.
CWaitingGump* ShowWaiting(const char* text, CGump* owner, bool withButton);
void CloseWaiting();
bool IsWaitingShown();

// Queues the disconnect notice (0x01) on the current connection.
void SendDisconnectNotice();

// Ends the process (the exit hook, else TerminateProcess).
[[noreturn]] void ExitProcess(int code);

// The web addresses and the shard-list host, from the settings store under the installation key
// ("WebSite", "RegistrationSite", "SupportSite", "AccountSite", "ShardListHost" as host[:port],
// "ShardListPath"), with defaults on the reserved domain varnis-online.example.
struct WebSettings {
    std::string mainSite, registrationSite, supportSite, accountSite;
    std::string listHost; // host[:port]
    std::string listPath; // ends in the script's folder: "login.pl?acctname=" follows
};
WebSettings ReadWebSettings();

void ResetForTests();

} // namespace FrontEnd
