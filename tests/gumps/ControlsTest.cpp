// Buttons, text buttons, thumbs and toggles: firing by kind through the mouse manager, the stored
// id, closing from a callback, blinking, the label's place and repaint rule, thumb dragging and
// placing, the toggle's layout and input, and golden pictures of every look.
#include "gumps/ControlFixture.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

constexpr int kOk = 1153, kOkPressed = 1155, kOkHover = 1154;

// A window at (100, 100) with a 40 x 20 button at (10, 10) of it; the art's top-right 3 x 3 corner
// is transparent.
struct ButtonRig {
    RecordingWindow* window;
    CButtonGump* button;
    int fired = 0;
    std::vector<int> idSeen;

    explicit ButtonRig(int kind) {
        window = new RecordingWindow(100, 100, 200, 100, 0x0421);
        button = new CButtonGump(10, 10, window, kind, 0, nullptr, kOk, kOkPressed, false);
        button->Attach(window);
        button->buttonId = 7;
        button->storeId = true;
        button->callback = [this](CGump* parent) {
            ++fired;
            idSeen.push_back(parent->pressedButtonId);
            static_cast<RecordingWindow*>(parent)->events.push_back("fire");
        };
    }
};

} // namespace

TEST_F(ControlTest, ButtonsFireByKindPressReleaseDisabledAndTicksHeld) {
    struct Case {
        int kind;
        bool releaseInside;
        bool disabled;
        int ticks;
        int fires;
        int frame;
    } cases[] = {
        {0, true, false, 0, 1, 0}, {0, false, false, 3, 1, 0}, {0, true, true, 12, 0, 0},
        {1, true, false, 0, 1, 1}, {1, false, false, 2, 1, 1}, {1, true, true, 0, 0, 0},
        {2, true, false, 0, 1, 0}, {2, true, false, 5, 1, 0},  {2, true, false, 6, 2, 0},
        {2, true, false, 9, 5, 0}, {2, false, false, 9, 5, 0}, {2, true, true, 9, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " inside " << c.releaseInside
                                          << " disabled " << c.disabled << " ticks " << c.ticks);
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        ButtonRig rig(c.kind);
        rig.button->disabled = c.disabled;
        MoveTo(120, 120);
        MouseManager::OnLButtonDown(120, 120);
        EXPECT_EQ(MouseManager::GetCapture(), rig.button);
        for (int i = 0; i < c.ticks; ++i)
            MouseManager::Update();
        // Released without another update: the ticks held are exactly c.ticks.
        const int at = c.releaseInside ? 125 : 400;
        MouseManager::OnLButtonUp(at, at);
        EXPECT_EQ(rig.fired, c.fires);
        EXPECT_EQ(rig.button->frameIndex, c.frame);
        EXPECT_FALSE(rig.button->held);
        EXPECT_EQ(MouseManager::GetCapture(), nullptr);
        for (int id : rig.idSeen)
            EXPECT_EQ(id, 7); // written before the callback ran
        if (c.kind == 1 && c.fires == 1) {
            const std::vector<std::string> expected{"fire", "change"};
            EXPECT_EQ(rig.window->events, expected);
        } else {
            EXPECT_EQ(std::count(rig.window->events.begin(), rig.window->events.end(), "change"), 0);
        }
    }
}

TEST_F(ControlTest, AnAutoRepeatButtonFiresOnThePressAndFromTheSixthTickOn) {
    ButtonRig rig(CButtonGump::Repeat);
    MoveTo(120, 120);
    MouseManager::OnLButtonDown(120, 120);
    std::vector<int> firedAfter;
    for (int tick = 1; tick <= 8; ++tick) {
        MouseManager::Update();
        firedAfter.push_back(rig.fired);
    }
    const std::vector<int> expected{1, 1, 1, 1, 1, 2, 3, 4};
    EXPECT_EQ(firedAfter, expected);
    MouseManager::OnLButtonUp(120, 120);
    MouseManager::Update();
    EXPECT_EQ(rig.fired, 4);
}

