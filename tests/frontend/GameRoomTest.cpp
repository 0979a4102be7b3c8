// The game room's sessions over a recording transport, with a short wait limit and heartbeat unit:
// the test waits on what the transport saw, never on a timer, so the order of events is fixed.
#include "core/FileManager.h"
#include "frontend/igr.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace qvtest {
namespace {

struct Report {
    std::string host;
    uint32_t port = 0;
    std::string path;
    std::string message;
    std::chrono::steady_clock::time_point at;

    // The fields in their fixed order; a value may hold '&', so each runs to the next field's key.
    std::string Field(const std::string& name) const {
        static const char* const kKeys[] = {
            "command=", "&username=", "&igrID=", "&contextID=", "&serviceID="};
        size_t at = 0;
        for (size_t i = 0; i < 5; ++i) {
            const size_t found = message.find(kKeys[i], at);
            if (found == std::string::npos) return "?";
            const size_t value = found + std::strlen(kKeys[i]);
            const size_t next = i + 1 < 5 ? message.find(kKeys[i + 1], value) : message.size();
            if (std::string(kKeys[i]).find(name + "=") != std::string::npos)
                return message.substr(value, (next == std::string::npos ? message.size() : next) - value);
            at = value;
        }
        return "?";
    }
    std::string Command() const { return Field("command"); }
};

// Records every report; delivers or fails as told, and blocks while held.
class RecordingTransport : public IGRPingTransport {
  public:
    explicit RecordingTransport(bool deliver) : deliver_(deliver) {}

    bool SendPingMessage(const std::string& host, uint32_t port, const std::string& path, const char* message,
                         size_t length) override {
        std::unique_lock<std::mutex> lock(mutex_);
        reports_.push_back(
            {host, port, path, std::string(message, length), std::chrono::steady_clock::now()});
        changed_.notify_all();
        changed_.wait(lock, [this] { return !held_; });
        return deliver_;
    }
    void Hold(bool on) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            held_ = on;
        }
        changed_.notify_all();
    }
    // Waits until the reports satisfy done (at most 10 s); true when they did.
    bool WaitFor(const std::function<bool(const std::vector<Report>&)>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return done(reports_); });
    }
    std::vector<Report> Reports() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reports_;
    }
    // The commands of one room, in order.
    std::vector<std::string> Commands(const std::string& room) {
        std::vector<std::string> out;
        for (const Report& r : Reports())
            if (r.Field("igrID") == room) out.push_back(r.Command());
        return out;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Report> reports_;
    bool deliver_;
    bool held_ = false;
};

size_t CountOf(const std::vector<Report>& reports, const std::string& room, const std::string& command) {
    size_t n = 0;
    for (const Report& r : reports)
        n += r.Field("igrID") == room && r.Command() == command;
    return n;
}

IGRSessionParams Params(const std::string& room, uint32_t heartbeat = 3600) {
    return IGRSessionParams("player", 8080, heartbeat, room, "context", 7, "reports.test", "/report");
}

class GameRoomTest : public CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        savedRegistry = platform::GetEnv("QV_REGISTRY");
        ::setenv("QV_REGISTRY", dir.file("registry.ini").c_str(), 1);
        IGRResetForTests();
        UseTimings(200);
        IGRCreateSessionMutex();
    }
    void TearDown() override {
        // Every session ends before the next test: its thread may still be on its way out.
        for (auto& t : transports)
            t->Hold(false);
        UseTimings(10000);
        EXPECT_TRUE(IGRStopAllAndWait());
        EXPECT_TRUE(SessionsGone());
        IGRResetForTests();
        ::setenv("QV_REGISTRY", savedRegistry.c_str(), 1);
        CleanState::TearDown();
    }
    static void UseTimings(uint32_t waitLimitMs, bool failThreadStart = false) {
        IGRTimings t;
        t.waitLimitMs = waitLimitMs;
        t.heartbeatUnitMs = 5;
        t.failThreadStart = failThreadStart;
        IGRSetTimings(t);
    }
    static bool SessionsGone() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (IGRSessionCount() != 0) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    std::shared_ptr<RecordingTransport> Transport(bool deliver) {
        transports.push_back(std::make_shared<RecordingTransport>(deliver));
        IGRSetTransport(transports.back());
        return transports.back();
    }

    TempDir dir;
    std::string savedRegistry;
    std::vector<std::shared_ptr<RecordingTransport>> transports;
};

