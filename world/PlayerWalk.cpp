#include "world/PlayerWalk.h"

#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/GraphicManager.h"
#include "world/MapManager.h"
#include "world/ObjectActions.h"
#include "world/PathManager.h"
#include "world/Terrain.h"
#include "world/WalkMessages.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <cstdio>
#include <cstdlib>

namespace PlayerWalk {
namespace {

struct PathState {
    bool active = false;
    PathManager::Node* current = nullptr;
    PathManager::Node* start = nullptr;
    int x = 0, y = 0, z = 0;
    int facing = 0;
};

Links DefaultLinks();
State g_state;
PathState g_path;
Links g_links = DefaultLinks();

Links DefaultLinks() {
    Links l;
    l.connected = [] { return IsConnected(); };
    l.send = [](PacketWriter& packet) { SendPacket(packet); };
    l.mouseInWalkEllipse = [] { return false; };
    l.playSound = [](int) {};
    l.controlHeld = [] { return false; };
    return l;
}

void Send(PacketWriter& packet) {
    if (g_links.send) g_links.send(packet);
}

void SendResync() {
    uint8_t buffer[8];
    PacketWriter packet(buffer);
    PacketManager::SendResyncRequest(packet);
    Send(packet);
}

// A disagreement with the server: one resynchronisation request, the queue emptied and blocked.
void Resynchronise() {
    State& s = g_state;
    if (!s.resyncSent) {
        SendResync();
        s.resyncSent = true;
    }
    s.blocked = true;
    s.length = 0;
    s.animatePosition = 0;
}

void RemoveAt(int index) {
    State& s = g_state;
    if (index < 0 || index >= s.length) return;
    for (int i = index + 1; i < s.length; ++i)
        s.queue[i - 1] = s.queue[i];
    --s.length;
}

void RemoveFirst() {
    RemoveAt(0);
}

// An acknowledgement of the entry at index (-1: none has the sequence): steps 2 and 3 of the answer.
void Acknowledge(int index) {
    State& s = g_state;
    if (index < 0) {
        Resynchronise();
        return;
    }
    Entry& e = s.queue[index];
    const int age = TickDifference(GetGameTicks(), e.tick);
    if (age >= 0 && age < 60000) s.averageResponse = (age + s.averageResponse) >> 1;
    if (e.IsStep())
        MapManager::MoveCenter(Terrain::kDirX[e.direction & 7], Terrain::kDirY[e.direction & 7], e.z);
    if (index >= s.animatePosition) {
        e.acknowledged = 1;
        return;
    }
    if (index == 0) {
        RemoveFirst();
        --s.animatePosition;
        return;
    }
    Resynchronise();
}

int CurrentFacing() {
    const State& s = g_state;
    if (s.length > 0) return s.queue[s.length - 1].direction & 7;
    return pPlayerObject ? pPlayerObject->facing & 7 : 0;
}

// The steps queued and not yet acknowledged, for the local step test (the view centre already
// moved by the acknowledged ones).
PendingSteps Pending() {
    const State& s = g_state;
    PendingSteps p;
    p.facing = CurrentFacing();
    for (int i = 0; i < s.length; ++i) {
        const Entry& e = s.queue[i];
        if (e.acknowledged || !e.IsStep()) continue;
        p.steps[p.count++] = {e.direction, e.z};
    }
    return p;
}

// Fills the entry at the end of the queue; false when the local test refuses.
bool AddEntry(int direction, int run, bool check) {
    State& s = g_state;
    int d = direction & 7;
    int z = pPlayerObject ? pPlayerObject->z : 0;
    if (s.length > 0) z = s.queue[s.length - 1].z;
    if (!CheckWalkDirection(d, z, check, Pending())) return false;
    Entry& e = s.queue[s.length];
    e = {};
    e.direction = static_cast<uint8_t>(d & 7);
    e.previousFacing = static_cast<uint8_t>(CurrentFacing());
    e.sequence = static_cast<uint8_t>(s.sequence);
    bool running = run == -1 ? !(g_links.mouseInWalkEllipse && g_links.mouseInWalkEllipse()) : run != 0;
    if (AlwaysRun) running = true;
    e.run = running ? 1 : 0;
    e.tick = GetGameTicks();
    e.z = static_cast<int8_t>(z);
    const int playerZ = pPlayerObject ? pPlayerObject->z : 0;
    e.drop = e.IsStep() && playerZ - z >= 11 ? 1 : 0;
    ++s.length;
    return true;
}

void AdvanceSequence() {
    State& s = g_state;
    s.sequence = s.sequence >= 255 ? 1 : s.sequence + 1;
}

void Relist(CPlayerMobile* p) {
    if (!p->IsPlaced()) return;
    if (p->listed) p->RemoveFromDrawList();
    p->AddToDrawList();
}

void ShowAbovePlayer(const char* text) {
    if (pPlayerObject) pPlayerObject->AddOverheadText(text, 3, 0, nullptr, 0);
}

void StopFollowing(bool say) {
    CPlayerMobile* p = pPlayerObject;
    if (!p || !p->following) return;
    p->following = 0;
    if (say) ShowAbovePlayer("Stopped following.");
}

// A path found: it becomes the walked one, from its start node.
void StartPath(PathManager::Node* goal) {
    g_path.active = true;
    g_path.current = goal;
    LinkPathBackPointers();
    PathManager::Node* node = goal;
    while (node->parent)
        node = node->parent;
    g_path.current = node;
    g_path.start = node;
    g_path.x = node->x;
    g_path.y = node->y;
    g_path.z = node->z;
    g_path.facing = pPlayerObject ? pPlayerObject->facing & 7 : 0;
    node->direction = g_path.facing;
}

} // namespace

void SendWorldPacket(PacketWriter& packet) {
    Send(packet);
}

const State& GetState() {
    return g_state;
}

Links& GetLinks() {
    return g_links;
}

void ResetLinks() {
    g_links = DefaultLinks();
}

bool QueueWalkStep(int screenDirection, int run, bool check) {
    State& s = g_state;
    s.lastRequestSeconds = GetGameTicks() / 1000.0;
    if (!pPlayerObject || s.blocked || s.length >= kQueueSize) return false;
    if (!g_links.connected || !g_links.connected()) return false;
    if (!AddEntry((screenDirection - 1) & 7, run, check)) return false;
    const Entry& e = s.queue[s.length - 1];
    uint8_t buffer[16];
    PacketWriter packet(buffer);
    PacketManager::SendMoveRequest(packet, e.direction | (e.run ? 0x80 : 0), e.sequence,
                                   pPlayerObject->PopWalkKey());
    Send(packet);
    ++s.unanswered;
    AdvanceSequence();
    CObjectManager::CloseOutOfReachContainers();
    return true;
}

void WalkByMouse(int screenDirection, int run) {
    StopFollowing(true);
    const State& s = g_state;
    if (s.blocked || s.animatePosition < s.length) return;
    QueueWalkStep(screenDirection, run, true);
}

void WalkByKey(int screenDirection, intptr_t keyFlags) {
    StopFollowing(false);
    const State& s = g_state;
    const bool running = g_links.controlHeld && g_links.controlHeld();
    if ((keyFlags & 0x40000000) && (s.blocked || s.animatePosition < s.length)) return;
    QueueWalkStep(screenDirection, running ? 1 : 0, true);
}

void HandleWalkAck(int sequence) {
    State& s = g_state;
    if (s.unanswered > 0) --s.unanswered;
    int index = -1;
    for (int i = 0; i < s.length; ++i)
        if (s.queue[i].sequence == (sequence & 0xFF)) {
            index = i;
            break;
        }
    Acknowledge(index);
}

void ResetWalk(int mode, int x, int y, int z) {
    State& s = g_state;
    CPlayerMobile* p = pPlayerObject;
    if (p && p->listed) p->RemoveFromDrawList();
    s.unanswered = 0;
    s.framesDone = 0;
    s.sequence = 0;
    s.length = 0;
    s.animatePosition = 0;
    s.scrollX = s.scrollY = 0;
    s.blocked = false;
    s.falling = false;
    if (p) p->walkScrollX = p->walkScrollY = 0;
    if (mode == -1) {
        int cx = 0, cy = 0, cz = 0;
        MapManager::GetCenter(cx, cy, cz);
        x = cx;
        y = cy;
        z = p ? p->z : cz;
    } else {
        MapManager::SetCenter(x, y, z, MapManager::GetViewKey());
    }
    if (!p) return;
    p->MoveTo(static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y & 0xFFFF) << 16, z);
    Relist(p);
    WorldHook::Call(WorldHook::Table().invalidateAll);
    UpdatePlayerStepZ();
}

