#include "ConfigFixture.h"

#include "platform/headless.h"

#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

using qvtest::ConfigFixture;

class CharDataTest : public ConfigFixture {};

std::string Hues(std::initializer_list<int> hues) {
    std::string bytes;
    for (int h : hues) {
        bytes += static_cast<char>(h & 0xFF);
        bytes += static_cast<char>(h >> 8);
    }
    return bytes;
}

TEST_F(CharDataTest, TheFileRoundTripsThroughTheCharactersPlace) {
    ChooseCharacter("me", "Shard", "A.B");
    std::filesystem::create_directories(dir.file("Desktop/me/Shard/A_B_"));
    for (int slot = 0; slot < CharData::kSlots; ++slot) {
        CharData::SetSpeechHue(slot, static_cast<uint16_t>(100 + slot));
        CharData::SetEmoteHue(slot, static_cast<uint16_t>(0xF000 + slot));
    }
    CApp::SaveCharData();
    EXPECT_EQ(Read("Desktop/me/Shard/A_B_/chardata.mul"),
              Hues({100, 101, 102, 103, 104, 0xF000, 0xF001, 0xF002, 0xF003, 0xF004}));

    CharData::ResetForTests();
    DefaultChar = 3;
    CApp::LoadCharData();
    EXPECT_EQ(CApp::GetSpeechHue(), 103);
    EXPECT_EQ(CApp::GetEmoteHue(), 0xF003);
    EXPECT_EQ(CharData::GetSpeechHue(0), 100);
}

TEST_F(CharDataTest, WithoutItsFolderTheWorkingFolderServes) {
    ChooseCharacter("me", "Shard", "Bob");
    CApp::SetSpeechHue(42);
    CApp::SaveCharData(); // no "Desktop/me/Shard/Bob": the working folder's file
    EXPECT_EQ(Read("chardata.mul").size(), CharData::kFileBytes);
    CharData::ResetForTests();
    CApp::LoadCharData();
    EXPECT_EQ(CApp::GetSpeechHue(), 42);
}

TEST_F(CharDataTest, AShortFileSetsWhatItHolds) {
    dir.write("chardata.mul", Hues({1, 2, 3}) + "\x07");
    CApp::LoadCharData();
    EXPECT_EQ(CharData::GetSpeechHue(2), 3);
    EXPECT_EQ(CharData::GetSpeechHue(3), CharData::kDefaultSpeechHue);
    EXPECT_EQ(CharData::GetEmoteHue(0), CharData::kDefaultEmoteHue);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "holds 7 of 20 bytes"));
}

TEST_F(CharDataTest, AMissingFileKeepsTheCurrentHues) {
    CApp::SetSpeechHue(5);
    CApp::LoadCharData();
    EXPECT_EQ(CApp::GetSpeechHue(), 5);
    EXPECT_EQ(CharData::GetSpeechHue(0), CharData::kDefaultSpeechHue); // the slots went back to defaults
    EXPECT_TRUE(recorder->contains("CApp::LoadCharData: cannot open file"));
}

TEST_F(CharDataTest, SlotsOutsideTheFiveAreRefused) {
    CharData::SetSpeechHue(5, 1);
    CharData::SetSpeechHue(-1, 1);
    EXPECT_EQ(CharData::GetSpeechHue(5), CharData::kDefaultSpeechHue);
    DefaultChar = 9; // never from the file, but the slot must still be one of the five
    CApp::SetEmoteHue(7);
    EXPECT_EQ(CharData::GetEmoteHue(0), 7);
}

} // namespace

namespace {

// Hues loaded from a file that could not be read are defaults, not the file's: saving them would
// overwrite every slot. The file is left alone, the player told once, and the client goes on.
TEST_F(CharDataTest, AFileThatCouldNotBeReadIsNotOverwritten) {
    const std::string stored = Hues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    dir.write("chardata.mul", stored);
    ::chmod(dir.file("chardata.mul").c_str(), 0000);
    ::chmod(dir.path().c_str(), 0777);
    int result = qvtest::RunAsPlayer([] {
        CApp::LoadCharData();
        if (CApp::GetSpeechHue() != CharData::kDefaultSpeechHue) return 1;
        CApp::SetSpeechHue(77); // the session goes on with the hue in memory
        CApp::SaveCharData();
        CApp::SaveCharData();
        if (CApp::GetSpeechHue() != 77) return 2;
        int told = 0;
        for (const auto& box : platform::headless::MessageBoxes())
            told += box.text.find("chardata.mul") != std::string::npos;
        return told == 1 ? 0 : 3;
    });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
    ::chmod(dir.file("chardata.mul").c_str(), 0644);
    EXPECT_EQ(Read("chardata.mul"), stored);

    // Once it reads again, saving works as before.
    CApp::LoadCharData();
    CApp::SetSpeechHue(77);
    CApp::SaveCharData();
    EXPECT_EQ(Read("chardata.mul").substr(0, 2), Hues({77}));
}

} // namespace
