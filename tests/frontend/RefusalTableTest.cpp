// Every refusal the login road can meet: the box it shows, and the screen its OK leaves usable.
#include "FrontEndFixture.h"

#include "gumps/CGumpManager.h"
#include "net/PacketBuffer.h"

namespace qvtest {
namespace {

enum class Stage { LoginSent, PlaySent };
enum class After { AccountDialog, CharacterSelection, NewMainMenu };

struct Refusal {
    const char* name;
    Stage stage;
    std::vector<uint8_t> packet;
    const char* text;
    After after;
};

const char* const kWrongAccount =
    "Either the Account Name or Password you provided were incorrect.  If this is a "
    "new account your account may not be active yet.  Please try again shortly.";
const char* const kProblem =
    "There is some problem communicating with Halden. Please restart Varnis Online and try again.";
const char* const kAlreadyOnline =
    "Another character from this account is currently online in this world.  You must either log in as "
    "that character or wait for it to time out.";
const char* const kOutOfSync = "An error has occurred in the synchronization between the login servers and "
                               "this world.  Please close your client and try again.";
const char* const kIdle =
    "You have been idle for too long.  If you do not do anything in the next minute, you will be logged out.";
const char* const kCannotAttach = "The client could not attach to the game server. It must have been taken "
                                  "down, please wait a few minutes and try again.";

std::vector<Refusal> Refusals() {
    return {
        {"denied 0", Stage::LoginSent, {0x82, 0}, kWrongAccount, After::NewMainMenu},
        {"denied 1",
         Stage::LoginSent,
         {0x82, 1},
         "Someone is already using this account.",
         After::AccountDialog},
        {"denied 3",
         Stage::LoginSent,
         {0x82, 3},
         "Your account credentials are invalid. Check your user ID and password and try again.",
         After::AccountDialog},
        {"denied 4", Stage::LoginSent, {0x82, 4}, kProblem, After::AccountDialog},
        {"denied 5",
         Stage::LoginSent,
         {0x82, 5},
         "The IGR concurrency limit has been met.",
         After::AccountDialog},
        {"denied 6", Stage::LoginSent, {0x82, 6}, "The IGR time limit has been met.", After::AccountDialog},
        {"denied 7",
         Stage::LoginSent,
         {0x82, 7},
         "A general IGR authentication failure has occured.",
         After::AccountDialog},
        {"denied 254", Stage::LoginSent, {0x82, 254}, nullptr, After::AccountDialog},
        {"denied 9", Stage::LoginSent, {0x82, 9}, kProblem, After::NewMainMenu},
        {"error 0 at login",
         Stage::LoginSent,
         {0x53, 0},
         "You entered an incorrect password.  Closing...",
         After::NewMainMenu},
        {"error 0 at play", Stage::PlaySent, {0x53, 0}, "Incorrect password.", After::CharacterSelection},
        {"error 1 at play",
         Stage::PlaySent,
         {0x53, 1},
         "This character does not exist anymore.  You will have to recreate it.",
         After::CharacterSelection},
        {"error 2",
         Stage::PlaySent,
         {0x53, 2},
         "This character already exists.\nPlaying...",
         After::CharacterSelection},
        {"error 3", Stage::PlaySent, {0x53, 3}, kCannotAttach, After::CharacterSelection},
        {"error 4", Stage::PlaySent, {0x53, 4}, kCannotAttach, After::CharacterSelection},
        {"error 5", Stage::PlaySent, {0x53, 5}, kAlreadyOnline, After::AccountDialog},
        {"error 6", Stage::PlaySent, {0x53, 6}, kOutOfSync, After::CharacterSelection},
        {"error 7", Stage::PlaySent, {0x53, 7}, kIdle, After::CharacterSelection},
        {"error 8", Stage::PlaySent, {0x53, 8}, kCannotAttach, After::CharacterSelection},
        {"delete 0",
         Stage::PlaySent,
         {0x85, 0},
         "That character password is invalid.",
         After::CharacterSelection},
        {"delete 1", Stage::PlaySent, {0x85, 1}, "That character does not exist.", After::CharacterSelection},
        {"delete 2",
         Stage::PlaySent,
         {0x85, 2},
         "That character is being played right now.",
         After::CharacterSelection},
        {"delete 3",
         Stage::PlaySent,
         {0x85, 3},
         "That character is not old enough to delete. The character must be 7 days old before it can be "
         "deleted.",
         After::CharacterSelection},
        {"delete 4",
         Stage::PlaySent,
         {0x85, 4},
         "That character is currently queued for backup and cannot be deleted.",
         After::CharacterSelection},
        {"delete 5",
         Stage::PlaySent,
         {0x85, 5},
         "Couldn't carry out your request.",
         After::CharacterSelection},
        {"servers down",
         Stage::LoginSent,
         {0xA8, 0x00, 0x06, 0x5A, 0x00, 0x00},
         "The Varnis Online servers are currently down.  Please try again in a few moments.",
         After::AccountDialog},
    };
}

class RefusalTableTest : public FrontEndTest {
  protected:
    // The screens as they are after the login or the play request was sent.
    void Enter(Stage stage) {
        EnsureGameSock();
        if (stage == Stage::LoginSent) {
            FrontEnd::AcctLogin()->visible = false;
            return;
        }
        EnableMainMenu(false);
        ShowCharacterSelection({{"First", 0}, {"Second", 1}});
        FrontEnd::CharacterSelection()->visible = false;
    }
    void Dispatch(const std::vector<uint8_t>& bytes) {
        PacketReader reader(bytes.data(), bytes.size());
        ASSERT_NE(GetCurrentConnection(), nullptr);
        switch (bytes[0]) {
        case 0x82:
            PacketManager::HandleLoginDenied(*GetCurrentConnection(), reader);
            break;
        case 0x53:
            PacketManager::HandleErrorCode(*GetCurrentConnection(), reader);
            break;
        case 0x85:
            PacketManager::HandleCharacterDeleteError(*GetCurrentConnection(), reader);
            break;
        case 0xA8:
            PacketManager::HandleServerList(*GetCurrentConnection(), reader);
            break;
        default:
            FAIL() << "no handler for this packet in the table";
        }
        Passes(1);
    }
    // The screen that must take the player's input now.
    static void ExpectUsable(After after, const CGump* menuBefore) {
        switch (after) {
        case After::AccountDialog:
            ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr);
            EXPECT_TRUE(FrontEnd::AcctLogin()->IsShown()) << "the account login stayed hidden";
            break;
        case After::CharacterSelection:
            ASSERT_NE(FrontEnd::CharacterSelection().get(), nullptr);
            EXPECT_TRUE(FrontEnd::CharacterSelection()->IsShown()) << "the character selection stayed hidden";
            break;
        case After::NewMainMenu:
            ASSERT_NE(FrontEnd::MainMenu().get(), nullptr);
            EXPECT_NE(FrontEnd::MainMenu().get(), menuBefore) << "no new main menu";
            ASSERT_NE(FrontEnd::AcctLogin().get(), nullptr);
            EXPECT_TRUE(FrontEnd::AcctLogin()->IsShown());
            break;
        }
        EXPECT_EQ(GetPendingWaitingGump(), nullptr);
    }
};

TEST_F(RefusalTableTest, EveryRefusalShowsItsBoxAndItsOkLeavesAUsableScreen) {
    testshard::Script script;
    StartClient(script);
    for (const Refusal& row : Refusals()) {
        SCOPED_TRACE(row.name);
        Enter(row.stage);
        const CGump* menuBefore = FrontEnd::MainMenu().get();
        Dispatch(row.packet);
        CWaitingGump* box = GetPendingWaitingGump();
        if (row.text) {
            ASSERT_NE(box, nullptr) << "no box";
            EXPECT_EQ(box->Text(), row.text);
            WaitingGumpButton(box);
            Passes(1);
        } else {
            EXPECT_EQ(box, nullptr) << "a box without text";
        }
        ExpectUsable(row.after, menuBefore);
        // The next row starts from the main menu again.
        if (CLoginGump* selection = FrontEnd::CharacterSelection().get()) selection->Close();
        FrontEnd::CharacterSelection().reset();
        Passes(1);
    }
}

TEST_F(RefusalTableTest, AMissingCharacterWithoutASelectionEndsTheProgramAfterASystemBox) {
    testshard::Script script;
    StartClient(script);
    Enter(Stage::LoginSent);
    ReportRecorder exits; // the exit function throws instead of ending the test
    try {
        Dispatch({0x53, 1});
        FAIL() << "the program went on";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.code, 0);
    }
    const auto& boxes = platform::headless::MessageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().caption, "Access Denied!");
}

