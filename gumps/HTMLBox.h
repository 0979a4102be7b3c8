#pragma once
// The control that shows an HTMLDocument: a framed, scrollable text area (help, messenger, page
// queue, popup help, server gumps' HTML items) and, when not read-only, an editable field with a
// caret, mouse and keyboard selection, an internal clipboard shared by all boxes and a placeholder
// text that goes on first use. Links: '#' anchors scroll the box, internal links go to the side
// connection as command 1, others to the web browser.
#include "gumps/ChatControls.h"
#include "gumps/HTMLDocument.h"

#include <functional>
#include <memory>
#include <string>

class HTMLBox : public ChatControl {
  public:
    static constexpr int kMaxSingleLine = 100;
    static constexpr int kMaxText = 30000;
    static constexpr int kMinResize = 30;

    HTMLBox(CGump* parent, int buttonId, uint32_t flags, bool tabToParent, bool attach);
    ~HTMLBox() override;

    void SetRect(const Rect& place); // {x, y, width, height}
    void SetText(const char16_t* text, int colour);
    void Redraw();
    void InvertRect(const Rect& r);
    void ClearPlaceholder();
    void InsertText(const std::u16string& text);
    void DeleteSelection(bool copy);
    void DeleteForward();
    void ScrollToCaret();

    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override { PassRButtonUp(x, y); }
    void HandleCaptureMove(int x, int y) override;
    void HandleKey(int key) override;
    void HandleScrollBarMove(int position, int range, ChatScrollBar* bar) override;
    void HandleScrollBarStep(int direction, ChatScrollBar* bar) override;

    const HTMLDocument* document() const { return doc_.get(); }
    HTMLDocument* document() { return doc_.get(); }
    const std::u16string& Text() const; // the first run's text

    int buttonId = 0;
    bool tabToParent = false;
    bool highlighted = false;
    bool placeholder = true;
    bool movable = false;
    bool resizable = false;
    bool moving = false;
    bool resizing = false;
    int scrollRange = 100;
    int scrollPos = 0;
    int caret = -1;
    int selectionEnd = -1;
    int frameArt[9] = {};
    uint32_t flags = 0;
    Rect textRect{};
    ChatScrollBar* scrollBar = nullptr;

    static std::u16string clipboardText;
    static int lastWidth, lastHeight; // 300 x 170 at start
    static int lastX, lastY;          // 10, 10 at start

    // What the box reaches outside the gump layer; tests replace them.
    struct Services {
        std::function<bool(int virtualKey)> keyDown;
        std::function<void(const std::u16string& href)> sendInternalLink; // command 1 on the side connection
        std::function<void(const std::string& url)> openUrl;              // leaves full screen first
        std::function<void()> targetFromBox;                              // a press while a target is wanted
    };
    static Services& services();
    static void ResetForTests();

  private:
    bool Editable() const { return !(flags & HtmlFlag::ReadOnly); }
    bool InText(int px, int py) const;
    HTMLRun* FirstRun();
    void SetScroll(int position);
    void MoveCaretVertically(int dy, bool shift);

    std::unique_ptr<HTMLDocument> doc_;
};
