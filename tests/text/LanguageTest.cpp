#include "TextFixture.h"

#include "core/FileManager.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/TextFiles.h"
#include "platform/platform.h"
#include "text/Iff.h"
#include "text/WideText.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using mkinstall::IffChunk;
using mkinstall::IffForm;
using mkinstall::LittleEndian32;
using mkinstall::SampleSection;

std::vector<std::string> g_iffErrors;
void RecordIff(const std::string& line, const char*, bool fatal) {
    g_iffErrors.push_back((fatal ? "fatal: " : "warning: ") + line);
}

std::string Narrow(const CWideString& s) {
    std::string out;
    for (const char16_t* p = s.GetText(); p && *p; ++p)
        out += static_cast<char>(*p);
    return out;
}

std::string Localized(int number) {
    CWideString out;
    return Narrow(LanguageManager::getLocalizedString(out, number));
}

std::string Substituted(const char16_t* text, const char16_t* arguments, int number = 77) {
    CWideString s(text);
    LanguageManager::substituteArguments(s, arguments, number);
    return Narrow(s);
}

class LanguageTest : public texttest::TextTest {
  protected:
    void SetUp() override {
        TextTest::SetUp();
        g_iffErrors.clear();
        previous = Iff::setErrorHandler(RecordIff);
        savedLang = platform::GetEnv("LANG");
        ::unsetenv("LANG");
        ASSERT_TRUE(mkinstall::WriteTextFiles(dir.path().string(), nullptr));
        FileManager::startupWithPaths(dir.path().string(), "");
    }
    void TearDown() override {
        LanguageManager::shutdown();
        FileManager::shutdown();
        Iff::setErrorHandler(previous);
        if (savedLang.empty())
            ::unsetenv("LANG");
        else
            ::setenv("LANG", savedLang.c_str(), 1);
        TextTest::TearDown();
    }
    void WriteSection(const std::string& name, const std::string& bytes) const {
        dir.write("language/" + name, bytes);
    }
    // A section of 8-bit texts with extra chunks after INFO and TEXT.
    static std::string Section(const std::string& infoName, int count, const std::string& texts,
                               const std::string& more = "", int charSize = 1) {
        std::string info = std::string("enu") + '\0' + LittleEndian32(charSize) + LittleEndian32(0) +
                           infoName + '\0' + LittleEndian32(0) + LittleEndian32(count);
        return IffForm("DATA", IffForm("LANG", IffChunk("INFO", info) + IffChunk("TEXT", texts) + more));
    }

    qvtest::TempDir dir;
    Iff::ErrorHandler previous = nullptr;
    std::string savedLang;
};

// ---------------------------------------------------------------- text numbers

TEST_F(LanguageTest, TextNumbersNameTheirSectionAndString) {
    struct Case {
        int number;
        const char* file;
        int string;
        bool valid;
    } cases[] = {
        {1060123, "cliloc60", 123, true}, {3006001, "intloc06", 1, true}, {500123, "cliloc-1", 123, true},
        {499999, "cliloc-1", -1, false},  {1000000, "cliloc00", 0, true}, {2999999, "cliloc1999", 999, true},
    };
    for (const Case& c : cases) {
        std::string file;
        int string = 0;
        EXPECT_EQ(LanguageManager::sectionOfNumber(c.number, file, string), c.valid) << c.number;
        EXPECT_EQ(file, c.file) << c.number;
        EXPECT_EQ(string, c.string) << c.number;
    }
    LanguageManager::startup();
    EXPECT_EQ(Localized(1060123), "~1_NAME~ gives you ~2_ITEM~.");
    EXPECT_EQ(Localized(3000430), "Map");
    EXPECT_EQ(Localized(3001020), "Paperdoll");
    EXPECT_EQ(Localized(500002), "That is too far away.");
    EXPECT_EQ(Localized(1044579), "Shard");
    EXPECT_EQ(Localized(499999), "Error (TID): Line number less than zero : 499999");
    EXPECT_EQ(Localized(1044000), "Error (TID): Null string : 1044000"); // an empty text
    EXPECT_EQ(Localized(1099123), "Error (TID): Null string : 1099123"); // no such file
}

