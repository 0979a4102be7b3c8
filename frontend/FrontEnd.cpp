#include "frontend/FrontEnd.h"

#include "core/ExitHandlers.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/MessageGumps.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "platform/platform.h"

namespace {

struct State {
    GumpRef<CMainMenuGump> mainMenu;
    GumpRef<CAcctLoginGump> acctLogin;
    GumpRef<CServerListGump> serverList;
    GumpRef<CLoginGump> characters;
    std::string charPassword;
    int charSlot = 0;
    bool oneCharacterSlot = false;
};

State& S() {
    static State state;
    return state;
}

} // namespace

FrontEndHooks& FrontEndHookTable() {
    static FrontEndHooks hooks;
    return hooks;
}

namespace FrontEnd {

GumpRef<CMainMenuGump>& MainMenu() {
    return S().mainMenu;
}
GumpRef<CAcctLoginGump>& AcctLogin() {
    return S().acctLogin;
}
GumpRef<CServerListGump>& ServerList() {
    return S().serverList;
}
GumpRef<CLoginGump>& CharacterSelection() {
    return S().characters;
}
std::string& CharPassword() {
    return S().charPassword;
}
int& CharSlot() {
    return S().charSlot;
}
bool& OneCharacterSlot() {
    return S().oneCharacterSlot;
}

void CloseWaiting() {
    if (CWaitingGump* box = GetPendingWaitingGump()) box->Close();
    SetPendingWaitingGump(nullptr);
}

bool IsWaitingShown() {
    return GetPendingWaitingGump() != nullptr;
}

CWaitingGump* ShowMessage(const char* text, CGump* owner, int value) {
    CloseWaiting();
    if (owner) owner->visible = false;
    auto* box = gump_cast<CWaitingGump>(CGumpManager::ShowModalMessage(text, owner, 1, value));
    SetPendingWaitingGump(box);
    return box;
}

CWaitingGump* ShowWaiting(const char* text, CGump* owner, bool withButton) {
    CloseWaiting();
    QVReport::message("CWaitingGump: %s\n", text);
    auto* box = new CWaitingGump(-1, -1, text, owner, false, false, 0);
    if (!withButton && box->Button()) box->Button()->visible = false;
    box->Attach(nullptr);
    SetPendingWaitingGump(box);
    return box;
}

void SendDisconnectNotice() {
    if (!IsConnected()) return;
    uint8_t buffer[5];
    PacketWriter notice(buffer);
    BeginPacket(notice, 0x01);
    WritePacketU32(notice, 0xFFFFFFFF);
    SendPacket(notice);
}

void ExitProcess(int code) {
    if (FrontEndHookTable().exitProcess) FrontEndHookTable().exitProcess(code);
    TerminateProcess(code);
}

WebSettings ReadWebSettings() {
    WebSettings w;
    auto read = [](const char* name, const char* fallback) {
        std::optional<std::string> value = FileManager::ReadInstallValue(name);
        return value && !value->empty() ? *value : std::string(fallback);
    };
    w.mainSite = read("WebSite", "https://www.varnis-online.example/");
    w.registrationSite = read("RegistrationSite", "https://register.varnis-online.example/");
    w.supportSite = read("SupportSite", "https://support.varnis-online.example/");
    w.accountSite = read("AccountSite", "https://accounts.varnis-online.example/cgi-bin/gms_web.pl");
    w.listHost = read("ShardListHost", "shards.varnis-online.example");
    w.listPath = read("ShardListPath", "/cgi-bin/");
    return w;
}

void ResetForTests() {
    S() = State{};
    FrontEndHookTable() = FrontEndHooks{};
}

} // namespace FrontEnd