TEST_F(ControlTest, AButtonWhoseCallbackClosesItsWindowDoesNothingMore) {
    for (int kind : {CButtonGump::Toggle, CButtonGump::Repeat}) {
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        ButtonRig rig(kind);
        RecordingWindow::changes = 0;
        rig.button->callback = [](CGump* parent) { parent->Close(); };
        GumpRef<CButtonGump> button(rig.button);
        MoveTo(120, 120);
        MouseManager::OnLButtonDown(120, 120);
        if (kind == CButtonGump::Toggle) MouseManager::OnLButtonUp(120, 120);
        // Freed at the safe point after the dispatch: no HandleChildChange, no repeat delay write.
        EXPECT_FALSE(button);
        EXPECT_EQ(CGumpManager::TopLevel().first, nullptr);
        EXPECT_EQ(RecordingWindow::changes, 0);
        MouseManager::Update();
    }
}

TEST_F(ControlTest, ButtonHitsArePixelExactUnlessToldAndRightClicksGoToTheWindow) {
    ButtonRig rig(CButtonGump::Release);
    CButtonGump& b = *rig.button;
    EXPECT_TRUE(b.IsButtonGump());
    EXPECT_EQ(b.width, 40);
    EXPECT_EQ(b.height, 20);
    EXPECT_TRUE(b.IsPointInside(0, 0));
    EXPECT_FALSE(b.IsPointInside(38, 1)); // the transparent notch
    EXPECT_FALSE(b.IsPointInside(40, 5));
    b.pixelExact = false;
    EXPECT_TRUE(b.IsPointInside(38, 1));
    MoveTo(120, 120);
    MouseManager::OnRButtonDown(120, 120);
    MouseManager::OnRButtonUp(120, 120);
    const std::vector<std::string> expected{"rdown", "rup"};
    EXPECT_EQ(rig.window->events, expected);
    EXPECT_EQ(rig.fired, 0);

    // The hot-rectangle form: an odd width made even, hit everywhere, drawing nothing.
    CButtonGump hot(5, 6, 9, 9, nullptr, 0, 0, nullptr, false);
    EXPECT_EQ(hot.width, 6);
    EXPECT_EQ(hot.height, 4);
    EXPECT_TRUE(hot.IsPointInside(5, 3));
    Sheet sheet(20, 20);
    const PixelBlock before = sheet.block;
    sheet.Draw(hot);
    EXPECT_EQ(sheet.block.pixels, before.pixels);

    // Own bitmaps: the current frame's block is drawn and the whole rectangle hits.
    CButtonGump own(2, 2, nullptr, 0, 0, nullptr, kOk, kOkPressed, false);
    own.ownBitmaps = true;
    PixelBlock up(40, 20), down(40, 20);
    std::fill(up.pixels.begin(), up.pixels.end(), 0x0123);
    std::fill(down.pixels.begin(), down.pixels.end(), 0x0456);
    own.SetFrame(0, up);
    own.SetFrame(1, down);
    EXPECT_TRUE(own.IsPointInside(38, 1));
    own.frameIndex = 1;
    sheet.Draw(own);
    EXPECT_EQ(sheet.block.At(10, 10), 0x0456);
}

TEST_F(ControlTest, PlainButtonsBlinkTwoOfEveryTwelveUpdatesThroughTheirWindow) {
    ButtonRig rig(CButtonGump::Release);
    rig.button->blinkArt = kOkHover;
    rig.window->onUpdate = [](TestGump* w) { w->UpdateChildren(); };
    std::string shown;
    for (int i = 0; i < 24; ++i) {
        CGumpManager::Update();
        shown += rig.button->blinkShown ? '#' : '.';
    }
    EXPECT_EQ(shown, "..........##..........##");
}

TEST_F(ControlTest, ButtonLooksMatchTheGoldenPicture) {
    // normal, hover, pressed, disabled (hue 960), disabled and pressed, blink art shown
    Sheet sheet(6 * 44 + 4, 24);
    for (int i = 0; i < 6; ++i) {
        CButtonGump b(4 + i * 44, 2, nullptr, 0, 0, nullptr, kOk, kOkPressed, false);
        b.hoverArt = kOkHover;
        b.blinkArt = 1151;
        b.hovered = i == 1;
        b.frameIndex = i == 2 || i == 4 ? 1 : 0;
        b.disabled = i == 3 || i == 4;
        b.blinkShown = i == 5;
        sheet.Draw(b);
    }
    EXPECT_EQ(GetCurrentHueIndex(), 0); // the disabled hue is not left behind
    sheet.ExpectGolden("buttons.ppm");
}

