// Stand-ins for the handlers of message families that are not built yet: each logs the packet
// and drops it. Each family's work deletes its lines here.
#include "core/QVReport.h"
#include "net/PacketManager.h"

namespace {
void Drop(const char* handler, PacketReader& packet) {
    QVReport::message("PacketManager::%s: not handled yet; packet 0x%02X of %d bytes dropped.\n", handler,
                      packet.id(), packet.length());
}
} // namespace

namespace PacketManager {
void HandleAsciiSpeech(CGameSock&, PacketReader& packet) {
    Drop("HandleAsciiSpeech", packet);
}
void HandleAttackTarget(CGameSock&, PacketReader& packet) {
    Drop("HandleAttackTarget", packet);
}
void HandleBookHeader(CGameSock&, PacketReader& packet) {
    Drop("HandleBookHeader", packet);
}
void HandleBookHeaderVariable(CGameSock&, PacketReader& packet) {
    Drop("HandleBookHeaderVariable", packet);
}
void HandleBookPages(CGameSock&, PacketReader& packet) {
    Drop("HandleBookPages", packet);
}
void HandleBulletinBoard(CGameSock&, PacketReader& packet) {
    Drop("HandleBulletinBoard", packet);
}
void HandleBuyReply(CGameSock&, PacketReader& packet) {
    Drop("HandleBuyReply", packet);
}
void HandleChatMessage(CGameSock&, PacketReader& packet) {
    Drop("HandleChatMessage", packet);
}
void HandleChatText(CGameSock&, PacketReader& packet) {
    Drop("HandleChatText", packet);
}
void HandleClearCombatant(CGameSock&, PacketReader& packet) {
    Drop("HandleClearCombatant", packet);
}
void HandleCombatSwing(CGameSock&, PacketReader& packet) {
    Drop("HandleCombatSwing", packet);
}
void HandleFollow(CGameSock&, PacketReader& packet) {
    Drop("HandleFollow", packet);
}
void HandleGlobalQueueCount(CGameSock&, PacketReader& packet) {
    Drop("HandleGlobalQueueCount", packet);
}
void HandleGlobalQueuePage(CGameSock&, PacketReader& packet) {
    Drop("HandleGlobalQueuePage", packet);
}
void HandleGroupMessage(CGameSock&, PacketReader& packet) {
    Drop("HandleGroupMessage", packet);
}
void HandleHitsUpdate(CGameSock&, PacketReader& packet) {
    Drop("HandleHitsUpdate", packet);
}
void HandleLocalizedMessage(CGameSock&, PacketReader& packet) {
    Drop("HandleLocalizedMessage", packet);
}
void HandleLocalizedMessageAffix(CGameSock&, PacketReader& packet) {
    Drop("HandleLocalizedMessageAffix", packet);
}
void HandleManaUpdate(CGameSock&, PacketReader& packet) {
    Drop("HandleManaUpdate", packet);
}
void HandleMapPlot(CGameSock&, PacketReader& packet) {
    Drop("HandleMapPlot", packet);
}
void HandleMobileAttributes(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileAttributes", packet);
}
void HandleOpenContainer(CGameSock&, PacketReader& packet) {
    Drop("HandleOpenContainer", packet);
}
void HandleOpenCourseMap(CGameSock&, PacketReader& packet) {
    Drop("HandleOpenCourseMap", packet);
}
void HandleOpenPaperdoll(CGameSock&, PacketReader& packet) {
    Drop("HandleOpenPaperdoll", packet);
}
void HandleProfile(CGameSock&, PacketReader& packet) {
    Drop("HandleProfile", packet);
}
void HandleSecureTrade(CGameSock&, PacketReader& packet) {
    Drop("HandleSecureTrade", packet);
}
void HandleSellList(CGameSock&, PacketReader& packet) {
    Drop("HandleSellList", packet);
}
void HandleSetCombatant(CGameSock&, PacketReader& packet) {
    Drop("HandleSetCombatant", packet);
}
void HandleShopList(CGameSock&, PacketReader& packet) {
    Drop("HandleShopList", packet);
}
void HandleSkills(CGameSock&, PacketReader& packet) {
    Drop("HandleSkills", packet);
}
void HandleStaminaUpdate(CGameSock&, PacketReader& packet) {
    Drop("HandleStaminaUpdate", packet);
}
void HandleStatus(CGameSock&, PacketReader& packet) {
    Drop("HandleStatus", packet);
}
void HandleUnicodeSpeech(CGameSock&, PacketReader& packet) {
    Drop("HandleUnicodeSpeech", packet);
}
} // namespace PacketManager
