#include "text/WideText.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using U16 = std::u16string;

TEST(WideNumbers, ToIntWalksSignsDigitsAndWraps) {
    struct Case {
        const char16_t* text;
        int decimal;
        int hex;
    };
    const Case cases[] = {
        {u"--12", 12, 0x12},
        {u"1-2", -12, -0x12},
        {u"+7x9", 7, 7},
        {u"", 0, 0},
        {u"x1", 0, 0},
        {u"ff", 0, 255},
        {u"-1A", -1, -26},
        {u"2147483647", INT_MAX, 0x47483647},
        {u"2147483648", INT_MIN, 0x47483648},
        {u"-2147483648", INT_MIN, -0x47483648},
        {u"4294967295", -1, static_cast<int>(0x94967295u)},
        {u"FFFFFFFF", 0, -1},
        {u"123456789012", -1097262572, 0x56789012},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideToInt(c.text), c.decimal) << "case " << (&c - cases);
        EXPECT_EQ(WideHexToInt(c.text), c.hex) << "case " << (&c - cases);
    }
}

TEST(WideNumbers, IntToWideWritesDigitsMostSignificantFirst) {
    struct Case {
        int value;
        int base;
        const char16_t* text;
    };
    const Case cases[] = {
        {-305, 10, u"-305"},
        {0, 10, u"0"},
        {35, 36, u"z"},
        {36, 36, u"10"},
        {255, 16, u"ff"},
        {5, 2, u"101"},
        {INT_MAX, 10, u"2147483647"},
        {INT_MIN, 10, u"-2147483648"},
        {INT_MIN, 2, u"-10000000000000000000000000000000"},
        {-1, 16, u"-1"},
        {42, 1, u"42"}, // no such base: decimal
    };
    for (const Case& c : cases) {
        char16_t out[40];
        std::fill(std::begin(out), std::end(out), u'#');
        IntToWide(c.value, out, c.base);
        EXPECT_EQ(U16(out), c.text);
    }
}

TEST(WideCase, FoldCaseTable) {
    struct Case {
        char16_t in, out;
    };
    const Case cases[] = {
        {0x80, 0xE7}, // old code page C-cedilla, through 0xC7
        {0x8E, 0xE4}, // through 0xC4
        {0x9A, 0xFC}, // through 0xDC
        {0x82, 0xE9}, // already small
        {0x86, 0x86}, // not in the table
        {u'A', u'a'},   {u'Z', u'z'},   {u'[', u'['},   {u'a', u'a'},   {0xC0, 0xE0},
        {0xDD, 0xFD},   {0xDE, 0xDE},   {0xD7, 0xF7},   {0xFF, 0xFF},   {0x100, 0x101},
        {0x101, 0x101}, {0x130, 0x131}, {0x176, 0x177}, {0x177, 0x177}, {0x178, 0x178},
        {0x179, 0x17A}, {0x17A, 0x17A}, {0x17D, 0x17E}, {0x17E, 0x17E}, {0x4E00, 0x4E00},
    };
    for (const Case& c : cases)
        EXPECT_EQ(int(WideFoldCase(c.in)), int(c.out)) << std::hex << int(c.in);
}

TEST(WideCompare, OrdersUnitsUnsignedAndFoldsOnlyAsciiCapitals) {
    struct Case {
        const char16_t* a;
        const char16_t* b;
        int exact, noCase;
    };
    const Case cases[] = {
        {u"abc", u"abc", 0, 0},         {u"a", u"b", -1, -1},    {u"b", u"a", 1, 1},
        {u"ab", u"abc", -1, -1},        {u"abc", u"ab", 1, 1},   {u"", u"", 0, 0},
        {u"\uFFFF", u"a", 1, 1},        {u"ABC", u"abc", -1, 0}, {u"[", u"A", 1, -1},
        {u"\u00C9", u"\u00E9", -1, -1}, {nullptr, u"", 0, 0},    {u"a", nullptr, 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideCompare(c.a, c.b), c.exact) << "case " << (&c - cases);
        EXPECT_EQ(WideCompareNoCase(c.a, c.b), c.noCase) << "case " << (&c - cases);
    }
    EXPECT_EQ(WideCompareNoCaseLimited(u"abcX", u"ABCy", 3), 0);
    EXPECT_EQ(WideCompareNoCaseLimited(u"abcX", u"ABCy", 4), -1);
    EXPECT_EQ(WideCompareNoCaseLimited(u"x", u"y", 0), 0);
    EXPECT_EQ(WideCompareNoCaseLimited(u"ab", u"AB", 10), 0);
    EXPECT_EQ(WideCompareNoCaseLimited(u"ab", u"abc", 10), -1);
}

