#include "frontend/MainMenu.h"

#include "core/FileManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "frontend/FrontEnd.h"
#include "frontend/FrontEndBinding.h"
#include "frontend/LogOut.h"
#include "frontend/credits.h"
#include "frontend/igr.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "gumps/MouseManager.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "render/DirtyRects.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "text/NameValidation.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kCannotConnect =
    "Couldn't connect to Varnis Online.  Please try again in a few moments.";
constexpr const char* kClientVersion = "1.0.0";

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
}

void DrawArtKeyed(PixelBlock& block, int art, int x, int y) {
    if (const GumpArtItem* item = GetGumpArt(art))
        DrawGumpArtTo(TargetOf(block), CopySpanKeyed, item, kNoClip, x, y);
}

// A fixed text in a display-only field without background.
CInputControlGump* AddLabel(CGump* parent, int x, int y, int width, int height, int font, int hue,
                            const char* text) {
    auto* label = new CInputControlGump(x, y, parent, width, height, FieldMode::Text, 180, font, hue, false,
                                        false, false);
    label->noBackground = true;
    label->SetText(text);
    label->Redraw();
    label->Attach(parent);
    return label;
}

CButtonGump* AddButton(CGump* parent, int x, int y, int art, int hover, int pressed, int tooltip,
                       ButtonCallback callback) {
    auto* button =
        new CButtonGump(x, y, parent, CButtonGump::Release, 0, std::move(callback), art, pressed, false);
    button->hoverArt = hover;
    button->tooltipId = tooltip;
    button->Attach(parent);
    return button;
}

void OpenLink(const std::string& url) {
    FrontEndHooks& hooks = FrontEndHookTable();
    if (hooks.leaveFullScreen) hooks.leaveFullScreen();
    if (url.empty()) return;
    if (hooks.openUrl)
        hooks.openUrl(url);
    else
        QVReport::message("OpenURL: %s\n", url.c_str());
}

// The end of every return to the main menu: the session flags clear, the connection goes, the title
// is the plain product name.
void EndLoginSession() {
    SetLostConnectionWatch(false);
    Disconnect();
    GetNetServices().setWindowTitle("");
}

// The connect step of a login: a waiting box while the connect runs; on failure the refusal box
// owned by the screen, which stays hidden until it is confirmed.
void ConnectThenVerify(GumpRef<CGump> screen) {
    CGump* owner = FrontEnd::MainMenu().get();
    FrontEnd::ShowWaiting("Connecting... ", owner, true);
    if (CGump* s = screen.get()) s->visible = false;
    const bool started = CApp::ConnectToLoginServer([screen](bool connected) {
        FrontEnd::CloseWaiting();
        if (!connected) {
            FrontEnd::ShowMessage(kCannotConnect, screen.get() ? screen.get() : FrontEnd::AcctLogin().get());
            return;
        }
        CApp::VerifyAccount(AcctID.c_str(), AcctPassword.c_str(), CApp::GetNextLoginKey());
    });
    if (!started) {
        FrontEnd::CloseWaiting();
        FrontEnd::ShowMessage(kCannotConnect, screen.get() ? screen.get() : FrontEnd::AcctLogin().get());
    }
}

} // namespace

// ------------------------------------------------------------------ main menu

CMainMenuGump::CMainMenuGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::Normal, GumpTrait::GameAreaRelative | GumpTrait::Transparency);
    debugName = "MainMenu gump";
    if (IsIGRMode()) {
        AcctID.clear();
        AcctPassword.clear();
    }
    CGumpManager::SetGameAreaOffset(0, 0);
    GraphicManager::SetScreenSize(640, 480);
    InvalidateAll();
    if (FrontEndHookTable().setMainWindowPos) FrontEndHookTable().setMainWindowPos(0, 0, 640, 480);
    CGumpManager::RecreateDC();
    InvalidateAll();

    PixelBlock& block = SetFrame(0, PixelBlock(640, 480));
    TileGumpArt(kBackgroundTile, block);
    DrawArtKeyed(block, kPicture, 0, 0);
    DrawArtKeyed(block, kBanner, 0, 4);

    auto* dialog = new CAcctLoginGump();
    FrontEnd::AcctLogin() = dialog;
    if (!AcctID.empty()) {
        dialog->nameField->SetText(AcctID.c_str());
        dialog->nameField->Redraw();
    }
    if (RememberAcctPW) {
        dialog->passwordField->SetText(AcctPassword.c_str());
        dialog->passwordField->Redraw();
    }
    dialog->Attach(this);
    AddFrontEndButtons(this);
}

