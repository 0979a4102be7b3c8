#pragma once
// The player object's life as start-up, the main loop and exit see it (the same declarations as
// app/StartupServices.h).
#include <cstdint>

namespace CApp {
// Creates the player object with the current player serial, body 0.
void LoadPlayerFile();
} // namespace CApp
bool HasPlayerObject();
uint32_t GetPlayerObjectSerial();
void SetPlayerObjectSerial(uint32_t serial);
void DeletePlayerObject();
