// Text fields: one key table run against both field types, the buffer and number bounds, the fit
// test of fixed-width fields, clicks (caret placement, drop-down, pick-a-player) and golden pictures.
#include "gumps/FieldFixture.h"

#include <climits>
#include <gtest/gtest.h>

using namespace gumptest;

namespace {

template <class Field> class FieldKeys : public ControlTest {};
using FieldTypes = ::testing::Types<CInputControlGump, CUnicodeInputControlGump>;
TYPED_TEST_SUITE(FieldKeys, FieldTypes);

struct KeyCase {
    const char* name;
    FieldMode mode;
    int maximum;
    const char* text; // before the keys
    int caret, firstShown, value;
    std::vector<int> keys;
    const char* wantText;
    int wantCaret, wantFirst, wantValue;
    std::vector<std::string> wantEvents; // what reached the window
};

std::vector<int> Typed(const char* s) {
    std::vector<int> keys;
    for (; *s; ++s)
        keys.push_back(static_cast<unsigned char>(*s));
    return keys;
}

const std::vector<std::string> kChange1{"change"};
const std::vector<std::string> kNone{};

TYPED_TEST(FieldKeys, KeyTableGivesTextCaretViewAndParentCalls) {
    using FK = std::vector<int>;
    const std::vector<std::string> five(5, "change");
    const KeyCase cases[] = {
        {"maximum 5 keeps five of six", FieldMode::Text, 5, "", 0, 0, 0, Typed("abcdef"), "abcde", 5, 0, 0,
         five},
        {"number 1 2 3 at 100",
         FieldMode::Number,
         100,
         "",
         1,
         0,
         0,
         Typed("123"),
         "",
         3,
         0,
         12,
         {"change", "change"}},
        {"number then backspace",
         FieldMode::Number,
         100,
         "",
         1,
         0,
         0,
         FK{'1', '2', '3', 8},
         "",
         2,
         0,
         1,
         {"change", "change", "change"}},
        {"number backspace at 0", FieldMode::Number, 100, "", 1, 0, 0, FK{8}, "", 1, 0, 0, kNone},
        {"backspace at caret 0 still tells", FieldMode::Text, 50, "ab", 0, 0, 0, FK{8}, "ab", 0, 0, 0,
         kChange1},
        {"backspace on empty text", FieldMode::Text, 50, "", 0, 0, 0, FK{8}, "", 0, 0, 0, kNone},
        {"delete in the middle", FieldMode::Text, 50, "abcd", 1, 0, 0, FK{0xE02E}, "acd", 1, 0, 0, kChange1},
        {"delete at the end", FieldMode::Text, 50, "abcd", 4, 0, 0, FK{0xE02E}, "abcd", 4, 0, 0, kNone},
        {"drop-down backspace", FieldMode::DropDown, 50, "abcd", 4, 0, 0, FK{8}, "abc", 3, 0, 0, kChange1},
        {"left past first shown moves 8 back", FieldMode::Text, 50, "abcdefghijklmnopqrst", 10, 10, 0,
         FK{0xE025}, "abcdefghijklmnopqrst", 9, 2, 0, kNone},
        {"left near the start stops at 0", FieldMode::Text, 50, "abcdef", 3, 3, 0, FK{0xE025}, "abcdef", 2, 0,
         0, kNone},
        {"left in number mode does nothing", FieldMode::Number, 50, "", 1, 0, 7, FK{0xE025}, "", 1, 0, 7,
         kNone},
        {"home", FieldMode::Text, 50, "abcdef", 4, 2, 0, FK{0xE024}, "abcdef", 0, 0, 0, kNone},
        {"home is text mode only", FieldMode::DropDown, 50, "abcdef", 4, 0, 0, FK{0xE024}, "abcdef", 4, 0, 0,
         kNone},
        {"end", FieldMode::Text, 50, "abcdef", 1, 0, 0, FK{0xE023}, "abcdef", 6, 0, 0, kNone},
        {"end in number mode", FieldMode::Number, 50000, "", 0, 0, 4321, FK{0xE023}, "", 4, 0, 4321, kNone},
        {"right", FieldMode::Text, 50, "ab", 1, 0, 0, FK{0xE027, 0xE027}, "ab", 2, 0, 0, kNone},
        {"up and down", FieldMode::Text, 50, "ab", 1, 0, 0, FK{0xE026, 0xE028}, "ab", 1, 0, 0, kNone},
        {"insert at the caret",
         FieldMode::Text,
         50,
         "ad",
         1,
         0,
         0,
         Typed("bc"),
         "abcd",
         3,
         0,
         0,
         {"change", "change"}},
        {"tab enter escape",
         FieldMode::Text,
         50,
         "a",
         1,
         0,
         0,
         FK{9, 13, 27},
         "a",
         1,
         0,
         0,
         {"tab", "enter", "escape"}},
        {"letters refused in number mode", FieldMode::Number, 100, "", 1, 0, 5, Typed("x"), "", 1, 0, 5,
         kNone},
        {"number beyond a 32-bit value refused", FieldMode::Number, INT_MAX, "", 10, 0, 214748364, Typed("8"),
         "", 10, 0, 214748364, kNone},
        {"number up to the 32-bit maximum", FieldMode::Number, INT_MAX, "", 10, 0, 214748364, Typed("7"), "",
         11, 0, INT_MAX, kChange1},
        {"negative maximum refuses text", FieldMode::Text, -4, "", 0, 0, 0, Typed("a"), "", 0, 0, 0, kNone},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        CGumpManager::ResetForTests();
        auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
        auto* field = MakeField<TypeParam>(window, c.mode, c.maximum);
        SetFieldText(*field, c.text);
        field->value = c.value;
        field->caret = c.caret;
        field->firstShown = c.firstShown;
        for (int key : c.keys)
            field->HandleKey(key);
        EXPECT_EQ(FieldText(*field), c.wantText);
        EXPECT_EQ(field->caret, c.wantCaret);
        EXPECT_EQ(field->firstShown, c.wantFirst);
        EXPECT_EQ(field->value, c.wantValue);
        EXPECT_EQ(window->events, c.wantEvents);
    }
}

TYPED_TEST(FieldKeys, TextStopsAtTheBufferWhateverTheMaximum) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<TypeParam>(window, FieldMode::Text, 1 << 30);
    for (int i = 0; i < 400; ++i)
        field->HandleKey('a' + i % 26);
    EXPECT_EQ(field->Length(), TypeParam::kMaxLength);
    EXPECT_EQ(field->caret, TypeParam::kMaxLength);
    // Owners write texts in directly: cut to the buffer, caret kept inside.
    const std::string huge(1000, 'z');
    SetFieldText(*field, huge);
    EXPECT_EQ(field->Length(), TypeParam::kMaxLength);
    SetFieldText(*field, "ab");
    EXPECT_EQ(field->caret, 2);
    EXPECT_EQ(field->firstShown, 2);
    field->HandleKey(0xE024);
    field->HandleKey('c');
    EXPECT_EQ(FieldText(*field), "cab");
}