CMainMenuGump::~CMainMenuGump() = default;

void CMainMenuGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}

bool CMainMenuGump::IsPointInside(int px, int py) {
    return visible && px >= 0 && py >= 0 && px < 640 && py < 480;
}

void CMainMenuGump::HandleLButtonDown(int, int) {
    BringToFrontHandler(this);
}
void CMainMenuGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}
void CMainMenuGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

// ------------------------------------------------------------------ account login dialog

CAcctLoginGump::CAcctLoginGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::AcctLogin, GumpTrait::GameAreaRelative | GumpTrait::Transparency);
    debugName = "AcctLogin gump";
    tooltipId = -1;
    PixelBlock& block = SetFrame(0, PixelBlock(640, 480));
    DrawGumpFrameRect(128, 288, 451, 157, kFrameArt, block, true);
    DrawArtKeyed(block, kPictureArt, 286, 45);

    AddLabel(this, 250, 303, 320, 30, 2, 847, "Log in to Varnis Online");
    char edition[96];
    const int patch = ReadVerinfoPatch();
    if (patch != 0)
        std::snprintf(edition, sizeof edition, "QV Version %s (Patch %d)", kClientVersion, patch);
    else
        std::snprintf(edition, sizeof edition, "QV Version %s (Patch Unknown)", kClientVersion);
    editionLabel = AddLabel(this, 283, 453, 360, 30, 9, 846, edition);
    AddLabel(this, 180, 343, 160, 30, 2, 847, "Account Name");
    nameField =
        new CFramedInputControlGump(328, 343, this, 210, 30, FieldMode::Text, 16, 5, 847, true, false, false);
    nameField->leftMargin = 7;
    nameField->topMargin = 0;
    nameField->tooltipId = 100009;
    nameField->Redraw();
    nameField->Attach(this);
    AddLabel(this, 180, 383, 140, 30, 2, 847, "Password");
    passwordField =
        new CFramedInputControlGump(328, 383, this, 210, 30, FieldMode::Text, 16, 5, 847, true, false, false);
    passwordField->leftMargin = 7;
    passwordField->topMargin = 2;
    passwordField->password = true;
    passwordField->tooltipId = 100010;
    passwordField->Redraw();
    passwordField->Attach(this);

    // The password field takes the keys first, as the account name is usually remembered; with no
    // name yet the name field does, so that typing starts where the player expects.
    CGumpManager::KillFocus();
    CFramedInputControlGump* first = IsIGRMode() || AcctID.empty() ? nameField : passwordField;
    first->marked = true;
    first->Redraw();
    CGumpManager::SetFocus(first);

    const bool canSave = RememberAcctPW;
    if (!canSave) {
        GetNetServices().saveMainConfigDirective("RememberAcctPW", "no");
        GetNetServices().saveMainConfigDirective("AcctPassword", "");
    }
    saveLabel = AddLabel(this, 348, 419, 320, 30, 9, canSave ? 902 : 995, "Save Password");
    saveBox = new CToggleControlGump(328, 417, this, 210, 211, 1, 902, "", RememberAcctPW, 212, 213);
    saveBox->readOnly = !canSave;
    saveBox->tooltipId = 1053;
    saveBox->Attach(this);
    arrow = AddButton(this, 610, 445, kArrowArt, 5541, 5542, 100008, AccountLogin);
    arrow->blinkOffPeriod = 12;
    arrow->blinkOnPeriod = 6;
    AddFrontEndButtons(this);
}

void CAcctLoginGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}
bool CAcctLoginGump::IsPointInside(int px, int py) {
    return IsPointInsideFrame(this, px, py);
}
void CAcctLoginGump::HandleLButtonDown(int, int) {
    BringToFrontHandler(this);
}
void CAcctLoginGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}
void CAcctLoginGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

