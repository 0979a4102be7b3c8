#include "frontend/CharacterSelection.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "frontend/ProfessionGump.h"
#include "gumps/CGumpManager.h"
#include "gumps/Controls.h"
#include "gumps/GumpArtLayout.h"
#include "gumps/InputControls.h"
#include "gumps/MessageGumps.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "text/LanguageManager.h"

#include <cstdio>

namespace {

constexpr int kFilledTooltip = 100022;
constexpr int kEmptyTooltip = 100023;

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
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

CInputControlGump* AddLabel(CGump* parent, int x, int y, int width, int height, int font, int hue,
                            const char* text) {
    auto* label = new CInputControlGump(x, y, parent, width, height, FieldMode::Text, 180, font, hue, false,
                                        false, false);
    label->noBackground = true;
    label->multiLine = true;
    label->SetText(text);
    label->Redraw();
    label->Attach(parent);
    return label;
}

CLoginGump* Screen() {
    return FrontEnd::CharacterSelection().get();
}

const PacketManager::CharacterSlot* SlotOf(int slot) {
    if (slot < 0 || slot >= PacketManager::kCharacterSlots) return nullptr;
    return &PacketManager::GetLoginTables().slots[slot];
}

int Limit() {
    return FrontEnd::OneCharacterSlot() ? 1 : CLoginGump::kRows;
}

GumpRef<CPlayCharGump>& PlayDialog() {
    static GumpRef<CPlayCharGump> dialog;
    return dialog;
}

// Steps 5 and 6 of playing: the choice is stored and the play packet sent.
void Play(CLoginGump* screen, int row, const std::string& password) {
    const std::string name = screen->rows[static_cast<size_t>(row)]->Text();
    const int slot = screen->slots[static_cast<size_t>(row)];
    CApp::SetName(name);
    FrontEnd::CharSlot() = slot;
    FrontEnd::CharPassword() = password;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", row);
    NetServices& services = GetNetServices();
    services.saveConfigDirective("PlayerName", name.c_str());
    services.saveConfigDirective("DefaultChar", digits);
    services.saveMainConfigDirective("PlayerName", name.c_str());
    services.saveMainConfigDirective("DefaultChar", digits);
    services.useSlotHues(slot);
    CApp::EnterWorld(name.c_str(), 0, slot);
    screen->visible = false;
}

void ShowScreenAgain() {
    if (CLoginGump* screen = Screen()) screen->visible = true;
}

} // namespace

// ------------------------------------------------------------------ CLoginGump

CLoginGump::CLoginGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::Normal, GumpTrait::GameAreaRelative | GumpTrait::Transparency);
    debugName = "Login gump";
    tooltipId = -1;
    int W = 0, H = 0;
    GetGumpArtSize(kFrameArt, &W, &H);
    PixelBlock& block = SetFrame(0, PixelBlock(640, 480));
    DrawGumpFrameRect(160, 70, 2 * W + 320, 2 * H + 255, kFrameArt, block, true);
    // A dark plate under the title, which the frame's own colours would swallow.
    for (int py = H + 54; py < H + 80; ++py)
        for (int px = W + 200; px < W + 480; ++px)
            block.At(px, py) = py == H + 54 || py == H + 79 ? 0x5E83 : 0x0C63;
    AddLabel(this, W + 220, H + 60, 320, 30, 2, 847, "Character Selection");
    for (int i = 0; i < kRows; ++i) {
        auto* row = new CFramedInputControlGump(W + 180, 150 + 40 * i, this, 280, 30, FieldMode::Text, 30, 5,
                                                902, false, false, false);
        row->hoverHue = 696;
        row->markedHue = 35;
        row->leftMargin = 22;
        row->tooltipId = kEmptyTooltip;
        row->visible = false;
        row->Redraw();
        row->Attach(this);
        rows[static_cast<size_t>(i)] = row;
    }
    newButton = AddButton(this, W + 180, 350, 5533, 5534, 5535, 100025, StartCharacterCreation);
    AddButton(this, W + 398, 350, 5530, 5531, 5532, 100024, ConfirmDeleteCharacter);
    playArrow = AddButton(this, 610, 445, 5540, 5541, 5542, 100027, PlaySelectedCharacter);
    backButton = AddButton(this, 586, 445, 5537, 5538, 5539, 100026, ConnectAndVerifyAccount);
    if (CServerConfigSync::IsEnabled()) {
        configBox = new CToggleControlGump(200, 420, this, 210, 211, 1, 902, "",
                                           CServerConfigSync::GetLoginFlag() != 0, 212, 213);
        configBox->Attach(this);
        auto* label = new CUnicodeInputControlGump(230, 420, this, 300, 20, FieldMode::Text, 79, 1, 0, false,
                                                   false, false);
        label->noBackground = true;
        label->textColour = 0x7BDE;
        CWideString text;
        if (LanguageManager::isStarted()) LanguageManager::getLocalizedString(text, 1043323);
        label->SetText(text.GetText() ? text.GetText() : u"");
        label->Redraw();
        label->Attach(this);
    }
    // A stored selection outside 0..4 selects no row.
    selected = DefaultChar >= 0 && DefaultChar < kRows ? DefaultChar : -1;
    FrontEnd::CharacterSelection() = this;
}

