// Golden pictures of the login screens as the sample installation draws them, from the real
// start-up: every top-level window drawn back to front into a 640 x 480 picture.
#include "FrontEndFixture.h"

#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "net/CLatencyProbe.h"
#include "render/Ppm.h"

namespace qvtest {
namespace {

class FrontEndGoldenTest : public FrontEndTest {
  protected:
    // Blinking is a matter of time: every button is drawn in its resting state.
    static void StopBlinking(CGump* gump) {
        for (CGump* c = gump->firstChild(); c; c = c->next())
            StopBlinking(c);
        if (auto* button = gump_cast<CButtonGump>(gump)) {
            button->blinkShown = false;
            button->blinkCounter = 0;
        }
    }
    static std::vector<uint8_t> Picture() {
        PixelBlock block(640, 480);
        const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
        std::vector<CGump*> order;
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            order.push_back(g);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            StopBlinking(*it);
            (*it)->Draw(target, Rect{0, 0, 640, 480});
        }
        return EncodePpm(block.pixels.data(), block.width, block.height);
    }
    // A closed question is freed a pass or more later, and its end shows the selection again: wait
    // for that before the next picture.
    bool Freed(const char* debugName) {
        return RunUntil([debugName] {
            for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
                if (std::string(g->debugName) == debugName) return false;
            return true;
        });
    }
    void Expect(const char* name) {
        Passes(2);
        ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/frontend/golden") / name, Picture());
    }
};

TEST_F(FrontEndGoldenTest, TheLoginScreens) {
    testshard::Script script;
    script.shards = {{"Alpha", platform::kLoopback, 70, 0},
                     {"Beta", platform::kLoopback, 15, 3},
                     {"Gamma", platform::kLoopback, 40, 50}};
    script.characters = {"First", "Second", "Third"};
    script.answerLogout = false; // the notice stays up to be pictured
    StartClient(script);
    Expect("main_menu_empty.ppm");

    Type("tester\tsecret");
    Expect("main_menu_filled.ppm");

    // As the login's connect step shows it: the dialog hidden while the box is up.
    FrontEnd::AcctLogin()->visible = false;
    CWaitingGump* connecting = FrontEnd::ShowWaiting("Connecting... ", FrontEnd::MainMenu().get(), true);
    Expect("connecting.ppm");
    connecting->Close();
    FrontEnd::CloseWaiting();
    FrontEnd::AcctLogin()->visible = true;

    AccountLogin(FrontEnd::AcctLogin().get());
    ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; }));
    CLatencyProbe* probe = CLatencyProbe::Get();
    ASSERT_NE(probe, nullptr);
    const uint32_t figures[][3] = {{4, 4, 48}, {4, 3, 12}, {0, 0, 0}};
    for (int host = 0; host < probe->HostCount() && host < 3; ++host) {
        auto* h = const_cast<LatencyHost*>(probe->GetHost(host));
        h->sent = figures[host][0];
        h->replies = figures[host][1];
        h->averageMs = figures[host][2];
    }
    probe->ClearCallback(); // the figures are the test's from here on
    SortServers(2);
    Expect("shard_list_by_round_trip.ppm");

    FrontEnd::ServerList()->SelectServer(0);
    ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; }));
    Expect("character_selection.ppm");

    PacketManager::GetLoginTables().slots[0].password = "guarded";
    PlaySelectedCharacter(FrontEnd::CharacterSelection().get());
    Expect("password_question.ppm");
    CGumpManager::GetFocus()->parent()->HandleEscapeKey();
    ASSERT_TRUE(Freed("PlayChar gump"));

    ConfirmDeleteCharacter(FrontEnd::CharacterSelection().get());
    Expect("delete_question.ppm");
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        if (std::string(g->debugName) == "DeleteChar gump") g->HandleEscapeKey();
    ASSERT_TRUE(Freed("DeleteChar gump"));

    FrontEnd::ShowMessage("That character is being played right now.", FrontEnd::CharacterSelection().get());
    Expect("refusal_box.ppm");
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(1);

    PlaySelectedCharacter(FrontEnd::CharacterSelection().get());
    ASSERT_TRUE(RunUntil([] { return CGumpManager::GetFocus() != nullptr; }));
    CLoginGump* selection = FrontEnd::CharacterSelection().get();
    PacketManager::GetLoginTables().slots[0].password.clear();
    for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
        if (std::string(g->debugName) == "PlayChar gump") g->Close();
    Passes(1);
    PlaySelectedCharacter(selection);
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }));
    FrontEndHookTable().serverKeepsConfig = [] { return true; };
    LogOut();
    Expect("log_out_notice.ppm");
}

} // namespace
} // namespace qvtest
