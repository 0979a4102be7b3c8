#pragma once
// The main menu (640 x 480) with the account login dialog in it, the row of front-end buttons every
// login screen carries, the edition line from "verinfo", and the steps that connect to a login
// server and send the account login, go back to a new main menu, replay the intro or quit.
#include "gumps/CGump.h"

#include <string_view>

class CFramedInputControlGump;
class CInputControlGump;
class CToggleControlGump;
class CButtonGump;

class CMainMenuGump : public CGump {
  public:
    static constexpr int kBackgroundTile = 3604;
    static constexpr int kPicture = 5500;
    static constexpr int kBanner = 5536;

    CMainMenuGump();
    ~CMainMenuGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void Update() override { UpdateChildren(); }
};

class CAcctLoginGump : public CGump {
  public:
    static constexpr GumpKind kKind = GumpKind::AcctLogin;
    static constexpr int kFrameArt = 5054;
    static constexpr int kPictureArt = 1418;
    static constexpr int kArrowArt = 5540;

    CAcctLoginGump();

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonDown(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleRButtonUp(int x, int y) override;
    void HandleTabKey() override;
    void HandleEnterKey() override;
    void HandleEscapeKey() override;
    void HandleChildMouseDown(CGump* child) override;
    void Update() override;

    CFramedInputControlGump* nameField = nullptr;
    CFramedInputControlGump* passwordField = nullptr;
    CToggleControlGump* saveBox = nullptr;
    CInputControlGump* saveLabel = nullptr;
    CInputControlGump* editionLabel = nullptr;
    CButtonGump* arrow = nullptr;
};

// The standard buttons of a login screen (the intro-movie button only on the account dialog).
void AddFrontEndButtons(CGump* screen);

// The patch number of "verinfo", 0 when unknown; the parser reads text of any bytes.
int ReadVerinfoPatch();
int ParseVerinfoPatch(std::string_view text);

// The steps; each is called with the gump whose button or key ran it.
void AccountLogin(CGump* dialog);
void ConnectAndVerifyAccount(CGump* screen);
void BackToMainMenu(CGump* dialog);
void ReplayIntroMovie(CGump* dialog);
[[noreturn]] void QuitFromFrontEnd(CGump* screen);
void OpenAccountWebPage(CGump* screen);
void OpenMainWebSite(CGump* screen);
void OpenRegistrationWebSite(CGump* screen);
void OpenSupportWebSite(CGump* screen);
// The shard list of "servers.txt" (or the one downloaded for the account): one shard connection per
// usable line; the number of lines used.
int FetchServerList(CGump* dialog);

// Builds a new main menu in place of the old one (closed), stores and attaches it.
CMainMenuGump* CreateMainMenu();
// The start-up's entry: the first main menu.
void CreateInitialMainMenu();
// enableMainMenu of the login road: false hides the account dialog; true shows and focuses it.
void EnableMainMenu(bool enabled);
