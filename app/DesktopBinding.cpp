// The desktop file bound to the world, the connection state, the per-character files and the main
// window.
#include "app/DesktopBinding.h"
#include "app/MainWindow.h"
#include "core/GameTicks.h"
#include "core/config.h"
#include "gumps/CGumpManager.h"
#include "gumps/Desktop.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "render/BackBuffer.h"
#include "world/objects.h"

namespace {

Desktop::WindowGeometry CurrentGeometry() {
    Desktop::WindowGeometry g;
    CGumpManager::GetGameAreaOffset(g.areaX, g.areaY);
    GetMainWindowPos(&g.windowX, &g.windowY);
    g.width = BackBuffer::Width();
    g.height = BackBuffer::Height();
    g.maximised = platform::IsWindowMaximized();
    return g;
}

// The back buffer takes the saved size; a window (not the full screen) its place, offset and state.
void ApplyGeometry(const Desktop::WindowGeometry& g) {
    BackBuffer::SetSize(g.width, g.height);
    CGumpManager::RecreateDC();
    if (IsFullScreenMode()) {
        CGumpManager::SetGameAreaOffset(0, 0);
        return;
    }
    CGumpManager::SetGameAreaOffset(g.areaX, g.areaY);
    SetMainWindowPos(g.windowX, g.windowY, g.width, g.height);
    if (g.maximised) platform::MaximizeWindow();
}

} // namespace

void BindDesktop() {
    Desktop::Services& s = Desktop::GetServices();
    s.inWorld = PacketManager::IsGameDisplayEntered;
    s.playerSerial = [] { return pPlayerObject ? pPlayerObject->serial : 0u; };
    s.readPaths = [] {
        std::optional<std::string> name = ConfigFiles::PerCharacterName("desktop.qvs");
        return name ? std::vector<std::string>{*name} : std::vector<std::string>{};
    };
    s.writePath = [] { return ConfigFiles::PerCharacterName("desktop.qvs").value_or(std::string()); };
    s.seconds = [] { return GetGameTicks() / 1000; };
    s.desktopSize = [](int* width, int* height) {
        const platform::DesktopInfo desktop = platform::GetDesktopInfo();
        *width = desktop.width;
        *height = desktop.height;
    };
    s.currentGeometry = CurrentGeometry;
    s.applyGeometry = ApplyGeometry;
}

void RestoreDesktopOnEntry() {
    CGumpManager::CloseAllGumps();
    Desktop::Restore();
}
