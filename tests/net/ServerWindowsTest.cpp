// The generic gump request read against the packet's own length.
#include "net/ServerWindows.h"
#include "support/NetTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Wire {
    std::vector<uint8_t> bytes{0xB0, 0, 0};
    Wire& U8(int v) {
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    Wire& U16(int v) { return U8(v >> 8).U8(v); }
    Wire& U32(uint32_t v) { return U16(static_cast<int>(v >> 16)).U16(static_cast<int>(v & 0xFFFF)); }
    Wire& Text(const std::string& s) {
        for (char c : s)
            U8(c);
        return *this;
    }
    Wire& Units(const std::u16string& s) {
        for (char16_t c : s)
            U16(c);
        return *this;
    }
    // Framed: the length in bytes 1-2 in host order, as the dispatcher hands packets over.
    std::vector<uint8_t> Framed() const {
        std::vector<uint8_t> out = bytes;
        const auto n = static_cast<uint16_t>(out.size());
        std::memcpy(out.data() + 1, &n, 2);
        return out;
    }
};

Wire Header(int layoutLength) {
    Wire w;
    w.U32(0x01020304).U32(9).U32(static_cast<uint32_t>(-5)).U32(40).U16(layoutLength);
    return w;
}

TEST(GenericGumpPacketTest, PartsMustStayInsideThePacket) {
    struct Case {
        const char* what;
        Wire wire;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"whole", Header(6).Text("{page}").U16(2).U16(2).Units(u"hi").U16(0), true},
        {"layout longer than the packet", Header(60).Text("{page}").U16(0), false},
        {"line longer than the packet", Header(6).Text("{page}").U16(1).U16(500).Units(u"hi"), false},
        {"more lines than given", Header(6).Text("{page}").U16(3).U16(1).Units(u"a"), false},
        {"no line count", Header(6).Text("{page}"), false},
        {"short header", Wire().U32(1).U32(2), false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> framed = c.wire.Framed();
        PacketReader reader(framed.data(), framed.size());
        GenericGumpPacket packet;
        EXPECT_EQ(ReadGenericGumpPacket(reader, &packet), c.ok) << c.what;
    }
}

TEST(GenericGumpPacketTest, FieldsAndLinesInHostOrder) {
    std::vector<uint8_t> framed = Header(9)
                                      .Text(std::string("{a}\0{b}xx", 9))
                                      .U16(2)
                                      .U16(3)
                                      .Units(u"h\u00e9!")
                                      .U16(2)
                                      .Units(std::u16string(u"a\0b", 3))
                                      .Framed();
    PacketReader reader(framed.data(), framed.size());
    GenericGumpPacket p;
    ASSERT_TRUE(ReadGenericGumpPacket(reader, &p));
    EXPECT_EQ(p.serial, 0x01020304u);
    EXPECT_EQ(p.typeId, 9u);
    EXPECT_EQ(p.x, -5);
    EXPECT_EQ(p.y, 40);
    EXPECT_EQ(p.layout, "{a}") << "a zero ends the layout";
    ASSERT_EQ(p.lines.size(), 2u);
    EXPECT_EQ(p.lines[0], u"h\u00e9!");
    EXPECT_EQ(p.lines[1], u"a") << "a zero ends a line";
}

} // namespace
