// Character creation's profession screen on the real client against the test server: an account
// without characters opens it, a profession fills the creation choices, the custom entry's sliders
// and skill list, and golden pictures of the screen.
#include "FrontEndFixture.h"

#include "app/multcli.h"
#include "frontend/Creation.h"
#include "frontend/ProfessionGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/MouseManager.h"
#include "render/Ppm.h"
#include "windows/SkillTable.h"

#include <cstring>

namespace qvtest {
namespace {

class CreationTest : public FrontEndTest {
  protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        ProfessionCustomMode() = false;
    }
    void TearDown() override {
        ProfessionScreen().reset();
        CharCreationScreen().reset();
        CreationDraft() = {};
        ProfessionCustomMode() = false;
        FrontEndTest::TearDown();
    }
    // Logs in with an account that has no characters; the profession screen opens in its place.
    ProfessionGump* OpenForNewAccount() {
        testshard::Script script;
        script.shards = {{"Alpha"}};
        script.characters = {};
        StartClient(script);
        if (HasFatalFailure()) return nullptr;
        Type("new\tsecret\r");
        EXPECT_TRUE(RunUntil([] { return FrontEnd::ServerList().get() != nullptr; })) << "no shard list";
        if (!FrontEnd::ServerList().get()) return nullptr;
        FrontEnd::ServerList()->SelectServer(0);
        EXPECT_TRUE(RunUntil([] { return ProfessionScreen().get() != nullptr; })) << "no profession screen";
        return ProfessionScreen().get();
    }
    void ClickGump(CGump* g, int dx = 10, int dy = 10) {
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(g, &sx, &sy);
        Click(sx + dx, sy + dy);
    }
    static std::vector<uint8_t> Picture() {
        PixelBlock block(640, 480);
        const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
        std::vector<CGump*> order;
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            order.push_back(g);
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            if ((*it)->visible) (*it)->Draw(target, Rect{0, 0, 640, 480});
        return EncodePpm(block.pixels.data(), block.width, block.height);
    }
    void Expect(const char* name) {
        // The pointer rests where nothing lights up.
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, 300, 470);
        Passes(2);
        ExpectGoldenPpm(std::filesystem::path(QV_TESTS_DIR "/frontend/golden") / name, Picture());
    }
};

TEST_F(CreationTest, AProfessionFillsTheChoices) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    // Three top-level records of the sample and the custom entry.
    ASSERT_EQ(screen->buttons.size(), 4u);
    EXPECT_EQ(screen->buttons.back()->record, nullptr);
    EXPECT_GT(SkillTable().count, 0) << "the skill table is read at start-up";

    // The category opens in place; up goes back to the top level.
    ClickGump(screen->buttons[2]);
    ASSERT_EQ(screen->buttons.size(), 2u);
    EXPECT_EQ(screen->buttons[0]->record->name, "Smith");
    EXPECT_TRUE(screen->visible);
    screen->OnNotify(0);
    ASSERT_EQ(screen->buttons.size(), 4u);
    screen->OnNotify(0); // at the top already: stays
    ASSERT_EQ(screen->buttons.size(), 4u);

    ClickGump(screen->buttons[0]);
    EXPECT_FALSE(screen->visible) << "a profession goes on to the next screen";
    const PacketManager::CreationChoices& c = CreationDraft();
    EXPECT_EQ(c.profession, 2);
    EXPECT_EQ(c.strength, 45);
    EXPECT_EQ(c.dexterity, 25);
    EXPECT_EQ(c.intelligence, 10);
    EXPECT_EQ(c.skills[0].index, 40);
    EXPECT_EQ(c.skills[0].value, 50);
    EXPECT_EQ(c.skills[1].index, 27);
    EXPECT_EQ(c.skills[2].index, 17);
    EXPECT_EQ(c.skills[2].value, 20);
}

