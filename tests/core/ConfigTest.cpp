#include "ConfigFixture.h"
#include "mkinstall/ConfigFiles.h"
#include "mkinstall/Installation.h"
#include "platform/headless.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using qvtest::ConfigFixture;

class ConfigTest : public ConfigFixture {};

std::string Num(long long n) {
    return std::to_string(n);
}
std::string Flag(bool b) {
    return b ? "on" : "off";
}
std::string Address(const ServerAddress& a) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", a.address >> 24, (a.address >> 16) & 255,
                  (a.address >> 8) & 255, a.address & 255, a.port);
    return text;
}

TEST_F(ConfigTest, LinesSetTheirOptions) {
    struct Case {
        std::string lines;
        std::function<std::string()> actual;
        std::string expected;
    };
    const Case cases[] = {
        // Keys match in any case; blanks and tabs around '=' do not count.
        {"frameSKIPPING = on", [] { return Flag(FrameSkipping); }, "on"},
        {"FrameSkipping\t=\tYES", [] { return Flag(FrameSkipping); }, "on"},
        {"FrameSkipping on", [] { return Flag(FrameSkipping); }, "on"},
        {"FrameSkipping=1", [] { return Flag(FrameSkipping); }, "off"},
        {"Sound=true", [] { return Flag(Sound); }, "off"},
        {"Sound=", [] { return Flag(Sound); }, "on"}, // an empty value is ignored
        {";Sound=off", [] { return Flag(Sound); }, "on"},
        {"NoSuchKey=off\r\nSound=off", [] { return Flag(Sound); }, "off"},
        {"EnableMessenger=true", [] { return Flag(EnableMessenger); }, "on"},
        {"QVMessengerPing=1", [] { return Flag(QVMessengerPing); }, "off"},
        {"PopupHelpSticky=1", [] { return Flag(PopupHelpSticky); }, "on"},
        // Values of two words keep their blank.
        {"PlayerName=John Smith", [] { return CApp::GetName(); }, "John Smith"},
        {"JournalSaveFile=my journal.txt", [] { return JournalSaveFile + " " + Flag(SaveJournal); },
         "my journal.txt on"},
        {"AcctLastName=van Dyke", [] { return AcctLastName; }, "van Dyke"},
        // Clamps.
        {"ToolTipFont=7", [] { return Num(ToolTipFont); }, "2"},
        {"ToolTipFont=-3", [] { return Num(ToolTipFont); }, "0"},
        {"PopupHelpTextFont=9", [] { return Num(PopupHelpTextFont); }, "2"},
        {"ToolTipPreDelay=20", [] { return Num(ToolTipPreDelay); }, "100"},
        {"PopupHelpPreDelay=20", [] { return Num(PopupHelpPreDelay); }, "100"},
        {"SkillReportDiff=500", [] { return Num(SkillReportDiff); }, "100"},
        {"LastServerID=-4", [] { return Num(LastServerID); }, "0"},
        {"SpamLimit=0", [] { return Num(SpamLimit); }, "1"},
        {"SoundVol=99999999999", [] { return Num(SoundVol); }, "2147483647"},
        {"BarkTimeModifier=abc", [] { return Num(BarkTimeModifier); }, "0"},
        {"NextLoginKey=300", [] { return Num(NextLoginKey); }, "44"},
        {"DefaultChar=5", [] { return Num(DefaultChar); }, "0"},
        {"DefaultChar=3", [] { return Num(DefaultChar); }, "3"},
        // Lines are looked at up to 256 characters.
        {"CdRomDataPath=" + std::string(300, 'c'), [] { return Num(CdRomDataPath.size()); }, "242"},
        // Colours and hues.
        {"ChatColorSelfName=#FF0000", [] { return Num(ChatColorSelfName); }, Num(0x7C00)},
        {"ChatColorText=16711680", [] { return Num(ChatColorText); }, Num(0x7C00)},
        {"ProfileColor1=-33", [] { return Num(ProfileColor1); }, "-33"},
        {"HighlightColorEnemy=38", [] { return Num(HighlightColorEnemy); }, "38"},
        {"PartyMessageColor=77", [] { return Num(PartyMessageColor) + " " + Num(PartyMessageHue); }, "77 77"},
        // The special rows.
        {"PageFlip=gdi", [] { return Flag(PageFlip) + Flag(GDIFullScreen); }, "offon"},
        {"GDIFullScreen=off\nPageFlip=gdi", [] { return Flag(PageFlip) + Flag(GDIFullScreen); }, "offoff"},
        {"PageFlip=yes", [] { return Flag(PageFlip); }, "on"},
        {"MouseThread=fast", [] { return Flag(MouseThread); }, "on"},
        {"Mouse=slow", [] { return Flag(MouseThread); }, "off"},
        {"Mouse=slow\nMouse=medium", [] { return Flag(MouseThread); }, "off"},
        {"OrderCache=disk, startup", [] { return Flag(OrderCacheOnStartup); }, "on"},
        {"GlobalQueue=on\nGlobalQueue=no", [] { return Flag(GlobalQueue); }, "on"},
        {"RuntimeDebugMsg=yes", [] { return Flag(RuntimeDebugMsg); }, "off"},
        {"RuntimeDebugMsg=on", [] { return Flag(RuntimeDebugMsg); }, "on"},
        {"AllowWindowResize=0", [] { return Flag(AllowWindowResize); }, "off"},
        {"AllowWindowResize=0\nAllowWindowResize=maybe", [] { return Flag(AllowWindowResize); }, "off"},
        {"PopupHelpPersistant=nope", [] { return Flag(PopupHelpPersistant); }, "on"},
        {"PopupHelpPersistant=false", [] { return Flag(PopupHelpPersistant); }, "off"},
        {"PopupHelpEnabled=on", [] { return Flag(PopupHelpEnabled) + Flag(PopupHelpEnabledGiven); }, "offon"},
        {"use565=on", [] { return Flag(Use565); }, "on"},
        {"Password=nop", [] { return Password; }, "abc"},
        {"AcctPassword=nop", [] { return AcctPassword; }, "abc"},
        {"Language=Deutsch", [] { return Language; }, "Deutsch"},
        {"CacheSize=12", [] { return Num(CDHDCache::GetCacheSize()); }, "12"},
        {"HdUsage=MAX", [] { return Num(static_cast<int>(CDHDCache::GetHdConfig())); }, "0"},
        {"HdUsage=cache", [] { return Num(static_cast<int>(CDHDCache::GetHdConfig())); }, "1"},
        {"UseVerData=on", [] { return Flag(CDHDCache::UseVerData()); }, "on"},
        {"GamePlayWindowSize=800x600",
         [] { return GamePlayWindowSize + Num(GraphicManager::GetScreenWidth()); }, "800x600800"},
        {"GamePlayWindowSize=big", [] { return GamePlayWindowSize; }, "640x480"},
        {"EditServer=10.0.0.1,2593", [] { return Address(EditServer); }, "10.0.0.1:2593"},
        {"EditServer=10.0.0.1,99999", [] { return Address(EditServer); }, "0.0.0.0:0"},
        {"EditServer=300.0.0.1,2593", [] { return Address(EditServer); }, "0.0.0.0:0"},
        {"UserCentral=1.2.3.4,5000", [] { return Address(UserCentral); }, "1.2.3.4:5000"},
        {"TranslationServerIPAddress=10.1.2.3,1234", [] { return Address(TranslationServerIPAddress); },
         "10.1.2.3:1234"},
        {"TranslationServerIPAddress=nowhere", [] { return Address(TranslationServerIPAddress); },
         "127.0.0.1:28888"},
        {"CircleTransPos=12,34", [] { return Num(CircleTransPosX) + "," + Num(CircleTransPosY); }, "12,34"},
    };
    for (const Case& c : cases) {
        ResetModules();
        ConfigFiles::SetWorkingFolder(dir.path().string());
        ReadMain(c.lines);
        EXPECT_EQ(c.actual(), c.expected) << c.lines;
    }
}

