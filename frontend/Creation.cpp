#include "frontend/Creation.h"

#include "core/CharData.h"
#include "core/GameTicks.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "frontend/CharacterSelection.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "frontend/ProfessionGump.h"
#include "gumps/ChoiceLists.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/HTMLBox.h"
#include "gumps/InputControls.h"
#include "gumps/ListBoxes.h"
#include "gumps/MouseManager.h"
#include "net/AppLink.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "platform/platform.h"
#include "render/GumpArt.h"
#include "render/HueManager.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/LanguageManager.h"
#include "text/NameValidation.h"
#include "windows/HueControl.h"

#include <algorithm>
#include <cstdio>

const HairStyle kHairStyleTable[kHairStyles] = {
    {"NONE", 0, 0, 0, 0},
    {"Short", 0x203B, 0x203B, 1875, 1847},
    {"Long", 0x203C, 0x203C, 1876, 1842},
    {"Pony Tail", 0x203D, 0x203D, 1879, 1845},
    {"Mohawk", 0x2044, 0x2044, 1877, 1843},
    {"Pageboy", 0x2045, 0x2045, 1871, 1844},
    {"Topknot", 0x204A, 0x204A, 1874, 1840},
    {"Curly", 0x2047, 0x2047, 1873, 1839},
    {"Receding", 0x2048, 0x2048, 1880, 1846},
    {"2 Tails", 0x2049, 0x2049, 1870, 1836},
    {"Buns", -1, 0x2046, 0, 1841},
};

const FacialHairStyle kFacialHairTable[kFacialHairStyles] = {
    {"NONE", 0, 0},
    {"Goatee", 0x2040, 1881},
    {"Long beard", 0x203E, 1883},
    {"Short beard", 0x203F, 1885},
    {"Moustache", 0x2041, 1884},
    {"Short beard/moustache", 0x204B, 1886},
    {"Long beard/moustache", 0x204C, 1882},
    {"Vandyke", 0x204D, 1887},
};

const StartCity kStartCityTable[kStartCities] = {
    {"Ashwold", 101, 143},  {"Pellin", 247, 96},   {"Veldmoor", 173, 203},
    {"Starvell", 335, 160}, {"Corthal", 200, 307}, {"Ambrevia", 335, 252},
    {"Qastor", 161, 396},   {"Fenmara", 99, 247},  {"Lorvick", 277, 133},
};

namespace {

constexpr int kLabelHue = 1153;
constexpr int kFieldHue = 902;
// The longest facial-hair name ("Short beard/moustache"): the field must hold every name whole.
constexpr int kFacialFieldLength = 21;

CButtonGump* AddButton(CGump* parent, int x, int y, int art, int hover, int pressed, int tooltip,
                       ButtonCallback callback) {
    auto* button =
        new CButtonGump(x, y, parent, CButtonGump::Release, 0, std::move(callback), art, pressed, false);
    button->hoverArt = hover;
    button->tooltipId = tooltip;
    button->Attach(parent);
    return button;
}

CInputControlGump* AddLabel(CGump* parent, int x, int y, int tooltip, const char* text) {
    auto* label =
        new CInputControlGump(x, y, parent, 160, 30, FieldMode::Text, 40, 9, kLabelHue, false, false, false);
    label->noBackground = true;
    label->tooltipId = tooltip;
    label->SetText(text);
    label->Redraw();
    label->Attach(parent);
    return label;
}

void PutArt(PixelBlock& block, int art, int x, int y) {
    DrawGumpArt(CopySpanKeyed, art, x, y, block.pixels.data(), block.width, block.height);
}

// Grey pixels of the art take the hue (value v: hue-table entry v); -1 draws the art as it is.
void PutHuedArt(PixelBlock& block, int art, int x, int y, int hue) {
    if (hue < 0) {
        PutArt(block, art, x, y);
        return;
    }
    const int saved = GetCurrentHueIndex();
    SetCurrentHueIndex(hue);
    DrawGumpArt(HueSpanKeyed, art, x, y, block.pixels.data(), block.width, block.height);
    SetCurrentHueIndex(saved);
}

const HairStyle& HairOf(int style) {
    return kHairStyleTable[std::clamp(style, 0, kHairStyles - 1)];
}

const FacialHairStyle& FacialOf(int style) {
    return kFacialHairTable[std::clamp(style, 0, kFacialHairStyles - 1)];
}

// The list a drop-down field opens over itself; it follows the pointer from where it is now.
void OpenDropDownList(CFramedInputControlGump* field, int dx, int width, bool woman, bool facial) {
    int sx = 0, sy = 0;
    CGump::GumpToScreenCoords(field, &sx, &sy);
    auto* list = new CDropDownListGump(sx + dx, sy, 3000, width, 30, nullptr, 1, kFieldHue, 0);
    if (facial) {
        for (int i = 0; i < kFacialHairStyles; ++i)
            list->AddItem(i, kFacialHairTable[i].name);
    } else {
        for (int i = 0; i < 10; ++i)
            list->AddItem(i, kHairStyleTable[i].name);
        if (woman) list->AddItem(10, kHairStyleTable[10].name);
    }
    list->OpenFor(field);
}

} // namespace

