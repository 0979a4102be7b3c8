#include "frontend/ShardList.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "frontend/FrontEnd.h"
#include "frontend/MainMenu.h"
#include "frontend/igr.h"
#include "gumps/CGumpManager.h"
#include "gumps/ChoiceLists.h"
#include "gumps/Controls.h"
#include "gumps/InputControls.h"
#include "net/AppLink.h"
#include "net/CGameSock.h"
#include "net/CLatencyProbe.h"
#include "net/NetServices.h"
#include "render/GumpArt.h"
#include "text/LanguageManager.h"

#include <cstdio>

namespace {

constexpr int kZoneUnsorted = 50;
constexpr uint32_t kNoAnswer = 999999;

const std::vector<PacketManager::ServerEntry>& Servers() {
    return PacketManager::GetLoginTables().servers;
}

const PacketManager::ServerEntry* FindServer(int index) {
    for (const PacketManager::ServerEntry& e : Servers())
        if (e.index == index && !e.name.empty()) return &e;
    return nullptr;
}

const LatencyHost* HostOf(const PacketManager::ServerEntry& e) {
    CLatencyProbe* probe = CLatencyProbe::Get();
    return probe && e.probeHost >= 0 ? probe->GetHost(e.probeHost) : nullptr;
}

uint32_t PingKey(const PacketManager::ServerEntry& e) {
    const LatencyHost* host = HostOf(e);
    return host && host->replies.load() > 0 ? host->averageMs.load() : kNoAnswer;
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

void AddHeading(CGump* parent, int x, int y, int font, int number) {
    auto* label = new CUnicodeInputControlGump(x, y, parent, 300, 30, FieldMode::Text, 79, font, 0, false,
                                               false, false);
    label->noBackground = true;
    label->textColour = 0x7FFF;
    CWideString text;
    if (LanguageManager::isStarted()) LanguageManager::getLocalizedString(text, number);
    label->SetText(text.GetText() ? text.GetText() : u"");
    label->Redraw();
    label->Attach(parent);
}

// The list's own close would end the login or open a waiting box: this screen decides instead.
void DetachListBehaviour(CScrollChoiceGump* list) {
    if (list) list->shardList = false;
}

} // namespace

std::string RoundTripText(const LatencyHost* host) {
    if (!host || host->replies.load() == 0) return "-";
    char text[24];
    std::snprintf(text, sizeof text, "%ums", host->averageMs.load());
    return text;
}

std::string LossText(const LatencyHost* host) {
    if (!host) return "-";
    const uint32_t sent = host->sent.load();
    if (sent == 0) return "-";
    // The two figures are read apart: replies may run ahead of the probes counted.
    const double replies = std::min<double>(host->replies.load(), sent);
    const double loss = 100.0 - replies * 100.0 / sent;
    if (loss >= 100.0) return "-";
    char text[16];
    std::snprintf(text, sizeof text, "%.0f%%", loss);
    return text;
}

std::vector<int> SortShardOrder(const std::vector<PacketManager::ServerEntry>& servers, int kind) {
    const int count = static_cast<int>(servers.size());
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[static_cast<size_t>(i)] = i;
    auto key = [&](int position) -> uint32_t {
        const PacketManager::ServerEntry& e =
            servers[static_cast<size_t>(order[static_cast<size_t>(position)])];
        switch (kind) {
        case 0:
            return static_cast<uint8_t>(e.timeZoneDistance);
        case 1:
            return e.percentFull;
        default:
            return PingKey(e);
        }
    };
    auto unsorted = [&](int position) {
        return servers[static_cast<size_t>(order[static_cast<size_t>(position)])].timeZone == kZoneUnsorted;
    };
    for (int i = 0; i + 1 < count; ++i) {
        int best = -1;
        for (int j = i; j < count; ++j) {
            if (unsorted(j)) continue;
            if (best < 0 || key(j) < key(best)) best = j;
        }
        if (best > i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(best)]);
    }
    return order;
}