TEST_F(ConfigTest, TheCdPathIsCutTo259Characters) {
    CApp::applyConfigDirective(ConfigKind::CdRomDataPath, std::string(300, 'c').c_str(), true);
    EXPECT_EQ(CdRomDataPath, std::string(259, 'c'));
}

TEST_F(ConfigTest, LoginServersComeOnlyFromTheLoginServerFile) {
    ReadMain("LoginServer=1.2.3.4,7775\nBackupLoginServer=1.2.3.5,7775\nLoginServerFile=servers.cfg\n");
    EXPECT_TRUE(GetLoginServerLists().login.empty());
    EXPECT_TRUE(GetLoginServerLists().backup.empty());
    EXPECT_EQ(GetLoginServerLists().chosen, -1);
    EXPECT_STREQ(GetLoginServerFile(), "servers.cfg");

    std::string lines = "LoginServer=1.2.3.4,7775\n"
                        "LoginServer=login.example,2593\n"
                        "LoginServer=1.2.3.4,99999\n" // refused: no 16-bit port
                        "BackupLoginServer=9.8.7.6,12345\n";
    for (int i = 0; i < 8; ++i)
        lines += "LoginServer=10.0.0." + std::to_string(i) + ",5000\n";
    dir.write("servers.cfg", lines);
    CApp::readConfig(GetLoginServerFile(), false);

    const LoginServerLists& lists = GetLoginServerLists();
    ASSERT_EQ(lists.login.size(), 8u);
    EXPECT_TRUE(lists.login[0].numeric);
    EXPECT_EQ(lists.login[0].address, platform::MakeIPv4(1, 2, 3, 4));
    EXPECT_EQ(lists.login[0].port, 7775);
    EXPECT_FALSE(lists.login[1].numeric);
    EXPECT_EQ(lists.login[1].host, "login.example,2593");
    EXPECT_EQ(lists.login[2].address, platform::MakeIPv4(10, 0, 0, 0));
    EXPECT_EQ(lists.login[7].address, platform::MakeIPv4(10, 0, 0, 5));
    ASSERT_EQ(lists.backup.size(), 1u);
    EXPECT_EQ(lists.backup[0].port, 12345);
    EXPECT_EQ(lists.chosen, 0);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "port above 65535"));
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "more than 8 'LoginServer' lines"));
}