TEST_F(LanguageTest, AFailedLoadIsRememberedUntilForced) {
    LanguageManager::startup();
    EXPECT_EQ(Localized(1070001), "Error (TID): Null string : 1070001");
    WriteSection("cliloc70.enu", Section("cliloc70", 2, std::string("zero\0one\0", 9)));
    EXPECT_EQ(Localized(1070001), "Error (TID): Null string : 1070001"); // no new look-ups
    ASSERT_NE(LanguageManager::loadSection("cliloc70", "enu", "cliloc70", true, false), nullptr);
    EXPECT_EQ(Localized(1070001), "one");

    qvtest::ReportRecorder report;
    EXPECT_THROW(LanguageManager::loadSection("nosuch", nullptr, "nosuch", false, true), qvtest::ProcessExit);
    EXPECT_TRUE(report.contains(QVReport::Level::Fatal,
                                "LanguageManager::loadSection: no section <nosuch> found "
                                "for language <enu> in file <nosuch>."));
}

TEST_F(LanguageTest, ASectionNamedOtherwiseInsideIsLoadedOnce) {
    LanguageManager::startup();
    const int before = LanguageManager::loadedSectionCount();
    WriteSection("cliloc80.enu", Section("cliloc", 3, std::string("a\0b\0c\0", 6)));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Localized(1080002), "c");
    EXPECT_EQ(LanguageManager::loadedSectionCount(), before + 1);
    // Both the file's name and the name inside find it.
    LanguageSection* byFile = LanguageManager::findSection("CLILOC80", "enu", "cliloc80", true);
    ASSERT_NE(byFile, nullptr);
    EXPECT_EQ(LanguageManager::findSection("cliloc80", "ENU", "cliloc", true), byFile);
    EXPECT_EQ(byFile->getInfoName(), "cliloc");
}

// ---------------------------------------------------------------- languages

TEST_F(LanguageTest, TheUserLanguageFallsBackToEnglishTextByText) {
    SetConfiguredUserLanguageCode("deu");
    WriteSection("cliloc60.deu", mkinstall::MakeSectionFile(
                                     SampleSection{"cliloc60", 2, 124, {{0, "eine Münze"}}, {}}, "deu"));
    LanguageManager::startup();
    EXPECT_STREQ(LanguageManager::getUserLanguageCodeString(), "deu");
    EXPECT_STREQ(LanguageManager::getLanguageName(), "German");
    EXPECT_EQ(LanguageManager::getLanguageId(nullptr), 100);
    EXPECT_EQ(LanguageManager::getLanguageId("ENU"), 101);
    EXPECT_EQ(LanguageManager::getLanguageId("zzz"), 101);
    CWideString out;
    LanguageManager::getLocalizedString(out, 1060000);
    EXPECT_EQ(std::u16string(out.GetText()), u"eine M\u00fcnze");
    EXPECT_EQ(Localized(1060123), "~1_NAME~ gives you ~2_ITEM~."); // only in English
    EXPECT_EQ(Localized(3000129), "Journal");                      // no German file at all
    EXPECT_EQ(Localized(1060050), "Error (TID): Null string : 1060050");
}

TEST_F(LanguageTest, TheEnvironmentNamesTheLanguageWhenTheConfigurationDoesNot) {
    struct Case {
        const char* lang; // null: unset
        const char* code;
        bool warned;
    } cases[] = {
        {nullptr, "enu", false}, {"C", "enu", false},         {"fr_FR.UTF-8", "fra", false},
        {"ja_JP", "jpn", false}, {"de_AT@euro", "enu", true}, {"xx_YY", "enu", false},
    };
    for (const Case& c : cases) {
        LanguageManager::ResetForTests();
        if (c.lang)
            ::setenv("LANG", c.lang, 1);
        else
            ::unsetenv("LANG");
        qvtest::ReportRecorder report;
        LanguageManager::startup();
        EXPECT_STREQ(LanguageManager::getUserLanguageCodeString(), c.code) << (c.lang ? c.lang : "unset");
        // "dea" is a language the list does not have.
        EXPECT_EQ(report.contains(QVReport::Level::Warning, "not supported by the Translation Server"),
                  c.warned)
            << (c.lang ? c.lang : "unset");
    }
    EXPECT_EQ(LanguageManager::LanguageCodeFromLocale("en_GB.UTF-8"), "eng");
    EXPECT_EQ(LanguageManager::LanguageCodeFromLocale("zh_TW"), "cht");
    EXPECT_EQ(LanguageManager::LanguageCodeFromLocale("POSIX"), "");
}

