#pragma once
// Lines that arrive later for a chat text box: the translation server's answer.
#include "gumps/CGump.h"
#include "gumps/ChatControls.h"

// Adds "prefix: text" (or either part alone) to the box in the chat text colour with the user's
// language; nothing when the box is gone or both parts are empty.
void AddTranslatedChatLine(const GumpRef<ChatTextBox>& box, const char16_t* prefix, const char16_t* text);