TEST_F(ConfigTest, NumericAddressShapes) {
    struct Case {
        const char* text;
        bool numeric;
    };
    const Case cases[] = {
        {"1.2.3.4,7775", true},    {"255.255.255.255,65535", true},
        {"1.2.3.4,99999", true},   {"1.2.3.4,775", false},
        {"1.2.3.4,123456", false}, {"1.2.3,7775", false},
        {"1.2.3.4.5,7775", false}, {"1234.2.3.4,7775", false},
        {"1.2.3.4,7775 ", false},  {"host.example,7775", false},
        {"1.2.3.4", false},        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsNumericAddress(c.text), c.numeric) << c.text;
    EXPECT_THROW(IsNumericAddress(nullptr), qvtest::ProcessExit);
}

std::vector<uint32_t> FakeResolver(std::string_view host) {
    if (host == "multi")
        return {platform::MakeIPv4(10, 0, 0, 1), platform::MakeIPv4(10, 0, 0, 2),
                platform::MakeIPv4(10, 0, 0, 3)};
    if (host == "single") return {platform::MakeIPv4(192, 168, 1, 9)};
    return {};
}

TEST_F(ConfigTest, HostAddressesRotateOverOneIndexForAllHosts) {
    SetHostResolver(FakeResolver);
    struct Step {
        const char* text;
        std::string address; // a.b.c.d:port
        int indexAfter;
    };
    const Step steps[] = {
        {"multi,2593", "10.0.0.1:2593", 1},
        {"multi,2593", "10.0.0.2:2593", 2},
        {"single,7775", "192.168.1.9:7775", 1}, // index 2 is past the end: back to 0
        {"multi", "10.0.0.2:0", 2},             // no comma: port 0
        {"multi,2593", "10.0.0.3:2593", 3},
        {"multi,2593", "10.0.0.1:2593", 1},
        {"unknown,2593", "0.0.0.0:0", 1},
        {"multi,65536", "0.0.0.0:0", 1}, // not a 16-bit port
    };
    for (const Step& s : steps) {
        int a, b, c, d, port;
        ResolveHostAddress(s.text, a, b, c, d, port);
        EXPECT_EQ(std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." +
                      std::to_string(d) + ":" + std::to_string(port),
                  s.address)
            << s.text;
        EXPECT_EQ(GetHostRotationIndex(), s.indexAfter) << s.text;
    }
    // Host entries of the list resolve through the same rotation; "EditServer" at once.
    LoginServerEntry entry;
    entry.host = "multi,1000";
    uint32_t address = 0;
    uint16_t port = 0;
    EXPECT_TRUE(ResolveLoginServer(entry, address, port));
    EXPECT_EQ(address, platform::MakeIPv4(10, 0, 0, 2));
    EXPECT_EQ(port, 1000);
    ReadMain("EditServer=single,2000\n");
    EXPECT_EQ(EditServer.address, platform::MakeIPv4(192, 168, 1, 9));
    EXPECT_EQ(EditServer.port, 2000);
}

