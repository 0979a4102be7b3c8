#include "net/PacketBuffer.h"

#include "core/QVReport.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kMaxVariableLength = 0xFFFF;

void StoreHostU16(uint8_t* at, uint16_t value) {
    std::memcpy(at, &value, 2);
}

uint16_t LoadHostU16(const uint8_t* at) {
    uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

void StoreBigEndian(uint8_t* at, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<uint8_t>(value);
        value >>= 8;
    }
}

uint32_t LoadBigEndian(const uint8_t* at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | at[i];
    return value;
}

} // namespace

void BeginPacket(PacketWriter& packet, uint8_t id) {
    packet.begun_ = true;
    packet.finished_ = false;
    packet.overflowed_ = false;
    packet.position_ = 0;
    if (packet.capacity_ < 1) {
        packet.overflowed_ = true;
        QVReport::error("BeginPacket: no room for packet 0x%02X\n", id);
        return;
    }
    packet.buffer_[0] = id;
    const int header = PacketHeaderSize(id);
    if (IsVariableLengthPacket(id)) {
        packet.limit_ = std::min(packet.capacity_, kMaxVariableLength);
    } else if (PacketHasRow(id)) {
        packet.limit_ = PacketTableLength(id);
    } else {
        packet.limit_ = packet.capacity_;
    }
    if (packet.limit_ > packet.capacity_ || static_cast<size_t>(header) > packet.limit_) {
        packet.overflowed_ = true;
        QVReport::error("BeginPacket: a buffer of %zu bytes cannot hold packet 0x%02X\n", packet.capacity_,
                        id);
        return;
    }
    packet.position_ = std::max(header, 1);
    if (IsVariableLengthPacket(id)) {
        StoreHostU16(packet.buffer_ + 1, static_cast<uint16_t>(packet.position_));
    } else if (PacketHasRow(id)) {
        std::memset(packet.buffer_ + 1, 0, packet.limit_ - 1);
    }
}

uint8_t* ReserveField(PacketWriter& packet, size_t size) {
    if (packet.overflowed_) return nullptr;
    if (!packet.begun_ || packet.finished_ || size > packet.limit_ - packet.position_) {
        packet.overflowed_ = true;
        QVReport::error(
            "WritePacket: packet 0x%02X refuses a %zu-byte field at %zu of %zu bytes; it will not "
            "be sent\n",
            packet.id(), size, packet.position_, packet.limit_);
        return nullptr;
    }
    uint8_t* field = packet.buffer_ + packet.position_;
    packet.position_ += size;
    if (IsVariableLengthPacket(packet.buffer_[0])) {
        StoreHostU16(packet.buffer_ + 1, static_cast<uint16_t>(packet.position_));
    }
    return field;
}

void WritePacketU8(PacketWriter& packet, uint8_t value) {
    if (uint8_t* at = ReserveField(packet, 1)) *at = value;
}

void WritePacketU16(PacketWriter& packet, uint16_t value) {
    if (uint8_t* at = ReserveField(packet, 2)) StoreBigEndian(at, value, 2);
}

void WritePacketU32(PacketWriter& packet, uint32_t value) {
    if (uint8_t* at = ReserveField(packet, 4)) StoreBigEndian(at, value, 4);
}

void WritePacketBytes(PacketWriter& packet, const void* data, size_t length) {
    uint8_t* at = ReserveField(packet, length);
    if (at && length > 0) std::memcpy(at, data, length);
}

void WritePacketUnicode(PacketWriter& packet, const char16_t* text, size_t count) {
    if (count > kMaxVariableLength) count = kMaxVariableLength + 1; // keeps count * 2 from wrapping
    WritePacketBytes(packet, text, count * 2);
}

