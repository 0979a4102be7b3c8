#include "gumplab/InputsScene.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "gumps/Barks.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChoiceLists.h"
#include "gumps/EditLists.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/GumpWorld.h"
#include "gumps/InputControls.h"
#include "gumps/ListBoxes.h"
#include "gumps/MouseManager.h"
#include "platform/headless.h"
#include "platform/platform.h"
#include "render/GraphicManager.h"
#include "text/FontManager.h"

#include <string>

namespace gumplab {
namespace {

constexpr int kFrameArt = 9300, kFieldArt = 2443, kListArt = 2485, kEditListArt = 9401;

// A framed window holding every kind of field; Tab moves the focus along its editable fields and
// its drop-down fields open the three kinds of list.
class InputsWindow : public CGump {
  public:
    InputsWindow() : CGump(InputsLayout::kWindowX, InputsLayout::kWindowY, 0, 1, 0, 0) {
        width = InputsLayout::kWindowW;
        height = InputsLayout::kWindowH;
        PixelBlock& block = SetFrame(0, PixelBlock(width, height));
        SeedRandom(23);
        DrawGumpFrame(kFrameArt, block, false);
        const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
        FontManager::DrawString(20, 16, 1, 902, "Fields", target, kNoClip);
        Attach(nullptr);
    }
    void HandleLButtonDown(int x_, int y_) override { DialogBeginDrag(this, drag_, x_, y_); }
    void HandleCaptureMove(int x_, int y_) override { DialogDrag(this, drag_, x_, y_); }
    void HandleLButtonUp(int, int) override { DialogEndDrag(this, drag_); }
    void HandleTabKey() override {
        CGump* focus = CGumpManager::GetFocus();
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i] == focus) {
                CGumpManager::KillFocus();
                CGumpManager::SetFocus(order[(i + 1) % order.size()]);
                return;
            }
    }
    void HandleEnterKey() override { QVReport::message("gumplab: enter\n"); }
    void HandleChildChange(CGump* child) override {
        if (auto* f = gump_cast<CInputControlGump>(child))
            QVReport::message("gumplab: field \"%s\" value %d\n", f->Text(), f->value);
    }
    void HandleChildDropDown(CGump* child) override {
        auto* field = gump_cast<CInputControlGump>(child);
        if (!field) return;
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(field, &sx, &sy);
        if (field == listBoxField) {
            auto* list = new CListBoxControlGump(sx, sy + field->height + 1, kListArt, 0, 0, 1, 902, 6);
            const char* names[] = {"North",      "North-east", "East",       "South-east", "South",
                                   "South-west", "West",       "North-west", "Up",         "Down"};
            for (int i = 0; i < 10; ++i)
                list->AddItem(i, names[i]);
            Open(list, field);
        } else if (field == dropListField) {
            auto* list = new CDropDownListGump(sx, sy + field->height + 1, kFrameArt, field->width,
                                               4 * 14 + 4, this, 1, 902, 0);
            for (const char* t : {"Short", "Long", "Ponytail", "Receding"})
                list->AddItem(list->itemCount, t);
            Open(list, field);
        } else if (field == choiceField) {
            auto* list = new CScrollChoiceGump(this, kFrameArt, sx, sy + field->height + 1, 200, 110, field,
                                               false, false);
            for (int i = 0; i < 12; ++i)
                list->AddRow(i, ("Skill " + std::to_string(i)).c_str(), 0, nullptr, nullptr);
            list->Redraw();
            list->Attach(nullptr);
        }
    }

    std::vector<CGump*> order;
    CInputControlGump* listBoxField = nullptr;
    CInputControlGump* dropListField = nullptr;
    CInputControlGump* choiceField = nullptr;

  private:
    static void Open(CListBoxControlGump* list, CInputControlGump* field) { list->OpenFor(field); }
    DialogDragState drag_;
};

template <typename T> T* Add(CGump* parent, T* control) {
    control->Attach(parent);
    return control;
}

// A stand-in speaker: a small figure barks stand over.
class Speaker : public CGump {
  public:
    Speaker() : CGump(InputsLayout::kSpeakerX, InputsLayout::kSpeakerY, 0, 1, 20, 40) {
        SetKind(GumpKind::Other, GumpTrait::Transparency);
        PixelBlock& block = SetFrame(0, PixelBlock(20, 40));
        for (int y_ = 0; y_ < 40; ++y_)
            for (int x_ = 0; x_ < 20; ++x_)
                block.At(x_, y_) =
                    (x_ - 10) * (x_ - 10) + (y_ < 10 ? (y_ - 5) * (y_ - 5) * 4 : 0) < 50 ? 0x5294 : 0;
        Attach(nullptr);
    }
};

} // namespace

