// The test server's reading of the create-character message against bytes written out by hand,
// and its start-city list.
#include "testshard/CreationPackets.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> HandWrittenCreate() {
    std::vector<uint8_t> p = {0x00, 0xED, 0xED, 0xED, 0xED, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    const std::string name = "Newcomer";
    for (size_t i = 0; i < 30; ++i)
        p.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    for (size_t i = 0; i < 30; ++i)
        p.push_back(i == 14 ? 4 : static_cast<uint8_t>(0xA0 + i)); // the client block
    const std::vector<uint8_t> fields = {
        1,    45,   25,   10,   25,   50,   17,   30,   46,   20,   // gender, attributes, skills
        0x04, 0x11, 0x20, 0x46, 0x04, 0x52, 0x20, 0x40, 0x04, 0x53, // skin, hair, hair hue, beard, its hue
        0x00, 0x07, 0x00, 0x00, 0x00, 0x02, 0xC0, 0xA8, 0x01, 0x64, // city, slot, address
        0x01, 0x01, 0x02, 0x02};                                    // shirt, pants
    p.insert(p.end(), fields.begin(), fields.end());
    return p;
}

TEST(CreationPackets, TheCreateMessageDecodesFieldByField) {
    const std::vector<uint8_t> bytes = HandWrittenCreate();
    ASSERT_EQ(bytes.size(), testshard::kCreateCharacterSize);
    testshard::CreatedCharacter c;
    ASSERT_TRUE(testshard::DecodeCreateCharacter(bytes, c));
    EXPECT_EQ(c.name, "Newcomer");
    EXPECT_EQ(c.profession, 4);
    EXPECT_EQ(c.gender, 1);
    EXPECT_EQ(c.strength, 45);
    EXPECT_EQ(c.dexterity, 25);
    EXPECT_EQ(c.intelligence, 10);
    const uint8_t skills[3][2] = {{25, 50}, {17, 30}, {46, 20}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c.skills[i][0], skills[i][0]) << i;
        EXPECT_EQ(c.skills[i][1], skills[i][1]) << i;
    }
    EXPECT_EQ(c.skinHue, 0x0411);
    EXPECT_EQ(c.hairItem, 0x2046);
    EXPECT_EQ(c.hairHue, 0x0452);
    EXPECT_EQ(c.facialHairItem, 0x2040);
    EXPECT_EQ(c.facialHairHue, 0x0453);
    EXPECT_EQ(c.startCity, 7);
    EXPECT_EQ(c.slot, 2u);
    EXPECT_EQ(c.address, 0xC0A80164u);
    EXPECT_EQ(c.shirtHue, 0x0101);
    EXPECT_EQ(c.pantsHue, 0x0202);
    EXPECT_NE(testshard::DescribeCreatedCharacter(c).find("\"Newcomer\""), std::string::npos);

    // A name of all 30 bytes has no terminator and is read whole.
    std::vector<uint8_t> full = bytes;
    for (size_t i = 10; i < 40; ++i)
        full[i] = 'N';
    ASSERT_TRUE(testshard::DecodeCreateCharacter(full, c));
    EXPECT_EQ(c.name, std::string(30, 'N'));

    // Another id or another length is not the message.
    std::vector<uint8_t> shorter = bytes;
    shorter.pop_back();
    std::vector<uint8_t> other = bytes;
    other[0] = 0x5D;
    EXPECT_FALSE(testshard::DecodeCreateCharacter(shorter, c));
    EXPECT_FALSE(testshard::DecodeCreateCharacter(other, c));
    EXPECT_FALSE(testshard::DecodeCreateCharacter({}, c));
}

TEST(CreationPackets, NineStartCitiesInTheMapsOrder) {
    std::vector<uint8_t> p;
    testshard::PutStartCities(p);
    ASSERT_EQ(p.size(), 1u + 9u * 63u);
    EXPECT_EQ(p[0], 9);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(p[1 + 63 * i], i) << "index of entry " << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[1 + 63 * 8 + 1])), "Lorvick");
}

} // namespace