TEST_F(LanguageTest, StartupReadsTheLanguageListAndPreloadsOnce) {
    qvtest::ReportRecorder report;
    LanguageManager::startup();
    EXPECT_TRUE(LanguageManager::isStarted());
    EXPECT_EQ(LanguageManager::loadedSectionCount(), 11);
    ASSERT_NE(LanguageManager::findLanguage("KOR"), nullptr);
    EXPECT_EQ(LanguageManager::findLanguage("kor")->name, "Korean");
    EXPECT_EQ(LanguageManager::findLanguage("kor")->country, "Korea");
    EXPECT_TRUE(report.contains("LanguageManager::startup: user language set to 'enu'."));
    LanguageManager::startup(); // a second call does nothing
    EXPECT_EQ(LanguageManager::loadedSectionCount(), 11);
    LanguageManager::shutdown();
    EXPECT_FALSE(LanguageManager::isStarted());
    EXPECT_EQ(LanguageManager::loadedSectionCount(), 0);
    EXPECT_TRUE(g_iffErrors.empty());
}

TEST_F(LanguageTest, LanguageListSkipsWhatItDoesNotKnow) {
    std::string code = std::string("tst") + '\0' + LittleEndian32('?') + "Test" + '\0' + "Nowhere" + '\0';
    std::string file = IffForm(
        "DATA",
        IffForm("LANG", IffForm("WIN3", IffChunk("CODE", code) + IffChunk("CODE", std::string(1100, 'x')) +
                                            IffChunk("NOTE", "hi") + IffForm("SKIP", "") +
                                            IffChunk("CODE", std::string("ab") + '\0' + LittleEndian32(9) +
                                                                 "Other" + '\0' + "Place" + '\0'))));
    ASSERT_TRUE(LanguageManager::loadLanguageCodesFromBytes(reinterpret_cast<const uint8_t*>(file.data()),
                                                            file.size(), "langcode.iff"));
    const LanguageCode* test = LanguageManager::findLanguage("TST");
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(test->id, 0); // '?' is stored as 0
    EXPECT_NE(LanguageManager::findLanguage("ab"), nullptr);
    ASSERT_EQ(g_iffErrors.size(), 3u);
    EXPECT_NE(g_iffErrors[0].find("warning: "), std::string::npos);
    EXPECT_NE(g_iffErrors[0].find("Ignoring Unusually large CHUNK CODE."), std::string::npos);
    EXPECT_NE(g_iffErrors[1].find("Ignoring Unexpected FORM or CHUNK."), std::string::npos);
    EXPECT_NE(g_iffErrors[2].find("Ignoring Unexpected FORM or CHUNK."), std::string::npos);
}

// ---------------------------------------------------------------- sections

