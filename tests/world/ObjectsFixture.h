#pragma once
// World objects over a small tile data table built in the test, with every upward call of the
// world and every dirtied rectangle recorded, and the world emptied around each test.
#include "core/MarkedMobiles.h"
#include "core/Options.h"
#include "app/StartupServices.h"
#include "render/DrawItem.h"
#include "support/TestSupport.h"
#include "world/CObjectManager.h"
#include "world/OverheadText.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace objtest {

// Item graphics of the test table.
namespace G {
constexpr int Plain = 100;    // height 5
constexpr int Flat = 101;     // flag 0x1, height 0
constexpr int Bush = 102;     // foliage
constexpr int Canopy = 15935; // foliage, drawn in every season
constexpr int Lamp = 200;     // light source
constexpr int Fire = 300;     // animated
constexpr int Low = 103;      // height 0, no flags
constexpr int Heavy = 104;    // weight 255
constexpr int Bag = 3701;     // a plain container
constexpr int VendorBox = 11000;
constexpr int SortedBox = 4006;
constexpr int Spellbook = 3834;
} // namespace G

inline uint32_t Pos(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

struct Calls {
    std::map<std::string, int> counts;
    std::vector<std::string> journal;
    std::vector<Rect> dirty;
    int count(const std::string& name) const {
        auto it = counts.find(name);
        return it == counts.end() ? 0 : it->second;
    }
};
inline Calls g_calls;

class ObjectsTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        recorder = std::make_unique<qvtest::ReportRecorder>();
        g_calls = {};
        TileData::Free();
        TileData::Allocate();
        Row(G::Plain).height = 5;
        Row(G::Plain).weight = 1;
        Row(G::Flat).flags = TileFlag::Background;
        Row(G::Bush).flags = TileFlag::Foliage;
        Row(G::Bush).height = 20;
        Row(1).flags = TileFlag::Foliage;
        Row(G::Canopy).flags = TileFlag::Foliage;
        Row(G::Lamp).flags = TileFlag::LightSource;
        Row(G::Lamp).height = 3;
        Row(G::Fire).flags = TileFlag::Animated;
        Row(G::Heavy).weight = 255;
        Row(G::Bag).height = 4;
        ObjectManagerState::ClearLists();
        CObjectManager::ClearSavedTexts();
        DrawItemWorld::ResetForTests();
        DrawItemWorld::SetDirtySink([](const Rect& r) { g_calls.dirty.push_back(r); });
        BindRecorders();
        OverheadTexts::SetFactory(nullptr);
        InitMarkedMobiles();
        Season = 0;
        TreeCanopies = false;
        g_criminalWarning = true;
    }
    void TearDown() override {
        DeletePlayerObject();
        CObjectManager::ReleaseAll();
        // What never entered the world.
        while (CDynamicObj* o = WorldLists::AllObjects().Head())
            o->Release();
        ClearMarkedMobiles();
        ObjectManagerState::ClearLists();
        CObjectManager::ClearSavedTexts();
        WorldHook::Reset();
        DrawItemWorld::ResetForTests();
        TileData::Free();
        Season = 0;
        TreeCanopies = false;
        recorder.reset();
        CleanState::TearDown();
    }

    static ItemTileData& Row(int graphic) { return *TileData::MutableItem(graphic); }

    static void BindRecorders() {
        WorldHooks& h = WorldHook::Table();
        auto count = [](const char* name) { return [name](auto&&...) { ++g_calls.counts[name]; }; };
        h.paperdollRedraw = count("paperdollRedraw");
        h.containerRedraw = count("containerRedraw");
        h.clampItem = count("clampItem");
        h.shopItemChanged = count("shopItemChanged");
        h.spellbookRefresh = count("spellbookRefresh");
        h.containerItemAdded = count("containerItemAdded");
        h.radarRebuild = count("radarRebuild");
        h.invalidateLight = count("invalidateLight");
        h.invalidateAll = count("invalidateAll");
        h.deleteGump = count("deleteGump");
        h.forgetViewPointers = count("forgetViewPointers");
        h.addJournalEntry = [](const char* line, int) { g_calls.journal.push_back(line); };
    }

    CContainerObj* NewContainer(uint32_t serial, int graphic = G::Bag) {
        return new CContainerObj(serial, graphic, 0);
    }
    CMobile* NewMobile(uint32_t serial, int body = 400) { return new CMobile(serial, body, 0); }

    // The cell (column, row) an item is listed in; (-1, -1) when no cell holds it.
    static std::pair<int, int> CellOf(const CDrawItem* item) {
        for (int y = 0; y < DrawMapThingie::kCells; ++y)
            for (int x = 0; x < DrawMapThingie::kCells; ++x)
                for (const CDrawItem* it = DrawMapThingie::table[y][x]; it; it = it->nextDraw)
                    if (it == item) return {x, y};
        return {-1, -1};
    }
    // The items of a cell, head to tail.
    static std::vector<const CDrawItem*> Cell(int x, int y) {
        std::vector<const CDrawItem*> items;
        for (const CDrawItem* it = DrawMapThingie::table[y & 63][x & 63]; it; it = it->nextDraw)
            items.push_back(it);
        return items;
    }

    std::unique_ptr<qvtest::ReportRecorder> recorder;
};

} // namespace objtest
