#include "frontend/Creation.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "frontend/ProfessionGump.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"
#include "net/AppLink.h"
#include "net/PacketManager.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/FontManager.h"
#include "text/NameValidation.h"

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

namespace {

CButtonGump* AddButton(CGump* parent, int x, int y, int art, int hover, int pressed, int tooltip,
                       ButtonCallback callback) {
    auto* button =
        new CButtonGump(x, y, parent, CButtonGump::Release, 0, std::move(callback), art, pressed, false);
    button->hoverArt = hover;
    button->tooltipId = tooltip;
    button->Attach(parent);
    return button;
}

void PutArt(PixelBlock& block, int art, int x, int y) {
    DrawGumpArt(CopySpanKeyed, art, x, y, block.pixels.data(), block.width, block.height);
}

} // namespace

GumpRef<CCharCreationGump>& CharCreationScreen() {
    static GumpRef<CCharCreationGump> screen;
    return screen;
}

CCharCreationGump::CCharCreationGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::Normal, GumpTrait::GameAreaRelative | GumpTrait::Transparency);
    debugName = "CharCreation gump";
    // The screen draws its own bitmap; the art number 1260 only names it.
    tooltipId = -1;
    SetFrame(0, PixelBlock(640, 480));
    nameField =
        new CInputControlGump(250, 63, this, 210, 30, FieldMode::Text, 16, 5, 902, true, false, false);
    nameField->tooltipId = 100043;
    nameField->leftMargin = 7;
    nameField->noBackground = true;
    nameField->Redraw();
    nameField->Attach(this);
    manButton = AddButton(this, 310, 408, 1808, 1809, 1810, 100038, ToggleCharacterGender);
    womanButton = AddButton(this, 310, 408, 1805, 1806, 1807, 100038, ToggleCharacterGender);
    womanButton->visible = false;
    AddButton(this, 610, 445, 5540, 5541, 5542, 100045, CheckCharacterName);
    AddButton(this, 586, 445, 5537, 5538, 5539, 100044, OpenProfessionGump);
    AddFrontEndButtons(this);
    RedrawPreview();
    CharCreationScreen() = this;
}

CCharCreationGump::~CCharCreationGump() = default;

void CCharCreationGump::RedrawPreview() {
    PixelBlock& block = *Frame(0);
    std::fill(block.pixels.begin(), block.pixels.end(), 0);
    DrawGumpFrameRect(82, 125, 151, 310, 3600, block, true);
    DrawGumpFrameRect(475, 125, 151, 310, 3600, block, true);
    PutArt(block, 1800, 238, 98);
    PutArt(block, 1801, 280, 53);
    const bool man = gender == 0;
    PutArt(block, man ? 1889 : 1888, 238, 98);
    PutArt(block, man ? 1890 : 1891, 238, 98);
    PutArt(block, man ? 1848 : 1892, 238, 98);
    PutArt(block, man ? 1849 : 1812, 238, 98);
    const HairStyle& hair = kHairStyleTable[std::clamp(hairStyle, 0, kHairStyles - 1)];
    if (hairItem != 0) PutArt(block, man ? hair.manArt : hair.womanArt, 238, 98);
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    const Rect clip{0, 0, 640, 480};
    // The name's place: a plate the typed text stands on.
    for (int y = 63; y < 93; ++y)
        for (int x = 250; x < 460; ++x)
            block.At(x, y) = y == 63 || y == 92 || x == 250 || x == 459 ? 0x5E83 : 0x0C63;
    // The sample's label font is too small to read on the dark ground: the labels use font 1.
    FontManager::DrawString(250, 40, 1, 1, "Name", target, clip);
    FontManager::DrawString(97, 130, 1, 1, "Hair Style", target, clip);
    FontManager::DrawString(97, 154, 1, 1, hair.name, target, clip);
}

void CCharCreationGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CCharCreationGump::IsPointInside(int, int) {
    return true;
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
    if (man && kHairStyleTable[std::clamp(screen->hairStyle, 0, kHairStyles - 1)].manItem < 0) {
        screen->hairStyle = 0;
        screen->hairItem = 0;
    }
    screen->RedrawPreview();
}

int LowestFreeSlot() {
    const PacketManager::LoginTables& tables = PacketManager::GetLoginTables();
    for (int i = 0; i < PacketManager::kCharacterSlots; ++i)
        if (tables.slots[i].name.empty()) return i;
    return PacketManager::kCharacterSlots;
}

namespace {

// Until the city map exists every character starts in the list's first city.
void CreateInFirstCity(CCharCreationGump* screen) {
    const int slot = LowestFreeSlot();
    if (slot >= PacketManager::kCharacterSlots) {
        FrontEnd::ShowMessage("You already have 5 characters.", screen);
        return;
    }
    PacketManager::CreationChoices& c = CreationDraft();
    const PacketManager::LoginTables& tables = PacketManager::GetLoginTables();
    c.startCity = tables.cities.empty() ? 0xFF : static_cast<uint16_t>(tables.cities.front().index);
    c.slot = static_cast<uint32_t>(slot);
    c.gender = static_cast<uint8_t>(screen->gender);
    c.hairItem = static_cast<uint16_t>(screen->hairItem);
    c.facialHairItem = static_cast<uint16_t>(screen->gender == 0 ? screen->facialItem : 0);
    c.skinHue = static_cast<uint16_t>(screen->skinHue + 1);
    c.hairHue = static_cast<uint16_t>(screen->hairHue + 1);
    c.facialHairHue = static_cast<uint16_t>(screen->gender == 0 ? screen->facialHue + 1 : 0);
    c.shirtHue = static_cast<uint16_t>(screen->shirtHue + 1);
    c.pantsHue = static_cast<uint16_t>(screen->pantsHue + 1);
    CApp::SetCreationChoices(c, std::string());
    CApp::CreateCharacter();
    if (ProfessionGump* professions = ProfessionScreen().get()) professions->Close();
    ProfessionScreen().reset();
}

} // namespace

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
    CreateInFirstCity(screen);
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