void BuildInputsScene() {
    using L = InputsLayout;
    GraphicManager::SetScreenSize(640, 480);
    auto* window = new InputsWindow();
    const int ox = L::kWindowX, oy = L::kWindowY;
    auto* text = Add(window, new CInputControlGump(L::kTextX - ox, L::kTextY - oy, window, kFieldArt, 2444,
                                                   FieldMode::Text, 40, 1, 902, true, false, 0));
    text->nameFilter = true;
    text->pickMobile = true;
    auto* wide = Add(window, new CUnicodeInputControlGump(L::kWideX - ox, L::kWideY - oy, window, kFieldArt,
                                                          2444, FieldMode::Text, 40, 1, 902, true, false, 0));
    auto* secret = Add(window, new CInputControlGump(20, 90, window, kFieldArt, 2444, FieldMode::Text, 16, 1,
                                                     902, true, false, 0));
    secret->password = true;
    secret->SetText("secret");
    secret->Redraw();
    auto* number = Add(window, new CUnicodeInputControlGump(20, 120, window, kFieldArt, 2444,
                                                            FieldMode::Number, 65535, 1, 38, true, false, 0));
    number->value = 1200;
    number->Redraw();
    window->listBoxField =
        Add(window, new CInputControlGump(L::kDropX - ox, L::kDropY - oy, window, 2445, 2444,
                                          FieldMode::DropDown, 20, 1, 902, false, true, 0));
    window->listBoxField->SetText("Direction");
    window->listBoxField->Redraw();
    window->dropListField =
        Add(window, new CInputControlGump(140, 150, window, 2446, 2444, FieldMode::DropDown, 20, 1, 902,
                                          false, true, 0));
    window->dropListField->SetText("Hair");
    window->dropListField->Redraw();
    window->choiceField = Add(window, new CInputControlGump(20, 190, window, kFieldArt, 2444,
                                                            FieldMode::DropDown, 20, 1, 902, false, true, 0));
    window->choiceField->SetText("Skill");
    window->choiceField->Redraw();
    auto* off = Add(window, new CInputControlGump(20, 230, window, kFieldArt, 2444, FieldMode::DropDown, 60,
                                                  1, 902, false, true, 0));
    off->disabled = true;
    off->SetText("a disabled choice that is far too long");
    off->Redraw();
    auto* framed = Add(window, new CFramedInputControlGump(180, 20, window, 180, 30, FieldMode::Text, 30, 1,
                                                           902, true, false, false));
    framed->hoverHue = 53;
    framed->leftMargin = 7;
    auto* multi = Add(window, new CInputControlGump(180, 60, window, 180, 60, FieldMode::Text, 120, 1, 902,
                                                    true, false, false));
    multi->multiLine = true;
    multi->SetText("a multi-line field wraps its words");
    multi->Redraw();
    auto* edit = Add(window, new CUnicodeEditListGump(400, 20, window, 0, kEditListArt, 8, 30));
    for (const char16_t* t : {u"first word", u"second", u"third", u""})
        edit->AddLine(t, 0);
    window->order = {text, wide, secret, number, framed, multi};

    // Barks over the speaker, a system line and both input lines.
    new Speaker();
    GumpWorld().isMobile = [](uint32_t s) { return s == L::kSpeaker; };
    GumpWorld().exists = [](uint32_t s) { return s != 0; };
    GumpWorld().screenRect = [](uint32_t s, Rect* r) {
        if (s != L::kSpeaker) return false;
        *r = Rect{L::kSpeakerX, L::kSpeakerY, L::kSpeakerX + 20, L::kSpeakerY + 40};
        return true;
    };
    BarkTimeModifier = 1000; // long enough to look at
    CBarkGump::Create(L::kSpeaker, "Hail, traveller.", 53, 3, nullptr, 0);
    CBarkGump::Create(L::kSpeaker, "Fine weather for a walk through the hills today.", 38, 3, nullptr, 0);
    CUnicodeBarkGump::Create(L::kSpeaker, u"Gr\u00fc\u00dfe!", 88, 0, "deu", nullptr, 0);
    CBarkGump::Create(0, "A system line.", 0, 3, nullptr, 0);
    new CInputGump("typed so far", 902, 3, false);
}

void InputsScript(void (*frames)(int count)) {
    namespace h = platform::headless;
    using L = InputsLayout;
    frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kTextX + 5, L::kTextY + 5);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kTextX + 5, L::kTextY + 5, 1);
    h::PushMouse(platform::WM_LBUTTONUP, L::kTextX + 5, L::kTextY + 5);
    frames(1);
    for (char c : std::string("Hello"))
        h::PushChar(static_cast<char16_t>(c));
    h::PushChar(9);
    for (char16_t u : std::u16string(u"\u00e9t\u00e9"))
        h::PushChar(u);
    frames(2);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kDropX + 5, L::kDropY + 5);
    h::PushMouse(platform::WM_LBUTTONDOWN, L::kDropX + 5, L::kDropY + 5, 1);
    frames(1);
    h::PushMouse(platform::WM_MOUSEMOVE, L::kListX + 20, L::kListY + 6 + 2 * 14 + 5, 1);
    frames(1);
    h::PushMouse(platform::WM_LBUTTONUP, L::kListX + 20, L::kListY + 6 + 2 * 14 + 5);
    frames(2);
}

} // namespace gumplab
