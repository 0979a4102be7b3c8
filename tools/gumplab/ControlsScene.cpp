#include "gumplab/ControlsScene.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/MessageGumps.h"
#include "render/GumpArt.h"
#include "text/FontManager.h"

#include <vector>

namespace gumplab {
namespace {

constexpr int kFrameArt = 9300, kBarArt = 9350, kThumbArt = 254;

// A framed window dragged by its body; its plain buttons blink through UpdateChildren.
class ControlsWindow : public CGump {
  public:
    ControlsWindow() : CGump(ControlsLayout::kWindowX, ControlsLayout::kWindowY, 0, 1, 0, 0) {
        width = ControlsLayout::kWindowW;
        height = ControlsLayout::kWindowH;
        PixelBlock& block = SetFrame(0, PixelBlock(width, height));
        SeedRandom(22);
        DrawGumpFrame(kFrameArt, block, false);
        // The thumb's track: a three-piece bar; a scroll track down the right side.
        PixelBlock bar(280, 12);
        DrawGumpArtHBar(kBarArt, bar);
        BlitPixelBlock(CopySpanKeyed, bar.pixels.data(), bar.width, bar.height, 20, 130, block.pixels.data(),
                       block.width, block.height);
        TileGumpArtDown(block, 256, 560, 40, 200);
        BlendHighlightBar(20, 250, 260, kBarArt, block);
        const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
        FontManager::DrawString(20, 24, 1, 902, "Buttons", target, kNoClip);
        FontManager::DrawString(20, 236, 0, 902, "Highlighted row", target, kNoClip);
        Attach(nullptr);
    }
    void HandleLButtonDown(int x_, int y_) override { DialogBeginDrag(this, drag_, x_, y_); }
    void HandleCaptureMove(int x_, int y_) override { DialogDrag(this, drag_, x_, y_); }
    void HandleLButtonUp(int, int) override { DialogEndDrag(this, drag_); }
    void Update() override { UpdateChildren(); }
    void HandleChildChange(CGump* child) override {
        if (auto* t = gump_cast<CToggleControlGump>(child))
            QVReport::message("gumplab: toggle %s\n", t->checked ? "checked" : "unchecked");
    }
    void HandleThumbRelease(int position, int range, CGump*) override {
        QVReport::message("gumplab: thumb at %d of %d\n", position, range);
    }

  private:
    DialogDragState drag_;
};

template <typename T> T* Add(CGump* parent, T* control) {
    control->Attach(parent);
    return control;
}

void Fired(CGump*) {
    QVReport::message("gumplab: button fired\n");
}

} // namespace

void BuildControlsScene() {
    using L = ControlsLayout;
    auto* window = new ControlsWindow();
    // Release, toggle, auto-repeat, disabled and blinking buttons.
    for (int i = 0; i < 5; ++i) {
        const int kind = i < 3 ? i : 0;
        auto* b = Add(window, new CButtonGump(20 + i * 50, 40, window, kind, 0, Fired, 1153, 1155, false));
        b->hoverArt = 1154;
        b->disabled = i == 3;
        if (i == 4) b->blinkArt = 1151;
    }
    auto* ask =
        Add(window, new CTextButtonGump(
                        L::kAskX - L::kWindowX, L::kAskY - L::kWindowY, window, 0, 0,
                        [](CGump* w) {
                            new CYesNoGump(
                                "Really close the shop for the night?", [](CGump* box) { box->Close(); },
                                [](CGump* box) { box->Close(); }, w);
                        },
                        1153, 1155, false));
    ask->hoverArt = 1154;
    ask->SetText(u"Ask");
    auto* note = Add(window, new CTextButtonGump(
                                 L::kNoteX - L::kWindowX, L::kNoteY - L::kWindowY, window, 0, 0,
                                 [](CGump* w) { CGumpManager::ShowModalMessage("Connection lost", w, 1, 0); },
                                 1153, 1155, false));
    note->hoverArt = 1154;
    note->SetText(u"Note");
    auto* yes = Add(window, new CTextButtonGump(120, 82, window, 0, 0, Fired, 2071, 2072, false));
    yes->hoverArt = 2073;
    yes->SetText(u"Yes");
    Add(window,
        new CThumbGump(L::kThumbX - L::kWindowX, L::kThumbY - L::kWindowY, false, 300, window, kThumbArt));
    const char* labels[3] = {"Sound", "Music", "Fixed"};
    for (int i = 0; i < 3; ++i) {
        auto* t =
            Add(window, new CToggleControlGump(L::kToggleX - L::kWindowX + i * 110, L::kToggleY - L::kWindowY,
                                               window, 210, 211, 1, 0, labels[i], i == 1, 212, 213));
        t->hoverUncheckedArt = 214;
        t->hoverCheckedArt = 215;
        if (i == 2) {
            t->readOnly = true;
            t->DrawCheckArt();
        }
    }
    std::vector<uint16_t> glass(120 * 60, 0x03FF);
    auto* picture = Add(window, new CDumbGump(380, 40, window, 120, 60, 0, glass.data(), -1));
    picture->translucent = true;
    (new CSignGump(330, 330, 4, 0, "A sign: drag it, or close it with a right click.", 0))->Attach(nullptr);
}

} // namespace gumplab
