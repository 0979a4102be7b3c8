#pragma once
// Mobiles and corpses in the world: the rules their draw, their rects and their pixel tests share
// (worn-layer occlusion, highlight hues, shadow-free bodies, special mounts).
#include <cstdint>

class CDynamicObj;
class CMobile;

// The hue of hidden figures and of everything a ghost sees.
constexpr int kHiddenHue = 995;

// A worn item covered by another: layers 3 and 4 under a layer-24 item, layer 11 under graphic
// 8270 on layer 22, layers 13 and 19 under any layer-22 item. The paperdoll applies it too.
bool IsLayerHidden(int layer, const CDynamicObj* const* layers);
// The highlight hue of a mobile's notoriety; 0 for none (and for a null mobile).
int GetNotorietyHue(const CMobile* mobile);
// Whether an item's tiledata layer is 11 or 16 (covered while layer 22 shows graphic 8270).
bool IsLayer11Or16Item(const CDynamicObj* item);
// Bodies drawn without a shadow.
bool IsShadowFreeBody(int body);

// Mounts drawn from a body of their own, lifting the rider, with a box of their own.
struct SpecialMount {
    int graphic;
    int body;
    int lift;
    int boxWidth;
    int boxHeight;
};
const SpecialMount* FindSpecialMount(int graphic);
