// Lookup by serial through the index beside a walk of the all-objects list, and listing items in
// the draw-cell table spread one to a cell beside stacked 64 to a cell.
#include "render/DrawItem.h"
#include "world/CObjectManager.h"
#include "world/objects.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

struct Objects {
    std::vector<CDynamicObj*> items;
    explicit Objects(int count) {
        for (int i = 0; i < count; ++i)
            items.push_back(NewDynamicObj(0x40000000u + static_cast<uint32_t>(i) * 7919u, 100, 0));
    }
    ~Objects() {
        for (CDynamicObj* o : items)
            o->Release();
    }
};

// Every serial in turn, so the walk meets its average case.
template <CObj* (*Find)(uint32_t)> void FindEach(benchmark::State& state) {
    Objects objects(static_cast<int>(state.range(0)));
    std::vector<uint32_t> serials;
    for (CDynamicObj* o : objects.items)
        serials.push_back(o->serial);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Find(serials[next]));
        if (++next == serials.size()) next = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FindBySerial(benchmark::State& state) {
    FindEach<CObjectManager::FindBySerial>(state);
}
BENCHMARK(BM_FindBySerial)->Arg(100)->Arg(1000)->Arg(10000);

void BM_FindBySerialWalk(benchmark::State& state) {
    FindEach<CObjectManager::FindBySerialByWalk>(state);
}
BENCHMARK(BM_FindBySerialWalk)->Arg(100)->Arg(1000)->Arg(10000);

// Lists and unlists 4096 statics; perCell of them share a cell.
void ListAndUnlist(benchmark::State& state, int perCell) {
    DrawItemWorld::SetDirtySink([](const Rect&) {});
    std::vector<CObj*> items;
    const int cells = 4096 / perCell;
    for (int i = 0; i < 4096; ++i) {
        CObj* o = NewStaticObj(100);
        const int cell = i % cells;
        o->SetLocation(static_cast<uint32_t>(cell % 64) | (static_cast<uint32_t>(cell / 64) << 16),
                       (i * 37) % 40);
        items.push_back(o);
    }
    for (auto _ : state) {
        for (CObj* o : items)
            o->AddToDrawList();
        for (CObj* o : items)
            o->RemoveFromDrawList();
    }
    state.SetItemsProcessed(state.iterations() * 4096);
    for (CObj* o : items)
        o->Release();
    DrawItemWorld::SetDirtySink(nullptr);
}

void BM_ListSpread(benchmark::State& state) {
    ListAndUnlist(state, 1);
}
BENCHMARK(BM_ListSpread)->Unit(benchmark::kMicrosecond);

void BM_ListStacked64(benchmark::State& state) {
    ListAndUnlist(state, 64);
}
BENCHMARK(BM_ListStacked64)->Unit(benchmark::kMicrosecond);

} // namespace
