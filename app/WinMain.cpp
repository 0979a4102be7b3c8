#include "app/WinMain.h"

#include "app/AppServices.h"
#include "app/DeathStatus.h"
#include "app/FrameStep.h"
#include "app/IntroMovie.h"
#include "app/MainWindow.h"
#include "app/StartupServices.h"
#include "app/WebBrowser.h"
#include "app/multcli.h"
#include "core/CDHDCache.h"
#include "core/CVersionManager.h"
#include "core/GameTicks.h"
#include "core/HWProfile.h"
#include "core/MarkedMobiles.h"
#include "core/MemoryManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/ShutdownSequence.h"
#include "core/config.h"
#include "frontend/MainMenu.h"
#include "gumps/HTMLBox.h"
#include "media/MusicManager.h"
#include "platform/platform.h"
#include "render/DirtyRects.h"
#include "render/FrameServices.h"
#include "render/Light.h"
#include "text/FilterLists.h"
#include "windows/SkillTable.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kClockCheckPasses = 100;
constexpr uint32_t kClockDriftLimit = 300;

struct MainState {
    uint32_t stepStart = 0;
    int clockCountdown = kClockCheckPasses;
    uint32_t clockRefProcess = 0;
    uint32_t clockRefTick = 0;
    int exitCode = 0;
    bool quit = false;
    uint64_t passes = 0;
    uint64_t waits = 0;                   // passes that ended in a wait for work
    platform::NamedObject instanceMarker; // "QvClientApp"
    std::unique_ptr<CPlacementPreview> placementPreview;
    std::unique_ptr<CNetInfo> netInfo;
    std::unique_ptr<CGMSSock> gmsSock;
    std::unique_ptr<CInputWindow> inputWindow;
};

MainState& M() {
    static MainState state;
    return state;
}

// ---------------------------------------------------------------- start-up steps

void StartLog() {
    QVReport::start();
}

void LogReachedWinMain() {
    QVReport::message("reached winmain!\n");
}

void RefuseSecondCopyByWindow() {
    platform::NamedObject window = platform::NamedObject::OpenExisting(kMainWindowObject);
    if (!window.IsOpen()) return;
    platform::ShowMessageBox("Another copy of QV is already running!", "", platform::BoxIcon::Information);
    TerminateProcess(0);
}

void StartDefManager() {
    DefManager::startup();
}

void SetMonochromeMode() {
    MonochromeMonitor::clear();
    MonochromeMonitor::setMode(2);
}

void StartCom() {
    QVReport::message("CWinApp::startup(): begin.\n");
    StopCursorTimer();
}

// Nothing to undo for the component services; the name keeps one handler per start-up.
void CoUninitialize() {}

// The light renderer takes the player's lighting options as they were loaded.
void StartLight() {
    thelightthingie::startup();
    SetDarkNights(DarkNights);
    SetColoredLighting(ColoredLighting);
}

void StartSound() {
    Services().soundStartup();
}

void StopSound() {
    Services().soundShutdown();
}

void RefuseSecondInstance() {
    bool existed = false;
    platform::NamedObject marker = platform::NamedObject::Create("QvClientApp", &existed);
    if (marker.IsOpen() && existed) {
        marker.Close();
        platform::ShowMessageBox("Another instance of QV is already running.", "ERROR");
        TerminateProcess(1);
    }
    M().instanceMarker = std::move(marker);
}

void RefuseRunningPatcher() {
    platform::NamedObject patcher = platform::NamedObject::OpenExisting("QvPatchApp");
    if (!patcher.IsOpen()) return;
    patcher.Close();
    platform::ShowMessageBox("An instance of QV Patch is already running.", "ERROR");
    TerminateProcess(1);
}

void RefuseFewColours() {
    if (platform::GetDesktopInfo().bitsPerPixel >= 16) return;
    platform::ShowMessageBox(
        "ERROR: Varnis Online requires that Windows be in 16-bit color mode in order to "
        "run.\n\nPlease go to the Windows Display Settings in the Control Panel and change "
        "the color setting before attempting to run QV.",
        "Error: Color Mode");
    TerminateProcess(1);
}

