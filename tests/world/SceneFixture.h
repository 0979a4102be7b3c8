#pragma once
// The scene over the test map: pictures served from memory (art and textures), a back buffer,
// the player, and the scene's module state reset around each test.
#include "MapFixture.h"
#include "core/CDHDCache.h"
#include "mkinstall/ArtFiles.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/RenderData.h"
#include "render/SceneBlits.h"
#include "world/Scene.h"

#include <map>
#include <vector>

namespace scenetest {

struct ServedPictures {
    std::map<int, std::vector<uint8_t>> art;
    std::map<int, std::pair<std::vector<uint8_t>, int>> textures; // bytes, extra
};
inline ServedPictures g_pictures;

inline const uint8_t* ServePicture(int indexRow, int, int id, int& length, int& extra) {
    extra = 0;
    length = 0;
    if (indexRow == CDHDCache::kTexIdx) {
        auto it = g_pictures.textures.find(id);
        if (it == g_pictures.textures.end()) return nullptr;
        length = static_cast<int>(it->second.first.size());
        extra = it->second.second;
        return it->second.first.data();
    }
    auto it = g_pictures.art.find(id);
    if (it == g_pictures.art.end()) return nullptr;
    length = static_cast<int>(it->second.size());
    return it->second.data();
}

// One colour over the whole diamond.
inline void ServeLand(int id, uint16_t colour) {
    g_pictures.art[id] = mkinstall::EncodeLandArt(std::vector<uint16_t>(1012, colour));
}
// A width x height block of one colour (0 pixels stay transparent).
inline void ServeItem(int graphic, int width, int height, uint16_t colour) {
    g_pictures.art[0x4000 + graphic] = mkinstall::EncodeItemArt(
        width, height, std::vector<uint16_t>(static_cast<size_t>(width) * height, colour));
}
inline void ServeItemPixels(int graphic, int width, int height, const std::vector<uint16_t>& pixels) {
    g_pictures.art[0x4000 + graphic] = mkinstall::EncodeItemArt(width, height, pixels);
}
inline void ServeTexture(int id, int size, int extra, uint16_t (*texel)(int u, int v)) {
    std::vector<uint8_t> bytes;
    for (int v = 0; v < size; ++v)
        for (int u = 0; u < size; ++u) {
            const uint16_t p = texel(u, v);
            bytes.push_back(static_cast<uint8_t>(p));
            bytes.push_back(static_cast<uint8_t>(p >> 8));
        }
    g_pictures.textures[id] = {bytes, extra};
}

class SceneTest : public maptest::MapTest {
  protected:
    void SetUp() override {
        MapTest::SetUp();
        g_pictures = {};
        RenderData::SetItemSource(ServePicture);
        ResetArtCache();
        ResetLandTextures();
        DrawManager::ResetForTests();
        CircleTrans::ResetForTests();
        ResetDirtyRectsForTests();
        UseCircleTrans = false;
    }
    void TearDown() override {
        DeletePlayerObject();
        DrawManager::ResetForTests();
        CircleTrans::ResetForTests();
        RenderData::SetItemSource(nullptr);
        ResetArtCache();
        ResetLandTextures();
        BackBuffer::Release();
        ResetDirtyRectsForTests();
        UseCircleTrans = false;
        Season = 0;
        MapTest::TearDown();
    }

    // The player placed and listed at (x, y, z), with a figure box of its own.
    CPlayerMobile* PlacePlayer(int x, int y, int z) {
        if (!pPlayerObject) pPlayerObject = new CPlayerMobile(1, 400);
        pPlayerObject->AddToWorld(objtest::Pos(x, y), z);
        return pPlayerObject;
    }
    // Dirty rectangles go to the screen (the objects' fixture records them instead).
    static void DirtyOnScreen() {
        DrawItemWorld::SetDirtySink([](const Rect& world) {
            int sx = 0, sy = 0;
            DrawManager::GetScrollOffset(sx, sy);
            const Rect r{world.left - sx, world.top - sy, world.right - sx, world.bottom - sy};
            DirtyRect(&r);
        });
    }
    // The screen as the ring shows it.
    static std::vector<uint16_t> Screen() {
        std::vector<uint16_t> out;
        const uint16_t* p = BackBuffer::Pixels();
        for (int y = 0; y < BackBuffer::Height(); ++y)
            for (int x = 0; x < BackBuffer::Width(); ++x)
                out.push_back(p[BackBuffer::IndexOf(x, y)]);
        return out;
    }
    static std::vector<uint16_t> FullRepaint() {
        InvalidateAll();
        RenderFrame();
        return Screen();
    }
};

} // namespace scenetest