TEST(WideCopy, LimitedCopiesAndAppendsStayInsideTheirSize) {
    char16_t out[8];
    std::fill(std::begin(out), std::end(out), u'#');
    WideCopyLimited(out, u"abc", 2);
    EXPECT_EQ(U16(out), u"ab");
    EXPECT_EQ(out[3], u'#');
    WideCopyLimited(out, u"abc", 5);
    EXPECT_EQ(U16(out), u"abc");

    struct Case {
        const char16_t* dst;
        const char16_t* src;
        int size;
        const char16_t* result;
    };
    const Case cases[] = {
        {u"ab", u"xyz", 4, u"abx"}, {u"ab", u"xyz", 8, u"abxyz"}, {u"abcdef", u"x", 4, u"abc"},
        {u"abc", u"x", 4, u"abc"},  {u"ab", u"x", 1, u""},        {u"", u"", 1, u""},
    };
    for (const Case& c : cases) {
        char16_t buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        WideCopy(buffer, c.dst);
        WideAppendLimited(buffer, c.src, c.size);
        EXPECT_EQ(U16(buffer), c.result) << "case " << (&c - cases);
    }

    char16_t joined[8] = u"ab";
    WideAppend(joined, u"cd");
    EXPECT_EQ(U16(joined), u"abcd");
    char16_t* copy = WideDuplicate(joined);
    EXPECT_EQ(U16(copy), u"abcd");
    EXPECT_NE(copy, joined);
    delete[] copy;
    EXPECT_EQ(WideDuplicate(nullptr), nullptr);
    EXPECT_EQ(WideLength(nullptr), 0);
}

TEST(WideBytes, ZeroAndSignExtensionAndBackTo8Bit) {
    const char bytes[] = {'a', static_cast<char>(0xE9), static_cast<char>(0x80), static_cast<char>(0xFF), 0};
    char16_t out[16];
    WideFromAscii(out, bytes);
    EXPECT_EQ(U16(out), (U16{u'a', 0xE9, 0x80, 0xFF}));
    WideFromAsciiSigned(out, bytes);
    EXPECT_EQ(U16(out), (U16{u'a', 0xFFE9, 0xFF80, 0xFFFF}));
    WideCopy(out, u">");
    WideAppendAscii(out, bytes);
    EXPECT_EQ(U16(out), (U16{u'>', u'a', 0xE9, 0x80, 0xFF}));
    WideCopy(out, u">");
    WideAppendAsciiSigned(out, bytes);
    EXPECT_EQ(U16(out), (U16{u'>', u'a', 0xFFE9, 0xFF80, 0xFFFF}));
    WideFromAsciiLimited(out, bytes, 2);
    EXPECT_EQ(U16(out), (U16{u'a', 0xE9}));

    char narrow[16];
    WideToAscii(narrow, u"a\u00E9\uFFE9\u1234");
    EXPECT_STREQ(narrow, "a\xE9\xE9\x34");
    WideToAsciiStripped(narrow, u"a\u00E9b\u007F\u0080c");
    EXPECT_STREQ(narrow, "ab\x7F"
                         "c");
    EXPECT_TRUE(WideIsSpace(u' '));
    EXPECT_FALSE(WideIsSpace(u'\t'));
    EXPECT_FALSE(WideIsSpace(0x3000));
    EXPECT_TRUE(WideIsDigit(u'0') && WideIsDigit(u'9'));
    EXPECT_FALSE(WideIsDigit(u'/') || WideIsDigit(u':') || WideIsDigit(0xFF10));
}

