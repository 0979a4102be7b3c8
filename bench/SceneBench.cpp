// The world frame beside one memcpy of an 800 x 600 frame (BM_SceneFrameMemcpy) in the same run:
// a dense frame painted whole (land everywhere, a third of it sloped and textured, three statics
// per cell, 40 items), the same frame with 60 dressed people among them (10 mounted, 5 of them
// tall creatures instead; BM_SceneDenseFrameFigures), a walking frame (a few pixels of
// ScrollScreen, the player and 5 mobiles re-listed, RenderFrame), and the dense frame at night
// (level 20, 16 lamps among the items, white and coloured). Compare the times per iteration.
#include "core/CDHDCache.h"
#include "mkinstall/AnimFiles.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/LightFiles.h"
#include "mkinstall/WorldFiles.h"
#include "render/AnimFrames.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/Light.h"
#include "render/RenderData.h"
#include "render/SceneBlits.h"
#include "world/BodyTypes.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/Terrain.h"
#include "world/TileData.h"
#include "world/WorldLight.h"
#include "world/objects.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <map>
#include <vector>

namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr int kCenter = 1000;
constexpr int kFlat = 3, kSloped = 8;

struct Pictures {
    std::map<int, std::vector<uint8_t>> art;
    std::vector<uint8_t> texture;
    std::map<int, std::array<uint8_t, MapManager::kBlockSize>> blocks;
};
Pictures& P() {
    static Pictures p;
    return p;
}

const uint8_t* Serve(int indexRow, int, int id, int& length, int& extra) {
    extra = 0;
    if (indexRow == CDHDCache::kTexIdx) {
        length = static_cast<int>(P().texture.size());
        return P().texture.data();
    }
    auto it = P().art.find(id);
    length = it == P().art.end() ? 0 : static_cast<int>(it->second.size());
    return length ? it->second.data() : nullptr;
}

// Every third column of cells is sloped, textured land.
const uint8_t* Block(int, int id) {
    auto it = P().blocks.find(id);
    if (it != P().blocks.end()) return it->second.data();
    std::array<uint8_t, MapManager::kBlockSize> b{};
    const int bh = MapManager::GetBlocksHigh(), bx = id / bh, by = id % bh;
    for (int cell = 0; cell < 64; ++cell) {
        const int x = bx * 8 + (cell & 7), y = by * 8 + (cell >> 3);
        const bool ridge = (x % 3) == 0;
        b[4 + cell * 3] = static_cast<uint8_t>(ridge ? kSloped : kFlat);
        b[6 + cell * 3] = static_cast<uint8_t>(ridge ? 4 + (y % 3) * 2 : 0);
    }
    return P().blocks.emplace(id, b).first->second.data();
}
const uint8_t* NoItem(int, int, int, int& length, int& extra) {
    length = extra = 0;
    return nullptr;
}
bool NoFile(const char*, std::vector<uint8_t>&) {
    return false;
}

std::vector<uint16_t> Filled(int w, int h, uint16_t c) {
    return std::vector<uint16_t>(static_cast<size_t>(w) * h, c);
}

