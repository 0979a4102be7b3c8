// The server's window requests bound to the windows that answer them.
#include "gumps/ServerWindowsBinding.h"
#include "gumps/CGumpManager.h"
#include "gumps/GenericGump.h"
#include "gumps/GumpWorld.h"
#include "gumps/PointerGump.h"
#include "gumps/PopupMenu.h"
#include "gumps/ServerMenus.h"
#include "gumps/Targeting.h"
#include "net/ServerWindows.h"

void BindServerWindowSlots() {
    ServerWindowSlots& slots = GetServerWindowSlots();
    GenericGump::BindSlot();
    CPopupMenuMgr::Bind();
    BindPointerGump();
    slots.closeGenericGumps = [](uint32_t typeId, uint32_t buttonId) {
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (auto* gump = dynamic_cast<GenericGump*>(g)) gump->CloseWithReply(typeId, buttonId);
    };
    slots.itemListMenu = [](const ItemListMenu& menu) { OpenItemListMenu(menu); };
    slots.textQuery = [](const TextQueryRequest& request) { OpenTextQuery(request); };
    slots.sign = [](const SignRequest& sign) { OpenSign(sign); };
    slots.beginTargeting = [](int type) {
        GumpTargeting::Begin(type, [](uint32_t serial) {
            PacketManager::TargetPick pick;
            pick.kind = PacketManager::TargetPick::Object;
            pick.serial = serial;
            const GumpWorldServices& world = GumpWorld();
            pick.isPlayer = GumpWorldAsk::Call(world.isPlayer, serial);
            pick.isMobile = GumpWorldAsk::Call(world.isMobile, serial);
            if (world.itemGraphic && serial != 0)
                pick.graphic = static_cast<uint16_t>(world.itemGraphic(serial));
            PacketManager::SendTargetSelection(pick);
        });
        GumpTargeting::SetServerTarget(true);
    };
    slots.endTargeting = [] {
        GumpTargeting::SetServerTarget(false);
        GumpTargeting::End();
    };
}
