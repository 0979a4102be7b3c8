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
// Targeting is not built: there is no target to cancel.
void SendTargetCancel() {}
void HandleAsciiPrompt(CGameSock&, PacketReader& packet) {
    Drop("HandleAsciiPrompt", packet);
}
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
void HandleConfigFile(CGameSock&, PacketReader& packet) {
    Drop("HandleConfigFile", packet);
}
void HandleContainerContents(CGameSock&, PacketReader& packet) {
    Drop("HandleContainerContents", packet);
}
void HandleContainerItem(CGameSock&, PacketReader& packet) {
    Drop("HandleContainerItem", packet);
}
void HandleCorpseEquipment(CGameSock&, PacketReader& packet) {
    Drop("HandleCorpseEquipment", packet);
}
void HandleDeathAnimation(CGameSock&, PacketReader& packet) {
    Drop("HandleDeathAnimation", packet);
}
void HandleDeathStatus(CGameSock&, PacketReader& packet) {
    Drop("HandleDeathStatus", packet);
}
void HandleDeleteObject(CGameSock&, PacketReader& packet) {
    Drop("HandleDeleteObject", packet);
}
void HandleDyeRequest(CGameSock&, PacketReader& packet) {
    Drop("HandleDyeRequest", packet);
}
void HandleEquipItem(CGameSock&, PacketReader& packet) {
    Drop("HandleEquipItem", packet);
}
void HandleExtendedCommand(CGameSock&, PacketReader& packet) {
    Drop("HandleExtendedCommand", packet);
}
void HandleFollow(CGameSock&, PacketReader& packet) {
    Drop("HandleFollow", packet);
}
void HandleGenericGump(CGameSock&, PacketReader& packet) {
    Drop("HandleGenericGump", packet);
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
void HandleIgnoredByteWord(CGameSock&, PacketReader& packet) {
    Drop("HandleIgnoredByteWord", packet);
}
void HandleIgnoredTwoBytes(CGameSock&, PacketReader& packet) {
    Drop("HandleIgnoredTwoBytes", packet);
}
void HandleIgnoredTwoWords(CGameSock&, PacketReader& packet) {
    Drop("HandleIgnoredTwoWords", packet);
}
void HandleItemListMenu(CGameSock&, PacketReader& packet) {
    Drop("HandleItemListMenu", packet);
}
void HandleLightLevel(CGameSock&, PacketReader& packet) {
    Drop("HandleLightLevel", packet);
}
void HandleLocalizedMessage(CGameSock&, PacketReader& packet) {
    Drop("HandleLocalizedMessage", packet);
}
void HandleLocalizedMessageAffix(CGameSock&, PacketReader& packet) {
    Drop("HandleLocalizedMessageAffix", packet);
}
void HandleLogoutReply(CGameSock&, PacketReader& packet) {
    Drop("HandleLogoutReply", packet);
}
void HandleManaUpdate(CGameSock&, PacketReader& packet) {
    Drop("HandleManaUpdate", packet);
}
void HandleMapPlot(CGameSock&, PacketReader& packet) {
    Drop("HandleMapPlot", packet);
}
void HandleMarkMobile(CGameSock&, PacketReader& packet) {
    Drop("HandleMarkMobile", packet);
}
void HandleMobileAnimation(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileAnimation", packet);
}
void HandleMobileAttributes(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileAttributes", packet);
}
void HandleMobileIncoming(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileIncoming", packet);
}
void HandleMobileIncomingEx(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileIncomingEx", packet);
}
void HandleMobileMoving(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileMoving", packet);
}
void HandleMobileMovingEx(CGameSock&, PacketReader& packet) {
    Drop("HandleMobileMovingEx", packet);
}
void HandleMultiPlacementTarget(CGameSock&, PacketReader& packet) {
    Drop("HandleMultiPlacementTarget", packet);
}
void HandleMultiPlacementTargetList(CGameSock&, PacketReader& packet) {
    Drop("HandleMultiPlacementTargetList", packet);
}
void HandleNameReply(CGameSock&, PacketReader& packet) {
    Drop("HandleNameReply", packet);
}
void HandleObjectHelp(CGameSock&, PacketReader& packet) {
    Drop("HandleObjectHelp", packet);
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
void HandleOpenWebLink(CGameSock&, PacketReader& packet) {
    Drop("HandleOpenWebLink", packet);
}
void HandlePersonalLight(CGameSock&, PacketReader& packet) {
    Drop("HandlePersonalLight", packet);
}
void HandlePingEcho(CGameSock&, PacketReader& packet) {
    Drop("HandlePingEcho", packet);
}
void HandlePointer(CGameSock&, PacketReader& packet) {
    Drop("HandlePointer", packet);
}
void HandleProfile(CGameSock&, PacketReader& packet) {
    Drop("HandleProfile", packet);
}
void HandleSeason(CGameSock&, PacketReader& packet) {
    Drop("HandleSeason", packet);
}
void HandleSecureTrade(CGameSock&, PacketReader& packet) {
    Drop("HandleSecureTrade", packet);
}
void HandleSellList(CGameSock&, PacketReader& packet) {
    Drop("HandleSellList", packet);
}
void HandleServerBoundary(CGameSock&, PacketReader& packet) {
    Drop("HandleServerBoundary", packet);
}
void HandleSetCombatant(CGameSock&, PacketReader& packet) {
    Drop("HandleSetCombatant", packet);
}
void HandleShopList(CGameSock&, PacketReader& packet) {
    Drop("HandleShopList", packet);
}
void HandleSignGump(CGameSock&, PacketReader& packet) {
    Drop("HandleSignGump", packet);
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
void HandleTargetRequest(CGameSock&, PacketReader& packet) {
    Drop("HandleTargetRequest", packet);
}
void HandleTextEntryGump(CGameSock&, PacketReader& packet) {
    Drop("HandleTextEntryGump", packet);
}
void HandleTime(CGameSock&, PacketReader& packet) {
    Drop("HandleTime", packet);
}
void HandleTipNotice(CGameSock&, PacketReader& packet) {
    Drop("HandleTipNotice", packet);
}
void HandleUnicodePrompt(CGameSock&, PacketReader& packet) {
    Drop("HandleUnicodePrompt", packet);
}
void HandleUnicodeSpeech(CGameSock&, PacketReader& packet) {
    Drop("HandleUnicodeSpeech", packet);
}
void HandleViewRange(CGameSock&, PacketReader& packet) {
    Drop("HandleViewRange", packet);
}
void HandleWeather(CGameSock&, PacketReader& packet) {
    Drop("HandleWeather", packet);
}
void HandleWorldItem(CGameSock&, PacketReader& packet) {
    Drop("HandleWorldItem", packet);
}
} // namespace PacketManager