void ClearResyncSent() {
    g_state.resyncSent = false;
}

void Unblock() {
    g_state.blocked = false;
}

void HandleForcedWalk(uint8_t direction) {
    // Bit 7 is the running flag; only the low three bits name a direction.
    ForceWalkStep(direction & 7);
}

void ForceWalkStep(int direction) {
    State& s = g_state;
    if (s.blocked || !pPlayerObject) return;
    if (s.length >= kQueueSize) Resynchronise();
    if (!g_links.connected || !g_links.connected()) return;
    if (!AddEntry(direction & 7, -1, true)) return;
    Acknowledge(s.length - 1);
}

void PathfindTo(int x, int y, int z) {
    EndPath();
    int cx = 0, cy = 0, cz = 0;
    MapManager::GetCenter(cx, cy, cz);
    PathManager::Node* goal = PathManager::FindPath(cx, cy, cz, x, y, z, 500, 1);
    if (!goal) return;
    StartPath(goal);
    char text[96];
    std::snprintf(text, sizeof text, "Pathfinding to %d, %d, %d.", x, y, z);
    ShowAbovePlayer(text);
}

void FollowMobileMoved(CMobile* mobile) {
    CPlayerMobile* p = pPlayerObject;
    if (!p || !mobile || !p->following || mobile->serial != p->followedSerial) return;
    int tx = mobile->locX, ty = mobile->locY, tz = mobile->z;
    if (mobile->stepCount > 0 && mobile->stepCount <= 4) {
        const CMobile::Step& last = mobile->steps[mobile->stepCount - 1];
        tx = last.x;
        ty = last.y;
        tz = last.z;
    }
    int cx = 0, cy = 0, cz = 0;
    MapManager::GetCenter(cx, cy, cz);
    if (MapManager::Distance(cx, cy, tx, ty) <= 3) return;
    EndPath();
    PathManager::Node* goal = PathManager::FindPath(p->locX, p->locY, p->z, tx, ty, tz, 100, 1);
    if (!goal) {
        WorldHook::Call(WorldHook::Table().showSystemMessage, 0, 3, "Can't get there (follow)");
        return;
    }
    StartPath(goal);
}

