#include "app/PlayerActions.h"

#include "app/MainWindow.h"
#include "app/ScreenServices.h"
#include "core/DefManager.h"
#include "core/MarkedMobiles.h"
#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "gumps/DragGump.h"
#include "gumps/MouseManager.h"
#include "gumps/Targeting.h"
#include "media/SoundManager.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "windows/WindowsStandIns.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/MultiManager.h"
#include "world/PlayerWalk.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

namespace CApp {
namespace {

struct ActionState {
    int requestedWarMode = -1;
    uint8_t style[3] = {4, 0, 0};
    std::string commandName;
    int commandMode = 0;
    int commandValue = 0;
    uint32_t clientFlags = 0;
    uint32_t featureFlags = 0;
};
ActionState g_actions;

void Send(PacketWriter& packet) {
    PlayerWalk::SendWorldPacket(packet);
}

void SendCommand(int type, const char* format, ...) __attribute__((format(printf, 2, 3)));
void SendCommand(int type, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SendTextCommand(type, text);
}

} // namespace

void RequestWarMode(int mode) {
    CPlayerMobile* p = pPlayerObject;
    if (p && p->IsGhost()) {
        uint8_t buffer[8];
        PacketWriter packet(buffer);
        PacketManager::SendDeathStatus(packet, 0);
        Send(packet);
    }
    if (mode == -1) mode = p && p->warMode ? 0 : 1;
    g_actions.requestedWarMode = mode;
    uint8_t buffer[8];
    PacketWriter packet(buffer);
    PacketManager::SendWarMode(packet, static_cast<uint8_t>(mode), g_actions.style);
    Send(packet);
    ClearMarkedMobiles();
    WorldHook::Call(WorldHook::Table().forgetViewPointers, nullptr);
}

void SetWarMode(int mode) {
    if (mode == g_actions.requestedWarMode) g_actions.requestedWarMode = -1;
    CPlayerMobile* p = pPlayerObject;
    if (!p) return;
    const bool placed = p->IsPlaced() && p->listed;
    if (placed) p->RemoveFromDrawList();
    p->warMode = mode != 0;
    if (placed) p->AddToDrawList();
    WorldHook::Call(WorldHook::Table().warModeChanged, p);
}

bool IsWarRequested() {
    return g_actions.requestedWarMode != -1;
}

int GetRequestedWarMode() {
    return g_actions.requestedWarMode;
}

bool IsInWarMode() {
    return pPlayerObject && pPlayerObject->warMode != 0;
}

void SetFightingStyle(uint8_t a, uint8_t b, uint8_t c) {
    g_actions.style[0] = a;
    g_actions.style[1] = b;
    g_actions.style[2] = c;
}

void SendTextCommand(int type, const char* text) {
    uint8_t buffer[512];
    PacketWriter packet(buffer);
    PacketManager::SendTextCommand(packet, static_cast<uint8_t>(type), text ? text : "");
    Send(packet);
}

void StartTextCommand(const char* name, int mode, int value) {
    g_actions.commandName = name ? name : "";
    g_actions.commandMode = mode;
    g_actions.commandValue = value;
    if (mode == 0) {
        OnTextCommandTarget(nullptr);
        return;
    }
    if (mode != 1 && mode != 2) return;
    SetGameCursor(39);
    GumpTargeting::Begin(0,
                         [](uint32_t serial) { OnTextCommandTarget(CObjectManager::FindBySerial(serial)); });
}

void OnTextCommandTarget(CObj* target) {
    const ActionState& a = g_actions;
    const char* name = a.commandName.c_str();
    if (a.commandMode == 0) {
        if (a.commandValue)
            SendCommand(47, "%d", a.commandValue);
        else
            SendCommand(39, "%s", name);
    } else if (a.commandMode == 1 && target) {
        if (a.commandValue)
            SendCommand(47, "%d %d %d %d", a.commandValue, target->locX, target->locY, target->z);
        else
            SendCommand(39, "%s %d %d %d", name, target->locX, target->locY, target->z);
    } else if (a.commandMode == 2 && target && target->IsMobile()) {
        const auto serial = static_cast<int>(static_cast<CMobile*>(target)->serial);
        if (a.commandValue)
            SendCommand(47, "%d %d", a.commandValue, serial);
        else
            SendCommand(39, "%s %d", name, serial);
    }
    EndTargeting();
}

bool IsTargeting() {
    return GumpTargeting::IsTargeting();
}

void BeginTargeting() {
    GumpTargeting::Begin(GumpTargeting::RequestKind(), nullptr);
}

void EndTargeting() {
    GumpTargeting::End();
    if (PlacementPreview::IsActive())
        PlacementPreview::Clear();
    else
        PlacementPreview::RemovePieces();
}

void ApplyClientFlags(uint32_t flags) {
    g_actions.clientFlags = flags;
}

void ApplyFeatureFlags(uint32_t flags) {
    g_actions.featureFlags = flags;
    DefManager::SetFeatureFlags(flags);
}

uint32_t GetClientFlags() {
    return g_actions.clientFlags;
}

uint32_t GetFeatureFlags() {
    return g_actions.featureFlags;
}

void SetMapNumber(int map) {
    MapManager::SetMap(map);
}

int GetMapNumber() {
    return MapManager::GetMapNumber();
}

bool NotorietyRulesApply() {
    if (g_actions.clientFlags & 4) return true;
    const int map = GetMapNumber();
    return map != 1 && map != 2;
}

void BindPlayerActionHooks(WorldHooks& h) {
    h.startTextCommand = [](const char* name, int mode, int value) { StartTextCommand(name, mode, value); };
    h.refreshBarks = CGumpManager::RefreshBarks;
    h.openAmountWindow = [](CDynamicObj* pile) -> CGump* {
        CGump* window = CGumpManager::OpenGump(pile, 49);
        if (window) MouseManager::SetCapture(window);
        return window;
    };
    h.createDragWindow = CGumpManager::CreateDragGump;
}

void BindPlayerActions() {
    BindPlayerActionHooks(WorldHook::Table());
    PlayerWalk::Links& links = PlayerWalk::GetLinks();
    links.mouseInWalkEllipse = MouseManager::IsInWalkEllipse;
    links.playSound = [](int id) { SoundManager::PlaySoundIfEnabled(id, 0, 0); };
    links.controlHeld = IsControlKeyHeld;
}

namespace {
// Bound as soon as the application is linked in.
const bool g_playerActionsBound = [] {
    BindPlayerActions();
    return true;
}();
} // namespace

void ResetPlayerActionsForTests() {
    g_actions = {};
}

} // namespace CApp

