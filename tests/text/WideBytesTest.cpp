#include "text/WideBytes.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(WideBytes, ReadsEachByteOrderUpToTheFirstBound) {
    struct Case {
        Bytes bytes;
        bool bigEndian;
        int dstUnits;
        std::u16string text;
        size_t consumed;
    };
    const Case cases[] = {
        {{0x00, 0x41, 0x20, 0xAC, 0x00, 0x00, 0x00, 0x43}, true, 8, u"A\u20AC", 6}, // zero unit ends it
        {{0x41, 0x00, 0xAC, 0x20, 0x00, 0x00, 0x43, 0x00}, false, 8, u"A\u20AC", 6},
        {{0x00, 0x41, 0x00}, true, 8, u"A", 2},                    // an odd last byte is no unit
        {{0x00, 0x41, 0x00, 0x42, 0x00, 0x43}, true, 3, u"AB", 4}, // room for two and the terminator
        {{}, true, 4, u"", 0},
    };
    for (const Case& c : cases) {
        char16_t out[8];
        std::fill(std::begin(out), std::end(out), u'#');
        size_t consumed = 99;
        int units = c.bigEndian ? ReadUtf16BE(c.bytes.data(), c.bytes.size(), out, c.dstUnits, &consumed)
                                : ReadUtf16LE(c.bytes.data(), c.bytes.size(), out, c.dstUnits, &consumed);
        EXPECT_EQ(units, static_cast<int>(c.text.size())) << "case " << (&c - cases);
        EXPECT_EQ(std::u16string(out), c.text) << "case " << (&c - cases);
        EXPECT_EQ(consumed, c.consumed) << "case " << (&c - cases);
    }
    char16_t untouched = u'#';
    EXPECT_EQ(ReadUtf16BE(cases[0].bytes.data(), cases[0].bytes.size(), &untouched, 0), 0);
    EXPECT_EQ(untouched, u'#');
}

TEST(WideBytes, WritesWholeUnitsThatFit) {
    uint8_t out[8];
    std::fill(std::begin(out), std::end(out), 0xEE);
    EXPECT_EQ(WriteUtf16BE(out, 8, u"A\u20AC", true), 6u);
    EXPECT_EQ(Bytes(out, out + 7), (Bytes{0x00, 0x41, 0x20, 0xAC, 0x00, 0x00, 0xEE}));
    EXPECT_EQ(WriteUtf16LE(out, 8, u"A\u20AC", false), 4u);
    EXPECT_EQ(Bytes(out, out + 5), (Bytes{0x41, 0x00, 0xAC, 0x20, 0x00}));

    std::fill(std::begin(out), std::end(out), 0xEE);
    EXPECT_EQ(WriteUtf16LE(out, 3, u"AB", true), 2u); // no half unit
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0x41, 0x00, 0xEE}));
    EXPECT_EQ(WriteUtf16BE(out, 8, nullptr, true), 2u);
    EXPECT_EQ(WriteUtf16BE(out, 1, u"A", true), 0u);

    uint8_t unit[2];
    StoreUtf16BE(unit, 0x1234);
    EXPECT_EQ(LoadUtf16BE(unit), 0x1234);
    EXPECT_EQ(LoadUtf16LE(unit), 0x3412);
    StoreUtf16LE(unit, 0x1234);
    EXPECT_EQ(unit[0], 0x34);
}

} // namespace
