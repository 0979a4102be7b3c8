#pragma once
// The player chat window: transcript, user list and input line with their scroll bars, two
// pop-out panes (conferences and commands), dialogs for the commands that need an argument,
// resizing by two handles and minimising to a small picture. There is at most one; the chat
// packet handlers create it and feed it; what the player types goes out as packet 0xB3.
#include "gumps/ChatControls.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class ChatGump;

// A pane listing conferences or commands beside the chat window's transcript or user list.
class ChatListGump : public ChatControl {
  public:
    using Entry = std::pair<std::u16string, std::u16string>; // display text, command text

    ChatListGump(ChatGump* window, const std::vector<Entry>& entries, int background);
    ~ChatListGump() override;

    void FitSize();
    void Layout();
    void ClampToParent();

    void Draw(const BlitTarget& target, const Rect& clip) override;
    void HandleLButtonDown(int x, int y) override { PassLButtonDown(x, y); }
    void HandleLButtonUp(int x, int y) override { PassLButtonUp(x, y); }
    void HandleCaptureMove(int x, int y) override { PassCaptureMove(x, y); }
    void HandleRButtonUp(int x, int y) override;
    void HandleTextBoxScroll(int position, int total, int boxId) override;
    void HandleScrollBarMove(int position, int range, ChatScrollBar* bar) override;
    void HandleScrollBarStep(int direction, ChatScrollBar* bar) override;

    ChatBorder* borders[4] = {};
    ChatTextBox* box = nullptr;
    ChatScrollBar* bar = nullptr;

  private:
    GumpRef<ChatGump> window_;
    int widest_ = 0;
    int count_ = 0;
};

class ChatGump : public ChatControl {
  public:
    static constexpr GumpKind kKind = GumpKind::Chat;
    using Entry = ChatListGump::Entry;
    enum BoxId { ConferenceCaption = 0, CommandCaption = 1, Transcript = 2, Input = 3, UserList = 4 };

    ChatGump(int x, int y, int width, int height, const char16_t* title);
    ~ChatGump() override;

    // The open chat window, or null.
    static ChatGump* Instance();

    void AddLine(const char16_t* text, int type, int markStart, int markEnd, const char* language);
    // The entry count after an append; 0 when an existing entry changed.
    int AddConference(const char16_t* name, bool password);
    void RemoveConference(const char16_t* name);
    int GetInnerWidth() const;
    int GetInnerHeight() const;
    void ForgetPane(ChatListGump* pane);
    void LayoutBorders();
    void LayoutChildren();

    CGump* GetGumpAt(int x, int y, const CGump* exclude) override;
    // Saves the back buffer once under the window and its children (only the picture while
    // minimised).
    void PreDraw(const BlitTarget& target, const Rect& clip) override;
    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleCaptureMove(int x, int y) override;
    void HandleMouseTick() override;
    void Resize(int width, int height, int flag) override;
    void HandleKey(int key) override;
    void HandleButtonPress(int id) override;
    void HandleChildText(const char16_t* text, CGump* sender) override;
    void HandleTextBoxScroll(int position, int total, int boxId) override;
    int HandleTextEntered(const char16_t* text, ChatTextBox* box) override;
    void HandleScrollBarMove(int position, int range, ChatScrollBar* bar) override;
    void HandleScrollBarStep(int direction, ChatScrollBar* bar) override;
    void HandleDialogResult(ChatDialog* dialog, const char16_t* text, const char16_t* second) override;
    void HandleFocusLost() override;

    // The message of a typed line: its command code and the rest.
    std::u16string MessageFor(const std::u16string& text) const;

    CButtonGump* minimiseButton = nullptr;
    CButtonGump* resizeHandle = nullptr;
    CButtonGump* paneHandle = nullptr;
    CButtonGump* closeButton = nullptr;
    CButtonGump* conferenceButton = nullptr;
    CButtonGump* commandButton = nullptr;
    ChatTextBox* conferenceCaption = nullptr;
    ChatTextBox* commandCaption = nullptr;
    ChatTextBox* input = nullptr;
    ChatTextBox* userList = nullptr;
    ChatTextBox* transcript = nullptr;
    ChatScrollBar* transcriptBar = nullptr;
    ChatScrollBar* userBar = nullptr;
    ChatBorder* borders[9] = {};
    GumpRef<ChatListGump> conferencePane;
    GumpRef<ChatListGump> commandPane;
    bool pressed = false;
    ClickTracker clicks;
    bool restoreOnRelease = false;
    std::vector<Entry> conferences;
    std::vector<Entry> commands;
    std::vector<int> commandTextNumbers; // the "chat" number of each command
    std::u16string title;
    bool newText = false;
    int bottomHeight = 120;
    int sideWidth = 200;

    // The resize handles' slots, filled by the window-resizing frame.
    static std::function<void(CGump*)>& BeginResizeChatWindow();
    static std::function<void(CGump*)>& BeginResizeChatPane();
    // The chat window record of the desktop: x -1 when none is saved.
    struct SavedPlace {
        int x = -1;
        int sideWidth = 200;
        int bottomHeight = 120;
    };
    static SavedPlace& Saved();

  private:
    void BuildCommandList();
    void FocusInput();
    void SendChatText(const std::u16string& message);
};
