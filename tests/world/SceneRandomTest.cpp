// Only changes are repainted: after any sequence of changes the screen that RenderFrame leaves
// equals a repaint of the whole screen.
#include "SceneFixture.h"

#include <random>

using namespace scenetest;
using objtest::Pos;

namespace {

uint16_t Ramp(int u, int v) {
    return static_cast<uint16_t>((u * 31 / 63) << 10 | (v * 31 / 63) << 5 | 9);
}

TEST_F(SceneTest, IncrementalPaintsEqualAFullRepaint) {
    ServeLand(maptest::L::Grass, 0x0260);
    TileData::MutableLand(maptest::L::Hill)->textureId = 1;
    ServeTexture(1, 64, 0, Ramp);
    // Items of several sizes and flags: plain, translucent, a stackable one, a tall one.
    const int graphics[] = {710, 711, 712, 713};
    ServeItem(710, 20, 30, 0x7C00);
    ServeItem(711, 44, 60, 0x03FF);
    ServeItem(712, 12, 12, 0x7FE0);
    ServeItem(713, 16, 110, 0x4210);
    TileData::MutableItem(711)->flags = TileFlag::Translucent;
    TileData::MutableItem(712)->flags = TileFlag::Stackable;
    TileData::MutableItem(713)->height = 30;
    // A hill south-east of the player.
    for (int y = 33; y <= 37; ++y)
        for (int x = 33; x <= 37; ++x)
            SetLand(x, y, maptest::L::Hill, 4 * (2 - std::max(std::abs(x - 35), std::abs(y - 35))) + 8);

    BackBuffer::Resize(240, 200);
    DirtyOnScreen();
    CPlayerMobile* p = PlacePlayer(30, 30, 0);
    CenterOn(30, 30);
    UpdatePlayerStepZ();
    DrawManager::UpdateCeiling();
    FullRepaint();

    std::mt19937 random(20261210);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<CDynamicObj*> items;
    uint32_t serial = 0x40001000;
    for (int step = 0; step < 120; ++step) {
        SCOPED_TRACE(step);
        const int what = below(10);
        if (what <= 2 || items.empty()) { // an item comes
            CDynamicObj* o = NewDynamicObj(serial++, graphics[below(4)], 0);
            o->amount = static_cast<uint16_t>(1 + below(3));
            o->AddToWorld(Pos(24 + below(13), 24 + below(13)), below(12));
            items.push_back(o);
        } else if (what <= 4) { // one moves
            items[static_cast<size_t>(below(static_cast<int>(items.size())))]->MoveTo(
                Pos(24 + below(13), 24 + below(13)), below(12));
        } else if (what == 5) { // one goes
            const size_t i = static_cast<size_t>(below(static_cast<int>(items.size())));
            items[i]->Release();
            items.erase(items.begin() + static_cast<long>(i));
        } else if (what <= 7) { // a few pixels of the player's walk
            const int dx = below(17) - 8, dy = below(17) - 8;
            int sx = 0, sy = 0;
            DrawManager::GetScrollOffset(sx, sy);
            DrawManager::SetScrollOffset(sx + dx, sy + dy);
            ScrollScreen(-dx, -dy);
            if (below(2)) {
                p->AddToWorld(Pos(p->locX + below(3) - 1, p->locY + below(3) - 1), 0);
                DrawManager::UpdateCeiling();
            }
        } else if (what == 8) { // the roof cut, as the view refresh switches it
            DrawManager::SetRoofCut(!DrawManager::IsRoofCutOn(), 10);
            InvalidateAll();
        } else { // a season
            Season = below(5);
            SceneHooks::RefreshSeason();
        }
        RenderFrame();
        const std::vector<uint16_t> incremental = Screen();
        const std::vector<uint16_t> full = FullRepaint();
        size_t differing = 0;
        Rect where{1 << 30, 1 << 30, -1, -1};
        for (size_t i = 0; i < full.size(); ++i)
            if (full[i] != incremental[i]) {
                ++differing;
                const int x = static_cast<int>(i % 240), y = static_cast<int>(i / 240);
                where = Rect{std::min(where.left, x), std::min(where.top, y), std::max(where.right, x + 1),
                             std::max(where.bottom, y + 1)};
            }
        EXPECT_EQ(differing, 0u) << "after change " << what << " in " << where.left << "," << where.top
                                 << " - " << where.right << "," << where.bottom;
        if (differing) break;
    }
    for (CDynamicObj* o : items)
        o->Release();
}

} // namespace
