#pragma once
// The shard choice: the 640 x 480 screen with the list of shards, each with its measured round-trip
// time and probe loss, three sorts (time-zone distance, load, round-trip time) with their marks,
// and the step that sends the chosen shard (0xA0).
#include "gumps/CGump.h"
#include "net/PacketManager.h"

#include <string>
#include <vector>

class CScrollChoiceGump;
class CButtonGump;
class CInputControlGump;
struct LatencyHost;

class CServerListGump : public CGump {
  public:
    CServerListGump();
    ~CServerListGump() override;

    void Draw(const BlitTarget& target, const Rect& clip) override;
    bool IsPointInside(int x, int y) override;
    void HandleLButtonUp(int x, int y) override;
    void HandleKey(int key) override;
    void HandleEnterKey() override;
    void Update() override;

    // Rebuilds the rows in the current order with the probe's figures, and redraws the list.
    void RefreshList();
    // The rows alone: for a caller that changes more of the list before redrawing it once.
    void FillList();
    // Commits the choice and closes the screen; nothing for an index no named shard has.
    void SelectServer(int index);
    void SelectHighlighted() { SelectServer(highlighted); }
    void SelectChosen() { SelectServer(chosen); }

    bool refresh = false;
    std::string preselectedName;
    int highlighted = 0;
    int chosen = 0;
    std::vector<int> order; // positions in the shard table, in display order
    CScrollChoiceGump* list = nullptr;
};

// The order a sort gives (0 time-zone distance, 1 load, 2 round-trip time): a selection sort over
// the rows whose zone is not 50; the others follow in the order the swaps leave. A shard that has
// not answered counts 999999 ms.
std::vector<int> SortShardOrder(const std::vector<PacketManager::ServerEntry>& servers, int kind);
void SortServers(int kind);
// The round-trip and loss texts of a host ("-" when unknown or all lost).
std::string RoundTripText(const LatencyHost* host);
std::string LossText(const LatencyHost* host);

void RequestServerListRefresh();
void ServerListNext(CGump* screen);
void ServerListSelect(CGump* screen);
void ServerListBack(CGump* screen);
// The shard list of the login road: built from the shard tables with the front-end buttons.
void ShowServerList();

// A strip: art at x, art + 1 repeated while inside the clip, art + 2 ending at the clip's right edge.
struct ArtStrip {
    int x = 0, y = 0, art = 0;
    PixelBlock* destination = nullptr;
    Rect clip{};
};
void DrawArtStripHorizontal(const ArtStrip& strip);