std::span<const uint8_t> FinishPacket(PacketWriter& packet) {
    if (!packet.begun_ || packet.overflowed_) return {};
    const uint8_t id = packet.buffer_[0];
    if (!PacketHasRow(id)) {
        QVReport::error("FinishPacket: packet 0x%02X has no length; it will not be sent\n", id);
        return {};
    }
    packet.finished_ = true;
    if (IsVariableLengthPacket(id)) {
        StoreBigEndian(packet.buffer_ + 1, static_cast<uint32_t>(packet.position_), 2);
        return {packet.buffer_, packet.position_};
    }
    return {packet.buffer_, packet.limit_};
}

int GetPacketLength(const PacketWriter& packet) {
    if (!packet.begun()) return 0;
    const uint8_t id = packet.id();
    if (IsVariableLengthPacket(id)) return static_cast<int>(packet.position());
    return static_cast<int>(PacketTableLength(id));
}

int GetPacketLength(const uint8_t* packet, size_t available) {
    if (available < 1 || !PacketHasRow(packet[0])) return 0;
    if (!IsVariableLengthPacket(packet[0])) return static_cast<int>(PacketTableLength(packet[0]));
    return available < 3 ? 0 : LoadHostU16(packet + 1);
}

PacketReader::PacketReader(const uint8_t* data, size_t size) : data_(data) {
    const int declared = GetPacketLength(data, size);
    length_ = static_cast<int>(std::min<size_t>(size, static_cast<size_t>(declared)));
    header_ = length_ > 0 ? PacketHeaderSize(data[0]) : 0;
    if (header_ > length_) {
        length_ = 0;
        header_ = 0;
    }
}

const uint8_t* PacketReader::fieldAt(int offset, int count) {
    // 64-bit sums: no offset or count taken from a packet can wrap them.
    const int64_t start = static_cast<int64_t>(header_) + offset;
    if (offset < 0 || count < 0 || start + count > length_) {
        bad_ = true;
        return nullptr;
    }
    return data_ + start;
}

namespace {

template <typename T> bool ReadBigEndian(PacketReader& packet, int& offset, T& value) {
    const uint8_t* at = packet.fieldAt(offset, sizeof(T));
    if (!at) {
        value = 0;
        return false;
    }
    value = static_cast<T>(LoadBigEndian(at, sizeof(T)));
    offset += sizeof(T);
    return true;
}

} // namespace

bool ReadPacketU8(PacketReader& packet, int& offset, uint8_t& value) {
    return ReadBigEndian(packet, offset, value);
}

bool ReadPacketU16(PacketReader& packet, int& offset, uint16_t& value) {
    return ReadBigEndian(packet, offset, value);
}

bool ReadPacketU32(PacketReader& packet, int& offset, uint32_t& value) {
    return ReadBigEndian(packet, offset, value);
}

bool ReadPacketBytes(PacketReader& packet, int& offset, const uint8_t*& out, int n) {
    out = packet.fieldAt(offset, n);
    if (!out) return false;
    offset += n;
    return true;
}

bool ReadPacketStringChecked(PacketReader& packet, int& offset, const char*& out) {
    out = nullptr;
    const uint8_t* start = packet.fieldAt(offset, 0);
    if (!start) return false;
    const size_t room = static_cast<size_t>(packet.data() + packet.length() - start);
    const void* terminator = std::memchr(start, 0, room);
    if (!terminator) {
        packet.markBad();
        return false;
    }
    out = reinterpret_cast<const char*>(start);
    offset += static_cast<int>(static_cast<const uint8_t*>(terminator) - start) + 1;
    return true;
}

bool ReadPacketString(PacketReader& packet, int& offset, const char*& out) {
    return ReadPacketStringChecked(packet, offset, out);
}

bool ReadPacketFixedText(PacketReader& packet, int& offset, int width, std::string& out) {
    out.clear();
    const uint8_t* field = nullptr;
    if (!ReadPacketBytes(packet, offset, field, width)) return false;
    const void* terminator = std::memchr(field, 0, static_cast<size_t>(width));
    const size_t size =
        terminator ? static_cast<size_t>(static_cast<const uint8_t*>(terminator) - field) : width;
    out.assign(reinterpret_cast<const char*>(field), size);
    return true;
}