void CAcctLoginGump::HandleTabKey() {
    CGump* focus = CGumpManager::GetFocus();
    BringToFront(false);
    CGumpManager::KillFocus();
    CFramedInputControlGump* next = focus == nameField ? passwordField : nameField;
    CFramedInputControlGump* old = next == nameField ? passwordField : nameField;
    old->marked = false;
    old->Redraw();
    next->marked = true;
    next->Redraw();
    CGumpManager::SetFocus(next);
}

void CAcctLoginGump::HandleEnterKey() {
    AccountLogin(this);
}

void CAcctLoginGump::HandleEscapeKey() {
    BackToMainMenu(this);
}

void CAcctLoginGump::HandleChildMouseDown(CGump* child) {
    if (child != nameField && child != passwordField) return;
    auto* field = static_cast<CFramedInputControlGump*>(child);
    if (field->marked) return;
    CFramedInputControlGump* other = field == nameField ? passwordField : nameField;
    field->marked = true;
    other->marked = false;
    field->Redraw();
    other->Redraw();
}

void CAcctLoginGump::Update() {
    // The arrow blinks only while a login is possible.
    arrow->blinkArt = nameField->Length() > 0 && passwordField->Length() > 0 ? 5541 : 0;
    UpdateChildren();
}

// ------------------------------------------------------------------ buttons and steps

void AddFrontEndButtons(CGump* screen) {
    CButtonGump* account = AddButton(screen, 14, 268, 5516, 5517, 5518, 100003, OpenAccountWebPage);
    account->disabled = true;
    AddButton(screen, 14, 146, 5519, 5520, 5521, 100000, OpenMainWebSite);
    AddButton(screen, 555, 4, 5513, 5514, 5515, 100011, [](CGump* g) { QuitFromFrontEnd(g); });
    AddButton(screen, 14, 205, 5522, 5523, 5524, 100001, OpenRegistrationWebSite);
    AddButton(screen, 14, 434, 5525, 5526, 5527, 100002, OpenSupportWebSite);
    if (screen->IsAcctLoginGump()) AddButton(screen, 14, 386, 5510, 5511, 5512, 100005, ReplayIntroMovie);
    AddButton(screen, 14, 410, 5507, 5508, 5509, 100006, [](CGump*) { ShowCredits(); });
}

int ParseVerinfoPatch(std::string_view text) {
    static const char* const kTags[] = {"Win32_KDR3D_FanEvent", "Win32_KDR3D", "Win32_KDR2D_FanEvent",
                                        "Win32_KDR2D",          "Win32_QVEF",  "Win32_QV_Gold",
                                        "Win32_client_555"};
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, std::min<size_t>(end - at, 127));
        at = end + 1;
        for (const char* tag : kTags) {
            const size_t n = std::strlen(tag);
            if (line.size() < n || line.compare(0, n, tag) != 0) continue;
            // The tag, one blank, a decimal number; anything else gives 0 and ends the search.
            std::string_view rest = line.substr(n);
            if (rest.empty() || rest[0] != ' ') return 0;
            rest.remove_prefix(1);
            int value = 0;
            size_t digits = 0;
            while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9' && digits < 9)
                value = value * 10 + (rest[digits++] - '0');
            return digits > 0 ? value : 0;
        }
    }
    return 0;
}

