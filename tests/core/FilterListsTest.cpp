#include "text/FilterLists.h"
#include "core/SharedServices.h"
#include "core/config.h"
#include "support/TestSupport.h"
#include "text/WideText.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class FilterListsTest : public qvtest::CleanState {
  protected:
    qvtest::TempDir dir;
    std::unique_ptr<qvtest::ReportRecorder> recorder;

    void SetUp() override {
        CleanState::SetUp();
        recorder = std::make_unique<qvtest::ReportRecorder>();
        FilterLists::ResetForTests();
        ConfigFiles::SetWorkingFolder(dir.path().string());
    }
    void TearDown() override {
        FilterLists::ResetForTests();
        ConfigFiles::SetWorkingFolder("");
        recorder.reset();
        CleanState::TearDown();
    }

    // Units as stored: value + 13, little-endian.
    static std::string Stored(std::initializer_list<int> units) {
        std::string bytes;
        for (int u : units) {
            int v = (u + 13) & 0xFFFF;
            bytes += static_cast<char>(v & 0xFF);
            bytes += static_cast<char>(v >> 8);
        }
        return bytes;
    }
    static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
};

TEST_F(FilterListsTest, ScrambledLinesEndAtEitherLineEndAndTakeTheirPartner) {
    // "ab" CR LF, "c" LF CR, "d" LF, "e" CR "f", then "g" without an end.
    std::vector<uint8_t> bytes = Bytes(Stored({'a', 'b', 13, 10, 'c', 10, 13, 'd', 10, 'e', 13, 'f', 'g'}));
    size_t position = 0;
    std::vector<std::u16string> lines;
    while (position < bytes.size())
        lines.push_back(FilterLists::ReadScrambledLine(bytes.data(), bytes.size(), position, 29));
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"ab", u"c", u"d", u"e", u"fg"}));
}

TEST_F(FilterListsTest, ScrambledLinesAreBoundedAndEndAtAZeroUnit) {
    std::string overlong;
    for (int i = 0; i < 40; ++i)
        overlong += Stored({'a' + i % 26});
    std::vector<uint8_t> bytes = Bytes(overlong + Stored({10, 'x', 0, 'y', 10}) + "\x05");
    size_t position = 0;
    EXPECT_EQ(FilterLists::ReadScrambledLine(bytes.data(), bytes.size(), position, 29).size(), 29u);
    EXPECT_EQ(FilterLists::ReadScrambledLine(bytes.data(), bytes.size(), position, 29), u"x");
    // The odd last byte is not half a unit.
    EXPECT_EQ(FilterLists::ReadScrambledLine(bytes.data(), bytes.size(), position, 29), u"");
    EXPECT_EQ(position, bytes.size() - 1);
}

TEST_F(FilterListsTest, TheObsceneWordFileHasItsExactForm) {
    FilterLists::AddObsceneWord(u"ab");
    FilterLists::AddObsceneWord(u"\u00e9");
    EXPECT_EQ(FilterLists::ObsceneWordsBytes(), Bytes(Stored({'a', 'b', 10, 0xE9, 10})));
}

TEST_F(FilterListsTest, BothListsRoundTripThroughTheirFiles) {
    FilterLists::AddObsceneWord(u"darn");
    FilterLists::AddObsceneWord(u"Heck");
    FilterLists::AddObsceneWord(u"\u0416\u0436");
    FilterLists::AddIgnored("Spammer", 0x01020304);
    FilterLists::AddIgnored(std::string(40, 'x'), 0xFFFFFFFF);
    CApp::SaveFilterList(0);
    CApp::SaveFilterList(1);
    CApp::SaveFilterList(2); // no such list: nothing
    auto words = FilterLists::ObsceneWords();
    auto ignored = FilterLists::IgnoreList();
    EXPECT_EQ(dir.read(FilterLists::kIgnoreFile).size(), 2 * FilterLists::kIgnoreRecordBytes);

    FilterLists::ResetForTests();
    CApp::LoadFilterLists();
    EXPECT_EQ(FilterLists::ObsceneWords(), words);
    ASSERT_EQ(FilterLists::IgnoreList().size(), 2u);
    EXPECT_STREQ(FilterLists::IgnoreList()[0].name, "Spammer");
    EXPECT_EQ(std::string(FilterLists::IgnoreList()[1].name), std::string(29, 'x'));
    EXPECT_EQ(FilterLists::IgnoreList()[1].serial, 0xFFFFFFFFu);
    EXPECT_TRUE(CApp::IsIgnored(0x01020304));
    EXPECT_FALSE(CApp::IsIgnored(0x01020305));
    EXPECT_EQ(ignored.size(), FilterLists::IgnoreList().size());
}

TEST_F(FilterListsTest, MissingFilesLeaveEmptyLists) {
    FilterLists::AddObsceneWord(u"stale");
    CApp::LoadFilterLists();
    EXPECT_TRUE(FilterLists::ObsceneWords().empty());
    EXPECT_TRUE(FilterLists::IgnoreList().empty());
}

