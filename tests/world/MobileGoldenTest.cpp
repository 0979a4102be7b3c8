// Pictures of the sample's figures drawn by the mobile and corpse draws, compared exactly with
// golden images (QV_UPDATE_GOLDEN=1 writes them): the dressed human in all eight facings, its walk,
// and a rider, a corpse, hues, a highlight and a hidden figure.
#include "ObjectsFixture.h"
#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "mkinstall/AnimFiles.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/WorldFiles.h"
#include "render/AnimFrames.h"
#include "render/Art.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "render/Ppm.h"
#include "world/BodyTypes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace objtest {
namespace {

constexpr int kPanelWidth = 72, kPanelHeight = 110;
constexpr int kFeetX = 36, kFeetY = 90; // in a panel
constexpr uint16_t kGround = 0x2D6B;    // a mid green-grey, so that shadows show

std::filesystem::path Golden(const char* name) {
    return std::filesystem::path(QV_TESTS_DIR "/world/golden") / name;
}

class MobileGolden : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        std::string error;
        ASSERT_TRUE(mkinstall::WriteAnimFiles(dir.path().string(), &error)) << error;
        ASSERT_TRUE(mkinstall::WriteDataFiles(dir.path().string(), &error)) << error;
        FileManager::startupWithPaths(dir.path().string(), "");
        CDHDCache::startup();
        CDHDCache::Init();
        ASSERT_TRUE(DefManager::startup());
        InitBodyTypes();
        for (int graphic : {mkinstall::WorldItem::Shirt, mkinstall::WorldItem::Cloak,
                            mkinstall::WorldItem::Horse, mkinstall::WorldItem::StandInMount}) {
            const mkinstall::SampleItemTile* t = mkinstall::FindSampleItem(graphic);
            ASSERT_TRUE(t);
            Row(graphic).flags = t->flags;
            Row(graphic).quality = t->quality;
            Row(graphic).animId = t->animId;
        }
        std::vector<uint8_t> hues = mkinstall::MakeHuesFile();
        HueManager::LoadFromBytes(hues.data(), hues.size());
        AnimCache::Clear();
    }
    void TearDown() override {
        for (CMobile* m : made)
            for (CDynamicObj*& l : m->layers)
                l = nullptr;
        SetBlitTarget(BlitTarget{});
        DrawManager::SetScrollOffset(0, 0);
        HueManager::ResetForTests();
        AnimCache::Clear();
        DefManager::shutdown();
        CDHDCache::shutdown();
        FileManager::shutdown();
        ObjectsTest::TearDown();
    }

    CMobile* Dressed(int facing) {
        CMobile* m = NewMobile(0x200u + static_cast<uint32_t>(made.size()), 400);
        made.push_back(m);
        m->resting = 1;
        m->facing = static_cast<uint8_t>(facing);
        m->SetLocation(Pos(10, 10), 0);
        Wear(m, 5, mkinstall::WorldItem::Shirt, 0);
        Wear(m, 20, mkinstall::WorldItem::Cloak, 0);
        return m;
    }
    CDynamicObj* Wear(CMobile* m, int layer, int graphic, int hue) {
        CDynamicObj* item = NewDynamicObj(0x40000300u + static_cast<uint32_t>(worn++), graphic, 0);
        item->displayedHue = static_cast<uint16_t>(hue);
        m->layers[layer] = item;
        return item;
    }

    // Panels side by side; each draw is placed with its feet point at the panel's feet point.
    std::vector<uint8_t> Picture(const std::vector<std::function<void(const Rect&, int, int)>>& panels) {
        const int width = kPanelWidth * static_cast<int>(panels.size());
        std::vector<uint16_t> pixels(static_cast<size_t>(width) * kPanelHeight, kGround);
        SetBlitTarget(MakeBlitTarget(pixels.data(), width, kPanelHeight));
        for (size_t i = 0; i < panels.size(); ++i) {
            const int left = static_cast<int>(i) * kPanelWidth;
            panels[i](Rect{left, 0, left + kPanelWidth, kPanelHeight}, left + kFeetX, kFeetY);
        }
        return EncodePpm(pixels.data(), width, kPanelHeight);
    }
    // Lists the mobile and scrolls so that its feet land on (x, y) of the picture, then draws it.
    static void DrawAt(CMobile* m, const Rect& clip, int x, int y) {
        m->AddToDrawList();
        int fx = 0, fy = 0;
        m->GetFigureAnchor(fx, fy);
        DrawManager::SetScrollOffset(fx - x, fy - y);
        m->DrawClip(clip);
        m->RemoveFromDrawList();
    }

    qvtest::TempDir dir;
    std::vector<CMobile*> made;
    int worn = 0;
};

TEST_F(MobileGolden, TheDressedHumanInEightFacings) {
    std::vector<std::function<void(const Rect&, int, int)>> panels;
    for (int facing = 0; facing < 8; ++facing)
        panels.push_back(
            [this, facing](const Rect& clip, int x, int y) { DrawAt(Dressed(facing), clip, x, y); });
    qvtest::ExpectGoldenPpm(Golden("mobile_facings.ppm"), Picture(panels));
}

TEST_F(MobileGolden, TheWalkCycleAtOneFacing) {
    std::vector<std::function<void(const Rect&, int, int)>> panels;
    for (int counter = 0; counter < 9; ++counter)
        panels.push_back([this, counter](const Rect& clip, int x, int y) {
            CMobile* m = Dressed(4);
            m->resting = 0;
            m->idleFrameCounter = counter;
            DrawAt(m, clip, x, y);
        });
    qvtest::ExpectGoldenPpm(Golden("mobile_walk.ppm"), Picture(panels));
}

TEST_F(MobileGolden, RiderCorpseHuesHighlightAndHidden) {
    std::vector<std::function<void(const Rect&, int, int)>> panels = {
        [this](const Rect& clip, int x, int y) {
            CMobile* m = Dressed(4);
            Wear(m, 25, mkinstall::WorldItem::Horse, 0);
            DrawAt(m, clip, x, y);
        },
        [this](const Rect& clip, int x, int y) {
            auto* corpse = new CCorpse(0x40000700, 0x2006, 0);
            corpse->amount = 400;
            corpse->facing = 0x84;
            corpse->SetLocation(Pos(10, 10), 0);
            corpse->equipment[5] = NewDynamicObj(0x40000701, mkinstall::WorldItem::Shirt, 0);
            corpse->AddToDrawList();
            int fx = 0, fy = 0;
            corpse->GetFigureAnchor(fx, fy);
            DrawManager::SetScrollOffset(fx - x, fy - y);
            corpse->DrawClip(clip);
            corpse->equipment[5] = nullptr;
            corpse->Release();
        },
        [this](const Rect& clip, int x, int y) {
            CMobile* m = Dressed(3);
            m->displayedHue = 33;
            m->layers[5]->displayedHue = 90;
            m->layers[20]->displayedHue = 140;
            DrawAt(m, clip, x, y);
        },
        [this](const Rect& clip, int x, int y) {
            CMobile* m = Dressed(3);
            AddMarkedMobile(m);
            DrawAt(m, clip, x, y);
            ClearMarkedMobiles();
        },
        [this](const Rect& clip, int x, int y) {
            CMobile* m = Dressed(3);
            m->status = 0x80;
            DrawAt(m, clip, x, y);
        },
    };
    qvtest::ExpectGoldenPpm(Golden("mobile_variants.ppm"), Picture(panels));
}

} // namespace
} // namespace objtest
