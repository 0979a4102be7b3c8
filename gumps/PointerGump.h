#pragma once
// The single arrow that points toward a map location the server names: kept inside the game area
// while the location is off screen, turned toward it from the player, and answering the server
// with the button the player clicks it with.
#include "gumps/CGump.h"

class CPointerGump : public CGump {
  public:
    static constexpr int kBaseArt = 4500;
    static constexpr int kFlashEvery = 10; // the counter runs 0..10
    static constexpr int kFlashHue = 34;

    CPointerGump(int mapX, int mapY, int artIndex);

    void Update() override;
    void Draw(const BlitTarget& target, const Rect& clip) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;

    // The art of the arrow for a 0-255 direction (0 north, clockwise).
    static int ArtForAngle(int angle);

    int targetX = 0, targetY = 0;
    int artIndex = 0;
    int counter = 0;
    bool flash = false; // this update is the one in eleven that flashes
};

namespace CGumpManager {
// Builds the arrow on the first call; later calls aim it when show is set. Visible exactly when
// show is set.
CGump* ShowPointerGump(int x, int y, bool show);
CPointerGump* PointerGump();
} // namespace CGumpManager

// The world's pointer message reaches the arrow.
void BindPointerGump();
