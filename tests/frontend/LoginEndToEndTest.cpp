// The login road through the screens, as a player walks it: typed account and password, a shard
// chosen from the list, a character chosen and played, the world entered.
#include "FrontEndFixture.h"

#include "core/Options.h"

namespace qvtest {
namespace {

using FrontEndEndToEndTest = FrontEndTest;

TEST_F(FrontEndEndToEndTest, TypedAccountChosenShardAndCharacterEnterTheWorld) {
    testshard::Script script;
    script.shards = {{"Alpha"}, {"Beta"}};
    script.characters = {"First", "Second", "Third"};
    StartClient(script);

    Type("tester");
    Type("\t");
    Type("secret");
    Type("\r");
    ASSERT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; })) << "no shard list";

    CServerListGump* shards = FrontEnd::ServerList().get();
    ASSERT_NE(shards->list, nullptr);
    ASSERT_EQ(shards->list->rows.count, 2);
    const CScrollChoiceGump& list = *shards->list;
    DoubleClick(list.x + list.area.left + 10, list.y + list.area.top + list.rowHeight + list.rowHeight / 2);
    ASSERT_TRUE(RunUntil([] { return FrontEnd::CharacterSelection().get() != nullptr; })) << "no characters";

    CLoginGump* characters = FrontEnd::CharacterSelection().get();
    ASSERT_EQ(characters->rowCount, 3);
    CFramedInputControlGump* second = characters->rows[1];
    Click(second->x + 30, second->y + 10);
    EXPECT_EQ(characters->selected, 1);
    Click(characters->playArrow->x + 8, characters->playArrow->y + 8);
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); })) << "the world did not open";

    // What the server heard: the typed account, the second shard, the second character.
    const std::vector<uint8_t> login = Received(0x80);
    ASSERT_GE(login.size(), 62u);
    EXPECT_EQ(TextAt(login, 1, 30), "tester");
    EXPECT_EQ(TextAt(login, 31, 30), "secret");
    const std::vector<uint8_t> select = Received(0xA0);
    ASSERT_EQ(select.size(), 3u);
    EXPECT_EQ(select[1] << 8 | select[2], 1);
    const std::vector<uint8_t> play = Received(0x5D);
    ASSERT_GE(play.size(), 35u);
    EXPECT_EQ(TextAt(play, 5, 30), "Second");

    const std::string cfg = dir.read("install/qv.cfg");
    EXPECT_NE(cfg.find("AcctID=tester"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("LastServerID=1"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("PlayerName=Second"), std::string::npos) << cfg;
    EXPECT_NE(cfg.find("DefaultChar=1"), std::string::npos) << cfg;
}

} // namespace
} // namespace qvtest
