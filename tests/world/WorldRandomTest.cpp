// A seeded random life of the world: objects are made, moved, put into containers, worn, die and
// go in any order, and after every step lookup, listing and parent chains must still hold.
#include "ObjectsFixture.h"

#include <algorithm>
#include <random>

namespace objtest {
namespace {

using WorldRandomTest = ObjectsTest;

class World {
  public:
    explicit World(uint32_t seed) : rng_(seed) {}

    int Below(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }

    void Step() {
        switch (Below(8)) {
        case 0:
        case 1:
            Create();
            break;
        case 2:
            Move();
            break;
        case 3:
            Contain();
            break;
        case 4:
            Equip();
            break;
        case 5:
            Die();
            break;
        case 6:
            Release();
            break;
        default:
            Leave();
            break;
        }
        Prune();
    }

    void Create() {
        // Few serials, so that twins occur.
        const uint32_t serial = static_cast<uint32_t>(Below(40));
        CDynamicObj* o = nullptr;
        switch (Below(3)) {
        case 0:
            o = NewDynamicObj(serial | kItemSerialBit, G::Plain + Below(3), 0);
            break;
        case 1:
            o = new CContainerObj(serial | kItemSerialBit, G::Bag, 0);
            break;
        default:
            o = new CMobile(serial, 400, 0);
            break;
        }
        live_.push_back(o);
        serials_.push_back(o->serial);
    }
    CDynamicObj* Any() {
        return live_.empty() ? nullptr : live_[static_cast<size_t>(Below(static_cast<int>(live_.size())))];
    }
    template <class T> T* AnyOf(bool (CDrawItem::*kind)() const) {
        std::vector<CDynamicObj*> fit;
        for (CDynamicObj* o : live_)
            if ((o->*kind)()) fit.push_back(o);
        return fit.empty() ? nullptr
                           : static_cast<T*>(fit[static_cast<size_t>(Below(static_cast<int>(fit.size())))]);
    }
    void Move() {
        if (CDynamicObj* o = Any()) o->MoveTo(Pos(Below(200), Below(200)), Below(40) - 20);
    }
    void Contain() {
        CDynamicObj* o = Any();
        auto* c = AnyOf<CContainerObj>(&CDrawItem::IsContainer);
        if (o && c) o->PutInContainer(c, Pos(Below(100), Below(100)), 0);
    }
    void Equip() {
        CDynamicObj* o = Any();
        auto* m = AnyOf<CMobile>(&CDrawItem::IsMobile);
        if (o && m) o->Equip(m, Below(32) - 1);
    }
    void Die() {
        if (auto* m = AnyOf<CMobile>(&CDrawItem::IsMobile)) {
            m->SetDying();
            serials_.push_back(m->serial);
        }
    }
    void Release() {
        if (CDynamicObj* o = Any()) o->Release();
    }
    void Leave() {
        if (CDynamicObj* o = Any()) o->RemoveFromWorld();
    }
    // Objects released with their holder leave the books too.
    void Prune() {
        live_.erase(std::remove_if(live_.begin(), live_.end(),
                                   [](CDynamicObj* o) { return !CPointerRegistry::IsValid(o); }),
                    live_.end());
    }

    std::vector<CDynamicObj*>& live() { return live_; }
    const std::vector<uint32_t>& serials() const { return serials_; }
    std::mt19937& rng() { return rng_; }

  private:
    std::mt19937 rng_;
    std::vector<CDynamicObj*> live_;
    std::vector<uint32_t> serials_;
};

// What must hold after every step; an empty answer when it does.
std::string Check(World& w) {
    for (uint32_t s : w.serials())
        if (CObjectManager::FindBySerial(s) != CObjectManager::FindBySerialByWalk(s))
            return "lookup differs from the walk for serial " + std::to_string(s);
    if (WorldLists::AllObjects().Count() != w.live().size()) return "all-objects list out of step";
    size_t listedInTable = 0;
    for (int y = 0; y < DrawMapThingie::kCells; ++y)
        for (int x = 0; x < DrawMapThingie::kCells; ++x)
            for (const CDrawItem* it = DrawMapThingie::table[y][x]; it; it = it->nextDraw) {
                ++listedInTable;
                if ((it->locX & 63) != x || (it->locY & 63) != y) return "an item lies outside its cell";
                if (it->nextDraw && it->nextDraw->prevDraw != it) return "broken cell links";
            }
    size_t listed = 0;
    for (CDynamicObj* o : w.live()) {
        if (o->listed) ++listed;
        if (o->listed && (o->parent || o->notPlaced)) return "a held or unplaced object is listed";
        size_t steps = 0;
        for (const CDynamicObj* p = o->parent; p; p = p->parent)
            if (++steps > w.live().size()) return "a parent chain loops";
        if (o->parent && !CPointerRegistry::IsValid(o->parent)) return "a parent is dead";
    }
    if (listed != listedInTable) return "listed objects and the table disagree";
    return {};
}

TEST_F(WorldRandomTest, LookupListingAndParentsHoldThroughARandomLife) {
    for (uint32_t seed : {1u, 7u, 2024u}) {
        SCOPED_TRACE(seed);
        const size_t liveBefore = CPointerRegistry::LiveCount();
        World w(seed);
        for (int step = 0; step < 1500; ++step) {
            w.Step();
            const std::string fault = Check(w);
            ASSERT_EQ(fault, "") << "after step " << step;
        }
        // Destroyed in any order, everything leaves the registry.
        std::vector<CDynamicObj*> order = w.live();
        std::shuffle(order.begin(), order.end(), w.rng());
        for (CDynamicObj* o : order)
            if (CPointerRegistry::IsValid(o)) o->Release();
        EXPECT_TRUE(WorldLists::AllObjects().Empty());
        EXPECT_TRUE(WorldLists::World().Empty());
        EXPECT_EQ(CPointerRegistry::LiveCount(), liveBefore);
        for (auto& row : DrawMapThingie::table)
            for (CDrawItem* head : row)
                EXPECT_EQ(head, nullptr);
    }
}

} // namespace
} // namespace objtest
