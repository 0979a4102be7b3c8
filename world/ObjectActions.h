#pragma once
// The player's actions on world objects: which object lies under a screen point, whether the player
// can reach it, the double click, a static's name on a single click, and lifting an item onto the
// cursor. The lifted item's state is kept by serial, since the server may delete the container it
// came from (or its wearer) while it is held.
#include <cstdint>

class CDrawItem;
class CGump;
class CObj;
class CDynamicObj;

namespace CObjectManager {

// The scene's picking: the topmost draw item under a screen point (land skipped or not).
using ScreenPicker = CDrawItem* (*)(int x, int y, bool skipLand);
// The scene's picking (DrawManager::GetDrawItemAtScreenLoc) at start; null answers none.
void SetScreenPicker(ScreenPicker picker);

// The top object under a screen point, land excluded and validated; null when none.
CObj* GetObjAtScreenLoc(int x, int y);
// The double click on a server object.
void UseObject(CObj* object);
// The single click on a static: its localized name above it.
void ShowStaticName(CObj* object);
// Lifts the object onto the cursor when in reach; amount 0: the whole object, or asking for one.
void GetObject(CObj* object, int amount);
// Closes the player's bank box and every container window whose owner is out of reach.
void CloseOutOfReachContainers();

struct PickedUp {
    uint32_t serial = 0xFFFFFFFF; // none
    uint32_t position = 0;        // x low 16 bits, y high 16 bits
    int z = 0;
    uint16_t graphic = 0, displayedGraphic = 0;
    int8_t increment = 0;
    uint16_t hue = 0, displayedHue = 0;
    uint16_t amount = 0;
    uint8_t status = 0;
    uint32_t tileFlags = 0;
    uint32_t containerSerial = 0; // 0: not from a container
    uint32_t wearerSerial = 0;    // 0: not worn
    int layer = 0;
};
const PickedUp& GetPickedUp();
bool IsPickUpPending();
void ClearPickUpPending();
// The dragged window is going: the pick-up is no longer pending and the window is forgotten.
void ForgetDragWindow(const CGump* window);
// The server refused the lift (0x27): unless the reason is 5 the item is made again where it was
// (not when the container or wearer it came from is gone); the dragged window goes.
void RestoreLiftedItem(int reason);
uint32_t LastUsedSerial();
int LastUsedGraphic();

void ResetActionsForTests();

} // namespace CObjectManager

// Whether the player can reach the object: within 3 cells of the view centre and in sight from its
// outermost container's place to the player's z + 12.
bool IsWithinReach(const CObj* object);
