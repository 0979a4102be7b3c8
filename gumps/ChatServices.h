#pragma once
// What the HTML view and the chat family reach in the chat, messenger and help subsystem: the
// side connection's command line, the context help window's links and the "chat" texts. The
// subsystem defines them; until it lands, chat/stubs/Chat_null.cpp stands in.
#include <cstdint>

// Formats one command of the side connection and queues it; the bytes queued, 0 without one.
int SendGMSCommand(int type, const char16_t* argument);

namespace ContextHelp {
// The context help window exists.
bool IsOpen();
// Follows a '?' link in it.
void HandleLink(const char16_t* href);
} // namespace ContextHelp

// Text number of the "chat" section, or null when missing.
const char16_t* GetChatText(int number);
