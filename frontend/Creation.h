#pragma once
// The last screens of character creation: the appearance (name, gender, hair, facial hair and five
// colours over a preview of the body) and the map of the start cities. "next" checks the name,
// then the map (or, for a profession, a city drawn at random) creates the character.
#include "gumps/CGump.h"

#include <array>
#include <string>

class CInputControlGump;
class CFramedInputControlGump;
class CButtonGump;
class CPanelChoiceGump;
class CHueControlGump;
class HTMLBox;

struct HairStyle {
    const char* name;
    int manItem, womanItem; // -1: not offered
    int manArt, womanArt;
};
constexpr int kHairStyles = 11;
extern const HairStyle kHairStyleTable[kHairStyles];

struct FacialHairStyle {
    const char* name;
    int item;
    int art;
};
constexpr int kFacialHairStyles = 8;
extern const FacialHairStyle kFacialHairTable[kFacialHairStyles];

class CCharCreationGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::CharCreation;
    // The colour panels, in the order of their titles.
    enum Panel { SkinPanel, ShirtPanel, PantsPanel, SkirtPanel, HairPanel, FacialPanel, kPanels };
    // The hue controls by kind (the grid's mode).
    enum HueKind { SkinHue, HairHue, FacialHue, ShirtHue, PantsHue, kHueKinds };
    static constexpr int kMapArt = 5528;

    CCharCreationGump();
    ~CCharCreationGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleChildChange(CGump* child) override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;
    void HandleChildDropDown(CGump* child) override;
    void RedrawPreview();

    int gender = 0;
    int hairStyle = 1;
    int hairItem = 0x203B;
    int facialStyle = 0;
    int facialItem = 0;
    // Hue-control values (-1 none); sent as value + 1.
    int skinHue = 0, hairHue = 0, facialHue = 0, pantsHue = 0, shirtHue = 0;
    CInputControlGump* nameField = nullptr;
    CFramedInputControlGump* hairField = nullptr;
    CFramedInputControlGump* facialField = nullptr;
    CInputControlGump* facialLabel = nullptr;
    CButtonGump* manButton = nullptr;
    CButtonGump* womanButton = nullptr;
    std::array<CPanelChoiceGump*, kPanels> panels{};
    std::array<CHueControlGump*, kHueKinds> hueControls{};
    bool dragging = false;

  private:
    void BuildPanel(Panel panel, int row, const char* title, int tooltip);
};

// The start cities of the map: name and the label's place.
struct StartCity {
    const char* name;
    int x, y;
};
constexpr int kStartCities = 9;
extern const StartCity kStartCityTable[kStartCities];

class CVeldMapGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Other;
    static constexpr int kFont = 3;

    CVeldMapGump(CCharCreationGump* screen, int mapArt);
    ~CVeldMapGump() override;

    void RedrawMap();
    void ShowCityText();
    // City n's description from "citytext" (its block's entries a blank line apart); empty when
    // the section or the block is missing.
    std::u16string CityText(int city) const;
    // The city whose label holds the point, or -1.
    int CityAt(int x, int y) const;
    // Makes city the selected and highlighted one (and shows its text) when it is a city and not
    // the selected one already.
    void SelectCity(int city);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseTick() override;

    int mapArt;
    int selected = 2;
    int highlighted = 2;
    std::string selectedName;
    HTMLBox* description = nullptr;
    Rect nameClip{0, 0, 640, 480};
    CButtonGump* nextButton = nullptr;
    CButtonGump* backButton = nullptr;
    bool pressed = false;
    int tickCounter = 0;
    int clickStage = 0; // 1: after a first click, 2: after the second
    uint32_t firstClickTime = 0;
    bool heldTooLong = false;
};

GumpRef<CCharCreationGump>& CharCreationScreen();
GumpRef<CVeldMapGump>& VeldMapScreen();

void ToggleCharacterGender(CGump* screen);
void CheckCharacterName(CGump* screen);
void OpenProfessionGump(CGump* screen);
void AcceptCityChoice(CGump* map);
void CancelCityChoice(CGump* map);
// Shows the screen, building it the first time ("next" of the profession screen).
void ShowCharCreationScreen();
// The lowest slot no row of the character selection shows (0 without the selection); 5 when every
// slot is taken.
int LowestFreeSlot();
