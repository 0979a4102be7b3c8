// The parts of the login screens one by one: the edition file, the shard list's order and figures,
// the character rows, the shard-list download and "servers.txt", the web buttons.
#include "FrontEndFixture.h"

#include "core/ShardRecord.h"
#include "frontend/ServerListFetch.h"
#include "net/CLatencyProbe.h"

#include <atomic>
#include <thread>

namespace qvtest {
namespace {

TEST(VerinfoTest, ThePatchNumberOfTheFirstTaggedLine) {
    const struct {
        const char* text;
        int patch;
    } rows[] = {
        {"", 0},
        {"no tag here\n", 0},
        {"Win32_KDR3D_FanEvent 7\n", 7},
        {"Win32_KDR3D 12\r\n", 12},
        {"Win32_QV_Gold 27\r\nWin32_KDR2D 5\r\n", 27},
        {"something else\nWin32_client_555 3\n", 3},
        {"Win32_QVEF x9\nWin32_KDR2D 5\n", 0},       // a bad number ends the search
        {"Win32_KDR2D_FanEvent\n", 0},               // the tag alone
        {"win32_kdr2d 4\n", 0},                      // tags are case-sensitive
        {"Win32_KDR2D  4\n", 0},                     // one blank, then digits
        {"Win32_KDR2D 99999999999999\n", 999999999}, // at most nine digits are read
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ParseVerinfoPatch(row.text), row.patch);
    }
}

PacketManager::ServerEntry Shard(int index, int distance, int full, int zone = 0, int host = -1) {
    PacketManager::ServerEntry e;
    e.index = static_cast<uint16_t>(index);
    e.name = "S" + std::to_string(index);
    e.timeZoneDistance = distance;
    e.percentFull = static_cast<uint8_t>(full);
    e.timeZone = static_cast<int8_t>(zone);
    e.probeHost = host;
    return e;
}

std::vector<int> Indexes(const std::vector<PacketManager::ServerEntry>& servers,
                         const std::vector<int>& order) {
    std::vector<int> out;
    for (int position : order)
        out.push_back(servers[static_cast<size_t>(position)].index);
    return out;
}

TEST(ShardOrderTest, TheSortsPutZoneFiftyLastAndASilentShardLastByRoundTrip) {
    CLatencyProbe::Settings settings;
    settings.port = 9; // nothing answers: the figures are the test's
    settings.probeIntervalMs = 600000;
    CLatencyProbe* probe = CLatencyProbe::Create(settings);
    ASSERT_NE(probe, nullptr);
    for (int i = 0; i < 4; ++i)
        probe->AddHost(0x7F000001);
    auto set = [&](int host, uint32_t sent, uint32_t replies, uint32_t average) {
        auto* h = const_cast<LatencyHost*>(probe->GetHost(host));
        h->sent = sent;
        h->replies = replies;
        h->averageMs = average;
    };
    set(0, 4, 4, 80);
    set(1, 4, 3, 20);
    set(2, 4, 0, 0); // never answered
    set(3, 4, 2, 5);
    const std::vector<PacketManager::ServerEntry> servers = {
        Shard(10, 4, 90, 10, 0), Shard(11, 0, 10, -10, 1), Shard(12, 2, 50, 0, 2), Shard(13, 0, 0, 50, 3)};
    const struct {
        int kind;
        std::vector<int> indexes;
    } rows[] = {
        {0, {11, 12, 10, 13}}, // by zone distance; zone 50 last although its distance is 0
        {1, {11, 12, 10, 13}}, // by load
        {2, {11, 10, 12, 13}}, // by round trip: the silent shard after every answering one
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.kind);
        EXPECT_EQ(Indexes(servers, SortShardOrder(servers, row.kind)), row.indexes);
    }
    CLatencyProbe::Destroy();
}

TEST(ShardFiguresTest, RoundTripAndLossTexts) {
    const struct {
        uint32_t sent, replies, average;
        const char* roundTrip;
        const char* loss;
    } rows[] = {
        {0, 0, 0, "-", "-"},     {4, 4, 42, "42ms", "0%"}, {4, 3, 42, "42ms", "25%"},
        {3, 1, 7, "7ms", "67%"}, {4, 0, 0, "-", "-"},      {2, 5, 9, "9ms", "0%"}, // replies counted ahead
    };
    for (const auto& row : rows) {
        LatencyHost host;
        host.sent = row.sent;
        host.replies = row.replies;
        host.averageMs = row.average;
        EXPECT_EQ(RoundTripText(&host), row.roundTrip);
        EXPECT_EQ(LossText(&host), row.loss);
    }
    EXPECT_EQ(RoundTripText(nullptr), "-");
}

class CharacterRowsTest : public FrontEndTest {};

