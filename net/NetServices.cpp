#include "net/NetServices.h"

#include "core/HWProfile.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "core/config.h"
#include "net/AppLink.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "render/GraphicManager.h"
#include "text/LanguageManager.h"

namespace {

NetServices MakeDefaults() {
    NetServices s;
    // The windows' entries until the application binds them (SetNetServicesBinder).
    s.showSystemMessage = [](int, int, const char* text) { QVReport::message("System message: %s\n", text); };
    s.setWindowTitle = SetMainWindowTitle;
    s.showModalMessage = [](MessageOwner, const char* text, int, int) {
        QVReport::message("Modal message: %s\n", text);
    };
    s.showMessageBox = [](const char* text, const char* caption) { platform::ShowMessageBox(text, caption); };

    s.isWaitingGumpShown = [] { return false; };
    s.deleteWaitingGump = [] {};
    s.showWaitingBox = [](const char* text, bool) { QVReport::message("CWaitingGump: %s\n", text); };
    s.showServersDown = [](const char* text) { QVReport::message("CWaitingGump: %s\n", text); };
    s.enableMainMenu = [](bool) {};
    s.showServerList = [] { QVReport::message("CServerListGump: no shard list window yet.\n"); };
    s.showShardChoiceList = [] { QVReport::message("CScrollChoiceGump: no shard list window yet.\n"); };
    s.hasCharacterSelection = [] { return false; };
    s.deleteCharacterSelection = [] {};
    s.showCharacterSelection = [](const std::vector<CharacterEntry>&) {
        QVReport::message("CLoginGump: no character selection window yet.\n");
    };
    s.startCharacterCreation = [] {
        QVReport::message("StartCharacterCreation: no creation screens yet.\n");
    };
    s.refreshCharacterSelection = [](const std::vector<CharacterEntry>&) {};
    s.removeSelectedCharacter = [] {};
    s.deleteLoginScreens = [] {};
    s.deletePendingNotices = [] {};
    s.deleteEnteringWorldNotice = [] {};
    s.deferUntilMessageClosed = [](void (*)()) { return false; };
    s.showConnectionLost = [] { QVReport::message("Modal message: Connection lost\n"); };
    s.destroyDraggedItem = [] {};
    s.setLogoutReturn = [] {};
    // Without popup menus nothing can be chosen.
    s.showShardMenu = [](const std::vector<ShardMenuEntry>&) { return 0; };
    s.sendSpeech = [](const char* text) { QVReport::message("SendSpeech: %s\n", text); };

    s.placePlayer = [](const LoginConfirmation&) {};
    s.playerUpdateRange = [] { return 18; };
    s.releaseWorldObjects = [] {};
    s.setShowRealSkills = [](int) {};
    s.applyClientFlags = [](uint32_t) {};
    s.setMap = [](int map) { QVReport::message("No world to take map %d; dropped.\n", map); };
    s.useSlotHues = [](int) {};
    s.readPlayerState = [](PlayerShardState&) {};
    s.restorePlayerState = [](const PlayerShardState&, uint32_t) {};

    s.drawFrame = GraphicManager::DrawFrame;
    s.sleep = [](uint32_t ms) { platform::SleepMillis(ms); };
    s.applyGameDisplay = [] {};
    s.gameDisplaySize = [](int& width, int& height) {
        width = 640;
        height = 480;
    };
    s.tipsEnabled = [] { return ShowTips; };
    s.lastTipNumber = [] { return LastTip; };
    s.userLanguageCode = [] {
        return UserLanguageCodeString.empty() ? std::string("ENU") : UserLanguageCodeString;
    };
    s.saveConfigDirective = [](const char* key, const char* value) { saveConfigDirective(key, value); };
    s.saveMainConfigDirective = [](const char* key, const char* value) {
        ConfigKind kind = FindConfigKind(key ? key : "");
        if (kind != ConfigKind::None) saveMainConfigDirective(kind, value);
    };
    s.resetTextStyle = [] {};
    s.clientTimeZoneOffset = GetClientTimeZoneOffset;

    s.playAmbientSound = [](int) {};
    s.playSoundAt = [](int, int, int) {};
    s.playSong = [](int, int, bool) { return 0; };

    s.igrSaveIdAndStart = [](const GameRoomSessionFields&) {};
    s.igrStopAllAndWait = [] {};
    s.gameRoomId = [] { return std::string(); };
    s.pollSideConnection = [] {};
    return s;
}

NetServicesBinder g_binder = nullptr; // constant-initialized: set before or after the table

NetServices BoundDefaults() {
    NetServices s = MakeDefaults();
    if (g_binder) g_binder(s);
    return s;
}

NetServices& Table() {
    static NetServices services = BoundDefaults();
    return services;
}

} // namespace

NetServices& GetNetServices() {
    return Table();
}

void ResetNetServices() {
    Table() = BoundDefaults();
}

void SetNetServicesBinder(NetServicesBinder binder) {
    g_binder = binder;
    if (binder) binder(Table());
}
