// The generic gump request read against the packet's own length.
#include "net/ServerWindows.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
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

namespace {

using namespace PacketManager;

class ServerRequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetServerWindowSlots();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
        ServerWindowSlots& s = GetServerWindowSlots();
        s.beginTargeting = [this](int type) { events.push_back("begin " + std::to_string(type)); };
        s.endTargeting = [this] { events.push_back("end"); };
        s.openTargetHealthBar = [this](uint32_t serial) {
            events.push_back("bar " + std::to_string(serial));
        };
        s.promptAnswered = [this] { events.push_back("answered"); };
    }
    void TearDown() override { ResetServerWindowSlots(); }
    template <typename Handler> void Feed(Handler handler, uint8_t id, const Wire& body) {
        Wire w = body;
        w.bytes[0] = id;
        std::vector<uint8_t> framed = w.Framed();
        if (!IsVariableLengthPacket(id)) framed.erase(framed.begin() + 1, framed.begin() + 3);
        PacketReader reader(framed.data(), framed.size());
        handler(sock, reader);
    }
    CGameSock sock;
    std::vector<std::vector<uint8_t>> sent;
    std::vector<std::string> events;
};

std::vector<uint8_t> B(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

TEST_F(ServerRequestTest, TargetRepliesCarryTheRequestAndCancelKeepsItsFlag) {
    Feed(HandleTargetRequest, 0x6C, Wire().U8(1).U32(0x11223344).U8(2).U32(0).U32(0).U16(0).U8(0));
    EXPECT_EQ(events, std::vector<std::string>{"begin 1"});
    SendTargetSelection(TargetPick{TargetPick::Object, 0x4000AA, 10, 20, -5, 0x190, false, true});
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0],
              B({0x6C, 0, 0x11, 0x22, 0x33, 0x44, 2, 0, 0x40, 0, 0xAA, 0, 10, 0, 20, 0xFF, 0xFB, 1, 0x90}));
    EXPECT_EQ(GetLastTarget().serial, 0x4000AAu);
    EXPECT_EQ(events.back(), "end");

    // The player: its serial goes out, the last target stays.
    Feed(HandleTargetRequest, 0x6C, Wire().U8(0).U32(7).U8(1).U32(0).U32(0).U16(0).U8(0));
    SendTargetSelection(TargetPick{TargetPick::Object, 0x99, 1, 2, 3, 0x191, true, true});
    EXPECT_EQ(sent.back()[10], 0x99);
    EXPECT_EQ(GetLastTarget().serial, 0x4000AAu);

    // A cancel request answers with the flag of the request before it, not 3.
    Feed(HandleTargetRequest, 0x6C, Wire().U8(0).U32(8).U8(1).U32(0).U32(0).U16(0).U8(0));
    Feed(HandleTargetRequest, 0x6C, Wire().U8(0).U32(9).U8(3).U32(0).U32(0).U16(0).U8(0));
    EXPECT_EQ(sent.back(), B({0x6C, 0, 0, 0, 0, 8, 1, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(std::count(events.begin(), events.end(), "bar 4194474"), 1);
}

TEST_F(ServerRequestTest, PromptRepliesFollowTheRequestsKind) {
    SendPromptReply(0, u"nothing pending");
    EXPECT_TRUE(sent.empty());
    Feed(HandleAsciiPrompt, 0x9A, Wire().U32(5).U32(6).U32(0).Text("ignored"));
    SendPromptReply(1, u"h\u00e9!");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], B({0x9A, 0, 18, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 1, 'h', '!', 0}));
    EXPECT_FALSE(GetPendingPrompt().pending);
    Feed(HandleUnicodePrompt, 0xC2, Wire().U32(5).U32(6).U32(0).Text("ENU").U8(0));
    SendPromptReply(1, u"\u00e9a");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1],
              B({0xC2, 0, 23, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 1, 'E', 'N', 'U', 0, 0xE9, 0, 'a', 0}));
    EXPECT_EQ(std::count(events.begin(), events.end(), "answered"), 2);
}

