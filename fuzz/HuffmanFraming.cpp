// The receive pipeline on arbitrary server bytes: Huffman decoding (or raw bytes in the login
// phase), framing by the length table and packet groups, fed in pieces of varying size.
#include "net/PacketBuffer.h"
#include "net/PacketFramer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class CheckingSink : public PacketSink {
  public:
    void HandlePacket(uint8_t* packet, int length) override {
        if (length < 1 || !PacketHasRow(packet[0])) std::abort();
        if (IsVariableLengthPacket(packet[0])) {
            uint16_t host;
            std::memcpy(&host, packet + 1, 2);
            if (length < 3 || host != length) std::abort();
        } else if (static_cast<uint32_t>(length) != PacketTableLength(packet[0])) {
            std::abort();
        }
        // Read the packet the way a handler would, past its end too.
        PacketReader reader(packet, static_cast<size_t>(length));
        if (reader.length() != length) std::abort();
        int offset = 0;
        uint32_t value = 0;
        while (ReadPacketU32(reader, offset, value)) {
        }
        const char* text = nullptr;
        ReadPacketString(reader, offset, text);
        if (++packets % 97 == 0 && closeSometimes) open = false;
    }
    bool IsOpen() const override { return open; }
    void OnStreamBroken(const char*) override { broken = true; }

    bool open = true;
    bool broken = false;
    bool closeSometimes = false;
    unsigned packets = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const uint8_t flags = data[0];
    ++data;
    --size;
    CheckingSink sink;
    sink.closeSometimes = (flags & 2) != 0;
    PacketFramer framer(sink);
    framer.SetGameMode((flags & 1) != 0);
    const size_t piece = 1 + (flags >> 2) * 7;
    for (size_t at = 0; at < size; at += piece) {
        if (sink.broken || !sink.open) {
            // The connection was closed: the next one starts from a clean pipeline.
            framer.Reset();
            sink.broken = false;
            sink.open = true;
        }
        framer.ProcessReceived(data + at, size - at < piece ? size - at : piece);
        if (framer.BufferedLength() > PacketFramer::kBufferSize + 3) std::abort();
        if (framer.ReadOffset() > framer.BufferedLength()) std::abort();
    }
    return 0;
}
