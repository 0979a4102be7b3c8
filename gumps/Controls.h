#pragma once
// The child controls windows are built from: the push button (release, toggle and auto-repeat
// kinds, hover, blink and disabled looks), the button with a centred text label, the slider thumb
// and the check box with a label. A window constructs a control and attaches it as its child.
// Buttons call their callback with the parent; thumbs and toggles call the parent's
// HandleThumbMove, HandleThumbRelease and HandleChildChange.
#include "gumps/CGump.h"
#include "text/CWideString.h"

#include <functional>
#include <string>
#include <vector>

// Called with the button's parent when the button fires.
using ButtonCallback = std::function<void(CGump* parent)>;

class CButtonGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Button;
    static constexpr int kDisabledHue = 960;
    static constexpr int kRepeatDelay = 5;
    enum Kind : int { Release = 0, Toggle = 1, Repeat = 2 };

    // Sized from art (or pressedArt when art is missing); frame is the first visual state.
    CButtonGump(int x, int y, CGump* parent, int kind, int frame, ButtonCallback callback, int art,
                int pressedArt, bool minimisedState);
    // An invisible button over (x1, y1)-(x2, y2), both inclusive; the width made even.
    CButtonGump(int x1, int y1, int x2, int y2, CGump* parent, int kind, int frame, ButtonCallback callback,
                bool minimisedState);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonDown(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleMouseTick() override;
    // One blink step (the owner window calls it through UpdateChildren).
    void Update() override;

    int buttonKind = Release;
    int repeatDelay = 0;
    int buttonId = 0;
    int pressedArt = 0;
    int hoverArt = 0;
    int blinkOffPeriod = 10;
    int blinkOnPeriod = 1;
    int blinkArt = 0;
    bool storeId = false;
    bool disabled = false;
    bool ownBitmaps = false;
    bool hovered = false;
    bool pixelExact = true;
    ButtonCallback callback;
    bool held = false;
    bool blinkShown = false;
    int blinkCounter = 0;

  protected:
    // The art drawn for the current state, 0 for none; *hued when drawn in the disabled hue.
    int ArtForState(bool* hued) const;
    // Stores the id and calls the callback: false when the button was closed by it (its window
    // closing takes it along), so that nothing more may be done.
    bool Fire();

    bool hotRectangle_ = false;
};

class CTextButtonGump : public CButtonGump {
  public:
    static constexpr GumpKind kKind = GumpKind::TextButton;
    enum class Face : uint8_t { None = 0, Normal = 1, Hover = 2, Pressed = 3 };
    static constexpr uint16_t kLitColour = 0x7FE0;
    static constexpr uint16_t kNormalColour = 1;

    CTextButtonGump(int x, int y, CGump* parent, int kind, int frame, ButtonCallback callback, int art,
                    int pressedArt, bool minimisedState);

    void SetTextId(int number);
    void SetText(const char16_t* text);
    void Draw(const BlitTarget& target, const Rect& clip) override;
    void Update() override;

    int labelX = 0, labelY = 0;
    CWideString label;
    Face painted = Face::None;
    int paintCount = 0; // faces painted, for tests of the repaint rule
};

class CThumbGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Thumb;

    // Runs from x (or y when vertical) to trackEnd minus its own size.
    CThumbGump(int x, int y, bool vertical, int trackEnd, CGump* parent, int art);

    // value / range of the track; a range below 1 counts as 1.
    void SetPosition(int value, int range);
    // A vertical thumb placed for a list of lines: the heights of all lines, the first line shown
    // and the pixels of it scrolled past.
    void SyncToTextList(const std::vector<int>& lineHeights, int topLine, int pixelOffset);
    // The same with the parent's lines from the source the journal window binds.
    void SyncToTextList();
    struct TextListView {
        std::vector<int> lineHeights;
        int topLine = 0;
        int pixelOffset = 0;
    };
    static std::function<bool(CGump* parent, TextListView* view)>& TextListSource();

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonDown(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleCaptureMove(int x, int y) override;

    // The position along the track from its minimum, and the track's length.
    int Position() const;
    int Range() const;

    bool vertical = false;
    bool hovered = false;
    int xMin = 0, xMax = 0, yMin = 0, yMax = 0;
    int hoverArt = 0;
    bool dragging = false;
};

class CToggleControlGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::ToggleControl;

    CToggleControlGump(int x, int y, CGump* parent, int uncheckedArt, int checkedArt, int font, int hue,
                       const char* label, bool checked, int readOnlyUncheckedArt, int readOnlyCheckedArt);

    // Repaints the check art for the current state.
    void DrawCheckArt();
    void SetChecked(bool on);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;

    int checkedArt = 0;
    int readOnlyUncheckedArt = 0;
    int readOnlyCheckedArt = 0;
    int hoverUncheckedArt = 0;
    int hoverCheckedArt = 0;
    bool held = false;
    bool hovered = false;
    bool checked = false;
    bool readOnly = false;
};

// The controls' shared drawing and hit test (toggles, input and list controls): frame 0 copied
// with the colour key; inside frame 0's bounds, no pixel test.
void DrawControlFrame(CGump* control, const BlitTarget& target, const Rect& clip);
bool IsPointInsideControlFrame(const CGump* control, int x, int y);
// The release of the right button: the capture goes, the parent gets the release.
void ControlRButtonUp(CGump* control, int x, int y);
