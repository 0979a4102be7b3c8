#pragma once
// The character choice: up to five rows with the account's characters, new, delete, play and back,
// the password question of a protected character and the deletion question.
#include "gumps/CGump.h"

#include <array>
#include <string>
#include <vector>

class CFramedInputControlGump;
class CInputControlGump;
class CButtonGump;
class CToggleControlGump;
struct CharacterEntry;

class CLoginGump : public CGump {
  public:
    static constexpr int kRows = 5;
    static constexpr int kFrameArt = 2600;

    CLoginGump();
    ~CLoginGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleKey(int key) override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;
    void HandleChildMouseDown(CGump* child) override;
    void HandleChildDoubleClick(CGump* child) override;
    void Update() override { UpdateChildren(); }

    void AddCharacter(const std::string& name, int slot);
    void RemoveCharacter(int slot);
    // The row that is selected and filled, or -1.
    int SelectedFilledRow() const;
    int RowOf(const CGump* control) const;

    int rowCount = 0;
    int selected = 0;
    std::array<int, kRows> slots{-1, -1, -1, -1, -1};
    std::array<CFramedInputControlGump*, kRows> rows{};
    CButtonGump* playArrow = nullptr;
    CButtonGump* backButton = nullptr;
    CButtonGump* newButton = nullptr;
    CToggleControlGump* configBox = nullptr;
};

class CPlayCharGump : public CGump {
  public:
    explicit CPlayCharGump(const std::string& name);
    ~CPlayCharGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;

    CInputControlGump* passwordField = nullptr;

  private:
    DialogDragState drag_;
};

class CDeleteCharGump : public CGump {
  public:
    explicit CDeleteCharGump(const std::string& name);
    ~CDeleteCharGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int, int) override { return true; }
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;

  private:
    DialogDragState drag_;
};

void PlaySelectedCharacter(CGump* screen);
void PlayCharacterWithPassword(CGump* dialog);
void StartCharacterCreation(CGump* screen);
void ConfirmDeleteCharacter(CGump* screen);
void DeleteCharacter(CGump* dialog);
void LeaveCharacterSelection(CGump* screen);

// The login road's entries: the selection from the list, its rows replaced (0x86), and the
// selected row gone (0x53 code 1).
void ShowCharacterSelection(const std::vector<CharacterEntry>& characters);
void RefreshCharacterSelection(const std::vector<CharacterEntry>& characters);
void RemoveSelectedCharacter();