TEST_F(ControlTest, TextButtonsCentreTheirLabelAndRepaintOnlyOnAChange) {
    CTextButtonGump tall(0, 0, nullptr, 0, 0, nullptr, kOk, kOkPressed, false); // 40 x 20
    tall.hoverArt = kOkHover;
    tall.SetText(u"OK");
    UnicodeSetFont(1);
    EXPECT_EQ(tall.labelX, (40 - UnicodeGetStringWidth(u"OK")) / 2);
    EXPECT_EQ(tall.labelY, 1);
    CTextButtonGump low(0, 0, nullptr, 0, 0, nullptr, 2071, 2072, false); // 40 x 16
    low.SetText(u"Yes");
    EXPECT_EQ(low.labelY, 0);
    low.SetText(u"A label far wider than the button");
    EXPECT_EQ(low.labelX, 0);

    Sheet sheet(60, 30);
    sheet.Draw(tall);
    sheet.Draw(tall);
    EXPECT_EQ(tall.paintCount, 1);
    tall.hovered = true;
    sheet.Draw(tall);
    EXPECT_EQ(tall.painted, CTextButtonGump::Face::Hover);
    tall.frameIndex = 1;
    sheet.Draw(tall);
    sheet.Draw(tall);
    EXPECT_EQ(tall.painted, CTextButtonGump::Face::Pressed);
    EXPECT_EQ(tall.paintCount, 3);
}

TEST_F(ControlTest, TextButtonLooksMatchTheGoldenPicture) {
    // 20 high normal, hover, pressed (label 2 lower); 16 high; 16 high with a label too wide.
    Sheet sheet(5 * 44 + 4, 24);
    const char16_t* labels[5] = {u"OK", u"OK", u"OK", u"Yes", u"Much too long"};
    for (int i = 0; i < 5; ++i) {
        const bool low = i >= 3;
        CTextButtonGump b(4 + i * 44, 2, nullptr, 0, 0, nullptr, low ? 2071 : kOk, low ? 2072 : kOkPressed,
                          false);
        b.hoverArt = low ? 2073 : kOkHover;
        b.SetText(labels[i]);
        b.hovered = i == 1;
        b.frameIndex = i == 2 ? 1 : 0;
        sheet.Draw(b);
    }
    sheet.ExpectGolden("text_buttons.ppm");
}

TEST_F(ControlTest, AThumbIsPlacedOnItsTrackAndADragStopsAtTheEnds) {
    RecordingWindow* window = new RecordingWindow(50, 50, 200, 60, 0x0421);
    auto* thumb = new CThumbGump(10, 20, false, 160, window, mkinstall::kControlThumbArt); // 15 wide
    thumb->Attach(window);
    EXPECT_TRUE(thumb->IsThumbGump());
    EXPECT_EQ(thumb->xMax, 145);
    struct Place {
        int value, range, x;
    } places[] = {{0, 10, 10}, {10, 10, 145}, {5, 10, 78}, {20, 10, 145}, {3, 0, 145}, {0, 0, 10}};
    for (const Place& p : places) {
        thumb->SetPosition(p.value, p.range);
        EXPECT_EQ(thumb->x, p.x) << p.value << "/" << p.range;
    }
    thumb->SetPosition(0, 10);
    // Press at (65, 75), drag far right, then far left, release.
    MoveTo(65, 75);
    MouseManager::OnLButtonDown(65, 75);
    MoveTo(125, 75);
    EXPECT_EQ(thumb->x, 70);
    MoveTo(700, 75);
    EXPECT_EQ(thumb->x, 145);
    MoveTo(700, 300);
    EXPECT_EQ(thumb->y, 20);
    MoveTo(-300, 75);
    EXPECT_EQ(thumb->x, 10);
    MouseManager::OnLButtonUp(-300, 75);
    EXPECT_FALSE(thumb->dragging);
    EXPECT_EQ(MouseManager::GetCapture(), nullptr);
    const std::vector<std::string> expected{"move 60/135", "move 135/135", "move 135/135", "move 0/135",
                                            "release 0/135"};
    EXPECT_EQ(window->events, expected);
}