struct Scene {
    std::vector<CMobile*> mobiles;
    Scene() {
        TileData::Allocate();
        TileData::MutableLand(kSloped)->textureId = 1;
        P().art[kFlat] = mkinstall::EncodeLandArt(std::vector<uint16_t>(1012, 0x0260));
        P().art[kSloped] = mkinstall::EncodeLandArt(std::vector<uint16_t>(1012, 0x0280));
        for (int g = 0; g < 4; ++g)
            P().art[0x4000 + 710 + g] = mkinstall::EncodeItemArt(
                20 + 8 * g, 30 + 20 * g,
                Filled(20 + 8 * g, 30 + 20 * g, static_cast<uint16_t>(0x1111 * (g + 1))));
        for (int i = 0; i < 64 * 64; ++i) {
            const uint16_t p = static_cast<uint16_t>(((i % 64) / 8 + (i / 64) / 8) & 1 ? 0x2A65 : 0x1A46);
            P().texture.push_back(static_cast<uint8_t>(p));
            P().texture.push_back(static_cast<uint8_t>(p >> 8));
        }
        TileData::MutableItem(711)->flags = TileFlag::Translucent;
        RenderData::SetItemSource(Serve);
        MapManager::SetMapSource({Block, NoItem, NoFile});
        MapManager::Reset();
        BackBuffer::Resize(kWidth, kHeight);
        pPlayerObject = new CPlayerMobile(1, 400);
        pPlayerObject->AddToWorld(static_cast<uint32_t>(kCenter) | static_cast<uint32_t>(kCenter) << 16, 0);
        MapManager::SetPlayerPlaced(true);
        MapManager::SetCenter(kCenter, kCenter, 0, 0);
        // Three statics per cell of the view and 40 server items.
        for (int y = kCenter - 14; y <= kCenter + 14; ++y)
            for (int x = kCenter - 14; x <= kCenter + 14; ++x)
                for (int k = 0; k < 3; ++k) {
                    CObj* o = NewStaticObj(710 + (x + y + k) % 4);
                    o->AddToWorld(static_cast<uint32_t>(x) | static_cast<uint32_t>(y) << 16, k * 3);
                }
        for (int i = 0; i < 40; ++i) {
            CDynamicObj* o = NewDynamicObj(0x40000000u + static_cast<uint32_t>(i), 710 + i % 4, 0);
            o->AddToWorld(static_cast<uint32_t>(kCenter - 6 + i % 12) |
                              static_cast<uint32_t>(kCenter - 6 + i / 4) << 16,
                          0);
        }
        for (int i = 0; i < 5; ++i) {
            CMobile* m = new CMobile(static_cast<uint32_t>(100 + i), 400, 0);
            m->AddToWorld(static_cast<uint32_t>(kCenter + i - 2) | static_cast<uint32_t>(kCenter + 2) << 16,
                          0);
            mobiles.push_back(m);
        }
        UpdatePlayerStepZ();
        DrawManager::UpdateCeiling();
    }
};

Scene& S() {
    static Scene s;
    return s;
}

void BM_SceneFrameMemcpy(benchmark::State& state) {
    std::vector<uint16_t> from(kWidth * kHeight, 0x1234), to(kWidth * kHeight);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * 2);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SceneFrameMemcpy);

void BM_SceneDenseFrame(benchmark::State& state) {
    S();
    int sloped = 0, land = 0;
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            for (CDrawItem* it = head; it; it = it->nextDraw)
                if (it->IsLand()) {
                    ++land;
                    sloped += it->IsStretchedLand();
                }
    for (auto _ : state) {
        InvalidateAll();
        RenderFrame();
    }
    state.counters["land"] = land;
    state.counters["sloped"] = sloped;
}
BENCHMARK(BM_SceneDenseFrame);

// Arg 0: white light, 1: coloured.
void BM_SceneDenseFrameAtNight(benchmark::State& state) {
    S();
    static const mkinstall::LightFilePair files = mkinstall::MakeLightFiles();
    thelightthingie::UseBytes(reinterpret_cast<const uint8_t*>(files.index.data()), files.index.size(),
                              reinterpret_cast<const uint8_t*>(files.data.data()), files.data.size());
    WorldLight::Bind();
    constexpr int kLamp = 2560;
    TileData::MutableItem(kLamp)->flags |= TileFlag::LightSource;
    P().art[0x4000 + kLamp] = mkinstall::EncodeItemArt(12, 40, Filled(12, 40, 0x5294));
    std::vector<CDynamicObj*> lamps;
    for (int i = 0; i < 16; ++i) {
        CDynamicObj* lamp = NewDynamicObj(0x40001000u + static_cast<uint32_t>(i), kLamp, 0);
        lamp->facing = static_cast<uint8_t>(i % 4); // the light id
        lamp->AddToWorld(static_cast<uint32_t>(kCenter - 12 + (i % 4) * 8) |
                             static_cast<uint32_t>(kCenter - 12 + (i / 4) * 8) << 16,
                         0);
        lamps.push_back(lamp);
    }
    SetGlobalLightLevel(20);
    SetColoredLighting(state.range(0) != 0);
    for (auto _ : state) {
        InvalidateAll();
        RenderFrame();
    }
    SetColoredLighting(false);
    SetGlobalLightLevel(0);
    for (CDynamicObj* lamp : lamps)
        lamp->Release();
    state.counters["lamps"] = static_cast<double>(lamps.size());
}
BENCHMARK(BM_SceneDenseFrameAtNight)->Arg(0)->Arg(1);