TEST_F(GameRoomTest, ASecondSessionEndsTheFirst) {
    auto transport = Transport(true);
    IGRStartSession(Params("FIRST"));
    ASSERT_TRUE(transport->WaitFor([](const auto& r) { return CountOf(r, "FIRST", "IGRSTARTGAME") == 1; }));
    IGRStartSession(Params("SECOND"));
    ASSERT_TRUE(transport->WaitFor([](const auto& r) {
        return CountOf(r, "FIRST", "IGRENDGAME") == 1 && CountOf(r, "SECOND", "IGRSTARTGAME") == 1;
    }));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (IGRSessionCount() != 1 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(IGRSessionCount(), 1);
    EXPECT_EQ(transport->Commands("FIRST"), (std::vector<std::string>{"IGRSTARTGAME", "IGRENDGAME"}));
    EXPECT_EQ(transport->Commands("SECOND"), (std::vector<std::string>{"IGRSTARTGAME"}));
    EXPECT_TRUE(IsIGRMode());
}

// Delivered: one start, then heartbeats. Failing: the start is tried again every heartbeat, never a
// heartbeat. Both end with one end report after the stop.
TEST_F(GameRoomTest, ReportsEachHeartbeatAndEndOnStop) {
    for (bool deliver : {true, false}) {
        SCOPED_TRACE(deliver ? "delivered" : "failing");
        auto transport = Transport(deliver);
        const std::string room = deliver ? "UP" : "DOWN";
        IGRStartSession(Params(room, 0)); // under a second counts as one (5 ms here)
        ASSERT_TRUE(transport->WaitFor([](const auto& r) { return r.size() >= 4; }));
        ASSERT_TRUE(IGRStopAllAndWait());
        ASSERT_TRUE(SessionsGone());
        const std::vector<std::string> commands = transport->Commands(room);
        ASSERT_GE(commands.size(), 5u);
        EXPECT_EQ(commands.front(), "IGRSTARTGAME");
        EXPECT_EQ(commands.back(), "IGRENDGAME");
        for (size_t i = 1; i + 1 < commands.size(); ++i)
            EXPECT_EQ(commands[i], deliver ? "IGRHEARTBEAT" : "IGRSTARTGAME") << i;
        // A heartbeat of 0 counts as one unit: the reports before the stop keep at least that apart.
        const std::vector<Report> reports = transport->Reports();
        for (size_t i = 1; i + 1 < reports.size(); ++i)
            EXPECT_GE(reports[i].at - reports[i - 1].at, std::chrono::milliseconds(5)) << i;
    }
}

TEST_F(GameRoomTest, AQuitIsNotHeldByABlockedTransport) {
    // Without sessions the wait is over at once, however long its limit.
    UseTimings(60000);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(IGRStopAllAndWait());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));

    UseTimings(50);
    auto transport = Transport(true);
    transport->Hold(true);
    IGRStartSession(Params("HELD"));
    ASSERT_TRUE(transport->WaitFor([](const auto& r) { return r.size() == 1; }));
    EXPECT_FALSE(IGRStopAllAndWait()); // gave up after the limit, the start report still under way
    EXPECT_EQ(IGRSessionCount(), 1);
    transport->Hold(false);
    ASSERT_TRUE(SessionsGone());
    EXPECT_EQ(transport->Commands("HELD"), (std::vector<std::string>{"IGRSTARTGAME", "IGRENDGAME"}));
}

