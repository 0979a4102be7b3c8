#pragma once
// The control fixture with the sample "chat" texts loaded, a chat-family window that records what
// its parts tell it, and a game connection whose queued bytes the tests read.
#include "core/FileManager.h"
#include "gumps/ChatControls.h"
#include "gumps/ControlFixture.h"
#include "gumps/HTMLBox.h"
#include "mkinstall/TextFiles.h"
#include "net/CGameSock.h"
#include "text/LanguageManager.h"

#include <string>
#include <vector>

namespace chattest {

inline std::string Narrow(const char16_t* text) {
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

class RecordingChat : public ChatControl {
  public:
    RecordingChat(int x_, int y_, int w, int h) : ChatControl(x_, y_, 1, w, h) {
        SetFrame(0, PixelBlock(w, h));
        Attach(nullptr);
    }
    void HandleChildText(const char16_t* text, CGump*) override { events.push_back("text " + Narrow(text)); }
    void HandleTextBoxScroll(int position, int total, int id) override {
        events.push_back("scroll " + std::to_string(position) + "/" + std::to_string(total) + " #" +
                         std::to_string(id));
    }
    int HandleTextEntered(const char16_t* text, ChatTextBox*) override {
        events.push_back("entered " + Narrow(text));
        return acceptLines;
    }
    void HandleScrollBarStep(int direction, ChatScrollBar*) override {
        events.push_back("step " + std::to_string(direction));
    }
    void HandleDialogCancel(ChatDialog*) override {
        events.push_back("cancel");
        ++cancels;
    }
    void HandleDialogResult(ChatDialog*, const char16_t* text, const char16_t* second) override {
        events.push_back("result " + Narrow(text) +
                         (second ? " | " + Narrow(second) : std::string(" | null")));
    }
    std::vector<std::string> events;
    int acceptLines = 1;
    static inline int cancels = 0; // also after the window is gone
    // Only the events that start with prefix.
    std::vector<std::string> Only(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& e : events)
            if (e.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }
};

class ChatTest : public gumptest::ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        HTMLBox::ResetForTests();
        HTMLDocument::ResetVisitedForTests();
        ASSERT_TRUE(mkinstall::WriteTextFiles(dir.path().string(), nullptr));
        FileManager::startupWithPaths(dir.path().string(), "");
        LanguageManager::startup();
    }
    void TearDown() override {
        CGumpManager::CloseAllGumps();
        CGumpManager::FreeClosedGumps();
        ResetNetworkForTests();
        HTMLBox::ResetForTests();
        LanguageManager::shutdown();
        FileManager::shutdown();
        ControlTest::TearDown();
    }
    // The bytes queued on the game connection since the last call.
    std::vector<uint8_t> Queued() {
        CGameSock* c = GetCurrentConnection();
        if (!c) return {};
        std::vector<uint8_t> all(c->SendBuffer(), c->SendBuffer() + c->SendFill());
        std::vector<uint8_t> fresh(all.begin() + static_cast<ptrdiff_t>(std::min(seen_, all.size())),
                                   all.end());
        seen_ = all.size();
        return fresh;
    }
    static void Press(int x, int y) {
        MoveTo(x, y);
        MouseManager::OnLButtonDown(x, y);
    }
    static void Release(int x, int y) {
        MoveTo(x, y);
        MouseManager::OnLButtonUp(x, y);
    }
    qvtest::TempDir dir;

  private:
    size_t seen_ = 0;
};

} // namespace chattest
