#include "text/Iff.h"

#include "mkinstall/TextFiles.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using mkinstall::BigEndian32;
using mkinstall::IffChunk;
using mkinstall::IffForm;

constexpr IffTag kData = MakeIffTag("DATA");
constexpr IffTag kLang = MakeIffTag("LANG");

struct Reported {
    std::string line;
    std::string context;
    bool fatal;
};
std::vector<Reported> g_reported;

void Record(const std::string& line, const char* context, bool fatal) {
    g_reported.push_back({line, context, fatal});
}

class IffTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        g_reported.clear();
        previous = Iff::setErrorHandler(Record);
    }
    void TearDown() override {
        Iff::setErrorHandler(previous);
        CleanState::TearDown();
    }
    static const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }
    Iff::ErrorHandler previous = nullptr;
};

std::string Le32(int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    return std::string{static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)};
}

TEST_F(IffTest, WalksFormsChunksAndPadBytes) {
    const std::string file =
        IffForm("DATA", IffChunk("ODD ", std::string("ab\0", 3)) +
                            IffForm("LANG", IffChunk("NUMS", Le32(-2) + BigEndian32(7))) +
                            IffChunk("LAST", "z")) +
        "tail";
    Iff iff(Bytes(file), file.size());
    EXPECT_EQ(iff.getCurrentTag(), MakeIffTag("FORM"));
    EXPECT_TRUE(iff.isForm(0));
    EXPECT_TRUE(iff.isForm(kData));
    EXPECT_FALSE(iff.isForm(kLang));
    ASSERT_TRUE(iff.enterForm(0)); // type 0 enters any FORM
    EXPECT_EQ(iff.depth(), 1);
    EXPECT_FALSE(iff.isChunk(0));
    ASSERT_TRUE(iff.enterChunk(MakeIffTag("ODD ")));
    EXPECT_EQ(iff.charsLeft(), 3);
    char text[8];
    EXPECT_TRUE(iff.readString(text, sizeof text));
    EXPECT_STREQ(text, "ab");
    EXPECT_TRUE(iff.atEnd()); // before the pad byte
    ASSERT_TRUE(iff.exitChunk(MakeIffTag("ODD "), true));
    EXPECT_TRUE(iff.isForm(kLang)); // past the pad

    ASSERT_TRUE(iff.enterForm(kLang));
    ASSERT_TRUE(iff.enterChunk(MakeIffTag("NUMS")));
    EXPECT_EQ(iff.readInt32(), -2);
    EXPECT_EQ(iff.readInt32(true), 7);
    ASSERT_TRUE(iff.exitChunk(MakeIffTag("NUMS"), true));
    EXPECT_TRUE(iff.atEnd());
    ASSERT_TRUE(iff.exitForm(kLang));
    EXPECT_TRUE(iff.isChunk(MakeIffTag("LAST"))); // the sibling after the FORM

    ASSERT_TRUE(iff.enterChunk(MakeIffTag("LAST")));
    EXPECT_TRUE(iff.readString(text, sizeof text)); // one character ending the chunk
    EXPECT_STREQ(text, "z");
    ASSERT_TRUE(iff.exitChunk(MakeIffTag("LAST"), true));
    ASSERT_TRUE(iff.exitForm(kData));
    EXPECT_EQ(iff.getPosition(), file.size() - 4);
    EXPECT_EQ(iff.depth(), 0);
    EXPECT_FALSE(iff.atEnd()); // depth 0 is never at an end
    EXPECT_TRUE(g_reported.empty());
}

TEST_F(IffTest, StringsAreBoundedByTheDestinationAndTheChunk) {
    const std::string file = IffForm("DATA", IffChunk("STRS", std::string("longer text\0next\0", 17)) +
                                                 IffChunk("OPEN", "unterminated"));
    Iff iff(Bytes(file), file.size());
    iff.enterForm(kData);
    iff.enterChunk(MakeIffTag("STRS"));
    char small[5];
    EXPECT_TRUE(iff.readString(small, sizeof small));
    EXPECT_STREQ(small, "long");
    std::string next;
    EXPECT_TRUE(iff.readString(next, 100));
    EXPECT_EQ(next, "next"); // the cut string was passed whole
    iff.exitChunk(MakeIffTag("STRS"), true);
    iff.enterChunk(MakeIffTag("OPEN"));
    EXPECT_TRUE(iff.readString(next, 5));
    EXPECT_EQ(next, "unter");
    EXPECT_TRUE(iff.atEnd()); // an unterminated string ends at the chunk's end
    EXPECT_TRUE(iff.exitChunk(MakeIffTag("OPEN"), true));
    EXPECT_TRUE(g_reported.empty());
}

