#pragma once
// Outgoing speech messages (0xAD) on the current connection.
namespace PacketManager {
// Sends the text (length units) as the mode's speech or its keyword form; no budget.
void SendUnicodeSpeech(const char16_t* text, int length, int mode);
// Sends and charges the speech budget, or shows the spam message and queues the text.
void SendUnicodeSpeechThrottled(const char16_t* text, int mode, int value);
} // namespace PacketManager