TEST_F(LanguageTest, SectionChunksAndTheirChecks) {
    struct Case {
        const char* name;
        std::string file;
        bool loads;
        const char* report; // the first IFF report, or "" for none
    };
    const std::string two = std::string("a\0b\0", 4);
    std::vector<Case> cases = {
        {"8-bit texts", Section("s", 2, two), true, ""},
        {"16-bit texts", Section("s", 2, std::string("a\0\0\0b\0\0\0", 8), "", 2), true, ""},
        {"illegal character size", Section("s", 2, two, "", 3), false,
         "fatal: File:s, Path:/DATA/LANG/INFO: Illegal "
         "character size."},
        {"no strings", Section("s", 0, two), false, "stringCount <= 0."},
        {"more strings than bytes", Section("s", 1 << 30, two), false, "stringCount larger than the file."},
        {"text runs short", Section("s", 3, two), false, "NOT ENOUGH DATA! Check string count."},
        {"text left over", Section("s", 1, two), false, "TOO MUCH DATA! Check string count."},
        {"TIME with extra data", Section("s", 2, two, IffChunk("TIME", std::string(20, '\0'))), false,
         "extra data in CHUNK"},
        {"POSN short", Section("s", 2, two, IffChunk("POSN", std::string(12, '\0'))), false,
         "At end of CHUNK. Not enough data ?"},
        {"unknown chunk skipped", Section("s", 2, two, IffChunk("ABCD", "xyz") + IffForm("ABCD", "")), true,
         "warning: File:s, Path:/DATA/LANG: Ignoring Unexpected FORM or CHUNK."},
        {"zero tag", Section("s", 2, two, std::string(8, '\0')), true,
         "Very Strange Error. Maybe Premature EOF?"},
        {"TKEY index out of range",
         Section(
             "s", 2, two,
             IffChunk("TKEY", LittleEndian32(2) + LittleEndian32(0) + LittleEndian32(0) + LittleEndian32(0))),
         false, "String index out of range in CHUNK TKEY."},
        {"TKEY key count past the chunk",
         Section("s", 2, two,
                 IffChunk("TKEY", LittleEndian32(0) + LittleEndian32(0x40000000) + LittleEndian32(1) +
                                      LittleEndian32(1))),
         false, "Key count out of range in CHUNK TKEY."},
        {"INFO with extra data",
         IffForm("DATA", IffForm("LANG", IffChunk("INFO", std::string("enu") + '\0' + LittleEndian32(1) +
                                                              LittleEndian32(0) + "s" + '\0' +
                                                              LittleEndian32(0) + LittleEndian32(1) + "xx"))),
         false, "Extra data in CHUNK INFO."},
        {"not a section", IffForm("LIST", ""), false, "Cannot enter FORM 'DATA'"},
    };
    for (const Case& c : cases) {
        g_iffErrors.clear();
        LanguageSection section;
        EXPECT_EQ(section.parse(reinterpret_cast<const uint8_t*>(c.file.data()), c.file.size(), "s"), c.loads)
            << c.name;
        EXPECT_EQ(section.isLoaded(), c.loads) << c.name;
        if (*c.report) {
            ASSERT_FALSE(g_iffErrors.empty()) << c.name;
            EXPECT_NE(g_iffErrors[0].find(c.report), std::string::npos) << c.name << ": " << g_iffErrors[0];
        } else {
            EXPECT_TRUE(g_iffErrors.empty()) << c.name << ": " << g_iffErrors[0];
        }
        if (c.loads) {
            ASSERT_NE(section.getStr(1, true), nullptr) << c.name;
            EXPECT_EQ(Narrow(*section.getStr(1, true)), "b") << c.name;
        }
    }
}

