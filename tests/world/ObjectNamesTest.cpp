#include "world/ObjectNames.h"
#include "WorldFixture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace mkinstall;

std::string Narrow(const CWideString& s) {
    std::string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out += static_cast<char>(s.GetText()[i]);
    return out;
}

TEST(TileNameTest, ArticlesPluralsAndAlternatives) {
    struct Case {
        const char* raw; // up to 20 bytes; shorter ones are zero-padded
        size_t rawSize;
        uint32_t flags;
        bool plural;
        const char* expected;
    };
    const Case cases[] = {
        {"stone wall", 10, 0x4000, false, "a stone wall"},
        {"apple", 5, 0x8000, false, "an apple"},
        {"sun", 3, 0xC000, false, "the sun"},
        {"stone wall", 10, 0x4000, true, "stone wall"}, // the plural never takes an article
        {"leaves", 6, 0, false, "leaves"},
        {"gold coin%s%", 12, 0x4000, true, "gold coins"},
        {"gold coin%s%", 12, 0x4000, false, "a gold coin"}, // a plural ending alone: nothing in the singular
        {"loa%ves/f% of bread", 19, 0x4000, true, "loaves of bread"},
        {"loa%ves/f% of bread", 19, 0x4000, false, "a loaf of bread"},
        {"bolt%s% of cloth", 16, 0, true, "bolts of cloth"},
        {"kni%ves/fe%", 11, 0, false, "knife"},
        {"kni%ves/fe", 10, 0, false, "knife"}, // unclosed after the slash: ends with the field
        {"kni%ves/fe", 10, 0, true, "knives"},
        {"bottle%s", 8, 0, true, "bottles"}, // unclosed before any slash
        {"bottle%s", 8, 0, false, "bottle"},
        {"abcdefghijklmnopqrst", 20, 0, false, "abcdefghijklmnopqrst"}, // a full field without terminator
        {"abcdefghijklmnop%s/x", 20, 0x4000, false, "a abcdefghijklmnopx"},
        {"", 0, 0x4000, false, "a "},
    };
    for (const Case& c : cases) {
        char field[24];
        std::memset(field, '#', sizeof field); // what follows the 20 bytes must never be read
        std::memset(field, 0, 20);
        std::memcpy(field, c.raw, c.rawSize);
        EXPECT_EQ(FormatTileName(field, 20, c.flags, c.plural), c.expected)
            << c.raw << " plural " << c.plural;
    }
}

TEST(GraphicClassTest, FixedRanges) {
    struct Case {
        int graphic;
        bool flesh, blood, coin, scroll;
    };
    const Case cases[] = {
        {6941, true, false, false, false},  {6943, false, false, false, false},
        {7389, true, false, false, false},  {7602, true, false, false, false},
        {7603, false, false, false, false}, {3616, false, true, false, false},
        {3617, false, false, false, false}, {4731, false, true, false, false},
        {4732, false, false, false, false}, {7442, false, true, false, false},
        {7570, false, true, false, false},  {654, false, false, true, false},
        {3821, false, false, true, false},  {3822, false, false, false, false},
        {3824, false, false, true, false},  {3827, false, false, false, true},
        {3833, false, false, false, true},  {3834, false, false, false, false},
        {7981, false, false, false, true},  {8044, false, false, false, true},
        {8045, false, false, false, false}, {-1, false, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsFleshGraphic(c.graphic), c.flesh) << c.graphic;
        EXPECT_EQ(IsBloodGraphic(c.graphic), c.blood) << c.graphic;
        EXPECT_EQ(IsCoinGraphic(c.graphic), c.coin) << c.graphic;
        EXPECT_EQ(IsScrollGraphic(c.graphic), c.scroll) << c.graphic;
    }
}

class ItemNameTest : public worldtest::WorldTest {};

TEST_F(ItemNameTest, PilesAreNamedByTheRowOfGraphicPlusIncrement) {
    InstallSample();
    CObjectManager::startup();
    EXPECT_EQ(GetItemName(WorldItem::CoinPile, 0, 5), "gold coins");
    EXPECT_EQ(GetItemName(WorldItem::CoinPile, 0, 1), "a gold coin");
    EXPECT_EQ(GetItemName(WorldItem::Wall, 0, 5), "a stone wall"); // not stackable: always singular
    EXPECT_EQ(GetItemName(WorldItem::Fire, 1, 1), "a fire");
    EXPECT_EQ(GetItemName(WorldItem::Bread - 1, 1, 3), "loaves of bread");
    EXPECT_EQ(GetItemName(0x7FFF, 0x7FFF, 3), ""); // past the table: the zero row
}

TEST_F(ItemNameTest, TheLocalizedNameOfAStackEndsInItsAmount) {
    InstallSample();
    CObjectManager::startup();
    LanguageManager::startup();
    EXPECT_EQ(Narrow(GetLocalizedItemName(WorldItem::CoinPile, 0, 5)), "gold coin : 5");
    EXPECT_EQ(Narrow(GetLocalizedItemName(WorldItem::CoinPile, 0, 1)), "gold coin");
    EXPECT_EQ(Narrow(GetLocalizedItemName(WorldItem::Wall, 0, 5)), "stone wall"); // not stackable
    EXPECT_EQ(Narrow(GetLocalizedItemName(WorldItem::Corpse, 0, 1)), "corpse");
    // The text is the graphic's own; only the stack test reads graphic + increment.
    EXPECT_EQ(Narrow(GetLocalizedItemName(WorldItem::Scroll, 0, 70000)), "blank scroll : 70000");
}

} // namespace
