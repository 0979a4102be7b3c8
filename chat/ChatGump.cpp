#include "chat/ChatGump.h"

#include "chat/ChatLines.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChatServices.h"
#include "gumps/Controls.h"
#include "gumps/MouseManager.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "render/GumpArt.h"
#include "render/SpanOps.h"
#include "text/UnicodeFont.h"

#include <algorithm>

namespace {

ChatGump*& TheWindow() {
    static ChatGump* window = nullptr;
    return window;
}

// A missing text is an empty one.
std::u16string Text(int number) {
    const char16_t* t = GetChatText(number);
    return t ? std::u16string(t) : std::u16string();
}

struct Sizes {
    int bh = 0, bw = 0, sw = 0, sh = 0;
};
Sizes ArtSizes() {
    Sizes s;
    int w = 0, h = 0;
    GetGumpArtSize(ChatArt::BorderAcross, &w, &s.bh);
    GetGumpArtSize(ChatArt::BorderDown, &s.bw, &h);
    GetGumpArtSize(ChatArt::DownArrow, &s.sw, &s.sh);
    return s;
}

CButtonGump* MakeButton(CGump* parent, int art, int pressedArt, ButtonCallback callback, int id) {
    auto* b =
        new CButtonGump(0, 0, parent, CButtonGump::Release, 0, std::move(callback), art, pressedArt, false);
    b->buttonId = id;
    b->storeId = true;
    b->Attach(parent);
    return b;
}

// The command words in table order: "chat" texts 65 to 89 carry 'b' to 'z', then 92, 93 and 90.
struct Word {
    int number;
    char16_t code;
};
std::vector<Word> CommandWords() {
    std::vector<Word> words;
    for (int n = 65; n <= 89; ++n)
        words.push_back({n, static_cast<char16_t>('b' + (n - 65))});
    words.push_back({92, 'z'});
    words.push_back({93, 'z'});
    words.push_back({90, 'A'});
    return words;
}

// The message of a typed line: its code unit, then the text.
std::u16string WithCode(char16_t code, std::u16string_view text) {
    std::u16string message;
    message.reserve(text.size() + 1);
    message.push_back(code);
    message.append(text);
    return message;
}

} // namespace

// ------------------------------------------------------------------ ChatListGump

ChatListGump::ChatListGump(ChatGump* window, const std::vector<Entry>& entries, int background)
    : ChatControl(0, 0, 1, 1, 1), window_(window), count_(static_cast<int>(entries.size())) {
    debugName = "ChatListGump";
    Attach(window);
    for (ChatBorder*& b : borders)
        b = new ChatBorder(this);
    box = new ChatTextBox(this, false, true, 2048, 0, background);
    bar = new ChatScrollBar(this);
    {
        ChatFontScope scope(-1);
        for (const Entry& e : entries) {
            int w = 0, h = 0, third = 0;
            UnicodeCalcInfo(e.first.c_str(), &w, &h, &third);
            widest_ = std::max(widest_, w);
        }
    }
    for (const Entry& e : entries)
        box->AddLine(e.first.c_str(), ChatColorMenuOption, ChatColorMenuOption, -1, -1, nullptr);
    FitSize();
    Layout();
}

ChatListGump::~ChatListGump() {
    if (ChatGump* w = window_.get()) w->ForgetPane(this);
}

