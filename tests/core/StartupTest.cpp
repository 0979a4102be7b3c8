#include "AppFixture.h"
#include "core/ShutdownSequence.h"

#include "core/ExitHandlers.h"
#include "core/MemoryManager.h"
#include "net/CLatencyProbe.h"

#include <gtest/gtest.h>

namespace {

using qvtest::ProcessExit;
using qvtest::ReportRecorder;
using qvtest::TempDir;

class StartupTest : public qvtest::AppTest {
  protected:
    // The index of the first recorded line that begins with prefix at or after from, or -1.
    static int FindLine(const ReportRecorder& r, const std::string& prefix, size_t from = 0) {
        for (size_t i = from; i < r.lines().size(); ++i)
            if (r.lines()[i].text.rfind(prefix, 0) == 0) return static_cast<int>(i);
        return -1;
    }
    // Every prefix appears, in this order, from line from on.
    static void ExpectInOrder(const ReportRecorder& r, const std::vector<std::string>& prefixes,
                              size_t from = 0) {
        int last = static_cast<int>(from) - 1;
        for (const std::string& p : prefixes) {
            int at = FindLine(r, p, static_cast<size_t>(last + 1));
            EXPECT_GT(at, last) << "'" << p << "' missing or out of order";
            if (at > last) last = at;
        }
    }
    static int ExitCodeOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const ProcessExit& e) {
            return e.code;
        }
        return -1;
    }
};

TEST_F(StartupTest, StartsInOrderAndShutsDownInReverse) {
    TempDir dir;
    Install(dir, {"map0.mul"});
    ReportRecorder report;
    RunStartup();

    ExpectInOrder(report, {"reached winmain!",
                           "MemoryManager::start",
                           "DefManager::startup",
                           "FileManager::startup",
                           "MouseManager::startup",
                           "GraphicManager::startup",
                           "DrawManager::startup",
                           "TextManager::startup",
                           "MapManager::startup",
                           "SkipDrawHandler::startup",
                           "CVersionManager::startup",
                           "HueManager::startup",
                           "FontManager::startup",
                           "CObjectManager::startup",
                           "CGumpManager::startup",
                           "PacketManager::startup",
                           "CWinApp::startup",
                           "CDHDCache::startup",
                           "CApp::readConfig",
                           "CApp::LoadCharData",
                           "SoundManager::CSoundManager",
                           "PathManager::startup",
                           "MradeRunager::startup",
                           "RegionManager::startup",
                           "WeatherManager::startup",
                           "animCrap::Load",
                           "thelightthingie::startup",
                           "InitBodyTypes",
                           "ContextHelpManager::startup",
                           "CPlacementPreview::CPlacementPreview",
                           "CApp::LoadFilterLists",
                           "CDHDCache::Init",
                           "LoadVersionFile",
                           "CApp::LoadPlayerFile",
                           "LoadSkillNames",
                           "MusicManager::CMusicManager",
                           "CNetInfo::CNetInfo",
                           "LanguageManager::startup",
                           "CGMSSock::CGMSSock",
                           "GraphicManager::CreateInitialGumps",
                           "CInputWindow::CInputWindow",
                           "CClientSock::CClientSock", // the first connection object
                           "WinMain: just before main program loop."});

    const std::vector<std::string> registered = {"QVReport::stop",
                                                 "MemoryManager::shutdown",
                                                 "CPointerRegistry::destroy",
                                                 "DefManager::shutdown",
                                                 "DoNothing",
                                                 "FileManager::shutdown",
                                                 "MouseManager::shutdown",
                                                 "GraphicManager::shutdown",
                                                 "DoNothing",
                                                 "DoNothing",
                                                 "TextManager::FreeLines",
                                                 "DoNothing",
                                                 "DoNothing",
                                                 "CVersionManager::shutdown",
                                                 "DoNothing",
                                                 "FontManager::shutdown",
                                                 "CObjectManager::shutdown",
                                                 "CGumpManager::shutdown",
                                                 "PacketManager::shutdown",
                                                 "CoUninitialize",
                                                 "CDHDCache::shutdown",
                                                 "CApp::shutdown",
                                                 "SoundManager::shutdown",
                                                 "MusicManager::shutdown",
                                                 "PathManager::shutdown",
                                                 "DoNothing",
                                                 "DoNothing",
                                                 "RegionManager::shutdown",
                                                 "WeatherManager::shutdown",
                                                 "DoNothing",
                                                 "thelightthingie::shutdown",
                                                 "DoNothing",
                                                 "CloseInstanceMarker",
                                                 "StopCursorTimer",
                                                 "ShutdownNetwork",
                                                 "MarkShutdownSequenceStarted"};
    EXPECT_EQ(RegisteredExitHandlerNames(), registered);
    EXPECT_TRUE(platform::HasMainWindow());
    EXPECT_TRUE(CApp::IsStarted());

    size_t shutdownFrom = report.lines().size();
    EXPECT_EQ(RunShutdown(), 0);
    EXPECT_FALSE(ShutdownSequence::IsStarted());
    RunExitHandlers();
    EXPECT_TRUE(ShutdownSequence::IsStarted());
    EXPECT_TRUE(RegisteredExitHandlerNames().empty());
    ExpectInOrder(report, {"LanguageManager::shutdown", "thelightthingie::shutdown",
                           "WeatherManager::shutdown",  "RegionManager::shutdown",
                           "PathManager::shutdown",     "MusicManager::shutdown",
                           "SoundManager::shutdown",    "CApp::shutdown",
                           "CDHDCache::shutdown",       "PacketManager::shutdown",
                           "CGumpManager::shutdown",    "CObjectManager::shutdown",
                           "FontManager::shutdown",     "TextManager::FreeLines",
                           "GraphicManager::shutdown",  "MouseManager::shutdown",
                           "FileManager::shutdown",     "DefManager::shutdown",
                           "MemoryManager::shutdown",   "QVReport: stopping"},
                  shutdownFrom);
    EXPECT_FALSE(MemoryManager::isStarted());
}

