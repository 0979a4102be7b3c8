#include "core/multcli.h"

#include "core/FrameStep.h"
#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "core/StartupServices.h"
#include "platform/platform.h"

#include <cstdio>
#include <new>

namespace CApp {

const char* const kInstallKey = FileManager::kInstallKey;
const char* const kInstallKeyFallback = FileManager::kLaterInstallKey;

namespace {

constexpr size_t kMaxExePath = 260;
constexpr int kDefaultHue = 995;
constexpr int kDefaultFont = 3;
constexpr const char* kNotInstalled =
    "Varnis Online does not appear to be installed correctly on your system.\n\nPlease re-install QV by "
    "running the setup.exe program located on your QV CD-ROM";

struct AppState {
    bool startupRan = false;
    bool started = false;
    std::string cdDataPath;
    int cacheSize = 0;
    std::string password;
    std::string name;
    int speechHue = 0;
    int emoteHue = 0;
    int partyMessageColour = 0;
    int speechFont = 0;
    int emoteFont = 0;
    uint32_t playerSerial = 0;
    uint32_t mapMask = 0;
    int frameInterval = 50;
    std::string clientFolder;
    CInputWindow* inputWindow = nullptr;
};

AppState& A() {
    static AppState state;
    return state;
}

void ShowNotInstalled() {
    platform::ShowMessageBox(kNotInstalled, "ERROR", platform::BoxIcon::Error);
}

uint32_t ProbeMaps(const std::string& folder) {
    uint32_t mask = 0;
    for (unsigned u = 0; u < 16; ++u) {
        if (u == 1) continue; // the second facet shares "map0.mul"
        char name[16];
        std::snprintf(name, sizeof name, "map%u.mul", u);
        if (platform::FindPathIgnoringCase(folder + name)) mask |= 1u << u;
    }
    if (mask & 1u) mask |= 2u;
    return mask;
}

} // namespace

void startup() {
    AppState& a = A();
    if (a.startupRan) return;
    a.startupRan = true;
    std::set_new_handler([] { OutOfMemoryHandler(); });

    a.cdDataPath.clear();
    a.cacheSize = 0;
    a.password.clear();
    a.name = "QV Player";
    a.speechHue = a.emoteHue = a.partyMessageColour = kDefaultHue;
    a.speechFont = a.emoteFont = kDefaultFont;
    SetGameClock(0, 0, 0);
    a.playerSerial = 0;
    a.frameInterval = 50;

    if (!FileManager::FindInstallKey()) {
        ShowNotInstalled();
        return;
    }
    DefManager::LoadBodyConversion();

    std::optional<std::string> exePath = FileManager::ReadInstallValue("ExePath");
    if (!exePath || exePath->size() > kMaxExePath) {
        ShowNotInstalled();
        return;
    }
    QVIGR::ReadRegistry();
    a.clientFolder = FileManager::FolderOfExePath(*exePath);
    readConfig("qv.cfg", true);
    const char* loginFile = GetLoginServerFile();
    readConfig(loginFile && *loginFile ? loginFile : "login.cfg", false);

    LoadCharData();
    LoadMacros();
    LoadSpeechKeywords();
    ResetSpeechBudget(GetGameTicks());
    a.mapMask = ProbeMaps(a.clientFolder);
    a.started = true;
}

void shutdown() {
    QVReport::message("CApp::shutdown: begin.\n");
    if (!A().started) return;
    FreeSpeechKeywords();
    FreeFilterLists();
    FreeMacros();
}

bool IsStarted() {
    return A().started;
}

uint32_t GetMapMask() {
    return A().mapMask;
}

const std::string& GetClientFolder() {
    return A().clientFolder;
}

const std::string& GetName() {
    return A().name;
}

uint32_t GetPlayerSerial() {
    return A().playerSerial;
}

void SetPlayerSerial(uint32_t serial) {
    A().playerSerial = serial;
}

int GetFrameInterval() {
    return A().frameInterval;
}

CInputWindow* GetInputWindow() {
    return A().inputWindow;
}

void SetInputWindow(CInputWindow* window) {
    A().inputWindow = window;
}

void ResetForTests() {
    A() = AppState{};
}

} // namespace CApp