GumpRef<CCharCreationGump>& CharCreationScreen() {
    static GumpRef<CCharCreationGump> screen;
    return screen;
}

GumpRef<CVeldMapGump>& VeldMapScreen() {
    static GumpRef<CVeldMapGump> map;
    return map;
}

// ------------------------------------------------------------------ CCharCreationGump

CCharCreationGump::CCharCreationGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(kKind, GumpTrait::GameAreaRelative | GumpTrait::Transparency);
    debugName = "CharCreation gump";
    // The screen draws its own bitmap; the art number 1260 only names it.
    tooltipId = -1;
    SetFrame(0, PixelBlock(640, 480));
    // Under the screen's own controls: the fields beside them stay whole.
    AddFrontEndButtons(this);
    nameField =
        new CInputControlGump(250, 63, this, 210, 30, FieldMode::Text, 16, 5, kFieldHue, true, false, false);
    nameField->tooltipId = 100043;
    nameField->leftMargin = 7;
    nameField->noBackground = true;
    nameField->nameFilter = true;
    nameField->Redraw();
    nameField->Attach(this);

    AddLabel(this, 97, 140, 100036, "Hair Style");
    facialLabel = AddLabel(this, 97, 185, 100037, "Facial Hair Style");
    hairField = new CFramedInputControlGump(97, 154, this, 121, 24, FieldMode::DropDown, 10, 1, kFieldHue,
                                            false, false, false);
    hairField->tooltipId = 100036;
    hairField->Attach(this);
    facialField = new CFramedInputControlGump(97, 199, this, 121, 24, FieldMode::DropDown, kFacialFieldLength,
                                              1, kFieldHue, false, false, false);
    facialField->tooltipId = 100037;
    facialField->Attach(this);

    // The grids lie over the panels and open one at a time.
    const int modes[kHueKinds] = {0, 1, 2, 3, 4};
    const int hueTooltips[kHueKinds] = {100039, 100035, 100037, 100040, 100041};
    for (int k = 0; k < kHueKinds; ++k) {
        const bool random = k == ShirtHue || k == PantsHue;
        auto* control = new CHueControlGump(489, 138, 125, 280, modes[k], this, 3604, random);
        control->tooltipId = hueTooltips[k];
        control->visible = false;
        hueControls[static_cast<size_t>(k)] = control;
    }
    BuildPanel(SkinPanel, 0, "Skin Tone", 100039);
    BuildPanel(ShirtPanel, 1, "Shirt Color", 100040);
    BuildPanel(PantsPanel, 2, "Pants Color", 100041);
    BuildPanel(SkirtPanel, 2, "Skirt Color", 100042);
    BuildPanel(HairPanel, 3, "Hair Color", 100035);
    BuildPanel(FacialPanel, 4, "Facial Hair Color", 100037);
    panels[SkirtPanel]->visible = false;
    for (CHueControlGump* control : hueControls)
        control->Attach(this);
    skinHue = hueControls[SkinHue]->selectedHue;
    hairHue = hueControls[HairHue]->selectedHue;
    facialHue = hueControls[FacialHue]->selectedHue;
    shirtHue = hueControls[ShirtHue]->selectedHue;
    pantsHue = hueControls[PantsHue]->selectedHue;

    manButton = AddButton(this, 310, 408, 1808, 1809, 1810, 100038, ToggleCharacterGender);
    womanButton = AddButton(this, 310, 408, 1805, 1806, 1807, 100038, ToggleCharacterGender);
    womanButton->visible = false;
    AddButton(this, 610, 445, 5540, 5541, 5542, 100045, CheckCharacterName);
    AddButton(this, 586, 445, 5537, 5538, 5539, 100044, OpenProfessionGump);
    RedrawPreview();
    CharCreationScreen() = this;
}