TYPED_TEST(FieldKeys, FixedWidthFieldStopsBeforeTheCaretReachesWidthLessSix) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<TypeParam>(window, FieldMode::Text, 100, 60);
    field->fixedWidth = true;
    for (int i = 0; i < 40; ++i)
        field->HandleKey('m');
    using Traits =
        std::conditional_t<std::is_same_v<TypeParam, CInputControlGump>, NarrowFieldText, WideFieldText>;
    auto widthOf = [&](int n) {
        std::basic_string<typename TypeParam::Char> s(static_cast<size_t>(n), 'm');
        s.push_back('_');
        return Traits::Width(1, s.c_str());
    };
    const int n = field->Length();
    ASSERT_GT(n, 0);
    EXPECT_LT(widthOf(n), 60 - 6);
    EXPECT_GE(widthOf(n + 1), 60 - 6);
    EXPECT_EQ(field->firstShown, 0); // a fixed-width view never scrolls
}

TYPED_TEST(FieldKeys, DisabledFieldIgnoresKeysAndClicks) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<TypeParam>(window, FieldMode::DropDown, 20);
    field->disabled = true;
    field->HandleKey('a');
    field->HandleKey(13);
    EXPECT_EQ(field->Length(), 0);
    this->Click(20, 15);
    EXPECT_NE(CGumpManager::GetFocus(), field);
    EXPECT_EQ(window->Count("dropdown"), 0);
    EXPECT_EQ(window->Count("childdown"), 1);
}

TYPED_TEST(FieldKeys, ClickPlacesTheCaretAndTakesTheFocus) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<TypeParam>(window, FieldMode::Text, 50);
    SetFieldText(*field, "mmmmmmmm");
    using Traits =
        std::conditional_t<std::is_same_v<TypeParam, CInputControlGump>, NarrowFieldText, WideFieldText>;
    const int m = Traits::CharWidth(1, 'm');
    ASSERT_GT(m, 0);
    this->Click(10 + 1 + 3 * m + m / 2, 15); // inside the fourth m
    EXPECT_EQ(CGumpManager::GetFocus(), field);
    EXPECT_EQ(field->caret, 3);
    const std::vector<std::string> events{"childdown"};
    EXPECT_EQ(window->events, events);
}

} // namespace

// ------------------------------------------------------------------ drop-down and pick-a-player

TEST_F(ControlTest, DropDownFieldAsksItsWindowInsteadOfTakingTheFocus) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field =
        new CInputControlGump(10, 10, window, 150, 20, FieldMode::DropDown, 20, 1, 902, false, true, false);
    field->Attach(window);
    Click(30, 15);
    EXPECT_EQ(CGumpManager::GetFocus(), nullptr);
    const std::vector<std::string> events{"childdown", "dropdown"};
    EXPECT_EQ(window->events, events);
}

