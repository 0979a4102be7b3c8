#include "frontend/ProfessionGump.h"

#include "core/QVReport.h"
#include "frontend/CharacterSelection.h"
#include "frontend/Creation.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/HTMLBox.h"
#include "gumps/InputControls.h"
#include "gumps/MouseManager.h"
#include "net/AppLink.h"
#include "platform/platform.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "windows/SkillTable.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kPictureArt = 5504;
constexpr int kButtonArt = 1417;

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
}

void PutArt(PixelBlock& block, int art, int x, int y, bool keyed) {
    DrawGumpArt(keyed ? CopySpanKeyed : CopySpan, art, x, y, block.pixels.data(), block.width, block.height);
}

CButtonGump* AddButton(CGump* parent, int x, int y, int art, int hover, int pressed,
                       ButtonCallback callback) {
    auto* button =
        new CButtonGump(x, y, parent, CButtonGump::Release, 0, std::move(callback), art, pressed, false);
    button->hoverArt = hover;
    button->Attach(parent);
    return button;
}

LanguageSection* ProfessionTexts() {
    return LanguageManager::loadSection("professn", nullptr, "professn", false, false);
}

std::string Narrow(const CWideString* text) {
    std::string out;
    if (!text) return out;
    for (const char16_t* p = text->GetText(); p && *p; ++p)
        out += *p < 0x100 ? static_cast<char>(*p) : '?';
    return out;
}

} // namespace

GumpRef<ProfessionGump>& ProfessionScreen() {
    static GumpRef<ProfessionGump> screen;
    return screen;
}

bool& ProfessionCustomMode() {
    static bool custom = false;
    return custom;
}

PacketManager::CreationChoices& CreationDraft() {
    static PacketManager::CreationChoices draft;
    return draft;
}

// ------------------------------------------------------------------ SliderGroup

void SliderGroup::Notify(int id) {
    for (CSliderGump* s : sliders)
        if (s->id == id) Balance(s);
    if (listener) listener->OnNotify(code);
    lastMoved = id;
}

void SliderGroup::Balance(CSliderGump* moved) {
    std::vector<CSliderGump*> others;
    for (CSliderGump* s : sliders)
        if (s != moved) others.push_back(s);
    if (others.size() != 2) return;
    BalanceSliders(moved->slider, others[0]->slider, others[1]->slider, total, minimumTotal);
    for (CSliderGump* s : sliders)
        s->MoveThumb();
}

// ------------------------------------------------------------------ CSliderGump

CSliderGump::CSliderGump(int x_, int y_, CGump* parent, int id_, SliderGroup* group_, int minimum,
                         int maximum, int value)
    : CGump(x_, y_, 0, 1, 0, 0), id(id_), group(group_), slider{minimum, maximum, value} {
    debugName = "slidergump";
    int w213 = 0, w214 = 0, w215 = 0, h = 0;
    GetGumpArtSize(213, &w213, &h);
    GetGumpArtSize(214, &w214, &h);
    GetGumpArtSize(215, &w215, &h);
    int th = 0, tw = 0;
    GetGumpArtSize(216, &tw, &th);
    // The thumb runs 96 pixels whatever the track's arts measure: the slider holds all of its way.
    width = std::max(w213 + 3 * w214 + w215, kTrack + tw);
    height = std::max(h, th);
    PixelBlock& block = SetFrame(0, PixelBlock(std::max(1, width), std::max(1, height)));
    int at = 0;
    const int top = (height - h) / 2;
    PutArt(block, 213, at, top, true);
    at += w213;
    for (int i = 0; i < 3; ++i, at += w214)
        PutArt(block, 214, at, top, true);
    PutArt(block, 215, at, top, true);
    Attach(parent);
    thumb = new CThumbGump(0, 0, false, kTrack + std::max(1, tw), this, 216);
    thumb->xMin = 0;
    thumb->xMax = kTrack;
    thumb->Attach(this);
    if (group) group->sliders.push_back(this);
    MoveThumb();
}

