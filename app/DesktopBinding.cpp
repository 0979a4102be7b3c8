// The desktop file bound to the world, the connection state and the per-character files.
#include "app/DesktopBinding.h"
#include "core/GameTicks.h"
#include "core/config.h"
#include "gumps/Desktop.h"
#include "net/PacketManager.h"
#include "world/objects.h"

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
}