TEST_F(GameRoomTest, ASessionWhoseThreadDidNotStartIsDropped) {
    ReportRecorder log;
    auto transport = Transport(true);
    UseTimings(60000, true);
    IGRStartSession(Params("NOTHREAD"));
    EXPECT_TRUE(log.contains(QVReport::Level::Error, "did not start"));
    EXPECT_EQ(IGRSessionCount(), 0);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(IGRStopAllAndWait());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(30));
    EXPECT_TRUE(transport->Reports().empty());
}

TEST_F(GameRoomTest, TheReportCarriesItsFieldsAsTheyAre) {
    auto transport = Transport(true);
    IGRStartSession(
        IGRSessionParams("default", 9000, 3600, "R&1", "ctx&seat=3", 4294967295u, "host.test", "/p"));
    ASSERT_TRUE(transport->WaitFor([](const auto& r) { return r.size() == 1; }));
    const Report r = transport->Reports()[0];
    EXPECT_EQ(r.message,
              "command=IGRSTARTGAME&username=default&igrID=R&1&contextID=ctx&seat=3&serviceID=4294967295");
    EXPECT_EQ(r.host, "host.test");
    EXPECT_EQ(r.port, 9000u);
    EXPECT_EQ(r.path, "/p");

    // A report longer than its buffer is cut to 2047 characters.
    const std::string text = IGRFormatReport(Params(std::string(3000, 'x')), "IGRHEARTBEAT");
    EXPECT_EQ(text.size(), 2047u);
}

TEST_F(GameRoomTest, TheStoreKeepsTheRoomIdAndAddress) {
    auto transport = Transport(true);
    const char* key = FileManager::kInstallKey;
    struct Case {
        const char* name;
        std::optional<std::string> noid;
        std::optional<std::string> nourl;
        bool read;
        bool mode;
        std::string id;
        std::string url;
        bool warned;
    };
    const std::string full(1023, 'a'); // 1024 bytes with its end: does not fit the buffer
    const Case cases[] = {
        {"both", "ROOM-1", "http://room.test/", true, true, "ROOM-1", "http://room.test/", false},
        {"id only", "ROOM-2", std::nullopt, false, true, "ROOM-2", "", false},
        {"address only", std::nullopt, "http://x/", false, false, "", "http://x/", false},
        {"neither", std::nullopt, std::nullopt, false, false, "", "", false},
        {"id of 1024 bytes", full, "u", false, false, "", "u", true},
        {"id of 1023 bytes", std::string(1022, 'b'), "u", true, true, std::string(1022, 'b'), "u", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IGRResetForTests();
        platform::RegDeleteValue(platform::RegRoot::LocalMachine, key, "noid");
        platform::RegDeleteValue(platform::RegRoot::LocalMachine, key, "nourl");
        if (c.noid) platform::RegSetString(platform::RegRoot::LocalMachine, key, "noid", *c.noid);
        if (c.nourl) platform::RegSetString(platform::RegRoot::LocalMachine, key, "nourl", *c.nourl);
        ReportRecorder log;
        EXPECT_EQ(QVIGR::ReadRegistry(), c.read);
        EXPECT_EQ(IsIGRMode(), c.mode);
        EXPECT_EQ(IGRStoredId(), c.id);
        EXPECT_EQ(IGRGetUrl(), c.url);
        EXPECT_EQ(log.contains(QVReport::Level::Warning, "ignored"), c.warned);
    }

    // A session of the stored id writes nothing; a new id is written and kept.
    IGRResetForTests();
    platform::RegSetString(platform::RegRoot::LocalMachine, key, "noid", "ROOM-1");
    ASSERT_TRUE(QVIGR::GetRegKey());
    const std::string before = dir.read("registry.ini");
    std::filesystem::remove(dir.file("registry.ini"));
    IGRSaveIdAndStart(Params("ROOM-1"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("registry.ini")));
    dir.write("registry.ini", before);
    IGRSaveIdAndStart(Params("ROOM-9"));
    EXPECT_EQ(IGRStoredId(), "ROOM-9");
    EXPECT_EQ(platform::RegGetString(platform::RegRoot::LocalMachine, key, "noid").value_or(""), "ROOM-9");
}

} // namespace
} // namespace qvtest
