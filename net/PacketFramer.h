#pragma once
// The receive pipeline of one connection: in the game phase it decodes the server's Huffman stream,
// in both phases it cuts complete packets out of the buffered bytes by the length table and hands
// them to its sink, holding the packets of an open group (0x33) until the group closes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "net/Huffman.h"

// Where framed packets go; the connection that owns the framer.
class PacketSink {
  public:
    virtual ~PacketSink() = default;
    // A complete packet; a variable packet's bytes 1-2 hold its length in host order.
    virtual void HandlePacket(uint8_t* packet, int length) = 0;
    // False once the connection is closed (a handler may close it): framing stops at once.
    virtual bool IsOpen() const = 0;
    // The stream cannot be framed any further; the owner closes the connection through its
    // error path. The framer takes no more bytes until it is reset.
    virtual void OnStreamBroken(const char* reason) = 0;
};

class PacketFramer {
  public:
    // The framing buffer; held packets and one packet in progress must fit in it.
    static constexpr int kBufferSize = 65536;

    explicit PacketFramer(PacketSink& sink);
    PacketFramer(const PacketFramer&) = delete;
    PacketFramer& operator=(const PacketFramer&) = delete;

    // Game phase: the bytes that arrive are Huffman-compressed. Set when the buffer is empty.
    void SetGameMode(bool on) { gameMode_ = on; }
    bool GameMode() const { return gameMode_; }

    // Empties the buffer and the held list, closes any group and restarts the decoder (connect
    // and reset of the connection).
    void Reset();

    // Takes received bytes (in the game phase already XORed with the receive key), and delivers
    // every packet they complete. Bytes after a broken stream or a closed connection are dropped.
    void ProcessReceived(const uint8_t* data, size_t length);

    bool IsGrouping() const { return grouping_; }
    bool IsBroken() const { return broken_; }
    int BufferedLength() const { return static_cast<int>(tail_ - head_); }
    int ReadOffset() const { return readOffset_; }
    int HeldCount() const { return static_cast<int>(held_.size()); }
    // The decoder holds bits of an unfinished code: a packet's compressed bytes have begun.
    bool InsideCode() const { return gameMode_ && !decoder_.AtCodeStart(); }

  private:
    struct HeldPacket {
        int offset; // from the front of the buffered bytes
        int length;
    };

    size_t Fill(const uint8_t* data, size_t length);
    // Frames while complete packets are buffered; returns how many it delivered or held.
    int FramePackets();
    void DeliverPacket(uint8_t* packet, int length);
    void HoldPacket(uint8_t* packet, int length);
    void ReleaseHeldPackets();
    void BreakStream(const char* reason);
    // True when the connection is gone or was reset under us: stop touching the buffer.
    bool Interrupted(uint64_t generation) const;
    void Compact();

    PacketSink& sink_;
    HuffmanDecoder decoder_;
    // Room for the decoder's last whole byte past the buffer's nominal end.
    std::unique_ptr<uint8_t[]> buffer_;
    size_t head_ = 0; // the buffered bytes are [head_, tail_)
    size_t tail_ = 0;
    int readOffset_ = 0; // bytes at the front taken by held packets
    std::vector<HeldPacket> held_;
    uint64_t generation_ = 0; // bumped by Reset
    bool gameMode_ = false;
    bool grouping_ = false;
    bool broken_ = false;
};
