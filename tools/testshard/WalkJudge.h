#pragma once
// The game server's side of walking: it keeps the player's cell, facing and the sequence it expects,
// and judges each walk request (0x02) by its own model of the sample world (impassable land and
// statics, the landscape's edge) plus barrier cells the client thinks free: an acknowledgement with
// a notoriety, or a refusal with its own position. A resynchronisation request gets a player update.
// It answers the war mode by echo, refuses lifts when told, and plays scripted faults: a dropped
// acknowledgement, two answers crossed, answers held for a time, a pushed step, a teleport, a walk
// request.
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace testshard {

// The demo's gate: a cell south-east of the start that the server refuses.
constexpr int kDemoGateX = 1504;
constexpr int kDemoGateY = 1602;

struct WalkFaults {
    int dropAck = 0;      // the nth acknowledgement is not sent (1 = the first; 0 none)
    int crossAck = 0;     // the nth acknowledgement is held and sent after the next one
    int liftRefusal = -1; // a lift (0x07) is refused with this reason (-1: lifts are allowed)
    int delayMs = 0;      // the answers to walk and resync requests are held this long, in order
};

class WalkJudge {
  public:
    using Packet = std::vector<uint8_t>;

    WalkJudge();
    // The start position (the login confirmation's) and the player's serial and body.
    void Reset(uint32_t serial, uint16_t body, int x, int y, int z, int facing);
    void SetFaults(const WalkFaults& faults);
    // A cell the client thinks free that the server refuses.
    void AddBarrier(int x, int y);
    // Whether the server lets a mover onto the cell (its own model).
    bool IsFree(int x, int y) const;

    // A game packet of the client: true when the judge answered it (the replies to send).
    bool OnPacket(const Packet& packet, std::vector<Packet>& replies, std::string& note);
    // The held answers whose time has come, oldest first; the server's loop asks on every pass.
    std::vector<Packet> DueAnswers();

    // Scripted moves of the server: the packet to send, the model following.
    Packet Push(int direction);                     // 0x97
    Packet Teleport(int x, int y, int z);           // 0x20
    static Packet PathRequest(int x, int y, int z); // 0x38
    Packet PlayerUpdate() const;                    // 0x20 at the model's place

    struct Position {
        int x = 0, y = 0, z = 0, facing = 0;
    };
    Position position() const;
    int acknowledged() const;
    int refused() const;
    int resyncs() const;

  private:
    using Clock = std::chrono::steady_clock;
    struct Held {
        Clock::time_point due;
        Packet packet;
    };
    void RestartSequence() { expected_ = 0; }
    Packet Refusal(uint8_t sequence) const;
    // Answers of the walk: sent now, or held behind the ones already held.
    void Answer(std::vector<Packet>& replies, Packet packet, std::string& note);

    mutable std::mutex mutex_;
    uint32_t serial_ = 0;
    uint16_t body_ = 400;
    Position at_;
    int expected_ = 0;
    WalkFaults faults_;
    std::set<std::pair<int, int>> barriers_;
    std::set<std::pair<int, int>> blocked_;
    int acks_ = 0;
    int refused_ = 0;
    int resyncs_ = 0;
    bool holding_ = false;
    Packet held_;
    std::deque<Held> delayed_;
};

} // namespace testshard