namespace PacketManager {

void SendWarMode(PacketWriter& packet, uint8_t mode, const uint8_t style[3]) {
    BeginPacket(packet, 0x72);
    WritePacketU8(packet, mode);
    for (int i = 0; i < 3; ++i)
        WritePacketU8(packet, style[i]);
}

void SendDeathStatus(PacketWriter& packet, uint8_t action) {
    BeginPacket(packet, 0x2C);
    WritePacketU8(packet, action);
}

void SendTextCommand(PacketWriter& packet, uint8_t type, const char* text) {
    BeginPacket(packet, 0x12);
    WritePacketU8(packet, type);
    WritePacketBytes(packet, text, std::strlen(text) + 1);
}

void HandleWarMode(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t mode = 0, a = 0, b = 0, c = 0;
    if (!ReadPacketU8(packet, offset, mode) || !ReadPacketU8(packet, offset, a) ||
        !ReadPacketU8(packet, offset, b) || !ReadPacketU8(packet, offset, c)) {
        QVReport::warning("PacketManager::HandleWarMode: short packet.\n");
        return;
    }
    CApp::SetFightingStyle(a, b, c);
    CApp::SetWarMode(mode != 0);
}

void HandleFeatures(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint16_t flags = 0;
    if (!ReadPacketU16(packet, offset, flags)) {
        QVReport::warning("PacketManager::HandleFeatures: short packet.\n");
        return;
    }
    CApp::ApplyFeatureFlags(flags);
}

} // namespace PacketManager
