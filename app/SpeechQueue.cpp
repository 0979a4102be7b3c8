#include "app/SpeechQueue.h"

#include "app/AppServices.h"
#include "app/FrameStep.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "net/SpeechMessages.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr const char* kKeywordFile = "speech.mul";
const SpeechSenders kPacketSenders = {PacketManager::SendUnicodeSpeech,
                                      PacketManager::SendUnicodeSpeechThrottled};

struct State {
    std::deque<SpeechEntry> queue;
    std::vector<SpeechKeyword> keywords;
    const SpeechSenders* senders = &kPacketSenders;
};

State& S() {
    static State state;
    return state;
}

int Units(const char* text, int length) {
    if (!text || length <= 0) return 0;
    return static_cast<int>(strnlen(text, static_cast<size_t>(length)));
}

} // namespace

int EffectiveSpamLimit() {
    return std::max(1, SpamLimit);
}

namespace CApp {

bool CanSendSpeech() {
    return GetSpeechBudget() < EffectiveSpamLimit();
}

void AddSpeechCost(int units) {
    SetSpeechBudget(GetSpeechBudget() + std::max(0, units));
}

void QueueSpeech(const char* text, int length, int mode) {
    SpeechEntry entry;
    entry.length = Units(text, length);
    entry.text.assign(text ? text : "", static_cast<size_t>(entry.length));
    entry.mode = mode;
    S().queue.push_back(std::move(entry));
}

void QueueUnicodeSpeech(const char16_t* text, int mode, int value) {
    SpeechEntry entry;
    entry.unicode = true;
    entry.wide = text ? text : u"";
    entry.length = static_cast<int>(entry.wide.size());
    entry.mode = mode;
    entry.value = value;
    S().queue.push_back(std::move(entry));
}

void FlushSpeechQueue() {
    std::deque<SpeechEntry>& queue = S().queue;
    while (!queue.empty() && CanSendSpeech()) {
        SpeechEntry entry = std::move(queue.front());
        queue.pop_front();
        if (entry.unicode)
            S().senders->sendUnicodeThrottled(entry.wide.c_str(), entry.mode, entry.value);
        else
            SendSpeechThrottled(entry.text.c_str(), entry.length, entry.mode);
    }
}

void ShowSpamMessage() {
    long long queued = 0;
    for (const SpeechEntry& entry : S().queue)
        queued += entry.length;
    long long seconds = (GetSpeechBudget() + queued - EffectiveSpamLimit()) / EffectiveSpamLimit();
    std::string text = "[Spam detected, speech queued for " + std::to_string(seconds) + " seconds]";
    Services().showSystemMessage(0, 3, text.c_str());
}

const std::deque<SpeechEntry>& GetSpeechQueue() {
    return S().queue;
}

void ClearSpeechQueue() {
    S().queue.clear();
}

void LoadSpeechKeywords() {
    QVReport::message("CApp::LoadSpeechKeywords: begin.\n");
    std::vector<uint8_t> bytes;
    FileManager::load(kKeywordFile, bytes, true);
    SpeechKeywords::LoadFromBytes(bytes.data(), bytes.size());
}

void FreeSpeechKeywords() {
    S().keywords.clear();
}

} // namespace CApp

void SendSpeech(const char* text, int length, int mode) {
    int units = Units(text, length);
    std::u16string wide(static_cast<size_t>(units), u'\0');
    for (int i = 0; i < units; ++i)
        wide[static_cast<size_t>(i)] = static_cast<unsigned char>(text[i]);
    S().senders->sendUnicode(wide.c_str(), units, mode);
}

void SendSpeechThrottled(const char* text, int length, int mode) {
    if (CApp::CanSendSpeech()) {
        SendSpeech(text, length, mode);
        CApp::AddSpeechCost(Units(text, length));
        return;
    }
    CApp::ShowSpamMessage();
    CApp::QueueSpeech(text, length, mode);
}

namespace SpeechKeywords {

const std::vector<SpeechKeyword>& Get() {
    return S().keywords;
}

void LoadFromBytes(const uint8_t* data, size_t size) {
    std::vector<SpeechKeyword>& keywords = S().keywords;
    keywords.clear();
    size_t p = 0;
    while (p < size) {
        if (size - p < 4) {
            QVReport::warning("CApp::LoadSpeechKeywords: '%s' ends inside a record header at %zu.\n",
                              kKeywordFile, p);
            return;
        }
        uint16_t id = static_cast<uint16_t>(data[p] << 8 | data[p + 1]);
        size_t length = static_cast<size_t>(data[p + 2] << 8 | data[p + 3]);
        p += 4;
        if (length > size - p) {
            QVReport::warning("CApp::LoadSpeechKeywords: record %zu of '%s' claims %zu bytes, %zu remain.\n",
                              keywords.size(), kKeywordFile, length, size - p);
            return;
        }
        const char* text = reinterpret_cast<const char*>(data + p);
        keywords.push_back({std::string(text, strnlen(text, length)), id});
        p += length;
    }
}

} // namespace SpeechKeywords

void SetSpeechSenders(const SpeechSenders* senders) {
    S().senders = senders ? senders : &kPacketSenders;
}

void ResetSpeechQueueForTests() {
    S() = State{};
}