void CSliderGump::SetValue(int value) {
    slider.value = std::clamp(value, slider.minimum, slider.maximum);
}

void CSliderGump::MoveThumb() {
    if (thumb) thumb->x = SliderThumbX(slider);
}

void CSliderGump::HandleThumbMove(int position, int, CGump*) {
    const int value = SliderValueAt(slider, position);
    if (value == slider.value) return;
    slider.value = value;
    if (group) group->Notify(id);
}

void CSliderGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (!visible) return;
    CGump::Draw(target, clip);
}

bool CSliderGump::IsPointInside(int px, int py) {
    return visible && px >= 0 && py >= 0 && px < width && py < height;
}

// ------------------------------------------------------------------ CProfessionButton

CProfessionButton::CProfessionButton(int x_, int y_, ProfessionGump* owner_, const ProfessionRecord* record_)
    : CGump(x_, y_, 0, 1, 0, 0), record(record_), owner(owner_) {
    debugName = "profession button";
    GetGumpArtSize(kButtonArt, &width, &height);
    SetFrame(0, PixelBlock(std::max(1, width), std::max(1, height)));
    Redraw();
}

void CProfessionButton::Redraw() {
    PixelBlock& block = *Frame(0);
    block.Clear();
    PutArt(block, kButtonArt, 0, 0, false);
    const int art = record ? record->pictureArt + (pressed ? 1 : 0) : (pressed ? 5506 : kPictureArt);
    PutArt(block, art, 9, 8, true);
}

void CProfessionButton::HandleLButtonDown(int, int) {
    pressed = true;
    Redraw();
}

void CProfessionButton::HandleLButtonUp(int, int) {
    pressed = false;
    MouseManager::ReleaseCaptureOf(this);
    Redraw();
    if (owner) owner->OnProfessionButton(this);
}

void CProfessionButton::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CProfessionButton::IsPointInside(int px, int py) {
    return visible && px >= 0 && py >= 0 && px < width && py < height;
}

// ------------------------------------------------------------------ CSkillChoiceGump

CSkillChoiceGump::CSkillChoiceGump(ProfessionGump* owner, int x_, int y_)
    : CScrollChoiceGump(owner, 3000, x_, y_, 224, 214, nullptr, false, false), screen(owner) {
    debugName = "skill choice";
}

void CSkillChoiceGump::ActivateRow(int px, int py) {
    const int row = RowAt(px, py, false);
    if (row < 0 || row >= rows.count) return;
    // A hidden list lets go of the mouse: the press is over.
    visible = false;
    pressed = false;
    MouseManager::ReleaseCaptureOf(this);
    chosenRow = rows.ids[static_cast<size_t>(row)];
    if (screen) screen->OnNotify(10);
}

void CSkillChoiceGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (visible) CScrollChoiceGump::Draw(target, clip);
}

void ScrollChoiceLineUp(CGump* list) {
    auto* l = dynamic_cast<CScrollChoiceGump*>(list);
    if (l && l->topRow > 0) l->ScrollBy(-1);
}

void ScrollChoiceLineDown(CGump* list) {
    auto* l = dynamic_cast<CScrollChoiceGump*>(list);
    if (l && l->topRow < l->rows.count - 1) l->ScrollBy(1);
}

// ------------------------------------------------------------------ ProfessionGump

