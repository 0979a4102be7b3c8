#pragma once
// The second screen of character creation: the name, gender and hair over a preview of the body;
// "next" checks the name and creates the character.
#include "gumps/CGump.h"

#include <string>

class CInputControlGump;
class CButtonGump;

struct HairStyle {
    const char* name;
    int manItem, womanItem; // -1: not offered
    int manArt, womanArt;
};
constexpr int kHairStyles = 11;
extern const HairStyle kHairStyleTable[kHairStyles];

class CCharCreationGump : public CGump {
  public:
    CCharCreationGump();
    ~CCharCreationGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;
    void RedrawPreview();

    int gender = 0;
    int hairStyle = 1;
    int hairItem = 0x203B;
    int facialStyle = 0;
    int facialItem = 0;
    // Hue-control values (-1 none); sent as value + 1.
    int skinHue = 0, hairHue = 0, facialHue = 0, pantsHue = 0, shirtHue = 0;
    CInputControlGump* nameField = nullptr;
    CButtonGump* manButton = nullptr;
    CButtonGump* womanButton = nullptr;
};

GumpRef<CCharCreationGump>& CharCreationScreen();

void ToggleCharacterGender(CGump* screen);
void CheckCharacterName(CGump* screen);
void OpenProfessionGump(CGump* screen);
// Shows the screen, building it the first time ("next" of the profession screen).
void ShowCharCreationScreen();
// The lowest slot no character holds; 5 when all are taken.
int LowestFreeSlot();