void ChatListGump::FitSize() {
    const Sizes s = ArtSizes();
    int tw = 0, th = 0;
    GetGumpArtSize(ChatArt::Thumb, &tw, &th);
    width = widest_ + 4 + 2 * s.bw + s.sw;
    height = std::max(2 * s.bh + 18 * std::min(count_, 11), th + 2 * (s.sh + s.bh));
    if (ChatGump* w = window_.get()) {
        height = std::min(height, w->height - s.sh - s.bh);
        width = std::min(width, w->width);
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
}

void ChatListGump::Layout() {
    const Sizes s = ArtSizes();
    borders[0]->SetStrip(false, ChatArt::BorderAcross, 0, 0, width);
    borders[1]->SetStrip(false, ChatArt::BorderAcross, 0, height - s.bh, width);
    borders[2]->SetStrip(true, ChatArt::BorderDown, 0, s.bh, height - 2 * s.bh);
    borders[3]->SetStrip(true, ChatArt::BorderDown, width - s.bw, s.bh, height - 2 * s.bh);
    bar->SetRect(s.bw, s.bh, height - 2 * s.bh);
    box->SetRect(s.bw + s.sw, s.bh, width - 2 * s.bw - s.sw, height - 2 * s.bh);
    box->SetScrollPos(0);
}

void ChatListGump::ClampToParent() {
    ChatGump* w = window_.get();
    if (!w || (width <= w->width && height <= w->height)) return;
    width = std::min(width, w->width);
    height = std::min(height, w->height);
    Layout();
}

void ChatListGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    for (CGump* c = lastChild(); c; c = c->previous())
        c->Draw(target, clip);
}

void ChatListGump::HandleRButtonUp(int, int) {
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    Close();
}

void ChatListGump::HandleTextBoxScroll(int position, int total, int) {
    if (bar) bar->SetPosition(position, total);
}

void ChatListGump::HandleScrollBarMove(int position, int range, ChatScrollBar*) {
    box->ScrollToFraction(position, range);
}

void ChatListGump::HandleScrollBarStep(int direction, ChatScrollBar*) {
    box->ScrollStep(direction != 0);
}

// ------------------------------------------------------------------ ChatGump

std::function<void(CGump*)>& ChatGump::BeginResizeChatWindow() {
    static std::function<void(CGump*)> slot;
    return slot;
}
std::function<void(CGump*)>& ChatGump::BeginResizeChatPane() {
    static std::function<void(CGump*)> slot;
    return slot;
}
ChatGump::SavedPlace& ChatGump::Saved() {
    static SavedPlace place;
    return place;
}

ChatGump* ChatGump::Instance() {
    return TheWindow();
}

ChatGump::ChatGump(int x_, int y_, int w, int h, const char16_t* title_)
    : ChatControl(x_, y_, 2, w, h), title(title_ ? title_ : u"") {
    SetKind(GumpKind::Chat, GumpTrait::Disposable | GumpTrait::ChatControl);
    debugName = "ChatGump";
    TheWindow() = this;
    if (Saved().x != -1) {
        sideWidth = Saved().sideWidth;
        bottomHeight = Saved().bottomHeight;
    }
    {
        int mw = 0, mh = 0;
        GetGumpArtSize(ChatArt::Minimised, &mw, &mh);
        PixelBlock& mini = SetFrame(1, PixelBlock(mw, mh));
        if (!mini.Empty())
            DrawGumpArt(CopySpan, ChatArt::Minimised, 0, 0, mini.pixels.data(), mini.width, mini.height);
        minimisedWidth = mw;
        minimisedHeight = mh;
    }
    for (ChatBorder*& b : borders)
        b = new ChatBorder(this);
    minimiseButton = MakeButton(
        this, ChatArt::Minimise, ChatArt::MinimisePressed,
        [](CGump* p) {
            MinimizeGump(p);
            p->frameIndex = 1;
        },
        0);
    closeButton = MakeButton(this, ChatArt::Cancel, ChatArt::CancelPressed, DeleteGumpCallback, 0);
    conferenceButton = MakeButton(this, ChatArt::DownArrow, ChatArt::DownArrowPressed, ForwardButtonPress, 0);
    commandButton = MakeButton(this, ChatArt::DownArrow, ChatArt::DownArrowPressed, ForwardButtonPress, 1);
    transcriptBar = new ChatScrollBar(this);
    userBar = new ChatScrollBar(this);

    conferenceCaption =
        new ChatTextBox(this, false, false, 1, ConferenceCaption, ChatColorConferenceMenuBackground);
    commandCaption = new ChatTextBox(this, false, false, 1, CommandCaption, ChatColorCommandMenuBackground);
    transcript = new ChatTextBox(this, true, false, 256, Transcript, ChatColorTextBackground);
    input = new ChatTextBox(this, true, false, 12, Input, ChatColorInputBackground);
    userList = new ChatTextBox(this, false, true, 3000, UserList, ChatColorUserListBackground);

    conferences.push_back({Text(0), u""});
    BuildCommandList();

    transcript->AddLine(Text(94).c_str(), ChatColorSystemMessage, ChatColorSystemMessage, -1, -1, nullptr);
    input->AddLine(u"", ChatColorInput, ChatColorInput, -1, -1, nullptr);
    conferenceCaption->AddLine(Text(1).c_str(), ChatColorMenuOption, ChatColorMenuOption, -1, -1, nullptr);
    commandCaption->AddLine(Text(2).c_str(), ChatColorMenuOption, ChatColorMenuOption, -1, -1, nullptr);

    resizeHandle = MakeButton(
        this, ChatArt::ResizeHandle, ChatArt::ResizeHandle,
        [](CGump* p) {
            if (BeginResizeChatWindow()) BeginResizeChatWindow()(p);
        },
        0);
    paneHandle = MakeButton(
        this, ChatArt::ResizeHandle, ChatArt::ResizeHandle,
        [](CGump* p) {
            if (BeginResizeChatPane()) BeginResizeChatPane()(p);
        },
        0);
    LayoutBorders();
    LayoutChildren();
    Attach(nullptr);
}