int ReadVerinfoPatch() {
    std::FILE* file = FileManager::open("verinfo", "r");
    if (!file) return 0;
    std::string text;
    char chunk[512];
    size_t got = 0;
    // An edition file is a few lines; a bigger one is read no further than 64 KiB.
    while (text.size() < 65536 && (got = FileManager::read(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    FileManager::close(file);
    return ParseVerinfoPatch(text);
}

void AccountLogin(CGump* gump) {
    auto* dialog = gump_cast<CAcctLoginGump>(gump);
    if (!dialog) return;
    AcctLastName.clear();
    AcctID = dialog->nameField->Text();
    AcctPassword = dialog->passwordField->Text();
    const bool remember = !dialog->saveBox->readOnly && dialog->saveBox->checked;
    NetServices& services = GetNetServices();

    const bool globalQueue = GlobalQueue;
    GlobalQueue = false;
    services.saveConfigDirective("GlobalQueue", "off");
    if (globalQueue && FetchServerList(dialog) != 0) return;

    if (!HasOpenConnection()) {
        ConnectThenVerify(GumpRef<CGump>(dialog));
    } else {
        CApp::VerifyAccount(AcctID.c_str(), AcctPassword.c_str(), CApp::GetNextLoginKey());
    }
    CApp::SetAccount(AcctID, AcctPassword);
    if (!IsIGRMode()) services.saveConfigDirective("AcctID", AcctID.c_str());
    if (!remember) {
        services.saveConfigDirective("RememberAcctPW", "no");
        services.saveConfigDirective("AcctPassword", "");
        RememberAcctPW = false;
    } else {
        services.saveConfigDirective("RememberAcctPW", "yes");
        std::string scrambled = IsIGRMode() ? std::string() : AcctPassword;
        ScramblePassword(scrambled);
        services.saveConfigDirective("AcctPassword", scrambled.c_str());
        RememberAcctPW = true;
    }
    dialog->visible = false;
}

void ConnectAndVerifyAccount(CGump* screen) {
    Disconnect();
    ConnectThenVerify(GumpRef<CGump>(screen));
}

namespace {

CMainMenuGump* BuildMainMenu() {
    if (CMainMenuGump* old = FrontEnd::MainMenu().get()) old->Close();
    FrontEnd::AcctLogin().reset();
    auto* menu = new CMainMenuGump();
    FrontEnd::MainMenu() = menu;
    menu->Attach(nullptr);
    return menu;
}

} // namespace

CMainMenuGump* CreateMainMenu() {
    // A returning main menu is 640 x 480 whatever the game area was.
    AllowWindowResize = false;
    return BuildMainMenu();
}

// The first one keeps what the start-up decided from the desktop's size. The front end takes its
// slots of the gump layer when it first shows, not before: windows of a program without it keep
// theirs empty.
void CreateInitialMainMenu() {
    InstallFrontEndSlots();
    BuildMainMenu();
}

void EnableMainMenu(bool enabled) {
    CAcctLoginGump* dialog = FrontEnd::AcctLogin().get();
    if (!dialog) return;
    if (!enabled) {
        dialog->visible = false;
        return;
    }
    // An open box keeps the keys until its OK shows the dialog again; without one the dialog is back.
    if (FrontEnd::IsWaitingShown()) return;
    dialog->visible = true;
    CGumpManager::SetFocus(dialog->passwordField->marked ? dialog->passwordField : dialog->nameField);
}

void BackToMainMenu(CGump* dialog) {
    if (dialog) dialog->Close();
    CreateMainMenu();
    EndLoginSession();
}

void ReplayIntroMovie(CGump* dialog) {
    FrontEnd::SendDisconnectNotice();
    SetLostConnectionWatch(false);
    Disconnect();
    EnsureGameSock();
    if (dialog) dialog->Close();
    if (CMainMenuGump* menu = FrontEnd::MainMenu().get()) menu->Close();
    FrontEnd::MainMenu().reset();
    FrontEnd::AcctLogin().reset();
    if (FrontEndHookTable().playIntroMovie) FrontEndHookTable().playIntroMovie();
    CreateMainMenu();
}

void QuitFromFrontEnd(CGump*) {
    IGRStopAllAndWait();
    FrontEnd::ExitProcess(0);
}

void OpenAccountWebPage(CGump*) {
    OpenLink(FrontEnd::ReadWebSettings().accountSite);
}
void OpenMainWebSite(CGump*) {
    OpenLink(FrontEnd::ReadWebSettings().mainSite);
}
void OpenSupportWebSite(CGump*) {
    OpenLink(FrontEnd::ReadWebSettings().supportSite);
}
void OpenRegistrationWebSite(CGump*) {
    if (IsIGRMode()) {
        const std::string url = IGRGetUrl();
        if (!url.empty()) OpenLink(url);
        return;
    }
    OpenLink(FrontEnd::ReadWebSettings().registrationSite);
}
