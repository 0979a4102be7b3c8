#include "frontend/FrontEndBinding.h"

#include "core/QVReport.h"
#include "frontend/CharacterSelection.h"
#include "frontend/FrontEnd.h"
#include "frontend/LogOut.h"
#include "frontend/MainMenu.h"
#include "frontend/ShardList.h"
#include "frontend/igr.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChoiceLists.h"
#include "gumps/GumpWorld.h"
#include "gumps/MessageGumps.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"

namespace {

// The owner of a box the login road opens: the boxes given to the main menu belong to the account
// dialog, so that their OK brings the login back.
CGump* OwnerOf(MessageOwner owner) {
    switch (owner) {
    case MessageOwner::MainMenu:
        return FrontEnd::AcctLogin().get();
    case MessageOwner::CharacterSelection:
        return FrontEnd::CharacterSelection().get();
    default:
        // A box of the login road that names no owner (the game server could not be reached)
        // would leave no screen to go on with: outside the world the account login owns it.
        return PacketManager::IsGameDisplayEntered() ? nullptr : FrontEnd::AcctLogin().get();
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
    s.showServerList = ShowServerList;
    s.hasCharacterSelection = [] { return FrontEnd::CharacterSelection().get() != nullptr; };
    s.deleteCharacterSelection = [] {
        if (CLoginGump* screen = FrontEnd::CharacterSelection().get()) screen->Close();
        FrontEnd::CharacterSelection().reset();
    };
    s.showCharacterSelection = ShowCharacterSelection;
    s.startCharacterCreation = [] { StartCharacterCreation(nullptr); };
    s.refreshCharacterSelection = RefreshCharacterSelection;
    s.removeSelectedCharacter = RemoveSelectedCharacter;
    s.deleteLoginScreens = [] {
        FrontEnd::CloseWaiting();
        if (CLoginGump* screen = FrontEnd::CharacterSelection().get()) screen->Close();
        FrontEnd::CharacterSelection().reset();
    };
    s.setLogoutReturn = [] {};
    s.applyClientFlags = [](uint32_t flags) { FrontEnd::OneCharacterSlot() = (flags & 0x10) != 0; };
    s.igrSaveIdAndStart = [](const GameRoomSessionFields& fields) {
        IGRSaveIdAndStart(IGRParamsFromFields(fields));
    };
    s.igrStopAllAndWait = [] { IGRStopAllAndWait(); };
    s.gameRoomId = [] { return IsIGRMode() ? IGRStoredId() : std::string(); };
}

void InstallFrontEndSlots() {
    GumpSlotTable().logOut = LogOut;
    ShardListHooks& hooks = ShardListHookTable();
    hooks.selectServer = [](int id, const char*) {
        if (CServerListGump* screen = FrontEnd::ServerList().get()) screen->SelectServer(id);
    };
    hooks.abandoned = [] {
        if (FrontEnd::MainMenu().get()) BackToMainMenu(nullptr);
    };
    hooks.sortBy = SortServers;
}
