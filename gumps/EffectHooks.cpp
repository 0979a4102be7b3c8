#include "gumps/EffectHooks.h"

#include "gumps/CGumpManager.h"
#include "gumps/MissileGump.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

namespace {
// A dying mobile carries its serial with the top bit set; effects remember the plain one.
constexpr uint32_t kSerialMask = 0x7FFFFFFF;
} // namespace

namespace CGumpManager {

void ShiftMissiles(int dx, int dy) {
    for (CGump* g = TopLevel().first; g; g = g->next())
        if (g->IsMissileGump() && !g->IsClosed()) static_cast<CMissileGump*>(g)->Shift(dx, dy);
}

void DeleteMissilesAt(uint32_t serial) {
    serial &= kSerialMask;
    if (serial == 0) return;
    for (CGump* g = TopLevel().first; g; g = g->next()) {
        if (!g->IsMissileGump() || g->IsClosed()) continue;
        auto* effect = static_cast<CMissileGump*>(g);
        if ((effect->targetSerial & kSerialMask) == serial || (effect->objectSerial & kSerialMask) == serial)
            effect->Close();
    }
}

} // namespace CGumpManager

void BindEffectHooks(WorldHooks& h) {
    h.shiftMissiles = CGumpManager::ShiftMissiles;
    h.deleteMissilesAt = [](CMobile* mobile) { CGumpManager::DeleteMissilesAt(mobile->serial); };
    // The flash stands at the given point with the value as its height.
    h.attachedEffectSizes = [](uint32_t serial, const std::function<void(int, int)>& fn) {
        ForEachAttachedEffect(serial, [&](CMissileGump* effect) {
            int width = 0, height = 0;
            effect->PictureSize(width, height);
            fn(width, height);
        });
    };
    // Each picture centred on the point, turned, hued and blended as the effect says.
    h.drawAttachedEffects = [](uint32_t serial, int centreX, int centreY, const Rect& clip) {
        ForEachAttachedEffect(serial, [&](CMissileGump* effect) {
            int width = 0, height = 0;
            effect->PictureSize(width, height);
            if (width <= 0 || effect->IsGumpArt()) return;
            const int left = centreX - width / 2, top = centreY - height / 2;
            DrawRotatedArt(effect->currentGraphic, effect->angle, Rect{left, top, left + width, top + height},
                           clip, effect->hue, effect->blendMode);
        });
    };
    h.weatherFlash = [](int x, int y, int value) { StartWeatherFlash(MakeEffectPosition(x, y, value)); };
}