CLoginGump::~CLoginGump() = default;

void CLoginGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
    const int row = SelectedFilledRow();
    if (IsClosed() || !visible || row < 0) return;
    // A gold pointer beside the selected row, which its marked hue alone shows faintly.
    const CGump* field = rows[static_cast<size_t>(row)];
    int sx = field->x - 16, sy = field->y + 7;
    GumpToScreenCoords(this, &sx, &sy);
    static const PixelBlock kPointer = [] {
        PixelBlock p(10, 16);
        for (int py = 0; py < 16; ++py)
            for (int px = 0; px <= (py < 8 ? py : 15 - py) && px < 10; ++px)
                p.At(px, py) = 0x7B00;
        return p;
    }();
    BlitPixelBlockTo(target, CopySpanKeyed, kPointer.pixels.data(), kPointer.width, kPointer.height, clip, sx,
                     sy);
}
bool CLoginGump::IsPointInside(int px, int py) {
    return IsPointInsideFrame(this, px, py);
}
void CLoginGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}
void CLoginGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}
// The screen holds the keys while it is shown: Enter plays, Escape leaves.
void CLoginGump::HandleKey(int key) {
    if (key == 13) HandleEnterKey();
    if (key == 27) HandleEscapeKey();
}

void CLoginGump::HandleEnterKey() {
    PlaySelectedCharacter(this);
}
void CLoginGump::HandleEscapeKey() {
    LeaveCharacterSelection(this);
}

int CLoginGump::RowOf(const CGump* control) const {
    for (int i = 0; i < kRows; ++i)
        if (rows[static_cast<size_t>(i)] == control) return i;
    return -1;
}

int CLoginGump::SelectedFilledRow() const {
    return selected >= 0 && selected < rowCount ? selected : -1;
}

void CLoginGump::AddCharacter(const std::string& name, int slot) {
    if (name.empty()) return;
    const int limit = Limit();
    if (rowCount < limit) {
        CFramedInputControlGump* row = rows[static_cast<size_t>(rowCount)];
        row->SetText(name.c_str());
        row->visible = true;
        row->tooltipId = kFilledTooltip;
        row->marked = rowCount == selected;
        row->Redraw();
        slots[static_cast<size_t>(rowCount)] = slot;
        ++rowCount;
    }
    if (rowCount >= limit) newButton->visible = false;
}

void CLoginGump::RemoveCharacter(int slot) {
    int at = -1;
    for (int i = 0; i < rowCount; ++i)
        if (slots[static_cast<size_t>(i)] == slot) at = i;
    if (at < 0) return;
    // The rows below move up and keep the filled rows' tooltip; the emptied last row takes the
    // empty one.
    for (int i = at; i + 1 < rowCount; ++i) {
        rows[static_cast<size_t>(i)]->SetText(rows[static_cast<size_t>(i + 1)]->Text());
        rows[static_cast<size_t>(i)]->tooltipId = kFilledTooltip;
        rows[static_cast<size_t>(i)]->Redraw();
        slots[static_cast<size_t>(i)] = slots[static_cast<size_t>(i + 1)];
    }
    CFramedInputControlGump* last = rows[static_cast<size_t>(rowCount - 1)];
    last->SetText("");
    last->tooltipId = kEmptyTooltip;
    last->visible = false;
    last->Redraw();
    slots[static_cast<size_t>(rowCount - 1)] = -1;
    --rowCount;
    if (rowCount < Limit()) newButton->visible = true;
}

void CLoginGump::HandleChildMouseDown(CGump* child) {
    const int row = RowOf(child);
    if (row < 0 || row == selected) return;
    if (selected >= 0 && selected < kRows) {
        rows[static_cast<size_t>(selected)]->marked = false;
        rows[static_cast<size_t>(selected)]->Redraw();
    }
    selected = row;
    rows[static_cast<size_t>(row)]->marked = true;
    rows[static_cast<size_t>(row)]->Redraw();
}

