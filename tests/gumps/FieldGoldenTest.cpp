// Golden pictures of the text fields, lists, the edit list, barks and the input lines.
#include "core/SharedServices.h"
#include "gumps/Barks.h"
#include "gumps/ChoiceLists.h"
#include "gumps/EditLists.h"
#include "gumps/FieldFixture.h"
#include "gumps/ListBoxes.h"
#include "mkinstall/FieldArts.h"

#include <gtest/gtest.h>

using namespace gumptest;

namespace {

// A window at the origin as big as the sheet, so that screen and window coordinates agree.
CGump* Canvas(int w, int h) {
    return new TestGump(0, 0, w, h, 0x0842);
}

} // namespace

TEST_F(ControlTest, GoldenFields) {
    SeedRandom(23);
    Sheet sheet(320, 260);
    CGump* canvas = Canvas(320, 260);
    // Focused, typed past its width, caret moved back: the view is scrolled and the caret mid-text.
    auto* typed = new CInputControlGump(5, 5, canvas, mkinstall::kFieldArt, 2444, FieldMode::Text, 60, 1, 902,
                                        true, false, 0);
    typed->Attach(canvas);
    CGumpManager::SetFocus(typed);
    for (char c : std::string("the quick brown fox jumps over the lazy dog"))
        typed->HandleKey(static_cast<unsigned char>(c));
    for (int i = 0; i < 6; ++i)
        typed->HandleKey(FieldKey::Left);
    EXPECT_GT(typed->firstShown, 0);
    EXPECT_EQ(typed->caret, typed->Length() - 6);
    auto* secret = new CInputControlGump(5, 30, canvas, mkinstall::kFieldArt, 2444, FieldMode::Text, 20, 1,
                                         902, true, false, 0);
    secret->password = true;
    SetFieldText(*secret, "hunter2");
    secret->Redraw();
    secret->Attach(canvas);
    // Centred drop-downs with each arrow art: 2445, 2446, and the small arrow of any other art.
    int y = 55;
    for (int art : {2445, 2446, mkinstall::kFieldArt}) {
        auto* drop =
            new CInputControlGump(5, y, canvas, art, 2444, FieldMode::DropDown, 40, 1, 902, false, true, 0);
        SetFieldText(*drop, "Choose");
        drop->Redraw();
        drop->Attach(canvas);
        y += 25;
    }
    auto* disabled = new CInputControlGump(5, y, canvas, mkinstall::kFieldArt, 2444, FieldMode::DropDown, 80,
                                           1, 902, false, true, 0);
    disabled->disabled = true;
    SetFieldText(*disabled, "a text far too wide for the disabled field");
    disabled->Redraw();
    disabled->Attach(canvas);
    auto* multi =
        new CInputControlGump(160, 5, canvas, 150, 60, FieldMode::Text, 120, 1, 902, true, false, false);
    multi->multiLine = true;
    multi->noBackground = false;
    multi->gumpArt = 9304;
    SetFieldText(*multi, "several words that wrap inside the multi-line field");
    multi->Redraw();
    multi->Attach(canvas);
    auto* framed = new CFramedInputControlGump(160, 75, canvas, 150, 30, FieldMode::Text, 20, 1, 902, true,
                                               false, false);
    framed->hoverHue = 53;
    framed->markedHue = 33;
    SetFieldText(*framed, "hovered");
    framed->HandleMouseMove(5, 5);
    auto* marked = new CFramedInputControlGump(160, 110, canvas, 150, 30, FieldMode::Text, 20, 1, 902, true,
                                               false, false);
    marked->markedHue = 33;
    marked->marked = true;
    SetFieldText(*marked, "marked");
    marked->Redraw();
    framed->Attach(canvas);
    marked->Attach(canvas);
    auto* number = new CUnicodeInputControlGump(160, 150, canvas, mkinstall::kFieldArt, 2444,
                                                FieldMode::Number, 99999, 1, 38, true, false, 0);
    number->value = 4096;
    number->Redraw();
    number->Attach(canvas);
    sheet.Draw(*canvas);
    sheet.ExpectGolden("fields.ppm");
}

