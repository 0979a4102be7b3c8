#include "ConfigFixture.h"
#include "app/FrameStep.h"
#include "mkinstall/Installation.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using qvtest::ConfigFixture;

std::vector<std::string> g_sent;

std::string Narrow(const char16_t* text) {
    std::string out;
    for (; *text; ++text)
        out.push_back(static_cast<char>(*text));
    return out;
}
void RecordSend(const char16_t* text, int length, int mode) {
    g_sent.push_back(Narrow(text) + "/" + std::to_string(length) + "/" + std::to_string(mode));
}
// The budget rule of the wide path, as the speech messages apply it.
void RecordThrottled(const char16_t* text, int mode, int value) {
    g_sent.push_back("wide " + Narrow(text) + "/" + std::to_string(mode) + "/" + std::to_string(value));
    CApp::AddSpeechCost(static_cast<int>(std::u16string(text).size()));
}
const SpeechSenders kRecorders = {RecordSend, RecordThrottled};

class SpeechQueueTest : public ConfigFixture {
  protected:
    std::vector<std::string> messages;
    static constexpr uint32_t kStart = 0xFFFFFC00u; // the clock wraps during the tests

    void SetUp() override {
        ConfigFixture::SetUp();
        g_sent.clear();
        SetSpeechSenders(&kRecorders);
        Services().showSystemMessage = [this](int hue, int font, const char* text) {
            messages.push_back(std::to_string(hue) + "/" + std::to_string(font) + " " + text);
        };
        CApp::ResetSpeechBudget(kStart);
        now = kStart;
    }
    void TearDown() override {
        SetSpeechSenders(nullptr);
        CApp::ResetSpeechBudget(0);
        ConfigFixture::TearDown();
    }
    // One world step after ms more milliseconds.
    void Step(uint32_t ms) {
        now += ms;
        CApp::DecaySpeechBudget(now);
        CApp::FlushSpeechQueue();
    }
    void Say(const std::string& text, int mode = 0) {
        SendSpeechThrottled(text.c_str(), static_cast<int>(text.size()), mode);
    }
    uint32_t now = 0;
};

TEST_F(SpeechQueueTest, LinesWaitWhileTheBudgetIsSpentAndLeaveOldestFirst) {
    ASSERT_EQ(SpamLimit, 30);
    const std::string line(25, 'a');
    Say(line);
    EXPECT_EQ(CApp::GetSpeechBudget(), 25);
    Say(line); // 25 is still below the limit
    EXPECT_EQ(CApp::GetSpeechBudget(), 50);
    Say("third", 2);
    Say("fourth");
    EXPECT_EQ(g_sent.size(), 2u);
    ASSERT_EQ(CApp::GetSpeechQueue().size(), 2u);
    // (budget + queued - limit) / limit: (50 + 0 - 30) / 30, then (50 + 5 - 30) / 30.
    EXPECT_EQ(messages, (std::vector<std::string>{"0/3 [Spam detected, speech queued for 0 seconds]",
                                                  "0/3 [Spam detected, speech queued for 0 seconds]"}));

    Step(500); // 15 units gone: 35, still spent
    EXPECT_EQ(g_sent.size(), 2u);
    Step(500); // 20: the third line goes (25), and as 25 < 30 the fourth in the same step (31)
    ASSERT_EQ(g_sent.size(), 4u);
    EXPECT_EQ(g_sent[2], "third/5/2");
    EXPECT_EQ(g_sent[3], "fourth/6/0");
    EXPECT_EQ(CApp::GetSpeechBudget(), 31);
    EXPECT_TRUE(CApp::GetSpeechQueue().empty());
    Step(2000);
    EXPECT_EQ(CApp::GetSpeechBudget(), 0);
}

TEST_F(SpeechQueueTest, TheSpamMessageCountsTheSecondsOfQueuedSpeech) {
    CApp::SetSpeechBudget(40);
    CApp::QueueSpeech("0123456789012345678901234567890123456789", 40, 0);
    CApp::QueueUnicodeSpeech(u"abcdefghij", 0, 0);
    CApp::ShowSpamMessage();
    EXPECT_EQ(messages.back(), "0/3 [Spam detected, speech queued for 2 seconds]"); // (40 + 50 - 30) / 30
}

