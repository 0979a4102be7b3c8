// The login road: account login, shard choice, relay, game login, character choice, the login
// confirmation, login complete, and the denial and error messages on the way.
#include "core/ExitHandlers.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "core/config.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/ConnectionSeed.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/PacketManagerText.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kCannotAttach =
    "The client could not attach to the game server. It must have been taken down, "
    "please wait a few minutes and try again.";
const char* const kAlreadyOnline =
    "Another character from this account is currently online in this world.  You must either log in as "
    "that character or wait for it to time out.";
const char* const kOutOfSync = "An error has occurred in the synchronization between the login servers and "
                               "this world.  Please close your client and try again.";
const char* const kIdle = "You have been idle for too long.  If you do not do anything in the next minute, "
                          "you will be logged out.";

std::string LoginDeniedText(uint8_t reason) {
    switch (reason) {
    case 0:
        return "Either the Account Name or Password you provided were incorrect.  If this is a new account "
               "your account may not be active yet.  Please try again shortly.";
    case 1:
        return "Someone is already using this account.";
    case 2:
        return "Your account has been blocked. Please visit " + PacketManager::GetAccountWebSite() +
               " for information on reactivating your account.";
    case 3:
        return "Your account credentials are invalid. Check your user ID and password and try again.";
    case 5:
        return "The IGR concurrency limit has been met.";
    case 6:
        return "The IGR time limit has been met.";
    case 7:
        return "A general IGR authentication failure has occured.";
    case 254:
        return "";
    default:
        return "There is some problem communicating with Halden. Please restart Varnis Online and try again.";
    }
}

void SendBuilt(void (*build)(PacketWriter&)) {
    uint8_t buffer[256];
    PacketWriter packet(buffer);
    build(packet);
    SendPacket(packet);
}

// The messages that follow a login confirmation on the current connection.
void SendWorldGreeting(uint32_t serial) {
    NetServices& services = GetNetServices();
    uint8_t buffer[256];
    {
        PacketWriter packet(buffer);
        PacketManager::SendUpdateRange(packet, static_cast<uint8_t>(services.playerUpdateRange()));
        SendPacket(packet);
    }
    if (services.tipsEnabled()) {
        PacketWriter packet(buffer);
        PacketManager::SendTipRequest(packet, static_cast<uint16_t>(services.lastTipNumber()), 1);
        SendPacket(packet);
    }
    {
        PacketWriter packet(buffer);
        PacketManager::SendStatusRequest(packet, 5, serial);
        SendPacket(packet);
    }
    services.setShowRealSkills(0);
    SendBuilt(PacketManager::SendClientVersion);
    {
        int width = 640;
        int height = 480;
        services.gameDisplaySize(width, height);
        PacketWriter packet(buffer);
        PacketManager::BeginExtendedCommand(packet, 5);
        WritePacketU32(packet, static_cast<uint32_t>(width));
        WritePacketU32(packet, static_cast<uint32_t>(height));
        SendPacket(packet);
    }
    {
        char code[4] = {};
        std::strncpy(code, services.userLanguageCode().c_str(), 3);
        PacketWriter packet(buffer);
        PacketManager::BeginExtendedCommand(packet, 11);
        WritePacketBytes(packet, code, 3);
        WritePacketU8(packet, 0);
        SendPacket(packet);
    }
    if (CGameSock* current = GetCurrentConnection()) {
        PacketWriter packet(buffer);
        PacketManager::BeginExtendedCommand(packet, 15);
        WritePacketU8(packet, 10);
        WritePacketU32(packet, 7);
        current->Send(packet);
    }
}