void SetFollowAcknowledgeMode(bool on) {
    g_state.followAcknowledge = on;
}

int PlayerFramesPerTile(int body, bool mounted, bool running, bool falling, int drop) {
    const int walk = GraphicManager::GetWalkFrames(body);
    const int run = GraphicManager::GetRunFrames(body);
    int n = 0;
    if (mounted)
        n = (running ? run : walk) / 2;
    else if (falling)
        n = walk + (drop / 11) * 2;
    else
        n = running ? run : walk;
    // A mounted walk value of 1, or a row of 0, would stop the step.
    return n < 1 ? 1 : n;
}

void WalkScrollOffset(int direction, int frame, int framesPerTile, int& x, int& y) {
    // Frames per tile below 1 (a mounted walk value of 1) count as 1.
    const int n = framesPerTile < 1 ? 1 : framesPerTile;
    static const int kX[8] = {22, 44, 22, 0, -22, -44, -22, 0};
    static const int kY[8] = {-22, 0, 22, 44, 22, 0, -22, -44};
    x = kX[direction & 7] * frame / n;
    y = kY[direction & 7] * frame / n;
}

void SetWalkScrollOffset(int direction, int frame) {
    State& s = g_state;
    WalkScrollOffset(direction, frame, s.framesPerTile, s.scrollX, s.scrollY);
    if (pPlayerObject) {
        pPlayerObject->walkScrollX = s.scrollX;
        pPlayerObject->walkScrollY = s.scrollY;
    }
}