void CLoginGump::HandleChildDoubleClick(CGump* child) {
    HandleChildMouseDown(child);
    if (RowOf(child) < 0) return;
    if (SelectedFilledRow() < 0) {
        StartCharacterCreation(this);
        return;
    }
    if (configBox) CApp::SetServerConfigLoginFlag(configBox->checked ? 1 : 0);
    PlaySelectedCharacter(this);
}

// ------------------------------------------------------------------ the questions

CPlayCharGump::CPlayCharGump(const std::string& name) : CGump(121, 102, 0, 1, 0, 0) {
    SetKind(GumpKind::Normal, GumpTrait::Transparency);
    debugName = "PlayChar gump";
    GetGumpArtSize(1140, &width, &height);
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (const GumpArtItem* art = GetGumpArt(1140))
        DrawGumpArtTo(TargetOf(block), CopySpanKeyed, art, kNoClip, 0, 0);
    char text[96];
    std::snprintf(text, sizeof text, "Play as %s?", name.c_str());
    AddLabel(this, 60, 50, width - 120, 60, 2, 902, text);
    AddLabel(this, 60, 105, 200, 24, 2, 902, "Password");
    passwordField =
        new CInputControlGump(60, 130, this, 1141, 1141, FieldMode::Text, 30, 1, 902, true, false, 0);
    passwordField->hoverArt = 1142;
    passwordField->markedArt = 1143;
    passwordField->leftMargin = 12;
    passwordField->topMargin = 5;
    passwordField->password = true;
    passwordField->marked = true;
    passwordField->Redraw();
    passwordField->Attach(this);
    CGumpManager::KillFocus();
    CGumpManager::SetFocus(passwordField);
    AddButton(this, 238, 292, 1147, 1149, 1148, kNoTooltip, PlayCharacterWithPassword);
    AddButton(this, 325, 292, 1144, 1146, 1145, kNoTooltip, DeleteGumpCallback);
}

CPlayCharGump::~CPlayCharGump() {
    ShowScreenAgain();
}

void CPlayCharGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}
bool CPlayCharGump::IsPointInside(int px, int py) {
    return IsPointInsideFrame(this, px, py);
}
void CPlayCharGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}
void CPlayCharGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
}
void CPlayCharGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    ShowScreenAgain();
    Close();
}
void CPlayCharGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}
void CPlayCharGump::HandleEnterKey() {
    PlayCharacterWithPassword(this);
}
void CPlayCharGump::HandleEscapeKey() {
    HandleRButtonUp(0, 0);
}

CDeleteCharGump::CDeleteCharGump(const std::string& name) : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Normal, GumpTrait::Transparency);
    debugName = "DeleteChar gump";
    int W = 0, H = 0, U = 0, V = 0;
    GetGumpArtSize(2600, &W, &H);
    GetGumpArtSize(1150, &U, &V);
    width = 2 * W + 268;
    height = 2 * H + 124;
    x = normalX = GraphicManager::GetScreenWidth() / 2 - width / 2;
    y = normalY = GraphicManager::GetScreenHeight() / 2 - height / 2;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    DrawGumpFrame(2600, block, true);
    char text[96];
    std::snprintf(text, sizeof text, "Permanently delete %s?", name.c_str());
    AddLabel(this, 60, 50, width - 120, 60, 2, 902, text);
    const int X = (width - 4 * U) / 2;
    AddButton(this, X, height - 2 * V, 1153, 1154, 1155, kNoTooltip, DeleteCharacter);
    AddButton(this, X + 3 * U, height - 2 * V, 1150, 1151, 1152, kNoTooltip, DeleteGumpCallback);
}

CDeleteCharGump::~CDeleteCharGump() {
    ShowScreenAgain();
}

void CDeleteCharGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}
void CDeleteCharGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}
void CDeleteCharGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
}
void CDeleteCharGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
    ShowScreenAgain();
    Close();
}
void CDeleteCharGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}
void CDeleteCharGump::HandleEnterKey() {
    DeleteCharacter(this);
}
void CDeleteCharGump::HandleEscapeKey() {
    HandleRButtonUp(0, 0);
}

// ------------------------------------------------------------------ callbacks