void CloseInstanceMarker() {
    M().instanceMarker.Close();
}

// The platform has no wait cursor to show while loading; the registrations are what remain.
void PrepareLoading() {}

void CreatePlacementPreview() {
    M().placementPreview = std::make_unique<CPlacementPreview>();
}

void LoadFilterLists() {
    CApp::LoadFilterLists();
}

void ApplyWindowResizeRule() {
    platform::DesktopInfo desktop = platform::GetDesktopInfo();
    if (desktop.width == 640 && desktop.height == 480) AllowWindowResize = false;
    int w = 0, h = 0;
    if (std::sscanf(GamePlayWindowSize.c_str(), "%dx%d", &w, &h) == 2 && desktop.width == 800 &&
        desktop.height == 600 && w == 800 && h == 600)
        AllowWindowResize = false;
}

void LoadFirstScreenData() {
    CDHDCache::Init();
    LoadVersionFile();
    MouseManager::LoadCursors();
    CApp::LoadPlayerFile();
    LoadSkillNames();
}

void OpenMainWindow() {
    if (CreateMainWindow(false)) return;
    ShowErrorMessage("The main window could not be created.", "ERROR", nullptr);
    TerminateProcess(1);
}

// The game's cursors are colour cursors of the platform: the system cursor stays shown and takes
// their pictures.
void UseSoftwareCursor() {
    MouseManager::SetSoftwareCursor(true);
}

void StartAudio() {
    Services().initDirectSound();
    MusicManager::CMusicManager();
}

void StartNetInfo() {
    M().netInfo = std::make_unique<CNetInfo>();
}

void StartLanguage() {
    LanguageManager::startup();
}

void MaybePlayIntro() {
    if (!ShowIntroAnim && !ClientFirstLaunch) return;
    bool firstLaunch = ClientFirstLaunch;
    PlayIntroMovie();
    if (!firstLaunch) return;
    ClientFirstLaunch = false;
    saveConfigDirective(ConfigKind::ClientFirstLaunch, "no");
}

void CreateSideConnection() {
    M().gmsSock.reset();
    M().gmsSock = std::make_unique<CGMSSock>();
}

// The accelerator table is built in (TranslateAccelerator); there is no cursor to restore.
void LoadAccelerators() {}

void CreateInitialGumps() {
    GraphicManager::CreateInitialGumps();
}

// Drawing a frame asks the connections and the world through these.
void StartGraphicManager() {
    GraphicManager::startup();
    FrameServices services;
    services.hasGameConnection = HasGameSock;
    services.sendDeathStatus = CApp::SendDeathStatus;
    services.isInWorld = PacketManager::IsGameDisplayEntered;
    services.createMainMenu = CreateInitialMainMenu;
    SetFrameServices(services);
}

void CreateInputWindow() {
    M().inputWindow = std::make_unique<CInputWindow>();
    CApp::SetInputWindow(M().inputWindow.get());
    FocusMainWindow();
}

void CreateFirstConnection() {
    CreateGameSock();
}

// The window has no menu bar, so its check marks have nowhere to show.
void SetMenuChecks() {}

void EnterLoop() {
    M().stepStart = GetGameTicks();
    QVReport::plain("WinMain: just before main program loop.\n");
}

void TakeClockReference() {
    MainState& m = M();
    m.clockCountdown = kClockCheckPasses;
    m.clockRefProcess = platform::ProcessClockMillis();
    m.clockRefTick = platform::TickCount();
    SetClockTickSourceOffset(static_cast<int32_t>(m.clockRefTick - m.clockRefProcess));
}

