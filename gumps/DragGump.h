#pragma once
// The dragged-item window: a picture of the lifted item that follows the pointer with the mouse
// capture until a drop place takes it. The right button and the mouse ticks still reach the game
// view under it, so the player walks while holding an item. A drop place that refuses the item
// keeps it held, with a sound.
#include "gumps/CGump.h"

#include <cstdint>

namespace CObjectManager {
struct PickedUp;
}

class CDragGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Drag;
    static constexpr int kRefusedSound = 81;
    static constexpr int kPileOffset = 5; // the second copy of a pile, right and down

    // Reads the held item record; the caller attaches it (CGumpManager::CreateDragGump).
    CDragGump();
    ~CDragGump() override;

    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonDown(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleMouseTick() override;

    // What the picture shows: a gump art or an item art id (0x4000 + graphic, or a whole art id),
    // and whether a pile's second copy is drawn.
    struct Picture {
        bool gumpArt = false;
        int id = 0;
        bool pile = false;
    };
    static Picture PictureOf(const CObjectManager::PickedUp& item);

    bool rightHeld = false;

  private:
    void Paint(const CObjectManager::PickedUp& item);
    // The gump under the window-coordinate point, this one left out.
    CGump* GumpUnder(int screenX, int screenY, bool filterBarks) const;
    // A move and a button of the game view under the point, in its coordinates.
    void PassToView(int screenX, int screenY, void (CGump::*button)(int, int));
    void DropOnView(CGump* view, int screenX, int screenY);
    // True when the ground under the picture took the item.
    bool DropOnGround(CGump* view);
    void SendDrop(int x, int y, int z, uint32_t target);
    void KeepHolding();
};

namespace CGumpManager {
// The dragged-item window of the held item: attached, centred on the pointer, with the capture.
CGump* CreateDragGump();
} // namespace CGumpManager
