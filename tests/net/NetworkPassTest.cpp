// The network pass, the dispatch table, the secondary-shard filter, the failure handling of game
// connections and the keep-alive.
#include "app/multcli.h"
#include "core/GameTicks.h"
#include "net/CGameSock.h"
#include "net/PacketLengthTable.h"
#include "net/PacketManager.h"
#include "platform/sockets.h"
#include "support/NetTestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> g_dispatched;
void RecordDispatch(const uint8_t* packet, int) {
    g_dispatched.push_back(packet[0]);
}

class NetworkPassTest : public qvtest::NetFixture {
  protected:
    void SetUp() override {
        qvtest::NetFixture::SetUp();
        g_dispatched.clear();
        SetPacketObserver(RecordDispatch);
    }

    // A shard record with a connection of its own; the first one made is current.
    ShardRecord* AddShard(const std::string& name) {
        ShardRecord* record = CApp::AddShardRecord();
        record->name = name;
        record->connection = new CGameSock;
        if (!CApp::GetCurrentRecord()) {
            CApp::SetCurrentRecord(record);
            SetCurrentConnection(record->connection);
        }
        return record;
    }

    qvtest::FrontEndRecorder frontEnd;
};

TEST(DispatchTable, EveryHandledIdHasItsHandlerAndNoOtherIdHasOne) {
    const std::map<int, std::string> handled = {{0x11, "HandleStatus"},
                                                {0x15, "HandleFollow"},
                                                {0x1A, "HandleWorldItem"},
                                                {0x1B, "HandleLoginConfirm"},
                                                {0x1C, "HandleAsciiSpeech"},
                                                {0x1D, "HandleDeleteObject"},
                                                {0x20, "HandlePlayerUpdate"},
                                                {0x21, "HandleMoveReject"},
                                                {0x22, "HandleMoveAck"},
                                                {0x23, "HandleDragAnimation"},
                                                {0x24, "HandleOpenContainer"},
                                                {0x25, "HandleContainerItem"},
                                                {0x27, "HandleLiftRejected"},
                                                {0x28, "HandleDropCleared"},
                                                {0x29, "HandleDropDone"},
                                                {0x2C, "HandleDeathStatus"},
                                                {0x2D, "HandleMobileAttributes"},
                                                {0x2E, "HandleEquipItem"},
                                                {0x2F, "HandleCombatSwing"},
                                                {0x30, "HandleSetCombatant"},
                                                {0x31, "HandleClearCombatant"},
                                                {0x38, "HandlePathfind"},
                                                {0x39, "HandleGroupMessage"},
                                                {0x3A, "HandleSkills"},
                                                {0x3B, "HandleBuyReply"},
                                                {0x3C, "HandleContainerContents"},
                                                {0x3E, "HandleEditData3E"},
                                                {0x3F, "HandleEditStaticsBlock"},
                                                {0x40, "HandleEditMapBlock"},
                                                {0x41, "HandleEditTiledataGroup"},
                                                {0x42, "HandleEditArt"},
                                                {0x43, "HandleEditData43"},
                                                {0x44, "HandleEditData44"},
                                                {0x45, "HandleEditData45"},
                                                {0x4E, "HandlePersonalLight"},
                                                {0x4F, "HandleLightLevel"},
                                                {0x53, "HandleErrorCode"},
                                                {0x54, "HandlePlaySound"},
                                                {0x55, "HandleLoginComplete"},
                                                {0x56, "HandleMapPlot"},
                                                {0x57, "HandleRegionRecord"},
                                                {0x5B, "HandleTime"},
                                                {0x5C, "HandleEditServerByte"},
                                                {0x65, "HandleWeather"},
                                                {0x66, "HandleBookPages"},
                                                {0x69, "HandleIgnoredTwoBytes"},
                                                {0x6A, "HandleIgnoredTwoBytes"},
                                                {0x6C, "HandleTargetRequest"},
                                                {0x6D, "HandlePlayMusic"},
                                                {0x6E, "HandleMobileAnimation"},
                                                {0x6F, "HandleSecureTrade"},
                                                {0x70, "HandleGraphicEffect"},
                                                {0x71, "HandleBulletinBoard"},
                                                {0x72, "HandleWarMode"},
                                                {0x73, "HandlePingEcho"},
                                                {0x74, "HandleShopList"},
                                                {0x76, "HandleServerBoundary"},
                                                {0x77, "HandleMobileMoving"},
                                                {0x78, "HandleMobileIncoming"},
                                                {0x7B, "HandleSequence"},
                                                {0x7C, "HandleItemListMenu"},
                                                {0x81, "HandleCharacterShardList"},
                                                {0x82, "HandleLoginDenied"},
                                                {0x85, "HandleCharacterDeleteError"},
                                                {0x86, "HandleCharacterListUpdate"},
                                                {0x88, "HandleOpenPaperdoll"},
                                                {0x89, "HandleCorpseEquipment"},
                                                {0x8B, "HandleSignGump"},
                                                {0x8C, "HandleRelay"},
                                                {0x90, "HandleOpenCourseMap"},
                                                {0x92, "HandleEditMultiData"},
                                                {0x93, "HandleBookHeader"},
                                                {0x94, "HandleEditCacheItem"},
                                                {0x95, "HandleDyeRequest"},
                                                {0x97, "HandleMovePlayer"},
                                                {0x98, "HandleNameReply"},
                                                {0x99, "HandleMultiPlacementTarget"},
                                                {0x9A, "HandleAsciiPrompt"},
                                                {0x9E, "HandleSellList"},
                                                {0xA1, "HandleHitsUpdate"},
                                                {0xA2, "HandleManaUpdate"},
                                                {0xA3, "HandleStaminaUpdate"},
                                                {0xA5, "HandleOpenWebLink"},
                                                {0xA6, "HandleTipNotice"},
                                                {0xA8, "HandleServerList"},
                                                {0xA9, "HandleCharacterList"},
                                                {0xAA, "HandleAttackTarget"},
                                                {0xAB, "HandleTextEntryGump"},
                                                {0xAE, "HandleUnicodeSpeech"},
                                                {0xAF, "HandleDeathAnimation"},
                                                {0xB0, "HandleGenericGump"},
                                                {0xB2, "HandleChatMessage"},
                                                {0xB3, "HandleChatText"},
                                                {0xB4, "HandleMultiPlacementTargetList"},
                                                {0xB5, "HandlePingEcho"},
                                                {0xB7, "HandleObjectHelp"},
                                                {0xB8, "HandleProfile"},
                                                {0xB9, "HandleFeatures"},
                                                {0xBA, "HandlePointer"},
                                                {0xBB, "HandleIgnoredTwoWords"},
                                                {0xBC, "HandleSeason"},
                                                {0xBD, "HandleVersionRequest"},
                                                {0xBE, "HandleVersionTokenRequest"},
                                                {0xBF, "HandleExtendedCommand"},
                                                {0xC0, "HandleHuedEffect"},
                                                {0xC1, "HandleLocalizedMessage"},
                                                {0xC2, "HandleUnicodePrompt"},
                                                {0xC3, "HandleGlobalQueuePage"},
                                                {0xC4, "HandleMarkMobile"},
                                                {0xC6, "HandleMapCheckEnable"},
                                                {0xC7, "HandleEffectEx"},
                                                {0xC8, "HandleViewRange"},
                                                {0xC9, "HandleIgnoredByteWord"},
                                                {0xCA, "HandleIgnoredByteWord"},
                                                {0xCB, "HandleGlobalQueueCount"},
                                                {0xCC, "HandleLocalizedMessageAffix"},
                                                {0xCD, "DoNothing"},
                                                {0xCE, "HandleIgrSession"},
                                                {0xD0, "HandleConfigFile"},
                                                {0xD1, "HandleLogoutReply"},
                                                {0xD2, "HandleMobileMovingEx"},
                                                {0xD3, "HandleMobileIncomingEx"},
                                                {0xD4, "HandleBookHeaderVariable"}};
    for (int id = 0; id < kPacketIdCount; ++id) {
        SCOPED_TRACE(id);
        const PacketLengthRow& row = PacketLengthTable[id];
        const auto it = handled.find(id);
        if (it == handled.end()) {
            EXPECT_EQ(row.handler, nullptr);
        } else {
            EXPECT_NE(row.handler, nullptr);
            EXPECT_EQ(it->second, row.name);
        }
    }
    EXPECT_EQ(PacketLengthTable[0x8C].handler, &PacketManager::HandleRelay);
    EXPECT_EQ(PacketLengthTable[0x69].handler, PacketLengthTable[0x6A].handler);
}