// Managers without a start-up or a shutdown of their own appear with DoNothing.
const std::vector<StartupStep> kStartup = {
    {1, "QVReport::start", StartLog, QVReport::stop, "QVReport::stop"},
    {1, "reached winmain", LogReachedWinMain},
    {2, "second copy by window class", RefuseSecondCopyByWindow},
    {3, "MemoryManager::start", MemoryManager::start, MemoryManager::shutdown, "MemoryManager::shutdown"},
    {4, "CPointerRegistry::create", CPointerRegistry::create, CPointerRegistry::destroy,
     "CPointerRegistry::destroy"},
    {5, "DefManager::startup", StartDefManager, DefManager::shutdown, "DefManager::shutdown"},
    {6, "DoNothing", DoNothing, DoNothing, "DoNothing"},
    {7, "MonochromeMonitor::setMode", SetMonochromeMode},
    {8, "FileManager::startup", FileManager::startup, FileManager::shutdown, "FileManager::shutdown"},
    {9, "MouseManager::startup", MouseManager::startup, MouseManager::shutdown, "MouseManager::shutdown"},
    {10, "GraphicManager::startup", StartGraphicManager, GraphicManager::shutdown,
     "GraphicManager::shutdown"},
    {11, "DrawManager::ClearDrawTable", DrawManager::ClearDrawTable, DoNothing, "DoNothing"},
    {12, "DrawManager::startup", DrawManager::startup, DoNothing, "DoNothing"},
    {13, "TextManager::startup", TextManager::startup, TextManager::FreeLines, "TextManager::FreeLines"},
    {14, "MapManager::startup", MapManager::startup, DoNothing, "DoNothing"},
    {15, "SkipDrawHandler::startup", SkipDrawHandler::startup, DoNothing, "DoNothing"},
    {16, "CVersionManager::startup", CVersionManager::startup, CVersionManager::shutdown,
     "CVersionManager::shutdown"},
    {17, "IGRCreateSessionMutex", IGRCreateSessionMutex},
    {18, "HueManager::startup", HueManager::startup, DoNothing, "DoNothing"},
    {19, "FontManager::startup", FontManager::startup, FontManager::shutdown, "FontManager::shutdown"},
    {20, "CObjectManager::startup", CObjectManager::startup, CObjectManager::shutdown,
     "CObjectManager::shutdown"},
    {21, "CGumpManager::startup", CGumpManager::startup, CGumpManager::shutdown, "CGumpManager::shutdown"},
    {22, "PacketManager::startup", PacketManager::startup, PacketManager::shutdown,
     "PacketManager::shutdown"},
    {23, "CoInitialize", StartCom, CoUninitialize, "CoUninitialize"},
    {24, "CDHDCache::startup", CDHDCache::startup, CDHDCache::shutdown, "CDHDCache::shutdown"},
    {25, "CApp::startup", CApp::startup, CApp::shutdown, "CApp::shutdown"},
    {26, "SoundManager::CSoundManager", StartSound, StopSound, "SoundManager::shutdown",
     MusicManager::shutdown, "MusicManager::shutdown"},
    {27, "PathManager::startup", PathManager::startup, PathManager::shutdown, "PathManager::shutdown"},
    {28, "InitMarkedMobiles", InitMarkedMobiles, DoNothing, "DoNothing"},
    {29, "MradeRunager::startup", MradeRunager::startup, DoNothing, "DoNothing"},
    {30, "RegionManager::startup", RegionManager::startup, RegionManager::shutdown,
     "RegionManager::shutdown"},
    {31, "WeatherManager::startup", WeatherManager::startup, WeatherManager::shutdown,
     "WeatherManager::shutdown"},
    {32, "animCrap::Load", animCrap::Load, DoNothing, "DoNothing"},
    {33, "thelightthingie::startup", StartLight, thelightthingie::shutdown, "thelightthingie::shutdown"},
    {34, "InitBodyTypes", InitBodyTypes},
    {35, "ContextHelpManager::startup", ContextHelpManager::startup, DoNothing, "DoNothing"},
    {36, "instance check", RefuseSecondInstance},
    {37, "patcher check", RefuseRunningPatcher},
    {38, "colour check", RefuseFewColours},
    {39, "wait cursor", PrepareLoading, CloseInstanceMarker, "CloseInstanceMarker", StopCursorTimer,
     "StopCursorTimer"},
    {40, "CPlacementPreview", CreatePlacementPreview},
    {41, "previous instance", DoNothing},
    {42, "CApp::LoadFilterLists", LoadFilterLists},
    {43, "window resize rule", ApplyWindowResizeRule},
    {44, "data files", LoadFirstScreenData},
    {45, "CreateMainWindow", OpenMainWindow},
    {46, "software cursor", UseSoftwareCursor},
    {47, "audio", StartAudio},
    {48, "CNetInfo", StartNetInfo},
    {49, "LanguageManager::startup", StartLanguage},
    {50, "intro movie", MaybePlayIntro},
    {51, "CGMSSock", CreateSideConnection},
    {52, "accelerators", LoadAccelerators},
    {53, "GraphicManager::CreateInitialGumps", CreateInitialGumps},
    {54, "CInputWindow", CreateInputWindow},
    {55, "CreateGameSock", CreateFirstConnection, ShutdownNetwork, "ShutdownNetwork"},
    {56, "menu checks", SetMenuChecks},
    {57, "main loop entry", EnterLoop, ShutdownSequence::MarkShutdownSequenceStarted,
     "MarkShutdownSequenceStarted"},
    {58, "clock reference", TakeClockReference},
};