ProfessionGump::ProfessionGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::Normal, GumpTrait::Transparency);
    debugName = "profession gump";
    tooltipId = -1;
    AddFrontEndButtons(this);
    SetFrame(0, PixelBlock(640, 480));
    professions = LoadProfessions();
    Redraw();
    UpdateDescription();
    AddButton(this, 200, 356, 4506, 4509, 4510, [](CGump* p) {
        if (auto* s = dynamic_cast<ProfessionGump*>(p)) s->OnNotify(0);
    });
    sliders[0] = new CSliderGump(500, 137, this, 1, &attributes, 10, 60, 60);
    sliders[1] = new CSliderGump(500, 167, this, 2, &attributes, 10, 60, 10);
    sliders[2] = new CSliderGump(500, 197, this, 3, &attributes, 10, 60, 10);
    sliders[3] = new CSliderGump(500, 256, this, 4, &skills, 0, 50, 50);
    sliders[4] = new CSliderGump(500, 289, this, 5, &skills, 0, 50, 50);
    sliders[5] = new CSliderGump(500, 319, this, 6, &skills, 0, 50, 0);
    const int fieldY[3] = {256, 289, 319};
    for (int i = 0; i < 3; ++i) {
        auto* field = new CFramedInputControlGump(350, fieldY[i], this, 105, 25, FieldMode::Text, 30, 1, 902,
                                                  false, false, false);
        field->hoverHue = 696;
        field->markedHue = 35;
        field->SetText("Click here");
        field->Redraw();
        field->Attach(this);
        skillFields[static_cast<size_t>(i)] = field;
    }
    skillList = new CSkillChoiceGump(this, 120, 137);
    // Rows a line of the row font apart, however short the font's own figure.
    int textWidth = 0, textHeight = 0, textBase = 0;
    FontManager::CalcInfo(skillList->rowFont, "Ag", &textWidth, &textHeight, &textBase);
    skillList->rowHeight = std::max(skillList->rowHeight, textHeight + 2);
    const SkillTableData& table = SkillTable();
    for (int i = 0; i < table.count; ++i) {
        const int skill = table.order[static_cast<size_t>(i)];
        if (IsSkillSelectable(skill)) skillList->AddRow(i, SkillName(skill), 902, nullptr, nullptr);
    }
    skillList->Redraw();
    skillList->visible = false;
    skillList->Attach(this);
    AddButton(this, 610, 445, 5540, 5541, 5542, ProfessionNext);
    AddButton(this, 586, 445, 5537, 5538, 5539, CancelCharacterCreation);
    ShowNode(nullptr);
    chosenSkills = {0, 0, 0};
    for (auto& s : CreationDraft().skills)
        s.index = 0;
    ProfessionScreen() = this;
}

ProfessionGump::~ProfessionGump() = default;

void ProfessionGump::SetStatsShown(bool shown) {
    statsShown = shown;
    for (CSliderGump* s : sliders)
        if (s) s->visible = shown;
}

void ProfessionGump::ClearButtons() {
    for (CProfessionButton* b : buttons)
        b->Close();
    buttons.clear();
}

void ProfessionGump::ShowNode(const ProfessionRecord* record) {
    SetStatsShown(false);
    for (auto* f : skillFields)
        if (f) f->visible = false;
    ProfessionCustomMode() = false;
    ClearButtons();
    auto add = [this](const ProfessionRecord* r) {
        auto* b = new CProfessionButton(500, 100 + 79 * static_cast<int>(buttons.size()), this, r);
        b->Attach(this);
        buttons.push_back(b);
    };
    if (!record) {
        for (const auto& r : professions)
            if (r->topLevel) add(r.get());
        add(nullptr);
    } else if (record->category) {
        for (const std::string& child : record->children) {
            const ProfessionRecord* r = FindProfession(professions, child);
            if (!r) {
                char text[300];
                std::snprintf(
                    text, sizeof text,
                    "Couldn't find Profession %.127s in profession.txt.  Please insure that QV is fully "
                    "installed on your computer.",
                    child.c_str());
                platform::ShowMessageBox(text, "Profession Gump");
                break;
            }
            add(r);
        }
    } else {
        SetStatsShown(true);
        sliders[0]->SetValue(record->strength);
        sliders[1]->SetValue(record->dexterity);
        sliders[2]->SetValue(record->intelligence);
        for (size_t i = 0; i < 3; ++i) {
            const bool has = i < record->skills.size();
            sliders[3 + i]->SetValue(has ? record->skills[i].value : 0);
            chosenSkills[i] = has ? record->skills[i].index : 0;
        }
        for (CSliderGump* s : sliders)
            s->MoveThumb();
        lastDescription = record->description;
    }
    Redraw();
}