TEST_F(CreationTest, CustomSlidersAndSkills) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    ClickGump(screen->buttons.back());
    ASSERT_TRUE(ProfessionCustomMode());
    ASSERT_TRUE(screen->sliders[0]->visible);

    // Drag strength's thumb to the track's start: the other two share what it gave.
    Passes(50); // the press below is not a double click with the button's
    CThumbGump* thumb = screen->sliders[0]->thumb;
    int sx = 0, sy = 0;
    CGump::GumpToScreenCoords(thumb, &sx, &sy);
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + 2, sy + 2);
    platform::headless::PushMouse(platform::WM_LBUTTONDOWN, sx + 2, sy + 2, 1);
    Passes(2);
    platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + 2 - 200, sy + 2, 1);
    // A captured drag is seen by the frame step's mouse update, not by the message itself.
    Passes(CApp::GetFrameInterval() / 10 + 1);
    platform::headless::PushMouse(platform::WM_LBUTTONUP, sx + 2 - 200, sy + 2);
    Passes(2);
    EXPECT_EQ(screen->sliders[0]->slider.value, 10);
    EXPECT_EQ(screen->sliders[1]->slider.value, 35);
    EXPECT_EQ(screen->sliders[2]->slider.value, 35);
    EXPECT_EQ(CreationDraft().dexterity, 35);

    // Two equal skills block the next screen.
    ProfessionNext(screen);
    EXPECT_FALSE(screen->visible);
    ASSERT_TRUE(FrontEnd::IsWaitingShown());
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(1);
    EXPECT_TRUE(screen->visible);

    // Each field opens the list; a row chooses the skill whose name it shows.
    const SkillTableData& table = SkillTable();
    for (int field = 0; field < 3; ++field) {
        Passes(50); // not a double click
        ClickGump(screen->skillFields[static_cast<size_t>(field)]);
        ASSERT_TRUE(screen->skillList->visible) << field;
        CSkillChoiceGump* list = screen->skillList;
        const int rowY = list->area.top + list->rowHeight * field + list->rowHeight / 2;
        // A list chooses on the tick after the press.
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(list, &sx, &sy);
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + list->area.left + 10, sy + rowY);
        platform::headless::PushMouse(platform::WM_LBUTTONDOWN, sx + list->area.left + 10, sy + rowY, 1);
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + list->area.left + 10, sy + rowY, 1);
        Passes(10);
        platform::headless::PushMouse(platform::WM_LBUTTONUP, sx + list->area.left + 10, sy + rowY);
        Passes(2);
        EXPECT_FALSE(list->visible);
        const int expected = table.order[static_cast<size_t>(list->rows.ids[static_cast<size_t>(field)])];
        EXPECT_EQ(screen->chosenSkills[static_cast<size_t>(field)], expected) << field;
        EXPECT_STREQ(screen->skillFields[static_cast<size_t>(field)]->Text(), SkillName(expected));
    }
    EXPECT_EQ(CreationDraft().profession, 0);
    ProfessionNext(screen);
    EXPECT_FALSE(FrontEnd::IsWaitingShown()) << "three distinct skills go on";
}

TEST_F(CreationTest, GoldenPictures) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    Expect("professions_top.ppm");
    ClickGump(screen->buttons[2]);
    Expect("professions_category.ppm");
    screen->OnNotify(0);
    Passes(1);
    ClickGump(screen->buttons.back());
    ClickGump(screen->skillFields[0]);
    Expect("professions_custom_skill_list.ppm");
}

} // namespace
} // namespace qvtest

namespace qvtest {
namespace {

TEST_F(CreationTest, ANamedProfessionEntersTheWorld) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    ClickGump(screen->buttons[0]); // the warrior
    ASSERT_NE(CharCreationScreen().get(), nullptr) << "the appearance screen follows";
    CCharCreationGump* look = CharCreationScreen().get();
    EXPECT_TRUE(look->visible);
    Expect("appearance_man.ppm");
    ClickGump(look->nameField);
    Type("Newcomer");
    Type("\r");
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); })) << "the world did not open";

    const std::vector<uint8_t> create = Received(0x00);
    ASSERT_EQ(create.size(), 104u);
    EXPECT_EQ(TextAt(create, 10, 30), "Newcomer");
    EXPECT_EQ(create[40 + 14], 2) << "the warrior's profession code in the client block";
    EXPECT_EQ(create[40 + 9], 1) << "a new character's login flag";
    // gender, strength, dexterity, intelligence, then the three skills.
    EXPECT_EQ(std::vector<uint8_t>(create.begin() + 70, create.begin() + 80),
              (std::vector<uint8_t>{0, 45, 25, 10, 40, 50, 27, 30, 17, 20}));
    EXPECT_EQ(create[82] << 8 | create[83], 0x203B) << "short hair";
    const auto& cities = PacketManager::GetLoginTables().cities;
    ASSERT_FALSE(cities.empty());
    EXPECT_EQ(create[90] << 8 | create[91], cities.front().index) << "the first listed city";
    EXPECT_EQ(create[92] << 24 | create[93] << 16 | create[94] << 8 | create[95], 0) << "slot";
}

