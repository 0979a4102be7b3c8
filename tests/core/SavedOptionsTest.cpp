// The options window's tables, their setters and the saved option block. The block saved at the
// defaults is compared byte for byte with golden/qv_defaults.cfg; set QV_UPDATE_GOLDEN=1 to write
// it anew after an intended change.
#include "ConfigFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using qvtest::ConfigFixture;

class SavedOptionsTest : public ConfigFixture {
  protected:
    std::vector<std::string> calls;

    void SetUp() override {
        ConfigFixture::SetUp();
        AppServices& s = Services();
        s.enableSound = [this](bool on) { calls.push_back(std::string("sound ") + (on ? "on" : "off")); };
        s.enableMusic = [this](bool on) { calls.push_back(std::string("music ") + (on ? "on" : "off")); };
        s.setSoundVolume = [this](int v) { calls.push_back("sound volume " + std::to_string(v)); };
        s.setMusicVolume = [this](int v) { calls.push_back("music volume " + std::to_string(v)); };
        s.setFullScreen = [this](bool on) {
            calls.push_back(std::string("full screen ") + (on ? "on" : "off"));
        };
        s.fullScreenMode = [this] { return fullScreen; };
        s.clearPopupHelpState = [this] { calls.push_back("popup help cleared"); };
        s.rebuildGameAreaEdges = [this] { calls.push_back("edges"); };
        s.recreateDC = [this] { calls.push_back("recreate DC"); };
        s.updatePlayerStepZ = [this] { calls.push_back("step z"); };
    }
    bool fullScreen = false;
};

std::filesystem::path GoldenPath(const std::string& name) {
    return std::filesystem::path(QV_TESTS_DIR "/core") / "golden" / name;
}

TEST_F(SavedOptionsTest, SavingAtTheDefaultsWritesTheGoldenFile) {
    // Other lines stay in their order, trailing empty lines go, the old block is written anew.
    dir.write("qv.cfg", "; my settings\r\nLoginServerFile=login.cfg\nAcctID=me\r\n"
                        ";------------------------------\r\nSound=off\r\nChatColorText=#ffffff\r\n\r\n\r\n");
    SaveConfigOptionsOldWay();
    const std::string saved = Read("qv.cfg");
    const std::string path = GoldenPath("qv_defaults.cfg").string();
    if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
        ASSERT_TRUE(platform::AtomicReplaceFile(path, saved.data(), saved.size())) << path;
        std::printf("golden file written: %s\n", path.c_str());
        return;
    }
    std::optional<std::vector<uint8_t>> golden = platform::ReadWholeFile(path);
    ASSERT_TRUE(golden.has_value()) << path << " is missing; run with QV_UPDATE_GOLDEN=1 to create it";
    EXPECT_EQ(saved, std::string(golden->begin(), golden->end()));
    // Every on/off row and nothing else after the separator.
    size_t block = saved.find(std::string(kConfigOptionSeparator) + "\r\n");
    ASSERT_NE(block, std::string::npos);
    EXPECT_EQ(std::count(saved.begin() + static_cast<long>(block), saved.end(), '\n'), 1 + 38);
}