// ---------------------------------------------------------------- main loop

// The tick count and the process clock should run alike; when they drift apart by more than
// 300 ms the game clock follows the process clock until they agree again.
void CheckClocks() {
    MainState& m = M();
    if (--m.clockCountdown > 0) return;
    m.clockCountdown = kClockCheckPasses;
    uint32_t process = platform::ProcessClockMillis();
    uint32_t tick = platform::TickCount();
    int64_t processElapsed = static_cast<int64_t>(static_cast<uint32_t>(process - m.clockRefProcess));
    int64_t tickElapsed = static_cast<int64_t>(static_cast<uint32_t>(tick - m.clockRefTick));
    int64_t drift = processElapsed - tickElapsed;
    if (drift < 0) drift = -drift;
    if (drift > kClockDriftLimit) {
        if (!IsClockTickSourceActive()) {
            SetClockTickSourceOffset(static_cast<int32_t>(m.clockRefTick - m.clockRefProcess));
            UseClockTickSource(true);
        }
    } else if (IsClockTickSourceActive()) {
        UseClockTickSource(false);
    }
    m.clockRefProcess = process;
    m.clockRefTick = tick;

    uint32_t serial = CApp::GetPlayerSerial();
    if (HasPlayerObject() && serial != 0 && serial != GetPlayerObjectSerial()) SetPlayerObjectSerial(serial);
}

// False when WM_QUIT was taken.
bool DrainMessages(bool* handled) {
    AppServices& s = Services();
    platform::Message msg;
    while (platform::PeekMessage(msg)) {
        *handled = true;
        if (msg.id == platform::WM_QUIT) {
            M().exitCode = static_cast<int>(msg.wParam);
            M().quit = true;
            return false;
        }
        TranslateAccelerator(msg); // the key is dispatched whatever the table did with it
        platform::DispatchMessage(msg);
        s.soundUpdate();
        s.translationUpdate();
    }
    return true;
}

// Milliseconds until the frame step is due, 0 when it is.
uint32_t NextFrameStepIn() {
    const uint32_t interval = static_cast<uint32_t>(CApp::GetFrameInterval());
    const uint32_t elapsed = GetGameTicks() - M().stepStart;
    return elapsed >= interval ? 0 : interval - elapsed;
}