TEST_F(ConfigTest, SavingRewritesTheKeysLineInPlaceOrAppends) {
    struct Case {
        std::string before;
        ConfigKind kind;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        // The first line of the key is replaced, whatever its case; every other byte stays.
        {"; comment\r\nlastSERVERid = 3\nFoo=bar\r\nLastServerID=9\n", ConfigKind::LastServerID, "7",
         "; comment\r\nLastServerID=7\r\nFoo=bar\r\nLastServerID=9\n"},
        {"A=1\rLastServerID=3\rB=2", ConfigKind::LastServerID, "4", "A=1\rLastServerID=4\r\nB=2"},
        {"A=1\r\n", ConfigKind::SkillReportDiff, "50", "A=1\r\nSkillReportDiff=50\n"},
        {"A=1", ConfigKind::SkillReportDiff, "50", "A=1\nSkillReportDiff=50\n"},
        {"", ConfigKind::Language, "Deutsch", "Language=Deutsch\n"},
    };
    for (const Case& c : cases) {
        dir.write("qv.cfg", c.before);
        saveConfigDirective(c.kind, c.value);
        EXPECT_EQ(Read("qv.cfg"), c.after) << c.before;
    }
    // A missing file is created.
    std::filesystem::remove(dir.file("qv.cfg"));
    saveConfigDirective("ClientFirstLaunch", "no");
    EXPECT_EQ(Read("qv.cfg"), "ClientFirstLaunch=no\n");
}

// "qv.cfg" holds the scrambled password, so only its mode keeps other local users out: made 0600
// by the first save of any writer, kept so by rewrites, and narrowed when an older save left it
// readable by others.
TEST_F(ConfigTest, QvCfgIsReadableByTheUserAlone) {
    const std::function<void()> writers[] = {
        [] { saveConfigDirective(ConfigKind::AcctPassword, "secret"); },
        [] { saveMainConfigDirective(ConfigKind::LastServerID, "2"); },
        [] { SaveConfigOptions(); },
    };
    auto mode = [&] {
        struct stat st {};
        EXPECT_EQ(::stat(dir.file("qv.cfg").c_str(), &st), 0);
        return st.st_mode & 07777;
    };
    for (const auto& save : writers) {
        std::filesystem::remove(dir.file("qv.cfg"));
        save();
        EXPECT_EQ(mode(), 0600u) << "after the first save";
        save();
        EXPECT_EQ(mode(), 0600u) << "after a rewrite";
        ::chmod(dir.file("qv.cfg").c_str(), 0644);
        save();
        EXPECT_EQ(mode(), 0600u) << "after a rewrite of a file others could read";
    }
}

// A player's "qv.cfg" with the account, the login servers and options.
const std::string kPlayersFile = "AcctID=me\r\nLoginServer=login.example.net,7775\r\nNextLoginKey=3\r\n"
                                 "FrameSkipping=on\r\n;------------------------------\r\nSound=on\r\n";

// Every writer of "qv.cfg" in turn, twice over: the shard list's key, the main file's, the options.
// Answers how many boxes told the player about "qv.cfg".
int SaveEverything() {
    for (int round = 0; round < 2; ++round) {
        saveConfigDirective("NextLoginKey", "5");
        saveMainConfigDirective(ConfigKind::LastServerID, "2");
        SaveConfigOptions();
    }
    int told = 0;
    for (const auto& box : platform::headless::MessageBoxes())
        if (box.text.find("qv.cfg") != std::string::npos) ++told;
    return told;
}

// A file that is there but cannot be read is left alone by every writer: rewriting it would keep
// only the one key being saved.
TEST_F(ConfigTest, AQvCfgThatCannotBeReadIsNeverRewritten) {
    // Root reads anything; a folder in place of the file fails for root as well.
    std::filesystem::create_directories(dir.path() / "qv.cfg");
    EXPECT_EQ(SaveEverything(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "qv.cfg"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "qv.cfg"));
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "cannot read"));
    std::filesystem::remove(dir.path() / "qv.cfg");

    // A root-owned file of mode 0000 (left by a run under sudo), met by the player's own account
    // in a folder the player may write.
    dir.write("qv.cfg", kPlayersFile);
    ::chmod(dir.file("qv.cfg").c_str(), 0000);
    ::chmod(dir.path().c_str(), 0777);
    int result = qvtest::RunAsPlayer([] { return SaveEverything() == 1 ? 0 : 1; });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Read("qv.cfg"), kPlayersFile);
}