ChatGump::~ChatGump() {
    if (TheWindow() == this) TheWindow() = nullptr;
    if (HasGameSock()) SendChatText(u"X");
}

void ChatGump::BuildCommandList() {
    static const int kPairs[][2] = {{3, 68}, {4, 71},  {5, 84},  {6, 83},  {7, 80},
                                    {9, 72}, {10, 73}, {11, 75}, {12, 76}, {14, 85}};
    commands.clear();
    commandTextNumbers.clear();
    for (const auto& pair : kPairs) {
        commands.push_back({Text(pair[0]), Text(pair[1])});
        commandTextNumbers.push_back(pair[1]);
    }
}

int ChatGump::GetInnerWidth() const {
    return std::max(width - sideWidth, 34);
}

int ChatGump::GetInnerHeight() const {
    return std::max(height - bottomHeight, 90);
}

void ChatGump::LayoutBorders() {
    const Sizes s = ArtSizes();
    const int W = width, H = height, iw = GetInnerWidth(), ih = GetInnerHeight();
    borders[0]->SetStrip(false, ChatArt::BorderAcross, 0, 0, W);
    borders[1]->SetStrip(false, ChatArt::BorderAcross, 0, H - s.bh, W);
    borders[2]->SetStrip(false, ChatArt::BorderAcross, s.bw, s.bh + s.sh, W - 2 * s.bw);
    borders[3]->SetStrip(false, ChatArt::BorderAcross, s.bw, ih, iw - s.bw);
    borders[4]->SetStrip(true, ChatArt::BorderDown, 0, s.bh, H - 2 * s.bh);
    borders[5]->SetStrip(true, ChatArt::BorderDown, W - s.bw, s.bh, H - 2 * s.bh);
    borders[6]->SetStrip(true, ChatArt::BorderDown, iw, s.bh, H - 2 * s.bh);
    borders[7]->SetStrip(true, ChatArt::Track, s.bw, s.bh, s.sh);
    borders[8]->SetStrip(true, ChatArt::Track, iw + s.bw, s.bh, s.sh);
}

