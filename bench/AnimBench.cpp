// The animation frame blit: pixels per second of DrawAnimFrame (plain, hued, partial hue) over
// the sample human's walk, beside a memcpy of the same number of bytes (BM_AnimMemcpy). And a
// crowd: 60 dressed mobiles (10 mounted, 5 tall creatures) drawn over a 640 x 480 frame
// (BM_SixtyMobiles), beside one memcpy of that frame (BM_FrameMemcpy).
#include "mkinstall/AnimFiles.h"
#include "mkinstall/WorldFiles.h"
#include "render/AnimFrames.h"
#include "render/Art.h"
#include "render/DrawItem.h"
#include "render/DrawManager.h"
#include "world/BodyTypes.h"
#include "world/TileData.h"
#include "world/objects.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

struct Scene {
    AnimItem item;
    std::vector<uint16_t> screen = std::vector<uint16_t>(kWidth * kHeight, 0x2108);
    std::vector<uint16_t> source = std::vector<uint16_t>(kWidth * kHeight, 0x1234);
    int64_t pixelsPerPass = 0; // every frame drawn once at each of the positions
    static constexpr int kPositions = 12;
    Scene() {
        const mkinstall::IndexedFile files = mkinstall::MakeAnimFiles();
        int length = 0, extra = 0;
        const uint8_t* bytes =
            mkinstall::FindItem(files, 35000 + 0 * 5 + 2, length, extra); // walk, direction 2
        DecodeAnimItem(bytes, static_cast<size_t>(length), item);
        for (const AnimRun& r : item.runs)
            pixelsPerPass += r.length;
        pixelsPerPass *= kPositions;
    }
};

Scene& Data() {
    static Scene scene;
    return scene;
}

void RunFrames(benchmark::State& state, int hueWord) {
    Scene& s = Data();
    DrawManager::SetScrollOffset(0, 0);
    const BlitTarget target = MakeBlitTarget(s.screen.data(), kWidth, kHeight);
    for (auto _ : state) {
        for (int p = 0; p < Scene::kPositions; ++p)
            for (int n = 0; n < s.item.FrameCount(); ++n)
                DrawAnimFrame(target, p & 1, hueWord, 40 + p * 48, 100 + (p % 4) * 100, kNoClip, s.item,
                              *s.item.Frame(n));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * s.pixelsPerPass);
    state.SetBytesProcessed(state.iterations() * s.pixelsPerPass * 2);
}

void BM_AnimFrame(benchmark::State& state) {
    RunFrames(state, 0);
}
void BM_AnimFrameHued(benchmark::State& state) {
    RunFrames(state, 37);
}
void BM_AnimFramePartialHue(benchmark::State& state) {
    RunFrames(state, 37 | kHuePartial);
}

void BM_AnimMemcpy(benchmark::State& state) {
    Scene& s = Data();
    const size_t bytes = static_cast<size_t>(s.pixelsPerPass) * 2;
    std::vector<uint16_t> from(bytes / 2 + 1, 0x1234), to(bytes / 2 + 1);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * s.pixelsPerPass);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// ---- the crowd

const mkinstall::IndexedFile& SampleAnims() {
    static const mkinstall::IndexedFile files = mkinstall::MakeAnimFiles();
    return files;
}

const uint8_t* ServeSample(int index, bool, int& length) {
    int extra = 0;
    return mkinstall::FindItem(SampleAnims(), index, length, extra);
}

struct Crowd {
    std::vector<CMobile*> mobiles;
    std::vector<uint16_t> frame = std::vector<uint16_t>(kWidth * kHeight, 0x2108);
    std::vector<uint16_t> copy = std::vector<uint16_t>(kWidth * kHeight, 0x1234);
    Crowd() {
        InitBodyTypes();
        TileData::Allocate();
        for (int graphic :
             {mkinstall::WorldItem::Shirt, mkinstall::WorldItem::Cloak, mkinstall::WorldItem::Horse}) {
            const mkinstall::SampleItemTile* t = mkinstall::FindSampleItem(graphic);
            ItemTileData* row = TileData::MutableItem(graphic);
            row->flags = t->flags;
            row->quality = t->quality;
            row->animId = t->animId;
        }
        AnimCache::SetItemSourceForTests(ServeSample);
        uint32_t serial = 0x100;
        for (int i = 0; i < 60; ++i) {
            const bool tall = i >= 55;
            auto* m = new CMobile(serial++, tall ? mkinstall::kAnimTallCreatureBody : 400, 0, false);
            m->resting = 1;
            m->facing = static_cast<uint8_t>(i % 8);
            // Ten columns of six rows over the frame.
            m->SetLocation(static_cast<uint32_t>(20 + (i % 10)) | static_cast<uint32_t>(20 + i / 10) << 16,
                           0);
            if (!tall) {
                auto* shirt = new CDynamicObj(0x40000000u + serial++, mkinstall::WorldItem::Shirt, 0, false);
                auto* cloak = new CDynamicObj(0x40000000u + serial++, mkinstall::WorldItem::Cloak, 0, false);
                shirt->displayedHue = 90;
                m->layers[5] = shirt;
                m->layers[20] = cloak;
                if (i < 10)
                    m->layers[25] =
                        new CDynamicObj(0x40000000u + serial++, mkinstall::WorldItem::Horse, 0, false);
            }
            m->AddToDrawList();
            mobiles.push_back(m);
        }
    }
};

Crowd& People() {
    static Crowd crowd;
    return crowd;
}

void BM_SixtyMobiles(benchmark::State& state) {
    Crowd& c = People();
    SetBlitTarget(MakeBlitTarget(c.frame.data(), kWidth, kHeight));
    // The crowd's cells lie around the scroll offset's origin of this view.
    int left = 1 << 30, top = 1 << 30;
    for (CMobile* m : c.mobiles) {
        left = std::min(left, m->screenRect.left);
        top = std::min(top, m->screenRect.top);
    }
    DrawManager::SetScrollOffset(left - 20, top - 20);
    const Rect clip{0, 0, kWidth, kHeight};
    for (auto _ : state) {
        for (CMobile* m : c.mobiles)
            m->DrawClip(clip);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.mobiles.size()));
}

void BM_FrameMemcpy(benchmark::State& state) {
    Crowd& c = People();
    for (auto _ : state) {
        std::memcpy(c.copy.data(), c.frame.data(), c.frame.size() * 2);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(c.frame.size() * 2));
}

BENCHMARK(BM_AnimMemcpy);
BENCHMARK(BM_SixtyMobiles);
BENCHMARK(BM_FrameMemcpy);
BENCHMARK(BM_AnimFrame);
BENCHMARK(BM_AnimFrameHued);
BENCHMARK(BM_AnimFramePartialHue);

} // namespace
