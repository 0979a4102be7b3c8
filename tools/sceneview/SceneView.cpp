#include "sceneview/SceneView.h"

#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "net/NetServices.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "render/SceneBlits.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/Scene.h"
#include "world/Terrain.h"
#include "world/WorldLogin.h"
#include "world/objects.h"

#include <cstdio>

namespace sceneview {
namespace {
bool g_open = false;
}

bool Open(const std::string& installDir, std::string* error) {
    if (g_open) Close();
    (void)error;
    FileManager::startupWithPaths(installDir, "");
    CDHDCache::startup();
    CDHDCache::Init();
    DefManager::startup();
    CObjectManager::startup();
    HueManager::startup();
    MapManager::startup();
    DrawManager::ResetWindow();
    ResetArtCache();
    ResetLandTextures();
    g_open = true;
    return true;
}

void Close() {
    if (!g_open) return;
    MapManager::SetPlayerPlaced(false);
    DeletePlayerObject();
    CObjectManager::ReleaseAll();
    DrawManager::FlushAllCells();
    DrawManager::ResetForTests();
    ResetArtCache();
    ResetLandTextures();
    HueManager::shutdown();
    CObjectManager::shutdown();
    DefManager::shutdown();
    CDHDCache::shutdown();
    g_open = false;
}

std::string DescribeItem(const void* p) {
    const CDrawItem* item = static_cast<const CDrawItem*>(p);
    if (!item) return "nothing";
    char where[64];
    std::snprintf(where, sizeof where, " at %d,%d,%d", item->locX, item->locY, item->z);
    if (item->IsPlayer()) return std::string("player") + where;
    if (item->IsLand()) {
        const int id = item->IsStretchedLand() ? static_cast<const CStretchedLandTile*>(item)->landId
                                               : static_cast<const CLandTile*>(item)->landId;
        return (item->IsStretchedLand() ? "sloped land " : "land ") + std::to_string(id) + where;
    }
    if (item->IsObj()) {
        const CObj* o = static_cast<const CObj*>(item);
        return (o->IsDynamic() ? "item " : "static ") + std::to_string(o->displayedGraphic) + where;
    }
    return std::string("other") + where;
}

Picture Render(const Options& o) {
    Picture out;
    BackBuffer::Resize(o.width, o.height);
    ResetDirtyRectsForTests();
    MapManager::SetMap(o.facet);
    LoginConfirmation c;
    c.serial = 1;
    c.body = static_cast<uint16_t>(o.ghost ? 402 : 400);
    c.x = static_cast<uint16_t>(o.x);
    c.y = static_cast<uint16_t>(o.y);
    c.z = static_cast<int16_t>(o.z ? *o.z : MapManager::GetLandZ(o.x, o.y));
    c.facing = 4;
    c.map = static_cast<uint8_t>(o.facet);
    WorldLogin::PlacePlayer(c);
    if (o.season && *o.season != Season) {
        Season = *o.season;
        SceneHooks::RefreshSeason();
    }
    UpdatePlayerStepZ();
    if (pPlayerObject) pPlayerObject->AddToDrawList();
    DrawManager::UpdateCeiling();
    UseCircleTrans = o.circle > 0;
    if (o.circle > 0) {
        CircleTrans::SetRadius(o.circle);
        CircleTrans::SetCenter(o.width / 2, o.height / 2);
    }
    ResetDirtyRects();
    RenderFrame();
    out.width = BackBuffer::Width();
    out.height = BackBuffer::Height();
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    const uint16_t* pixels = BackBuffer::Pixels();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<size_t>(y) * out.width + x] =
                pixels ? pixels[BackBuffer::IndexOf(x, y)] : 0;
    if (o.pick)
        out.picked = DescribeItem(DrawManager::GetDrawItemAtScreenLoc(o.pick->first, o.pick->second, false));
    UseCircleTrans = false;
    return out;
}

} // namespace sceneview
