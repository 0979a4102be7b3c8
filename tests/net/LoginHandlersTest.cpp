// The handlers and builders of the login road, the shard list and the character lists, each fed
// one packet through dispatch with a recording front end.
#include "app/multcli.h"
#include "core/ExitHandlers.h"
#include "core/HWProfile.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/ConnectionSeed.h"
#include "net/PacketManager.h"
#include "platform/sockets.h"
#include "support/NetTestSupport.h"
#include "testshard/ScenarioServer.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Packet = std::vector<uint8_t>;

// The packets queued on a connection that is not connected and in the game phase (queued plain).
std::vector<Packet> Queued(const CClientSock& connection) {
    std::vector<Packet> packets;
    const uint8_t* bytes = connection.SendBuffer();
    int at = 0;
    while (at < connection.SendFill()) {
        const uint8_t id = bytes[at];
        int length = static_cast<int>(PacketTableLength(id));
        if (IsVariableLengthPacket(id)) length = (bytes[at + 1] << 8) | bytes[at + 2];
        if (length <= 0 || at + length > connection.SendFill()) break;
        packets.emplace_back(bytes + at, bytes + at + length);
        at += length;
    }
    return packets;
}

std::vector<uint8_t> Ids(const std::vector<Packet>& packets) {
    std::vector<uint8_t> ids;
    for (const Packet& p : packets)
        ids.push_back(p[0]);
    return ids;
}

void PutText(Packet& p, const std::string& text, size_t width) {
    for (size_t i = 0; i < width; ++i)
        p.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

Packet WithLength(Packet p) {
    p[1] = static_cast<uint8_t>(p.size() >> 8);
    p[2] = static_cast<uint8_t>(p.size());
    return p;
}

class LoginHandlersTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        record = CApp::AddShardRecord();
        record->name = "Alpha";
        record->connection = new CGameSock;
        record->connection->SetGameMode(true);
        CApp::SetCurrentRecord(record);
        SetCurrentConnection(record->connection);
        CApp::SetAccount("account", "secret");
        SetLostConnectionWatch(true);
    }
    CGameSock& current() { return *record->connection; }
    void Feed(const Packet& packet) { qvtest::Dispatch(current(), packet); }
    // A second shard, connected as an additional one.
    ShardRecord* AddSecondary(const std::string& name) {
        ShardRecord* secondary = CApp::AddShardRecord();
        secondary->name = name;
        secondary->connection = new CGameSock;
        secondary->connection->SetSecondaryShard(true);
        return secondary;
    }

    qvtest::FrontEndRecorder frontEnd;
    ShardRecord* record = nullptr;
};

// ---------------------------------------------------------------- builders

TEST(LoginBuilders, AccountAndGameLoginsCarryFixedTextFields) {
    uint8_t buffer[128];
    PacketWriter login(buffer);
    PacketManager::SendAccountLogin(login, "account", "a-password-much-longer-than-thirty-bytes", 0x5A);
    const auto wire = FinishPacket(login);
    ASSERT_EQ(wire.size(), 62u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wire[1])), "account");
    EXPECT_EQ(wire[8], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wire[31]), 30), "a-password-much-longer-than-th");
    EXPECT_EQ(wire[61], 0x5A) << "a long text does not run into the next field";

    PacketWriter game(buffer);
    PacketManager::SendGameLogin(game, 0x0BADF00D, "account", "secret");
    const auto gameWire = FinishPacket(game);
    ASSERT_EQ(gameWire.size(), 65u);
    EXPECT_EQ(Packet(gameWire.begin(), gameWire.begin() + 5), Packet({0x91, 0x0B, 0xAD, 0xF0, 0x0D}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&gameWire[35])), "secret");

    PacketWriter room(buffer);
    PacketManager::SendAccountLoginIgr(room, "account", "secret", 1, "ROOM-ID-SIXTEEN!");
    const auto roomWire = FinishPacket(room);
    ASSERT_EQ(roomWire.size(), 78u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&roomWire[62]), 16), "ROOM-ID-SIXTEEN!");

    PacketWriter select(buffer);
    PacketManager::SendSelectServer(select, 0x0102);
    const auto selectWire = FinishPacket(select);
    EXPECT_EQ(Packet(selectWire.begin(), selectWire.end()), Packet({0xA0, 0x01, 0x02}));
}