// An error on an additional shard's connection: a system line instead of the login screens' boxes.
// A refused character or one online elsewhere ends that shard, never the process or the current one.
void HandleSecondaryErrorCode(CGameSock& connection, uint8_t code) {
    const char* text = nullptr;
    switch (code) {
    case 0:
        text = "Incorrect password.";
        break;
    case 1:
        text = "This character does not exist anymore.  You will have to recreate it.";
        break;
    case 2:
        text = "This character already exists.\nPlaying...";
        break;
    case 5:
        text = kAlreadyOnline;
        break;
    case 6:
        text = kOutOfSync;
        break;
    case 7:
        text = kIdle;
        break;
    default:
        text = kCannotAttach;
        break;
    }
    GetNetServices().showSystemMessage(0, 3, text);
    if (code == 1 || code == 5) EndConnection(connection);
}

} // namespace

namespace PacketManager {

// ---------------------------------------------------------------- builders

void SendAccountLogin(PacketWriter& packet, const char* account, const char* password, uint8_t key) {
    BeginPacket(packet, 0x80);
    WriteFixedText(packet, account, 30);
    WriteFixedText(packet, password, 30);
    WritePacketU8(packet, key);
}

void SendAccountLoginIgr(PacketWriter& packet, const char* account, const char* password, uint8_t key,
                         const char* gameRoomId) {
    BeginPacket(packet, 0xCF);
    WriteFixedText(packet, account, 30);
    WriteFixedText(packet, password, 30);
    WritePacketU8(packet, key);
    // The room id fills its 16 bytes; it needs no terminator.
    uint8_t room[16] = {};
    if (gameRoomId) std::memcpy(room, gameRoomId, strnlen(gameRoomId, sizeof room));
    WritePacketBytes(packet, room, sizeof room);
}

void SendSelectServer(PacketWriter& packet, uint16_t index) {
    BeginPacket(packet, 0xA0);
    WritePacketU16(packet, index);
}

void SendGameLogin(PacketWriter& packet, uint32_t key, const char* account, const char* password) {
    BeginPacket(packet, 0x91);
    WritePacketU32(packet, key);
    WriteFixedText(packet, account, 30);
    WriteFixedText(packet, password, 30);
}

void SendPlayCharacter(PacketWriter& packet, const char* name, const uint8_t* clientBlock, uint32_t slot) {
    BeginPacket(packet, 0x5D);
    WritePacketU32(packet, 0xEDEDEDED);
    WriteFixedText(packet, name, 30);
    uint8_t block[30] = {};
    if (clientBlock) std::memcpy(block, clientBlock, sizeof block);
    WritePacketBytes(packet, block, 28);
    WritePacketU16(packet, static_cast<uint16_t>((block[28] << 8) | block[29]));
    WritePacketU32(packet, slot);
    WritePacketU32(packet, GetLocalAddress());
}

// ---------------------------------------------------------------- handlers

void HandleRelay(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t address = 0;
    uint16_t port = 0;
    uint32_t key = 0;
    ReadPacketU32(packet, at, address);
    ReadPacketU16(packet, at, port);
    ReadPacketU32(packet, at, key);
    if (packet.bad()) return;
    // A shard was chosen: the shard list has closed, and its measurements end with it.
    CLatencyProbe::Destroy();
    SetConnectionSeed(key);
    RequestReconnect(address, port);
}

void HandleLoginConfirm(CGameSock& connection, PacketReader& packet) {
    LoginConfirmation c;
    uint32_t unused = 0;
    uint16_t z = 0;
    int at = 0;
    ReadPacketU32(packet, at, c.serial);
    ReadPacketU32(packet, at, unused);
    ReadPacketU16(packet, at, c.body);
    ReadPacketU16(packet, at, c.x);
    ReadPacketU16(packet, at, c.y);
    ReadPacketU16(packet, at, z);
    c.z = static_cast<int16_t>(z);
    ReadPacketU8(packet, at, c.facing);
    ReadPacketU8(packet, at, c.map);
    ReadPacketU32(packet, at, unused);
    ReadPacketU16(packet, at, c.boundsX);
    ReadPacketU16(packet, at, c.boundsY);
    ReadPacketU16(packet, at, c.boundsWidth);
    ReadPacketU16(packet, at, c.boundsHeight);
    if (packet.bad()) return;

    NetServices& services = GetNetServices();
    ShardRecord* record = CApp::FindShardRecordByConnection(&connection);
    const std::string shardName = record ? record->name : std::string();
    char text[256];
    std::snprintf(text, sizeof text, "%s (%s)", CApp::GetName().c_str(), shardName.c_str());
    services.setWindowTitle(text);
    std::snprintf(text, sizeof text, "Login confirm on %s", shardName.c_str());
    services.showSystemMessage(55, 3, text);

    connection.SetLoggedIn(true);
    if (record) {
        record->playerSerial = c.serial;
        record->saved.x = static_cast<int16_t>(c.x);
        record->saved.y = static_cast<int16_t>(c.y);
        record->saved.z = c.z;
        record->saved.facing = c.facing;
        record->saved.map = c.map;
        if (record->serverIndex != -1) CApp::SelectShard(record->serverIndex);
    }
    // A secondary shard only records its state.
    if (&connection != GetCurrentConnection()) return;

    CApp::SetPlayerSerial(c.serial);
    services.placePlayer(c);
    services.deleteLoginScreens();
    services.showSystemMessage(0, 3, "Welcome to Varnis Online!");
    SetInWorld(true);
    SendWorldGreeting(c.serial);
}

void HandleLoginComplete(CGameSock&, PacketReader&) {
    NetServices& services = GetNetServices();
    services.deleteEnteringWorldNotice();
    if (!services.deferUntilMessageClosed(&EnterGameDisplay)) EnterGameDisplay();
}

void EnterGameDisplay() {
    SetGameDisplayEntered(true);
    GetNetServices().applyGameDisplay();
}

void HandleLoginDenied(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t reason = 0;
    if (!ReadPacketU8(packet, at, reason)) return;
    NetServices& services = GetNetServices();
    const std::string text = LoginDeniedText(reason);
    if (&connection != GetCurrentConnection()) {
        // An additional shard's login: the screens of the current one stay as they are.
        if (!text.empty()) services.showSystemMessage(0, 3, text.c_str());
        EndConnection(connection);
        return;
    }
    services.deleteWaitingGump();
    if (!text.empty()) {
        const int value = (reason >= 1 && reason <= 7) ? 0 : 1;
        services.showModalMessage(MessageOwner::MainMenu, text.c_str(), 1, value);
    }
    services.enableMainMenu(true);
    EndConnection(connection);
}

void HandleErrorCode(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t code = 0;
    if (!ReadPacketU8(packet, at, code)) return;
    NetServices& services = GetNetServices();
    if (&connection != GetCurrentConnection()) {
        HandleSecondaryErrorCode(connection, code);
        return;
    }
    services.deleteWaitingGump();
    services.deleteEnteringWorldNotice();
    const bool selection = services.hasCharacterSelection();
    const MessageOwner owner = selection ? MessageOwner::CharacterSelection : MessageOwner::MainMenu;
    switch (code) {
    case 0:
        if (selection)
            services.showModalMessage(owner, "Incorrect password.", 1, 0);
        else
            services.showModalMessage(owner, "You entered an incorrect password.  Closing...", 1, 1);
        return;
    case 1:
        if (selection) {
            services.showModalMessage(
                owner, "This character does not exist anymore.  You will have to recreate it.", 1, 0);
            services.removeSelectedCharacter();
            return;
        }
        services.showMessageBox("Character does not exist.\n Closing...", "Access Denied!");
        services.igrStopAllAndWait();
        TerminateProcess(0);
        return;
    case 2:
        services.showModalMessage(owner, "This character already exists.\nPlaying...", 1, 0);
        return;
    case 5:
        services.deletePendingNotices();
        services.showModalMessage(MessageOwner::MainMenu, kAlreadyOnline, 1, 0);
        EndConnection(connection);
        return;
    case 6:
        services.showModalMessage(owner, kOutOfSync, 1, 0);
        return;
    case 7:
        services.showModalMessage(owner, kIdle, 1, 0);
        return;
    default:
        services.showModalMessage(owner, kCannotAttach, 1, 0);
        return;
    }
}

} // namespace PacketManager