void ChatGump::LayoutChildren() {
    const Sizes s = ArtSizes();
    const int W = width, H = height, iw = GetInnerWidth(), ih = GetInnerHeight();
    resizeHandle->x = W - resizeHandle->width - s.bw;
    resizeHandle->y = H - resizeHandle->height - s.bh;
    paneHandle->x = iw - paneHandle->width;
    paneHandle->y = ih - paneHandle->height;
    closeButton->x = W - closeButton->width - s.bw;
    closeButton->y = s.bh;
    minimiseButton->x = closeButton->x - minimiseButton->width;
    minimiseButton->y = s.bh;
    conferenceButton->x = s.bw;
    conferenceButton->y = s.bh;
    commandButton->x = iw + s.bw;
    commandButton->y = s.bh;
    transcriptBar->SetRect(s.bw, 2 * s.bh + s.sh, ih - 2 * s.bh - s.sh);
    userBar->SetRect(iw + s.bw, 2 * s.bh + s.sh, H - 3 * s.bh - s.sh);
    conferenceCaption->SetRect(s.bw + s.sw, s.bh, iw - s.sw - s.bw, s.sh);
    commandCaption->SetRect(iw + s.sw + s.bw, s.bh, minimiseButton->x - (iw + s.sw + s.bw), s.sh);
    transcript->SetRect(s.bw + s.sw, 2 * s.bh + s.sh, iw - s.sw - s.bw, ih - 2 * s.bh - s.sh);
    input->SetRect(s.bw, ih + s.bh, iw - s.bw, H - 2 * s.bh - ih);
    userList->SetRect(iw + s.sw + s.bw, 2 * s.bh + s.sh, W - s.bw - (iw + s.sw + s.bw), H - 3 * s.bh - s.sh);
    userList->SetScrollPos(0);
    if (ChatListGump* pane = commandPane.get()) pane->x = iw;
}

void ChatGump::Resize(int w, int h, int flag) {
    if (flag) {
        sideWidth = width - w;
        bottomHeight = height - h;
    } else {
        width = std::max(w, 1);
        height = std::max(h, 1);
    }
    LayoutBorders();
    LayoutChildren();
    if (ChatListGump* pane = conferencePane.get()) pane->ClampToParent();
    if (ChatListGump* pane = commandPane.get()) pane->ClampToParent();
}

void ChatGump::AddLine(const char16_t* text, int type, int markStart, int markEnd, const char* language) {
    int colour = ChatColorText, second = ChatColorName;
    switch (type) {
    case 1:
    case 3:
        colour = ChatColorOpsText;
        second = ChatColorOpsName;
        break;
    case 2:
        colour = ChatColorMutedText;
        second = ChatColorMutedName;
        break;
    case 4:
        colour = ChatColorSelfText;
        second = ChatColorSelfName;
        break;
    case 5:
        colour = second = ChatColorSystemMessage;
        break;
    default:
        break;
    }
    transcript->AddLine(text, colour, second, markStart, markEnd, language);
}

int ChatGump::AddConference(const char16_t* name, bool password) {
    const std::u16string key = name ? name : u"";
    for (size_t i = 1; i < conferences.size(); ++i)
        if (conferences[i].first == key) {
            std::u16string& command = conferences[i].second;
            if (!command.empty()) command.back() = password ? u' ' : u'$';
            return 0;
        }
    conferences.push_back({key, Text(65) + u"\"" + key + u"\"" + (password ? u" " : u"$")});
    return static_cast<int>(conferences.size());
}

void ChatGump::RemoveConference(const char16_t* name) {
    const std::u16string key = name ? name : u"";
    for (size_t i = 1; i < conferences.size(); ++i)
        if (conferences[i].first == key) {
            conferences.erase(conferences.begin() + static_cast<ptrdiff_t>(i));
            return;
        }
}

void ChatGump::ForgetPane(ChatListGump* pane) {
    if (conferencePane == pane) conferencePane.reset();
    if (commandPane == pane) commandPane.reset();
}

// ------------------------------------------------------------------ drawing and hits

CGump* ChatGump::GetGumpAt(int px, int py, const CGump* exclude) {
    if (minimised) return IsPointInside(px, py) ? this : nullptr;
    return CGump::GetGumpAt(px, py, exclude);
}

bool ChatGump::IsPointInside(int px, int py) {
    if (IsClosed()) return false;
    if (minimised) {
        const PixelBlock* mini = Frame(1);
        return mini && mini->Contains(px, py) && mini->At(px, py) != 0;
    }
    return CGump::IsPointInside(px, py);
}