void PlaySelectedCharacter(CGump*) {
    CLoginGump* screen = Screen();
    if (!screen) return;
    const int row = screen->SelectedFilledRow();
    if (row < 0) {
        FrontEnd::ShowMessage("No character to login with.", screen);
        return;
    }
    const PacketManager::CharacterSlot* slot = SlotOf(screen->slots[static_cast<size_t>(row)]);
    if (slot && !slot->password.empty()) {
        auto* dialog = new CPlayCharGump(screen->rows[static_cast<size_t>(row)]->Text());
        PlayDialog() = dialog;
        dialog->Attach(nullptr);
        screen->visible = false;
        return;
    }
    Play(screen, row, std::string());
}

void PlayCharacterWithPassword(CGump* gump) {
    CPlayCharGump* dialog = PlayDialog().get();
    CLoginGump* screen = Screen();
    if (!dialog || dialog != gump || !screen) return;
    const int row = screen->SelectedFilledRow();
    if (row < 0) {
        FrontEnd::ShowMessage("No character to login with.", dialog);
        return;
    }
    const std::string password = dialog->passwordField->Text();
    dialog->Close();
    Play(screen, row, password);
}

void StartCharacterCreation(CGump*) {
    CLoginGump* screen = Screen();
    if (screen && screen->rowCount >= CLoginGump::kRows) {
        FrontEnd::ShowMessage("You already have 5 characters.", nullptr);
        return;
    }
    if (screen) screen->visible = false;
    if (FrontEndHookTable().startCharacterCreation)
        FrontEndHookTable().startCharacterCreation();
    else if (!ProfessionScreen().get())
        OpenProfessionScreen();
}

void ConfirmDeleteCharacter(CGump*) {
    CLoginGump* screen = Screen();
    if (!screen) return;
    screen->visible = false;
    const int row = screen->SelectedFilledRow();
    if (row < 0) {
        FrontEnd::ShowMessage("No character to delete.", screen);
        return;
    }
    auto* dialog = new CDeleteCharGump(screen->rows[static_cast<size_t>(row)]->Text());
    dialog->Attach(nullptr);
}

void DeleteCharacter(CGump* dialog) {
    CLoginGump* screen = Screen();
    const int row = screen ? screen->SelectedFilledRow() : -1;
    if (row < 0) {
        if (dialog) dialog->Close();
        FrontEnd::ShowMessage("No character to delete.", screen);
        return;
    }
    if (dialog) dialog->Close();
    FrontEnd::ShowWaiting("Deleting character... ", screen, false);
    const int slot = screen->slots[static_cast<size_t>(row)];
    const PacketManager::CharacterSlot* stored = SlotOf(slot);
    uint8_t buffer[39];
    PacketWriter packet(buffer);
    PacketManager::SendDeleteCharacter(packet, static_cast<uint32_t>(slot),
                                       stored ? stored->password.c_str() : "");
    SendPacket(packet);
    screen->visible = false;
}

void LeaveCharacterSelection(CGump*) {
    if (CLoginGump* screen = Screen()) screen->Close();
    FrontEnd::SendDisconnectNotice();
    if (CGameSock* connection = GetCurrentConnection()) {
        connection->SetBlocking();
        connection->FlushAll();
        connection->SetNonBlocking();
    }
    FrontEnd::CharacterSelection().reset();
    BackToMainMenu(nullptr);
}

void ShowCharacterSelection(const std::vector<CharacterEntry>& characters) {
    if (CLoginGump* old = Screen()) old->Close();
    auto* screen = new CLoginGump();
    for (const CharacterEntry& c : characters)
        screen->AddCharacter(c.name, c.slot);
    if (screen->selected >= 0 && screen->selected < screen->rowCount) {
        screen->rows[static_cast<size_t>(screen->selected)]->marked = true;
        screen->rows[static_cast<size_t>(screen->selected)]->Redraw();
    }
    AddFrontEndButtons(screen);
    screen->Attach(nullptr);
    CGumpManager::SetFocus(screen);
}

void RefreshCharacterSelection(const std::vector<CharacterEntry>& characters) {
    CLoginGump* screen = Screen();
    if (!screen) return;
    while (screen->rowCount > 0)
        screen->RemoveCharacter(screen->slots[static_cast<size_t>(screen->rowCount - 1)]);
    for (const CharacterEntry& c : characters)
        screen->AddCharacter(c.name, c.slot);
    screen->visible = true;
}

void RemoveSelectedCharacter() {
    CLoginGump* screen = Screen();
    if (!screen) return;
    const int row = screen->SelectedFilledRow();
    if (row < 0) return;
    screen->RemoveCharacter(screen->slots[static_cast<size_t>(row)]);
    if (screen->selected > 0) --screen->selected;
}