TEST_F(RefusalTableTest, AnUnreachableLoginServerGivesItsBoxOwnedByTheDialog) {
    testshard::Script script;
    StartClient(script);
    CApp::SetLoginServers({{"127.0.0.1", 1}}); // nothing listens on port 1
    Disconnect();
    Type("someone\tpw\r");
    ASSERT_TRUE(RunUntil(
        [] { return GetPendingWaitingGump() && GetPendingWaitingGump()->Text() != "Connecting... "; }));
    EXPECT_EQ(GetPendingWaitingGump()->Text(),
              "Couldn't connect to Varnis Online.  Please try again in a few moments.");
    EXPECT_FALSE(FrontEnd::AcctLogin()->IsShown());
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(1);
    ExpectUsable(After::AccountDialog, nullptr);
}

TEST_F(RefusalTableTest, AFailedReconnectWhoseScreenClosedMeanwhileBringsBackTheLogin) {
    testshard::Script script;
    StartClient(script);
    CApp::SetLoginServers({{"127.0.0.1", 1}}); // nothing listens on port 1
    EnableMainMenu(false);
    ShowCharacterSelection({{"First", 0}});
    CLoginGump* screen = FrontEnd::CharacterSelection().get();
    ConnectAndVerifyAccount(screen);
    screen->Close(); // the screen that asked is gone before the connect fails
    FrontEnd::CharacterSelection().reset();
    ASSERT_TRUE(RunUntil(
        [] { return GetPendingWaitingGump() && GetPendingWaitingGump()->Text() != "Connecting... "; }));
    WaitingGumpButton(GetPendingWaitingGump());
    Passes(1);
    ExpectUsable(After::AccountDialog, nullptr);
}

TEST_F(RefusalTableTest, TheSelectionsOwnMessages) {
    testshard::Script script;
    StartClient(script);
    struct Row {
        std::vector<CharacterEntry> characters;
        void (*action)(CGump*);
        const char* text;
    };
    const Row rows[] = {
        {{}, PlaySelectedCharacter, "No character to login with."},
        {{}, ConfirmDeleteCharacter, "No character to delete."},
        {{{"A", 0}, {"B", 1}, {"C", 2}, {"D", 3}, {"E", 4}},
         StartCharacterCreation,
         "You already have 5 characters."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EnableMainMenu(false);
        ShowCharacterSelection(row.characters);
        CLoginGump* screen = FrontEnd::CharacterSelection().get();
        row.action(screen);
        CWaitingGump* box = GetPendingWaitingGump();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->Text(), row.text);
        WaitingGumpButton(box);
        Passes(1);
        ExpectUsable(After::CharacterSelection, nullptr);
        screen->Close();
        FrontEnd::CharacterSelection().reset();
        Passes(1);
    }
}

} // namespace
} // namespace qvtest
