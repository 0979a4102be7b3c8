#pragma once
// The packet module: the handler of every server message the client acts on (dispatched by id
// through PacketLengthTable) and the builders of the client's messages. Builders fill a caller's
// PacketWriter; the caller queues the packet with SendPacket unless a builder says it sends.
#include "net/NetServices.h"
#include "net/PacketBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

struct HWProfile;

namespace PacketManager {

void startup();
void shutdown();

// ---------------------------------------------------------------- the login road
void HandleRelay(PacketReader& packet);         // 0x8C
void HandleLoginConfirm(PacketReader& packet);  // 0x1B
void HandleLoginComplete(PacketReader& packet); // 0x55
void HandleLoginDenied(PacketReader& packet);   // 0x82
void HandleErrorCode(PacketReader& packet);     // 0x53

// ---------------------------------------------------------------- shard and character lists
void HandleServerList(PacketReader& packet);           // 0xA8
void HandleCharacterList(PacketReader& packet);        // 0xA9
void HandleCharacterShardList(PacketReader& packet);   // 0x81
void HandleCharacterListUpdate(PacketReader& packet);  // 0x86
void HandleCharacterDeleteError(PacketReader& packet); // 0x85
void HandleVersionRequest(PacketReader& packet);       // 0xBD
void HandleVersionTokenRequest(PacketReader& packet);  // 0xBE
void HandleIgrSession(PacketReader& packet);           // 0xCE

// ---------------------------------------------------------------- handlers of other families
// Until their families are built these log the packet and drop it (net/stubs/).
void HandleAsciiPrompt(PacketReader& packet);
void HandleAsciiSpeech(PacketReader& packet);
void HandleAttackTarget(PacketReader& packet);
void HandleBookHeader(PacketReader& packet);
void HandleBookHeaderVariable(PacketReader& packet);
void HandleBookPages(PacketReader& packet);
void HandleBulletinBoard(PacketReader& packet);
void HandleBuyReply(PacketReader& packet);
void HandleChatMessage(PacketReader& packet);
void HandleChatText(PacketReader& packet);
void HandleClearCombatant(PacketReader& packet);
void HandleCombatSwing(PacketReader& packet);
void HandleConfigFile(PacketReader& packet);
void HandleContainerContents(PacketReader& packet);
void HandleContainerItem(PacketReader& packet);
void HandleCorpseEquipment(PacketReader& packet);
void HandleDeathAnimation(PacketReader& packet);
void HandleDeathStatus(PacketReader& packet);
void HandleDeleteObject(PacketReader& packet);
void HandleDragAnimation(PacketReader& packet);
void HandleDropCleared(PacketReader& packet);
void HandleDropDone(PacketReader& packet);
void HandleDyeRequest(PacketReader& packet);
void HandleEditArt(PacketReader& packet);
void HandleEditCacheItem(PacketReader& packet);
void HandleEditData3E(PacketReader& packet);
void HandleEditData43(PacketReader& packet);
void HandleEditData44(PacketReader& packet);
void HandleEditData45(PacketReader& packet);
void HandleEditMapBlock(PacketReader& packet);
void HandleEditMultiData(PacketReader& packet);
void HandleEditServerByte(PacketReader& packet);
void HandleEditStaticsBlock(PacketReader& packet);
void HandleEditTiledataGroup(PacketReader& packet);
void HandleEffectEx(PacketReader& packet);
void HandleEquipItem(PacketReader& packet);
void HandleExtendedCommand(PacketReader& packet);
void HandleFeatures(PacketReader& packet);
void HandleFollow(PacketReader& packet);
void HandleGenericGump(PacketReader& packet);
void HandleGlobalQueueCount(PacketReader& packet);
void HandleGlobalQueuePage(PacketReader& packet);
void HandleGraphicEffect(PacketReader& packet);
void HandleGroupMessage(PacketReader& packet);
void HandleHitsUpdate(PacketReader& packet);
void HandleHuedEffect(PacketReader& packet);
void HandleIgnoredByteWord(PacketReader& packet);
void HandleIgnoredTwoBytes(PacketReader& packet);
void HandleIgnoredTwoWords(PacketReader& packet);
void HandleItemListMenu(PacketReader& packet);
void HandleLiftRejected(PacketReader& packet);
void HandleLightLevel(PacketReader& packet);
void HandleLocalizedMessage(PacketReader& packet);
void HandleLocalizedMessageAffix(PacketReader& packet);
void HandleLogoutReply(PacketReader& packet);
void HandleManaUpdate(PacketReader& packet);
void HandleMapCheckEnable(PacketReader& packet);
void HandleMapPlot(PacketReader& packet);
void HandleMarkMobile(PacketReader& packet);
void HandleMobileAnimation(PacketReader& packet);
void HandleMobileAttributes(PacketReader& packet);
void HandleMobileIncoming(PacketReader& packet);
void HandleMobileIncomingEx(PacketReader& packet);
void HandleMobileMoving(PacketReader& packet);
void HandleMobileMovingEx(PacketReader& packet);
void HandleMoveAck(PacketReader& packet);
void HandleMovePlayer(PacketReader& packet);
void HandleMoveReject(PacketReader& packet);
void HandleMultiPlacementTarget(PacketReader& packet);
void HandleMultiPlacementTargetList(PacketReader& packet);
void HandleNameReply(PacketReader& packet);
void HandleObjectHelp(PacketReader& packet);
void HandleOpenContainer(PacketReader& packet);
void HandleOpenCourseMap(PacketReader& packet);
void HandleOpenPaperdoll(PacketReader& packet);
void HandleOpenWebLink(PacketReader& packet);
void HandlePathfind(PacketReader& packet);
void HandlePersonalLight(PacketReader& packet);
void HandlePingEcho(PacketReader& packet);
void HandlePlayMusic(PacketReader& packet);
void HandlePlaySound(PacketReader& packet);
void HandlePlayerUpdate(PacketReader& packet);
void HandlePointer(PacketReader& packet);
void HandleProfile(PacketReader& packet);
void HandleRegionRecord(PacketReader& packet);
void HandleSeason(PacketReader& packet);
void HandleSecureTrade(PacketReader& packet);
void HandleSellList(PacketReader& packet);
void HandleSequence(PacketReader& packet);
void HandleServerBoundary(PacketReader& packet);
void HandleSetCombatant(PacketReader& packet);
void HandleShopList(PacketReader& packet);
void HandleSignGump(PacketReader& packet);
void HandleSkills(PacketReader& packet);
void HandleStaminaUpdate(PacketReader& packet);
void HandleStatus(PacketReader& packet);
void HandleTargetRequest(PacketReader& packet);
void HandleTextEntryGump(PacketReader& packet);
void HandleTime(PacketReader& packet);
void HandleTipNotice(PacketReader& packet);
void HandleUnicodePrompt(PacketReader& packet);
void HandleUnicodeSpeech(PacketReader& packet);
void HandleViewRange(PacketReader& packet);
void HandleWarMode(PacketReader& packet);
void HandleWeather(PacketReader& packet);
void HandleWorldItem(PacketReader& packet);

// Builders of other families, stand-ins until they are built (net/stubs/).
void SendTargetCancel();

// ---------------------------------------------------------------- the game display
// Switches to the game display once the server finished sending the world (0x55).
void EnterGameDisplay();
// What entering the game display does in the windows and the display (NetServices::applyGameDisplay).
void ApplyGameDisplay();
bool IsGameDisplayEntered();
void SetGameDisplayEntered(bool entered);

// ---------------------------------------------------------------- builders
// 30-byte text fields are zero-padded; a text of 30 bytes or more fills the field without a zero.
void SendAccountLogin(PacketWriter& packet, const char* account, const char* password, uint8_t key); // 0x80
void SendAccountLoginIgr(PacketWriter& packet, const char* account, const char* password, uint8_t key,
                         const char* gameRoomId);                                                  // 0xCF
void SendSelectServer(PacketWriter& packet, uint16_t index);                                       // 0xA0
void SendGameLogin(PacketWriter& packet, uint32_t key, const char* account, const char* password); // 0x91
// clientBlock: the 30-byte block of the application object.
void SendPlayCharacter(PacketWriter& packet, const char* name, const uint8_t* clientBlock,
                       uint32_t slot); // 0x5D

// What the character creation screens chose, in packet order.
struct CreationChoices {
    uint8_t bytes[10] = {};
    uint16_t values[5] = {};
    uint8_t more[2] = {};
    uint32_t value = 0;
    uint16_t cityWords[2] = {}; // as AcceptCityChoice stored them; the second goes first
};
void SendCreateCharacter(PacketWriter& packet, const char* name, const char* password,
                         const CreationChoices& choices);                            // 0x00
void SendDeleteCharacter(PacketWriter& packet, uint32_t slot, const char* password); // 0x83
void SendSystemInfo(PacketWriter& packet, const HWProfile& profile);                 // 0xA4
void SendClientVersion(PacketWriter& packet);                                        // 0xBD
void SendVersionToken(PacketWriter& packet, uint32_t value);                         // 0xBE
void SendPing(PacketWriter& packet, uint8_t value);                                  // 0x73
void SendStatusRequest(PacketWriter& packet, uint8_t type, uint32_t serial);         // 0x34
void SendTipRequest(PacketWriter& packet, uint16_t number, uint8_t flag);            // 0xA7
void SendUpdateRange(PacketWriter& packet, uint8_t range);                           // 0xC8
// Starts a 0xBF packet with its sub-command; the caller writes the rest.
void BeginExtendedCommand(PacketWriter& packet, uint16_t sub);

// True when the two machine descriptions count as the same machine.
bool SystemInfoEquals(const HWProfile& stored, const HWProfile& current);
// Sends the machine description when it changed since the last one sent, and stores it.
void SendSystemInfoIfChanged(bool onActiveShard);

// ---------------------------------------------------------------- login tables
struct ServerEntry {
    uint16_t index = 0;
    std::string name; // at most 15 characters
    uint8_t percentFull = 0;
    int8_t timeZone = 0;
    int timeZoneDistance = 0;
    uint32_t address = 0;
    int probeHost = -1; // the latency probe's host index, -1 without one
};
struct CharacterSlot {
    std::string name; // at most 30 bytes
    std::string password;
};
struct CityEntry {
    int index = 0;
    std::string text; // "city: area"
};
constexpr int kCharacterSlots = 5;
constexpr int kMaxShards = 127;
struct LoginTables {
    std::vector<ServerEntry> servers; // rows with an empty name are left out
    CharacterSlot slots[kCharacterSlots];
    int characterCount = 0;
    std::vector<CityEntry> cities;
};
LoginTables& GetLoginTables();

// The account web site named in the blocked-account message.
void SetAccountWebSite(const std::string& address);

// Module state back to a fresh process, for tests.
void ResetForTests();

} // namespace PacketManager