void UpdatePlayerWalk() {
    State& s = g_state;
    CPlayerMobile* p = pPlayerObject;
    if (!p || GraphicManager::GetDeathFadeCounter() != 0) return;
    const bool waiting = s.animatePosition < s.length;
    if (waiting && s.queue[s.animatePosition].drop && !s.falling) {
        s.falling = true;
        s.fallStartZ = p->z;
        s.fallTargetZ = s.queue[s.animatePosition].z;
    }
    if (p->listed) {
        if (s.length == 0) {
            p->resting = 1;
            p->idleFrameCounter = 3;
        } else {
            p->resting = 0;
        }
        Relist(p);
    }
    int direction = p->facing & 7;
    if (waiting && (!s.followAcknowledge || s.queue[s.animatePosition].acknowledged)) {
        const Entry e = s.queue[s.animatePosition];
        direction = e.direction & 7;
        p->animating = 0;
        p->InvalidateLights();
        if (p->listed) p->RemoveFromDrawList();
        p->lastMoveTick = GetGameTicks();
        ++p->idleFrameCounter;
        ++s.framesDone;
        s.framesPerTile = PlayerFramesPerTile(p->graphic, p->IsMounted(), e.run != 0, s.falling,
                                              s.fallStartZ - s.fallTargetZ);
        if (s.framesDone >= s.framesPerTile || !e.IsStep()) {
            if (s.falling && !p->IsGhost() && s.fallStartZ - s.fallTargetZ >= 22) {
                ShowAbovePlayer("ouch!");
                const int pick = std::rand() % 5;
                const int sound = (p->graphic & 1) ? 331 + pick : 340 + pick;
                if (g_links.playSound) g_links.playSound(sound);
            }
            s.falling = false;
            s.framesDone = 0;
            s.running = e.run != 0;
            p->running = e.run;
            p->facing = e.direction & 7;
            if (e.IsStep()) {
                const int x = p->locX + Terrain::kDirX[e.direction & 7];
                const int y = p->locY + Terrain::kDirY[e.direction & 7];
                p->MoveTo(static_cast<uint32_t>(x & 0xFFFF) | static_cast<uint32_t>(y & 0xFFFF) << 16, e.z);
            }
            if (e.acknowledged) {
                RemoveAt(s.animatePosition);
                CObjectManager::CloseOutOfReachContainers();
            } else {
                ++s.animatePosition;
            }
        }
    }
    SetWalkScrollOffset(direction, s.framesDone);
    int beforeX = 0, beforeY = 0;
    DrawManager::GetScrollOffset(beforeX, beforeY);
    UpdatePlayerStepZ();
    int afterX = 0, afterY = 0;
    DrawManager::GetScrollOffset(afterX, afterY);
    const int dx = afterX - beforeX, dy = afterY - beforeY;
    if (dx != 0 || dy != 0) {
        WorldHook::Call(WorldHook::Table().shiftMissiles, dx, dy);
        if (std::abs(dx) < BackBuffer::Width() && std::abs(dy) < BackBuffer::Height() / 2)
            ScrollScreen(dx, dy);
        else
            WorldHook::Call(WorldHook::Table().invalidateAll);
        WorldHook::Call(WorldHook::Table().refreshBarks);
    }
    if (p->IsPlaced()) Relist(p);
}

void ResetWalkState() {
    State& s = g_state;
    s.length = 0;
    s.animatePosition = 0;
    s.sequence = 0;
    s.framesDone = 0;
    s.running = false;
    s.blocked = false;
    s.followAcknowledge = false;
    s.unanswered = 0;
    s.falling = false;
    if (pPlayerObject) pPlayerObject->idleFrameCounter = 0;
}

// ---------------------------------------------------------------- the path walk

bool IsPathActive() {
    return g_path.active;
}

void EndPath() {
    g_path = {};
    PathManager::FreeLists();
}

void LinkPathBackPointers() {
    for (PathManager::Node* node = g_path.current; node && node->parent; node = node->parent)
        node->parent->forward = node;
}

void StepAlongPath() {
    if (!g_path.active || !g_path.current || g_state.length >= 3) return;
    PathManager::Node* current = g_path.current;
    g_path.x = current->x;
    g_path.y = current->y;
    g_path.facing = current->direction & 7;
    PathManager::Node* next = current->forward;
    if (!next) {
        EndPath();
        return;
    }
    int direction = -1;
    for (int d = 0; d < 8; ++d)
        if (next->x - current->x == Terrain::kDirX[d] && next->y - current->y == Terrain::kDirY[d])
            direction = d;
    if (direction < 0) return;
    if (direction == (current->direction & 7)) {
        // Facing the next node already: this request is the move onto it.
        next->direction = direction;
        g_path.current = next;
    } else {
        current->direction = direction;
    }
    QueueWalkStep(ToScreenDirection(direction), -1, true);
}

void ResetForTests() {
    g_state = {};
    g_path = {};
    ResetLinks();
}

} // namespace PlayerWalk
