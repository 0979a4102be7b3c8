#pragma once
// The gump layer reset for every test: an empty window list, an 800 x 600 back buffer filled with a
// known world picture, a fake world, the manual clock, and arts served from memory.
#include "core/CDHDCache.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/GumpWorld.h"
#include "gumps/MouseManager.h"
#include "gumps/Targeting.h"
#include "mkinstall/ArtFiles.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/Display.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "render/RenderData.h"
#include "support/TestSupport.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace gumptest {

// Items served in place of the data files.
struct ServedArts {
    mkinstall::IndexedFile art;
    mkinstall::IndexedFile gumps;
};
inline ServedArts& Served() {
    static ServedArts files;
    return files;
}
inline const uint8_t* ServeItem(int indexRow, int, int id, int& length, int& extra) {
    const mkinstall::IndexedFile& file = indexRow == CDHDCache::kGumpIdx ? Served().gumps : Served().art;
    return mkinstall::FindItem(file, id, length, extra);
}

// The objects of the fake world, by serial.
struct FakeWorld {
    std::set<uint32_t> mobiles, corpses, containers;
    uint32_t player = 0;
    std::map<uint32_t, uint32_t> holders;
    std::map<uint32_t, std::vector<const CGump*>> gumpsOf; // the object's gump references
    uint32_t objectUnderMouse = 0;
    bool inGame = true;
    bool war = true;
    int facet = 0;
    std::vector<uint32_t> helpRequests;
};
inline FakeWorld& World() {
    static FakeWorld world;
    return world;
}

inline uint16_t WorldPixel(int x, int y) {
    return static_cast<uint16_t>(((x * 7 + y * 3) & 0x7FFF) | 1);
}

// A window with a solid pixel block of its size and a record of what reached it.
class TestGump : public CGump {
  public:
    TestGump(int x_, int y_, int w, int h, uint16_t colour, CGump* parent = nullptr, uint32_t owner = 0)
        : CGump(x_, y_, owner, 1, w, h) {
        PixelBlock& block = SetFrame(0, PixelBlock(w, h));
        std::fill(block.pixels.begin(), block.pixels.end(), colour);
        Attach(parent);
    }
    void SetKindForTest(GumpKind k, uint32_t t) { SetKind(k, t); }
    void BreakValidityWord() { setValidityWordForTests(0); }

    void HandleLButtonDown(int px, int py) override {
        events.push_back("down " + std::to_string(px) + "," + std::to_string(py));
        if (onLeftDown) onLeftDown(this);
    }
    void HandleLButtonUp(int px, int py) override {
        events.push_back("up " + std::to_string(px) + "," + std::to_string(py));
        CGump::HandleLButtonUp(px, py);
    }
    void HandleRButtonUp(int px, int py) override {
        events.push_back("rup");
        if (closeOnRightRelease) DeleteSelfHandler(this, px, py);
    }
    void HandleCaptureMove(int px, int py) override {
        events.push_back("capture " + std::to_string(px) + "," + std::to_string(py));
        if (drag) DialogDrag(this, dragState, px, py);
    }
    void HandleMouseTick() override { ++ticks; }
    void HandleKey(int key) override { keys.push_back(key); }
    void Update() override {
        ++updates;
        if (onUpdate) onUpdate(this);
    }
    void OnFocusLost() override { ++focusLost; }
    CGump* BarkHolderGump() const override { return holder; }
    bool IsExpired(uint32_t now) const override { return expiresAt != 0 && now >= expiresAt; }

    std::vector<std::string> events;
    std::vector<int> keys;
    int ticks = 0, updates = 0, focusLost = 0;
    bool closeOnRightRelease = false;
    bool drag = false;
    DialogDragState dragState;
    CGump* holder = nullptr;
    uint32_t expiresAt = 0;
    std::function<void(TestGump*)> onUpdate, onLeftDown;
};

class GumpTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        ResetAll();
        platform::UseManualClock(0xFFFFF000u, 1000);
        BackBuffer::Resize(800, 600);
        FillWorld();
        Served().art = mkinstall::MakeArtFiles();
        Served().gumps = mkinstall::MakeGumpArtFiles();
        RenderData::SetItemSource(ServeItem);
        BindWorld();
    }
    void TearDown() override {
        ResetAll();
        qvtest::CleanState::TearDown();
    }
    static void ResetAll() {
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        ResetGumpWorld();
        ResetGumpSlots();
        GumpTargeting::ResetForTests();
        ResetMinimizeGridForTests();
        ResetArtCache();
        ResetGumpArtCache();
        BackBuffer::Release();
        ResetDirtyRectsForTests();
        ResetDisplayForTests();
        RenderData::ResetForTests();
        GraphicManager::ResetForTests();
        CGumpManager::SetGameAreaOffset(0, 0);
        World() = FakeWorld{};
        UseToolTips = true;
        ToolTipPreDelay = 1000;
        PopupHelpEnabled = true;
        PopupHelpPreDelay = 1000;
        PopupHelpSticky = false;
        PopupHelpPersistant = true;
    }
    static void FillWorld() {
        for (int y = 0; y < BackBuffer::Height(); ++y)
            for (int x = 0; x < BackBuffer::Width(); ++x)
                BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)] = WorldPixel(x, y);
    }
    static uint16_t Screen(int x, int y) { return BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)]; }
    static void BindWorld() {
        GumpWorldServices& w = GumpWorld();
        auto in = [](std::set<uint32_t> FakeWorld::*set) {
            return [set](uint32_t s) { return (World().*set).count(s) > 0; };
        };
        w.exists = [](uint32_t s) { return s != 0; };
        w.isMobile = in(&FakeWorld::mobiles);
        w.isCorpse = in(&FakeWorld::corpses);
        w.isContainer = in(&FakeWorld::containers);
        w.isPlayer = [](uint32_t s) { return s != 0 && s == World().player; };
        w.holderOf = [](uint32_t s) {
            auto it = World().holders.find(s);
            return it == World().holders.end() ? 0u : it->second;
        };
        w.forgetGump = [](uint32_t s, CGump* g) { std::erase(World().gumpsOf[s], g); };
        w.objectAt = [](int, int) { return World().objectUnderMouse; };
        w.inGameDisplay = [] { return World().inGame; };
        w.warMode = [] { return World().war; };
        w.facet = [] { return World().facet; };
        GumpSlotTable().helpRequest = [](uint32_t s) { World().helpRequests.push_back(s); };
    }
    static void Advance(uint32_t ms) { platform::AdvanceManualClock(ms); }
};

} // namespace gumptest
