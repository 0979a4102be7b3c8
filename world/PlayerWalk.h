#pragma once
// The player walks ahead of the server: each step is tested locally, queued (at most four), sent at
// once as a walk request and animated without waiting. The view centre moves only on acknowledged
// steps. An answer that does not fit the queue ends in one resynchronisation request and a blocked
// queue until the server places the player again. The server may also push the player a step, send
// it to a cell along a searched path, or have it follow a mobile.
#include <cstdint>
#include <functional>

class PacketWriter;

class CMobile;

namespace PlayerWalk {

constexpr int kQueueSize = 4;

struct Entry {
    uint8_t direction = 0;      // the facing after the entry
    uint8_t previousFacing = 0; // equal to direction: a step; else a turn on the spot
    uint8_t sequence = 0;
    int32_t acknowledged = 0;
    uint8_t run = 0;
    uint8_t drop = 0; // a step 11 or more below the player's z when queued
    uint32_t tick = 0;
    int8_t z = 0;
    bool IsStep() const { return direction == previousFacing; }
};

struct State {
    Entry queue[kQueueSize];
    int length = 0;
    int animatePosition = 0; // entries before it are animated and not yet acknowledged
    int sequence = 0;        // 0 after a reset, then 1..255
    bool blocked = false;
    bool resyncSent = false;
    int unanswered = 0;
    int averageResponse = 0; // ms
    double lastRequestSeconds = 0;
    bool followAcknowledge = false;
    // The step animation.
    int framesDone = 0;
    int framesPerTile = 1;
    bool running = false;
    int scrollX = 0, scrollY = 0;
    bool falling = false;
    int fallStartZ = 0, fallTargetZ = 0;
};
const State& GetState();

// Screen directions count from 1 (north) clockwise: world direction = (screen - 1) & 7.
inline int ToScreenDirection(int worldDirection) {
    return (worldDirection + 1) & 7;
}

// What walking asks of the connection and of the layers above the world. Every entry starts bound
// to the client's own (the current connection; empty entries above do nothing); tests replace them.
struct Links {
    std::function<bool()> connected;
    // Queues a built packet (default: SendPacket on the current connection).
    std::function<void(PacketWriter& packet)> send;
    std::function<bool()> mouseInWalkEllipse;
    // A sound of the player's (the fall).
    std::function<void(int id)> playSound;
    // Whether Control was held when the window procedure last sampled the keys (WalkByKey runs).
    std::function<bool()> controlHeld;
};
Links& GetLinks();
// Sends through the link (the world's actions share it).
void SendWorldPacket(PacketWriter& packet);
// Back to the client's own bindings.
void ResetLinks();

// The step request: false when nothing was queued.
bool QueueWalkStep(int screenDirection, int run, bool check);
void WalkByKey(int screenDirection, intptr_t keyFlags);
void WalkByMouse(int screenDirection, int run);
void HandleWalkAck(int sequence);
// After the server's refusal (mode: its sequence) or player update (mode -1).
void ResetWalk(int mode, int x, int y, int z);
void HandleForcedWalk(uint8_t direction);
void ForceWalkStep(int direction);
void PathfindTo(int x, int y, int z);
// The followed mobile moved: a path is searched when it is out of range.
void FollowMobileMoved(CMobile* mobile);
void SetFollowAcknowledgeMode(bool on);
// One world step of the player's animation.
void UpdatePlayerWalk();
// The view's walk scroll for direction d, a frames done of the current step.
void SetWalkScrollOffset(int direction, int frame);
// The offset itself, for n frames per tile (truncating toward zero).
void WalkScrollOffset(int direction, int frame, int framesPerTile, int& x, int& y);
// Frames per tile of the player's step; never below 1.
int PlayerFramesPerTile(int body, bool mounted, bool running, bool falling, int drop);
// The queue, counters, step frames, blocked flag, follow-acknowledge mode and unanswered count.
void ResetWalkState();
// The 0x20 handler's last act: a resynchronisation may be asked again.
void ClearResyncSent();
// Clears the blocked flag (the server placed the player).
void Unblock();

// ---- the path walk of server requests and following
bool IsPathActive();
void EndPath();
// Once per world step: queues the next step of the active path.
void StepAlongPath();
// From the current node along the parent links, each parent's forward link to the node it came from.
void LinkPathBackPointers();

// Module state back to a fresh process.
void ResetForTests();

} // namespace PlayerWalk

// The frame step and the main window call these by their old names.
inline void UpdatePlayerWalk() {
    PlayerWalk::UpdatePlayerWalk();
}
inline void WalkByKey(int direction, intptr_t keyData) {
    PlayerWalk::WalkByKey(direction, keyData);
}
inline void StepAlongPath() {
    PlayerWalk::StepAlongPath();
}
