#include "net/PacketFramer.h"

#include "core/QVReport.h"
#include "net/PacketLengthTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kGroupPacket = 0x33;
constexpr size_t kPhysicalSize = PacketFramer::kBufferSize + HuffmanDecoder::kMaxSymbolsPerByte - 1;

} // namespace

PacketFramer::PacketFramer(PacketSink& sink) : sink_(sink), buffer_(new uint8_t[kPhysicalSize]) {}

void PacketFramer::Reset() {
    ++generation_;
    decoder_.Reset();
    head_ = tail_ = 0;
    readOffset_ = 0;
    held_.clear();
    grouping_ = false;
    broken_ = false;
}

bool PacketFramer::Interrupted(uint64_t generation) const {
    return generation != generation_ || broken_ || !sink_.IsOpen();
}

void PacketFramer::ProcessReceived(const uint8_t* data, size_t length) {
    if (broken_) return;
    const uint64_t generation = generation_;
    size_t used = 0;
    for (;;) {
        Compact();
        const size_t taken = Fill(data + used, length - used);
        used += taken;
        const int framed = FramePackets();
        if (Interrupted(generation) || used == length) return;
        // A full buffer always frames something (a packet fits, or an outgrown group is released).
        if (taken == 0 && framed == 0) {
            BreakStream("the framing buffer is full and nothing can be framed");
            return;
        }
    }
}

void PacketFramer::Compact() {
    if (head_ == 0) return;
    std::memmove(buffer_.get(), buffer_.get() + head_, tail_ - head_);
    tail_ -= head_;
    head_ = 0;
}

size_t PacketFramer::Fill(const uint8_t* data, size_t length) {
    if (gameMode_) {
        size_t produced = 0;
        const size_t used =
            decoder_.Decode(data, length, buffer_.get() + tail_, kPhysicalSize - tail_, produced);
        tail_ += produced;
        return used;
    }
    const size_t room = tail_ < static_cast<size_t>(kBufferSize) ? kBufferSize - tail_ : 0;
    const size_t taken = std::min(room, length);
    std::memcpy(buffer_.get() + tail_, data, taken);
    tail_ += taken;
    return taken;
}

int PacketFramer::FramePackets() {
    const uint64_t generation = generation_;
    int framed = 0;
    while (!broken_) {
        const size_t available = tail_ - head_ - readOffset_;
        if (available < 1) break;
        uint8_t* p = buffer_.get() + head_ + readOffset_;
        const uint8_t id = p[0];
        if (!PacketHasRow(id)) {
            char reason[64];
            std::snprintf(reason, sizeof reason, "unknown packet id 0x%02X", id);
            BreakStream(reason);
            break;
        }
        int length;
        const bool variable = IsVariableLengthPacket(id);
        if (variable) {
            if (available < 3) break;
            length = (p[1] << 8) | p[2];
            if (length < 3) {
                char reason[64];
                std::snprintf(reason, sizeof reason, "packet 0x%02X claims a length of %d", id, length);
                BreakStream(reason);
                break;
            }
        } else {
            length = static_cast<int>(PacketTableLength(id));
        }
        if (readOffset_ + length > kBufferSize) {
            // The open group cannot grow any further: its packets go now, the rest as they come.
            grouping_ = false;
            ReleaseHeldPackets();
            ++framed;
            if (Interrupted(generation)) break;
            continue;
        }
        if (available < static_cast<size_t>(length)) break;
        if (variable) {
            const uint16_t host = static_cast<uint16_t>(length);
            std::memcpy(p + 1, &host, 2);
        }
        const bool wasGrouping = grouping_;
        DeliverPacket(p, length);
        ++framed;
        if (Interrupted(generation)) break;
        if (!wasGrouping) head_ += length;
    }
    return framed;
}

void PacketFramer::DeliverPacket(uint8_t* packet, int length) {
    if (!grouping_) {
        sink_.HandlePacket(packet, length);
        // A non-zero byte 1 opens a group: the packets after it wait for its close.
        if (packet[0] == kGroupPacket && packet[1] != 0 && sink_.IsOpen()) grouping_ = true;
        return;
    }
    if (packet[0] != kGroupPacket) {
        HoldPacket(packet, length);
        return;
    }
    if (packet[1] == 0) {
        readOffset_ += length;
        grouping_ = false;
        ReleaseHeldPackets();
        return;
    }
    // A group opened inside a group is dropped where it stands.
    uint8_t* after = packet + length;
    std::memmove(packet, after, static_cast<size_t>(buffer_.get() + tail_ - after));
    tail_ -= length;
}

void PacketFramer::HoldPacket(uint8_t* packet, int length) {
    held_.push_back({static_cast<int>(packet - (buffer_.get() + head_)), length});
    grouping_ = true;
    readOffset_ += length;
}

void PacketFramer::ReleaseHeldPackets() {
    const uint64_t generation = generation_;
    for (size_t i = 0; i < held_.size(); ++i) {
        DeliverPacket(buffer_.get() + head_ + held_[i].offset, held_[i].length);
        if (Interrupted(generation)) return;
    }
    held_.clear();
    head_ += readOffset_;
    readOffset_ = 0;
}

void PacketFramer::BreakStream(const char* reason) {
    broken_ = true;
    QVReport::error("PacketFramer::ProcessReceived: %s; the stream cannot be framed\n", reason);
    sink_.OnStreamBroken(reason);
}