TEST(LoginBuilders, PlayAndCreateCharacterCarryTheClientBlockAndTheLocalAddress) {
    SetLocalAddressOverride(0xC0A80164);
    uint8_t block[30];
    for (int i = 0; i < 30; ++i)
        block[i] = static_cast<uint8_t>(i + 1);
    uint8_t buffer[128];
    PacketWriter play(buffer);
    PacketManager::SendPlayCharacter(play, "Tester", block, 3);
    const auto wire = FinishPacket(play);
    ASSERT_EQ(wire.size(), 73u);
    EXPECT_EQ(Packet(wire.begin(), wire.begin() + 5), Packet({0x5D, 0xED, 0xED, 0xED, 0xED}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wire[5])), "Tester");
    EXPECT_EQ(Packet(wire.begin() + 35, wire.begin() + 65), Packet(block, block + 30));
    EXPECT_EQ(Packet(wire.begin() + 65, wire.end()), Packet({0, 0, 0, 3, 0xC0, 0xA8, 0x01, 0x64}));
    // A name that fills its 30 bytes (the character lists send such names) goes out whole.
    const std::string full(30, 'N');
    PacketWriter fullName(buffer);
    PacketManager::SendPlayCharacter(fullName, full.c_str(), block, 0);
    const auto fullWire = FinishPacket(fullName);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&fullWire[5]), 30), full);
    EXPECT_EQ(fullWire[35], 1) << "the client block follows unharmed";

    // Every field of the creation message against bytes written out by hand.
    PacketManager::CreationChoices choices;
    choices.gender = 1;
    choices.strength = 45;
    choices.dexterity = 25;
    choices.intelligence = 10;
    choices.skills[0] = {25, 50};
    choices.skills[1] = {17, 30};
    choices.skills[2] = {46, 20};
    choices.skinHue = 0x0411;
    choices.hairItem = 0x2046;
    choices.hairHue = 0x0452;
    choices.facialHairItem = 0x2040;
    choices.facialHairHue = 0x0453;
    choices.startCity = 4;
    choices.slot = 2;
    choices.shirtHue = 0x0101;
    choices.pantsHue = 0x0202;
    PacketWriter create(buffer);
    PacketManager::SendCreateCharacter(create, "Newcomer", block, choices);
    const auto created = FinishPacket(create);
    ASSERT_EQ(created.size(), 104u);
    EXPECT_EQ(Packet(created.begin(), created.begin() + 10),
              Packet({0x00, 0xED, 0xED, 0xED, 0xED, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&created[10])), "Newcomer");
    EXPECT_EQ(Packet(created.begin() + 40, created.begin() + 70), Packet(block, block + 30));
    EXPECT_EQ(Packet(created.begin() + 70, created.end()),
              Packet({1,    45,   25,   10,   25,   50,   17,   30,   46,   20,   0x04, 0x11,
                      0x20, 0x46, 0x04, 0x52, 0x20, 0x40, 0x04, 0x53, 0x00, 0x04, 0x00, 0x00,
                      0x00, 0x02, 0xC0, 0xA8, 0x01, 0x64, 0x01, 0x01, 0x02, 0x02}));

    PacketWriter erase(buffer);
    PacketManager::SendDeleteCharacter(erase, 2, "pw");
    const auto erased = FinishPacket(erase);
    ASSERT_EQ(erased.size(), 39u);
    EXPECT_EQ(Packet(erased.begin() + 31, erased.end()), Packet({0, 0, 0, 2, 0xC0, 0xA8, 0x01, 0x64}));
    SetLocalAddressOverride(0);
}

TEST(LoginBuilders, SystemInfoLaysTheProfileOut) {
    HWProfile profile;
    profile.processorType = 3;
    profile.processorClock = 500;
    profile.nProcessors = 2;
    std::strcpy(profile.szVideoCardDescrip1, "Card");
    profile.totalRAMInMB = 0x1234;
    profile.largestPartitionInMB = 0x5678;
    profile.timeZoneBias = -60;
    uint8_t buffer[149];
    PacketWriter packet(buffer);
    PacketManager::SendSystemInfo(packet, profile);
    const auto wire = FinishPacket(packet);
    ASSERT_EQ(wire.size(), 149u);
    EXPECT_EQ(Packet(wire.begin(), wire.begin() + 5), Packet({0xA4, 3, 0x01, 0xF4, 2}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&wire[5])), "Card");
    EXPECT_EQ(Packet(wire.begin() + 133, wire.begin() + 141),
              Packet({0x12, 0x34, 0x56, 0x78, 0xFF, 0xFF, 0xFF, 0xC4}));

    HWProfile other = profile;
    other.processorClock = 620; // within a quarter of 500
    EXPECT_TRUE(PacketManager::SystemInfoEquals(profile, other));
    other.processorClock = 630;
    EXPECT_FALSE(PacketManager::SystemInfoEquals(profile, other));
    other = profile;
    std::strcpy(other.szModemDescrip, "Modem");
    EXPECT_FALSE(PacketManager::SystemInfoEquals(profile, other));
}