TEST_F(NetworkPassTest, ASecondaryShardInTheGamePhaseKeepsOnlyItsOwnMessages) {
    ShardRecord* primary = AddShard("Alpha");
    ShardRecord* secondary = AddShard("Beta");
    secondary->connection->SetGameMode(true);
    const std::vector<uint8_t> speech = {0x1C, 0, 0, 1, 2, 3, 4};
    const std::vector<uint8_t> extended = {0xBF, 0, 0, 0, 0x24};
    qvtest::Dispatch(*secondary->connection, speech);
    EXPECT_TRUE(g_dispatched.empty());
    EXPECT_TRUE(secondary->connection->ReceivedPackets().Ids().empty()) << "a dropped packet is not counted";
    qvtest::Dispatch(*secondary->connection, extended);
    EXPECT_EQ(g_dispatched, std::vector<uint8_t>({0xBF}));
    EXPECT_EQ(GetActiveShardRecord(), secondary);

    // The current connection, and a secondary one still in the login phase, take everything.
    qvtest::Dispatch(*primary->connection, speech);
    secondary->connection->SetGameMode(false);
    qvtest::Dispatch(*secondary->connection, speech);
    EXPECT_EQ(g_dispatched, std::vector<uint8_t>({0xBF, 0x1C, 0x1C}));
}

