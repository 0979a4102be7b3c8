// The server's word of the player's death: the windows close, the screen fades over 31 frames and
// the client answers when the fade is over.
#include "app/DeathStatus.h"
#include "app/PlayerActions.h"
#include "gumps/CGump.h"
#include "gumps/CGumpManager.h"
#include "net/CGameSock.h"
#include "net/PacketManager.h"
#include "render/BackBuffer.h"
#include "render/FrameServices.h"
#include "render/GraphicManager.h"
#include "support/TestSupport.h"
#include "world/PlayerObject.h"
#include "world/PlayerWalk.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

class DeathStatusTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        CApp::ResetPlayerActionsForTests();
        PlayerWalk::ResetForTests();
        PlayerWalk::GetLinks().send = [this](PacketWriter& packet) {
            const std::span<const uint8_t> bytes = FinishPacket(packet);
            sent.emplace_back(bytes.begin(), bytes.end());
        };
        saved = GetFrameServices();
        FrameServices services;
        services.hasGameConnection = [] { return true; };
        services.sendDeathStatus = CApp::SendDeathStatus;
        SetFrameServices(services);
        BackBuffer::SetSize(640, 480);
        BackBuffer::Create();
        pPlayerObject = new CPlayerMobile(0x1234, 400);
        WorldHook::Table().playSong = [this](int song, int restart, bool force) {
            songs.push_back({song, restart, force});
            return 0;
        };
    }
    void TearDown() override {
        GraphicManager::SetDeathFadeCounter(0);
        CGumpManager::CloseAllGumps();
        CGumpManager::FreeClosedGumps();
        DeletePlayerObject();
        SetFrameServices(saved);
        WorldHook::Reset();
        PlayerWalk::ResetForTests();
        CApp::ResetPlayerActionsForTests();
        CleanState::TearDown();
    }
    static void Receive(Bytes bytes) {
        PacketReader packet(bytes.data(), bytes.size());
        CGameSock connection;
        PacketManager::HandleDeathStatus(connection, packet);
    }
    struct Song {
        int song, restart;
        bool force;
        bool operator==(const Song&) const = default;
    };
    std::vector<Bytes> sent;
    std::vector<Song> songs;
    FrameServices saved;
};

TEST_F(DeathStatusTest, TheWordOfDeathClosesWindowsAndFadesUnlessOnlyTheMenuMustGo) {
    struct Case {
        const char* name;
        Bytes packet;
        bool war;
        bool fades;
        std::vector<Bytes> sentAtOnce;
    };
    const Case cases[] = {
        {"death", {0x2C, 0}, false, true, {}},
        {"death in war mode leaves it", {0x2C, 2}, true, true, {{0x72, 0, 0, 0, 0}}},
        {"action 1 only closes", {0x2C, 1}, true, false, {}},
        {"too short: dropped", {0x2C}, false, false, {}},
    };
    for (const Case& c : cases) {
        sent.clear();
        songs.clear();
        pPlayerObject->warMode = c.war;
        auto* window = new CGump(10, 10, 0, 1, 50, 50);
        window->Attach(nullptr);
        Receive(c.packet);
        EXPECT_EQ(window->IsClosed(), c.packet.size() > 1) << c.name;
        EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), c.fades ? 1 : 0) << c.name;
        const std::vector<Song> deathSong{{42, 1, true}};
        EXPECT_EQ(songs, c.fades ? deathSong : std::vector<Song>()) << c.name;
        // The war request's style bytes are whatever the server sent last; only its mode matters.
        ASSERT_EQ(sent.size(), c.sentAtOnce.size()) << c.name;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(sent[i][0], c.sentAtOnce[i][0]) << c.name;
            EXPECT_EQ(sent[i][1], c.sentAtOnce[i][1]) << c.name;
        }
        if (!window->IsClosed()) window->Close();
        CGumpManager::FreeClosedGumps();
        GraphicManager::SetDeathFadeCounter(0);
    }
}

TEST_F(DeathStatusTest, TheFadeRunsThirtyOneFramesThenAnswersWithActionTwo) {
    Receive({0x2C, 0});
    ASSERT_EQ(GraphicManager::GetDeathFadeCounter(), 1);
    for (int frame = 1; frame < 31; ++frame) {
        GraphicManager::DrawFrame();
        EXPECT_TRUE(sent.empty()) << "frame " << frame;
    }
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 31);
    GraphicManager::DrawFrame();
    EXPECT_EQ(GraphicManager::GetDeathFadeCounter(), 0);
    EXPECT_EQ(sent, (std::vector<Bytes>{{0x2C, 2}}));
    // The next frames draw the world again and say nothing more.
    GraphicManager::DrawFrame();
    EXPECT_EQ(sent.size(), 1u);
}

} // namespace
