#pragma once
// Outgoing speech below the server's spam limit: a budget that every sent line raises by its
// length and that falls by "SpamLimit" units a second (the frame step's decay), and a queue of
// the lines said while the budget was spent, sent oldest first as it falls again. Also the
// keyword table of "speech.mul" that outgoing speech is matched against.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct SpeechEntry {
    bool unicode = false;
    std::u16string wide; // unicode entries
    std::string text;    // 8-bit entries
    int length = 0;      // units of the text
    int mode = 0;
    int value = 0; // passed back with a unicode entry
};

// "SpamLimit", never below 1: the budget falls by it each second and the spam message divides by it.
int EffectiveSpamLimit();

namespace CApp {
// The budget is below "SpamLimit".
bool CanSendSpeech();
void AddSpeechCost(int units);
void QueueSpeech(const char* text, int length, int mode);
void QueueUnicodeSpeech(const char16_t* text, int mode, int value);
// Sends queued lines, oldest first, while the budget allows. Every world step calls it.
void FlushSpeechQueue();
// "[Spam detected, speech queued for N seconds]".
void ShowSpamMessage();
const std::deque<SpeechEntry>& GetSpeechQueue();
void ClearSpeechQueue();

// "speech.mul": big-endian records {u16 id, u16 length, text} back to back.
void LoadSpeechKeywords();
void FreeSpeechKeywords();
} // namespace CApp

// The text as UTF-16 through PacketManager::SendUnicodeSpeech; no budget.
void SendSpeech(const char* text, int length, int mode);
// Sends and charges the budget, or shows the spam message and queues the line.
void SendSpeechThrottled(const char* text, int length, int mode);

struct SpeechKeyword {
    std::string text;
    uint16_t id = 0;
};
namespace SpeechKeywords {
const std::vector<SpeechKeyword>& Get();
// The table from file bytes; a record that runs past the end is logged and ends the table.
void LoadFromBytes(const uint8_t* data, size_t size);
} // namespace SpeechKeywords

// Where queued and throttled speech goes; tests put recorders here.
struct SpeechSenders {
    void (*sendUnicode)(const char16_t* text, int length, int mode);
    void (*sendUnicodeThrottled)(const char16_t* text, int mode, int value);
};
void SetSpeechSenders(const SpeechSenders* senders); // null: the packet builders
void ResetSpeechQueueForTests();
