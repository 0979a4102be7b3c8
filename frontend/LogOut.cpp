#include "frontend/LogOut.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ServerConfigSync.h"
#include "core/ShardRecord.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "frontend/igr.h"
#include "gumps/CGumpManager.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/GraphicManager.h"
#include "render/GumpArt.h"
#include "text/LanguageManager.h"
#include "text/UnicodeFont.h"

#include <vector>

namespace {

constexpr int kNoticeText = 1043327;

struct State {
    bool uploadPending = false;
    // A flag, not the caller's pointer: it clears when a quit or a log-out completes, so a log-out
    // after an interrupted quit stays a log-out.
    bool quitPending = false;
};

State& S() {
    static State state;
    return state;
}

BlitTarget TargetOf(PixelBlock& block) {
    return MakeBlitTarget(block.pixels.data(), block.width, block.height);
}

bool ServerKeepsConfig() {
    const FrontEndHooks& hooks = FrontEndHookTable();
    return hooks.serverKeepsConfig ? hooks.serverKeepsConfig() : CServerConfigSync::IsEnabled();
}

void SaveTheDesktop() {
    if (FrontEndHookTable().saveDesktop)
        FrontEndHookTable().saveDesktop();
    else
        CGumpManager::SaveDesktop();
}

bool InWorldAndConnected() {
    return PacketManager::IsGameDisplayEntered() && IsConnected();
}

void SendLogoutRequest() {
    uint8_t buffer[2];
    PacketWriter request(buffer);
    BeginPacket(request, 0xD1);
    WritePacketU8(request, 0);
    SendPacket(request);
}

// The first step while the server keeps the files: upload, ask, and wait for the reply.
void StartUpload(bool quit) {
    CServerConfigSync::CheckFiles(true);
    S().uploadPending = true;
    S().quitPending = quit;
    SendLogoutRequest();
    CGumpManager::CloseAllGumps();
    CWideString text;
    LanguageManager::getLocalizedString(text, kNoticeText);
    auto* notice = new CIGR_SaveGump(text.GetText(), nullptr);
    notice->Attach(nullptr);
}

} // namespace

CIGR_SaveGump::CIGR_SaveGump(const char16_t* text, CGump*) : CGump(0, 0, 0, 1, 0, 0) {
    SetKind(GumpKind::Other, GumpTrait::Transparency);
    debugName = "IGRSave gump";
    GetGumpArtSize(kArt, &width, &height);
    if (width <= 0 || height <= 0) {
        width = 180;
        height = 110;
    }
    x = normalX = GraphicManager::GetScreenWidth() / 2 - width / 2;
    y = normalY = GraphicManager::GetScreenHeight() / 2 - height / 2;
    PixelBlock& block = SetFrame(0, PixelBlock(width, height));
    if (const GumpArtItem* item = GetGumpArt(kArt))
        DrawGumpArtTo(TargetOf(block), CopySpanKeyed, item, kNoClip, 0, 0);
    if (text) {
        const Rect clip{33, 30, width - 33, height - 30};
        UnicodeDrawString(TargetOf(block), text, 33, 30, 1, clip);
    }
    CGumpManager::SetModal(this);
}

CIGR_SaveGump::~CIGR_SaveGump() {
    if (CGumpManager::GetModal() == this) CGumpManager::SetModal(nullptr);
}

void CIGR_SaveGump::Draw(const BlitTarget& target, const Rect& clip) {
    DialogDraw(this, target, clip);
}
void CIGR_SaveGump::HandleLButtonDown(int px, int py) {
    DialogBeginDrag(this, drag_, px, py);
}
void CIGR_SaveGump::HandleLButtonUp(int, int) {
    DialogEndDrag(this, drag_);
}
void CIGR_SaveGump::HandleRButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}
void CIGR_SaveGump::HandleCaptureMove(int px, int py) {
    DialogDrag(this, drag_, px, py);
}

void QuitGame(CGump*) {
    IGRRequestStopAll();
    if (ServerKeepsConfig()) {
        if (InWorldAndConnected() && !S().uploadPending) {
            SaveTheDesktop();
            StartUpload(true);
            return;
        }
        S().uploadPending = false;
        AcctID.clear();
    } else {
        SaveTheDesktop();
    }
    S() = State{};
    GetNetServices().releaseWorldObjects();
    PacketManager::SetGameDisplayEntered(false);
    CGumpManager::CloseAllGumps();
    IGRStopAllAndWait();
    FrontEnd::ExitProcess(0);
}

void LogOut() {
    if (ServerKeepsConfig()) {
        if (InWorldAndConnected() && !S().uploadPending) {
            StartUpload(false);
            return;
        }
        S().uploadPending = false;
        AcctID.clear();
    }
    S() = State{};
    IGRRequestStopAll();
    // Every shard connection hears the notice before it closes.
    const std::vector<ShardRecord*> records = CApp::ShardRecords();
    for (ShardRecord* record : records) {
        if (CGameSock* connection = record->connection) {
            if (connection->IsOpen()) {
                uint8_t buffer[5];
                PacketWriter notice(buffer);
                BeginPacket(notice, 0x01);
                WritePacketU32(notice, 0xFFFFFFFF);
                connection->Send(notice);
                connection->SetBlocking();
                connection->FlushAll();
                connection->SetNonBlocking();
            }
            if (connection == GetCurrentConnection()) {
                SetLostConnectionWatch(false);
                SetCurrentConnection(nullptr);
            }
            connection->Close();
            QueueSocketForDeletion(connection);
            record->connection = nullptr;
        }
        CApp::RemoveShardRecord(record);
    }
    CApp::SetCurrentRecord(nullptr);
    SetActiveShardRecord(nullptr);
    EnsureGameSock();
    SetInWorld(false);
    PacketManager::SetGameDisplayEntered(false);
    GetNetServices().releaseWorldObjects();
    CGumpManager::CloseAllGumps();
    GetNetServices().setWindowTitle("");
    CApp::SetShardName("");
    CApp::SetName("");
    if (FrontEndHookTable().setMainWindowPos) FrontEndHookTable().setMainWindowPos(0, 0, 640, 480);
    CreateMainMenu();
}

bool IsLogoutUploadPending() {
    return S().uploadPending;
}
bool IsQuitPending() {
    return S().quitPending;
}
void ResetLogOutForTests() {
    S() = State{};
}

namespace PacketManager {

// The server has the uploaded files: the pending quit or log-out completes.
void HandleLogoutReply(CGameSock&, PacketReader&) {
    if (!S().uploadPending) {
        QVReport::warning("PacketManager::HandleLogoutReply: no log-out was asked for\n");
        return;
    }
    if (S().quitPending)
        QuitGame(CServerConfigSync::GetGump());
    else
        LogOut();
}

} // namespace PacketManager