TEST_F(ControlTest, GoldenLists) {
    SeedRandom(23); // the frames' ornaments
    Sheet sheet(640, 400);
    CGump* canvas = Canvas(640, 400);
    auto* choice = new CScrollChoiceGump(canvas, 9300, 5, 5, 220, 130, nullptr, false, false);
    for (int i = 0; i < 8; ++i)
        choice->AddRow(i,
                       i == 2 ? "a row text much too long for the list's columns"
                              : ("row " + std::to_string(i)).c_str(),
                       i == 4 ? 38 : 0, nullptr, nullptr);
    choice->hoverRow = 1;
    choice->Redraw();
    choice->Attach(canvas);
    auto* shards = new CScrollChoiceGump(canvas, 9300, 230, 5, 400, 200, nullptr, true, false);
    shards->marks = {1, 2, 3};
    for (int i = 0; i < 5; ++i)
        shards->AddRow(i, ("Shard " + std::to_string(i)).c_str(), 0, "-5", "12%");
    shards->hoverRow = 0;
    shards->Redraw();
    shards->Attach(canvas);
    auto* panel = new CPanelChoiceGump(5, 145, 150, 80, canvas, nullptr, mkinstall::kPanelArt, false);
    panel->AddRow(1, "Panel one", 0);
    panel->AddRow(2, "Panel two", 38);
    panel->hoverRow = 0;
    panel->Redraw();
    panel->Attach(canvas);
    auto* box = new CListBoxControlGump(170, 235, mkinstall::kListStripArt, 0, 0, 1, 902, 5);
    for (int i = 0; i < 12; ++i)
        box->AddItem(i, ("item " + std::to_string(i)).c_str());
    box->firstVisible = 3;
    box->selected = 5;
    box->visible = true;
    box->Redraw(-1);
    box->Attach(canvas);
    auto* drop = new CDropDownListGump(330, 235, 9300, 200, 4 * 14 + 6, canvas, 1, 902, 0);
    for (const char* t : {"short", "medium hair", "long hair", "a very long hairstyle name"})
        drop->AddItem(0, t);
    drop->selected = 1;
    drop->visible = true;
    drop->Redraw(-1);
    drop->Attach(canvas);
    auto* edit = new CUnicodeEditListGump(455, 235, canvas, 0, mkinstall::kEditListArt, 10, 20);
    for (const char16_t* t : {u"apple", u"banana", u"cherry", u"date", u"elder"})
        edit->AddLine(t, 0);
    edit->Attach(canvas);
    edit->HandleChildMouseDown(edit->Row(1));
    sheet.Draw(*canvas);
    sheet.ExpectGolden("lists.ppm");
}

TEST_F(ControlTest, GoldenBarksAndInputLines) {
    GraphicManager::SetScreenSize(800, 600);
    World().mobiles = {1, 2, 3};
    const std::map<uint32_t, Rect> places{
        {1, {60, 120, 80, 160}}, {2, {200, 120, 220, 160}}, {3, {203, 126, 223, 166}}};
    GumpWorld().screenRect = [places](uint32_t s, Rect* r) {
        const auto it = places.find(s);
        if (it == places.end()) return false;
        *r = it->second;
        return true;
    };
    CBarkGump::Create(1, "oldest", 0, 3, nullptr, 0);
    CBarkGump::Create(1, "middle", 38, 3, nullptr, 0);
    CBarkGump::Create(1, "newest", 53, 3, nullptr, 0);
    CUnicodeBarkGump::Create(2, u"under", 38, 0, nullptr, nullptr, 0);
    CUnicodeBarkGump::Create(3, u"over it", 88, 0, nullptr, nullptr, 0);
    auto* narrow = new CInputGump("typing a line", 902, 3, false);
    auto* wide = new CInputGump(u"typing UTF-16", 38);
    Sheet sheet(320, 170);
    for (CGump* g = CGumpManager::TopLevel().last; g; g = g->previous())
        if (g != narrow && g != wide) sheet.Draw(*g);
    sheet.Put(*narrow->Frame(0), 5, 140);
    sheet.Put(*wide->Frame(0), 150, 140);
    sheet.ExpectGolden("barks.ppm");
}
