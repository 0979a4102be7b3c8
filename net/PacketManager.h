#pragma once
// The packet module: the handler of every server message the client acts on (dispatched by id
// through PacketLengthTable) and the builders of the client's messages. Builders fill a caller's
// PacketWriter; the caller queues the packet with SendPacket unless a builder says it sends.
#include "net/NetServices.h"
#include "net/PacketBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

class CGameSock;
struct HWProfile;

namespace PacketManager {

void startup();
void shutdown();

// ---------------------------------------------------------------- the login road
void HandleRelay(CGameSock& connection, PacketReader& packet);         // 0x8C
void HandleLoginConfirm(CGameSock& connection, PacketReader& packet);  // 0x1B
void HandleLoginComplete(CGameSock& connection, PacketReader& packet); // 0x55
void HandleLoginDenied(CGameSock& connection, PacketReader& packet);   // 0x82
void HandleErrorCode(CGameSock& connection, PacketReader& packet);     // 0x53

// ---------------------------------------------------------------- shard and character lists
void HandleServerList(CGameSock& connection, PacketReader& packet);           // 0xA8
void HandleCharacterList(CGameSock& connection, PacketReader& packet);        // 0xA9
void HandleCharacterShardList(CGameSock& connection, PacketReader& packet);   // 0x81
void HandleCharacterListUpdate(CGameSock& connection, PacketReader& packet);  // 0x86
void HandleCharacterDeleteError(CGameSock& connection, PacketReader& packet); // 0x85
void HandleVersionRequest(CGameSock& connection, PacketReader& packet);       // 0xBD
void HandleVersionTokenRequest(CGameSock& connection, PacketReader& packet);  // 0xBE
void HandleIgrSession(CGameSock& connection, PacketReader& packet);           // 0xCE

// ---------------------------------------------------------------- handlers of other families
// Until their families are built these log the packet and drop it (net/stubs/).
void HandleAsciiPrompt(CGameSock& connection, PacketReader& packet);
void HandleAsciiSpeech(CGameSock& connection, PacketReader& packet);
void HandleAttackTarget(CGameSock& connection, PacketReader& packet);
void HandleBookHeader(CGameSock& connection, PacketReader& packet);
void HandleBookHeaderVariable(CGameSock& connection, PacketReader& packet);
void HandleBookPages(CGameSock& connection, PacketReader& packet);
void HandleBulletinBoard(CGameSock& connection, PacketReader& packet);
void HandleBuyReply(CGameSock& connection, PacketReader& packet);
void HandleChatMessage(CGameSock& connection, PacketReader& packet);
void HandleChatText(CGameSock& connection, PacketReader& packet);
void HandleClearCombatant(CGameSock& connection, PacketReader& packet);
void HandleCombatSwing(CGameSock& connection, PacketReader& packet);
void HandleConfigFile(CGameSock& connection, PacketReader& packet);
void HandleContainerContents(CGameSock& connection, PacketReader& packet);
void HandleContainerItem(CGameSock& connection, PacketReader& packet);
void HandleCorpseEquipment(CGameSock& connection, PacketReader& packet);
void HandleDeathAnimation(CGameSock& connection, PacketReader& packet);
void HandleDeathStatus(CGameSock& connection, PacketReader& packet);
void HandleDeleteObject(CGameSock& connection, PacketReader& packet);
void HandleDragAnimation(CGameSock& connection, PacketReader& packet);
void HandleDropCleared(CGameSock& connection, PacketReader& packet);
void HandleDropDone(CGameSock& connection, PacketReader& packet);
void HandleDyeRequest(CGameSock& connection, PacketReader& packet);
void HandleEditArt(CGameSock& connection, PacketReader& packet);
void HandleEditCacheItem(CGameSock& connection, PacketReader& packet);
void HandleEditData3E(CGameSock& connection, PacketReader& packet);
void HandleEditData43(CGameSock& connection, PacketReader& packet);
void HandleEditData44(CGameSock& connection, PacketReader& packet);
void HandleEditData45(CGameSock& connection, PacketReader& packet);
void HandleEditMapBlock(CGameSock& connection, PacketReader& packet);
void HandleEditMultiData(CGameSock& connection, PacketReader& packet);
void HandleEditServerByte(CGameSock& connection, PacketReader& packet);
void HandleEditStaticsBlock(CGameSock& connection, PacketReader& packet);
void HandleEditTiledataGroup(CGameSock& connection, PacketReader& packet);
void HandleEffectEx(CGameSock& connection, PacketReader& packet);
void HandleEquipItem(CGameSock& connection, PacketReader& packet);
void HandleExtendedCommand(CGameSock& connection, PacketReader& packet);
void HandleFeatures(CGameSock& connection, PacketReader& packet);
void HandleFollow(CGameSock& connection, PacketReader& packet);
void HandleGenericGump(CGameSock& connection, PacketReader& packet);
void HandleGlobalQueueCount(CGameSock& connection, PacketReader& packet);
void HandleGlobalQueuePage(CGameSock& connection, PacketReader& packet);
void HandleGraphicEffect(CGameSock& connection, PacketReader& packet);
void HandleGroupMessage(CGameSock& connection, PacketReader& packet);
void HandleHitsUpdate(CGameSock& connection, PacketReader& packet);
void HandleHuedEffect(CGameSock& connection, PacketReader& packet);
void HandleIgnoredByteWord(CGameSock& connection, PacketReader& packet);
void HandleIgnoredTwoBytes(CGameSock& connection, PacketReader& packet);
void HandleIgnoredTwoWords(CGameSock& connection, PacketReader& packet);
void HandleItemListMenu(CGameSock& connection, PacketReader& packet);
void HandleLiftRejected(CGameSock& connection, PacketReader& packet);
void HandleLightLevel(CGameSock& connection, PacketReader& packet);
void HandleLocalizedMessage(CGameSock& connection, PacketReader& packet);
void HandleLocalizedMessageAffix(CGameSock& connection, PacketReader& packet);
void HandleLogoutReply(CGameSock& connection, PacketReader& packet);
void HandleManaUpdate(CGameSock& connection, PacketReader& packet);
void HandleMapCheckEnable(CGameSock& connection, PacketReader& packet);
void HandleMapPlot(CGameSock& connection, PacketReader& packet);
void HandleMarkMobile(CGameSock& connection, PacketReader& packet);
void HandleMobileAnimation(CGameSock& connection, PacketReader& packet);
void HandleMobileAttributes(CGameSock& connection, PacketReader& packet);
void HandleMobileIncoming(CGameSock& connection, PacketReader& packet);
void HandleMobileIncomingEx(CGameSock& connection, PacketReader& packet);
void HandleMobileMoving(CGameSock& connection, PacketReader& packet);
void HandleMobileMovingEx(CGameSock& connection, PacketReader& packet);
void HandleMoveAck(CGameSock& connection, PacketReader& packet);
void HandleMovePlayer(CGameSock& connection, PacketReader& packet);
void HandleMoveReject(CGameSock& connection, PacketReader& packet);
void HandleMultiPlacementTarget(CGameSock& connection, PacketReader& packet);
void HandleMultiPlacementTargetList(CGameSock& connection, PacketReader& packet);
void HandleNameReply(CGameSock& connection, PacketReader& packet);
void HandleObjectHelp(CGameSock& connection, PacketReader& packet);
void HandleOpenContainer(CGameSock& connection, PacketReader& packet);
void HandleOpenCourseMap(CGameSock& connection, PacketReader& packet);
void HandleOpenPaperdoll(CGameSock& connection, PacketReader& packet);
void HandleOpenWebLink(CGameSock& connection, PacketReader& packet);
void HandlePathfind(CGameSock& connection, PacketReader& packet);
void HandlePersonalLight(CGameSock& connection, PacketReader& packet);
void HandlePingEcho(CGameSock& connection, PacketReader& packet);
void HandlePlayMusic(CGameSock& connection, PacketReader& packet);
void HandlePlaySound(CGameSock& connection, PacketReader& packet);
void HandlePlayerUpdate(CGameSock& connection, PacketReader& packet);
void HandlePointer(CGameSock& connection, PacketReader& packet);
void HandleProfile(CGameSock& connection, PacketReader& packet);
void HandleRegionRecord(CGameSock& connection, PacketReader& packet);
void HandleSeason(CGameSock& connection, PacketReader& packet);
void HandleSecureTrade(CGameSock& connection, PacketReader& packet);
void HandleSellList(CGameSock& connection, PacketReader& packet);
void HandleSequence(CGameSock& connection, PacketReader& packet);
void HandleServerBoundary(CGameSock& connection, PacketReader& packet);
void HandleSetCombatant(CGameSock& connection, PacketReader& packet);
void HandleShopList(CGameSock& connection, PacketReader& packet);
void HandleSignGump(CGameSock& connection, PacketReader& packet);
void HandleSkills(CGameSock& connection, PacketReader& packet);
void HandleStaminaUpdate(CGameSock& connection, PacketReader& packet);
void HandleStatus(CGameSock& connection, PacketReader& packet);
void HandleTargetRequest(CGameSock& connection, PacketReader& packet);
void HandleTextEntryGump(CGameSock& connection, PacketReader& packet);
void HandleTime(CGameSock& connection, PacketReader& packet);
void HandleTipNotice(CGameSock& connection, PacketReader& packet);
void HandleUnicodePrompt(CGameSock& connection, PacketReader& packet);
void HandleUnicodeSpeech(CGameSock& connection, PacketReader& packet);
void HandleViewRange(CGameSock& connection, PacketReader& packet);
void HandleWarMode(CGameSock& connection, PacketReader& packet);
void HandleWeather(CGameSock& connection, PacketReader& packet);
void HandleWorldItem(CGameSock& connection, PacketReader& packet);

// Builders of other families, stand-ins until they are built (net/stubs/).
void SendTargetCancel();

// ---------------------------------------------------------------- the game display
// Switches to the game display once the server finished sending the world (0x55).
void EnterGameDisplay();
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

// What the character creation screens chose. The profession code rides in byte 14 of the client
// block; the rest goes out in field order, the hues as hue-table entry + 1.
struct CreationChoices {
    struct Skill {
        uint8_t index = 0;
        uint8_t value = 0;
    };
    uint8_t profession = 0;
    uint8_t gender = 0; // 0 man, 1 woman
    uint8_t strength = 0, dexterity = 0, intelligence = 0;
    Skill skills[3] = {};
    uint16_t skinHue = 0, hairItem = 0, hairHue = 0, facialHairItem = 0, facialHairHue = 0;
    uint16_t startCity = 0xFF; // 0xFF: none chosen
    uint32_t slot = 0;
    uint16_t shirtHue = 0, pantsHue = 0;
};
// clientBlock: the 30-byte block of the application object, sent where a password would stand.
void SendCreateCharacter(PacketWriter& packet, const char* name, const uint8_t* clientBlock,
                         const CreationChoices& choices);                            // 0x00
void SendDeleteCharacter(PacketWriter& packet, uint32_t slot, const char* password); // 0x83
void SendSystemInfo(PacketWriter& packet, const HWProfile& profile);                 // 0xA4
void SendClientVersion(PacketWriter& packet);                                        // 0xBD
void SendVersionToken(PacketWriter& packet, uint32_t value);                         // 0xBE
void SendPing(PacketWriter& packet, uint8_t value);                                  // 0x73
void SendStatusRequest(PacketWriter& packet, uint8_t type, uint32_t serial);         // 0x34
void SendTipRequest(PacketWriter& packet, uint16_t number, uint8_t flag);            // 0xA7
void SendUpdateRange(PacketWriter& packet, uint8_t range);                           // 0xC8
// 0xC5 (built in world/): a map block that failed the check, as the map code used it (196 bytes).
void SendAttack(PacketWriter& packet, uint32_t serial);      // 0x05
void SendUseObject(PacketWriter& packet, uint32_t serial);   // 0x06
void SendSingleClick(PacketWriter& packet, uint32_t serial); // 0x09
void SendNameRequest(PacketWriter& packet, uint32_t serial); // 0x98
void SendDisconnectNotice(PacketWriter& packet);             // 0x01
// The direction from the first point to the second as an angle of 0..255 (0 north, clockwise).
int AngleBetweenPoints(int x1, int y1, int x2, int y2);
void SendMapBlockReport(PacketWriter& packet, int block, uint16_t value, const uint8_t* blockData);
// Starts a 0xBF packet with its sub-command; the caller writes the rest.
void BeginExtendedCommand(PacketWriter& packet, uint16_t sub);

// True when the two machine descriptions count as the same machine.
bool SystemInfoEquals(const HWProfile& stored, const HWProfile& current);
// Sends the machine description when it changed since the last one sent, and stores it; on the
// given connection, or on the current one without.
void SendSystemInfoIfChanged(CGameSock* connection);

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