TEST_F(ServerRequestTest, MenusAreReadAgainstThePacketsEnd) {
    std::vector<ItemListMenu> menus;
    GetServerWindowSlots().itemListMenu = [&](const ItemListMenu& m) { menus.push_back(m); };
    Feed(HandleItemListMenu, 0x7C,
         Wire()
             .U32(1)
             .U16(2)
             .U8(5)
             .Text("Title")
             .U8(2)
             .U16(0)
             .U16(0)
             .U8(3)
             .Text("one")
             .U16(0x0EED)
             .U16(5)
             .U8(1)
             .Text("x"));
    Feed(HandleItemListMenu, 0x7C,
         Wire().U32(1).U16(2).U8(0).U8(2).U16(0).U16(0).U8(9).Text("cut")); // dropped
    Feed(HandleItemListMenu, 0x7C, Wire().U32(1).U16(3).U8(0).U8(0));
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_EQ(menus[0].title, "Title");
    ASSERT_EQ(menus[0].entries.size(), 2u);
    EXPECT_EQ(menus[0].entries[1].graphic, 0x0EED);
    EXPECT_FALSE(menus[0].Pictures()) << "the first entry decides";
    EXPECT_TRUE(menus[1].entries.empty());
    EXPECT_FALSE(menus[1].Pictures()) << "an empty menu is a text menu";
}

TEST_F(ServerRequestTest, TipTextIsCutToItsTable) {
    std::vector<TipNotice> tips;
    GetServerWindowSlots().tipNotice = [&](const TipNotice& t) { tips.push_back(t); };
    std::string text = std::string(200, 'a') + "\r\nshort\n";
    for (int i = 0; i < 150; ++i)
        text += "x\r";
    Feed(HandleTipNotice, 0xA6, Wire().U8(0).U32(12).U16(static_cast<int>(text.size())).Text(text));
    ASSERT_EQ(tips.size(), 1u);
    const std::vector<std::string>& lines = tips[0].lines;
    ASSERT_EQ(lines.size(), TipNotice::kMaxLines);
    EXPECT_EQ(lines[0].size(), 79u);
    EXPECT_EQ(lines[2].size(), 42u);
    EXPECT_EQ(lines[3], "short");
    for (const std::string& l : lines)
        EXPECT_LE(l.size(), TipNotice::kMaxLineLength);
    // A notice opens nothing.
    Feed(HandleTipNotice, 0xA6, Wire().U8(1).U32(13).U16(2).Text("hi"));
    EXPECT_EQ(tips.size(), 1u);
}

TEST_F(ServerRequestTest, QueryAndSignFields) {
    std::vector<TextQueryRequest> queries;
    std::vector<SignRequest> signs;
    GetServerWindowSlots().textQuery = [&](const TextQueryRequest& q) { queries.push_back(q); };
    GetServerWindowSlots().sign = [&](const SignRequest& s) { signs.push_back(s); };
    Feed(HandleTextEntryGump, 0xAB,
         Wire().U32(4).U16(9).U16(6).Text("Name?").U8(0).U8(1).U8(2).U32(30).U16(4).Text("desc"));
    Feed(HandleTextEntryGump, 0xAB, Wire().U32(4).U16(9).U16(60).Text("short"));
    Feed(HandleSignGump, 0x8B, Wire().U32(3).U16(7).U16(1).Text("a").U16(4).Text("Shop"));
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].prompt, "Name?");
    EXPECT_EQ(queries[0].style, 2);
    EXPECT_EQ(queries[0].maximum, 30u);
    EXPECT_EQ(queries[0].description, "desc");
    ASSERT_EQ(signs.size(), 1u);
    EXPECT_EQ(signs[0].text, "Shop");
    EXPECT_EQ(signs[0].art, 7);
}

} // namespace