TEST_F(NetworkPassTest, AFailingSecondaryShardIsDroppedWithoutAWord) {
    ShardRecord* primary = AddShard("Alpha");
    ShardRecord* secondary = AddShard("Beta");
    CGameSock* failing = secondary->connection;
    SetLostConnectionWatch(true);
    SetActiveShardRecord(secondary);
    failing->OnError("exception state on socket");
    EXPECT_EQ(CApp::ShardRecords(), std::vector<ShardRecord*>({primary}));
    EXPECT_TRUE(IsQueuedForDeletion(failing));
    EXPECT_EQ(GetActiveShardRecord(), nullptr);
    EXPECT_EQ(GetCurrentConnection(), primary->connection);
    EXPECT_TRUE(frontEnd.systemMessages.empty());
    EXPECT_EQ(frontEnd.connectionLost, 0);
    PollNetwork(); // deletes it
    EXPECT_FALSE(IsQueuedForDeletion(failing));
}

TEST_F(NetworkPassTest, WhenTheCurrentShardFailsAnotherOneBecomesCurrent) {
    ShardRecord* primary = AddShard("Alpha");
    ShardRecord* secondary = AddShard("Beta");
    secondary->playerSerial = 0x777;
    secondary->saved.x = 10;
    secondary->saved.y = 20;
    secondary->saved.z = -3;
    SetLostConnectionWatch(true);
    SetActiveShardRecord(primary);
    primary->connection->OnError("socket error in send");
    EXPECT_EQ(CApp::ShardRecords(), std::vector<ShardRecord*>({secondary}));
    EXPECT_EQ(CApp::GetCurrentRecord(), secondary);
    EXPECT_EQ(GetCurrentConnection(), secondary->connection);
    EXPECT_EQ(CApp::GetPlayerSerial(), 0x777u);
    EXPECT_EQ(frontEnd.worldReleases, 1);
    EXPECT_TRUE(frontEnd.HasSystemMessage("Switching server!"));
    EXPECT_EQ(frontEnd.speech, std::vector<std::string>({"=tp (10 20 -3)"}));
    EXPECT_EQ(frontEnd.connectionLost, 0);
}

TEST_F(NetworkPassTest, TheLastShardFailingIsAConnectionLostWhileTheClientWatches) {
    for (const bool watching : {true, false}) {
        SCOPED_TRACE(watching);
        qvtest::FrontEndRecorder recorder;
        int frames = 0;
        GetNetServices().drawFrame = [&] { ++frames; };
        ShardRecord* only = AddShard("Alpha");
        CGameSock* connection = only->connection;
        const uint32_t failedId = connection->Id();
        SetLostConnectionWatch(watching);
        SetActiveShardRecord(only);
        connection->OnError("Exiting due to closed connection.");
        EXPECT_TRUE(CApp::ShardRecords().empty());
        EXPECT_EQ(recorder.connectionLost, watching ? 1 : 0);
        EXPECT_EQ(frames, watching ? 1 : 0);
        // Once the queued connection is gone the pass makes a new, unconnected one.
        PollNetwork();
        ASSERT_NE(GetCurrentConnection(), nullptr);
        // The new object may reuse the deleted one's memory: ids tell them apart.
        EXPECT_NE(GetCurrentConnection()->Id(), failedId);
        EXPECT_FALSE(IsConnected());
        ResetNetworkForTests();
    }
}

TEST_F(NetworkPassTest, AConnectionQueuedTwiceIsDeletedOnce) {
    CGameSock* connection = CreateGameSock();
    const uint32_t queuedId = connection->Id();
    QueueSocketForDeletion(connection);
    QueueSocketForDeletion(connection);
    PollNetwork(); // a double delete would be caught by the address sanitizer
    ASSERT_NE(GetCurrentConnection(), nullptr);
    EXPECT_NE(GetCurrentConnection()->Id(), queuedId);
    EXPECT_FALSE(IsQueuedForDeletion(connection));
}

TEST_F(NetworkPassTest, ACloseRequestEndsTheShardInTheNextPass) {
    platform::TcpSocket listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
    ShardRecord* alpha = AddShard("Alpha");
    ShardRecord* beta = AddShard("Beta");
    ASSERT_EQ(alpha->connection->Connect(platform::kLoopback, listener.LocalPort()), 1);
    ASSERT_EQ(beta->connection->Connect(platform::kLoopback, listener.LocalPort()), 1);
    beta->closeRequest = 1;
    PollNetwork();
    EXPECT_EQ(CApp::ShardRecords().size(), 1u);
    EXPECT_EQ(CApp::ShardRecords()[0]->name, "Alpha");
}