// A save that fails (a full disk, a read-only folder or file) keeps the old file, is reported, and
// the client goes on; before, a key that was already in the file ended the process.
TEST_F(ConfigTest, AFailedSaveKeepsTheOldFileAndTheClientGoesOn) {
    dir.write("qv.cfg", kPlayersFile);
    {
        qvtest::FileSizeLimit fullDisk(16);
        EXPECT_EQ(SaveEverything(), 1);
    }
    EXPECT_EQ(Read("qv.cfg"), kPlayersFile);
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Error, "saveConfigDirective: cannot open 'qv.cfg'. why?"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1); // no temporary left

    struct Case {
        const char* what;
        mode_t folderMode;
        mode_t fileMode;
    } cases[] = {
        {"a read-only folder", 0555, 0644},
        {"a read-only file", 0777, 0444},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::chmod(dir.path().c_str(), 0755);
        dir.write("qv.cfg", kPlayersFile);
        qvtest::GiveToPlayer(dir.file("qv.cfg"));
        ::chmod(dir.file("qv.cfg").c_str(), c.fileMode);
        ::chmod(dir.path().c_str(), c.folderMode);
        int result = qvtest::RunAsPlayer([] {
            platform::headless::ClearMessageBoxes();
            StoreErrors::ResetForTests();
            return SaveEverything() == 1 ? 0 : 1;
        });
        ::chmod(dir.path().c_str(), 0755);
        if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
        EXPECT_EQ(result, 0) << (result == qvtest::kChildEnded ? "the client ended" : "");
        EXPECT_EQ(Read("qv.cfg"), kPlayersFile);
    }
}

TEST_F(ConfigTest, PasswordKeysAreDroppedWhileForgottenAndNeverKeptPerCharacter) {
    const std::string main = "AcctID=me\r\nAcctPassword=nop\r\nRememberAcctPW=on\r\n";
    dir.write("qv.cfg", main);
    saveConfigDirective(ConfigKind::AcctPassword, "xyz");
    EXPECT_EQ(Read("qv.cfg"), "AcctID=me\r\nAcctPassword=xyz\r\nRememberAcctPW=on\r\n");

    SetForgetPassword(true);
    saveConfigDirective(ConfigKind::AcctPassword, "xyz");
    saveMainConfigDirective(ConfigKind::RememberAcctPW, "on");
    saveConfigDirective(ConfigKind::NumPassTries, "3"); // absent: not appended either
    EXPECT_EQ(Read("qv.cfg"), "AcctID=me\r\n");
    SetForgetPassword(false);

    // A character's own file never holds them.
    ChooseCharacter("me", "Shard", "Bob");
    dir.write("Desktop/me/Shard/Bob/qv.cfg", "AcctPassword=old\r\nSound=on\r\n");
    saveConfigDirective(ConfigKind::AcctPassword, "new");
    saveConfigDirective(ConfigKind::NumPassTries, "3");
    saveConfigDirective(ConfigKind::Sound, "off");
    EXPECT_EQ(Read("Desktop/me/Shard/Bob/qv.cfg"), "Sound=off\r\n");
    saveMainConfigDirective(ConfigKind::NumPassTries, "3");
    EXPECT_EQ(Read("qv.cfg"), "AcctID=me\r\nNumPassTries=3\n");
}

TEST_F(ConfigTest, ACharactersReadingLeavesTheAccountsKeysAlone) {
    const std::string keys = "AcctPassword=nop\nRememberAcctPW=on\nGlobalQueue=on\nNextLoginKey=7\n"
                             "TranslationServerTranslatorName=x\nTranslationServerAutomatic=off\n"
                             "NumPassTries=4\nClientLogin=12\nFullScreen=on\nSound=off\n";
    ChooseCharacter("me", "Shard", "Bob");
    MarkFirstReadDone();
    dir.write("Desktop/me/Shard/Bob/qv.cfg", keys);
    CApp::readConfig("qv.cfg", true);
    EXPECT_EQ(AcctPassword, "");
    EXPECT_FALSE(RememberAcctPW);
    EXPECT_FALSE(GlobalQueue);
    EXPECT_EQ(NextLoginKey, 0);
    EXPECT_EQ(TranslationServerTranslatorName, "");
    EXPECT_EQ(NumPassTries, 0);
    EXPECT_EQ(ClientLogin, 0);
    // Keys of the character, and the automatic translation, apply.
    EXPECT_FALSE(TranslationServerAutomatic);
    EXPECT_TRUE(FullScreen);
    EXPECT_FALSE(Sound);

    // The same keys from the main file apply.
    ResetOptions();
    CApp::SetShardName("");
    ReadMain(keys);
    EXPECT_EQ(AcctPassword, "abc");
    EXPECT_TRUE(RememberAcctPW);
    EXPECT_EQ(NextLoginKey, 7);
    EXPECT_EQ(ClientLogin, 12);
}

