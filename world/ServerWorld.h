#pragma once
// What the server's world messages do to the world model: the hue rule, the status byte, the
// death table, the animating set of mobiles and the surroundings the server sets (light, time,
// season, the pointer, marked mobiles).
#include <cstdint>
#include <set>
#include <vector>

class CObj;
class CDynamicObj;
class CMobile;
class CCorpse;

// With h the 16-bit hue: no colour keeps only the partial-hue bit; colours past the table fall
// back to hue 1.
uint16_t NormalizeHue(uint16_t hue);

// Stores the server's status byte (0x20 movable, 0x40 war mode, 0x80 hidden). A mobile that turns
// hidden loses its top-level gumps (once, when the bit arrives).
void SetObjectStatus(CDynamicObj* object, uint8_t status);

// ---------------------------------------------------------------- the death table
struct DeathRow {
    uint32_t corpseSerial;
    uint32_t mobileSerial; // bit 31 set
    uint32_t facing;
    uint32_t fall;
};
// The index of the row with that corpse, or the new count after appending one.
int AddDeathEntry(uint32_t corpseSerial, uint32_t mobileSerial, uint32_t facing, uint32_t fall);
CCorpse* FindCorpseOfDying(uint32_t mobileSerial);
bool IsInDeathTable(uint32_t corpseSerial, uint32_t mobileSerial);
// Removes the rows naming either serial and turns their corpses; unless keep, releases the mobile
// of the last removed row.
void FinishDeath(uint32_t corpseSerial, uint32_t mobileSerial, bool keep);
const std::vector<DeathRow>& DeathTable();
void ClearDeathTable();

// ---------------------------------------------------------------- the animating set
void BeginMobileAnimation(CMobile* mobile);
// Ends the running action; 1 when a pending death finished and released the mobile.
int EndMobileAnimation(CMobile* mobile, bool keep);
// The per-frame runner: every animating mobile counts its delay and steps.
void UpdateAnimations();
bool IsAnimating(const CMobile* mobile);
int AnimatingCount();
void ClearAnimatingSet();

// ---------------------------------------------------------------- the server's surroundings
namespace WorldState {
// The global light level (0x4F); 0 until the server sends one.
int GetGlobalLightLevel();
void SetGlobalLightLevel(int level);
// The player's personal light (0x4E); 0 without a player.
int GetPersonalLightLevel();
struct ServerTime {
    int hour = 0, minute = 0, second = 0;
};
ServerTime GetServerTime();
void SetServerTime(int hour, int minute, int second);
// The pointer arrow the server shows (0xBA).
struct Pointer {
    bool shown = false;
    int x = 0, y = 0;
};
Pointer GetPointer();
void SetPointer(bool shown, int x, int y);
// The serial of the last combat swing's defender (0 while none).
uint32_t GetLastSwingSerial();
void SetLastSwingSerial(uint32_t serial);
// The map bounds of 0x76.
struct Bounds {
    int x = 0, y = 0, width = 0, height = 0;
};
Bounds GetBounds();
void SetBounds(const Bounds& bounds);
// Set while a contents list (0x3C) is being added.
bool IsContentsArriving();
void SetContentsArriving(bool arriving);
// The marked serials when no shard record is active (tests, tools).
std::set<uint32_t>& FallbackMarkedSerials();
// Back to the state of a fresh start.
void Reset();
} // namespace WorldState

namespace PacketManager {
// Unlinks and releases every land item listed in a cell of the 64 x 64 table; the player found
// there is listed again and everything redrawn.
void ClearCellDrawItems(int x, int y);
} // namespace PacketManager