TEST_F(NetworkPassTest, AServerStalledInTheMiddleOfAPacketIsALostConnection) {
    platform::UseManualClock(1000, 0);
    platform::TcpSocket listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
    ShardRecord* only = AddShard("Alpha");
    CGameSock* connection = only->connection;
    ASSERT_EQ(connection->Connect(platform::kLoopback, listener.LocalPort()), 1);
    platform::TcpSocket peer = listener.Accept(5000);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return connection->IsEstablished(); }));
    SetLostConnectionWatch(true);
    const uint8_t part[] = {0x1C, 0x00, 0x20, 0x01}; // 4 bytes of 32
    ASSERT_TRUE(peer.SendAll(part, sizeof part));
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return connection->ReceivedMeter().Total() == sizeof part; }));
    platform::AdvanceManualClock(CClientSock::kStallTimeoutMs - 1);
    PollNetwork();
    EXPECT_EQ(frontEnd.connectionLost, 0);
    platform::AdvanceManualClock(1);
    PollNetwork();
    EXPECT_TRUE(CApp::ShardRecords().empty());
    EXPECT_EQ(frontEnd.connectionLost, 1);
    EXPECT_TRUE(g_dispatched.empty());
}

TEST_F(NetworkPassTest, TheMainLoopsWaitWakesForAConnectionsBytesAndItsStallDeadline) {
    platform::UseManualClock(1000, 0);
    platform::TcpSocket listener = platform::TcpSocket::Listen(platform::kLoopback, 0);
    ShardRecord* only = AddShard("Alpha");
    CGameSock* connection = only->connection;
    ASSERT_EQ(connection->Connect(platform::kLoopback, listener.LocalPort()), 1);
    platform::TcpSocket peer = listener.Accept(5000);
    ASSERT_TRUE(qvtest::PollNetworkUntil([&] { return connection->IsEstablished(); }));
    SetLostConnectionWatch(true);

    // An idle server sets no deadline: the wait runs to the loop's own.
    uint32_t start = platform::TickCount();
    EXPECT_EQ(platform::WaitForWork(start + 100000), platform::WakeReason::Deadline);
    EXPECT_EQ(platform::TickCount(), start + 100000);

    // Bytes end the wait at once.
    const uint8_t part[] = {0x1C, 0x00, 0x20, 0x01}; // 4 bytes of 32
    ASSERT_TRUE(peer.SendAll(part, sizeof part));
    ASSERT_TRUE(platform::WaitSocketReadable(connection->Handle(), 5000));
    start = platform::TickCount();
    EXPECT_EQ(platform::WaitForWork(start + 100000), platform::WakeReason::Socket);
    EXPECT_EQ(platform::TickCount(), start);

    // Half a packet read: the wait ends when the stall runs out, and the pass then ends the shard.
    PollNetwork();
    ASSERT_EQ(connection->ReceivedMeter().Total(), sizeof part);
    EXPECT_EQ(platform::WaitForWork(start + 100000), platform::WakeReason::Deadline);
    EXPECT_EQ(platform::TickCount(), start + CClientSock::kStallTimeoutMs);
    PollNetwork();
    EXPECT_TRUE(CApp::ShardRecords().empty());
    EXPECT_EQ(frontEnd.connectionLost, 1);
}

TEST_F(NetworkPassTest, TheKeepAliveGoesOutSixtyOneSecondsAfterTheLastOne) {
    platform::UseManualClock(1000, 0);
    EnsureGameSock();
    CGameSock* connection = GetCurrentConnection();
    SendKeepAlive(); // not in the world: the count starts now
    SetInWorld(true);
    platform::AdvanceManualClock(60999);
    SendKeepAlive();
    EXPECT_EQ(connection->SendFill(), 0);
    platform::AdvanceManualClock(1);
    SendKeepAlive();
    ASSERT_EQ(connection->SendFill(), 2);
    EXPECT_EQ(connection->SentPackets().Entries().at(0x73).count, 1u);
    platform::AdvanceManualClock(60000);
    SendKeepAlive();
    EXPECT_EQ(connection->SentPackets().Entries().at(0x73).count, 1u);
    platform::AdvanceManualClock(1000);
    SendKeepAlive();
    EXPECT_EQ(connection->SentPackets().Entries().at(0x73).count, 2u);
}

TEST_F(NetworkPassTest, OutOfTheWorldTheKeepAliveWaits) {
    platform::UseManualClock(1000, 0);
    EnsureGameSock();
    for (int i = 0; i < 3; ++i) {
        platform::AdvanceManualClock(100000);
        SendKeepAlive();
    }
    EXPECT_EQ(GetCurrentConnection()->SendFill(), 0);
}

} // namespace
