#include "frontend/FrontEndBinding.h"

#include "core/QVReport.h"
#include "frontend/FrontEnd.h"
#include "frontend/LogOut.h"
#include "frontend/MainMenu.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MessageGumps.h"
#include "net/NetServices.h"

namespace {

// The owner of a box the login road opens: the boxes given to the main menu belong to the account
// dialog, so that their OK brings the login back.
CGump* OwnerOf(MessageOwner owner) {
    switch (owner) {
    case MessageOwner::MainMenu:
        return FrontEnd::AcctLogin().get();
    case MessageOwner::CharacterSelection:
        return nullptr;
    default:
        return nullptr;
    }
}

} // namespace

void BindFrontEndServices(NetServices& s) {
    s.showModalMessage = [](MessageOwner owner, const char* text, int, int value) {
        FrontEnd::ShowMessage(text, OwnerOf(owner), value);
    };
    s.isWaitingGumpShown = FrontEnd::IsWaitingShown;
    s.deleteWaitingGump = FrontEnd::CloseWaiting;
    s.showWaitingBox = [](const char* text, bool withButton) {
        FrontEnd::ShowWaiting(text, nullptr, withButton);
    };
    s.showServersDown = [](const char* text) { FrontEnd::ShowMessage(text, FrontEnd::AcctLogin().get()); };
    s.enableMainMenu = EnableMainMenu;
}

void InstallFrontEndSlots() {
    GumpSlotTable().logOut = LogOut;
}
