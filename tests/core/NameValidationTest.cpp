#include "text/NameValidation.h"
#include "core/SharedServices.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(NameValidationTest, UnacceptableNamesFollowTheCharacterAndWordRules) {
    struct Case {
        const char* name;
        bool refused;
    };
    const Case cases[] = {
        {"Gandalf", false},
        {"gandalf", false},
        {"GANDALF", false},
        {"O'Neil", false},
        {"Mary-Jane Stone", false},
        {"Mary-Jane Smith", true}, // a profession
        {"Bob ", false},           // a trailing separator is allowed
        {"", true},
        {" Bob", true},
        {"1Bob", true},
        {"Bob  Smith", true},
        {"Bob-.Smith", true},
        {"Bob@Smith", true},
        {"Bob\xe9", true},
        // Staff titles refuse any name that starts with them.
        {"Lord Bob", true},
        {"lady Jane", true},
        {"Gmork", true},
        {"SEER", true},
        // Reserved words only as whole words.
        {"Mastery", false},
        {"Bob Master", true},
        {"Master-Bob", true},
        {"bob.master", true},
        {"Mastery Master", true}, // a later whole occurrence counts too
        {"Masterful Mastery", false},
        {"Cassandra", false},
        {"Bob Ass", true},
        {"Bob Halden", true},
        {"Invulnerable Bob", true},
        {"Duskmeer", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsUnacceptableName(c.name), c.refused) << '"' << c.name << '"';
    EXPECT_TRUE(IsUnacceptableName(nullptr));
}

TEST(NameValidationTest, NameCharacterClasses) {
    for (int c = 1; c < 256; ++c) {
        char ch = static_cast<char>(c);
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        bool separator = c == ' ' || c == '-' || c == '.' || c == '\'';
        EXPECT_EQ(IsNameSeparator(ch), separator) << c;
        EXPECT_EQ(IsInvalidNameChar(ch), !letter && !separator) << c;
    }
}

// The plain search the Boyer-Moore one must agree with.
int NaiveFind(const std::string& pattern, const std::string& text) {
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    if (pattern.size() > text.size()) return pattern.empty() ? 0 : -1;
    for (size_t s = 0; s + pattern.size() <= text.size(); ++s) {
        size_t k = 0;
        while (k < pattern.size() && lower(pattern[k]) == lower(text[s + k]))
            ++k;
        if (k == pattern.size()) return static_cast<int>(s);
    }
    return -1;
}

TEST(NameValidationTest, FindTextNoCaseAgreesWithAPlainSearch) {
    EXPECT_EQ(FindTextNoCase("", "abc"), 0);
    EXPECT_EQ(FindTextNoCase("abcd", "abc"), -1);
    EXPECT_EQ(FindTextNoCase("MASTER", "the master"), 4);
    EXPECT_EQ(FindTextNoCase(nullptr, nullptr), 0);
    // A small alphabet with both cases makes repeats, near misses and good-suffix shifts common.
    const char alphabet[] = "abAB ";
    SeedRandom(7);
    for (int round = 0; round < 4000; ++round) {
        std::string text, pattern;
        int n = RandomBelow(24), m = 1 + RandomBelow(6);
        for (int i = 0; i < n; ++i)
            text += alphabet[RandomBelow(5)];
        for (int i = 0; i < m; ++i)
            pattern += alphabet[RandomBelow(5)];
        ASSERT_EQ(FindTextNoCase(pattern.c_str(), text.c_str()), NaiveFind(pattern, text))
            << "pattern '" << pattern << "' text '" << text << "'";
    }
}

TEST(NameValidationTest, SanitizeFileNameGivesTheStoredFolderForm) {
    struct Case {
        std::string name;
        std::string folder;
    };
    const Case cases[] = {
        {"Bob", "Bob"},   {"Bob ", "Bob_"},
        {"A.B", "A_B_"},  {"A .B", "A _B_"},
        {"x..y", "x_y_"}, {"a/b\\c", "a_b_c_"},
        {"..//x", "x_"},  {"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h_"},
        {"...", ""},      {"", ""},
    };
    for (const Case& c : cases) {
        std::string name = c.name;
        SanitizeFileName(name);
        EXPECT_EQ(name, c.folder) << '"' << c.name << '"';
    }
}

TEST(NameValidationTest, PathComponentsNeverClimbOrVanish) {
    EXPECT_EQ(SafePathComponent("../"), "_");
    EXPECT_EQ(SafePathComponent(".."), "_");
    EXPECT_EQ(SafePathComponent(""), "_");
    EXPECT_EQ(SafePathComponent("../../etc"), "etc_");
    EXPECT_EQ(SafePathComponent(std::string_view("Bob\0../x", 8)), "Bob");
    EXPECT_EQ(SafePathComponent("Shard One"), "Shard One");
}

TEST(NameValidationTest, PrintablePasswordsKeepTheClassicForm) {
    struct Case {
        const char* plain;
        const char* stored;
    };
    const Case cases[] = {{"abc", "nop"}, {"xyz", "&'("}, {" ", "-"}, {"~", ","}, {"0", "="}, {"", ""}};
    for (const Case& c : cases) {
        std::string text = c.plain;
        ScramblePassword(text);
        EXPECT_EQ(text, c.stored) << c.plain;
        UnscramblePassword(text);
        EXPECT_EQ(text, c.plain);
    }
    std::string all;
    for (int c = 32; c < 127; ++c)
        all += static_cast<char>(c);
    std::string text = all;
    ScramblePassword(text);
    for (char c : text)
        EXPECT_TRUE(c >= 33 && c <= 127) << int(c);
    UnscramblePassword(text);
    EXPECT_EQ(text, all);
}

TEST(NameValidationTest, EveryBytePasswordRoundTripsInTheLongForm) {
    const std::string cases[] = {
        "p\x7Fss",              // DEL
        "p\xe4sswort\xfc",      // Latin-1 letters
        std::string("a\0b", 3), // a zero byte
        "tab\there",
    };
    std::string every;
    for (int c = 1; c < 256; ++c)
        every += static_cast<char>(c);
    for (const std::string& plain : {cases[0], cases[1], cases[2], cases[3], every}) {
        std::string text = plain;
        ScramblePassword(text);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x80);
        // Nothing that would end or split a value on its line.
        EXPECT_EQ(text.find_first_of(std::string(" \t\r\n\f\0", 6)), std::string::npos);
        UnscramblePassword(text);
        EXPECT_EQ(text, plain);
    }
}

TEST(NameValidationTest, DamagedLongFormsReadAsClassicText) {
    std::string odd = "\x80"
                      "7";
    UnscramblePassword(odd); // no crash, a classic reading
    EXPECT_EQ(odd.size(), 2u);
    std::string badDigit = "\x80zz";
    UnscramblePassword(badDigit);
    EXPECT_EQ(badDigit.size(), 3u);
}

} // namespace