TEST_F(FilterListsTest, ServerSentListsAreCutToTheirBounds) {
    std::string words;
    for (int i = 0; i < 85; ++i)
        words += Stored({'a' + i % 26, 'a' + i / 26, 10});
    std::string ignore;
    for (int i = 0; i < 25; ++i) {
        std::string record(FilterLists::kIgnoreRecordBytes, '\0');
        for (int k = 0; k < FilterLists::kIgnoreNameBytes; ++k)
            record[k] = 'n'; // no terminator in the name
        record[FilterLists::kIgnoreNameBytes] = static_cast<char>(i);
        ignore += record;
    }
    ignore += "partial";
    dir.write(FilterLists::kObsceneFile, words);
    dir.write(FilterLists::kIgnoreFile, ignore);
    CApp::LoadFilterLists();
    EXPECT_EQ(FilterLists::ObsceneWords().size(), static_cast<size_t>(FilterLists::kMaxObsceneWords));
    ASSERT_EQ(FilterLists::IgnoreList().size(), static_cast<size_t>(FilterLists::kMaxIgnored));
    for (const FilterLists::IgnoreEntry& e : FilterLists::IgnoreList())
        EXPECT_EQ(std::string(e.name), std::string(29, 'n'));
    EXPECT_EQ(FilterLists::IgnoreList()[19].serial, 19u);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "more than 80 words"));
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "only 20 are kept"));
    EXPECT_FALSE(FilterLists::AddObsceneWord(u"more"));
    EXPECT_FALSE(FilterLists::AddIgnored("more", 1));
}

TEST_F(FilterListsTest, MaskingReplacesEveryOccurrenceByCharacterCode) {
    FilterLists::AddObsceneWord(u"darn");
    std::u16string text = u"Darn it, DARN, darnation";
    MaskObsceneWordsWide(text.data());
    // Each masked character is "!@#$%&*"[code % 7]: D 68->5 '&', a 97->6 '*', r 114->2 '#', n 110->5 '&'.
    const char16_t* mask = u"!@#$%&*";
    std::u16string original = u"Darn it, DARN, darnation";
    for (size_t i = 0; i < original.size(); ++i) {
        bool inWord = i < 4 || (i >= 9 && i < 13) || (i >= 15 && i < 19);
        EXPECT_EQ(text[i], inWord ? mask[original[i] % 7] : original[i]) << i;
    }
}

TEST_F(FilterListsTest, AMaskThatSpellsItsWordStillEnds) {
    // '@' is 64, and 64 % 7 picks '@' again: the word is its own mask.
    FilterLists::AddObsceneWord(u"@");
    FilterLists::AddObsceneWord(u"@@");
    std::u16string text = u"a@b@@c";
    MaskObsceneWordsWide(text.data());
    EXPECT_EQ(text, u"a@b@@c");
    char narrow[] = "x@@@y";
    MaskObsceneWords(narrow);
    EXPECT_STREQ(narrow, "x@@@y");
}

TEST_F(FilterListsTest, NarrowMaskingWorksOnTheFirst8192Characters) {
    FilterLists::AddObsceneWord(u"bad");
    // Words at 0, at 8189..8191 (the last three characters looked at) and at 8192 beyond them.
    std::string text = "bad" + std::string(8186, '.') + "bad" + "bad";
    MaskObsceneWords(text.data());
    EXPECT_NE(text.substr(0, 3), "bad");
    EXPECT_NE(text.substr(8189, 3), "bad");
    EXPECT_EQ(text.substr(8192, 3), "bad");
}

// Masking by a plain left-to-right scan with the same case folding.
std::u16string NaiveMask(std::u16string text, const std::vector<std::u16string>& words) {
    const char16_t* mask = u"!@#$%&*";
    for (const std::u16string& w : words) {
        for (size_t s = 0; s + w.size() <= text.size();) {
            size_t k = 0;
            while (k < w.size() && WideFoldCase(w[k]) == WideFoldCase(text[s + k]))
                ++k;
            if (k < w.size()) {
                ++s;
                continue;
            }
            for (size_t i = s; i < s + w.size(); ++i)
                text[i] = mask[text[i] % 7];
            s += w.size();
        }
    }
    return text;
}

TEST_F(FilterListsTest, MaskingAgreesWithAPlainScan) {
    const char16_t alphabet[] = u"abAB\u00e4\u00c4 ";
    SeedRandom(11);
    for (int round = 0; round < 1500; ++round) {
        FilterLists::ResetForTests();
        std::vector<std::u16string> words;
        for (int w = 1 + RandomBelow(3); w > 0; --w) {
            std::u16string word;
            for (int i = 1 + RandomBelow(3); i > 0; --i)
                word += alphabet[RandomBelow(7)];
            words.push_back(word);
            FilterLists::AddObsceneWord(word);
        }
        std::u16string text;
        for (int i = RandomBelow(30); i > 0; --i)
            text += alphabet[RandomBelow(7)];
        std::u16string masked = text;
        MaskObsceneWordsWide(masked.data());
        ASSERT_EQ(masked, NaiveMask(text, words)) << round;
    }
}

} // namespace

namespace {

// A list whose file could not be read is empty in memory; saving it would wipe the file.
TEST_F(FilterListsTest, AListWhoseFileCouldNotBeReadIsNotSaved) {
    const std::string stored(FilterLists::kIgnoreRecordBytes, 'x');
    dir.write(FilterLists::kIgnoreFile, stored);
    ::chmod(dir.file(FilterLists::kIgnoreFile).c_str(), 0000);
    ::chmod(dir.path().c_str(), 0777);
    int result = qvtest::RunAsPlayer([] {
        CApp::LoadFilterLists();
        FilterLists::AddIgnored("Newcomer", 7);
        CApp::SaveFilterList(1);
        CApp::SaveFilterList(0); // the other list has no file: it is written
        return CApp::IsIgnored(7) ? 0 : 1;
    });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
    ::chmod(dir.file(FilterLists::kIgnoreFile).c_str(), 0644);
    EXPECT_EQ(dir.read(FilterLists::kIgnoreFile), stored);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / FilterLists::kObsceneFile));
}

} // namespace