bool RunFrameStep() {
    MainState& m = M();
    AppServices& s = Services();
    const uint32_t interval = static_cast<uint32_t>(CApp::GetFrameInterval());
    uint32_t now = GetGameTicks();
    uint32_t elapsed = now - m.stepStart;
    if (elapsed >= 2 * interval) {
        if (FrameSkipping) s.appUpdate(1);
        s.appUpdate(0);
        m.stepStart = now; // a late loop never draws its backlog
        return true;
    }
    if (elapsed >= interval) {
        s.appUpdate(0);
        m.stepStart += interval;
        return true;
    }
    return false;
}

} // namespace

const std::vector<StartupStep>& StartupTable() {
    return kStartup;
}

// What the floors below reach of the application, bound before anything runs.
void BindLowerFloors() {
    MusicManager::MusicListener music;
    music.inWarMode = [] {
        const auto& war = Services().inWarMode;
        return war && war();
    };
    MusicManager::SetMusicListener(std::move(music));
    HTMLBox::services().openUrl = [](const std::string& url) {
        LeaveFullScreen();
        OpenURL(url);
    };
}

void RunStartup() {
    BindLowerFloors();
    for (const StartupStep& step : kStartup) {
        step.run();
        if (step.handler) RegisterExitHandler(step.handler, step.handlerName);
        if (step.secondHandler) RegisterExitHandler(step.secondHandler, step.secondHandlerName);
    }
}

bool RunMainLoopPass(bool mayWait) {
    MainState& m = M();
    if (m.quit) return false;
    AppServices& s = Services();
    CheckClocks();
    if (s.serverConfigEnabled() && s.inWorld()) s.checkServerConfigFiles(false);
    bool busy = false;
    if (!DrainMessages(&busy)) return false;
    s.pollNetwork();
    // Settings-store work kept out of the packet handlers: looked at once, written after a list.
    PrepareHWProfile();
    SaveQueuedHWProfile();
    s.soundUpdate();
    busy |= RunFrameStep();
    DoNothing();
    ++m.passes;
    // Nothing happened this pass: sleep until input, a connection or the next deadline (the frame
    // step's or one another part registered) has work.
    if (!busy && mayWait) {
        ++m.waits;
        platform::WaitForWork(platform::TickCount() + NextFrameStepIn());
    }
    return true;
}

int RunShutdown() {
    MainState& m = M();
    LanguageManager::shutdown();
    StopCursorTimer();
    DeletePlayerObject();
    m.inputWindow.reset();
    CApp::SetInputWindow(nullptr);
    ShutdownNetwork();
    SaveQueuedHWProfile();
    m.netInfo.reset();
    TextManager::CloseJournalFile();
    m.placementPreview.reset();
    m.gmsSock.reset();
    return m.exitCode;
}

int WinMain() {
    RunStartup();
    const uint32_t start = platform::TickCount();
    while (RunMainLoopPass()) {
    }
    if (std::getenv("QV_LOOP_STATS")) {
        const double seconds = (platform::TickCount() - start) / 1000.0;
        std::fprintf(stderr, "main loop: %llu passes, %llu waits, %llu slept, %.1f s, %.1f wake-ups/s\n",
                     static_cast<unsigned long long>(M().passes), static_cast<unsigned long long>(M().waits),
                     static_cast<unsigned long long>(platform::WaitForWorkSleeps()), seconds,
                     seconds > 0 ? platform::WaitForWorkSleeps() / seconds : 0.0);
    }
    return RunShutdown();
}

MainLoopCounts GetMainLoopCounts() {
    return MainLoopCounts{M().passes, M().waits};
}

uint32_t GetStepStart() {
    return M().stepStart;
}

void ResetWinMainForTests() {
    MainState& m = M();
    m.instanceMarker.Close();
    m.inputWindow.reset();
    CApp::SetInputWindow(nullptr);
    m.netInfo.reset();
    m.placementPreview.reset();
    m.gmsSock.reset();
    m.stepStart = 0;
    m.clockCountdown = kClockCheckPasses;
    m.clockRefProcess = m.clockRefTick = 0;
    m.exitCode = 0;
    m.quit = false;
    m.passes = m.waits = 0;
    ShutdownSequence::ResetForTests();
    SetFrameServices(FrameServices{});
}
