// The object manager's world: lookup by serial, release of everything, objects at a cell, the
// light and animation lists, and the overhead texts kept across a delete.
#include "core/QVReport.h"
#include "world/CObjectManager.h"
#include "world/OverheadText.h"
#include "world/SerialIndex.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <list>

namespace CObjectManager {
namespace {

struct SavedText {
    uint32_t serial = 0;
    uint8_t form = 1; // 1: 8-bit, 0: UTF-16
    std::string text;
    CWideString wideText;
    std::string second; // the UTF-16 text's language code
    int16_t font = 0;
    int16_t hue = 0;
    uint8_t age = 0;
    uint32_t timing[2] = {0, 0};
};

std::list<SavedText>& Saved() {
    static auto* saved = new std::list<SavedText>;
    return *saved;
}

constexpr int kSavedTextLife = 4;

void JoinLightList(CObj* o) {
    if (o->inLightList) return;
    WorldLists::Lights().PushFront(o);
    o->inLightList = 1;
}

} // namespace

CObj* FindBySerial(uint32_t serial) {
    if (pPlayerObject && pPlayerObject->serial == serial) return pPlayerObject;
    return SerialIndex::Find(serial);
}

CObj* FindBySerialByWalk(uint32_t serial) {
    if (pPlayerObject && pPlayerObject->serial == serial) return pPlayerObject;
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o))
        if (o->serial == serial) return o;
    return nullptr;
}

void ReleaseAll() {
    if (CPlayerMobile* player = pPlayerObject) {
        if (!player->notPlaced) player->CDynamicObj::RemoveFromWorld();
        for (int layer = 0; layer <= 25; ++layer)
            if (CDynamicObj* worn = player->layers[layer]) {
                worn->Release();
                if (player->layers[layer] == worn) player->layers[layer] = nullptr;
            }
    }
    // A multi's parts are on the world list themselves; its list must not release them too.
    WorldLists::World().ForEach([](CObj* o) {
        if (o->IsDynamic())
            if (CMultiCompList* multi = static_cast<CDynamicObj*>(o)->multiList) multi->owned = true;
    });
    WorldLists::World().ForEach([](CObj* o) {
        if (o != pPlayerObject) o->Release();
    });
}

CObj* GetObjAtLoc(uint32_t position, int z) {
    const int x = static_cast<int16_t>(position & 0xFFFF);
    const int y = static_cast<int16_t>(position >> 16);
    return WorldLists::World().ForEach(
        [&](CObj* o) { return o->locX == x && o->locY == y && o->z <= z && z < o->z + o->GetHeight(); },
        false);
}

void RebuildLightAndAnimationLists() {
    WorldLists::Lights().ForEach([](CObj* o) {
        WorldLists::Lights().Remove(o);
        o->inLightList = 0;
    });
    WorldLists::Animations().Clear();
    WorldLists::World().ForEach([](CObj* o) {
        if (TileData::Item(o->graphic).flags & TileFlag::Animated) WorldLists::Animations().PushFront(o);
        if ((o->GetTileFlags() & TileFlag::LightSource) || IsLightGraphic(o->graphic)) {
            JoinLightList(o);
            WorldHook::Call(WorldHook::Table().invalidateLight, o);
        }
    });
    // Worn lights shine too.
    WorldLists::Mobiles().ForEach([](CMobile* m) {
        for (int layer = 1; layer < kLayerCount; ++layer)
            if (CDynamicObj* worn = m->layers[layer])
                if ((worn->GetTileFlags() & TileFlag::LightSource) || IsLightGraphic(worn->graphic))
                    JoinLightList(worn);
    });
}

void AnimateListedObjects() {
    WorldLists::Animations().ForEach([](CObj* o) {
        int increment = 0;
        if (!animCrap::StepFrame(o->graphic, increment) || increment == o->graphicIncrement) return;
        o->graphicIncrement = static_cast<int8_t>(increment);
        if (o->listed) o->AddToDrawList(); // re-listing dirties the old and the new picture
    });
}

// ---------------------------------------------------------------- kept texts
void SaveOverheadTexts(CObj* object) {
    if (!object || !object->IsDynamic()) return;
    const uint32_t serial = static_cast<CDynamicObj*>(object)->serial;
    OverheadText* oldest = object->overheadTexts;
    while (oldest && oldest->older)
        oldest = oldest->older;
    for (OverheadText* t = oldest; t; t = t->newer) {
        SavedText s;
        s.serial = serial;
        s.form = t->CanSaveText() ? 1 : 0;
        if (s.form == 1) {
            s.text = t->text;
        } else {
            s.wideText = t->wideText;
            s.second = t->language;
        }
        s.font = t->font;
        s.hue = t->hue;
        s.timing[0] = t->timing[0];
        s.timing[1] = t->timing[1];
        Saved().push_back(std::move(s));
    }
}

void RestoreOverheadTexts(CObj* object) {
    if (!object || !object->IsDynamic()) return;
    const uint32_t serial = static_cast<CDynamicObj*>(object)->serial;
    for (auto it = Saved().begin(); it != Saved().end();) {
        if (it->serial != serial) {
            ++it;
            continue;
        }
        OverheadTexts::SetRestoring(true);
        if (it->form == 1)
            object->AddOverheadText(it->text.c_str(), it->font, it->hue, nullptr, 0);
        else
            object->AddUnicodeOverheadText(it->wideText.GetText(), it->font, it->hue, it->second.c_str(),
                                           nullptr, 0);
        OverheadTexts::SetRestoring(false);
        if (OverheadText* fresh = object->overheadTexts) {
            fresh->timing[0] = it->timing[0];
            fresh->timing[1] = it->timing[1];
        }
        it = Saved().erase(it);
    }
}

void ExpireSavedTexts() {
    for (auto it = Saved().begin(); it != Saved().end();) {
        if (++it->age > kSavedTextLife)
            it = Saved().erase(it);
        else
            ++it;
    }
}

int SavedTextCount() {
    return static_cast<int>(Saved().size());
}

void ClearSavedTexts() {
    Saved().clear();
}

} // namespace CObjectManager
