// The server-kept configuration files bound to the connection and to each file's loader.
#include "app/ServerConfigBinding.h"
#include "core/CharData.h"
#include "core/ServerConfigSync.h"
#include "core/config.h"
#include "gumps/PopupMenu.h"
#include "net/NetServices.h"
#include "net/ServerWindows.h"
#include "text/FilterLists.h"
#include "windows/WindowsStandIns.h"

void BindServerConfigFiles(NetServices& services) {
    // Bit 1 of the character list's client flags: the server keeps the files; bit 3: it gives
    // context menus. Whatever else the flags switch keeps its own binding.
    auto previous = services.applyClientFlags;
    services.applyClientFlags = [previous](uint32_t flags) {
        CServerConfigSync::SetEnabled((flags & 2) != 0);
        // Bit 3: the server gives context menus.
        const bool menus = (flags & 8) != 0;
        CPopupMenuMgr::services().menusAllowed = [menus] { return menus; };
        if (previous) previous(flags);
    };
    PacketManager::BindServerConfigSync();
    CServerConfigSync::GetServices().load = [](int slot) {
        switch (slot) {
        case 0:
        case 1:
            CApp::LoadFilterLists();
            break;
        case 3:
            CApp::readConfig("qv.cfg", true);
            break;
        case 5:
            CApp::LoadCharData();
            break;
        case 11:
            LoadMacros();
            break;
        default:
            break; // the desktop is read at login; skill groups have no loader yet
        }
    };
}
