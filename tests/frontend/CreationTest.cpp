// Character creation's profession screen on the real client against the test server: an account
// without characters opens it, a profession fills the creation choices, the custom entry's sliders
// and skill list, and golden pictures of the screen.
#include "FrontEndFixture.h"

#include "app/multcli.h"
#include "core/SharedServices.h"

#include "frontend/Creation.h"
#include "frontend/ProfessionGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/ListBoxes.h"
#include "gumps/MouseManager.h"
#include "render/Ppm.h"
#include "windows/HueControl.h"
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
        VeldMapScreen().reset();
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
    // Presses at (x, y), moves to (toX, toY) while held and lets go there. Each step gets passes
    // enough for a frame step: the mouse update delivers the capture's moves there.
    void Drag(int x, int y, int toX, int toY) {
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, x, y);
        platform::headless::PushMouse(platform::WM_LBUTTONDOWN, x, y, 1);
        Passes(10);
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, toX, toY, 1);
        Passes(10);
        platform::headless::PushMouse(platform::WM_LBUTTONUP, toX, toY);
        Passes(10);
    }
    // Opens the skill list from a field and chooses the list's row; answers the skill it shows.
    int ChooseSkill(ProfessionGump* screen, int field, int row) {
        Passes(50); // not a double click
        ClickGump(screen->skillFields[static_cast<size_t>(field)]);
        CSkillChoiceGump* list = screen->skillList;
        EXPECT_TRUE(list->visible) << field;
        const int rowY = list->area.top + list->rowHeight * row + list->rowHeight / 2;
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(list, &sx, &sy);
        // A list chooses on the tick after the press.
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + list->area.left + 10, sy + rowY);
        platform::headless::PushMouse(platform::WM_LBUTTONDOWN, sx + list->area.left + 10, sy + rowY, 1);
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + list->area.left + 10, sy + rowY, 1);
        Passes(10);
        platform::headless::PushMouse(platform::WM_LBUTTONUP, sx + list->area.left + 10, sy + rowY);
        Passes(2);
        EXPECT_FALSE(list->visible);
        return SkillTable().order[static_cast<size_t>(list->rows.ids[static_cast<size_t>(row)])];
    }
    // Opens a drop-down field's list and chooses its item.
    void ChooseFromDropDown(CGump* field, int item) {
        Passes(50);
        ClickGump(field);
        CDropDownListGump* list = OpenList();
        ASSERT_NE(list, nullptr) << "the drop-down opened no list";
        int sx = 0, sy = 0;
        CGump::GumpToScreenCoords(list, &sx, &sy);
        const int y = sy + item * CListBoxControlGump::kRowHeight + 5;
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, sx + 10, y);
        Passes(2);
        ClickAt(sx + 10, y);
    }
    static CDropDownListGump* OpenList() {
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (auto* list = dynamic_cast<CDropDownListGump*>(g); list && !list->IsClosed()) return list;
        return nullptr;
    }
    void ClickAt(int x, int y) {
        Passes(50);
        Click(x, y);
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
        // Hover is seen by the frame step's mouse update: let one run where the pointer is, so the
        // picture does not hang on how the passes fall against the frame steps.
        const int frameStep = CApp::GetFrameInterval() / 10 + 1;
        Passes(frameStep);
        // The pointer rests where nothing lights up.
        platform::headless::PushMouse(platform::WM_MOUSEMOVE, 300, 470);
        Passes(frameStep);
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
    Drag(sx + 2, sy + 2, sx + 2 - 200, sy + 2);
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
    for (int field = 0; field < 3; ++field) {
        const int expected = ChooseSkill(screen, field, field);
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
    // The city is drawn at random among the nine and accepted on the unseen map.
    ASSERT_TRUE(RunUntil([] { return VeldMapScreen().get() != nullptr; })) << "no map";
    EXPECT_FALSE(VeldMapScreen()->visible);
    const int city = VeldMapScreen()->selected;
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
    // The server lists the cities in the map's order.
    const std::vector<testshard::CreatedCharacter> created = server.Created();
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0].startCity, city);
    EXPECT_LT(created[0].startCity, 9);
    EXPECT_EQ(created[0].slot, 0u);
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

    // The slot is the lowest one no row of the character selection shows.
    EXPECT_EQ(LowestFreeSlot(), 0) << "without a selection";
    auto* selection = new CLoginGump();
    selection->Attach(nullptr);
    struct SlotCase {
        std::vector<int> shown;
        int expected;
    };
    const SlotCase slotCases[] = {
        {{}, 0}, {{0, 1, 3}, 2}, {{1, 0}, 2}, {{4}, 0}, {{0, 1, 2, 3, 4}, 5},
    };
    for (const SlotCase& c : slotCases) {
        while (selection->rowCount > 0)
            selection->RemoveCharacter(selection->slots[0]);
        for (int slot : c.shown)
            selection->AddCharacter("Name" + std::to_string(slot), slot);
        EXPECT_EQ(LowestFreeSlot(), c.expected) << c.shown.size() << " shown";
    }
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

