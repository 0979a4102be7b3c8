// The context menu end to end on loopback: the client asks the "gumps" scenario's server for an
// object's menu, the menu comes back through the extended command's dispatch and opens, and the
// entry the player clicks reaches the server byte-exact.
#include "gumps/ControlFixture.h"
#include "gumps/PopupMenu.h"
#include "gumps/ServerWindowsBinding.h"
#include "net/CGameSock.h"
#include "net/PacketFramer.h"
#include "net/PacketLengthTable.h"
#include "net/ServerWindows.h"
#include "platform/sockets.h"
#include "testshard/GumpScenarios.h"
#include "testshard/ScenarioServer.h"

#include "support/NetTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace gumptest {
namespace {

constexpr uint32_t kWaitMs = 5000;

using qvtest::AccountPacket;
using qvtest::PacketCollector;

class PopupLoopbackTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        BindServerWindowSlots();
    }
    void TearDown() override {
        SetServerWindowSink(nullptr);
        ResetServerWindowSlots();
        CPopupMenuMgr::ResetForTests();
        ControlTest::TearDown();
    }
    // Reads from the game connection until a packet with the id arrives; null on a timeout.
    const std::vector<uint8_t>* ReceiveUntil(platform::TcpSocket& game, PacketFramer& framer,
                                             PacketCollector& client, uint8_t id) {
        uint8_t in[4096];
        for (;;) {
            for (const auto& p : client.packets)
                if (p[0] == id) return &p;
            if (client.broken) return nullptr;
            const long got = game.Receive(in, sizeof in, kWaitMs);
            if (got <= 0) return nullptr;
            framer.ProcessReceived(in, static_cast<size_t>(got));
        }
    }
};

TEST_F(PopupLoopbackTest, MenuAnswersTheRequestAndTheChoiceIsLogged) {
    testshard::Script script;
    script.editServer = true; // the client sends plainly; menus are always allowed there
    script.answer = testshard::AnswerGumpScenario;
    testshard::ScenarioServer server;
    std::vector<std::string> log;
    std::mutex logMutex;
    server.SetLog([&](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex);
        log.push_back(line);
    });
    ASSERT_TRUE(server.Start(script));

    platform::TcpSocket game = platform::TcpSocket::Connect(platform::kLoopback, server.gamePort(), kWaitMs);
    ASSERT_TRUE(game.IsOpen());
    std::vector<uint8_t> gameLogin = AccountPacket(0x91, 65);
    gameLogin[1] = 0x0B; // the relay key
    gameLogin[2] = 0xAD;
    gameLogin[3] = 0xF0;
    gameLogin[4] = 0x0D;
    ASSERT_TRUE(game.SendAll(gameLogin.data(), gameLogin.size()));
    std::vector<uint8_t> choice(73, 0); // the character choice
    choice[0] = 0x5D;
    ASSERT_TRUE(game.SendAll(choice.data(), choice.size()));
    SetServerWindowSink([&](const std::vector<uint8_t>& wire) { game.SendAll(wire.data(), wire.size()); });

    World().objectUnderMouse = testshard::kPopupObject;
    CPopupMenuMgr::services().menusAllowed = [] { return true; };
    CPopupMenuMgr::services().text = [](uint32_t id) {
        return u"entry " + std::u16string(1, u'0' + id % 10);
    };
    MoveTo(200, 200);
    CPopupMenuMgr::RequestMenu(testshard::kPopupObject);

    PacketCollector client;
    PacketFramer framer(client);
    framer.SetGameMode(true);
    const std::vector<uint8_t>* menuPacket = ReceiveUntil(game, framer, client, 0xBF);
    ASSERT_NE(menuPacket, nullptr);
    std::vector<uint8_t> bytes = *menuPacket;
    PacketReader reader(bytes.data(), bytes.size());
    CGameSock sock;
    PacketLengthTable[0xBF].handler(sock, reader);

    CPopupMenuMgr* open = CPopupMenuMgr::OpenMenu();
    ASSERT_NE(open, nullptr) << "the dispatch hands the menu to the window layer";
    ASSERT_EQ(open->rowTags, std::vector<uint16_t>({1, 3, 4}));
    // The last row (tag 4) is enabled: clicking it answers the server.
    Click(open->x + CPopupMenuMgr::kMargin + 2, open->y + CPopupMenuMgr::kMargin + 2 * open->lineHeight + 2);
    ASSERT_TRUE(server.WaitForPacket(0xBF, kWaitMs, 2)) << "the request, then the choice";
    const std::vector<uint8_t> expected = {0xBF, 0x00, 0x0B, 0x00, 0x15, 0x40, 0x00, 0x02, 0x00, 0x00, 0x04};
    EXPECT_EQ(server.Packets().back().bytes, expected) << "the choice reaches the server byte-exact";
    server.Stop();
    std::lock_guard<std::mutex> lock(logMutex);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
        return line.find("packet 0xBF (11 bytes): BF 00 0B 00 15 40 00 02 00 00 04") != std::string::npos;
    })) << "the server logs the reply as it arrived";
}

} // namespace
} // namespace gumptest