// ---------------------------------------------------------------- the login road

TEST_F(LoginHandlersTest, TheRelayStoresTheKeyAndMarksTheShardForReconnection) {
    Feed(testshard::RelayPacket(0x7F000001, 7776, 0xCAFEBABE));
    EXPECT_EQ(GetConnectionSeed(), 0xCAFEBABEu);
    EXPECT_TRUE(record->relayPending);
    EXPECT_EQ(record->relayAddress, 0x7F000001u);
    EXPECT_EQ(record->relayPort, 7776);
}

TEST_F(LoginHandlersTest, LoginDeniedShowsTheReasonAndEndsTheConnection) {
    PacketManager::SetAccountWebSite("accounts.example");
    struct Case {
        uint8_t reason;
        const char* text; // null: no message
        int value;
    };
    const Case cases[] = {
        {0,
         "Either the Account Name or Password you provided were incorrect.  If this is a new account your "
         "account "
         "may not be active yet.  Please try again shortly.",
         1},
        {1, "Someone is already using this account.", 0},
        {2,
         "Your account has been blocked. Please visit accounts.example for information on reactivating your "
         "account.",
         0},
        {3, "Your account credentials are invalid. Check your user ID and password and try again.", 0},
        {4, "There is some problem communicating with Halden. Please restart Varnis Online and try again.",
         0},
        {5, "The IGR concurrency limit has been met.", 0},
        {6, "The IGR time limit has been met.", 0},
        {7, "A general IGR authentication failure has occured.", 0},
        {254, nullptr, 0},
        {200, "There is some problem communicating with Halden. Please restart Varnis Online and try again.",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reason));
        frontEnd.modalMessages.clear();
        SetLostConnectionWatch(true);
        Feed(testshard::LoginDeniedPacket(c.reason));
        if (!c.text) {
            EXPECT_TRUE(frontEnd.modalMessages.empty());
        } else {
            ASSERT_EQ(frontEnd.modalMessages.size(), 1u);
            EXPECT_EQ(frontEnd.modalMessages[0].text, c.text);
            EXPECT_EQ(frontEnd.modalMessages[0].owner, MessageOwner::MainMenu);
            EXPECT_EQ(frontEnd.modalMessages[0].value, c.value);
        }
        EXPECT_FALSE(IsWatchingLostConnection());
    }
}

TEST_F(LoginHandlersTest, AnEndingOnAnAdditionalShardClosesThatShardOnly) {
    platform::TcpSocket listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
    ASSERT_TRUE(listener.IsOpen());
    struct Case {
        const char* name;
        Packet packet;
        const char* line;
    };
    const Case cases[] = {
        {"login denied", testshard::LoginDeniedPacket(3),
         "Your account credentials are invalid. Check your user ID and password and try again."},
        {"character online elsewhere", testshard::ErrorCodePacket(5),
         "Another character from this account is currently online in this world.  You must either log in as "
         "that character or wait for it to time out."},
        {"empty shard list", testshard::ShardListPacket(0, {}),
         "The Varnis Online servers are currently down.  Please try again in a few moments."},
    };
    ASSERT_EQ(current().Connect(platform::kLoopback, listener.LocalPort()), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frontEnd.systemMessages.clear();
        ShardRecord* secondary = AddSecondary("Beta");
        CGameSock* connection = secondary->connection;
        ASSERT_EQ(connection->Connect(platform::kLoopback, listener.LocalPort()), 1);
        qvtest::Dispatch(*connection, c.packet);
        EXPECT_FALSE(connection->IsOpen());
        EXPECT_TRUE(IsQueuedForDeletion(connection));
        EXPECT_EQ(CApp::ShardRecords(), std::vector<ShardRecord*>({record}));
        EXPECT_EQ(frontEnd.systemMessages, std::vector<std::string>({c.line}));
        // The shard the player is on is untouched: open, current, watched, its screens as they were.
        ASSERT_TRUE(current().IsOpen());
        EXPECT_EQ(GetCurrentConnection(), &current());
        EXPECT_TRUE(IsWatchingLostConnection());
        EXPECT_TRUE(frontEnd.modalMessages.empty());
        EXPECT_TRUE(frontEnd.serversDown.empty());
        EXPECT_EQ(frontEnd.waitingDeleted, 0);
        PollNetwork();
        EXPECT_EQ(CApp::ShardRecords(), std::vector<ShardRecord*>({record}));
        EXPECT_EQ(frontEnd.connectionLost, 0);
    }
}