void ProfessionGump::Redraw() {
    PixelBlock& block = *Frame(0);
    block.Clear();
    DrawGumpFrameRect(80, 80, 546, 352, 2600, block, true);
    PutArt(block, 1419, 145, 57, false);
    PutArt(block, kButtonArt, 222, 44, true);
    const BlitTarget target = TargetOf(block);
    const Rect clip{0, 0, 640, 480};
    if (statsShown) {
        const char* names[3] = {"Strength", "Dexterity", "Intelligence"};
        for (int i = 0; i < 3; ++i) {
            char value[16];
            std::snprintf(value, sizeof value, "%d", sliders[static_cast<size_t>(i)]->slider.value);
            FontManager::DrawString(360, 146 + 30 * i, 1, 1, names[i], target, clip);
            FontManager::DrawString(460, 146 + 30 * i, 1, 1, value, target, clip);
        }
        const int skillY[3] = {270, 303, 333};
        for (size_t i = 0; i < 3; ++i) {
            char value[16];
            std::snprintf(value, sizeof value, "%d", sliders[3 + i]->slider.value);
            const Rect nameClip{360, 0, 440, 480};
            FontManager::DrawString(360, skillY[i], 1, 1, SkillName(chosenSkills[i]), target, nameClip);
            FontManager::DrawString(460, skillY[i], 1, 1, value, target, clip);
        }
    }
    LanguageSection* texts = ProfessionTexts();
    for (CProfessionButton* b : buttons) {
        const int entry = b->record ? b->record->description + 1 : 0;
        std::string title = texts ? Narrow(texts->getStr(entry, true)) : std::string();
        if (title.empty()) title = b->record ? b->record->displayName : "Advanced";
        int widest = 0, h = 0, base = 0;
        FontManager::CalcInfoWrap(1, title.c_str(), 145, &widest, &h, &base, 0);
        FontManager::DrawstringBuf(b->x - 145, b->y + (85 - h) / 2, 1, 1, title.c_str(), 145, target, clip, 0,
                                   0, false);
    }
    PutArt(block, current ? current->pictureArt : kPictureArt, 231, 51, true);
}

std::u16string ProfessionGump::GetDescription(int title) const {
    LanguageSection* texts = ProfessionTexts();
    if (!texts) return {};
    const int count = texts->getCount();
    int empty = -1;
    for (int i = 0; i < count && empty < 0; ++i) {
        const CWideString* s = texts->getStr(i, true);
        if (!s || s->GetLength() == 0) empty = i;
    }
    // Without the empty entry, or past the section's end, there is no text to read.
    if (empty < 0) return {};
    auto entry = [&](int i) -> std::u16string {
        if (i < 0 || i >= count) return {};
        const CWideString* s = texts->getStr(i, true);
        return s && s->GetText() ? std::u16string(s->GetText()) : std::u16string();
    };
    if (title < 0) return entry(empty + 1);
    if (title >= empty || empty + 2 + title >= count) return {};
    return entry(title) + u"\n" + entry(empty + 2 + title);
}

void ProfessionGump::UpdateDescription() {
    if (!ProfessionTexts()) return;
    const int title = ProfessionCustomMode() ? 0 : current ? current->description + 1 : -1;
    const std::u16string text = GetDescription(title);
    if (description) description->Close();
    description = new HTMLBox(this, 0, 0x2022, false, true);
    description->SetRect({120, 137, 219, 214});
    description->SetText(text.c_str(), 1);
}