TEST_F(LanguageTest, KeyListsFramesAndStoredArrays) {
    const std::string texts = std::string("zero\0\0two\0", 10);
    std::string keys = LittleEndian32(0) + LittleEndian32(1) + LittleEndian32(7) + // text 0 for 7
                       LittleEndian32(2) + LittleEndian32(2) + LittleEndian32(1000) + LittleEndian32(1001) +
                       LittleEndian32(1) + LittleEndian32(0);
    std::string times;
    for (int t : {0, 9, 10, 19, 20, 29})
        times += LittleEndian32(t);
    std::string colours;
    for (int v : {1, 2, 3, 255, 0, 16, 0, 0, 0})
        colours += LittleEndian32(v);
    std::string file =
        Section("keys", 3, texts,
                IffChunk("TKEY", keys) + IffChunk("TIME", times) + IffChunk("COLR", colours) +
                    IffChunk("FONT", LittleEndian32(3) + LittleEndian32(1) + LittleEndian32(0)) +
                    IffChunk("POSN", std::string(24, '\1')));
    LanguageSection section;
    ASSERT_TRUE(section.parse(reinterpret_cast<const uint8_t*>(file.data()), file.size(), "keys"));
    ASSERT_NE(section.getStr(1001, true), nullptr);
    EXPECT_EQ(Narrow(*section.getStr(1001, true)), "two");
    EXPECT_EQ(Narrow(*section.getStr(7, true)), "zero");
    {
        qvtest::ReportRecorder report;
        EXPECT_EQ(section.getStr(1, false), nullptr); // keys, not indexes, select texts
        EXPECT_TRUE(
            report.contains(QVReport::Level::Error, "LanguageSection::getStr:string number (1) is NULL !"));
    }
    int index = 0;
    EXPECT_EQ(Narrow(*section.getStrForFrame(25, &index)), "two");
    EXPECT_EQ(index, 2);
    EXPECT_EQ(section.getStrForFrame(15, &index), nullptr); // text 1 is empty
    EXPECT_EQ(index, 1);
    EXPECT_EQ(section.getStrForFrame(30, &index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(section.getColours(), (std::vector<uint32_t>{0x010203, 0xFF0010, 0}));
    EXPECT_EQ(section.getFonts(), (std::vector<int32_t>{3, 1, 0}));
    EXPECT_EQ(section.getPositions().size(), 3u);

    LanguageSection plain;
    std::string simple = Section("plain", 2, std::string("a\0b\0", 4));
    ASSERT_TRUE(plain.parse(reinterpret_cast<const uint8_t*>(simple.data()), simple.size(), "plain"));
    qvtest::ReportRecorder report;
    EXPECT_EQ(plain.getStrForFrame(0, &index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(report.contains("Function:LanguageSection::getStrForFrame: no frame timing information"));
    EXPECT_EQ(plain.getStr(2, false), nullptr);
    EXPECT_TRUE(report.contains("given string number (2) out of range (0-1)"));
}

TEST_F(LanguageTest, TheSampleIntroCarriesSubtitleFrames) {
    LanguageSection* intro = nullptr;
    LanguageManager::startup();
    intro = LanguageManager::loadSection("intro", nullptr, "intro", false, false);
    ASSERT_NE(intro, nullptr);
    int index = -1;
    const CWideString* line = intro->getStrForFrame(70, &index);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(Narrow(*line), mkinstall::SampleSectionText("intro", 1));
}

// ---------------------------------------------------------------- arguments

TEST_F(LanguageTest, SubstitutesArgumentsAndTextNumbers) {
    LanguageManager::startup();
    struct Case {
        const char16_t* text;
        const char16_t* arguments;
        const char* result;
    } cases[] = {
        {u"~2~ ~1~", u"a\tb", "b a"},
        {u"~1_NAME~ gives you ~2_ITEM~.", u"Ann\tgold", "Ann gives you gold."},
        {u"~1~ and ~3~", u"a\tb", "Error (TID): Token Out of Range : 3 : 77"},
        {u"~2~", u"a\t", "Error (TID): Token Out of Range : 2 : 77"}, // a TAB at the end adds none
        {u"[~1~][~2~]", u"\tb", "[][b]"},
        {u"You got ~1~.", u"#1060000", "You got a gold coin."},
        {u"You got ~1~.", u"#42", "Error (TID): Token Out of Range : 42 : 77"},
        {u"~#1060000~!", u"x", "a gold coin!"},
        {u"~#2000000~", u"x", "Error (TID): Token Out of Range : 2000000 : 77"},
        {u"50\\~ off", u"x", "50\\~ off"},
        {u"~1", u"end", "end"}, // the end of the text ends a token
        {u"plain ~1~", u"", "plain ~1~"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Substituted(c.text, c.arguments), c.result) << (&c - cases);
    EXPECT_EQ(Substituted(u"~1~", nullptr), "~1~");

    std::u16string many;
    for (int i = 1; i <= 70; ++i)
        many += u"a\t";
    EXPECT_EQ(Substituted(u"~64~", many.c_str()), "a");
    EXPECT_EQ(Substituted(u"~65~", many.c_str()), "Error (TID): Token Out of Range : 65 : 77");

    // Arguments that expand far past 511 units.
    std::u16string text;
    for (int i = 0; i < 300; ++i)
        text += u"~1~";
    const std::u16string argument(100, u'x');
    CWideString s(text.c_str());
    LanguageManager::substituteArguments(s, argument.c_str(), 1);
    EXPECT_EQ(s.GetLength(), 30000);
}

} // namespace
