#include "text/CWideString.h"

#include <climits>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace {

const char16_t* const kNullText = nullptr;

std::u16string Text(const CWideString& s) {
    return s.GetText() ? std::u16string(s.GetText()) : u"<null>";
}

CWideString NullString() {
    return CWideString(kNullText);
}

TEST(CWideStringNull, EveryOperationReadsABufferlessStringAsEmpty) {
    CWideString s = NullString();
    EXPECT_EQ(s.GetText(), nullptr);
    EXPECT_TRUE(s.IsNull());
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(CWideString(static_cast<const char*>(nullptr)).GetText(), nullptr);

    CWideString copy(s);
    EXPECT_EQ(copy.GetText(), nullptr);
    EXPECT_TRUE(s.EqualsNoCase(CWideString()));
    EXPECT_FALSE(s.DiffersNoCase(copy));
    EXPECT_FALSE(s.IsPrefixOfAscii("abc"));
    EXPECT_FALSE(s.IsPrefixOfAscii(""));
    EXPECT_FALSE(s.StartsWithAscii(""));
    EXPECT_EQ(*s.CharAt(0), 0);
    EXPECT_FALSE(s.RemoveLastChar(u'a'));
    s.ToLower();
    int first = -1, last = -1;
    s.ParseRange(first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
    CWideString out(u"old");
    s.GetTextAfter(out, u',');
    EXPECT_EQ(Text(out), u"");
    EXPECT_EQ(Text(s.Concat(CWideString(u"ab"))), u"ab");
    EXPECT_EQ(Text(CWideString(u"ab").Concat(s)), u"ab");
    EXPECT_EQ(s.GetText(), nullptr); // reading never gave it a buffer
}

TEST(CWideStringNull, CanBeAssignedAndAppendedToAfterwards) {
    CWideString assigned = NullString();
    assigned = u"abc";
    EXPECT_EQ(Text(assigned), u"abc");
    EXPECT_EQ(assigned.GetLength(), 3);

    CWideString appended = NullString();
    appended.Append(u"xy");
    EXPECT_EQ(Text(appended), u"xy");

    CWideString withChar = NullString();
    withChar.AppendChar(u'q');
    EXPECT_EQ(Text(withChar), u"q");

    CWideString prepended = NullString();
    prepended.Prepend(CWideString(u"pq"));
    EXPECT_EQ(Text(prepended), u"pq");
    EXPECT_EQ(prepended.GetLength(), 2);

    CWideString both = NullString();
    both.Prepend(NullString());
    EXPECT_EQ(Text(both), u"");
}

TEST(CWideStringNull, AssigningABufferlessStringEmptiesButKeepsTheBuffer) {
    CWideString s(u"text");
    s = NullString();
    ASSERT_NE(s.GetText(), nullptr);
    EXPECT_EQ(Text(s), u"");
    EXPECT_EQ(s.GetCapacity(), 5);
    s = kNullText;
    EXPECT_EQ(Text(s), u"");
    const CWideString bufferless = NullString();
    s = bufferless;
    EXPECT_NE(s.GetText(), nullptr);

    CWideString moved(u"abc");
    CWideString target(std::move(moved));
    EXPECT_EQ(Text(target), u"abc");
    EXPECT_EQ(moved.GetText(), nullptr); // NOLINT: a moved-from string is a valid bufferless one
    moved = u"again";
    EXPECT_EQ(Text(moved), u"again");
}

TEST(CWideStringGrowth, BufferGrowsToTextPlusStepAndNeverShrinks) {
    CWideString s;
    EXPECT_EQ(s.GetCapacity(), 1);
    EXPECT_EQ(Text(s), u"");
    s = u"abcd";
    EXPECT_EQ(s.GetCapacity(), 5);
    const char16_t* buffer = s.GetText();
    s = u"ab";
    EXPECT_EQ(s.GetText(), buffer);
    EXPECT_EQ(s.GetCapacity(), 5);
    s.Append(u"cd"); // fits exactly
    EXPECT_EQ(s.GetText(), buffer);
    EXPECT_EQ(Text(s), u"abcd");
    s += u"e";
    EXPECT_EQ(s.GetCapacity(), 6);
    EXPECT_EQ(Text(s), u"abcde");
    s += CWideString(u"");
    EXPECT_EQ(s.GetCapacity(), 6);
    EXPECT_EQ(s.Append(kNullText), s.GetText());
}

TEST(CWideStringGrowth, AppendCharGrowsToExactlyTwoMoreAndAZeroUnitKeepsTheLength) {
    CWideString s(u"ab");
    s.AppendChar(u'c');
    EXPECT_EQ(Text(s), u"abc");
    EXPECT_EQ(s.GetCapacity(), 4);
    s.AppendChar(0);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_EQ(Text(s), u"abc");
}

TEST(CWideStringGrowth, TextFromTheStringItselfIsSafe) {
    CWideString s(u"abcdef");
    s = s.GetText() + 2;
    EXPECT_EQ(Text(s), u"cdef");
    s.Append(s.GetText()); // grows while reading its own buffer
    EXPECT_EQ(Text(s), u"cdefcdef");
    s = u"xy";
    s.Append(s.GetText()); // fits in place
    EXPECT_EQ(Text(s), u"xyxy");
    const CWideString& alias = s;
    s = alias;
    EXPECT_EQ(Text(s), u"xyxy");
    s.Prepend(s);
    EXPECT_EQ(Text(s), u"xyxyxyxy");
    s.GetTextAfter(s, u'y');
    EXPECT_EQ(Text(s), u"xyxyxy");
}

TEST(CWideStringConcat, ReturnsAnIndependentStringPerCall) {
    CWideString a(u"ab"), b(u"cd"), c(u"ef");
    CWideString first = a.Concat(b);
    CWideString second = a.Concat(c);
    EXPECT_EQ(Text(first), u"abcd");
    EXPECT_EQ(Text(second), u"abef");
    EXPECT_NE(first.GetText(), second.GetText());
    EXPECT_EQ(Text(a), u"ab");
}

TEST(CWideStringPrepend, PutsTheOtherTextInFront) {
    CWideString s(u"rs");
    s.Prepend(CWideString(u"pq"));
    EXPECT_EQ(Text(s), u"pqrs");
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_EQ(s.GetCapacity(), 5); // 3 + max(1, 2)

    CWideString roomy(u"abcdefgh");
    roomy = u"z"; // capacity 9 stays
    roomy.Prepend(CWideString(u"y"));
    EXPECT_EQ(Text(roomy), u"yz");
    EXPECT_EQ(roomy.GetCapacity(), 9);
}

TEST(CWideStringBytes, ConstructorAndAssignmentReadLatin1AndTheSignedFormIsExplicit) {
    const char text[] = {'a', static_cast<char>(0xE9), static_cast<char>(0x80), 0};
    EXPECT_EQ(Text(CWideString(text)), (std::u16string{u'a', 0x00E9, 0x0080}));
    CWideString assigned;
    assigned = text;
    EXPECT_EQ(Text(assigned), (std::u16string{u'a', 0x00E9, 0x0080}));
    assigned.AssignAsciiSigned(text);
    EXPECT_EQ(Text(assigned), (std::u16string{u'a', 0xFFE9, 0xFF80}));
    assigned = static_cast<const char*>(nullptr);
    EXPECT_EQ(Text(assigned), u"");
}

TEST(CWideStringText, CaseAndComparison) {
    CWideString s(u"AbZ[\u00C0\u00C9");
    s.ToLower();
    EXPECT_EQ(Text(s), u"abz[\u00C0\u00C9"); // only A-Z are lowered
    EXPECT_TRUE(CWideString(u"HeLLo").EqualsNoCase(CWideString(u"hello")));
    EXPECT_TRUE(CWideString(u"\u00C9").DiffersNoCase(CWideString(u"\u00E9")));
    EXPECT_TRUE(CWideString(u"ab").DiffersNoCase(CWideString(u"abc")));
}

TEST(CWideStringText, AsciiPrefixes) {
    struct Case {
        const char16_t* wide;
        const char* bytes;
        bool isPrefixOf;
        bool startsWith;
    };
    const Case cases[] = {
        {u"abc", "abc", true, true},     {u"ab", "abc", true, false},       {u"abc", "ab", false, true},
        {u"", "abc", true, false},       {u"abc", "", false, true},         {u"abd", "abc", false, false},
        {u"\u00E9", "\xE9", true, true}, {u"\uFFE9", "\xE9", false, false},
    };
    for (const Case& c : cases) {
        CWideString s(c.wide);
        EXPECT_EQ(s.IsPrefixOfAscii(c.bytes), c.isPrefixOf) << c.bytes;
        EXPECT_EQ(s.StartsWithAscii(c.bytes), c.startsWith) << c.bytes;
    }
}

TEST(CWideStringText, CharAtGivesAZeroUnitPastTheEnd) {
    CWideString s(u"ab");
    EXPECT_EQ(*s.CharAt(1), u'b');
    EXPECT_EQ(s.CharAt(1), s.GetText() + 1);
    EXPECT_EQ(*s.CharAt(2), 0);
    EXPECT_EQ(*s.CharAt(UINT_MAX), 0);
}

TEST(CWideStringText, TextAfterTheFirstSeparator) {
    struct Case {
        const char16_t* text;
        char16_t separator;
        const char16_t* after;
    };
    const Case cases[] = {
        {u"key=value=x", u'=', u"value=x"},
        {u"key=", u'=', u""},
        {u"key", u'=', u""},
        {u"", u'=', u""},
        {u"a", 0, u""},
    };
    for (const Case& c : cases) {
        CWideString out(u"stale");
        CWideString(c.text).GetTextAfter(out, c.separator);
        EXPECT_EQ(Text(out), c.after);
    }
}

TEST(CWideStringText, ParseRange) {
    struct Case {
        const char16_t* text;
        int first, last;
    };
    const Case cases[] = {
        {u"#SLIDER[3-120]", 3, 120},
        {u"[7-]", 7, 0},
        {u"[-5]", 0, 5},
        {u"no range", 0, 0},
        {u"[12", 12, 0},
        {u"[1-2", 1, 2},
        {u"x[0-9]y[5-6]", 0, 9},
        {u"[1a-2]", 1 * 10 + ('a' - '0'), 2}, // every unit counts as a digit
        {u"[4294967296-4294967297]", 0, 1},   // wraps, no overflow trap
    };
    for (const Case& c : cases) {
        int first = -1, last = -1;
        CWideString(c.text).ParseRange(first, last);
        EXPECT_EQ(first, c.first) << "case " << (&c - cases);
        EXPECT_EQ(last, c.last) << "case " << (&c - cases);
    }
}

TEST(CWideStringText, AppendNumberAndRemoveLastChar) {
    CWideString s(u"n=");
    s.AppendNumber(INT_MIN);
    EXPECT_EQ(Text(s), u"n=-2147483648");
    s.AppendNumber(0);
    EXPECT_EQ(Text(s), u"n=-21474836480");

    CWideString t(u"ab:");
    EXPECT_FALSE(t.RemoveLastChar(u'b'));
    EXPECT_TRUE(t.RemoveLastChar(u':'));
    EXPECT_EQ(Text(t), u"ab");
    EXPECT_EQ(t.GetLength(), 2);
    EXPECT_FALSE(CWideString().RemoveLastChar(0));
}

} // namespace