void ChatGump::PreDraw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    Rect area = ScreenRect();
    if (!minimised)
        for (CGump* c = firstChild(); c; c = c->next())
            if (!c->IsClosed() && c->visible) UniteRects(&area, c->ScreenRect());
    const Rect r = IntersectRect(area, clip);
    if (r.IsEmpty()) return;
    drawn = true;
    CGumpManager::SaveUnder(target, r);
}

void ChatGump::Draw(const BlitTarget& target, const Rect& clip) {
    if (IsClosed() || !visible) return;
    if (minimised) {
        if (const PixelBlock* mini = Frame(1)) {
            int sx = 0, sy = 0;
            GumpToScreenCoords(this, &sx, &sy);
            BlitPixelBlockTo(target, CopySpanKeyed, mini->pixels.data(), mini->width, mini->height, clip, sx,
                             sy);
        }
        return;
    }
    for (CGump* c = lastChild(); c; c = c->previous())
        if (c->group == 0 || c->group == group) c->Draw(target, clip);
}

// ------------------------------------------------------------------ mouse and keys

void ChatGump::HandleLButtonDown(int px, int py) {
    BringToFront(CGumpManager::GetFocus() == this);
    pressX = px;
    pressY = py;
    pressed = true;
    if (minimised) restoreOnRelease = clicks.Press(px, py, GetGameTicks());
}

void ChatGump::HandleCaptureMove(int px, int py) {
    if (pressed) MoveBy(px - pressX, py - pressY, true, nullptr, false);
}

void ChatGump::HandleMouseTick() {
    clicks.Tick(GetGameTicks());
}

void ChatGump::HandleLButtonUp(int px, int py) {
    pressed = false;
    if (MouseManager::GetCapture() == this) MouseManager::SetCapture(nullptr);
    if (minimised) {
        // The second press of a double click restores the window on its release.
        clicks.Release();
        if (restoreOnRelease) {
            restoreOnRelease = false;
            RestoreGump(this);
            frameIndex = 0;
            newText = false;
            clicks.Reset();
        }
        return;
    }
    const Sizes s = ArtSizes();
    auto onCaption = [&](const ChatTextBox* caption) {
        return px >= caption->x && px < caption->x + caption->width - 10 && py >= caption->y &&
               py < caption->y + s.sh;
    };
    if (onCaption(conferenceCaption)) {
        HandleButtonPress(0);
    } else if (onCaption(commandCaption)) {
        HandleButtonPress(1);
    } else {
        FocusInput();
    }
}

void ChatGump::FocusInput() {
    if (IsClosed()) return;
    CGumpManager::SetFocus(this);
    input->BeginEdit();
}

void ChatGump::HandleKey(int key) {
    input->HandleKey(key);
}

void ChatGump::HandleFocusLost() {
    input->HandleFocusLost();
}

void ChatGump::HandleButtonPress(int id) {
    const Sizes s = ArtSizes();
    if (id == 0) {
        if (ChatListGump* pane = conferencePane.get()) {
            pane->Close();
            conferencePane.reset();
            return;
        }
        auto* pane = new ChatListGump(this, conferences, ChatColorConferenceMenuBackground);
        pane->x = 0;
        pane->y = s.bh + s.sh;
        conferencePane = pane;
    } else if (id == 1) {
        if (ChatListGump* pane = commandPane.get()) {
            pane->Close();
            commandPane.reset();
            return;
        }
        auto* pane = new ChatListGump(this, commands, ChatColorCommandMenuBackground);
        pane->x = GetInnerWidth();
        pane->y = s.bh + s.sh;
        commandPane = pane;
    }
}

