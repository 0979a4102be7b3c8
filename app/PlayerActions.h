#pragma once
// The player actions the windows and handlers share: war or peace asked of the server and applied
// from its answer, text commands (typed, or aimed with a target cursor), target mode, and the flag
// words the server sends with the character list (client flags) and the feature packet.
#include "net/PacketBuffer.h"

#include <cstdint>

struct WorldHooks;

class CObj;

namespace CApp {
void RequestWarMode(int mode); // 1 war, 0 peace, -1 toggle
void SetWarMode(int mode);
bool IsWarRequested();
int GetRequestedWarMode(); // -1 when none is pending
bool IsInWarMode();
// The three fighting-style bytes sent with every war-mode request.
void SetFightingStyle(uint8_t a, uint8_t b, uint8_t c);

void SendTextCommand(int type, const char* text);
void StartTextCommand(const char* name, int mode, int value);
void OnTextCommandTarget(CObj* target);

bool IsTargeting();
void BeginTargeting();
void EndTargeting();

void ApplyClientFlags(uint32_t flags);
void ApplyFeatureFlags(uint32_t flags);
uint32_t GetClientFlags();
uint32_t GetFeatureFlags();
// The current map number as the server gave it; the world's facet follows it.
void SetMapNumber(int map);
int GetMapNumber();
// Whether the "This may flag you criminal!" confirmations apply on the current map.
bool NotorietyRulesApply();

// Binds the world's hooks and the network entries these actions answer.
// The world's hooks of the player's actions (part of the application's world binder).
void BindPlayerActionHooks(WorldHooks& h);
void BindPlayerActions();
void ResetPlayerActionsForTests();
} // namespace CApp

namespace PacketManager {
void SendWarMode(PacketWriter& packet, uint8_t mode, const uint8_t style[3]); // 0x72
void SendDeathStatus(PacketWriter& packet, uint8_t action);                   // 0x2C
void SendTextCommand(PacketWriter& packet, uint8_t type, const char* text);   // 0x12
} // namespace PacketManager
