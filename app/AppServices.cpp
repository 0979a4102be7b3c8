#include "app/AppServices.h"

#include "app/FrameStep.h"
#include "app/MainWindow.h"
#include "app/SavedOptions.h"
#include "app/SpeechQueue.h"
#include "app/StartupServices.h"
#include "app/multcli.h"
#include "core/ServerConfigSync.h"
#include "frontend/LogOut.h"
#include "gumps/MouseManager.h"
#include "media/SoundManager.h"

namespace {

CInputWindow* InputWindow() {
    return CApp::GetInputWindow();
}

AppServices MakeDefaults() {
    AppServices s;
    s.mouseUpdate = MouseManager::Update;
    s.gumpUpdate = CGumpManager::Update;
    s.expireSavedTexts = CObjectManager::ExpireSavedTexts;
    s.flushSpeechQueue = CApp::FlushSpeechQueue;
    s.stepAlongPath = StepAlongPath;
    s.musicUpdate = MusicManager::Update;
    s.soundUpdate = SoundManager::Update;
    s.updatePlayerWalk = UpdatePlayerWalk;
    s.updateMovement = CObjectManager::UpdateMovement;
    s.weatherUpdate = WeatherManager::Update;
    s.updateMacroPlayer = UpdateMacroPlayer;
    s.drawFrame = GraphicManager::DrawFrame;
    s.sendKeepAlive = SendKeepAlive;
    s.updateContainerQueue = CGumpManager::UpdateContainerQueue;
    s.containerQueueFinished = CGumpManager::IsContainerQueueFinished;

    s.appUpdate = CApp::Update;
    s.serverConfigEnabled = CServerConfigSync::IsEnabled;
    s.checkServerConfigFiles = CServerConfigSync::CheckFiles;
    s.translationUpdate = LanguageTranslationServer::Packet::update;
    s.pollNetwork = PollNetwork;

    s.inWorld = PacketManager::IsGameDisplayEntered;
    s.targeting = CApp::IsTargeting;
    s.warRequested = CApp::IsWarRequested;
    s.inWarMode = CApp::IsInWarMode;
    s.requestWarMode = CApp::RequestWarMode;
    s.sendTargetCancel = PacketManager::SendTargetCancel;
    s.walkByKey = WalkByKey;
    s.sendTextCommand = CApp::SendTextCommand;
    s.quitGame = [] { QuitGame(CServerConfigSync::GetGump()); };

    s.focusGump = CGumpManager::GetFocus;
    s.gumpHandleKey = GumpHandleKey;
    s.gumpIsOptionsKeyField = GumpIsOptionsKeyField;
    s.gumpHandleChildChange = GumpHandleChildChange;
    s.gumpIsSingleLineInput = GumpIsSingleLineInput;
    s.openGump = [](int kind) { CGumpManager::OpenGump(nullptr, kind); };
    s.showModalMessage = [](const char* text) { CGumpManager::ShowModalMessage(text); };
    s.saveDesktop = CGumpManager::SaveDesktop;
    s.recreateDC = CGumpManager::RecreateDC;
    s.setCursor = MouseManager::SetCursor;
    s.setSoftwareCursor = MouseManager::SetSoftwareCursor;
    s.onLButtonDown = MouseManager::OnLButtonDown;
    s.onLButtonUp = MouseManager::OnLButtonUp;
    s.onRButtonDown = MouseManager::OnRButtonDown;
    s.onRButtonUp = MouseManager::OnRButtonUp;

    s.inputOnChar = [](int code, intptr_t data) {
        CInputWindow* w = InputWindow();
        return w ? w->OnChar(code, data) : 0;
    };
    s.inputOnKey = [](int code) {
        if (CInputWindow* w = InputWindow()) w->OnKey(code);
    };
    s.inputHasPendingPrompt = [] {
        CInputWindow* w = InputWindow();
        return w && w->HasPendingPrompt();
    };
    s.inputSendPromptReply = [](int kind, const char* text) {
        if (CInputWindow* w = InputWindow()) w->SendPromptReply(kind, text);
    };
    s.findMacroKeyBinding = FindMacroKeyBinding;
    s.startMacro = StartMacro;
    s.showContextHelp = ShowContextHelp;
    s.requestHelp = RequestHelp;
    s.showSystemMessage = ShowSystemMessage;

    s.setNetworkQuiet = SetNetworkQuiet;

    s.createFullScreenSurfaces = CreateFullScreenSurfaces;
    s.releaseFullScreenSurfaces = ReleaseFullScreenSurfaces;
    s.invalidateAll = InvalidateAll;
    s.saveConfigOptions = SaveConfigOptions;
    s.setFullScreen = SetFullScreen;
    s.fullScreenMode = IsFullScreenMode;
    s.rebuildGameAreaEdges = GameAreaEdgeGump::RebuildAll;
    s.updatePlayerStepZ = UpdatePlayerStepZ;
    s.clearPopupHelpState = ClearPopupHelpState;

    s.musicEnabled = MusicManager::IsEnabled;
    s.enableMusic = MusicManager::EnableMusic;
    s.soundStartup = SoundManager::CSoundManager;
    s.soundShutdown = SoundManager::shutdown;
    s.initDirectSound = [] { SoundManager::InitDirectSound(0); };
    s.soundEnabled = SoundManager::IsEnabled;
    s.enableSound = SoundManager::EnableSound;
    s.setMusicVolume = MusicManager::SetVolume;
    s.setSoundVolume = SoundManager::SetVolume;
    s.playNextSong = MusicManager::PlayNextSong;
    s.moviePlay = [](const char* path, MovieSettings* settings) { MoviePlay(path, settings); };
    s.openIntroMpeg = OpenIntroMpeg;
    s.playIntroMpeg = PlayIntroMpeg;
    s.releaseIntroMpeg = ReleaseIntroMpeg;
    return s;
}

} // namespace

AppServices& Services() {
    static AppServices services = MakeDefaults();
    return services;
}

void ResetAppServices() {
    Services() = MakeDefaults();
}