void BM_SceneWalkFrame(benchmark::State& state) {
    Scene& s = S();
    InvalidateAll();
    RenderFrame();
    int step = 0;
    for (auto _ : state) {
        const int dx = (step & 1) ? 2 : -2, dy = (step & 1) ? 1 : -1;
        ++step;
        int sx = 0, sy = 0;
        DrawManager::GetScrollOffset(sx, sy);
        DrawManager::SetScrollOffset(sx + dx, sy + dy);
        ScrollScreen(-dx, -dy);
        pPlayerObject->AddToDrawList();
        for (CMobile* m : s.mobiles)
            m->AddToDrawList();
        RenderFrame();
    }
}
BENCHMARK(BM_SceneWalkFrame);

// ---- the dense frame with figures

const uint8_t* ServeSampleAnim(int index, bool, int& length) {
    static const mkinstall::IndexedFile files = mkinstall::MakeAnimFiles();
    int extra = 0;
    return mkinstall::FindItem(files, index, length, extra);
}

// Sixty figures at rest over the view: ten columns of six rows, 66 pixels apart across and down,
// facing every way; the first ten ride, the last five are tall creatures, the others wear a hued
// shirt and a cloak.
struct Crowd {
    std::vector<CMobile*> mobiles;
    Crowd() {
        InitBodyTypes();
        for (int graphic :
             {mkinstall::WorldItem::Shirt, mkinstall::WorldItem::Cloak, mkinstall::WorldItem::Horse}) {
            const mkinstall::SampleItemTile* t = mkinstall::FindSampleItem(graphic);
            ItemTileData* row = TileData::MutableItem(graphic);
            row->flags = t->flags;
            row->quality = t->quality;
            row->animId = t->animId;
        }
        uint32_t serial = 0x2000;
        for (int i = 0; i < 60; ++i) {
            const int u = -14 + 3 * (i % 10);
            int v = -8 + 3 * (i / 10);
            if ((u + v) & 1) ++v;
            const bool tall = i >= 55;
            auto* m = new CMobile(
                serial++, tall ? mkinstall::kAnimTallCreatureBody : mkinstall::kAnimHumanBody, 0, false);
            m->resting = 1;
            m->facing = static_cast<uint8_t>(i % 8);
            m->SetLocation(static_cast<uint32_t>(kCenter + (u + v) / 2) |
                               static_cast<uint32_t>(kCenter + (v - u) / 2) << 16,
                           0);
            if (!tall) {
                auto* shirt = new CDynamicObj(0x50000000u + serial++, mkinstall::WorldItem::Shirt, 0, false);
                shirt->displayedHue = static_cast<uint16_t>(40 + i);
                m->layers[5] = shirt;
                m->layers[20] =
                    new CDynamicObj(0x50000000u + serial++, mkinstall::WorldItem::Cloak, 0, false);
                if (i < 10)
                    m->layers[25] =
                        new CDynamicObj(0x50000000u + serial++, mkinstall::WorldItem::Horse, 0, false);
            }
            mobiles.push_back(m);
        }
    }
};

void BM_SceneDenseFrameFigures(benchmark::State& state) {
    S();
    static Crowd crowd;
    AnimCache::SetItemSourceForTests(ServeSampleAnim);
    for (CMobile* m : crowd.mobiles)
        m->AddToDrawList();
    int strips = 0;
    for (auto& row : DrawMapThingie::table)
        for (CDrawItem* head : row)
            for (CDrawItem* it = head; it; it = it->nextDraw)
                strips += it->IsBigMobComponent();
    for (auto _ : state) {
        InvalidateAll();
        RenderFrame();
    }
    state.counters["strips"] = strips;
    for (CMobile* m : crowd.mobiles)
        m->RemoveFromDrawList();
    AnimCache::SetItemSourceForTests(nullptr);
}
BENCHMARK(BM_SceneDenseFrameFigures);

} // namespace