TEST_F(ControlTest, AVerticalThumbFollowsTheLinesOfAList) {
    CThumbGump thumb(0, 10, true, 120, nullptr, mkinstall::kControlThumbArt); // 10 high: y 10..110
    thumb.SyncToTextList({}, 0, 0);
    EXPECT_EQ(thumb.y, 10);
    // Four lines of 10, 20, 30, 40: the third line shown, 5 pixels into it: (30 + 5) / 100.
    thumb.SyncToTextList({10, 20, 30, 40}, 2, 5);
    EXPECT_EQ(thumb.y, 10 + 101 * 35 / 100);
    CThumbGump::TextListSource() = [](CGump*, CThumbGump::TextListView* view) {
        view->lineHeights = {50, 50};
        view->topLine = 1;
        return true;
    };
    thumb.SyncToTextList();
    EXPECT_EQ(thumb.y, 10 + 101 / 2);
    CThumbGump::TextListSource() = nullptr;
}

TEST_F(ControlTest, ThumbPlacesMatchTheGoldenPicture) {
    Sheet sheet(140, 36);
    for (int i = 0; i < 3; ++i) {
        CThumbGump thumb(4, 2 + i * 12, false, 136, nullptr, mkinstall::kControlThumbArt);
        thumb.SetPosition(i * 5, 10);
        sheet.Draw(thumb);
    }
    sheet.ExpectGolden("thumbs.ppm");
}

TEST_F(ControlTest, ATogglesWidthIsArtPlusLabelPlusFourMadeEven) {
    // A label 30 pixels wide in font 0.
    std::string label;
    for (int m = 0; m < 12 && label.empty(); ++m)
        for (int i = 0; i < 12 && label.empty(); ++i)
            for (int a = 0; a < 12 && label.empty(); ++a) {
                const std::string t = std::string(static_cast<size_t>(m), 'm') +
                                      std::string(static_cast<size_t>(i), 'i') +
                                      std::string(static_cast<size_t>(a), 'a');
                int w = 0, h = 0, base = 0;
                FontManager::CalcInfo(0, t.c_str(), &w, &h, &base);
                if (!t.empty() && w == 30) label = t;
            }
    ASSERT_FALSE(label.empty());
    CToggleControlGump toggle(0, 0, nullptr, 210, 211, 0, 0, label.c_str(), false, 212, 213);
    EXPECT_EQ(toggle.width, 50);
    EXPECT_EQ(toggle.height, 15);
    EXPECT_TRUE(toggle.IsPointInside(49, 14));
    EXPECT_FALSE(toggle.IsPointInside(50, 0));
}

TEST_F(ControlTest, AToggleFlipsOnReleaseUnlessReadOnly) {
    RecordingWindow* window = new RecordingWindow(50, 50, 200, 60, 0x0421);
    auto* toggle = new CToggleControlGump(10, 10, window, 210, 211, 1, 0, "Sound", false, 212, 213);
    toggle->Attach(window);
    Click(65, 65);
    EXPECT_TRUE(toggle->checked);
    EXPECT_EQ(window->lastChild, toggle);
    EXPECT_EQ(toggle->Frame(0)->At(5, 5), mkinstall::SampleControlArt(211).pixels[5 * 15 + 5]);
    toggle->readOnly = true;
    toggle->DrawCheckArt();
    EXPECT_EQ(toggle->Frame(0)->At(5, 5), mkinstall::SampleControlArt(213).pixels[5 * 15 + 5]);
    Click(65, 65);
    EXPECT_TRUE(toggle->checked);
    EXPECT_EQ(std::count(window->events.begin(), window->events.end(), "change"), 1);
}

TEST_F(ControlTest, ToggleLooksMatchTheGoldenPicture) {
    Sheet sheet(84, 4 * 19 + 2);
    for (int i = 0; i < 4; ++i) {
        CToggleControlGump t(2, 2 + i * 19, nullptr, 210, 211, 1, 0, "Label", i == 1, 212, 213);
        t.hoverUncheckedArt = 214;
        t.hoverCheckedArt = 215;
        if (i == 2) {
            t.readOnly = true;
            t.DrawCheckArt();
        }
        if (i == 3) t.HandleMouseMove(1, 1);
        sheet.Draw(t);
    }
    sheet.ExpectGolden("toggles.ppm");
}
