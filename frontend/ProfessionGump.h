#pragma once
// The first screen of character creation: a profession from the tree of "prof.txt", or a custom
// one whose attributes and skills are set with sliders held at their totals.
#include "frontend/Professions.h"
#include "gumps/CGump.h"
#include "gumps/ChoiceLists.h"
#include "gumps/Controls.h"
#include "net/PacketManager.h"

#include <array>
#include <functional>
#include <vector>

class ProfessionGump;
class CSliderGump;
class CFramedInputControlGump;
class HTMLBox;

// Three sliders whose values add up to a total; moving one makes the others give or take.
class SliderGroup {
  public:
    SliderGroup(ProfessionGump* listener, int total, int code)
        : total(total), minimumTotal(total), code(code), listener(listener) {}
    void Notify(int id);
    void Balance(CSliderGump* moved);

    int total, minimumTotal, code;
    int lastMoved = 0;
    ProfessionGump* listener;
    std::vector<CSliderGump*> sliders; // creation order
};

// A horizontal track with a thumb; the value follows the thumb.
class CSliderGump : public CGump {
  public:
    static constexpr int kTrack = 96;
    CSliderGump(int x, int y, CGump* parent, int id, SliderGroup* group, int minimum, int maximum, int value);
    void SetValue(int value);
    void MoveThumb();
    void HandleThumbMove(int position, int range, CGump* thumb) override;
    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;

    int id;
    SliderGroup* group;
    SliderValue slider;
    CThumbGump* thumb = nullptr;
};

// One profession (or the custom entry, record null) of the current level.
class CProfessionButton : public CGump {
  public:
    CProfessionButton(int x, int y, ProfessionGump* owner, const ProfessionRecord* record);
    void Redraw();
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;

    const ProfessionRecord* record;
    ProfessionGump* owner;
    bool pressed = false;
};

// The list of selectable skills a skill field opens; a chosen row reports code 10.
class CSkillChoiceGump : public CScrollChoiceGump {
  public:
    CSkillChoiceGump(ProfessionGump* owner, int x, int y);
    void ActivateRow(int x, int y) override;
    void Draw(const BlitTarget& target, const Rect& clip) override;

    ProfessionGump* screen;
    int chosenRow = -1;
};

class ProfessionGump : public CGump {
  public:
    ProfessionGump();
    ~ProfessionGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int, int) override { return true; }
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleChildMouseDown(CGump* child) override;

    void ShowNode(const ProfessionRecord* record);
    void Redraw();
    void UpdateDescription();
    std::u16string GetDescription(int title) const;
    void OnProfessionButton(CProfessionButton* button);
    void OnNotify(int code);
    void SetStatsShown(bool shown);

    ProfessionList professions;
    const ProfessionRecord* current = nullptr;
    const ProfessionRecord* previous = nullptr;
    std::vector<CProfessionButton*> buttons;
    bool statsShown = false;
    HTMLBox* description = nullptr;
    CSkillChoiceGump* skillList = nullptr;
    SliderGroup attributes{this, 80, 11};
    SliderGroup skills{this, 100, 12};
    std::array<CSliderGump*, 6> sliders{};
    std::array<CFramedInputControlGump*, 3> skillFields{};
    std::array<int, 3> chosenSkills{};
    int askingField = 0;
    int lastDescription = 0;

  private:
    void ClearButtons();
};

GumpRef<ProfessionGump>& ProfessionScreen();
// Set when the custom entry was chosen.
bool& ProfessionCustomMode();

void StoreCreationChoices(ProfessionGump* screen);
void ProfessionNext(CGump* screen);
void CancelCharacterCreation(CGump* screen);
void ScrollChoiceLineUp(CGump* list);
void ScrollChoiceLineDown(CGump* list);
// Builds the screen and attaches it at top level (the creation hook of the character selection).
ProfessionGump* OpenProfessionScreen();

// The creation choices the screens fill and CApp::CreateCharacter sends.
PacketManager::CreationChoices& CreationDraft();
// What "next" opens once the choices are stored (the appearance screen).
std::function<void()>& ProfessionNextHook();