// A fatal end in the middle of the session still stops and joins every thread the client started.
TEST_F(StartupTest, AnEarlyExitEndsTheCursorTimerAndTheLatencyProbe) {
    TempDir dir;
    Install(dir, {"map0.mul"});
    ReportRecorder report;
    RunStartup();
    ASSERT_TRUE(StartCursorTimer());
    ASSERT_NE(CLatencyProbe::Create(), nullptr);
    EXPECT_EQ(ExitCodeOf([] { TerminateProcess(3); }), 3);
    EXPECT_EQ(CLatencyProbe::Get(), nullptr);
    EXPECT_EQ(CursorTimerId(), 0u);
}

TEST_F(StartupTest, SecondCopyFoundByItsWindowStopsBeforeAnyManager) {
    bool existed = false;
    platform::NamedObject firstWindow = platform::NamedObject::Create(kMainWindowObject, &existed);
    ReportRecorder report;
    EXPECT_EQ(ExitCodeOf(RunStartup), 0);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    const auto& box = platform::headless::MessageBoxes()[0];
    EXPECT_EQ(box.text, "Another copy of QV is already running!");
    EXPECT_EQ(box.caption, "");
    EXPECT_EQ(box.icon, platform::BoxIcon::Information);
    EXPECT_FALSE(MemoryManager::isStarted());
    EXPECT_TRUE(report.contains("QVReport: stopping")); // the log's handler ran
    EXPECT_TRUE(RegisteredExitHandlerNames().empty());
}

TEST_F(StartupTest, RunningClientWindowIsTheOneAnotherCopyFinds) {
    TempDir dir;
    Install(dir, {});
    RunStartup(); // this client's window holds the marker
    platform::NamedObject probe = platform::NamedObject::OpenExisting(kMainWindowObject);
    EXPECT_TRUE(probe.IsOpen());
    probe.Close();
    platform::PostMessage(platform::WM_CLOSE);
    while (RunMainLoopPass(false)) {
    }
    EXPECT_FALSE(platform::NamedObject::OpenExisting(kMainWindowObject).IsOpen());
}