void ProfessionGump::OnProfessionButton(CProfessionButton* button) {
    if (button->record) {
        const ProfessionRecord* record = button->record;
        ShowNode(record);
        if (current != record) previous = current;
        current = record;
        if (!record->category) {
            UpdateDescription();
            Redraw();
            ProfessionNext(this);
            return;
        }
    } else {
        ProfessionCustomMode() = true;
        ClearButtons();
        SetStatsShown(true);
        for (auto* f : skillFields) {
            f->visible = true;
            f->SetText("Click here");
            f->Redraw();
        }
        chosenSkills = {0, 0, 0};
        if (description) description->Close();
        description = nullptr;
        Redraw();
        ProfessionCustomMode() = true;
    }
    UpdateDescription();
    Redraw();
}

void ProfessionGump::OnNotify(int code) {
    switch (code) {
    case 0:
        // The top level has no parent to go up to.
        if (current) {
            current = current->parent;
            ShowNode(current);
            UpdateDescription();
        }
        break;
    case 7:
    case 8:
    case 9:
        askingField = code - 7;
        skillList->visible = true;
        skillList->Redraw();
        skillList->BringToFront(false);
        break;
    case 10: {
        const SkillTableData& table = SkillTable();
        const int row = skillList->chosenRow;
        if (row >= 0 && row < table.count) {
            const int skill = table.order[static_cast<size_t>(row)];
            chosenSkills[static_cast<size_t>(askingField)] = skill;
            skillFields[static_cast<size_t>(askingField)]->SetText(SkillName(skill));
            skillFields[static_cast<size_t>(askingField)]->Redraw();
        }
        break;
    }
    default:
        break;
    }
    StoreCreationChoices(this);
    Redraw();
}

void ProfessionGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

void ProfessionGump::HandleLButtonDown(int px, int py) {
    int w = 0, h = 0;
    GetGumpArtSize(kPictureArt, &w, &h);
    if (px > 231 && px < 231 + w && py > 51 && py < 51 + h) OnNotify(0);
}

void ProfessionGump::HandleChildMouseDown(CGump* child) {
    for (size_t i = 0; i < skillFields.size(); ++i)
        if (child == skillFields[i]) OnNotify(7 + static_cast<int>(i));
}

void ProfessionGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

// ------------------------------------------------------------------ callbacks

void StoreCreationChoices(ProfessionGump* screen) {
    if (!screen) return;
    PacketManager::CreationChoices& c = CreationDraft();
    for (size_t i = 0; i < 3; ++i) {
        c.skills[i].value = static_cast<uint8_t>(screen->sliders[3 + i]->slider.value);
        c.skills[i].index = static_cast<uint8_t>(screen->chosenSkills[i]);
    }
    c.strength = static_cast<uint8_t>(std::max(10, screen->sliders[0]->slider.value));
    c.dexterity = static_cast<uint8_t>(std::max(10, screen->sliders[1]->slider.value));
    c.intelligence = static_cast<uint8_t>(std::max(10, screen->sliders[2]->slider.value));
    c.profession = ProfessionCode(screen->lastDescription);
}

void ProfessionNext(CGump* gump) {
    auto* screen = dynamic_cast<ProfessionGump*>(gump);
    if (!screen) return;
    const auto& s = screen->chosenSkills;
    if (s[0] == s[1] || s[0] == s[2] || s[1] == s[2]) {
        FrontEnd::ShowMessage("You must have three unique skills chosen!", screen);
        screen->visible = false;
        return;
    }
    screen->visible = false;
    StoreCreationChoices(screen);
    if (ProfessionNextHook())
        ProfessionNextHook()();
    else
        ShowCharCreationScreen();
}

std::function<void()>& ProfessionNextHook() {
    static std::function<void()> hook;
    return hook;
}

void CancelCharacterCreation(CGump*) {
    CLoginGump* selection = FrontEnd::CharacterSelection().get();
    if (selection && selection->rowCount > 0)
        selection->visible = true;
    else
        ConnectAndVerifyAccount(nullptr);
    if (ProfessionGump* screen = ProfessionScreen().get()) screen->Close();
    ProfessionScreen().reset();
}

ProfessionGump* OpenProfessionScreen() {
    auto* screen = new ProfessionGump();
    screen->Attach(nullptr);
    return screen;
}
