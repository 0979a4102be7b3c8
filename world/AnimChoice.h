#pragma once
// Which animation item and frame shows a mobile, its mount or a corpse: the body substitution and
// conversion tables, the three index layouts, the stances, the action numbering of each body
// kind, and the per-facing tables for mirroring and the order of worn layers.
#include <cstdint>

class CMobile;
class CDynamicObj;

namespace AnimTables {
// Five directions are stored; facings 0..2 are drawn mirrored from 6..4.
constexpr int kDirectionOffset[8] = {3, 2, 1, 0, 1, 2, 3, 4};
constexpr bool kMirrored[8] = {true, true, true, false, false, false, false, false};
constexpr int kLayerOrderLength = 25;
constexpr int kMountLayer = 25;
constexpr int kNeverDrawnLayer = 21;
// The 25 layers of a facing, first drawn first (layer 25, the mount, comes first).
const uint8_t* LayerOrder(int facing);
inline int DirectionOffset(int facing) {
    return kDirectionOffset[facing & 7];
}
inline bool IsMirrored(int facing) {
    return kMirrored[facing & 7];
}
} // namespace AnimTables

enum class AnimLayout { Group110, Group65, Group175 };

// index = first index + body offset x groups + group x 5 + direction; -1 when the body lies
// before its layout's block (such an index names another body's animations).
int AnimLayoutIndex(AnimLayout layout, int body, int group, int direction);

// The animation an index and frame name, and the file pair to read it from.
struct AnimPick {
    int index = -1;
    int frame = 0;
    bool secondPair = false;
    bool mirrored = false;
    // How the index was made: worn items play the same group in the same direction.
    AnimLayout layout = AnimLayout::Group110;
    int group = 0;
    int direction = 0;
};

// Mount item graphic to mount body; any other graphic gives 200.
int GetMountBody(int graphic);
// A mount body that "body.def" gave back to a mount graphic (16031 for bodies without one).
int MountGraphicForBody(int body);
// The animation of a mount item: its tiledata animation id, after the "body.def" round trip.
int GetMountAnimation(int mountGraphic, uint32_t seed);

// Members of the weapon lists, by an item's tiledata animation id.
bool IsWarStanceWeapon(int animId);
bool IsRunWeapon(int animId);

// The body after "body.def" (seeded so that one mobile keeps its look).
int SubstituteBody(int body, uint32_t seed);

// The frame of a mobile. actionFrame is the frame of the action it plays (-1: none); action is its
// stored action group, updated when a substitution changed the body's kind; frameCount is not used.
// Returns the body whose animation is used; body 0 gives index 0, frame 0 and returns 0.
int GetMobileAnimIndex(int body, int facing, int frameCounter, int actionFrame, int frameCount,
                       uint16_t& action, uint16_t addend, bool running, const CMobile* mobile, AnimPick& out);
// The death frame of a corpse whose amount is body; bit 7 of facing picks the second fall.
int GetCorpseAnimIndex(int body, int facing, AnimPick& out);

// The frame of a worn animation (an item's animation id) playing along with a body's pick.
AnimPick WornAnimPick(const AnimPick& body, int animId);

// The frame a seated human shows: action 25 facing 0 and 6, action 4 facing 2 and 4, frame 0.
AnimPick SeatedAnimPick(int body, int facing, uint32_t seed);

// The animation id of a worn item (its displayed graphic's tiledata), -1 outside 400..999.
int WornAnimation(const CDynamicObj* item, int body);
