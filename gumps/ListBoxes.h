#pragma once
// Pop-up lists that fill an 8-bit input control: CListBoxControlGump, drawn from a vertical art
// strip, optionally scrolling with arrow marks, choosing on release; and CDropDownListGump, on a
// nine-piece frame, choosing on the next press. The owner window creates one hidden under the
// control, fills it, shows it and gives it the mouse capture; the list writes the chosen item
// into the control (kept as a GumpRef: a closed control gets nothing), tells the control's window
// and closes itself.
#include "gumps/CGump.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"

#include <array>

class CListBoxControlGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Other;
    static constexpr int kMaxItems = 100;
    static constexpr int kMaxItemLength = 40;
    static constexpr int kRowHeight = 14;
    static constexpr int kHighlightArt = 5109;
    static constexpr int kUpMarkArt = 2435;
    static constexpr int kDownMarkArt = 2437;

    // Width from the art, height from its top cap (art) and bottom cap (art + 4); hidden, empty.
    CListBoxControlGump(int x, int y, int art, int width, int height, int font, int hue, int visibleRows);

    // Ignored past 100 items; the text keeps 40 characters. Grows the list by a row (unless it
    // scrolls past its rows) and widens it, centred, for a wide text.
    void AddItem(int id, const char* text);
    // -1 repaints everything, a row number that row (the whole bitmap is repainted either way).
    virtual void Redraw(int row);
    void SetOwnerControl(CInputControlGump* control) { ownerControl = GumpRef<CInputControlGump>(control); }
    // Shows the list at top level for the field's choice, holding the capture and lit where the
    // pointer already is.
    void OpenFor(CInputControlGump* field);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleMouseTick() override;

    GumpRef<CInputControlGump> ownerControl;
    bool scrolling = false;
    int itemCount = 0;
    int selected = -1;
    int visibleRows = 0;
    int firstVisible = 0;
    std::array<int, kMaxItems> ids{};
    std::array<std::array<char, kMaxItemLength + 1>, kMaxItems> texts{};
    int font = 0;
    int hue = 0;

  protected:
    // The item's id and text into the control; its window is told.
    void Fill(int item);
    void Select(int item);
    int TopCap() const;
    int BottomCap() const;
};

class CDropDownListGump : public CListBoxControlGump {
  public:
    CDropDownListGump(int x, int y, int art, int width, int height, CGump* parent, int font, int hue,
                      int visibleRows);

    void Redraw(int row) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int, int) override {}
    void HandleCaptureMove(int x, int y) override;

  private:
    FrameCache frame_; // every move over the rows repaints: the ornaments stay put
};