CCharCreationGump::~CCharCreationGump() = default;

void CCharCreationGump::BuildPanel(Panel panel, int row, const char* title, int tooltip) {
    auto* p = new CPanelChoiceGump(490, 140 + 45 * row, 130, 40, this, nullptr, 3500, false);
    p->tooltipId = tooltip;
    // The title on a dark strip above, and a window the screen's swatch of the colour shows through.
    PixelBlock& block = *p->Frame(0);
    for (int y = 0; y < 38 && y < block.height; ++y)
        for (int x = 0; x < 121 && x < block.width; ++x)
            block.At(x, y) = y < 14 ? 0x0421 : 0;
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    FontManager::DrawString(3, 11, 9, kLabelHue, title, target, Rect{0, 0, block.width, 14});
    p->Attach(this);
    panels[static_cast<size_t>(panel)] = p;
}

void CCharCreationGump::RedrawPreview() {
    PixelBlock& block = *Frame(0);
    block.Clear();
    const bool man = gender == 0;
    const int body = man ? 1889 : 1888;
    int bodyWidth = 0, bodyHeight = 0;
    GetGumpArtSize(body, &bodyWidth, &bodyHeight);
    if (bodyWidth <= 0) return;
    DrawGumpFrameRect(82, 125, 151, 310, 3600, block, true);
    DrawGumpFrameRect(475, 125, 151, 310, 3600, block, true);
    PutArt(block, 1800, 238, 98);
    PutArt(block, 1801, 280, 53);
    PutArt(block, 1802, 240, 73);
    PutArt(block, 1803, 247, 73);
    PutArt(block, 1804, 463, 73);

    PutHuedArt(block, body, 238, 98, skinHue != 0 ? skinHue : -1);
    PutArt(block, man ? 1890 : 1891, 238, 98);
    PutHuedArt(block, man ? 1848 : 1892, 238, 98, pantsHue);
    PutHuedArt(block, man ? 1849 : 1812, 238, 98, shirtHue);
    const HairStyle& hair = HairOf(hairStyle);
    if (hairItem != 0) PutHuedArt(block, man ? hair.manArt : hair.womanArt, 238, 98, hairHue);
    const FacialHairStyle& facial = FacialOf(facialStyle);
    if (man && facialItem != 0) PutHuedArt(block, facial.art, 238, 98, facialHue);

    // The swatches under the colour panels' windows: ramp colour 16 of each hue.
    const int swatchHues[5] = {skinHue, shirtHue, pantsHue, hairHue, facialHue};
    for (int k = 0; k < (man ? 5 : 4); ++k) {
        const uint16_t colour = HueManager::ResolveHueColours(swatchHues[k])[16];
        for (int y = 154 + 45 * k; y < 178 + 45 * k; ++y)
            for (int x = 490; x < 611; ++x)
                block.At(x, y) = colour;
    }

    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    const Rect clip{0, 0, 640, 480};
    // The name's place: a plate the typed text stands on.
    for (int y = 63; y < 93; ++y)
        for (int x = 250; x < 460; ++x)
            block.At(x, y) = y == 63 || y == 92 || x == 250 || x == 459 ? 0x5E83 : 0x0C63;
    FontManager::DrawString(250, 58, 9, kLabelHue, "Name", target, clip);

    hairField->value = hairStyle;
    hairField->SetText(hair.name);
    hairField->Redraw();
    facialField->value = facialStyle;
    facialField->SetText(facial.name);
    facialField->Redraw();
}

void CCharCreationGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CCharCreationGump::IsPointInside(int, int) {
    return true;
}

void CCharCreationGump::HandleLButtonDown(int px, int py) {
    pressX = px;
    pressY = py;
    dragging = true;
}

void CCharCreationGump::HandleLButtonUp(int, int) {
    dragging = false;
    MouseManager::ReleaseCaptureOf(this);
}

void CCharCreationGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

