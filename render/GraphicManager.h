#pragma once
// The graphic manager: the logical screen (640 x 480 or 800 x 600), the world-to-screen
// projection, the grey table, the walking speeds of "animinfo.mul", server-sent art, the death
// fade and the entry that draws one frame.
#include <cstddef>
#include <cstdint>

class CMapGump;
struct ArtItem;

namespace GraphicManager {

constexpr int kBodyCount = 1000;
constexpr int kDefaultWalkFrames = 4;
constexpr int kDefaultRunFrames = 2;

void startup();
void shutdown();

int GetScreenWidth();
int GetScreenHeight();
int GetScreenHalfWidth();
int GetScreenHalfHeight();
// 800 x 600 only for exactly (800, 600); anything else gives 640 x 480. Then the back buffer is
// recreated around the game area.
void SetScreenSize(int width, int height);

// The grey of every 15-bit 5-5-5 value (32,768 entries).
const uint16_t* GetGreyTable();

// Walking speeds by body number; the defaults {4, 2} for a body outside the table.
void LoadAnimInfo();
// Fills the table from the bytes of "animinfo.mul"; true when some pair was missing or zero.
bool LoadAnimInfoFromBytes(const uint8_t* data, size_t length);
int GetWalkFrames(int body);
int GetRunFrames(int body);

// Art the server sent (the edit-art message): available is how many bytes arrived after the
// header. Land art is stored as a 2,048-byte slot, item art as its run table, line table and
// header; a length of -1 removes the replacement. Lengths larger than what arrived are refused.
void UpdateArt(const uint8_t* data, size_t available, int artId, int length, int extra);
// Land art of id & 0x3FFF, or land art 0 when that is missing.
const ArtItem* GetLandArtOrDefault(unsigned id);

// The game view and the main menu, once the main window exists.
void CreateInitialGumps();
extern CMapGump* pMapGump;

// One frame: the death fade or the world's dirty rectangles, then the gumps, then presenting.
void DrawFrame();
// The death fade: 0 when none runs, 1..31 while it runs (the death message sets 1).
int GetDeathFadeCounter();
void SetDeathFadeCounter(int counter);

void ResetForTests();

} // namespace GraphicManager

// The isometric projection of a map cell's top corner without height, with the facet width and
// the scroll offset given (WorldToScreen, world/WorldView.h, takes the current ones).
void ProjectCell(int x, int y, int mapWidth, int scrollX, int scrollY, int* sx, int* sy);

uint16_t RGBToPixel(uint8_t r, uint8_t g, uint8_t b);

// Lowers every 5-bit channel of count pixels by one step (0 stays 0).
void DarkenPixels(uint16_t* pixels, int count);
