#pragma once
// Editable lists of text rows. EditListBase holds what every edit list shares: drawing its pixel
// block and rows, a press that raises it and tracks clicks, dragging its window while the button
// is held, and the right button going to the window. CUnicodeEditListGump is the UTF-16 list: one
// field per 29-pixel row, an empty last row that grows the list when typed into, a cleared middle
// row removed, marking, Delete in fixed-rows mode, Tab to the next row and scrolling arrows.
#include "gumps/CGump.h"
#include "gumps/Controls.h"
#include "gumps/InputControls.h"

#include <vector>

class EditListBase : public CGump {
  public:
    EditListBase(int x, int y, int width, int height);

    // The pixel block with transparency where it meets the clip, then the rows (the visible flag is
    // not read: the window's page decides).
    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    // A press on the list itself (not a row): raises it, remembers the point, tracks clicks.
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    // With the button held the window (the list itself without one) follows the pointer.
    void HandleCaptureMove(int x, int y) override;
    void HandleMouseTick() override;
    // The window gets the release at (0, 0), which closes it.
    void HandleRButtonUp(int, int) override { ParentRButtonUpHandler(this, 0, 0); }

    bool held = false;
    bool longPress = false;
    ClickTracker clicks;
    DialogDragState drag;
};

class CUnicodeEditListGump : public EditListBase {
  public:
    static constexpr GumpKind kKind = GumpKind::UnicodeEditList;
    static constexpr int kRowStep = 29;
    static constexpr int kFirstRowY = 7;
    static constexpr int kRowWidth = 136;
    static constexpr int kNormalHue = 902;
    static constexpr int kMarkHue = 88;

    CUnicodeEditListGump(int x, int y, CGump* parent, int unused, int art, int maxRows, int rowMaxLength);

    void AddLine(const char16_t* text, int value);
    // Each byte widened to a unit, as many as a row holds.
    void AddLineAscii(const char* text, int value);
    void RemoveLine(CUnicodeInputControlGump* row);
    void ScrollUp();
    void ScrollDown();
    void ClearMark();

    void HandleKey(int key) override;
    void HandleChildChange(CGump* child) override;
    void HandleTabKey() override;
    void HandleChildMouseDown(CGump* child) override;

    int RowCount() const { return static_cast<int>(rows_.size()); }
    CUnicodeInputControlGump* Row(int i) const { return rows_[static_cast<size_t>(i)]; }
    int IndexOf(const CGump* row) const;

    CButtonGump* upArrow = nullptr;
    CButtonGump* downArrow = nullptr;
    bool fixedRows = false;
    CUnicodeInputControlGump* markedRow = nullptr;
    uint16_t markedSavedColour = 0;
    int rowX = 10;
    int maxRows = 0;
    int firstVisibleIndex = 0;
    int rowMaxLength = 0;

  private:
    void RepaintBackground();
    // Moves every row from index from on by dy and shows exactly the rows that fit.
    void MoveRows(int from, int dy);
    uint16_t NormalColour() const;

    std::vector<CUnicodeInputControlGump*> rows_; // children of the list, in order
};
