#include "testshard/WalkJudge.h"

#include "mkinstall/Landscape.h"
#include "mkinstall/WorldFiles.h"

namespace testshard {
namespace {

constexpr int kDirX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kDirY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
constexpr uint32_t kImpassable = 0x40;

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::string Cell(int x, int y) {
    return std::to_string(x) + "," + std::to_string(y);
}

} // namespace

WalkJudge::WalkJudge() {
    uint32_t landFlags[0x4000] = {};
    for (const mkinstall::SampleLandTile& t : mkinstall::SampleLandTiles())
        if (t.id >= 0 && t.id < 0x4000) landFlags[t.id] = t.flags;
    std::set<int> impassableItems;
    for (const mkinstall::SampleItemTile& t : mkinstall::SampleItemTiles())
        if (t.flags & kImpassable) impassableItems.insert(t.graphic);
    for (int v = 0; v < mkinstall::kLandscapeCells; ++v)
        for (int u = 0; u < mkinstall::kLandscapeCells; ++u) {
            const int x = mkinstall::kLandscapeX + u, y = mkinstall::kLandscapeY + v;
            const mkinstall::LandCell land = mkinstall::LandscapeLand(x, y);
            if (land.tile >= 0 && land.tile < 0x4000 && (landFlags[land.tile] & kImpassable))
                blocked_.insert({x, y});
        }
    for (const mkinstall::SampleStatic& s : mkinstall::LandscapeStatics())
        if (impassableItems.count(s.graphic) && s.z < 15) blocked_.insert({s.x, s.y});
    // The bridge's planks lie over the river on the road.
    for (const mkinstall::SampleStatic& s : mkinstall::BridgeStatics())
        if (s.graphic == mkinstall::WorldItem::Floor) blocked_.erase({s.x, s.y});
}

void WalkJudge::Reset(uint32_t serial, uint16_t body, int x, int y, int z, int facing) {
    std::lock_guard<std::mutex> lock(mutex_);
    serial_ = serial;
    body_ = body;
    at_ = {x, y, z, facing & 7};
    expected_ = 0;
    holding_ = false;
    delayed_.clear();
}

void WalkJudge::SetFaults(const WalkFaults& faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    faults_ = faults;
}

void WalkJudge::AddBarrier(int x, int y) {
    std::lock_guard<std::mutex> lock(mutex_);
    barriers_.insert({x, y});
}

bool WalkJudge::IsFree(int x, int y) const {
    if (x < mkinstall::kLandscapeX || y < mkinstall::kLandscapeY ||
        x >= mkinstall::kLandscapeX + mkinstall::kLandscapeCells ||
        y >= mkinstall::kLandscapeY + mkinstall::kLandscapeCells)
        return false;
    return !blocked_.count({x, y}) && !barriers_.count({x, y});
}

WalkJudge::Packet WalkJudge::Refusal(uint8_t sequence) const {
    Packet p = {0x21, sequence};
    Put(p, static_cast<uint32_t>(at_.x), 2);
    Put(p, static_cast<uint32_t>(at_.y), 2);
    p.push_back(static_cast<uint8_t>(at_.facing));
    p.push_back(static_cast<uint8_t>(at_.z));
    return p;
}

WalkJudge::Packet WalkJudge::PlayerUpdate() const {
    Packet p = {0x20};
    Put(p, serial_, 4);
    Put(p, body_, 2);
    p.push_back(0);
    Put(p, 0, 2);   // hue
    p.push_back(0); // flags
    Put(p, static_cast<uint32_t>(at_.x), 2);
    Put(p, static_cast<uint32_t>(at_.y), 2);
    Put(p, 0, 2); // map
    p.push_back(static_cast<uint8_t>(at_.facing));
    p.push_back(static_cast<uint8_t>(at_.z));
    return p;
}

void WalkJudge::Answer(std::vector<Packet>& replies, Packet packet, std::string& note) {
    if (faults_.delayMs <= 0 && delayed_.empty()) {
        replies.push_back(std::move(packet));
        return;
    }
    const int delay = faults_.delayMs > 0 ? faults_.delayMs : 0;
    delayed_.push_back({Clock::now() + std::chrono::milliseconds(delay), std::move(packet)});
    const std::string held = " (held " + std::to_string(delay) + " ms)";
    if (note.find(held) == std::string::npos) note += held;
}

std::vector<WalkJudge::Packet> WalkJudge::DueAnswers() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Packet> due;
    const Clock::time_point now = Clock::now();
    while (!delayed_.empty() && delayed_.front().due <= now) {
        due.push_back(std::move(delayed_.front().packet));
        delayed_.pop_front();
    }
    return due;
}