TEST_F(StartupTest, RefusalsAfterTheManagersEndWithCodeOne) {
    struct Case {
        const char* heldObject; // another instance's marker, or nullptr
        int bitsPerPixel;
        const char* text;
        const char* caption;
    } cases[] = {
        {"QvClientApp", 32, "Another instance of QV is already running.", "ERROR"},
        {"QvPatchApp", 32, "An instance of QV Patch is already running.", "ERROR"},
        {nullptr, 15, "ERROR: Varnis Online requires that Windows be in 16-bit color mode",
         "Error: Color Mode"},
        {nullptr, 8, "ERROR: Varnis Online requires that Windows be in 16-bit color mode",
         "Error: Color Mode"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + std::string(" ") + std::to_string(c.bitsPerPixel));
        TempDir dir;
        Install(dir, {});
        platform::headless::ClearMessageBoxes();
        platform::headless::SetDesktop(1024, 768, c.bitsPerPixel);
        platform::NamedObject held;
        if (c.heldObject) {
            bool existed = false;
            held = platform::NamedObject::Create(c.heldObject, &existed);
        }
        ReportRecorder report;
        EXPECT_EQ(ExitCodeOf(RunStartup), 1);
        ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
        EXPECT_EQ(platform::headless::MessageBoxes()[0].text.rfind(c.text, 0), 0u);
        EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, c.caption);
        EXPECT_TRUE(report.contains("ContextHelpManager::startup")); // steps 1-35 ran
        EXPECT_TRUE(report.contains("DefManager::shutdown"));        // and were undone
        EXPECT_FALSE(platform::HasMainWindow());
        EXPECT_TRUE(RegisteredExitHandlerNames().empty());
        held.Close();
        QVReport::resetForTests();
        ResetAll();
    }
}

TEST_F(StartupTest, DesktopsOfSixteenBitsAndMoreAreAccepted) {
    for (int bits : {16, 24, 32}) {
        TempDir dir;
        Install(dir, {});
        platform::headless::Reset();
        platform::headless::SetDesktop(1024, 768, bits);
        ReportRecorder report;
        RunStartup();
        EXPECT_TRUE(platform::HasMainWindow()) << bits;
        RunShutdown();
        RunExitHandlers();
        QVReport::resetForTests();
        ResetAll();
    }
}

TEST_F(StartupTest, MapProbeSetsABitPerMapFile) {
    struct Case {
        std::vector<std::string> files;
        uint32_t mask;
    } cases[] = {
        {{}, 0},
        {{"map0.mul"}, 0x3},                          // the second facet shares map0
        {{"map0.mul", "MAP2.MUL", "map4.mul"}, 0x17}, // any letter case
        {{"map1.mul", "map15.mul"}, 0x8000},          // map1 is never probed
    };
    for (const Case& c : cases) {
        TempDir dir;
        Install(dir, c.files, CApp::kInstallKey, false);
        CApp::ResetForTests();
        CApp::startup();
        EXPECT_TRUE(CApp::IsStarted());
        EXPECT_EQ(CApp::GetMapMask(), c.mask);
        EXPECT_EQ(CApp::GetClientFolder(), dir.file("install/"));
    }
}