TEST_F(ConfigTest, TheCharacterFolderIsMadeOfSafeNames) {
    ChooseCharacter("acct/..", "../../evil", "A.B");
    EXPECT_EQ(ConfigFiles::PerCharacterName("qv.cfg"), "Desktop/acct_/evil_/A_B_/qv.cfg");
    ChooseCharacter("", "..", "Bob ");
    EXPECT_EQ(ConfigFiles::PerCharacterName("qv.cfg"), "Desktop/_/_/Bob_/qv.cfg");
    ChooseCharacter("me", "", "Bob");
    EXPECT_EQ(ConfigFiles::PerCharacterName("qv.cfg"), std::nullopt);
}

TEST_F(ConfigTest, NewPlayersStartWithTheFilterOffOncePerRun) {
    dir.write("qv.cfg", "ObscenityFilter=on\nClientLogin=1\n");
    CApp::readConfig("qv.cfg", true);
    EXPECT_FALSE(ObscenityFilter);
    EXPECT_EQ(Read("qv.cfg"), "ObscenityFilter=off\r\nClientLogin=1\n");
    CApp::readConfig("qv.cfg", true); // the rule does not run again
    EXPECT_FALSE(ObscenityFilter);
    dir.write("qv.cfg", "ObscenityFilter=on\nClientLogin=1\n");
    CApp::readConfig("qv.cfg", true);
    EXPECT_TRUE(ObscenityFilter);
}

TEST_F(ConfigTest, LookingUpOneKeyTakesItsLastNonEmptyValueUpToABlank) {
    dir.write("qv.cfg",
              "UserLanguageCodeString=DEU\nuserlanguagecodestring=FRA extra\nUserLanguageCodeString=\n");
    std::string value;
    EXPECT_TRUE(getQVCfgDirective(ConfigKind::UserLanguageCodeString, value));
    EXPECT_EQ(value, "FRA");
    EXPECT_FALSE(getQVCfgDirective(ConfigKind::AcctID, value));
    EXPECT_TRUE(recorder->contains("getQVCfgDirective: found 'userlanguagecodestring'."));
}

TEST_F(ConfigTest, AMissingFileIsAnErrorAndChangesNothing) {
    CApp::readConfig("nothing.cfg", false);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error,
                                   "File:config, Function:CApp::readConfig: cannot open file ''."));
    EXPECT_TRUE(GetLoginServerLists().login.empty());
}

TEST_F(ConfigTest, TheSampleInstallationStartsWithoutTheIntroAndFindsTheTestServer) {
    std::string error;
    ASSERT_TRUE(mkinstall::WriteInstallation(dir.path().string(), &error)) << error;
    CApp::readConfig("qv.cfg", true);
    CApp::readConfig(GetLoginServerFile(), false);
    EXPECT_FALSE(ShowIntroAnim);
    EXPECT_FALSE(ClientFirstLaunch);
    EXPECT_FALSE(FullScreen);
    ASSERT_EQ(GetLoginServerLists().login.size(), 1u);
    EXPECT_EQ(GetLoginServerLists().login[0].address, platform::kLoopback);
    EXPECT_EQ(GetLoginServerLists().login[0].port, mkinstall::kLoginPort);
    FileManager::startupWithPaths(dir.path().string(), "");
    CApp::LoadSpeechKeywords();
    ASSERT_EQ(SpeechKeywords::Get().size(), std::size(mkinstall::kSampleKeywords));
    EXPECT_EQ(SpeechKeywords::Get()[1].text, "*bank*");
}

TEST_F(ConfigTest, TheKeyTableKnowsEveryKeyOnce) {
    EXPECT_EQ(kClassicConfigKeyCount, 144);
    int rows = 0;
    for (const ConfigKey* row = ConfigKeyTable(); row->name; ++row, ++rows) {
        EXPECT_EQ(FindConfigKind(row->name), row->kind) << row->name;
        EXPECT_STREQ(ConfigKeyName(row->kind), row->name);
    }
    EXPECT_EQ(rows, kConfigKeyCount);
    EXPECT_EQ(FindConfigKind("USE565"), ConfigKind::use565);
    EXPECT_EQ(FindConfigKind("Use"), ConfigKind::None);
    EXPECT_STREQ(ConfigKeyName(ConfigKind::None), "");
}

} // namespace