TEST_F(SavedOptionsTest, ChangedOptionsAreWrittenInTheirForms) {
    ChatColorSelfName = 0x7C00;
    HighlightColorEnemy = 38;
    SkillReportDiff = 20;
    ToolTipFont = 2;
    Language = "Deutsch";
    SetSavedBoolConfigOption(u"MouseThread$", false);
    SaveConfigOptionsOldWay();
    const std::string saved = Read("qv.cfg");
    for (const char* line :
         {"ChatColorSelfName=#f80000\r\n", "HighlightColorEnemy=38\r\n", "SkillReportDiff=20\r\n",
          "ToolTipFont=2\r\n", "Language=Deutsch\r\n", "MouseThread=off\r\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line;
    EXPECT_EQ(saved.find("ChatColorText="), std::string::npos);
}

TEST_F(SavedOptionsTest, SavedOptionsReadBack) {
    Sound = false;
    FrameSkipping = true;
    ChatColorName = 0x7C00;
    PartyMessageColor = 38;
    BarkTimeModifier = 150;
    ChatFontNumber = 1;
    GamePlayWindowSize = "800x600";
    FullScreenRes = "800x600";
    Language = "Francais";
    SetSavedBoolConfigOption(u"UnicodeSpeech$", true);
    SaveConfigOptionsOldWay();
    const std::string saved = Read("qv.cfg");

    ResetModules();
    ConfigFiles::SetWorkingFolder(dir.path().string());
    ReadMain(saved);
    EXPECT_FALSE(Sound);
    EXPECT_TRUE(FrameSkipping);
    EXPECT_EQ(ChatColorName, 0x7C00);
    EXPECT_EQ(PartyMessageColor, 38);
    EXPECT_EQ(BarkTimeModifier, 150);
    EXPECT_EQ(ChatFontNumber, 1);
    EXPECT_EQ(GamePlayWindowSize, "800x600");
    EXPECT_EQ(FullScreenRes, "800x600");
    EXPECT_EQ(Language, "Francais");
    EXPECT_TRUE(UnicodeSpeech); // at the next start
}

TEST_F(SavedOptionsTest, ForgottenPasswordsLeaveNoLine) {
    dir.write("qv.cfg", "AcctPassword=nop\r\nNumPassTries=3\r\nAcctID=me\r\n");
    RememberAcctPW = true;
    SetForgetPassword(true);
    SaveConfigOptionsOldWay();
    const std::string saved = Read("qv.cfg");
    EXPECT_EQ(saved.find("AcctPassword"), std::string::npos);
    EXPECT_EQ(saved.find("NumPassTries"), std::string::npos);
    EXPECT_EQ(saved.find("RememberAcctPW"), std::string::npos);
    EXPECT_EQ(saved.rfind("AcctID=me\r\n", 0), 0u);
}

TEST_F(SavedOptionsTest, TheCharactersFileIsCreatedWithoutPasswords) {
    SaveConfigOptions();
    EXPECT_TRUE(recorder->contains("Servername or CApp::name no good, returning."));
    EXPECT_FALSE(std::filesystem::exists(dir.file("Desktop")));
    EXPECT_EQ(Read("chardata.mul").size(), CharData::kFileBytes); // no character place: the working folder

    ChooseCharacter("me", "Shard", "Bob");
    dir.write("qv.cfg", "AcctPassword=nop\r\n");
    RememberAcctPW = true;
    SaveConfigOptions();
    const std::string own = Read("Desktop/me/Shard/Bob/qv.cfg");
    EXPECT_EQ(own.rfind(kConfigOptionSeparator, 0), 0u);
    EXPECT_EQ(own.find("RememberAcctPW"), std::string::npos);
    EXPECT_NE(Read("qv.cfg").find("RememberAcctPW=on"), std::string::npos); // the main file keeps it
    EXPECT_NE(Read("qv.cfg").find("AcctPassword=nop"), std::string::npos);

    // The next save keeps the character's other lines and drops its password lines.
    // ("Journal=1" would go: a key that starts an option's name counts as that option.)
    dir.write("Desktop/me/Shard/Bob/qv.cfg", "Notes=1\r\nAcctPassword=x\r\n");
    SaveConfigOptions();
    EXPECT_EQ(
        Read("Desktop/me/Shard/Bob/qv.cfg").rfind(std::string("Notes=1\r\n") + kConfigOptionSeparator, 0),
        0u);
}

TEST_F(SavedOptionsTest, NextStartOptionsWaitAndRaiseTheRestartFlag) {
    ASSERT_TRUE(MouseThread);
    EXPECT_TRUE(HasSavedBoolConfigOption(u"MouseThread$"));
    EXPECT_FALSE(HasSavedBoolConfigOption(u"MouseThread"));
    SetSavedBoolConfigOption(u"MouseThread$", false);
    EXPECT_TRUE(IsRestartNeeded());
    EXPECT_FALSE(GetSavedBoolConfigOption(u"MouseThread$"));
    EXPECT_TRUE(MouseThread); // the cursor thread runs on until the next start
    EXPECT_TRUE(GetSavedBoolConfigOptionDefault(u"MouseThread$"));

    struct Step {
        bool value;
        bool restart;
    };
    // Against the pending value, not the variable.
    const Step steps[] = {{false, false}, {true, true}, {true, false}};
    for (const Step& s : steps) {
        ClearRestartNeeded();
        SetSavedBoolConfigOption(u"MouseThread$", s.value);
        EXPECT_EQ(IsRestartNeeded(), s.restart) << s.value;
    }
    ClearRestartNeeded();
    SetSavedBoolConfigOption(u"Use565$", false); // equal to the variable
    EXPECT_FALSE(IsRestartNeeded());
}

TEST_F(SavedOptionsTest, SettersTakeEffectAtOnce) {
    SetSavedBoolConfigOption(u"Sound", false);
    SetSavedBoolConfigOption(u"Music", true);
    SetSavedBoolConfigOption(u"FullScreen", true);
    SetSavedBoolConfigOption(u"PopupHelpEnabled", false);
    SetSavedIntConfigOption(u"SoundVol", 100);
    SetSavedIntConfigOption(u"MusicVol", 50);
    SetSavedIntConfigOption(u"CircleTransRadius", 80);
    SetSavedFontConfigOption(u"ToolTipFont", 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"sound off", "music on", "full screen on",
                                               "popup help cleared", "sound volume 100", "music volume 50"}));
    EXPECT_FALSE(Sound);
    EXPECT_TRUE(FullScreen);
    EXPECT_FALSE(PopupHelpEnabled);
    EXPECT_EQ(SoundVol, 100);
    EXPECT_EQ(CircleTransRadius, 80);
    EXPECT_EQ(ToolTipFont, 0);
    EXPECT_FALSE(IsRestartNeeded());
}