TEST_F(SpeechQueueTest, WideEntriesGoThroughTheirOwnThrottledSender) {
    CApp::SetSpeechBudget(30);
    CApp::QueueUnicodeSpeech(u"hail", 1, 7);
    CApp::QueueSpeech("narrow", 6, 0);
    Step(1000);
    EXPECT_EQ(g_sent, (std::vector<std::string>{"wide hail/1/7", "narrow/6/0"}));
    EXPECT_EQ(CApp::GetSpeechBudget(), 10);
}

TEST_F(SpeechQueueTest, ASpamLimitOfZeroActsAsOne) {
    SpamLimit = 0;
    Say("x");
    EXPECT_EQ(CApp::GetSpeechBudget(), 1);
    Say("y"); // queued; the message divides by 1, not by 0
    EXPECT_EQ(messages.back(), "0/3 [Spam detected, speech queued for 0 seconds]");
    Step(1000);
    EXPECT_EQ(g_sent.back(), "y/1/0");
}

TEST_F(SpeechQueueTest, PlainSpeechHasNoBudget) {
    CApp::SetSpeechBudget(500);
    SendSpeech("caf\xe9", 4, 0);
    SendSpeech("longer text", 6, 1); // the length given counts
    EXPECT_EQ(g_sent, (std::vector<std::string>{"caf\xe9/4/0", "longer/6/1"}));
    EXPECT_EQ(CApp::GetSpeechBudget(), 500);
}

std::string Record(int id, const std::string& text) {
    std::string r;
    r += static_cast<char>(id >> 8);
    r += static_cast<char>(id & 0xFF);
    r += static_cast<char>(text.size() >> 8);
    r += static_cast<char>(text.size() & 0xFF);
    return r + text;
}

TEST_F(SpeechQueueTest, KeywordRecordsAreReadUntilTheBytesEnd) {
    struct Case {
        std::string bytes;
        std::vector<std::string> texts;
        bool warned;
    };
    const Case cases[] = {
        {Record(0x0102, "*bank*") + Record(3, "hail*"), {"*bank*", "hail*"}, false},
        {Record(1, "") + Record(2, "x"), {"", "x"}, false},
        {Record(1, "ok") + Record(2, "cut").substr(0, 5), {"ok"}, true}, // a record longer than the rest
        {Record(1, "ok") + "\x01\x02", {"ok"}, true},                    // half a header
        {Record(1, std::string("a\0b", 3)), {"a"}, false},
        {"", {}, false},
    };
    for (const Case& c : cases) {
        recorder->clear();
        SpeechKeywords::LoadFromBytes(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
        std::vector<std::string> texts;
        for (const SpeechKeyword& k : SpeechKeywords::Get())
            texts.push_back(k.text);
        EXPECT_EQ(texts, c.texts);
        EXPECT_EQ(recorder->contains(QVReport::Level::Warning, "CApp::LoadSpeechKeywords"), c.warned);
    }
    std::string one = Record(0x0102, "*bank*");
    SpeechKeywords::LoadFromBytes(reinterpret_cast<const uint8_t*>(one.data()), one.size());
    EXPECT_EQ(SpeechKeywords::Get()[0].id, 0x0102);
}

TEST_F(SpeechQueueTest, KeywordsComeFromTheInstallation) {
    std::string error;
    ASSERT_TRUE(mkinstall::WriteInstallation(dir.file("install"), &error)) << error;
    dir.write("install/speech.mul", Record(7, "*vendor buy*"));
    FileManager::startupWithPaths(dir.file("install"), "");
    CApp::LoadSpeechKeywords();
    ASSERT_EQ(SpeechKeywords::Get().size(), 1u);
    EXPECT_EQ(SpeechKeywords::Get()[0].text, "*vendor buy*");
    CApp::FreeSpeechKeywords();
    EXPECT_TRUE(SpeechKeywords::Get().empty());
}

} // namespace
