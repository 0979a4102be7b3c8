// The "gumps" and "config" scenarios against the client's handlers and windows in-process: each
// window opens from the scenario's packet, and what the player does there comes back byte-exact.
#include "testshard/GumpScenarios.h"
#include "core/ServerConfigSync.h"
#include "core/config.h"
#include "gumps/ControlFixture.h"
#include "gumps/GenericGump.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "gumps/PopupMenu.h"
#include "gumps/ServerMenus.h"
#include "gumps/ServerWindowsBinding.h"
#include "net/CGameSock.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"

#include <gtest/gtest.h>

#include <cstring>

namespace gumptest {
namespace {

class GumpScenarioTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        BindServerWindowSlots();
        SetServerWindowSink([this](const std::vector<uint8_t>& wire) { sent.push_back(wire); });
    }
    void TearDown() override {
        ResetServerWindowSlots();
        CPopupMenuMgr::ResetForTests();
        CServerConfigSync::ResetForTests();
        ConfigFiles::SetWorkingFolder("");
        ControlTest::TearDown();
    }
    // Hands a wire packet to the client's handler, as the dispatcher does (length in host order).
    void Feed(std::vector<uint8_t> wire) {
        if (IsVariableLengthPacket(wire[0])) {
            const auto n = static_cast<uint16_t>(wire.size());
            std::memcpy(wire.data() + 1, &n, 2);
        }
        PacketReader reader(wire.data(), wire.size());
        ASSERT_NE(PacketLengthTable[wire[0]].handler, nullptr);
        PacketLengthTable[wire[0]].handler(sock, reader);
    }
    template <typename T> std::vector<T*> Open() {
        std::vector<T*> out;
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (auto* t = dynamic_cast<T*>(g); t && !g->IsClosed()) out.push_back(t);
        return out;
    }
    CGameSock sock;
    std::vector<std::vector<uint8_t>> sent;
};

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> out;
    for (const char* p = text; p[0] && p[1]; p += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(p, 2), nullptr, 16)));
    return out;
}

TEST_F(GumpScenarioTest, EveryWindowOpensAndAnswers) {
    for (const std::vector<uint8_t>& p : testshard::GumpScenarioPackets())
        Feed(p);
    ASSERT_EQ(Open<GenericGump>().size(), 1u);
    EXPECT_EQ(Open<CStringPickerGump>().size(), 1u);
    EXPECT_EQ(Open<CObjPickerGump>().size(), 1u);
    ASSERT_EQ(Open<CStringQueryGump>().size(), 1u);
    EXPECT_EQ(Open<CSignGump>().size(), 1u);
    EXPECT_TRUE(GumpTargeting::IsTargeting());
    EXPECT_TRUE(PacketManager::GetPendingPrompt().pending);

    // The query is modal: it is answered first.
    CStringQueryGump* query = Open<CStringQueryGump>()[0];
    for (int k : std::vector<int>{'R', 'e', 'x', 13})
        GumpHandleKey(query->field, k);
    CGumpManager::FreeClosedGumps();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], Hex("AC0010400004000003010004526578"
                           "00"));

    // The generic gump: the second radio of group 1, then the reply button.
    GenericGump* gump = Open<GenericGump>()[0];
    gump->BringToFront(false);
    Click(gump->x + 205, gump->y + 45);
    Click(gump->x + 155, gump->y + 75);
    CGumpManager::FreeClosedGumps();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1], Hex("B1002D"
                           "40000100"
                           "00BEEF01"
                           "00000007"
                           "00000002"
                           "0000000A"
                           "00000016"
                           "00000001"
                           "0005"
                           "0005"
                           "0065006E007400720079"));

    // The prompt (the Unicode one came last) and the target.
    PacketManager::SendPromptReply(0, u"word");
    GumpTargeting::Deliver(0x4000AAAA);
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2][0], 0xC2);
    EXPECT_EQ(sent[3], Hex("6C00000A0B0C004000AAAA0000000000000000"));
}

TEST_F(GumpScenarioTest, ContextMenuWithMore) {
    World().objectUnderMouse = testshard::kPopupObject;
    CPopupMenuMgr::services().menusAllowed = [] { return true; };
    CPopupMenuMgr::services().text = [](uint32_t id) {
        return u"entry " + std::u16string(1, u'0' + id % 10);
    };
    MoveTo(200, 200);
    CPopupMenuMgr::RequestMenu(testshard::kPopupObject);
    ASSERT_EQ(sent.size(), 1u);
    const std::vector<std::vector<uint8_t>> answer = testshard::AnswerGumpScenario(sent[0]);
    ASSERT_EQ(answer.size(), 1u);
    Feed(answer[0]); // through the extended command's dispatch
    CPopupMenuMgr* open = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->rowTags, std::vector<uint16_t>({1, 3, 4}));
    ASSERT_NE(open->firstChild(), nullptr) << "the more button";
}

