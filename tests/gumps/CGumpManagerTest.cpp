// The manager: the screen hit test, the update walk, closing at safe points, drawing with
// save-under across the ring's wrap, and finding an object's gump.
#include "gumps/GumpFixture.h"
#include "render/Display.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

std::vector<uint16_t> ScreenPixels() {
    std::vector<uint16_t> out;
    for (int y = 0; y < BackBuffer::Height(); ++y)
        for (int x = 0; x < BackBuffer::Width(); ++x)
            out.push_back(BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)]);
    return out;
}

} // namespace

TEST_F(GumpTest, TheScreenHitTestHonoursModalVisibilityAndTheBarkFilter) {
    World().mobiles = {0x10};
    World().corpses = {0x30};
    auto* back = new TestGump(0, 0, 400, 400, 1);
    auto* itemBark = new TestGump(10, 10, 50, 20, 2, nullptr, 0x20);
    auto* mobileBark = new TestGump(100, 10, 50, 20, 3, nullptr, 0x10);
    auto* corpseBark = new TestGump(200, 10, 50, 20, 4, nullptr, 0x30);
    for (TestGump* b : {itemBark, mobileBark, corpseBark})
        b->SetKindForTest(GumpKind::Bark, GumpTrait::Bark | GumpTrait::Transparency);
    auto* hidden = new TestGump(300, 10, 50, 20, 5);
    hidden->visible = false;
    struct Case {
        int x, y;
        bool filter;
        CGump* expected;
    } cases[] = {
        {15, 15, false, itemBark},   {15, 15, true, back},   {105, 15, true, mobileBark},
        {205, 15, true, corpseBark}, {305, 15, false, back}, {500, 500, false, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CGumpManager::GetGumpAt(c.x, c.y, nullptr, c.filter), c.expected) << c.x << " " << c.filter;
    EXPECT_EQ(CGumpManager::GetGumpAt(15, 15, itemBark, false), back);

    auto* modal = new TestGump(500, 500, 100, 50, 6);
    auto* okButton = new TestGump(10, 10, 20, 10, 7, modal);
    CGumpManager::SetModal(modal);
    back->BringToFront(false); // even in front of the modal box
    EXPECT_EQ(CGumpManager::GetGumpAt(15, 15, nullptr, false), nullptr);
    EXPECT_EQ(CGumpManager::GetGumpAt(515, 515, nullptr, false), okButton);
    EXPECT_EQ(CGumpManager::GetGumpAt(590, 540, nullptr, false), modal);
    modal->Close();
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    EXPECT_EQ(CGumpManager::GetGumpAt(15, 15, nullptr, false), back);
    CGumpManager::FreeClosedGumps();
}

TEST_F(GumpTest, AGumpClosedByAnotherDuringUpdateIsSkippedAndFreedAfterwards) {
    auto* last = new TestGump(0, 0, 10, 10, 1);
    auto* middle = new TestGump(0, 0, 10, 10, 1);
    auto* first = new TestGump(0, 0, 10, 10, 1);
    GumpRef<TestGump> middleRef(middle);
    first->onUpdate = [middle](TestGump* self) {
        middle->Close();
        self->Close(); // and itself, from its own handler
    };
    CGumpManager::Update();
    EXPECT_FALSE(middleRef);
    EXPECT_EQ(last->updates, 1);
    EXPECT_EQ(CGumpManager::TopLevel().first, last);
    EXPECT_EQ(CGumpManager::TopLevel().last, last);
}

TEST_F(GumpTest, ExpiredBarksCloseOnUpdate) {
    auto* bark = new TestGump(0, 0, 10, 10, 1);
    bark->SetKindForTest(GumpKind::Bark, GumpTrait::Bark);
    bark->expiresAt = GetGameTicks() + 100;
    GumpRef<TestGump> ref(bark);
    CGumpManager::Update();
    EXPECT_TRUE(ref);
    Advance(100);
    CGumpManager::Update();
    EXPECT_FALSE(ref);
}

TEST_F(GumpTest, ClosingTheHolderOfEverySlotEmptiesTheSlots) {
    auto* window = new TestGump(0, 0, 100, 100, 1);
    auto* child = new TestGump(0, 0, 10, 10, 1, window);
    CGumpManager::SetFocus(child);
    CGumpManager::SetModal(window);
    CGumpManager::SetMouseOn(child);
    CGumpManager::SetHelpText(window);
    MouseManager::SetCapture(child);
    window->Close();
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
    EXPECT_EQ(CGumpManager::GetModal(), nullptr);
    EXPECT_EQ(CGumpManager::GetMouseOn(), nullptr);
    EXPECT_EQ(CGumpManager::GetHelpText(), nullptr);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    CGumpManager::FreeClosedGumps();
}

TEST_F(GumpTest, CloseAllSparesTheGameViewAndCloseDisposableSparesTheRest) {
    auto* view = new TestGump(0, 0, 10, 10, 1);
    view->SetKindForTest(GumpKind::Map, 0);
    auto* keep = new TestGump(0, 0, 10, 10, 1);
    keep->SetTrait(GumpTrait::Disposable, false);
    GumpRef<TestGump> window(new TestGump(0, 0, 10, 10, 1));
    CGumpManager::CloseDisposableGumps();
    EXPECT_FALSE(window);
    EXPECT_FALSE(keep->IsClosed());
    CGumpManager::CloseAllGumps();
    EXPECT_TRUE(keep->IsClosed());
    EXPECT_FALSE(view->IsClosed());
    CGumpManager::FreeClosedGumps();
}

TEST_F(GumpTest, DrawingAllGumpsPresentsThemAndLeavesTheWorldBehind) {
    const std::vector<uint16_t> world = ScreenPixels();
    auto* back = new TestGump(100, 100, 200, 150, 0x001F);
    new TestGump(250, 200, 200, 150, 0x7C00);
    auto* off = new TestGump(700, 550, 200, 150, 0x03E0); // partly off the buffer
    new TestGump(5, 5, 50, 50, 0x1111, off);              // its child, off the buffer too
    back->visible = false;
    const Rect all{0, 0, 800, 600};
    CGumpManager::DrawAllGumps(&all, true);
    ASSERT_EQ(platform::headless::PresentedFrameCount(), 1);
    const platform::headless::Frame& frame = platform::headless::LastFrame();
    auto shown = [&](int x, int y) { return frame.pixels[static_cast<size_t>(y) * frame.width + x]; };
    EXPECT_EQ(shown(150, 150), WorldPixel(150, 150)); // invisible
    EXPECT_EQ(shown(300, 250), 0x7C00);
    EXPECT_EQ(shown(799, 599), 0x03E0);
    EXPECT_EQ(shown(699, 549), WorldPixel(699, 549));
    EXPECT_EQ(ScreenPixels(), world);
    EXPECT_EQ(CGumpManager::SaveUnderRecordCount(), 0u);
}

TEST_F(GumpTest, EverySaveUnderRecordIsPutBackHoweverManyThereAre) {
    const std::vector<uint16_t> world = ScreenPixels();
    auto* window = new TestGump(0, 0, 800, 600, 0);
    window->SetFrameCount(0);
    for (int i = 0; i < 40000; ++i)
        new TestGump(i % 800, (i / 800) * 12, 1, 1, 0x7FFF, window);
    const Rect all{0, 0, 800, 600};
    CGumpManager::DrawAllGumps(&all, false);
    EXPECT_GT(CGumpManager::SaveUnderRecordCount(), 32768u);
    EXPECT_EQ(Screen(799, 588), 0x7FFF);
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_EQ(ScreenPixels(), world);
}

TEST_F(GumpTest, AGumpFailingTheValidityCheckEndsThePassWithoutBeingFreed) {
    qvtest::ReportRecorder recorder;
    auto* back = new TestGump(0, 0, 50, 50, 0x1234);
    auto* broken = new TestGump(100, 0, 50, 50, 0x4321);
    broken->BreakValidityWord();
    const Rect all{0, 0, 800, 600};
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_TRUE(recorder.contains("CGumpManager::DrawAllGumps: either pointer 'pGump' is not valid"));
    EXPECT_EQ(CGumpManager::TopLevel().first, broken); // still listed, never freed twice
    EXPECT_EQ(Screen(10, 10), WorldPixel(10, 10));
    (void)back;
}

TEST_F(GumpTest, AnAreaAcrossTheRingsWrapIsDrawnInPiecesAndMatchesTheUnwrappedPicture) {
    auto scene = [] {
        new TestGump(100, 100, 300, 200, 0x001F);
        auto* front = new TestGump(250, 200, 300, 200, 0x7C00);
        new TestGump(20, 20, 40, 40, 0x03E0, front);
        new TestGump(-50, 500, 200, 200, 0x3333);
    };
    const Rect all{0, 0, 800, 600};
    scene();
    CGumpManager::DrawAllGumps(&all, true);
    const std::vector<uint16_t> straight = platform::headless::LastFrame().pixels;
    CGumpManager::ResetForTests();

    // The wrap at column 400 of row 300: four pieces.
    std::vector<uint16_t> worldPicture = ScreenPixels();
    BackBuffer::SetRingOffset(800 * 600 - (300 * 800 + 400));
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            BackBuffer::Pixels()[BackBuffer::IndexOf(x, y)] = worldPicture[static_cast<size_t>(y) * 800 + x];
    EXPECT_TRUE(StraddlesRingWrap(all));
    scene();
    ForgetPresentedFrame(); // the same picture: show all of it again to compare
    CGumpManager::DrawAllGumps(&all, true);
    EXPECT_EQ(platform::headless::LastFrame().pixels, straight);
    EXPECT_EQ(platform::headless::PresentedFrameCount(), 2); // presented once per pass
    EXPECT_EQ(ScreenPixels(), worldPicture);
}

TEST_F(GumpTest, TheWindowTargetIsTheRingTargetWithoutAGameAreaOffset) {
    BackBuffer::SetRingOffset(12345);
    for (const Rect& r : {Rect{0, 0, 100, 10}, Rect{700, 590, 800, 600}, Rect{10, 580, 20, 590}}) {
        const BlitTarget a = CGumpManager::WindowTargetFor(r), b = RingTargetFor(r);
        EXPECT_EQ(a.origin, b.origin);
        EXPECT_EQ(a.valid, b.valid);
    }
}

TEST_F(GumpTest, FindingTheGumpOfAnObjectByKind) {
    World().mobiles = {0x10};
    World().containers = {0x50};
    World().holders[0x77] = 0x10;
    World().holders[0x78] = 0x50;
    auto* status = new TestGump(0, 0, 10, 10, 1);
    status->SetKindForTest(GumpKind::Status, GumpTrait::kBase);
    status->ownerSerial = 0x10;
    auto* paperdoll = new TestGump(0, 0, 10, 10, 1, nullptr, 0x10);
    paperdoll->SetKindForTest(GumpKind::Paperdoll, GumpTrait::kBase);
    auto* container = new TestGump(0, 0, 10, 10, 1, nullptr, 0x50);
    container->SetKindForTest(GumpKind::Container, GumpTrait::kBase);
    CGump* first = CGumpManager::TopLevel().first;
    EXPECT_EQ(CGumpManager::FindObjectGump(0x10, true, false, first, false), paperdoll);
    EXPECT_EQ(CGumpManager::FindObjectGump(0x10, false, false, first, true), status);
    EXPECT_EQ(CGumpManager::FindObjectGump(0x50, false, false, first, false), container);
    EXPECT_EQ(CGumpManager::FindObjectGump(0x50, true, false, first, false), nullptr);
    EXPECT_EQ(CGumpManager::FindHolderGump(0x77), paperdoll);
    EXPECT_EQ(CGumpManager::FindHolderGump(0x78), container);
    EXPECT_EQ(CGumpManager::FindHolderGump(0x79), nullptr);
}