void CCharCreationGump::HandleChildChange(CGump* child) {
    const bool man = gender == 0;
    const struct {
        Panel panel;
        HueKind kind;
    } opens[] = {{SkinPanel, SkinHue},   {ShirtPanel, ShirtHue}, {PantsPanel, PantsHue},
                 {SkirtPanel, PantsHue}, {HairPanel, HairHue},   {FacialPanel, FacialHue}};
    for (const auto& o : opens) {
        if (child != panels[o.panel]) continue;
        if (o.panel == FacialPanel && !man) return;
        CHueControlGump* control = hueControls[o.kind];
        control->visible = true;
        control->Redraw();
        control->BringToFront(false);
        return;
    }
    int* hues[kHueKinds] = {&skinHue, &hairHue, &facialHue, &shirtHue, &pantsHue};
    for (int k = 0; k < kHueKinds; ++k) {
        if (child != hueControls[static_cast<size_t>(k)]) continue;
        *hues[k] = hueControls[static_cast<size_t>(k)]->selectedHue;
        RedrawPreview();
        return;
    }
    if (child == hairField) {
        hairStyle = std::clamp(hairField->value, 0, kHairStyles - 1);
        const HairStyle& hair = HairOf(hairStyle);
        hairItem = std::max(0, man ? hair.manItem : hair.womanItem);
        RedrawPreview();
    } else if (child == facialField) {
        facialStyle = std::clamp(facialField->value, 0, kFacialHairStyles - 1);
        facialItem = FacialOf(facialStyle).item;
        RedrawPreview();
    }
}

void CCharCreationGump::HandleChildDropDown(CGump* child) {
    if (child == hairField)
        OpenDropDownList(hairField, 0, 130, gender == 1, false);
    else if (child == facialField && gender == 0)
        OpenDropDownList(facialField, 3, 170, false, true);
}

void CCharCreationGump::HandleEnterKey() {
    CheckCharacterName(this);
}

void CCharCreationGump::HandleEscapeKey() {
    OpenProfessionGump(this);
}

void ToggleCharacterGender(CGump* gump) {
    auto* screen = CharCreationScreen().get();
    if (!screen || (gump && gump != screen)) return;
    screen->gender = screen->gender == 0 ? 1 : 0;
    const bool man = screen->gender == 0;
    screen->manButton->visible = man;
    screen->womanButton->visible = !man;
    // A style only women wear does not pass to a man.
    if (man && HairOf(screen->hairStyle).manItem < 0) {
        screen->hairStyle = 0;
        screen->hairItem = 0;
    }
    screen->facialField->visible = man;
    screen->facialLabel->visible = man;
    screen->panels[CCharCreationGump::FacialPanel]->visible = man;
    screen->panels[CCharCreationGump::PantsPanel]->visible = man;
    screen->panels[CCharCreationGump::SkirtPanel]->visible = !man;
    if (!man) screen->hueControls[CCharCreationGump::FacialHue]->visible = false;
    screen->RedrawPreview();
}

// ------------------------------------------------------------------ the name and the map

void CheckCharacterName(CGump*) {
    CCharCreationGump* screen = CharCreationScreen().get();
    if (!screen) return;
    const std::string name = screen->nameField->Text();
    if (name.size() < 2) {
        screen->visible = false;
        FrontEnd::ShowMessage("Your character name is too short.", screen);
        return;
    }
    if (IsUnacceptableName(name.c_str())) {
        screen->visible = false;
        FrontEnd::ShowMessage("Unacceptable name.", screen);
        return;
    }
    screen->visible = false;
    CApp::SetName(name);
    // A map left from an earlier "next" (its creation refused, or cancelled from a box) would
    // otherwise leave every screen hidden: show it again, or accept its city again.
    if (CVeldMapGump* map = VeldMapScreen().get()) {
        if (ProfessionCustomMode()) {
            map->visible = true;
            map->BringToFront(false);
        } else {
            AcceptCityChoice(map);
        }
        return;
    }
    auto* map = new CVeldMapGump(screen, CCharCreationGump::kMapArt);
    VeldMapScreen() = map;
    if (ProfessionCustomMode()) {
        map->Attach(nullptr);
    } else {
        map->visible = false;
        map->Attach(nullptr);
        map->selected = map->highlighted = RandomBelow(kStartCities);
        AcceptCityChoice(map);
    }
    if (VeldMapScreen().get() == map) AddFrontEndButtons(map);
}

void OpenProfessionGump(CGump*) {
    if (CCharCreationGump* screen = CharCreationScreen().get()) screen->visible = false;
    ProfessionGump* professions = ProfessionScreen().get();
    if (professions && ProfessionCustomMode()) {
        professions->visible = true;
        return;
    }
    if (professions) professions->Close();
    OpenProfessionScreen();
}

void ShowCharCreationScreen() {
    if (CCharCreationGump* screen = CharCreationScreen().get()) {
        screen->visible = true;
        return;
    }
    (new CCharCreationGump())->Attach(nullptr);
}

