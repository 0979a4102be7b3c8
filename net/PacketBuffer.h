#pragma once
// Packets in memory: building them field by field and reading received ones.
//
// Byte 0 is the id. A fixed-length id's packet is exactly its table length; a variable id carries
// its total length in bytes 1-2 and its fields start at byte 3. Fields are big-endian on the wire.
// While a variable packet is built, bytes 1-2 hold the length written so far in host order (so do
// received packets after framing); FinishPacket turns them into network order for the wire.
#include "net/PacketLengthTable.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A packet under construction in a caller's buffer. Each writer keeps its own cursor and never
// writes past the smaller of its buffer and the packet's own size (the table length of a fixed id,
// 65,535 for a variable one). A refused write marks the packet overflowed; it is then never sent.
class PacketWriter {
  public:
    PacketWriter(uint8_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    template <size_t N> explicit PacketWriter(uint8_t (&buffer)[N]) : PacketWriter(buffer, N) {}

    uint8_t* data() { return buffer_; }
    const uint8_t* data() const { return buffer_; }
    size_t capacity() const { return capacity_; }
    size_t position() const { return position_; } // bytes written, header included
    uint8_t id() const { return begun_ ? buffer_[0] : 0; }
    bool begun() const { return begun_; }
    bool overflowed() const { return overflowed_; }

  private:
    friend void BeginPacket(PacketWriter& packet, uint8_t id);
    friend uint8_t* ReserveField(PacketWriter& packet, size_t size);
    friend std::span<const uint8_t> FinishPacket(PacketWriter& packet);

    uint8_t* buffer_;
    size_t capacity_;
    size_t limit_ = 0;
    size_t position_ = 0;
    bool begun_ = false;
    bool finished_ = false;
    bool overflowed_ = false;
};

// Writes the id and starts the fields after the header. A fixed packet's bytes are zeroed first, so
// fields a builder leaves out go out as zeros.
void BeginPacket(PacketWriter& packet, uint8_t id);
void WritePacketU8(PacketWriter& packet, uint8_t value);
void WritePacketU16(PacketWriter& packet, uint16_t value);
void WritePacketU32(PacketWriter& packet, uint32_t value);
// Copies bytes as they are (fixed-width text fields come from the caller's fixed-width arrays).
void WritePacketBytes(PacketWriter& packet, const void* data, size_t length);
// Copies UTF-16 units as they are held in memory, unswapped; callers swap where the wire wants it.
void WritePacketUnicode(PacketWriter& packet, const char16_t* text, size_t count);

// Room for size more bytes, advancing the cursor; null (and the packet overflowed) when it passes
// the capacity or the packet was never begun.
uint8_t* ReserveField(PacketWriter& packet, size_t size);

// The packet as it goes on the wire: a variable packet's length big-endian in bytes 1-2. Empty for
// an overflowed packet, a packet never begun and an id without a row. Writing after this is refused.
std::span<const uint8_t> FinishPacket(PacketWriter& packet);

// A variable packet: the bytes written so far; a fixed one: its table length; no row: 0.
int GetPacketLength(const PacketWriter& packet);
// From the first bytes of a packet in memory (bytes 1-2 in host order); 0 when they are not all
// within the available bytes or the id has no row.
int GetPacketLength(const uint8_t* packet, size_t available);

// A received packet. Every read is bounded by the packet's length: a read past the end answers 0
// (or null, or empty), does not move the offset and marks the packet bad. The mark stays; handlers
// whose last fields are optional read on and ignore it.
class PacketReader {
  public:
    // The packet's length is the smaller of size and the length its first bytes give.
    PacketReader(const uint8_t* data, size_t size);

    const uint8_t* data() const { return data_; }
    uint8_t id() const { return length_ > 0 ? data_[0] : 0; }
    int length() const { return length_; }
    int headerSize() const { return header_; }
    bool bad() const { return bad_; }
    void markBad() { bad_ = true; }

    // The count bytes at offset after the header, or null when they are not all inside.
    const uint8_t* fieldAt(int offset, int count);

  private:
    const uint8_t* data_;
    int length_ = 0;
    int header_ = 0;
    bool bad_ = false;
};

// Offsets count from the first field. Each returns false when the field is not inside the packet.
bool ReadPacketU8(PacketReader& packet, int& offset, uint8_t& value);
bool ReadPacketU16(PacketReader& packet, int& offset, uint16_t& value);
bool ReadPacketU32(PacketReader& packet, int& offset, uint32_t& value);
// n bytes as they stand; null when they reach past the end.
bool ReadPacketBytes(PacketReader& packet, int& offset, const uint8_t*& out, int n);
// A zero-terminated 8-bit string; null when its terminator is not inside the packet.
bool ReadPacketString(PacketReader& packet, int& offset, const char*& out);
bool ReadPacketStringChecked(PacketReader& packet, int& offset, const char*& out);
// A fixed-width, zero-padded 8-bit field: the text ends at its first zero or at the field's width.
bool ReadPacketFixedText(PacketReader& packet, int& offset, int width, std::string& out);