namespace qvtest {
namespace {

// The custom path from the profession screen to the world: every choice the player makes arrives
// at the server as the field it decodes.
TEST_F(CreationTest, TheCustomPathSendsEveryChoice) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    ClickGump(screen->buttons.back());
    ASSERT_TRUE(ProfessionCustomMode());

    // Strength's thumb to the track's start: dexterity and intelligence share what it gave.
    Passes(50);
    int tx = 0, ty = 0;
    CGump::GumpToScreenCoords(screen->sliders[0]->thumb, &tx, &ty);
    Drag(tx + 2, ty + 2, tx - 198, ty + 2);
    ASSERT_EQ(screen->sliders[0]->slider.value, 10);
    int skills[3];
    for (int field = 0; field < 3; ++field)
        skills[field] = ChooseSkill(screen, field, field * 2);
    ClickAt(615, 450); // next
    CCharCreationGump* look = CharCreationScreen().get();
    ASSERT_NE(look, nullptr);
    ASSERT_TRUE(look->visible);

    ClickGump(look->nameField);
    Type("Wanderer");
    ClickAt(320, 415); // the man's button: a woman now
    ASSERT_EQ(look->gender, 1);
    EXPECT_FALSE(look->facialField->visible);
    EXPECT_TRUE(look->panels[CCharCreationGump::SkirtPanel]->visible);
    ChooseFromDropDown(look->hairField, 10);
    ASSERT_EQ(look->hairStyle, 10) << "the woman's list ends in buns";
    EXPECT_STREQ(look->hairField->Text(), "Buns");

    // The hair colour panel opens its grid; a press on a cell chooses it and closes the grid.
    ClickGump(look->panels[CCharCreationGump::HairPanel], 20, 5);
    CHueControlGump* grid = look->hueControls[CCharCreationGump::HairHue];
    ASSERT_TRUE(grid->visible);
    int gx = 0, gy = 0;
    CGump::GumpToScreenCoords(grid, &gx, &gy);
    ClickAt(gx + grid->leftMargin + 3 * grid->cellWidth + 2, gy + grid->topMargin + 2 * grid->cellHeight + 2);
    EXPECT_FALSE(grid->visible);
    EXPECT_EQ(look->hairHue, 1101 + 2 + 8 * 3);

    ClickAt(615, 450); // next: the map
    CVeldMapGump* map = VeldMapScreen().get();
    ASSERT_NE(map, nullptr);
    ASSERT_TRUE(map->visible);
    EXPECT_FALSE(look->visible);
    // A double click on Lorvick's name accepts it.
    Passes(60);
    DoubleClick(kStartCityTable[8].x + 5, kStartCityTable[8].y - 3);
    // The world closes the creation screens.
    const int shirtHue = look->shirtHue, pantsHue = look->pantsHue;
    ASSERT_TRUE(RunUntil([] { return PacketManager::IsGameDisplayEntered(); })) << "the world did not open";

