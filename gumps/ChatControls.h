#pragma once
// The chat family: ChatControl, the base through which the parts of a chat-family window talk to
// it (texts, scrolling, entered lines, dialogs, focus); ChatTextBox, a list of coloured UTF-16
// lines (wrapped or not, selectable, or with an input line); ChatBorder, a strip that drags its
// window; ChatScrollBar, arrows and a thumb over a tiled track; ChatDialog, a prompt with one or
// two fields whose answer goes to its parent (or, without one, opens the player chat).
#include "gumps/CGump.h"

#include <deque>
#include <string>

class CButtonGump;
class CThumbGump;
class ChatDialog;
class ChatScrollBar;
class ChatTextBox;

namespace ChatArt {
enum : int {
    BorderAcross = 2700,
    BorderDown = 2701,
    ResizeHandle = 2703,
    Cancel = 2708,
    CancelPressed = 2709,
    Minimise = 2710,
    MinimisePressed = 2711,
    Accept = 2714,
    AcceptPressed = 2715,
    Minimised = 2642,
    UpArrow = 250,
    UpArrowPressed = 251,
    DownArrow = 252,
    DownArrowPressed = 253,
    Thumb = 254,
    Track = 256,
};
}

class ChatControl : public CGump {
  public:
    ChatControl();
    ChatControl(int x, int y, int frameCount, int width, int height);

    virtual void HandleChildText(const char16_t* text, CGump* sender);
    virtual void HandleTextBoxScroll(int, int, int) {}
    virtual int HandleTextEntered(const char16_t*, ChatTextBox*) { return 1; }
    virtual void HandleScrollBarMove(int, int, ChatScrollBar*) {}
    virtual void HandleScrollBarStep(int, ChatScrollBar*) {}
    virtual void HandleDialogCancel(ChatDialog*) {}
    virtual void HandleDialogResult(ChatDialog*, const char16_t*, const char16_t*) {}
    virtual void HandleFocusLost() {}

    void HandleMouseTick() override;
    void OnFocusLost() override { HandleFocusLost(); }

  protected:
    // The chat-family parent, or null.
    ChatControl* ChatParent() const;
    // Events passed on to the parent in its coordinates.
    void PassLButtonDown(int x, int y);
    void PassLButtonUp(int x, int y);
    void PassCaptureMove(int x, int y);
    void PassRButtonUp(int x, int y);
};

// Selects the chat font (or a given unicode font) around measuring and drawing.
class ChatFontScope {
  public:
    explicit ChatFontScope(int font);
    ~ChatFontScope();
    ChatFontScope(const ChatFontScope&) = delete;
    ChatFontScope& operator=(const ChatFontScope&) = delete;

  private:
    int font_, space_;
    uint8_t antiAlias_;
};

class ChatTextBox : public ChatControl {
  public:
    static constexpr int kMaxInput = 1023;
    struct Line {
        std::u16string text;
        int colour = 0;
        int secondColour = 0;
        int markStart = -1, markEnd = -1;
        int height = 18;
        char language[4] = {};
    };

    // font -1: the chat font of the settings; 0..2: that unicode font (the popup help window).
    ChatTextBox(CGump* parent, bool wrap, bool selectable, int lineLimit, int boxId, int background,
                int font = -1);

    void SetRect(int x, int y, int width, int height);
    void AddLine(const char16_t* text, int colour, int secondColour, int markStart, int markEnd,
                 const char* language);
    void UpdateLine(const char16_t* text, int colour, int secondColour, int markStart, int markEnd,
                    const char* language);
    void RemoveLine(const char16_t* text);
    void Clear();
    void SetScrollPos(int position);
    void ScrollToFraction(int position, int range);
    void ScrollStep(bool down);
    void BeginEdit();
    void SetEditText(const char16_t* text);
    void AppendEditText(const char16_t* text);
    const char16_t* GetEditText() const;
    int GetLastLineHeight() const;
    int GetEditTextWidth() const;
    void Redraw();
    // The line under the pointer and its top inside the box, or null.
    const Line* GetLineAtMouse(int* top) const;
    const Line* LineAtPoint(int px, int py, int* top) const;

    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override { PassRButtonUp(x, y); }
    void HandleMouseMove(int x, int y) override;
    void HandleMouseMoveAway() override;
    void HandleCaptureMove(int x, int y) override;
    void HandleKey(int key) override;
    void HandleFocusLost() override;

    int boxId = 0;
    bool wrap = false;
    bool selectable = false;
    int lineLimit = 1;
    int total = 0;
    int scrollPos = 0;
    int caret = -1;
    int background = 0;
    int font = -1;
    std::deque<Line> lines;

  private:
    int Measure(const std::u16string& text) const;
    void Report();
    void Relayout();
    void RemeasureLastLine();
    void Submit(const std::u16string& text);
};

class ChatBorder : public ChatControl {
  public:
    explicit ChatBorder(CGump* parent);
    void SetStrip(bool vertical, int art, int x, int y, int length);

    void HandleLButtonDown(int x, int y) override { PassLButtonDown(x, y); }
    void HandleLButtonUp(int x, int y) override { PassLButtonUp(x, y); }
    void HandleRButtonUp(int x, int y) override { PassRButtonUp(x, y); }
    void HandleCaptureMove(int x, int y) override { PassCaptureMove(x, y); }
};

class ChatScrollBar : public ChatControl {
  public:
    explicit ChatScrollBar(CGump* parent);
    void SetRect(int x, int y, int height);
    void SetPosition(int value, int range);

    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override { PassRButtonUp(x, y); }
    void HandleCaptureMove(int x, int y) override { PassCaptureMove(x, y); }
    void HandleMouseTick() override;
    void HandleThumbMove(int position, int range, CGump* thumb) override;
    void HandleButtonPress(int id) override;

    CButtonGump* up = nullptr;
    CButtonGump* down = nullptr;
    CButtonGump* repeating = nullptr;
    CThumbGump* thumb = nullptr;
    bool trackHeld = false;
};

class ChatDialog : public ChatControl {
  public:
    static constexpr int kWidth = 200;

    // parent null: a top-level dialog whose accepted answer opens the player chat.
    ChatDialog(ChatControl* parent, int dialogId, const char16_t* prompt, const char16_t* firstLabel,
               const char16_t* secondLabel);
    ~ChatDialog() override;

    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleKey(int key) override;
    void HandleButtonPress(int id) override;
    int HandleTextEntered(const char16_t* text, ChatTextBox* box) override;
    void HandleFocusLost() override;

    int dialogId = 0;
    bool cancelled = true;
    bool dragging = false;
    ChatTextBox* prompt = nullptr;
    ChatTextBox* firstLabel = nullptr;
    ChatTextBox* firstField = nullptr;
    ChatTextBox* secondLabel = nullptr;
    ChatTextBox* secondField = nullptr;
    ChatTextBox* active = nullptr;
    ChatBorder* borders[7] = {};
    int borderCount = 6;
    CButtonGump* cancelButton = nullptr;
    CButtonGump* acceptButton = nullptr;

  private:
    void Layout();
    void Accept();
    GumpRef<ChatControl> parent_;
    bool hasParent_ = false;
};

// Builds packet 0xB5 (open chat) with the name in 30 units.
class PacketWriter;
void SendOpenChat(PacketWriter& packet, const char16_t* name);
