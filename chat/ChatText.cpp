// The texts of the "chat" section, by number.
#include "gumps/ChatServices.h"
#include "text/LanguageManager.h"

const char16_t* GetChatText(int number) {
    LanguageSection* section = LanguageManager::loadSection("chat", nullptr, "chat", false, false, false);
    if (!section || number < 0 || number >= section->getCount()) return nullptr;
    const CWideString* text = section->getStr(number, true);
    return text ? text->GetText() : nullptr;
}