TEST_F(LoginHandlersTest, ErrorCodesShowTheirMessages) {
    const char* const cannotAttach =
        "The client could not attach to the game server. It must have been taken "
        "down, please wait a few minutes and try again.";
    struct Case {
        uint8_t code;
        bool selection;
        const char* text;
        MessageOwner owner;
        bool disconnects;
    };
    const Case cases[] = {
        {0, true, "Incorrect password.", MessageOwner::CharacterSelection, false},
        {0, false, "You entered an incorrect password.  Closing...", MessageOwner::MainMenu, false},
        {1, true, "This character does not exist anymore.  You will have to recreate it.",
         MessageOwner::CharacterSelection, false},
        {2, true, "This character already exists.\nPlaying...", MessageOwner::CharacterSelection, false},
        {3, true, cannotAttach, MessageOwner::CharacterSelection, false},
        {4, false, cannotAttach, MessageOwner::MainMenu, false},
        {5, true,
         "Another character from this account is currently online in this world.  You must either log in as "
         "that character or wait for it to time out.",
         MessageOwner::MainMenu, true},
        {6, true,
         "An error has occurred in the synchronization between the login servers and this world.  Please "
         "close "
         "your client and try again.",
         MessageOwner::CharacterSelection, false},
        {7, true,
         "You have been idle for too long.  If you do not do anything in the next minute, you will be logged "
         "out.",
         MessageOwner::CharacterSelection, false},
        {9, false, cannotAttach, MessageOwner::MainMenu, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        frontEnd.modalMessages.clear();
        frontEnd.selectionRemovals = 0;
        frontEnd.characterSelectionOpen = c.selection;
        SetLostConnectionWatch(true);
        Feed(testshard::ErrorCodePacket(c.code));
        ASSERT_EQ(frontEnd.modalMessages.size(), 1u);
        EXPECT_EQ(frontEnd.modalMessages[0].text, c.text);
        EXPECT_EQ(frontEnd.modalMessages[0].owner, c.owner);
        EXPECT_EQ(IsWatchingLostConnection(), !c.disconnects);
        EXPECT_EQ(frontEnd.selectionRemovals, c.code == 1 ? 1 : 0);
    }
}

TEST_F(LoginHandlersTest, AMissingCharacterWithoutTheSelectionEndsTheProcess) {
    qvtest::ReportRecorder report;
    frontEnd.characterSelectionOpen = false;
    try {
        Feed(testshard::ErrorCodePacket(1));
        FAIL() << "the process did not end";
    } catch (const qvtest::ProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
    EXPECT_EQ(frontEnd.messageBoxes,
              std::vector<std::string>({"Access Denied!: Character does not exist.\n Closing..."}));
    EXPECT_EQ(frontEnd.igrStops, 1);
}

void ExpectWorldEntry(LoginHandlersTest& t, qvtest::FrontEndRecorder& frontEnd, ShardRecord* record,
                      bool tips);

TEST_F(LoginHandlersTest, TheLoginConfirmationPutsThePlayerInTheWorldAndGreetsTheServer) {
    ExpectWorldEntry(*this, frontEnd, record, false);
}

TEST_F(LoginHandlersTest, WithTipsOnTheGreetingAsksForTheNextTip) {
    ExpectWorldEntry(*this, frontEnd, record, true);
}

void ExpectWorldEntry(LoginHandlersTest&, qvtest::FrontEndRecorder& frontEnd, ShardRecord* record,
                      bool tips) {
    GetNetServices().tipsEnabled = [tips] { return tips; };
    GetNetServices().lastTipNumber = [] { return 7; };
    CApp::SetName("Tester");
    testshard::Script script;
    script.serial = 0x00ABCDEF;
    script.x = 1234;
    script.y = 2345;
    script.z = -7;
    qvtest::Dispatch(*record->connection, testshard::LoginConfirmPacket(script));

    ASSERT_EQ(frontEnd.placements.size(), 1u);
    const LoginConfirmation& c = frontEnd.placements[0];
    EXPECT_EQ(c.serial, 0x00ABCDEFu);
    EXPECT_EQ(c.body, 400);
    EXPECT_EQ(c.x, 1234);
    EXPECT_EQ(c.y, 2345);
    EXPECT_EQ(c.z, -7);
    EXPECT_EQ(c.facing, 2);
    EXPECT_EQ(c.boundsWidth, 6144);
    EXPECT_EQ(c.boundsHeight, 4096);
    EXPECT_TRUE(IsInWorld());
    EXPECT_TRUE(record->connection->IsLoggedIn());
    EXPECT_EQ(CApp::GetPlayerSerial(), 0x00ABCDEFu);
    EXPECT_EQ(record->playerSerial, 0x00ABCDEFu);
    EXPECT_EQ(frontEnd.titles.back(), "Tester (Alpha)");
    EXPECT_TRUE(frontEnd.HasSystemMessage("Login confirm on Alpha"));
    EXPECT_TRUE(frontEnd.HasSystemMessage("Welcome to Varnis Online!"));

    const std::vector<Packet> sent = Queued(*record->connection);
    const std::vector<uint8_t> expected = tips
                                              ? std::vector<uint8_t>{0xC8, 0xA7, 0x34, 0xBD, 0xBF, 0xBF, 0xBF}
                                              : std::vector<uint8_t>{0xC8, 0x34, 0xBD, 0xBF, 0xBF, 0xBF};
    ASSERT_EQ(Ids(sent), expected);
    size_t at = 0;
    EXPECT_EQ(sent[at++], Packet({0xC8, 18}));
    if (tips) {
        EXPECT_EQ(sent[at++], Packet({0xA7, 0, 7, 1}));
    }
    EXPECT_EQ(sent[at++], Packet({0x34, 0xED, 0xED, 0xED, 0xED, 5, 0x00, 0xAB, 0xCD, 0xEF}));
    EXPECT_EQ(sent[at++], Packet({0xBD, 0, 10, '3', '.', '0', '.', '6', 'j', 0}));
    EXPECT_EQ(sent[at++], Packet({0xBF, 0, 13, 0, 5, 0, 0, 0x02, 0x80, 0, 0, 0x01, 0xE0}));
    EXPECT_EQ(sent[at++], Packet({0xBF, 0, 9, 0, 11, 'E', 'N', 'U', 0}));
    EXPECT_EQ(sent[at++], Packet({0xBF, 0, 10, 0, 15, 10, 0, 0, 0, 7}));
}

TEST_F(LoginHandlersTest, ALoginConfirmationOnASecondaryShardOnlyUpdatesItsRecord) {
    ShardRecord* secondary = AddSecondary("Beta");
    secondary->connection->SetGameMode(true);
    testshard::Script script;
    script.serial = 0x4242;
    script.x = 99;
    qvtest::Dispatch(*secondary->connection, testshard::LoginConfirmPacket(script));
    EXPECT_EQ(secondary->playerSerial, 0x4242u);
    EXPECT_EQ(secondary->saved.x, 99);
    EXPECT_TRUE(secondary->connection->IsLoggedIn());
    EXPECT_TRUE(frontEnd.placements.empty());
    EXPECT_FALSE(IsInWorld());
    EXPECT_EQ(secondary->connection->SendFill(), 0);
    EXPECT_EQ(current().SendFill(), 0);
}

TEST_F(LoginHandlersTest, LoginCompleteEntersTheGameDisplayOnceTheMessageIsClosed) {
    Feed({0x55});
    EXPECT_TRUE(PacketManager::IsGameDisplayEntered());
    EXPECT_EQ(frontEnd.gameDisplays, 1);

    PacketManager::SetGameDisplayEntered(false);
    frontEnd.acknowledgeBoxOpen = true;
    Feed({0x55});
    EXPECT_FALSE(PacketManager::IsGameDisplayEntered());
    ASSERT_NE(frontEnd.deferredStep, nullptr);
    frontEnd.deferredStep(); // the player closes the box
    EXPECT_TRUE(PacketManager::IsGameDisplayEntered());
    EXPECT_EQ(frontEnd.gameDisplays, 2);
}

// ---------------------------------------------------------------- the shard list

TEST_F(LoginHandlersTest, TheShardListFillsTheTablesWithinThePacket) {
    GetNetServices().clientTimeZoneOffset = [] { return -5; };
    const std::vector<testshard::ShardListing> shards = {
        {"Alpha", 0x0A000001, 10, 1},
        {"", 0x0A000002, 0, 0},
        {"A shard with twenty", 0x0A000003, 99, -8},
    };
    Packet packet = testshard::ShardListPacket(0x33, shards);
    packet[4] = 0;
    packet[5] = 9; // claims nine shards; three follow
    Feed(packet);

    const PacketManager::LoginTables& tables = PacketManager::GetLoginTables();
    ASSERT_EQ(tables.servers.size(), 2u);
    EXPECT_EQ(tables.servers[0].name, "Alpha");
    EXPECT_EQ(tables.servers[0].timeZoneDistance, 6);
    EXPECT_EQ(tables.servers[1].index, 2);
    EXPECT_EQ(tables.servers[1].name, "A shard with tw");
    EXPECT_EQ(tables.servers[1].percentFull, 99);
    EXPECT_EQ(tables.servers[1].timeZone, -8);
    EXPECT_EQ(tables.servers[1].timeZoneDistance, 3);
    ASSERT_NE(CLatencyProbe::Get(), nullptr);
    EXPECT_EQ(CLatencyProbe::Get()->HostCount(), 2);
    EXPECT_EQ(CLatencyProbe::Get()->GetHost(tables.servers[1].probeHost)->address, 0x0A000003u);
    EXPECT_EQ(frontEnd.serverLists, 1);
    EXPECT_EQ(CApp::GetNextLoginKey(), 0x33);
    EXPECT_EQ(frontEnd.savedKeys.back(), std::make_pair(std::string("NextLoginKey"), std::string("51")));

    // The machine description goes with the first list only.
    EXPECT_EQ(Ids(Queued(current())), std::vector<uint8_t>({0xA4}));
    Feed(packet);
    EXPECT_EQ(Ids(Queued(current())), std::vector<uint8_t>({0xA4}));
}

// The latency probe lives as long as the shard list: the relay after a choice and a dropped
// connection close the list and end it; a secondary shard's list is never shown and starts none.
TEST_F(LoginHandlersTest, TheLatencyProbeLivesOnlyWhileTheShardListIsOpen) {
    const Packet list = testshard::ShardListPacket(0, {{"Alpha", 0x0A000001, 10, 1}});
    struct Case {
        const char* what;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"a shard was chosen", [&] { Feed(testshard::RelayPacket(0x7F000001, 7776, 1)); }},
        {"the connection was dropped", [] { Disconnect(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Feed(list);
        ASSERT_NE(CLatencyProbe::Get(), nullptr);
        c.close();
        EXPECT_EQ(CLatencyProbe::Get(), nullptr);
    }
    ShardRecord* secondary = AddSecondary("Alpha");
    qvtest::Dispatch(*secondary->connection, list);
    EXPECT_EQ(CLatencyProbe::Get(), nullptr);
}

// The handler neither looks at the machine nor writes the settings store: the description is
// stored after the packet, in one writing.
TEST_F(LoginHandlersTest, TheShardListLeavesStoringTheMachineDescriptionToTheMainLoop) {
    PrepareHWProfile(); // as the main loop's first pass does
    qvtest::ReplacementCounter writes(platform::RegistryFilePath());
    Feed(testshard::ShardListPacket(0x33, {{"Alpha"}}));
    EXPECT_EQ(Ids(Queued(current())), std::vector<uint8_t>({0xA4}));
    EXPECT_EQ(writes.count(), 0);
    EXPECT_TRUE(IsHWProfileSaveQueued());

    SaveQueuedHWProfile();
    EXPECT_EQ(writes.count(), 1);
    HWProfile stored;
    ASSERT_TRUE(LoadHWProfile(stored));
    EXPECT_TRUE(PacketManager::SystemInfoEquals(stored, MachineHWProfile()));

    // A later run finds it stored and sends nothing.
    ResetHWProfileForTests();
    Feed(testshard::ShardListPacket(0x33, {{"Alpha"}}));
    EXPECT_EQ(Ids(Queued(current())), std::vector<uint8_t>({0xA4}));
    EXPECT_FALSE(IsHWProfileSaveQueued());
}

TEST_F(LoginHandlersTest, AnEmptyShardListSaysTheServersAreDown) {
    Feed(testshard::ShardListPacket(0, {}));
    EXPECT_EQ(frontEnd.serversDown,
              std::vector<std::string>({"The Varnis Online servers are currently down.  "
                                        "Please try again in a few moments."}));
    EXPECT_FALSE(IsWatchingLostConnection());
    EXPECT_EQ(frontEnd.serverLists, 0);
}

TEST_F(LoginHandlersTest, ASecondaryShardChoosesItsShardFromTheList) {
    SetEditServer(true); // login-phase packets are queued plain
    ShardRecord* secondary = AddSecondary("beta");
    qvtest::Dispatch(*secondary->connection, testshard::ShardListPacket(0, {{"Alpha"}, {"Beta"}}));
    // The machine description goes first, on the connection whose list it is.
    const std::vector<Packet> sent = Queued(*secondary->connection);
    EXPECT_EQ(Ids(sent), std::vector<uint8_t>({0xA4, 0xA0}));
    EXPECT_EQ(sent.back(), Packet({0xA0, 0, 1}));
    EXPECT_EQ(frontEnd.serverLists, 0);

    ShardRecord* missing = AddSecondary("Gamma");
    CGameSock* connection = missing->connection;
    qvtest::Dispatch(*connection, testshard::ShardListPacket(0, {{"Alpha"}}));
    EXPECT_TRUE(frontEnd.HasSystemMessage("Gamma is not in the server list!"));
    EXPECT_EQ(CApp::FindShardRecordByName("Gamma"), nullptr);
    EXPECT_TRUE(IsQueuedForDeletion(connection));
    EXPECT_EQ(GetActiveShardRecord(), nullptr);
}

// ---------------------------------------------------------------- the character lists

Packet CharacterList(const std::vector<std::string>& names, size_t cut = 0) {
    Packet p = testshard::CharacterListPacket(names);
    if (cut) p.resize(cut);
    return WithLength(p);
}

TEST_F(LoginHandlersTest, TheCharacterListOpensTheSelectionWithTheNamedSlots) {
    const std::string thirty(30, 'N'); // no room for a terminator
    Feed(CharacterList({thirty, "", "Third"}));
    ASSERT_EQ(frontEnd.characterSelections.size(), 1u);
    const std::vector<CharacterEntry>& rows = frontEnd.characterSelections[0];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, thirty);
    EXPECT_EQ(rows[0].slot, 0);
    EXPECT_EQ(rows[1].name, "Third");
    EXPECT_EQ(rows[1].slot, 2);
    const PacketManager::LoginTables& tables = PacketManager::GetLoginTables();
    ASSERT_EQ(tables.cities.size(), 9u) << "the test server's start cities";
    EXPECT_EQ(tables.cities[0].text, "Ashwold: The Charcoal Inn");
    EXPECT_EQ(tables.cities[8].index, 8);
    EXPECT_EQ(frontEnd.clientFlags, std::vector<uint32_t>({0x08}));
    EXPECT_EQ(frontEnd.creations, 0);
}

TEST_F(LoginHandlersTest, ACharacterListThatEndsEarlyKeepsWhatItHolds) {
    // The packet ends inside the third slot: no cities, no flags.
    Feed(CharacterList({"One", "Two", "Three", "Four"}, 4 + 2 * 60 + 20));
    ASSERT_EQ(frontEnd.characterSelections.size(), 1u);
    EXPECT_EQ(frontEnd.characterSelections[0].size(), 2u);
    EXPECT_TRUE(PacketManager::GetLoginTables().cities.empty());

    Feed(CharacterList({}));
    EXPECT_EQ(frontEnd.creations, 1) << "no characters: the creation screens start";
}

TEST_F(LoginHandlersTest, ASecondaryShardPlaysItsFirstCharacterAtOnce) {
    ShardRecord* secondary = AddSecondary("Beta");
    CGameSock* connection = secondary->connection;
    connection->SetGameMode(true);
    qvtest::Dispatch(*connection, CharacterList({"", "Second"}));
    const std::vector<Packet> sent = Queued(*connection);
    ASSERT_EQ(Ids(sent), std::vector<uint8_t>({0x5D}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&sent[0][5])), "account");
    EXPECT_EQ(sent[0][68], 1) << "slot 1";
    EXPECT_EQ(CApp::GetName(), "Second");
    EXPECT_EQ(secondary->playerName, "Second");
    EXPECT_TRUE(frontEnd.HasSystemMessage("Connected to Beta with Second"));
    EXPECT_TRUE(frontEnd.characterSelections.empty());

    ShardRecord* empty = AddSecondary("Gamma");
    empty->connection->SetGameMode(true);
    qvtest::Dispatch(*empty->connection, CharacterList({}));
    EXPECT_TRUE(frontEnd.HasSystemMessage("You have no characters on Gamma!"));
    EXPECT_EQ(empty->connection->SendFill(), 0);
    EXPECT_EQ(empty->closeRequest, 1);
}

TEST_F(LoginHandlersTest, TheListUpdateAndDeleteErrorsNeedTheSelection) {
    Packet update = {0x86, 0, 0, 2};
    PutText(update, "Kept", 30);
    PutText(update, "", 30);
    PutText(update, "Also", 30);
    update = WithLength(update); // ends after three slots
    Feed(update);
    Feed({0x85, 1});
    EXPECT_TRUE(frontEnd.refreshedSelections.empty());
    EXPECT_TRUE(frontEnd.modalMessages.empty());

    frontEnd.characterSelectionOpen = true;
    Feed(update);
    ASSERT_EQ(frontEnd.refreshedSelections.size(), 1u);
    EXPECT_EQ(frontEnd.refreshedSelections[0].size(), 1u) << "the second slot is cut by the packet's end";
    EXPECT_EQ(frontEnd.refreshedSelections[0][0].name, "Kept");

    const std::pair<uint8_t, const char*> reasons[] = {
        {0, "That character password is invalid."},
        {1, "That character does not exist."},
        {2, "That character is being played right now."},
        {3, "That character is not old enough to delete. The character must be 7 days old before it can be "
            "deleted."},
        {4, "That character is currently queued for backup and cannot be deleted."},
        {5, "Couldn't carry out your request."},
    };
    for (const auto& [reason, text] : reasons) {
        frontEnd.modalMessages.clear();
        Feed({0x85, reason});
        ASSERT_EQ(frontEnd.modalMessages.size(), 1u);
        EXPECT_EQ(frontEnd.modalMessages[0].text, text);
        EXPECT_EQ(frontEnd.modalMessages[0].owner, MessageOwner::CharacterSelection);
    }
}

TEST_F(LoginHandlersTest, TheCombinedListShufflesCityGroupsAndDropsCitiesOutsideTheTable) {
    Packet p = {0x81, 0, 0, 0, 0x44};
    for (int slot = 0; slot < 5; ++slot) {
        PutText(p, "", 30);
        PutText(p, "", 30);
    }
    p.push_back(1); // one shard
    p.push_back(7);
    PutText(p, "Shard of the list", 16);
    const std::vector<std::pair<int, std::string>> cities = {
        {0, "Inn"}, {1, "Inn"}, {2, "Port"}, {9, "Keep"}, {3, "Port"}};
    p.push_back(static_cast<uint8_t>(cities.size()));
    for (const auto& [index, city] : cities) {
        p.push_back(static_cast<uint8_t>(index));
        PutText(p, city, 31);
        PutText(p, "Area", 31);
    }
    Feed(WithLength(p));
    const PacketManager::LoginTables& tables = PacketManager::GetLoginTables();
    ASSERT_EQ(tables.servers.size(), 1u);
    EXPECT_EQ(tables.servers[0].name, "Shard of the li");
    EXPECT_EQ(tables.servers[0].index, 7);
    ASSERT_EQ(tables.cities.size(), 4u) << "index 9 has no place in a table of five";
    std::vector<int> order;
    for (const PacketManager::CityEntry& city : tables.cities)
        order.push_back(city.index);
    // The groups (Inn, Port) come in a random order; a group keeps its entries' order.
    for (size_t i = 0; i + 1 < order.size(); ++i)
        if (tables.cities[i].text == tables.cities[i + 1].text) {
            EXPECT_LT(order[i], order[i + 1]);
        }
    EXPECT_EQ(frontEnd.shardChoiceLists, 1);
    EXPECT_EQ(CApp::GetNextLoginKey(), 0x44);
}

TEST_F(LoginHandlersTest, VersionRequestsAreAnsweredOnTheConnectionThatAsked) {
    ShardRecord* secondary = AddSecondary("Beta");
    secondary->connection->SetGameMode(true);
    qvtest::Dispatch(*secondary->connection, {0xBE, 0, 7, 0x01, 0x02, 0x03, 0x04});
    qvtest::Dispatch(*secondary->connection, {0xBD, 0, 3});
    EXPECT_EQ(Queued(*secondary->connection),
              std::vector<Packet>({{0xBE, 0, 14, 1, 2, 3, 4, '3', '.', '0', '.', '6', 'j', 0},
                                   {0xBD, 0, 10, '3', '.', '0', '.', '6', 'j', 0}}));
    EXPECT_EQ(current().SendFill(), 0);
}

TEST_F(LoginHandlersTest, TheGameRoomParametersNeedBothStringsInsideThePacket) {
    Packet p = {0xCE, 0, 0, 0, 0, 0x1F, 0x90, 0, 0, 0, 60};
    PutText(p, "ROOM", 16);
    PutText(p, "CONTEXT", 36);
    p.insert(p.end(), {0, 0, 0, 3});
    const std::string host = "reports.example";
    p.insert(p.end(), host.begin(), host.end());
    p.push_back(0);
    const std::string path = "/session";
    p.insert(p.end(), path.begin(), path.end());
    Feed(WithLength(p)); // the path has no terminator
    EXPECT_TRUE(frontEnd.gameRooms.empty());

    p.push_back(0);
    CApp::SetAccount("", "");
    Feed(WithLength(p));
    ASSERT_EQ(frontEnd.gameRooms.size(), 1u);
    const GameRoomSessionFields& f = frontEnd.gameRooms[0];
    EXPECT_EQ(f.userName, "default");
    EXPECT_EQ(f.port, 8080u);
    EXPECT_EQ(f.heartbeatSeconds, 60u);
    EXPECT_EQ(f.roomId, "ROOM");
    EXPECT_EQ(f.contextId, "CONTEXT");
    EXPECT_EQ(f.serviceId, 3u);
    EXPECT_EQ(f.host, host);
    EXPECT_EQ(f.path, path);
}

} // namespace