int LowestFreeSlot() {
    const CLoginGump* selection = FrontEnd::CharacterSelection().get();
    if (!selection) return 0;
    for (int slot = 0; slot < PacketManager::kCharacterSlots; ++slot) {
        bool shown = false;
        for (int row = 0; row < selection->rowCount && row < CLoginGump::kRows; ++row)
            shown = shown || selection->slots[static_cast<size_t>(row)] == slot;
        if (!shown) return slot;
    }
    return PacketManager::kCharacterSlots;
}

void AcceptCityChoice(CGump* gump) {
    auto* map = dynamic_cast<CVeldMapGump*>(gump);
    CCharCreationGump* screen = CharCreationScreen().get();
    if (!map || !screen) return;
    const int slot = LowestFreeSlot();
    if (slot >= PacketManager::kCharacterSlots) {
        // The list filled while the screens were open: there is no slot to create in. The box's
        // OK leads back to the screen the player saw last.
        CGump* owner = map->visible ? static_cast<CGump*>(map) : screen;
        map->visible = false;
        FrontEnd::ShowMessage("You already have 5 characters.", owner);
        return;
    }
    PacketManager::CreationChoices& c = CreationDraft();
    const bool man = screen->gender == 0;
    c.gender = static_cast<uint8_t>(screen->gender);
    c.skinHue = static_cast<uint16_t>(screen->skinHue + 1);
    c.hairItem = static_cast<uint16_t>(screen->hairItem);
    c.hairHue = static_cast<uint16_t>(screen->hairHue + 1);
    c.facialHairItem = static_cast<uint16_t>(man ? screen->facialItem : 0);
    c.facialHairHue = static_cast<uint16_t>(screen->facialHue + 1);
    c.shirtHue = static_cast<uint16_t>(screen->shirtHue + 1);
    c.pantsHue = static_cast<uint16_t>(screen->pantsHue + 1);
    const std::vector<PacketManager::CityEntry>& cities = PacketManager::GetLoginTables().cities;
    const size_t city = static_cast<size_t>(std::max(0, map->selected));
    c.startCity = city < cities.size() ? static_cast<uint16_t>(cities[city].index) : 0xFF;
    c.slot = static_cast<uint32_t>(slot);
    FrontEnd::CharSlot() = slot;
    PacketManager::GetLoginTables().slots[slot].name = CApp::GetName();
    CApp::SetSpeechHue(90);
    CApp::SetEmoteHue(549);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", slot);
    NetServices& services = GetNetServices();
    if (services.saveConfigDirective) {
        services.saveConfigDirective("PlayerName", CApp::GetName().c_str());
        services.saveConfigDirective("DefaultChar", digits);
    }
    CApp::SetCreationChoices(c, std::string());
    CApp::CreateCharacter();
    if (ProfessionGump* professions = ProfessionScreen().get()) professions->Close();
    ProfessionScreen().reset();
}

void CancelCityChoice(CGump* gump) {
    if (CCharCreationGump* screen = CharCreationScreen().get()) screen->visible = true;
    CVeldMapGump* map = VeldMapScreen().get();
    if (gump && gump != map) return;
    if (map) {
        map->visible = false;
        map->Close();
    }
    VeldMapScreen().reset();
}

// ------------------------------------------------------------------ CVeldMapGump

CVeldMapGump::CVeldMapGump(CCharCreationGump*, int art) : CGump(0, 0, 0, 1, 640, 480), mapArt(art) {
    SetKind(kKind, GumpTrait::kBase);
    debugName = "map gump";
    SetFrame(0, PixelBlock(640, 480));
    selectedName = kStartCityTable[selected].name;
    nextButton = AddButton(this, 610, 445, 5540, 5541, 5542, 100045, AcceptCityChoice);
    backButton = AddButton(this, 586, 445, 5537, 5538, 5539, 100044, CancelCityChoice);
    ShowCityText();
    RedrawMap();
}

CVeldMapGump::~CVeldMapGump() = default;

std::u16string CVeldMapGump::CityText(int city) const {
    LanguageSection* texts = LanguageManager::loadSection("citytext", nullptr, "citytext", false, false);
    if (!texts || city < 0) return {};
    // City n's block lies between the (n + 1)-th and the (n + 2)-th ".END".
    int ends = 0;
    bool found = false;
    std::u16string text;
    for (int i = 0; i < texts->getCount(); ++i) {
        const CWideString* s = texts->getStr(i, true);
        const std::u16string entry = s && s->GetText() ? std::u16string(s->GetText()) : std::u16string();
        if (entry == u".END") {
            if (ends == city + 1) return found ? text : std::u16string();
            ++ends;
            continue;
        }
        if (ends != city + 1) continue;
        if (found) text += u"\n\n";
        text += entry;
        found = true;
    }
    return {};
}

