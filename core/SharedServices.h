#pragma once
// Small services the whole client calls.
#include <cstdint>

// "3.0.6j": the version the client reports to the server. The same buffer on every call.
const char* GetClientVersionString();

void DoNothing();
// Always false: every branch it guards takes the ordinary player's path.
bool IsGodClient();

// Installed as the allocation-failure handler: leaves full screen, tells the player, exits with 1.
[[noreturn]] void OutOfMemoryHandler();
// A message box without owner; with exitFlag non-null the process then ends with code 1.
void ShowErrorMessage(const char* text, const char* caption, const void* exitFlag);

// Kinds 1..8 and 31..38 ask for cursor 0 (the automatic cursor), every other kind cursor 17.
int GameCursorFor(int kind);

// The one pseudo-random generator of the process. Seeding it fixes the numbers that follow.
void SeedRandom(uint32_t seed);
int RandomNext();       // 0..32767
int RandomBelow(int n); // 0..n-1; 0 for n <= 0

// The ring walk of ClearViewBuffer over explicit buffers (width x height pixels, ring offset).
void ClearRingArea(uint16_t* pixels, int width, int height, int ringOffset, int areaWidth, int areaHeight);

// The one-byte edit-server message: the version-recording step it leads to has no effect.
void OnEditServerPacket();