TEST_F(GumpScenarioTest, ExtendedCommandsThatOpenNoMenu) {
    World().objectUnderMouse = testshard::kPopupObject;
    CPopupMenuMgr::services().menusAllowed = [] { return true; };
    CPopupMenuMgr::services().text = [](uint32_t) { return std::u16string(u"entry"); };
    CPopupMenuMgr::RequestMenu(testshard::kPopupObject);
    ASSERT_EQ(sent.size(), 1u);
    const std::vector<uint8_t> menu = testshard::AnswerGumpScenario(sent[0]).at(0);
    std::vector<uint8_t> otherSub = menu;
    otherSub[4] = 0x99;
    std::vector<uint8_t> otherSerial = menu;
    otherSerial[10] ^= 0x01;
    const struct {
        const char* name;
        std::vector<uint8_t> wire;
    } cases[] = {
        {"no sub-command", {0xBF, 0, 0}},
        {"half a sub-command", {0xBF, 0, 0, 0x00}},
        {"a sub-command not handled", otherSub},
        {"a menu cut inside its entries", std::vector<uint8_t>(menu.begin(), menu.end() - 3)},
        {"a menu cut before its count", std::vector<uint8_t>(menu.begin(), menu.begin() + 11)},
        {"a menu for another object", otherSerial},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Feed(c.wire);
        EXPECT_EQ(CPopupMenuMgr::OpenMenu(), nullptr);
    }
    Feed(menu);
    EXPECT_NE(CPopupMenuMgr::OpenMenu(), nullptr) << "the requested menu still opens after them";
}

TEST_F(GumpScenarioTest, TheServerClosesGenericGumpsByType) {
    Feed(testshard::GenericGumpAllKinds());
    ASSERT_EQ(Open<GenericGump>().size(), 1u);
    const struct {
        const char* name;
        std::vector<uint8_t> wire;
        bool closes;
    } cases[] = {
        {"another type", Hex("BF000F000400BEEF0200000003"), false},
        {"cut before the button", Hex("BF000C000400BEEF01000000"), false},
        {"the gump's type", Hex("BF000F000400BEEF0100000003"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Feed(c.wire);
        EXPECT_EQ(Open<GenericGump>().empty(), c.closes);
        EXPECT_EQ(sent.size(), c.closes ? 1u : 0u);
    }
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::vector<uint8_t>(sent[0].begin() + 3, sent[0].begin() + 15),
              Hex("4000010000BEEF0100000003"))
        << "the reply names the gump and the server's button";
}

TEST_F(GumpScenarioTest, ConfigFilesBothWays) {
    qvtest::TempDir dir;
    ConfigFiles::SetWorkingFolder(dir.path().string());
    CServerConfigSync::ResetForTests();
    CServerConfigSync::SetEnabled(true);
    PacketManager::BindServerConfigSync();
    std::vector<int> loaded;
    CServerConfigSync::GetServices().load = [&](int slot) { loaded.push_back(slot); };
    CServerConfigSync::SetLoginFlag(1);
    for (const std::vector<uint8_t>& p : testshard::ConfigScenarioPackets())
        Feed(p);
    EXPECT_EQ(dir.read("Desktop/common/qv.cfg"), testshard::kConfigText);
    EXPECT_EQ(dir.read("Desktop/common/macros.txt"), testshard::kMacrosText);
    EXPECT_EQ(loaded, std::vector<int>({3, 11}));
    ASSERT_EQ(sent.size(), 2u) << "under the upload flag each file goes back";
    int slot = 0;
    std::string content;
    ASSERT_TRUE(testshard::ReadConfigUpload(sent[1], &slot, &content));
    EXPECT_EQ(slot, 11);
    EXPECT_EQ(content, testshard::kMacrosText);
}

TEST_F(GumpScenarioTest, TheRecordedPacketIsCurrent) {
    const std::vector<uint8_t> packet = testshard::GenericGumpAllKinds();
    const std::string path = QV_TESTS_DIR "/gumps/data/generic_all.bin";
    if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
        ASSERT_TRUE(platform::AtomicReplaceFile(path, packet.data(), packet.size()));
    }
    EXPECT_EQ(platform::ReadWholeFile(path), packet);
}

} // namespace
} // namespace gumptest