void SortServers(int kind) {
    CServerListGump* screen = FrontEnd::ServerList().get();
    if (!screen || !screen->list || kind < 0 || kind > 2) return;
    screen->order = SortShardOrder(Servers(), kind);
    screen->FillList();
    if (!screen->order.empty())
        screen->list->marks[static_cast<size_t>(kind)] =
            Servers()[static_cast<size_t>(screen->order[0])].index;
    screen->list->Redraw();
}

CServerListGump::CServerListGump() : CGump(0, 0, 0, 1, 640, 480) {
    SetKind(GumpKind::Normal, GumpTrait::Transparency | GumpTrait::Disposable);
    debugName = "ServerList gump";
    FrontEnd::ServerList() = this;
    if (CLatencyProbe* probe = CLatencyProbe::Get()) probe->SetCallback(RequestServerListRefresh);
    CGumpManager::SetFocus(this);

    // The shard played last is preselected when it is still listed, else the first one.
    const std::vector<PacketManager::ServerEntry>& servers = Servers();
    int preselected = LastServerID;
    if (!FindServer(preselected)) preselected = servers.empty() ? 0 : servers.front().index;
    if (const PacketManager::ServerEntry* e = FindServer(preselected)) preselectedName = e->name;
    highlighted = chosen = preselected;

    PixelBlock& block = SetFrame(0, PixelBlock(640, 480));
    // A light plate under the chosen shard's name, whose dark hue would vanish on the dark tile.
    for (int py = 414; py < 440; ++py)
        for (int px = 236; px < 400; ++px)
            block.At(px, py) = py == 414 || py == 439 || px == 236 || px == 399 ? 0x5294 : 0x6F7B;
    list = new CScrollChoiceGump(this, 3500, 150, 90, 400, 316, nullptr, true, false);
    list->Attach(this);
    // Rows as tall as their marks, so that a mark stands beside its shard.
    const int rowHeight = 24;
    list->baseline += (rowHeight - list->rowHeight) / 2 + 4;
    list->rowHeight = rowHeight;
    // The caption of the sort buttons says what they do where the installation has no text for it.
    for (CGump* child = list->firstChild(); child; child = child->next()) {
        auto* caption = gump_cast<CUnicodeInputControlGump>(child);
        if (caption && std::u16string_view(caption->Text()).rfind(u"Error", 0) == 0) {
            caption->SetText(u"Sort by");
            caption->Redraw();
        }
    }
    list->marks = {-1, -1, -1};
    SortServers(0); // marks the first shard of the order, and draws the list

    AddButton(this, 150, 390, 1417, 1417, 1417, kNoTooltip, nullptr);
    AddButton(this, 160, 400, 5608, 5609, 5610, 100015, ServerListSelect);
    auto* name =
        new CInputControlGump(240, 418, this, 160, 30, FieldMode::Text, 40, 9, 1153, false, false, false);
    name->noBackground = true;
    name->SetText(preselectedName.c_str());
    name->Redraw();
    name->Attach(this);
    AddButton(this, 610, 445, 5540, 5541, 5542, 100019, ServerListNext);
    AddButton(this, 586, 445, 5537, 5538, 5539, 100018, ServerListBack);
    AddHeading(this, 155, 70, 1, 1044579);
    AddHeading(this, 400, 70, 1, 1044577);
    AddHeading(this, 470, 70, 9, 1044578);
}

CServerListGump::~CServerListGump() {
    if (CLatencyProbe* probe = CLatencyProbe::Get()) probe->ClearCallback();
    CLatencyProbe::Destroy();
}

void CServerListGump::Draw(const BlitTarget& target, const Rect& clip) {
    CGump::Draw(target, clip);
}

bool CServerListGump::IsPointInside(int px, int py) {
    return px >= 0 && py >= 0 && px < width + 200 && py < height + 150;
}

void CServerListGump::HandleLButtonUp(int, int) {
    ReleaseCaptureHandler(this);
}