    const std::vector<testshard::CreatedCharacter> created = server.Created();
    ASSERT_EQ(created.size(), 1u);
    const testshard::CreatedCharacter& c = created[0];
    EXPECT_EQ(c.name, "Wanderer");
    EXPECT_EQ(c.profession, 0);
    EXPECT_EQ(c.gender, 1);
    EXPECT_EQ(c.strength, 10);
    EXPECT_EQ(c.dexterity, 35);
    EXPECT_EQ(c.intelligence, 35);
    const uint8_t values[3] = {50, 50, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(c.skills[i][0], skills[i]) << i;
        EXPECT_EQ(c.skills[i][1], values[i]) << i;
    }
    EXPECT_EQ(c.skinHue, 1001 + 1) << "the skin grid's first cell, sent as value + 1";
    EXPECT_EQ(c.hairItem, 0x2046);
    EXPECT_EQ(c.hairHue, 1101 + 2 + 8 * 3 + 1);
    EXPECT_EQ(c.facialHairItem, 0) << "a woman wears no beard";
    EXPECT_EQ(c.shirtHue, shirtHue + 1);
    EXPECT_EQ(c.pantsHue, pantsHue + 1);
    EXPECT_EQ(c.startCity, 8);
    EXPECT_EQ(c.slot, 0u);
}

TEST_F(CreationTest, TheCityChoiceAgainstTheServersList) {
    Install(dir, {});
    RunStartup();
    ShowCharCreationScreen();
    CCharCreationGump* look = CharCreationScreen().get();
    ASSERT_NE(look, nullptr);
    auto* map = new CVeldMapGump(look, CCharCreationGump::kMapArt);
    map->Attach(nullptr);
    VeldMapScreen() = map;

    // The map's city is an index into the server's list; a city past the list has no index.
    struct CityCase {
        int selected;
        int listed;
        int expected;
    };
    const CityCase cases[] = {
        {8, 9, 18}, {0, 9, 10}, {-1, 9, 10}, {8, 2, 0xFF}, {2, 2, 0xFF}, {0, 0, 0xFF},
    };
    for (const CityCase& c : cases) {
        auto& cities = PacketManager::GetLoginTables().cities;
        cities.clear();
        for (int i = 0; i < c.listed; ++i)
            cities.push_back({10 + i, "City " + std::to_string(i)});
        map->selected = c.selected;
        CreationDraft().startCity = 0;
        AcceptCityChoice(map);
        EXPECT_EQ(CreationDraft().startCity, c.expected) << c.selected << " of " << c.listed;
        FrontEnd::CloseWaiting();
    }

    // A list that filled meanwhile leaves no slot: a box, and nothing is created.
    auto* selection = new CLoginGump();
    selection->Attach(nullptr);
    for (int slot = 0; slot < 5; ++slot)
        selection->AddCharacter("Name" + std::to_string(slot), slot);
    const uint32_t logins = CApp::GetLoginCount();
    map->visible = true;
    AcceptCityChoice(map);
    ASSERT_TRUE(FrontEnd::IsWaitingShown());
    EXPECT_EQ(GetPendingWaitingGump()->Text(), "You already have 5 characters.");
    EXPECT_EQ(CApp::GetLoginCount(), logins) << "no create message";
    EXPECT_FALSE(map->visible);
    WaitingGumpButton(GetPendingWaitingGump());
    EXPECT_TRUE(map->visible) << "its OK shows the map again";
}

TEST_F(CreationTest, CityTextsAndTheMapsClicks) {
    Install(dir, {});
    RunStartup();
    ShowCharCreationScreen();
    auto* map = new CVeldMapGump(CharCreationScreen().get(), CCharCreationGump::kMapArt);
    map->Attach(nullptr);
    VeldMapScreen() = map;
    EXPECT_EQ(map->CityText(0), u"Ashwold\n\nA hill town of ash trees and charcoal burners.");
    EXPECT_EQ(map->CityText(8), u"Lorvick\n\nA walled town of scholars and scribes.");
    EXPECT_EQ(map->CityText(9), u"") << "past the blocks";
    EXPECT_EQ(map->CityText(-1), u"");

    for (int i = 0; i < kStartCities; ++i)
        EXPECT_EQ(map->CityAt(kStartCityTable[i].x + 2, kStartCityTable[i].y - 2), i) << i;
    EXPECT_EQ(map->CityAt(20, 460), -1);

    // A press on the empty map keeps the selection; a press held past the double-click time
    // does not accept.
    map->HandleLButtonDown(20, 460);
    map->HandleLButtonUp(20, 460);
    EXPECT_EQ(map->selected, 2);
    Advance(1000);
    map->HandleMouseTick();
    const int x = kStartCityTable[5].x + 2, y = kStartCityTable[5].y - 2;
    map->HandleLButtonDown(x, y);
    EXPECT_EQ(map->selected, 5);
    Advance(600);
    map->HandleMouseTick();
    map->HandleLButtonUp(x, y);
    map->HandleLButtonDown(x, y);
    map->HandleLButtonUp(x, y);
    EXPECT_FALSE(FrontEnd::IsWaitingShown()) << "a held press and one more click are no double click";

    // Back leaves the map for the appearance screen.
    CancelCityChoice(map);
    EXPECT_EQ(VeldMapScreen().get(), nullptr);
    EXPECT_TRUE(CharCreationScreen()->visible);
}

// A second "next" after the map exists: the map shows again in custom mode, or its city is
// accepted again, instead of leaving every screen hidden.
TEST_F(CreationTest, ASecondNameCheckReusesTheMap) {
    Install(dir, {});
    RunStartup();
    ShowCharCreationScreen();
    CCharCreationGump* look = CharCreationScreen().get();
    look->nameField->SetText("Rowan");
    ProfessionCustomMode() = true;
    CheckCharacterName(look);
    CVeldMapGump* map = VeldMapScreen().get();
    ASSERT_NE(map, nullptr);
    EXPECT_TRUE(map->visible);
    map->visible = false;
    look->visible = true;
    CheckCharacterName(look);
    EXPECT_EQ(VeldMapScreen().get(), map) << "the same map";
    EXPECT_TRUE(map->visible);
    EXPECT_FALSE(look->visible);

    ProfessionCustomMode() = false;
    map->visible = false;
    look->visible = true;
    const uint32_t logins = CApp::GetLoginCount();
    CheckCharacterName(look);
    EXPECT_EQ(CApp::GetLoginCount(), logins + 1) << "its city is accepted again";
    EXPECT_FALSE(map->visible);
}

// The colour grids and the drop-downs drive the preview; a man's style list has no buns.
TEST_F(CreationTest, ColoursAndStyles) {
    Install(dir, {});
    RunStartup();
    ShowCharCreationScreen();
    CCharCreationGump* look = CharCreationScreen().get();
    ASSERT_NE(look, nullptr);
    EXPECT_EQ(look->skinHue, 1001);
    EXPECT_EQ(look->hairHue, 1101);
    EXPECT_EQ(look->facialHue, 1101);
    EXPECT_GE(look->shirtHue, 1);
    EXPECT_LE(look->shirtHue, 1001);

    struct PanelCase {
        CCharCreationGump::Panel panel;
        CCharCreationGump::HueKind grid;
        int* hue;
    };
    const PanelCase panels[] = {
        {CCharCreationGump::SkinPanel, CCharCreationGump::SkinHue, &look->skinHue},
        {CCharCreationGump::ShirtPanel, CCharCreationGump::ShirtHue, &look->shirtHue},
        {CCharCreationGump::PantsPanel, CCharCreationGump::PantsHue, &look->pantsHue},
        {CCharCreationGump::HairPanel, CCharCreationGump::HairHue, &look->hairHue},
        {CCharCreationGump::FacialPanel, CCharCreationGump::FacialHue, &look->facialHue},
    };
    for (const PanelCase& p : panels) {
        look->HandleChildChange(look->panels[p.panel]);
        CHueControlGump* grid = look->hueControls[p.grid];
        ASSERT_TRUE(grid->visible) << p.panel;
        // Hovering previews, a press chooses and closes.
        grid->HandleMouseMove(grid->leftMargin + grid->cellWidth + 1, grid->topMargin + 1);
        EXPECT_EQ(*p.hue, grid->ValueAt(0, 1)) << p.panel;
        grid->HandleLButtonDown(grid->leftMargin + 1, grid->topMargin + grid->cellHeight + 1);
        EXPECT_EQ(*p.hue, grid->ValueAt(1, 0)) << p.panel;
        EXPECT_FALSE(grid->visible) << p.panel;
    }

    // The facial hair field holds its longest name whole.
    look->facialField->value = 5;
    look->facialField->SetText(kFacialHairTable[5].name);
    look->HandleChildChange(look->facialField);
    EXPECT_EQ(look->facialItem, 0x204B);
    EXPECT_STREQ(look->facialField->Text(), "Short beard/moustache");

    // A woman's facial panel opens nothing.
    ToggleCharacterGender(look);
    look->HandleChildChange(look->panels[CCharCreationGump::FacialPanel]);
    EXPECT_FALSE(look->hueControls[CCharCreationGump::FacialHue]->visible);
    EXPECT_FALSE(look->panels[CCharCreationGump::PantsPanel]->visible);
    EXPECT_TRUE(look->panels[CCharCreationGump::SkirtPanel]->visible);
}

TEST_F(CreationTest, AppearanceAndMapPictures) {
    ProfessionGump* screen = OpenForNewAccount();
    ASSERT_NE(screen, nullptr);
    ClickGump(screen->buttons.back());
    for (int field = 0; field < 3; ++field)
        ChooseSkill(screen, field, field);
    // The shirt and trousers start on random colours; how many numbers the log-in drew before
    // depends on the server thread's timing.
    SeedRandom(5);
    ClickAt(615, 450);
    CCharCreationGump* look = CharCreationScreen().get();
    ASSERT_NE(look, nullptr);
    ClickGump(look->nameField);
    Type("Wanderer");
    look->facialField->value = 6;
    look->HandleChildChange(look->facialField);
    Expect("appearance_custom_man.ppm");
    ClickGump(look->panels[CCharCreationGump::ShirtPanel], 20, 5);
    Expect("appearance_colour_panel.ppm");
    look->hueControls[CCharCreationGump::ShirtHue]->visible = false;
    ClickAt(320, 415);
    ASSERT_EQ(look->gender, 1);
    Expect("appearance_woman.ppm");
    Passes(50);
    ClickGump(look->hairField);
    ASSERT_NE(OpenList(), nullptr);
    Expect("appearance_hair_list.ppm");
    OpenList()->Close();
    Passes(2);
    ClickAt(615, 450);
    ASSERT_NE(VeldMapScreen().get(), nullptr);
    Passes(50);
    Click(kStartCityTable[6].x + 5, kStartCityTable[6].y - 3);
    ASSERT_EQ(VeldMapScreen()->selected, 6);
    Expect("city_map.ppm");
}

} // namespace
} // namespace qvtest
