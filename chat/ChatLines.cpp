#include "chat/ChatLines.h"

#include "core/Options.h"

#include <string>

void AddTranslatedChatLine(const GumpRef<ChatTextBox>& box, const char16_t* prefix, const char16_t* text) {
    // The answer comes back asynchronously: the box may have closed in the meantime.
    ChatTextBox* target = box.get();
    if (!target) return;
    const std::u16string p = prefix ? prefix : u"", t = text ? text : u"";
    if (p.empty() && t.empty()) return;
    const std::u16string line = p.empty() ? t : p + u": " + t;
    target->AddLine(line.c_str(), ChatColorText, ChatColorText, -1, -1, UserLanguageCodeString.c_str());
}
