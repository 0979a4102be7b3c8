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
void HandleAsciiPrompt(PacketReader& packet) {
    Drop("HandleAsciiPrompt", packet);
}
void HandleAsciiSpeech(PacketReader& packet) {
    Drop("HandleAsciiSpeech", packet);
}
void HandleAttackTarget(PacketReader& packet) {
    Drop("HandleAttackTarget", packet);
}
void HandleBookHeader(PacketReader& packet) {
    Drop("HandleBookHeader", packet);
}
void HandleBookHeaderVariable(PacketReader& packet) {
    Drop("HandleBookHeaderVariable", packet);
}
void HandleBookPages(PacketReader& packet) {
    Drop("HandleBookPages", packet);
}
void HandleBulletinBoard(PacketReader& packet) {
    Drop("HandleBulletinBoard", packet);
}
void HandleBuyReply(PacketReader& packet) {
    Drop("HandleBuyReply", packet);
}
void HandleChatMessage(PacketReader& packet) {
    Drop("HandleChatMessage", packet);
}
void HandleChatText(PacketReader& packet) {
    Drop("HandleChatText", packet);
}
void HandleClearCombatant(PacketReader& packet) {
    Drop("HandleClearCombatant", packet);
}
void HandleCombatSwing(PacketReader& packet) {
    Drop("HandleCombatSwing", packet);
}
void HandleConfigFile(PacketReader& packet) {
    Drop("HandleConfigFile", packet);
}
void HandleContainerContents(PacketReader& packet) {
    Drop("HandleContainerContents", packet);
}
void HandleContainerItem(PacketReader& packet) {
    Drop("HandleContainerItem", packet);
}
void HandleCorpseEquipment(PacketReader& packet) {
    Drop("HandleCorpseEquipment", packet);
}
void HandleDeathAnimation(PacketReader& packet) {
    Drop("HandleDeathAnimation", packet);
}
void HandleDeathStatus(PacketReader& packet) {
    Drop("HandleDeathStatus", packet);
}
void HandleDeleteObject(PacketReader& packet) {
    Drop("HandleDeleteObject", packet);
}
void HandleDragAnimation(PacketReader& packet) {
    Drop("HandleDragAnimation", packet);
}
void HandleDropCleared(PacketReader& packet) {
    Drop("HandleDropCleared", packet);
}
void HandleDropDone(PacketReader& packet) {
    Drop("HandleDropDone", packet);
}
void HandleDyeRequest(PacketReader& packet) {
    Drop("HandleDyeRequest", packet);
}
void HandleEditArt(PacketReader& packet) {
    Drop("HandleEditArt", packet);
}
void HandleEditCacheItem(PacketReader& packet) {
    Drop("HandleEditCacheItem", packet);
}
void HandleEditData3E(PacketReader& packet) {
    Drop("HandleEditData3E", packet);
}
void HandleEditData43(PacketReader& packet) {
    Drop("HandleEditData43", packet);
}
void HandleEditData44(PacketReader& packet) {
    Drop("HandleEditData44", packet);
}
void HandleEditData45(PacketReader& packet) {
    Drop("HandleEditData45", packet);
}
void HandleEditMapBlock(PacketReader& packet) {
    Drop("HandleEditMapBlock", packet);
}
void HandleEditMultiData(PacketReader& packet) {
    Drop("HandleEditMultiData", packet);
}
void HandleEditServerByte(PacketReader& packet) {
    Drop("HandleEditServerByte", packet);
}
void HandleEditStaticsBlock(PacketReader& packet) {
    Drop("HandleEditStaticsBlock", packet);
}
void HandleEditTiledataGroup(PacketReader& packet) {
    Drop("HandleEditTiledataGroup", packet);
}
void HandleEffectEx(PacketReader& packet) {
    Drop("HandleEffectEx", packet);
}
void HandleEquipItem(PacketReader& packet) {
    Drop("HandleEquipItem", packet);
}
void HandleExtendedCommand(PacketReader& packet) {
    Drop("HandleExtendedCommand", packet);
}
void HandleFeatures(PacketReader& packet) {
    Drop("HandleFeatures", packet);
}
void HandleFollow(PacketReader& packet) {
    Drop("HandleFollow", packet);
}
void HandleGenericGump(PacketReader& packet) {
    Drop("HandleGenericGump", packet);
}
void HandleGlobalQueueCount(PacketReader& packet) {
    Drop("HandleGlobalQueueCount", packet);
}
void HandleGlobalQueuePage(PacketReader& packet) {
    Drop("HandleGlobalQueuePage", packet);
}
void HandleGraphicEffect(PacketReader& packet) {
    Drop("HandleGraphicEffect", packet);
}
void HandleGroupMessage(PacketReader& packet) {
    Drop("HandleGroupMessage", packet);
}
void HandleHitsUpdate(PacketReader& packet) {
    Drop("HandleHitsUpdate", packet);
}
void HandleHuedEffect(PacketReader& packet) {
    Drop("HandleHuedEffect", packet);
}
void HandleIgnoredByteWord(PacketReader& packet) {
    Drop("HandleIgnoredByteWord", packet);
}
void HandleIgnoredTwoBytes(PacketReader& packet) {
    Drop("HandleIgnoredTwoBytes", packet);
}
void HandleIgnoredTwoWords(PacketReader& packet) {
    Drop("HandleIgnoredTwoWords", packet);
}
void HandleItemListMenu(PacketReader& packet) {
    Drop("HandleItemListMenu", packet);
}
void HandleLiftRejected(PacketReader& packet) {
    Drop("HandleLiftRejected", packet);
}
void HandleLightLevel(PacketReader& packet) {
    Drop("HandleLightLevel", packet);
}
void HandleLocalizedMessage(PacketReader& packet) {
    Drop("HandleLocalizedMessage", packet);
}
void HandleLocalizedMessageAffix(PacketReader& packet) {
    Drop("HandleLocalizedMessageAffix", packet);
}
void HandleLogoutReply(PacketReader& packet) {
    Drop("HandleLogoutReply", packet);
}
void HandleManaUpdate(PacketReader& packet) {
    Drop("HandleManaUpdate", packet);
}
void HandleMapCheckEnable(PacketReader& packet) {
    Drop("HandleMapCheckEnable", packet);
}
void HandleMapPlot(PacketReader& packet) {
    Drop("HandleMapPlot", packet);
}
void HandleMarkMobile(PacketReader& packet) {
    Drop("HandleMarkMobile", packet);
}
void HandleMobileAnimation(PacketReader& packet) {
    Drop("HandleMobileAnimation", packet);
}
void HandleMobileAttributes(PacketReader& packet) {
    Drop("HandleMobileAttributes", packet);
}
void HandleMobileIncoming(PacketReader& packet) {
    Drop("HandleMobileIncoming", packet);
}
void HandleMobileIncomingEx(PacketReader& packet) {
    Drop("HandleMobileIncomingEx", packet);
}
void HandleMobileMoving(PacketReader& packet) {
    Drop("HandleMobileMoving", packet);
}
void HandleMobileMovingEx(PacketReader& packet) {
    Drop("HandleMobileMovingEx", packet);
}
void HandleMoveAck(PacketReader& packet) {
    Drop("HandleMoveAck", packet);
}
void HandleMovePlayer(PacketReader& packet) {
    Drop("HandleMovePlayer", packet);
}
void HandleMoveReject(PacketReader& packet) {
    Drop("HandleMoveReject", packet);
}
void HandleMultiPlacementTarget(PacketReader& packet) {
    Drop("HandleMultiPlacementTarget", packet);
}
void HandleMultiPlacementTargetList(PacketReader& packet) {
    Drop("HandleMultiPlacementTargetList", packet);
}
void HandleNameReply(PacketReader& packet) {
    Drop("HandleNameReply", packet);
}
void HandleObjectHelp(PacketReader& packet) {
    Drop("HandleObjectHelp", packet);
}
void HandleOpenContainer(PacketReader& packet) {
    Drop("HandleOpenContainer", packet);
}
void HandleOpenCourseMap(PacketReader& packet) {
    Drop("HandleOpenCourseMap", packet);
}
void HandleOpenPaperdoll(PacketReader& packet) {
    Drop("HandleOpenPaperdoll", packet);
}
void HandleOpenWebLink(PacketReader& packet) {
    Drop("HandleOpenWebLink", packet);
}
void HandlePathfind(PacketReader& packet) {
    Drop("HandlePathfind", packet);
}
void HandlePersonalLight(PacketReader& packet) {
    Drop("HandlePersonalLight", packet);
}
void HandlePingEcho(PacketReader& packet) {
    Drop("HandlePingEcho", packet);
}
void HandlePlayMusic(PacketReader& packet) {
    Drop("HandlePlayMusic", packet);
}
void HandlePlayerUpdate(PacketReader& packet) {
    Drop("HandlePlayerUpdate", packet);
}
void HandlePointer(PacketReader& packet) {
    Drop("HandlePointer", packet);
}
void HandleProfile(PacketReader& packet) {
    Drop("HandleProfile", packet);
}
void HandleRegionRecord(PacketReader& packet) {
    Drop("HandleRegionRecord", packet);
}
void HandleSeason(PacketReader& packet) {
    Drop("HandleSeason", packet);
}
void HandleSecureTrade(PacketReader& packet) {
    Drop("HandleSecureTrade", packet);
}
void HandleSellList(PacketReader& packet) {
    Drop("HandleSellList", packet);
}
void HandleSequence(PacketReader& packet) {
    Drop("HandleSequence", packet);
}
void HandleServerBoundary(PacketReader& packet) {
    Drop("HandleServerBoundary", packet);
}
void HandleSetCombatant(PacketReader& packet) {
    Drop("HandleSetCombatant", packet);
}
void HandleShopList(PacketReader& packet) {
    Drop("HandleShopList", packet);
}
void HandleSignGump(PacketReader& packet) {
    Drop("HandleSignGump", packet);
}
void HandleSkills(PacketReader& packet) {
    Drop("HandleSkills", packet);
}
void HandleStaminaUpdate(PacketReader& packet) {
    Drop("HandleStaminaUpdate", packet);
}
void HandleStatus(PacketReader& packet) {
    Drop("HandleStatus", packet);
}
void HandleTargetRequest(PacketReader& packet) {
    Drop("HandleTargetRequest", packet);
}
void HandleTextEntryGump(PacketReader& packet) {
    Drop("HandleTextEntryGump", packet);
}
void HandleTime(PacketReader& packet) {
    Drop("HandleTime", packet);
}
void HandleTipNotice(PacketReader& packet) {
    Drop("HandleTipNotice", packet);
}
void HandleUnicodePrompt(PacketReader& packet) {
    Drop("HandleUnicodePrompt", packet);
}
void HandleUnicodeSpeech(PacketReader& packet) {
    Drop("HandleUnicodeSpeech", packet);
}
void HandleViewRange(PacketReader& packet) {
    Drop("HandleViewRange", packet);
}
void HandleWarMode(PacketReader& packet) {
    Drop("HandleWarMode", packet);
}
void HandleWeather(PacketReader& packet) {
    Drop("HandleWeather", packet);
}
void HandleWorldItem(PacketReader& packet) {
    Drop("HandleWorldItem", packet);
}
} // namespace PacketManager
