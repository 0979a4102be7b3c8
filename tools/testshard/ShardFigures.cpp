// The figures family of the test server's world: eight people in shirt and cloak standing in a
// row north of the start, one per facing, four west and four east of the path the demo's tall
// creature walks; a rider on the sample horse below the east half; and below the west half a
// walker who steps east on one tick and back west two ticks later.
#include "mkinstall/Landscape.h"
#include "mkinstall/WorldFiles.h"
#include "testshard/ShardWorld.h"
#include "testshard/WorldPackets.h"

namespace testshard {
namespace {

constexpr uint32_t kFirstStander = 0x00000511; // eight, facing 0..7
constexpr uint32_t kRider = 0x00000519, kWalker = 0x0000051A;
constexpr uint32_t kFirstGarment = 0x40000A01;
constexpr uint8_t kShirtLayer = 5, kCloakLayer = 20, kMountLayer = 25;
// Places from the player's cell as screen row s = dx + dy (22 pixels down each) and column
// d = dx - dy (22 pixels right each).
constexpr int kRow = -6;
constexpr int kStanderColumns[8] = {-10, -8, -6, -4, 4, 6, 8, 10};
constexpr int kRiderRow = -2, kRiderColumn = 8;
constexpr int kWalkerRow = -2, kWalkerColumn = -12;
// The shirts' hues, one per figure: plain, then partial hues the grey cloth takes.
constexpr uint16_t kShirtHues[] = {0, 0x21, 0x2B, 0x35, 0x3F, 0x49, 0x53, 0x5D, 0x67, 0x71};

} // namespace

void ShardWorld::AddFigures() {
    uint32_t garment = kFirstGarment;
    int dressed = 0;
    auto wear = [&](uint32_t wearer, int graphic, uint8_t layer, uint16_t hue) {
        ShardObject w;
        w.serial = garment++;
        w.graphic = static_cast<uint16_t>(graphic);
        w.wearer = wearer;
        w.layer = layer;
        w.hue = hue;
        Add(w);
    };
    auto figure = [&](uint32_t serial, int row, int column, int facing) {
        const int dx = (row + column) / 2, dy = (row - column) / 2;
        ShardObject m;
        m.serial = serial;
        m.kind = ShardObject::Mobile;
        m.graphic = static_cast<uint16_t>(mkinstall::kSampleHumanBody);
        m.x = px_ + dx;
        m.y = py_ + dy;
        m.z = mkinstall::LandscapeLand(m.x, m.y).z;
        m.facing = static_cast<uint8_t>(facing);
        Add(m);
        wear(serial, mkinstall::WorldItem::Shirt, kShirtLayer, kShirtHues[dressed++]);
        wear(serial, mkinstall::WorldItem::Cloak, kCloakLayer, 0);
    };
    for (int facing = 0; facing < 8; ++facing)
        figure(kFirstStander + static_cast<uint32_t>(facing), kRow, kStanderColumns[facing], facing);
    figure(kRider, kRiderRow, kRiderColumn, 3);
    wear(kRider, mkinstall::WorldItem::Horse, kMountLayer, 0);
    figure(kWalker, kWalkerRow, kWalkerColumn, 2);
}

void ShardWorld::TickFigures(std::vector<Packet>& out) {
    // East on the first tick of four, back west on the third.
    const int phase = ticks_ % 4;
    if (phase != 1 && phase != 3) return;
    ShardObject& walker = objects_[kWalker];
    const bool east = phase == 1;
    walker.x += east ? 1 : -1;
    walker.z = mkinstall::LandscapeLand(walker.x, walker.y).z;
    walker.facing = east ? 2 : 6;
    out.push_back(MobilePacket(walker, false));
}

} // namespace testshard