TEST_F(CreationTest, NamesGenderAndSlots) {
    Install(dir, {});
    RunStartup();
    ShowCharCreationScreen();
    CCharCreationGump* look = CharCreationScreen().get();
    ASSERT_NE(look, nullptr);
    struct NameCase {
        const char* name;
        const char* refusal; // null: accepted
    };
    const NameCase names[] = {
        {"", "Your character name is too short."},
        {"A", "Your character name is too short."},
        {"9Lives", "Unacceptable name."},
        {"Al", nullptr},
    };
    for (const NameCase& n : names) {
        look->visible = true;
        look->nameField->SetText(n.name);
        FrontEnd::CloseWaiting();
        CheckCharacterName(look);
        EXPECT_FALSE(look->visible) << n.name;
        if (n.refusal) {
            EXPECT_TRUE(FrontEnd::IsWaitingShown()) << n.name;
            EXPECT_NE(CApp::GetName(), n.name) << "a refused name is not taken";
        } else {
            EXPECT_EQ(CApp::GetName(), n.name) << "an accepted name becomes the player's";
        }
    }

    // "Buns" is a woman's style: a switch to man leaves no hair.
    look->gender = 0;
    ToggleCharacterGender(look);
    ASSERT_EQ(look->gender, 1);
    look->hairStyle = 10;
    look->hairItem = 0x2046;
    ToggleCharacterGender(look);
    EXPECT_EQ(look->gender, 0);
    EXPECT_EQ(look->hairStyle, 0);
    EXPECT_EQ(look->hairItem, 0);
    look->hairStyle = 3;
    look->hairItem = 0x203D;
    ToggleCharacterGender(look);
    ToggleCharacterGender(look);
    EXPECT_EQ(look->hairStyle, 3) << "a style both wear stays";

    auto& slots = PacketManager::GetLoginTables().slots;
    for (auto& s : slots)
        s.name.clear();
    EXPECT_EQ(LowestFreeSlot(), 0);
    slots[0].name = "A";
    slots[1].name = "B";
    slots[3].name = "D";
    EXPECT_EQ(LowestFreeSlot(), 2);
    slots[2].name = "C";
    slots[4].name = "E";
    EXPECT_EQ(LowestFreeSlot(), 5);
    for (auto& s : slots)
        s.name.clear();
}

} // namespace
} // namespace qvtest

namespace qvtest {
namespace {

TEST_F(CreationTest, SkillNamesFromTheInstallation) {
    Install(dir, {});
    RunStartup();
    const SkillTableData& t = SkillTable();
    ASSERT_EQ(t.count, 49) << "entries 0 to 48";
    for (int i = 0; i < t.count; ++i) {
        EXPECT_EQ(t.flags[static_cast<size_t>(i)] & 1, i % 3 == 0 ? 1 : 0) << i;
        EXPECT_LT(std::strlen(t.names[static_cast<size_t>(i)].data()), 80u);
    }
    for (int i = 1; i < t.count; ++i)
        EXPECT_LE(std::strcmp(SkillName(t.order[static_cast<size_t>(i - 1)]),
                              SkillName(t.order[static_cast<size_t>(i)])),
                  0)
            << "order at " << i;
    EXPECT_STREQ(SkillName(t.count), "") << "past the table";
    EXPECT_STREQ(SkillName(-1), "");
}

} // namespace
} // namespace qvtest
