#pragma once
// Lists of up to 100 text rows the player chooses one of by pressing: CScrollChoiceGump (framed,
// scrolling; the shard list of the front end, the skill choice, and the list a drop-down input
// control opens) and CPanelChoiceGump (a frameless panel of rows). A press activates the row under
// it on the next tick and every second tick while held. A choice goes to the attached drop-down
// control (a GumpRef: a choice for a closed control is dropped), to the owner window, or for the
// shard list to the front end's shard selection through ShardListHooks.
#include "gumps/CGump.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"

#include <array>
#include <functional>

// What the shard list does at the front end (bound by it; empty slots do nothing).
struct ShardListHooks {
    // CServerListGump::SelectServer with the row's id and text (the shard name).
    std::function<void(int id, const char* name)> selectServer;
    // Closed without a choice: back to the main menu, the login connection closed, the title reset.
    std::function<void()> abandoned;
    // The sort buttons: 0 by time zone, 1 by load, 2 by latency.
    std::function<void(int kind)> sortBy;
};
ShardListHooks& ShardListHookTable();

// The row store both lists share.
struct ChoiceRows {
    static constexpr int kMaxRows = 100;
    static constexpr int kTextBytes = 80;
    int count = 0;
    std::array<int, kMaxRows> ids{};
    std::array<uint16_t, kMaxRows> hues{};
    std::array<std::array<char, kTextBytes>, kMaxRows> texts{};
    std::array<std::array<char, kTextBytes>, kMaxRows> second{};
    std::array<std::array<char, kTextBytes>, kMaxRows> third{};
    std::array<std::array<char16_t, kTextBytes>, kMaxRows> wide{};

    void Clear();
    // False (nothing added) at 100 rows; texts keep 79 characters.
    bool Add(int id, const char* text, int hue, const char* second, const char* third);
    // The owner fills the wide texts: cut to 79 units.
    void SetWide(int row, const char16_t* text);
};

class CScrollChoiceGump : public CGump {
  public:
    static constexpr int kRowFont = 5;
    static constexpr int kHoverHue = 53;
    static constexpr int kShardHoverHue = 33;
    static constexpr int kDefaultHue = 902;
    static constexpr int kMarkArt = 2360;

    CScrollChoiceGump(CGump* owner, int art, int x, int y, int width, int height, CInputControlGump* dropDown,
                      bool shardList, bool unicode);
    ~CScrollChoiceGump() override;

    void ClearRows();
    void ResetRowCount() { rows.count = 0; }
    void AddRow(int id, const char* text, int hue, const char* second, const char* third);
    void Redraw();
    // Chooses the row at the point (list coordinates).
    virtual void ActivateRow(int x, int y);
    // The row under a point of the list area, or -1.
    int RowAt(int x, int y, bool hoverReach) const;
    void ScrollBy(int rows);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int, int) override {}
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleMouseTick() override;
    void HandleThumbMove(int position, int range, CGump* thumb) override;

    ChoiceRows rows;
    int hoverRow = -1;
    bool pressed = false;
    int activationCounter = 0;
    Rect area{};
    int topRow = 0;
    std::array<int, 3> marks{-1, -1, -1};
    std::array<char, 80> title{};
    GumpRef<CGump> owner;
    CThumbGump* thumb = nullptr;
    GumpRef<CInputControlGump> dropDown;
    bool hasDropDown = false;
    // Set until a shard row is chosen: closing the list without one goes back to the main menu.
    bool closedWithoutChoice = true;
    int columnX = 0, scrollTop = 0, scrollBottom = 0;
    int rowFont = kRowFont;
    bool shardList = false;
    Rect secondColumn{}, thirdColumn{};
    bool unicode = false;
    int rowHeight = 0, baseline = 0;

  private:
    FrameCache frame_; // hovering repaints often: the ornaments stay where they were put
};

class CPanelChoiceGump : public CGump {
  public:
    static constexpr int kRowFont = 9;

    CPanelChoiceGump(int x, int y, int width, int height, CGump* owner, CInputControlGump* dropDown, int art,
                     bool unicode);

    void AddRow(int id, const char* text, int hue) { rows.Add(id, text, hue, nullptr, nullptr); }
    void Redraw();
    void ActivateRow(int x, int y);
    int RowAt(int x, int y) const;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleMouseTick() override;
    void HandleThumbMove(int position, int range, CGump* thumb) override;

    ChoiceRows rows;
    int hoverRow = -1;
    bool panelHovered = false;
    bool pressed = false;
    int activationCounter = 0;
    Rect area{};
    int topRow = 0;
    std::array<int, 3> marks{-1, -1, -1};
    std::array<char, 80> title{};
    GumpRef<CGump> owner;
    GumpRef<CInputControlGump> dropDown;
    bool hasDropDown = false;
    bool unicode = false;
    int rowHeight = 0, baseline = 0;
    int panelArt = 0;
};

// The first row shown for a thumb at position of range: a range below 1 counts as 1.
int ChoiceTopRow(int count, int position, int range);
