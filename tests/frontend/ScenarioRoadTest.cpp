// The login screens against the test server's scenarios: deletions answered and refused, a
// protected character, the one-character flag, no shards, a relay nobody answers.
#include "FrontEndFixture.h"

#include "core/ServerConfigSync.h"

namespace qvtest {
namespace {

class ScenarioRoadTest : public FrontEndTest {
  protected:
    void StartScenario(const char* name) {
        testshard::Script script;
        ASSERT_TRUE(testshard::FrontEndScenario(name, script)) << name;
        StartClient(script);
    }
    void LogIn() {
        Type("tester\tpw\r");
        ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; }));
    }
    void ToCharacters() {
        LogIn();
        FrontEnd::ServerList()->SelectServer(0);
        ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; }));
    }
    static CGump* TopLevelNamed(const char* debugName) {
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (!g->IsClosed() && std::string(g->debugName) == debugName) return g;
        return nullptr;
    }
    static std::vector<std::string> RowNames() {
        std::vector<std::string> names;
        CLoginGump* screen = FrontEnd::CharacterSelection().get();
        for (int i = 0; screen && i < screen->rowCount; ++i)
            names.push_back(screen->rows[static_cast<size_t>(i)]->Text());
        return names;
    }
    void Select(int row) {
        CLoginGump* screen = FrontEnd::CharacterSelection().get();
        screen->HandleChildMouseDown(screen->rows[static_cast<size_t>(row)]);
    }
};

TEST_F(ScenarioRoadTest, TheConfigurationBoxShowsTheSyncFlagAndADoubleClickStoresIt) {
    testshard::Script script;
    ASSERT_TRUE(testshard::FrontEndScenario("five", script));
    script.clientFlags |= 0x02; // the server keeps the configuration files
    StartClient(script);
    CServerConfigSync::SetLoginFlag(1);
    ToCharacters();
    CLoginGump* screen = FrontEnd::CharacterSelection().get();
    ASSERT_NE(screen->configBox, nullptr);
    EXPECT_TRUE(screen->configBox->checked) << "the box starts at the stored flag";
    screen->configBox->checked = false;
    screen->HandleChildDoubleClick(screen->rows[0]);
    EXPECT_EQ(CServerConfigSync::GetLoginFlag(), 0);
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }));
}

TEST_F(ScenarioRoadTest, ADeletionTheServerAnswersLeavesTheOtherRows) {
    StartScenario("delete");
    ToCharacters();
    Select(1);
    ConfirmDeleteCharacter(FrontEnd::CharacterSelection().get());
    CGump* question = TopLevelNamed("DeleteChar gump");
    ASSERT_NE(question, nullptr);
    DeleteCharacter(question);
    ASSERT_TRUE(RunUntil([] { return RowNames().size() == 2; }));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"Keep", "Stay"}));
    Passes(2);
    EXPECT_TRUE(FrontEnd::CharacterSelection()->IsShown());
    EXPECT_EQ(GetPendingWaitingGump(), nullptr);
    const std::vector<uint8_t> request = Received(0x83);
    ASSERT_EQ(request.size(), 39u);
    EXPECT_EQ(request[34], 1) << "the selected row's slot";
}

TEST_F(ScenarioRoadTest, ARefusedDeletionShowsItsReasonOverTheSelection) {
    StartScenario("delete:2");
    ToCharacters();
    Select(0);
    ConfirmDeleteCharacter(FrontEnd::CharacterSelection().get());
    DeleteCharacter(TopLevelNamed("DeleteChar gump"));
    ASSERT_TRUE(RunUntil([] {
        return GetPendingWaitingGump() && GetPendingWaitingGump()->Text() != "Deleting character... ";
    }));
    EXPECT_EQ(GetPendingWaitingGump()->Text(), "That character is being played right now.");
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(2);
    EXPECT_TRUE(FrontEnd::CharacterSelection()->IsShown());
    EXPECT_EQ(RowNames().size(), 3u);
}

TEST_F(ScenarioRoadTest, AProtectedCharacterAsksItsPasswordFirst) {
    StartScenario("protected");
    ToCharacters();
    Select(1);
    Type("\r");
    Passes(2);
    ASSERT_NE(TopLevelNamed("PlayChar gump"), nullptr);
    EXPECT_FALSE(FrontEnd::CharacterSelection()->IsShown());
    EXPECT_TRUE(Received(0x5D).empty());
    Type("sesame\r");
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); }));
    EXPECT_EQ(FrontEnd::CharPassword(), "sesame");
    EXPECT_EQ(TextAt(Received(0x5D), 5, 30), "Guarded");
}

TEST_F(ScenarioRoadTest, TheOneCharacterFlagShowsOneRowAndNoNewButton) {
    StartScenario("one");
    ToCharacters();
    EXPECT_EQ(RowNames(), std::vector<std::string>{"Single"});
    EXPECT_FALSE(FrontEnd::CharacterSelection()->newButton->visible);
}

TEST_F(ScenarioRoadTest, NoShardsShowTheServersDownOverTheLogin) {
    StartScenario("down");
    Type("tester\tpw\r");
    ASSERT_TRUE(RunUntil([] {
        return GetPendingWaitingGump() && GetPendingWaitingGump()->Text().find("down") != std::string::npos;
    }));
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(2);
    EXPECT_TRUE(FrontEnd::AcctLogin()->IsShown());
}

TEST_F(ScenarioRoadTest, AnUnreachableGameServerEndsInABoxWhoseOkGivesAUsableLogin) {
    StartScenario("closedrelay");
    LogIn();
    FrontEnd::ServerList()->SelectServer(0);
    ASSERT_TRUE(RunUntil([] {
        CWaitingGump* box = GetPendingWaitingGump();
        return box && box->Button() && box->Button()->visible && box->Text() != "Verifying Account... ";
    })) << "no box told of the failure";
    const std::string text = GetPendingWaitingGump()->Text();
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(3);
    SCOPED_TRACE(text);
    ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr);
    EXPECT_TRUE(FrontEnd::AcctLogin()->IsShown());
}

} // namespace
} // namespace qvtest