TEST_F(StartupTest, InstallationKeyFallsBackAndItsAbsenceLeavesTheAppNotStarted) {
    {
        TempDir dir;
        Install(dir, {"map0.mul"}, CApp::kInstallKeyFallback);
        CApp::startup();
        EXPECT_TRUE(CApp::IsStarted());
        EXPECT_EQ(CApp::GetMapMask(), 0x3u);
        CApp::startup(); // a second call does nothing
        EXPECT_EQ(CApp::GetName(), "QV Player");
    }
    TempDir empty;
    ::setenv("QV_REGISTRY", empty.file("registry.ini").c_str(), 1);
    CApp::ResetForTests();
    ReportRecorder report;
    CApp::startup();
    EXPECT_FALSE(CApp::IsStarted());
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "ERROR");
    EXPECT_EQ(platform::headless::MessageBoxes()[0].icon, platform::BoxIcon::Error);
    EXPECT_FALSE(report.contains("DefManager::LoadBodyConversion")); // no key, no body conversion

    // A key without "ExePath": the same box, after the body conversion.
    platform::RegCreateKey(platform::RegRoot::LocalMachine, CApp::kInstallKey);
    CApp::ResetForTests();
    CApp::startup();
    EXPECT_FALSE(CApp::IsStarted());
    EXPECT_EQ(platform::headless::MessageBoxes().size(), 2u);
    EXPECT_TRUE(report.contains("DefManager::LoadBodyConversion"));
    EXPECT_FALSE(report.contains("CApp::readConfig"));
}

TEST_F(StartupTest, FirstLaunchIsSavedAsNoOnlyAfterTheIntro) {
    struct Case {
        bool showIntro, firstLaunch, saved;
    } cases[] = {{false, true, true}, {true, false, false}, {false, false, false}};
    for (const Case& c : cases) {
        TempDir dir;
        Install(dir, {});
        const std::string firstLaunch = std::string("ClientFirstLaunch=") + (c.firstLaunch ? "yes" : "no");
        dir.write("install/qv.cfg", std::string("ShowIntroAnim=") + (c.showIntro ? "on" : "off") + "\n" +
                                        firstLaunch + "\nClientLogin=5\n");
        ReportRecorder report;
        RunStartup();
        // The line is rewritten in place; the others stay as they were.
        std::string saved = dir.read("install/qv.cfg");
        EXPECT_EQ(saved.find("ClientFirstLaunch=no\r\n") != std::string::npos, c.saved) << saved;
        EXPECT_NE(saved.find(c.saved ? "ClientFirstLaunch=no" : firstLaunch), std::string::npos);
        EXPECT_FALSE(ClientFirstLaunch);
        RunShutdown();
        RunExitHandlers();
        QVReport::resetForTests();
        ResetAll();
    }
}

TEST_F(StartupTest, SmallDesktopsTurnWindowResizingOff) {
    struct Case {
        int width, height;
        std::string playSize;
        bool allowed;
    } cases[] = {{640, 480, "640x480", false},
                 {800, 600, "800x600", false},
                 {800, 600, "640x480", true},
                 {1024, 768, "800x600", true}};
    for (const Case& c : cases) {
        TempDir dir;
        Install(dir, {});
        platform::headless::Reset();
        platform::headless::SetDesktop(c.width, c.height, 32);
        GamePlayWindowSize = c.playSize;
        RunStartup();
        EXPECT_EQ(AllowWindowResize, c.allowed) << c.width << "x" << c.height << " " << c.playSize;
        RunShutdown();
        RunExitHandlers();
        QVReport::resetForTests();
        ResetAll();
    }
}

} // namespace

namespace {

class LoginListTest : public qvtest::AppTest {};

TEST_F(LoginListTest, StartupHandsTheLoginServerFileToTheLoginRoad) {
    qvtest::TempDir dir;
    Install(dir, {});
    dir.write("install/login.cfg", "LoginServer=127.0.0.1,7775\n"
                                   "LoginServer=login.example.invalid,2593\n"
                                   "BackupLoginServer=10.0.0.2,7000\n");
    CApp::startup();
    ASSERT_TRUE(CApp::IsStarted());
    const auto& servers = CApp::GetLoginServers();
    ASSERT_EQ(servers.size(), 2u);
    EXPECT_EQ(servers[0].host, "127.0.0.1");
    EXPECT_EQ(servers[0].port, 7775);
    EXPECT_EQ(servers[1].host, "login.example.invalid");
    EXPECT_EQ(servers[1].port, 2593);
}

} // namespace