TEST_F(CharacterRowsTest, RowsFollowTheSlotsTheLimitAndRemovals) {
    testshard::Script script;
    StartClient(script);
    struct Row {
        const char* name;
        bool oneCharacter;
        std::vector<CharacterEntry> characters;
        int removeSlot;
        std::vector<std::string> names;
        std::vector<int> slots;
        bool newButtonShown;
    };
    const Row rows[] = {
        {"slots 1 and 3", false, {{"One", 1}, {"Three", 3}}, -1, {"One", "Three"}, {1, 3}, true},
        {"one-character mode", true, {{"One", 0}, {"Two", 1}}, -1, {"One"}, {0}, false},
        {"five fill the screen",
         false,
         {{"A", 0}, {"B", 1}, {"C", 2}, {"D", 3}, {"E", 4}},
         -1,
         {"A", "B", "C", "D", "E"},
         {0, 1, 2, 3, 4},
         false},
        {"the middle of three removed", false, {{"A", 0}, {"B", 2}, {"C", 4}}, 2, {"A", "C"}, {0, 4}, true},
        {"the fifth row removed",
         false,
         {{"A", 0}, {"B", 1}, {"C", 2}, {"D", 3}, {"E", 4}},
         3,
         {"A", "B", "C", "E"},
         {0, 1, 2, 4},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FrontEnd::OneCharacterSlot() = row.oneCharacter;
        ShowCharacterSelection(row.characters);
        CLoginGump* screen = FrontEnd::CharacterSelection().get();
        if (row.removeSlot >= 0) screen->RemoveCharacter(row.removeSlot);
        ASSERT_EQ(screen->rowCount, static_cast<int>(row.names.size()));
        for (int i = 0; i < CLoginGump::kRows; ++i) {
            const bool filled = i < screen->rowCount;
            EXPECT_EQ(screen->rows[static_cast<size_t>(i)]->visible, filled) << "row " << i;
            // Filled rows, moved ones too, tell of a character; empty ones of a free slot.
            EXPECT_EQ(screen->rows[static_cast<size_t>(i)]->tooltipId, filled ? 100022 : 100023)
                << "row " << i;
            if (!filled) {
                EXPECT_EQ(screen->slots[static_cast<size_t>(i)], -1);
                continue;
            }
            EXPECT_EQ(std::string(screen->rows[static_cast<size_t>(i)]->Text()),
                      row.names[static_cast<size_t>(i)]);
            EXPECT_EQ(screen->slots[static_cast<size_t>(i)], row.slots[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(screen->newButton->visible, row.newButtonShown);
        screen->Close();
        FrontEnd::CharacterSelection().reset();
        FrontEnd::OneCharacterSlot() = false;
        Passes(1);
    }
}

TEST_F(CharacterRowsTest, AStoredSelectionOutsideTheFilledRowsIsNeverUsed) {
    testshard::Script script;
    StartClient(script);
    for (int stored : {-3, 2, 4, 9}) {
        SCOPED_TRACE(stored);
        DefaultChar = stored;
        ShowCharacterSelection({{"Only", 0}, {"Other", 1}});
        CLoginGump* screen = FrontEnd::CharacterSelection().get();
        EXPECT_EQ(screen->SelectedFilledRow(), -1);
        PlaySelectedCharacter(screen);
        ASSERT_NE(GetPendingWaitingGump(), nullptr);
        EXPECT_EQ(GetPendingWaitingGump()->Text(), "No character to login with.");
        WaitingGumpButton(GetPendingWaitingGump());
        screen->Close();
        FrontEnd::CharacterSelection().reset();
        Passes(1);
    }
    DefaultChar = 0;
}

// A one-shot web server on loopback: answers the first request with reply (then closes unless
// hold), and keeps what it was sent.
class ListHost {
  public:
    ListHost(std::string reply, bool hold) : reply_(std::move(reply)), hold_(hold) {
        listener_ = platform::ListenTcp(platform::kLoopback, 0);
        port_ = platform::BoundPort(listener_);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ListHost() {
        stop_ = true;
        thread_.join();
        platform::CloseSocket(listener_);
    }
    uint16_t port() const { return port_; }
    std::string request() {
        std::lock_guard<std::mutex> lock(mutex_);
        return request_;
    }

  private:
    void Serve() {
        platform::SocketHandle s = platform::kInvalidSocket;
        while (!stop_ && s == platform::kInvalidSocket) {
            platform::WaitSocketReadable(listener_, 20);
            s = platform::AcceptConnection(listener_);
        }
        if (s == platform::kInvalidSocket) return;
        platform::SetSocketNonBlocking(s, false);
        std::string got;
        char chunk[256];
        while (got.find("\r\n\r\n") == std::string::npos && platform::WaitSocketReadable(s, 2000)) {
            const int n = platform::ReceiveBytes(s, chunk, sizeof chunk);
            if (n <= 0) break;
            got.append(chunk, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            request_ = got;
        }
        size_t sent = 0;
        while (sent < reply_.size()) {
            const int n = platform::SendBytes(s, reply_.data() + sent, reply_.size() - sent);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        while (hold_ && !stop_)
            platform::SleepMillis(5);
        platform::CloseSocket(s);
    }
    std::string reply_;
    bool hold_;
    platform::SocketHandle listener_ = platform::kInvalidSocket;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::string request_;
};

TEST(ShardListDownloadTest, RequestAndReplies) {
    const std::string big = "HTTP/1.0 200 OK\r\n\r\n" + std::string(70 * 1024, 'x');
    const struct {
        const char* name;
        std::string reply;
        bool hold;
        std::optional<std::string> body;
    } rows[] = {
        {"headers dropped",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nX-A: b\r\n\r\nshard one\nshard two\n", false,
         "shard one\nshard two\n"},
        {"not found", "HTTP/1.0 404 Not Found\r\n\r\nshard one\n", false, std::nullopt},
        {"a status that only starts with 200", "HTTP/1.0 2000 OK\r\n\r\nx\n", false, std::nullopt},
        {"no header end", "HTTP/1.0 200 OK\r\nshard one\n", false, std::nullopt},
        {"oversized", big, false, std::nullopt},
        {"slow: never ends", "HTTP/1.0 200 OK\r\n\r\nshard", true, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ListHost host(row.reply, row.hold);
        std::string failure;
        const std::string hostPort = "127.0.0.1:" + std::to_string(host.port());
        const std::optional<std::string> body =
            ServerListFetch::Download(hostPort, "/lists/", "ann b&c=d/é", &failure, 300);
        EXPECT_EQ(body, row.body);
        if (!body) {
            EXPECT_NE(failure.find("Unable to"), std::string::npos) << failure;
        }
        const std::string request = host.request();
        EXPECT_EQ(request.rfind("GET /lists/login.pl?acctname=ann%20b%26c%3Dd%2F%C3%A9 HTTP/1.0\r\n", 0), 0u)
            << request;
        EXPECT_NE(request.find("\r\nHost: " + hostPort + "\r\n"), std::string::npos) << request;
    }
}

TEST(ShardListDownloadTest, HostSettingsAndLines) {
    std::string host;
    uint16_t port = 0;
    EXPECT_TRUE(ServerListFetch::SplitHostPort("shards.varnis-online.example", &host, &port));
    EXPECT_EQ(port, 80);
    EXPECT_TRUE(ServerListFetch::SplitHostPort("h:8080", &host, &port));
    EXPECT_EQ(host, "h");
    EXPECT_EQ(port, 8080);
    for (const char* bad : {"", ":80", "h:", "h:0", "h:65536", "h:8x"})
        EXPECT_FALSE(ServerListFetch::SplitHostPort(bad, &host, &port)) << bad;
    EXPECT_EQ(ServerListFetch::UsableLines("# comment\r\n\r\nAlpha  \r\n  \nBeta\t\n#x\nGamma"),
              (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
}

class ServersFileTest : public FrontEndTest {};

TEST_F(ServersFileTest, EveryUsableLineOpensAShardConnection) {
    testshard::Script script;
    StartClient(script);
    dir.write("install/servers.txt", "# shards to join\r\nAlpha\r\n\r\nBeta  \r\n#Gamma\r\n");
    GlobalQueue = true;
    const size_t before = CApp::ShardRecords().size();
    Type("tester\tpw\r");
    // The connections open as the loop runs; a loaded machine needs more passes.
    RunUntil([&] { return CApp::ShardRecords().size() >= before + 2; });
    std::vector<std::string> names;
    for (const ShardRecord* record : CApp::ShardRecords())
        names.push_back(record->name);
    ASSERT_EQ(CApp::ShardRecords().size(), before + 2);
    EXPECT_EQ(names[before], "Alpha");
    EXPECT_EQ(names[before + 1], "Beta");
    EXPECT_FALSE(GlobalQueue);
    EXPECT_NE(dir.read("install/qv.cfg").find("GlobalQueue=off"), std::string::npos);
}

class WebButtonsTest : public FrontEndTest {};

TEST_F(WebButtonsTest, TheButtonsReachTheOpenerWithTheirAddresses) {
    testshard::Script script;
    StartClient(script);
    std::vector<std::string> opened;
    FrontEndHookTable().openUrl = [&](const std::string& url) {
        opened.push_back(url);
        return true;
    };
    platform::RegSetString(platform::RegRoot::LocalMachine, CApp::kInstallKey, "SupportSite",
                           "https://help.varnis-online.example/ask");
    const struct {
        void (*button)(CGump*);
        const char* url;
    } rows[] = {
        {OpenMainWebSite, "https://www.varnis-online.example/"},
        {OpenRegistrationWebSite, "https://register.varnis-online.example/"},
        {OpenSupportWebSite, "https://help.varnis-online.example/ask"},
        {OpenAccountWebPage, "https://accounts.varnis-online.example/cgi-bin/gms_web.pl"},
    };
    for (const auto& row : rows) {
        opened.clear();
        row.button(FrontEnd::AcctLogin().get());
        EXPECT_EQ(opened, std::vector<std::string>{row.url});
    }
    // The account page's button is there but takes no click.
    opened.clear();
    Click(14 + 5, 268 + 5);
    EXPECT_TRUE(opened.empty());
    Click(14 + 5, 146 + 5);
    EXPECT_EQ(opened, std::vector<std::string>{"https://www.varnis-online.example/"});
}

} // namespace
} // namespace qvtest
