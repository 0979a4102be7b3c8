#pragma once
// Opening windows by kind (a gump-art id, with a few reserved kinds): an open window of the same
// object and kind is raised instead; the radar toggles its size; containers cascade. Windows of
// later subsystems register their builders by kind; a kind without one opens as a window drawn as
// its gump art (a container's such window answers the container kind).
#include "gumps/CGump.h"

#include <functional>

class CObj;

struct GumpOpenRequest {
    CObj* owner = nullptr;
    uint32_t ownerSerial = 0;
    int kind = 0;
    CGump* parent = nullptr;
    bool container = false;
    bool status = false;
    int x = 0, y = 0;          // the place the window would take
    int width = 0, height = 0; // the kind's art size
};
// Builds (does not attach) the window; null opens nothing.
using GumpBuilder = std::function<CGump*(const GumpOpenRequest& request)>;

namespace GumpKinds {
constexpr int kJournal = 7;
constexpr int kStatus = 8;
constexpr int kPaperdoll = 10;
constexpr int kShop = 48;
constexpr int kAmount = 49;
constexpr int kOptions = 5000;
constexpr int kRadarLarge = 5010;
constexpr int kRadarSmall = 5011;
} // namespace GumpKinds

void RegisterGumpBuilder(int kind, GumpBuilder builder);
// Builds every container window (a container art of any kind).
void RegisterContainerBuilder(GumpBuilder builder);
void ResetGumpBuilders();
// The next cascaded container goes 16 pixels right of and below this place.
void ResetContainerCascade();

// A window drawn as its gump art.
class CArtGump : public CGump {
  public:
    CArtGump(int x, int y, uint32_t owner, int art, int width, int height, bool container);
};
