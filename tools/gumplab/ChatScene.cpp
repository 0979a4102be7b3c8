#include "gumplab/ChatScene.h"

#include "chat/ChatGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/HTMLBox.h"

#include <fstream>
#include <iterator>
#include <string>

namespace gumplab {
namespace {
int g_ticks = 0;
int g_next = 0;

struct SampleLine {
    const char16_t* text;
    int type;
    int markEnd; // the name is units 0..markEnd
};
constexpr SampleLine kLines[] = {
    {u"anna: the market opens at noon", 0, 3},
    {u"bert: who brings the fish?", 1, 3},
    {u"carl: I cannot speak here", 2, 3},
    {u"me: on my way", 4, 1},
    {u"The conference is now moderated.", 5, -1},
    {u"dora: a long line that wraps inside the transcript box", 3, 3},
};
} // namespace

void BuildChatScene() {
    auto* chat = new ChatGump(20, 20, 440, 320, u"Chat");
    chat->AddConference(u"Harbour", false);
    chat->AddConference(u"Guild", true);
    for (const char16_t* name : {u"anna", u"bert", u"carl", u"dora", u"me"})
        chat->userList->AddLine(name, 0x7FFF, 0x7FFF, -1, -1, nullptr);
    chat->userList->SetScrollPos(0);
    g_ticks = g_next = 0;
}

void ChatSceneTick() {
    ChatGump* chat = ChatGump::Instance();
    if (!chat || ++g_ticks % 40 != 1) return;
    const SampleLine& line = kLines[g_next++ % std::size(kLines)];
    chat->AddLine(line.text, line.type, line.markEnd >= 0 ? 0 : -1, line.markEnd, "enu");
}

bool BuildHtmlScene(const std::string& file, std::string* error) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + file;
        return false;
    }
    std::u16string text;
    char c;
    while (text.size() < 65536 && in.get(c))
        text += static_cast<char16_t>(static_cast<unsigned char>(c));
    auto* page = new HTMLBox(nullptr, 0, HtmlFlag::ReadOnly, false, true);
    page->SetRect(Rect{20, 20, 320, 300});
    page->SetText(text.c_str(), 0x7FFF);
    page->movable = false;
    page->resizable = true;
    auto* edit = new HTMLBox(nullptr, 1, 0, false, true);
    edit->SetRect(Rect{360, 20, 250, 160});
    edit->SetText(u"Type here...", 0x7FE0);
    return true;
}

} // namespace gumplab
