#pragma once
// Pictures and message boxes: the dumb gump (a picture that is never hit), the sign gump (an art
// with a text in it), the waiting gump (the centred message box with one button, which holds the
// keyboard focus while open and hands it back), and the modal yes/no question.
#include "gumps/CGump.h"
#include "gumps/Controls.h"

#include <string>

class CDumbGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Dumb;

    // width x height pixels copied from pixels when given, then art drawn over them unless -1.
    CDumbGump(int x, int y, CGump* parent, int width, int height, int itemArtId, const uint16_t* pixels,
              int art);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int, int) override { return false; }

    bool itemArtMode = false;
    bool translucent = false;
    int itemArtId = 0;
};

class CSignGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Sign;
    static constexpr int kTextFont = 1;
    static constexpr int kTextHue = 902;

    CSignGump(int x, int y, int art, int unused, const char* text, uint32_t ownerSerial);

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;

  private:
    DialogDragState drag_;
};

class CWaitingGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::Waiting;
    static constexpr int kFrameArt = 2600;
    static constexpr int kTextLeft = 44, kTextTop = 44;
    static constexpr int kSmallTextWidth = 115, kLargeTextWidth = 268;
    static constexpr size_t kMaxTextBytes = 511;
    static constexpr size_t kMaxTextUnits = 255;
    static constexpr int kTextHue = 902;
    static constexpr uint16_t kUnicodeColour = 1;

    // Centred whatever x and y say; the button is an OK button, or a cancel-style one (a large
    // cancel-style box is the busy box).
    CWaitingGump(int x, int y, const char* text, CGump* owner, bool cancelStyle, bool large, int value);
    CWaitingGump(int x, int y, const char16_t* text, CGump* owner, bool cancelStyle, bool large, int value);
    ~CWaitingGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleKey(int key) override;

    CGump* Owner() const { return owner_.get(); }
    CGump* PreviousFocus() const { return previousFocus_.get(); }
    CButtonGump* Button() const { return button_.get(); }
    const std::string& Text() const { return text_; }
    const std::u16string& WideText() const { return wideText_; }

    bool large = false;
    int value = 0;
    bool dragging = false;
    bool busy = false;
    bool unicode = false;

  private:
    void Build(CGump* owner, bool cancelStyle);
    void RenderText();

    std::string text_;
    std::u16string wideText_;
    GumpRef<CGump> owner_;
    // The focus goes back here on closing, when it is still alive then.
    GumpRef<CGump> previousFocus_;
    GumpRef<CButtonGump> button_;
};

// The OK button of every message box: the owner is shown again; a box opened with a value (a lost
// connection) logs out through the log-out slot, any other box closes.
void WaitingGumpButton(CGump* box);
// The one message box of the login road ("the waiting gump"): cleared when it closes.
CWaitingGump* GetPendingWaitingGump();
void SetPendingWaitingGump(CWaitingGump* box);

class CYesNoGump : public CGump {
  public:
    static constexpr int kBackgroundArt = 2070;
    static constexpr int kTextFont = 1;
    static constexpr int kTextHue = 902;
    static constexpr int kWrapWidth = 115;
    static constexpr Rect kTextArea{33, 30, 148, 63};

    // Modal and attached at top level; each callback is called with the box.
    CYesNoGump(const char* text, ButtonCallback right, ButtonCallback left, CGump* owner);

    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;

    CGump* Owner() const { return owner_.get(); }
    CButtonGump* RightButton() const { return right_.get(); }
    CButtonGump* LeftButton() const { return left_.get(); }

  private:
    DialogDragState drag_;
    GumpRef<CGump> owner_;
    GumpRef<CButtonGump> right_, left_;
};

// The item area of a container art (the text area of a sign); 0, 0, 200, 200 for other arts.
Rect GetContainerItemRect(int gumpId);