void CServerListGump::HandleKey(int key) {
    if (key == 13) HandleEnterKey();
}

void CServerListGump::HandleEnterKey() {
    SelectChosen();
}

// The probe's change is delivered on the main thread; the rows follow at the next update, not at
// some later redraw.
void CServerListGump::Update() {
    if (refresh) {
        refresh = false;
        RefreshList();
    }
    UpdateChildren();
}

void CServerListGump::RefreshList() {
    if (!list) return;
    FillList();
    list->Redraw();
}

void CServerListGump::FillList() {
    if (!list) return;
    list->ResetRowCount();
    const std::vector<PacketManager::ServerEntry>& servers = Servers();
    for (int position : order) {
        if (position < 0 || position >= static_cast<int>(servers.size())) continue;
        const PacketManager::ServerEntry& e = servers[static_cast<size_t>(position)];
        const LatencyHost* host = HostOf(e);
        list->AddRow(e.index, e.name.c_str(), 0, RoundTripText(host).c_str(), LossText(host).c_str());
    }
}

void CServerListGump::SelectServer(int index) {
    const PacketManager::ServerEntry* e = FindServer(index);
    // After the connection dropped the tables may no longer hold the shard: nothing to send.
    if (!e || !HasOpenConnection()) return;
    std::string name = e->name;
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    CApp::SetShardName(name);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", index);
    GetNetServices().saveConfigDirective("LastServerID", digits);
    if (ShardRecord* record = CApp::GetCurrentRecord()) record->name = name;
    uint8_t buffer[3];
    PacketWriter packet(buffer);
    PacketManager::SendSelectServer(packet, static_cast<uint16_t>(index));
    SendPacket(packet);
    LastServerID = index;
    DetachListBehaviour(list);
    Close();
}

void RequestServerListRefresh() {
    if (CServerListGump* screen = FrontEnd::ServerList().get()) screen->refresh = true;
}

void ServerListNext(CGump*) {
    if (CServerListGump* screen = FrontEnd::ServerList().get()) {
        screen->visible = false;
        screen->SelectHighlighted();
    }
}

void ServerListSelect(CGump*) {
    if (CServerListGump* screen = FrontEnd::ServerList().get()) {
        screen->visible = false;
        screen->SelectChosen();
    }
}

void ServerListBack(CGump*) {
    IGRRequestStopAll();
    if (CServerListGump* screen = FrontEnd::ServerList().get()) {
        DetachListBehaviour(screen->list);
        screen->Close();
    }
    FrontEnd::ServerList().reset();
    BackToMainMenu(nullptr);
}

void ShowServerList() {
    if (CServerListGump* old = FrontEnd::ServerList().get()) {
        DetachListBehaviour(old->list);
        old->Close();
    }
    auto* screen = new CServerListGump();
    screen->Attach(nullptr);
    AddFrontEndButtons(screen);
}

void DrawArtStripHorizontal(const ArtStrip& strip) {
    if (!strip.destination) return;
    int w[3] = {}, h = 0;
    for (int i = 0; i < 3; ++i) {
        GetGumpArtSize(strip.art + i, &w[i], &h);
        if (w[i] <= 0) return;
    }
    PixelBlock& block = *strip.destination;
    const BlitTarget target = MakeBlitTarget(block.pixels.data(), block.width, block.height);
    const GumpArtItem* pieces[3] = {GetGumpArt(strip.art), GetGumpArt(strip.art + 1),
                                    GetGumpArt(strip.art + 2)};
    DrawGumpArtTo(target, CopySpanKeyed, pieces[0], strip.clip, strip.x, strip.y);
    int x = strip.x + w[0];
    while (x < strip.clip.right) {
        DrawGumpArtTo(target, CopySpanKeyed, pieces[1], strip.clip, x, strip.y);
        x += w[1];
    }
    DrawGumpArtTo(target, CopySpanKeyed, pieces[2], strip.clip, strip.clip.right - w[2], strip.y);
}