TEST_F(IffTest, StructuralErrorsAreReportedOnceAndStopTheCursor) {
    struct Case {
        const char* name;
        std::string file;
        std::function<void(Iff&)> walk;
        const char* text;
        const char* context;
    };
    const std::string inner = IffChunk("INFO", "abc");
    std::vector<Case> cases = {
        {"not a FORM", inner, [](Iff& i) { i.enterForm(kData); }, "Cannot enter FORM 'DATA'",
         "bool Iff::enterForm (IffTag tag)"},
        {"other FORM type", IffForm("LANG", ""), [](Iff& i) { i.enterForm(kData); },
         "Cannot enter FORM 'DATA'", "bool Iff::enterForm (IffTag tag)"},
        {"other chunk", IffForm("DATA", inner),
         [](Iff& i) { i.enterForm(kData), i.enterChunk(MakeIffTag("TEXT")); }, "Cannot enter CHUNK 'TEXT'",
         "bool Iff::enterChunk (IffTag tag)"},
        {"chunk larger than its FORM", IffForm("DATA", "INFO" + BigEndian32(100) + "abc"),
         [](Iff& i) { i.enterForm(kData), i.enterChunk(MakeIffTag("INFO")); }, "size 100 does not fit",
         "bool Iff::enterChunk (IffTag tag)"},
        {"negative FORM size", "FORM" + BigEndian32(0xFFFFFFF0u) + "DATA" + inner,
         [](Iff& i) { i.enterForm(kData); }, "does not fit", "bool Iff::enterForm (IffTag tag)"},
        {"FORM too short for its type", "FORM" + BigEndian32(2) + "DATA", [](Iff& i) { i.enterForm(0); },
         "does not fit", "bool Iff::enterForm (IffTag tag)"},
        {"exit chunk at depth 0", inner, [](Iff& i) { i.exitChunk(MakeIffTag("INFO"), false); },
         "depth <= 0. Cannot exit CHUNK 'INFO'", "bool Iff::exitChunk (IffTag tag)"},
        {"exit chunk 0 at depth 0", inner, [](Iff& i) { i.exitChunk(0, false); },
         "depth <= 0. Cannot exit CHUNK Tag at", "bool Iff::exitChunk (IffTag tag)"},
        {"exit FORM at depth 0", inner, [](Iff& i) { i.exitForm(kData); },
         "depth <= 0. Cannot exit FORM 'DATA'", "bool Iff::exitForm (IffTag tag)"},
        {"data left in a checked chunk", IffForm("DATA", inner),
         [](Iff& i) {
             i.enterForm(kData), i.enterChunk(MakeIffTag("INFO")), i.exitChunk(MakeIffTag("INFO"), true);
         },
         "extra data in CHUNK", "bool Iff::exitChunk (IffTag tag)"},
        {"integer past the chunk", IffForm("DATA", inner),
         [](Iff& i) { i.enterForm(kData), i.enterChunk(MakeIffTag("INFO")), i.readInt32(); },
         "At end of CHUNK. Not enough data ?", "int Iff::readInt32"},
        {"string past the chunk", IffForm("DATA", IffChunk("INFO", "")),
         [](Iff& i) {
             std::string s;
             i.enterForm(kData), i.enterChunk(MakeIffTag("INFO")), i.readString(s, 10);
         },
         "At end of CHUNK. Not enough data ?", "void Iff::readString"},
        {"read at depth 0", inner, [](Iff& i) { i.readInt32(); }, "depth <= 0",
         "unsigned int Iff::charsLeft (void)"},
        {"chars left at depth 0", inner, [](Iff& i) { i.charsLeft(); }, "depth <= 0",
         "unsigned int Iff::charsLeft (void)"},
        {"no data", "", [](Iff& i) { i.enterForm(0); }, "no current data!",
         "bool Iff::enterForm (IffTag tag)"},
    };
    for (const Case& c : cases) {
        g_reported.clear();
        Iff iff(c.file.empty() ? nullptr : Bytes(c.file), c.file.size());
        iff.setFileName("test.iff");
        c.walk(iff);
        ASSERT_EQ(g_reported.size(), 1u) << c.name;
        EXPECT_NE(g_reported[0].line.find(c.text), std::string::npos) << c.name << ": " << g_reported[0].line;
        EXPECT_EQ(g_reported[0].context, c.context) << c.name;
        EXPECT_TRUE(g_reported[0].fatal) << c.name;
        EXPECT_TRUE(iff.failed()) << c.name;
        // A failed cursor answers without moving and without more reports.
        size_t at = iff.getPosition();
        EXPECT_FALSE(iff.enterForm(0));
        EXPECT_FALSE(iff.enterChunk(MakeIffTag("INFO")));
        EXPECT_EQ(iff.readInt32(), 0);
        EXPECT_TRUE(iff.atEnd());
        EXPECT_EQ(iff.getPosition(), at) << c.name;
        EXPECT_EQ(g_reported.size(), 1u) << c.name;
    }
}