bool WalkJudge::OnPacket(const Packet& packet, std::vector<Packet>& replies, std::string& note) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (packet[0]) {
    case 0x02: {
        if (packet.size() < 7) return true;
        const int direction = packet[1] & 7;
        const uint8_t sequence = packet[2];
        if (sequence != expected_) {
            note = "walk: sequence " + std::to_string(sequence) + ", expected " + std::to_string(expected_) +
                   ": refused at " + Cell(at_.x, at_.y);
            ++refused_;
            Answer(replies, Refusal(sequence), note);
            RestartSequence();
            return true;
        }
        if (direction == at_.facing) {
            const int nx = at_.x + kDirX[direction], ny = at_.y + kDirY[direction];
            if (!IsFree(nx, ny)) {
                note = "walk: " + Cell(nx, ny) + " is blocked: refused at " + Cell(at_.x, at_.y);
                ++refused_;
                Answer(replies, Refusal(sequence), note);
                RestartSequence();
                return true;
            }
            at_.x = nx;
            at_.y = ny;
            at_.z = mkinstall::LandscapeLand(nx, ny).z;
        } else {
            at_.facing = direction;
        }
        expected_ = expected_ >= 255 ? 1 : expected_ + 1;
        ++acks_;
        const Packet ack = {0x22, sequence, 1};
        note = "walk: " + std::to_string(sequence) + " to " + Cell(at_.x, at_.y) + " facing " +
               std::to_string(at_.facing);
        if (acks_ == faults_.dropAck) {
            note += " (acknowledgement dropped)";
            return true;
        }
        if (acks_ == faults_.crossAck) {
            note += " (acknowledgement held)";
            held_ = ack;
            holding_ = true;
            return true;
        }
        if (holding_) {
            note += " (the held one after it)";
            Answer(replies, ack, note);
            Answer(replies, held_, note);
            holding_ = false;
            return true;
        }
        Answer(replies, ack, note);
        return true;
    }
    case 0x22:
        ++resyncs_;
        note = "walk: resync at " + Cell(at_.x, at_.y);
        Answer(replies, PlayerUpdate(), note);
        RestartSequence();
        holding_ = false;
        return true;
    case 0x72:
        replies.push_back(packet);
        return true;
    case 0x07:
        if (faults_.liftRefusal >= 0) {
            note = "lift refused with reason " + std::to_string(faults_.liftRefusal);
            replies.push_back({0x27, static_cast<uint8_t>(faults_.liftRefusal)});
        }
        return true;
    case 0x06:
    case 0x09:
    case 0x12:
        return true; // logged by the server
    default:
        return false;
    }
}

WalkJudge::Packet WalkJudge::Push(int direction) {
    std::lock_guard<std::mutex> lock(mutex_);
    const int d = direction & 7;
    if (d == at_.facing && IsFree(at_.x + kDirX[d], at_.y + kDirY[d])) {
        at_.x += kDirX[d];
        at_.y += kDirY[d];
    }
    at_.facing = d;
    return {0x97, static_cast<uint8_t>(d)};
}

WalkJudge::Packet WalkJudge::Teleport(int x, int y, int z) {
    std::lock_guard<std::mutex> lock(mutex_);
    at_.x = x;
    at_.y = y;
    at_.z = z;
    RestartSequence();
    return PlayerUpdate();
}

WalkJudge::Packet WalkJudge::PathRequest(int x, int y, int z) {
    Packet p = {0x38};
    Put(p, static_cast<uint32_t>(x), 2);
    Put(p, static_cast<uint32_t>(y), 2);
    Put(p, static_cast<uint32_t>(z), 2);
    return p;
}

WalkJudge::Position WalkJudge::position() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return at_;
}

int WalkJudge::acknowledged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return acks_;
}

int WalkJudge::refused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refused_;
}

int WalkJudge::resyncs() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return resyncs_;
}

} // namespace testshard