void CVeldMapGump::ShowCityText() {
    if (selected < 0) return;
    const std::u16string text = CityText(selected);
    if (text.empty()) return;
    if (description) description->Close();
    description = new HTMLBox(this, 0, 0x2002, false, true);
    description->SetRect({452, 60, 173, 367});
    description->SetText(text.c_str(), 1);
}

int CVeldMapGump::CityAt(int px, int py) const {
    for (int i = 0; i < kStartCities; ++i) {
        const StartCity& city = kStartCityTable[i];
        int w = 0, h = 0, base = 0;
        FontManager::CalcInfo(kFont, city.name, &w, &h, &base);
        if (px >= city.x && px <= city.x + w && py >= city.y - h && py <= city.y + h) return i;
    }
    return -1;
}

void CVeldMapGump::RedrawMap() {
    PixelBlock& block = *Frame(0);
    block.Clear();
    DrawGumpArt(CopySpanKeyed, mapArt, 57, 49, block.pixels.data(), block.width, block.height);
    DrawGumpArt(CopySpanKeyed, 5536, 0, 4, block.pixels.data(), block.width, block.height);
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    for (int i = 0; i < kStartCities; ++i) {
        const StartCity& city = kStartCityTable[i];
        // Starvell's spot lies east of its name.
        const int dotX = i == 3 ? city.x + 60 : city.x;
        DrawGumpArt(CopySpanKeyed, i == selected ? 1210 : 1209, dotX, city.y, block.pixels.data(),
                    block.width, block.height);
        const int hue = i == selected ? 1153 : i == highlighted ? 153 : 88;
        FontManager::DrawStringBufEllips(city.x, city.y, kFont, hue, city.name, target, nameClip);
    }
}

void CVeldMapGump::SelectCity(int city) {
    if (city < 0 || city >= kStartCities || city == selected) return;
    selectedName = kStartCityTable[city].name;
    selected = highlighted = city;
    ShowCityText();
}

void CVeldMapGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    int sx = 0, sy = 0;
    GumpToScreenCoords(this, &sx, &sy);
    // The map covers the screen: its bitmap is copied whole, without a transparent colour.
    if (const PixelBlock* block = CurrentFrame())
        BlitPixelBlockTo(target, CopySpan, block->pixels.data(), block->width, block->height, clip, sx, sy);
    for (CGump* c = lastChild(); c; c = c->previous())
        c->Draw(target, clip);
}

bool CVeldMapGump::IsPointInside(int px, int py) {
    return visible && px >= 0 && py >= 0 && px < width + 200 && py < height + 150;
}

void CVeldMapGump::HandleMouseMove(int px, int py) {
    MouseManager::SetCursor(MouseManager::kNormalCursor);
    const int city = CityAt(px, py);
    if (city == highlighted) return;
    highlighted = city;
    RedrawMap();
}

void CVeldMapGump::HandleLButtonDown(int px, int py) {
    SelectCity(CityAt(px, py));
    RedrawMap();
    pressX = px;
    pressY = py;
    pressed = true;
    tickCounter = 1;
    BringToFront(false);
    if (clickStage == 1) {
        clickStage = 2;
    } else {
        clickStage = 1;
        firstClickTime = GetGameTicks();
    }
}

void CVeldMapGump::HandleMouseTick() {
    if (clickStage == 1 &&
        TickDifference(GetGameTicks(), firstClickTime) >= static_cast<int>(platform::GetDoubleClickTime())) {
        clickStage = 0;
        if (pressed) heldTooLong = true;
    }
    if (!pressed || tickCounter != 1) return;
    tickCounter = 0;
    SelectCity(CityAt(pressX, pressY));
    RedrawMap();
}

void CVeldMapGump::HandleLButtonUp(int, int) {
    pressed = false;
    if (heldTooLong) {
        heldTooLong = false;
        clickStage = 0;
    } else if (clickStage == 2) {
        clickStage = 0;
        MouseManager::ReleaseCaptureOf(this);
        AcceptCityChoice(this);
        return;
    }
    MouseManager::ReleaseCaptureOf(this);
}