TEST_F(IffTest, ErrorLinesShowTheFileThePathAndTheTagHere) {
    const std::string file = IffForm("DATA", IffForm("LANG", IffChunk("INFO", "abcd")));
    Iff iff(Bytes(file), file.size());
    iff.setFileName("intro.enu");
    iff.enterForm(kData);
    iff.enterForm(kLang);
    iff.reportError("LanguageSection::load:", "Ignoring Unexpected FORM or CHUNK.", false);
    ASSERT_EQ(g_reported.size(), 1u);
    EXPECT_EQ(g_reported[0].line,
              "File:intro.enu, Path:/DATA/LANG: Ignoring Unexpected FORM or CHUNK. Tag at "
              "current position = 'INFO'.");
    EXPECT_FALSE(g_reported[0].fatal);
    EXPECT_FALSE(iff.failed()); // warnings leave the cursor going

    // The default handler: fatal errors end the process, warnings are logged.
    Iff::setErrorHandler(nullptr);
    qvtest::ReportRecorder report;
    iff.reportError("ctx", "just a warning", false);
    EXPECT_TRUE(
        report.contains(QVReport::Level::Warning, "just a warning Tag at current position = 'INFO'. ctx"));
    EXPECT_THROW(iff.exitChunk(MakeIffTag("INFO"), true), qvtest::ProcessExit);
    EXPECT_TRUE(report.contains(QVReport::Level::Fatal, "/DATA/LANG: extra data in CHUNK"));
}

TEST_F(IffTest, NestingGrowsTheStackUpToItsLimit) {
    auto nested = [](int depth) {
        std::string s = IffChunk("LEAF", "x");
        for (int i = 0; i < depth; ++i)
            s = IffForm("NEST", s);
        return s;
    };
    const std::string deep = nested(200);
    Iff iff(Bytes(deep), deep.size());
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(iff.enterForm(MakeIffTag("NEST"))) << i;
    ASSERT_TRUE(iff.enterChunk(MakeIffTag("LEAF")));
    ASSERT_TRUE(iff.exitChunk(MakeIffTag("LEAF"), false));
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(iff.exitForm(MakeIffTag("NEST")));
    EXPECT_EQ(iff.getPosition(), deep.size());

    const std::string tooDeep = nested(Iff::kMaxDepth + 1);
    Iff limited(Bytes(tooDeep), tooDeep.size());
    int entered = 0;
    while (limited.enterForm(0))
        ++entered;
    EXPECT_EQ(entered, Iff::kMaxDepth);
    ASSERT_EQ(g_reported.size(), 1u);
    EXPECT_NE(g_reported[0].line.find("nesting too deep"), std::string::npos);
}

TEST_F(IffTest, AnOddChunkEndingItsParentNeedsNoPad) {
    // The FORM ends right after the odd chunk's data: the missing pad byte is forgiven.
    const std::string file =
        "FORM" + BigEndian32(4 + 8 + 3) + "DATA" + "ODD " + BigEndian32(3) + "abc" + "next";
    Iff iff(Bytes(file), file.size());
    iff.enterForm(kData);
    iff.enterChunk(MakeIffTag("ODD "));
    iff.exitChunk(MakeIffTag("ODD "), false);
    EXPECT_TRUE(iff.atEnd());
    iff.exitForm(kData);
    EXPECT_TRUE(iff.isChunk(MakeIffTag("next")));
    EXPECT_TRUE(g_reported.empty());
}

} // namespace