void ChatGump::HandleChildText(const char16_t* text, CGump* sender) {
    const std::u16string key = text ? text : u"";
    bool dialogOpened = false;
    if (ChatListGump* pane = conferencePane.get(); pane && sender == pane) {
        for (size_t i = 0; i < conferences.size(); ++i) {
            if (conferences[i].first != key) continue;
            if (i == 0) {
                new ChatDialog(this, -1, Text(18).c_str(), Text(19).c_str(), Text(20).c_str());
                dialogOpened = true;
            } else {
                input->SetEditText(conferences[i].second.c_str());
            }
            break;
        }
        pane->Close();
        conferencePane.reset();
    } else if (ChatListGump* cpane = commandPane.get(); cpane && sender == cpane) {
        int withoutDollar = 0;
        for (size_t i = 0; i < commands.size(); ++i) {
            const std::u16string& command = commands[i].second;
            const bool immediate = !command.empty() && command.back() == u'$';
            if (commands[i].first == key) {
                if (immediate) {
                    input->SetEditText(command.c_str());
                } else {
                    new ChatDialog(this, static_cast<int>(2 * i + 1), Text(96 + withoutDollar).c_str(), u"",
                                   nullptr);
                    dialogOpened = true;
                }
                break;
            }
            if (!immediate) ++withoutDollar;
        }
        cpane->Close();
        commandPane.reset();
    } else if (sender == userList) {
        if (input->GetEditText()[0] == 0)
            input->SetEditText((Text(68) + key + u" ").c_str());
        else
            input->AppendEditText(key.c_str());
    }
    if (!dialogOpened) FocusInput();
}

void ChatGump::HandleDialogResult(ChatDialog* dialog, const char16_t* text, const char16_t* second) {
    const std::u16string first = text ? text : u"";
    if (dialog->dialogId == -1) {
        std::u16string message = WithCode(u'c', first);
        if (second && second[0]) {
            message += u'{';
            message += second;
            message += u'}';
        }
        SendChatText(message);
    } else {
        const int index = (dialog->dialogId - 1) / 2;
        if (index >= 0 && index < static_cast<int>(commands.size())) {
            std::u16string command = commands[index].second;
            command += first;
            command += index == 0 ? u" " : u"$";
            input->SetEditText(command.c_str());
        }
    }
    FocusInput();
}

std::u16string ChatGump::MessageFor(const std::u16string& text) const {
    for (const Word& w : CommandWords()) {
        // A missing or empty word would start every line: skipped.
        std::u16string word = Text(w.number);
        if (word.size() < 2) continue;
        word.pop_back();
        if (text.compare(0, word.size(), word) != 0) continue;
        size_t rest = word.size();
        if (rest < text.size() && text[rest] == u' ') ++rest;
        return WithCode(w.code, std::u16string_view(text).substr(rest));
    }
    return WithCode(u'a', text);
}

void ChatGump::SendChatText(const std::u16string& message) {
    if (!HasGameSock()) return;
    std::vector<uint8_t> buffer(16 + 2 * message.size());
    PacketWriter packet(buffer.data(), buffer.size());
    BeginPacket(packet, 0xB3);
    char code[4] = {};
    for (int i = 0; i < 3 && i < static_cast<int>(UserLanguageCodeString.size()); ++i)
        code[i] = UserLanguageCodeString[static_cast<size_t>(i)];
    WritePacketBytes(packet, code, 4);
    for (char16_t u : message)
        WritePacketU16(packet, u);
    WritePacketU16(packet, 0);
    SendPacket(packet);
}

int ChatGump::HandleTextEntered(const char16_t* text, ChatTextBox* box) {
    if (box == input) SendChatText(MessageFor(text ? text : u""));
    return 1;
}

void ChatGump::HandleTextBoxScroll(int position, int total, int boxId) {
    if (boxId == Transcript && transcriptBar) transcriptBar->SetPosition(position, total);
    if (boxId == UserList && userBar) userBar->SetPosition(position, total);
}

void ChatGump::HandleScrollBarMove(int position, int range, ChatScrollBar* bar) {
    if (bar == transcriptBar) transcript->ScrollToFraction(position, range);
    if (bar == userBar) userList->ScrollToFraction(position, range);
}

void ChatGump::HandleScrollBarStep(int direction, ChatScrollBar* bar) {
    if (bar == transcriptBar) transcript->ScrollStep(direction != 0);
    if (bar == userBar) userList->ScrollStep(direction != 0);
}