TEST_F(ControlTest, PickAPlayerFillsTheFieldFromAMobileOnly) {
    std::vector<std::string> messages;
    std::vector<uint32_t> nameRequests;
    GumpSlotTable().systemMessage = [&](int hue, int font, const char* text) {
        EXPECT_EQ(hue, 0);
        EXPECT_EQ(font, 3);
        messages.push_back(text);
    };
    GumpSlotTable().nameRequest = [&](uint32_t s) { nameRequests.push_back(s); };
    World().mobiles = {0x1234};
    struct Case {
        const char* name;
        bool alreadyTargeting;
        uint32_t picked;
        std::vector<std::string> messages;
        std::string text;
        int value;
        int changes;
    } cases[] = {
        {"a mobile", false, 0x1234, {"Select a player."}, "(mobile)", 0x1234, 1},
        {"an item", false, 0x4000'0001, {"Select a player.", "Not a mobile."}, "", 0, 0},
        {"already targeting", true, 0, {}, "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CGumpManager::ResetForTests();
        MouseManager::ResetForTests();
        GumpTargeting::ResetForTests();
        messages.clear();
        nameRequests.clear();
        auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
        auto* field = MakeField<CInputControlGump>(window, FieldMode::Text, 20);
        field->pickMobile = true;
        bool otherCalled = false;
        if (c.alreadyTargeting) GumpTargeting::Begin(1, [&](uint32_t) { otherCalled = true; });
        Click(20, 15);
        Click(20, 15);                         // the double click
        EXPECT_EQ(window->Count("double"), 1); // the window hears of it in every case
        EXPECT_EQ(GumpTargeting::IsTargeting(), true);
        if (!c.alreadyTargeting) {
            EXPECT_EQ(PendingPickTarget(), field);
            EXPECT_EQ(MouseManager::GetCursor(), GumpTargeting::kTargetCursor);
            GumpTargeting::SetServerTarget(true);
            GumpTargeting::Deliver(c.picked);
            EXPECT_FALSE(GumpTargeting::IsTargeting());
            EXPECT_FALSE(GumpTargeting::ServerTarget());
        } else {
            GumpTargeting::Deliver(7);
            EXPECT_TRUE(otherCalled); // the first picker was kept
        }
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(FieldText(*field), c.text);
        EXPECT_EQ(field->value, c.value);
        EXPECT_EQ(window->Count("change"), c.changes);
        EXPECT_EQ(nameRequests.size(), c.value ? 1u : 0u);
    }
}

TEST_F(ControlTest, PickForAClosedFieldOnlySaysNotAMobile) {
    std::vector<std::string> messages;
    GumpSlotTable().systemMessage = [&](int, int, const char* text) { messages.push_back(text); };
    World().mobiles = {0x1234};
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<CInputControlGump>(window, FieldMode::Text, 20);
    field->pickMobile = true;
    this->Click(20, 15);
    this->Click(20, 15);
    window->Close();
    CGumpManager::FreeClosedGumps();
    EXPECT_EQ(PendingPickTarget(), nullptr);
    GumpTargeting::Deliver(0x1234);
    const std::vector<std::string> want{"Select a player.", "Not a mobile."};
    EXPECT_EQ(messages, want);
    EXPECT_FALSE(GumpTargeting::IsTargeting());
}

TEST_F(ControlTest, NameFilterKeepsNameCharacters) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<CInputControlGump>(window, FieldMode::Text, 50);
    field->nameFilter = true;
    for (char c : std::string("Al'x-2. b!?"))
        field->HandleKey(static_cast<unsigned char>(c));
    EXPECT_EQ(FieldText(*field), "Al'x-2. b");
    auto* alnum = MakeField<CUnicodeInputControlGump>(window, FieldMode::Text, 50);
    alnum->alphanumericFilter = true;
    for (char c : std::string("a b-9Z"))
        alnum->HandleKey(static_cast<unsigned char>(c));
    EXPECT_EQ(FieldText(*alnum), "ab9Z");
}

TEST_F(ControlTest, AUtf16TextCutAtTheBufferKeepsNoHalfPair) {
    auto* window = new FieldWindow(0, 0, 300, 100, 0x0421);
    auto* field = MakeField<CUnicodeInputControlGump>(window, FieldMode::Text, 500);
    std::u16string text(CUnicodeInputControlGump::kMaxLength - 1, u'a');
    text += u"\U0001F600"; // the pair would straddle the end of the buffer
    field->SetText(text.c_str());
    EXPECT_EQ(field->Length(), CUnicodeInputControlGump::kMaxLength - 1);
    text.resize(CUnicodeInputControlGump::kMaxLength - 2);
    text += u"\U0001F600";
    field->SetText(text.c_str());
    EXPECT_EQ(field->Length(), CUnicodeInputControlGump::kMaxLength);
}
