#pragma once
// The real client over a sample installation in a temporary folder, started as the program starts
// it, its loop run pass by pass on the manual clock, against the test server on a thread: input is
// pushed as the window would deliver it and the screens are read back.
#include "core/AppFixture.h"
#include "core/ShardRecord.h"
#include "frontend/CharacterSelection.h"
#include "frontend/FrontEnd.h"
#include "frontend/LogOut.h"
#include "frontend/MainMenu.h"
#include "frontend/ShardList.h"
#include "gumps/ChoiceLists.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "testshard/ScenarioServer.h"

#include <chrono>
#include <functional>
#include <thread>

namespace qvtest {

class FrontEndTest : public AppTest {
  protected:
    void SetUp() override {
        AppTest::SetUp();
        FrontEnd::ResetForTests();
        ResetLogOutForTests();
    }
    void TearDown() override {
        server.Stop();
        FrontEnd::ResetForTests();
        ResetLogOutForTests();
        AppTest::TearDown(); // the exit handlers close the connections
        CApp::ClearShardRecords();
        PacketManager::ResetForTests();
        CApp::ResetConnectionsForTests();
    }

    // Installs the sample, starts the test server with script and the client, which shows the main
    // menu.
    void StartClient(const testshard::Script& script) {
        Install(dir, {});
        ASSERT_TRUE(server.Start(script));
        RunStartup();
        CApp::SetLoginServers({{"127.0.0.1", server.loginPort()}});
        Passes(3);
        ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr) << "no account login after start-up";
    }

    // Through the account, shard and character screens into the world.
    void EnterWorld(const testshard::Script& script) {
        StartClient(script);
        if (HasFatalFailure()) return;
        Type("tester\tpw\r");
        ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; }));
        FrontEnd::ServerList()->SelectServer(0);
        ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; }));
        CLoginGump* characters = FrontEnd::CharacterSelection().get();
        Click(characters->playArrow->x + 8, characters->playArrow->y + 8);
        ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }))
            << "the world did not open";
    }

    void Passes(int count) {
        for (int i = 0; i < count; ++i) {
            RunMainLoopPass(false);
            Advance(10);
        }
    }
    // Runs passes until done() holds; the server answers on its own thread, so real time passes too.
    // The limit only ends a test that has already failed: a sanitizer build on a loaded machine took
    // over 10 s for a step that takes one alone.
    bool RunUntil(const std::function<bool()>& done, int seconds = 30) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            Passes(1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    static void Type(const std::string& text) {
        for (char c : text)
            platform::headless::PushChar(static_cast<char16_t>(c));
    }
    void Click(int x, int y) {
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, x, y);
        platform::headless::PushMouse(platform::WM_LBUTTONDOWN, x, y, 1);
        Passes(2);
        platform::headless::PushMouse(platform::WM_LBUTTONUP, x, y);
        Passes(2);
    }
    void DoubleClick(int x, int y) {
        Click(x, y);
        Click(x, y);
    }

    // The payload of the count-th packet with this id the server received.
    std::vector<uint8_t> Received(uint8_t id, size_t count = 1) {
        size_t seen = 0;
        for (const testshard::ClientPacket& p : server.Packets())
            if (!p.bytes.empty() && p.bytes[0] == id && ++seen == count) return p.bytes;
        return {};
    }
    static std::string TextAt(const std::vector<uint8_t>& bytes, size_t at, size_t width) {
        std::string s;
        for (size_t i = at; i < at + width && i < bytes.size() && bytes[i] != 0; ++i)
            s += static_cast<char>(bytes[i]);
        return s;
    }

    TempDir dir;
    testshard::ScenarioServer server;
};

} // namespace qvtest