TEST_F(SavedOptionsTest, KeysMatchTheStartOfANameWithCase) {
    struct Case {
        const char16_t* key;
        bool has;
        bool value;
    };
    Footsteps = false;
    const Case cases[] = {
        {u"Footsteps", true, false},   {u"Foot", true, false},       {u"footsteps", false, false},
        {u"FootstepsX", false, false}, {u"Sound8Bit", false, false}, {u"Sound8Bit$", true, false},
        {u"Nothing", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasSavedBoolConfigOption(c.key), c.has);
        EXPECT_EQ(GetSavedBoolConfigOption(c.key), c.value);
    }
    SetSavedBoolConfigOption(u"footsteps", true); // no row: ignored
    EXPECT_FALSE(Footsteps);
    EXPECT_EQ(GetSavedIntConfigOption(u"Bark"), 100); // "BarkTimeModifier"
    EXPECT_EQ(GetSavedFontConfigOption(u"Bark"), 0);  // "BarkFontNumber"
    EXPECT_EQ(GetSavedIntConfigOptionDefault(u"Nothing"), 0);
    EXPECT_EQ(GetSavedRadioConfigOption(u"Nothing"), u"");
    EXPECT_EQ(GetSavedRadioConfigOptionDefault(u"Language"), u"English");
}

TEST_F(SavedOptionsTest, ColourKeysIncludeTheCharacterHues) {
    DefaultChar = 2;
    EXPECT_TRUE(HasSavedColorConfigOption(u"%SpeechHue"));
    EXPECT_TRUE(HasSavedColorConfigOption(u"%PartyMessageColor"));
    EXPECT_FALSE(HasSavedColorConfigOption(u"%Other"));
    SetSavedColorConfigOption(u"%SpeechHue", 1200);
    SetSavedColorConfigOption(u"%EmoteHue", 33);
    SetSavedColorConfigOption(u"%PartyMessageColor", 77);
    SetSavedColorConfigOption(u"ChatColorText", 0x1234);
    EXPECT_EQ(GetSavedColorConfigOption(u"%SpeechHue"), 1200);
    EXPECT_EQ(CharData::GetSpeechHue(2), 1200);
    EXPECT_EQ(CharData::GetEmoteHue(2), 33);
    EXPECT_EQ(CharData::GetSpeechHue(0), CharData::kDefaultSpeechHue);
    EXPECT_EQ(GetSavedColorConfigOption(u"%PartyMessageColor"), 77);
    EXPECT_EQ(PartyMessageColor, 144); // the option row is another value
    EXPECT_EQ(ChatColorText, 0x1234);
    EXPECT_EQ(GetSavedColorConfigOptionDefault(u"ChatColorText"), 0x7FE0);
    for (int i = 0; i < 50; ++i) {
        int hue = GetSavedColorConfigOptionDefault(u"%EmoteHue");
        EXPECT_GE(hue, 1);
        EXPECT_LE(hue, 1000);
    }
}

TEST_F(SavedOptionsTest, TheGameAreaSizePullsTheFullScreenModeAlong) {
    SetSavedRadioConfigOption(u"GamePlayWindowSize", u"800x600");
    EXPECT_EQ(GraphicManager::GetScreenWidth(), 800);
    EXPECT_EQ(GamePlayWindowSize, "800x600");
    EXPECT_EQ(FullScreenRes, "800x600");
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "Setting 'FullScreenRes=800x600'"));
    EXPECT_EQ(calls, (std::vector<std::string>{"edges", "recreate DC", "step z"}));

    // A new resolution in full screen leaves it and enters it again; the same one does not.
    calls.clear();
    fullScreen = true;
    SetSavedRadioConfigOption(u"FullScreenRes", u"1024x768");
    SetSavedRadioConfigOption(u"FullScreenRes", u"1024X768");
    EXPECT_EQ(calls, (std::vector<std::string>{"full screen off", "full screen on"}));
    EXPECT_EQ(GetSavedRadioConfigOption(u"FullScreenRes"), u"1024X768");
}

TEST_F(SavedOptionsTest, ResettingTheDefaultsLeavesNextStartAndTextChoices) {
    Sound = false;
    ChatColorInput = 1;
    SoundVol = 3;
    ChatFontNumber = 0;
    MouseThread = false;
    Language = "Deutsch";
    CApp::resetConfigDefaults();
    EXPECT_TRUE(Sound);
    EXPECT_EQ(ChatColorInput, 0x7BDE);
    EXPECT_EQ(SoundVol, 255);
    EXPECT_EQ(ChatFontNumber, 2);
    EXPECT_FALSE(MouseThread);
    EXPECT_EQ(Language, "Deutsch");
}

TEST_F(SavedOptionsTest, OptionLinesAreKnownByTheirKeys) {
    struct Case {
        const char* line;
        bool option;
    };
    const Case cases[] = {
        {";------------------------------", true},
        {";------------------------------ more", true},
        {"; comment", false},
        {"Sound=on", true},
        {"  Sound = off", true},
        {"PageFlip=gdi", true}, // a next-start row
        {"use565=on", false},   // the table says "Use565"
        {"%SpeechHue=3", true},
        {"Language=English", true},
        {"ChatFontNumber=1", true},
        {"LoginServerFile=x", false},
        {"AcctID=me", false},
        {"", false},
        {" = ", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsConfigOptionLine(c.line), c.option) << c.line;
}

} // namespace