TEST(WideFind, FindsFoldedPatterns) {
    struct Case {
        const char16_t* pattern;
        const char16_t* text;
        int at;
    };
    const Case cases[] = {
        {u"BC", u"abcbc", 1},
        {u"", u"abc", 0},
        {u"", u"", 0},
        {u"abcd", u"abc", -1},
        {u"x", u"abc", -1},
        {u"C", u"abc", 2},
        {u"\u00C9T\u00C9", u"l'\u00E9t\u00E9", 2},
        {u"\u0080", u"\u00E7a", 0}, // both fold to 0xE7
        {u"aab", u"aaaab", 2},
        {u"abab", u"abacababab", 4},
        {u"bad", nullptr, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideFindNoCase(c.pattern, c.text), c.at) << "case " << (&c - cases);
}

int NaiveFind(const U16& pattern, const U16& text) {
    if (pattern.size() > text.size()) return -1;
    for (size_t s = 0; s + pattern.size() <= text.size(); ++s) {
        size_t k = 0;
        while (k < pattern.size() && WideFoldCase(pattern[k]) == WideFoldCase(text[s + k]))
            ++k;
        if (k == pattern.size()) return static_cast<int>(s);
    }
    return -1;
}

TEST(WideFind, AgreesWithANaiveFoldedSearchOnRandomTexts) {
    // Few distinct folded units, several spellings each, so matches and near-misses are common.
    const char16_t alphabet[] = {u'a', u'A', u'b', u'B', 0x80, 0xC7, 0xE7, 0x130, 0x131, 0x17D, 0x17E, u' '};
    std::mt19937 random(20240611);
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
    auto randomText = [&](size_t length) {
        U16 text;
        for (size_t i = 0; i < length; ++i)
            text += alphabet[pick(std::size(alphabet))];
        return text;
    };
    int found = 0;
    for (int round = 0; round < 4000; ++round) {
        U16 text = randomText(pick(round % 10 == 0 ? 400 : 40));
        U16 pattern;
        if (!text.empty() && pick(2) == 0) {
            // A piece of the text in other spellings: always present somewhere.
            size_t from = pick(text.size());
            pattern = text.substr(from, 1 + pick(text.size() - from));
            for (auto& unit : pattern) {
                if (unit == u'a' && pick(2)) unit = u'A';
                if (unit == 0xE7 && pick(2)) unit = 0x80;
            }
        } else {
            pattern = randomText(pick(round % 10 == 0 ? 160 : 6));
        }
        int expected = NaiveFind(pattern, text);
        found += expected >= 0;
        ASSERT_EQ(WideFindNoCase(pattern.c_str(), text.c_str()), expected)
            << "round " << round << " pattern length " << pattern.size() << " text length " << text.size();
    }
    EXPECT_GT(found, 1000); // the property was exercised on hits, not only misses
}

TEST(WideFind, PatternsLongerThanAHundredUnits) {
    U16 pattern;
    for (int i = 0; i < 300; ++i)
        pattern += static_cast<char16_t>(u'a' + i % 7);
    U16 text = U16(1000, u'x') + pattern + u"tail";
    for (auto& unit : text)
        if (unit >= u'a' && unit <= u'g') unit = static_cast<char16_t>(unit - 0x20);
    EXPECT_EQ(WideFindNoCase(pattern.c_str(), text.c_str()), 1000);
    pattern.back() = u'z';
    EXPECT_EQ(WideFindNoCase(pattern.c_str(), text.c_str()), -1);
}

TEST(Utf8, EncodesWithinTheByteLimit) {
    struct Case {
        U16 text;
        int limit;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {U16{0x7F}, 8, {0x7F, 0x00}},
        {U16{0x7F}, 1, {0x7F}},
        {U16{0x80}, 8, {0xC2, 0x80, 0x00}},
        {U16{0x7FF}, 8, {0xDF, 0xBF, 0x00}},
        {U16{0x800}, 8, {0xE0, 0xA0, 0x80, 0x00}},
        {U16{0x20AC}, 8, {0xE2, 0x82, 0xAC, 0x00}},
        {U16{0x20AC}, 3, {0xE2, 0x82, 0xAC}},
        {U16{0x20AC}, 2, {}}, // the form does not fit: nothing of it is written
        {U16{u'a', 0x20AC}, 3, {u'a'}},
        {U16{0xFFFF}, 4, {0xEF, 0xBF, 0xBF, 0x00}},
        {U16{}, 1, {0x00}},
        {U16{}, 0, {}},
    };
    for (const Case& c : cases) {
        char out[16];
        std::memset(out, '#', sizeof out);
        int written = WideToUtf8(out, c.text.c_str(), c.limit);
        ASSERT_EQ(written, static_cast<int>(c.bytes.size())) << "case " << (&c - cases);
        EXPECT_EQ(std::vector<unsigned char>(out, out + written), c.bytes) << "case " << (&c - cases);
        EXPECT_EQ(out[written], '#') << "case " << (&c - cases);
    }
}

TEST(Utf8, DecodesAtMostNUnitsAndStopsAtAZeroByte) {
    struct Case {
        std::string bytes; // the decoder sees them zero-terminated
        int n;
        U16 units; // what is written, a counted zero unit included
    };
    const Case cases[] = {
        {"wxyz", 3, u"wxy"}, // no terminator after n units
        {"wxyz", 5, U16{u'w', u'x', u'y', u'z', 0}},
        {"A", 8, U16{u'A', 0}},
        {"\xC3\xA9", 8, U16{0xE9, 0}},
        {"\xE2\x82\xAC!", 8, U16{0x20AC, u'!', 0}},
        {"\xEF\xBF\xBF", 8, U16{0xFFFF, 0}},
        {"\xC3", 8, U16{0}},                     // cut by the terminator: the form is dropped
        {"\xE2\x82", 8, U16{0}},                 // likewise
        {"\xF0\x9F\x98\x80", 8, U16{0x07D8, 0}}, // a four-byte form reads as three bytes, then a cut form
        {"", 8, U16{0}},
        {"abc", 0, U16{}},
    };
    for (const Case& c : cases) {
        char16_t out[16];
        std::fill(std::begin(out), std::end(out), u'#');
        char16_t* end = Utf8ToWide(out, c.bytes.c_str(), c.n);
        EXPECT_EQ(U16(out, end), c.units) << "case " << (&c - cases);
        EXPECT_EQ(*end, u'#') << "case " << (&c - cases);

        std::fill(std::begin(out), std::end(out), u'#');
        end = Utf8ToWideBounded(out, c.n, c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(U16(out, end), c.units) << "bounded, case " << (&c - cases);
    }
}

TEST(Utf8, BoundedDecoderNeverReadsPastItsBytes) {
    const char bytes[] = {'a', '\xE2', '\x82', '\xAC', 'b'};
    char16_t out[8];
    // Cut inside the three-byte form: the end reads as a zero byte.
    char16_t* end = Utf8ToWideBounded(out, 8, bytes, 3);
    EXPECT_EQ(U16(out, end), (U16{u'a', 0}));
    end = Utf8ToWideBounded(out, 8, bytes, 5);
    EXPECT_EQ(U16(out, end), (U16{u'a', 0x20AC, u'b', 0}));
    end = Utf8ToWideBounded(out, 8, bytes, 0);
    EXPECT_EQ(U16(out, end), (U16{0}));
}

TEST(Utf8, EveryUnitSurvivesARoundTrip) {
    for (unsigned unit = 1; unit <= 0xFFFF; ++unit) {
        const char16_t text[2] = {static_cast<char16_t>(unit), 0};
        char bytes[4];
        ASSERT_EQ(WideToUtf8(bytes, text, 4), unit < 0x80 ? 2 : unit < 0x800 ? 3 : 4);
        char16_t back[2];
        ASSERT_EQ(Utf8ToWide(back, bytes, 2), back + 2);
        ASSERT_EQ(back[0], unit);
        ASSERT_EQ(back[1], 0);
    }
}

// The break rules as published for the line layout; the implementation holds its own copy.
const char16_t kNeverLineEnd[] = {0x0022, 0x0024, 0x0027, 0x0028, 0x005B, 0x005C, 0x007B, 0x00A3,
                                  0x00A5, 0x3008, 0x300A, 0x300C, 0x300E, 0x3010, 0x3014, 0xFF04,
                                  0xFF08, 0xFF3B, 0xFF5B, 0xFF62, 0xFFE1, 0xFFE5};
const char16_t kNeverLineStart[] = {
    0x0021, 0x0022, 0x0025, 0x0027, 0x0029, 0x002C, 0x002E, 0x003A, 0x003B, 0x003F, 0x005D, 0x007D, 0x00A2,
    0x00B0, 0x2030, 0x2032, 0x2033, 0x2103, 0x3001, 0x3002, 0x3005, 0x3009, 0x300B, 0x300D, 0x300F, 0x3011,
    0x3015, 0x309B, 0x309C, 0x309D, 0x309E, 0x30FB, 0x30FD, 0x30FE, 0xFF01, 0xFF05, 0xFF09, 0xFF0C, 0xFF0E,
    0xFF1A, 0xFF1B, 0xFF1F, 0xFF3D, 0xFF5D, 0xFF61, 0xFF63, 0xFF64, 0xFF65, 0xFF9E, 0xFF9F, 0xFFE0};

TEST(LineBreak, CjkPairs) {
    struct Case {
        char16_t a, b;
        bool allowed;
    };
    const Case cases[] = {
        {0x4E00, 0x3002, false}, {0x4E00, 0x4E8C, true}, {u'a', u'b', false},     {0x4E00, 0, true},
        {0, 0x4E00, true},       {0, u'a', false},       {0x4E00, u'a', true},    {u'a', 0x4E00, true},
        {0xAC00, 0xD7A3, true},  {0xD7A4, u'a', false},  {0xF900, 0xFAFF, true},  {0xFB00, 0x2FFF, false},
        {0x3000, u' ', true},    {0x9FFF, u'x', true},   {0x300C, 0x4E00, false}, {u'(', 0x4E00, false},
        {0x4E00, u')', false},   {u'"', 0x4E00, false},  {0x4E00, u'"', false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnicodeLineBreakAllowed(c.a, c.b), c.allowed) << std::hex << int(c.a) << " " << int(c.b);
}

TEST(LineBreak, EveryListedUnitAndOnlyThoseHoldTheLineTogether) {
    auto listed = [](const auto& list, char16_t unit) {
        return std::find(std::begin(list), std::end(list), unit) != std::end(list);
    };
    const char16_t ideograph = 0x4E00;
    for (char16_t unit : kNeverLineEnd) {
        EXPECT_FALSE(UnicodeLineBreakAllowed(unit, ideograph)) << std::hex << int(unit);
        for (char16_t near : {char16_t(unit - 1), char16_t(unit + 1)})
            if (!listed(kNeverLineEnd, near) && near) {
                EXPECT_TRUE(UnicodeLineBreakAllowed(near, ideograph)) << std::hex << int(near);
            }
    }
    for (char16_t unit : kNeverLineStart) {
        EXPECT_FALSE(UnicodeLineBreakAllowed(ideograph, unit)) << std::hex << int(unit);
        for (char16_t near : {char16_t(unit - 1), char16_t(unit + 1)})
            if (!listed(kNeverLineStart, near) && near) {
                EXPECT_TRUE(UnicodeLineBreakAllowed(ideograph, near)) << std::hex << int(near);
            }
    }
}

// Records what the filter's two maskers see and masks like the real list would.
std::string g_narrowSeen;
std::u16string g_wideSeen;
void MaskNarrow(char* text) {
    g_narrowSeen = text;
    for (char* p = text; *p; ++p)
        if (*p == 'b' || *p == ' ') *p = '*';
}
void MaskWide(char16_t* text) {
    g_wideSeen = text;
}

TEST(FilterWideText, MasksThe8BitViewAndCopiesBackOnlyAsciiUnits) {
    char16_t text[] = u"ab\u00E9b\u4E00 c";
    FilterWideTextWith(text, MaskNarrow, MaskWide);
    EXPECT_EQ(g_narrowSeen, "ab b  c");          // units from 0x80 up are blanks in the 8-bit view
    EXPECT_EQ(g_wideSeen, u"a*\u00E9*\u4E00*c"); // the wide pass sees the first pass's masks
    EXPECT_EQ(U16(text), u"a*\u00E9*\u4E00*c");

    g_narrowSeen = "untouched";
    FilterWideTextWith(nullptr, MaskNarrow, MaskWide);
    EXPECT_EQ(g_narrowSeen, "untouched");
    FilterWideText(nullptr);
}

} // namespace
