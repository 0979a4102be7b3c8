// The packet readers on arbitrary packets, driven by a program of reads taken from the input.
#include "net/PacketBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

void CheckField(const PacketReader& packet, const void* field, size_t size) {
    const auto* at = static_cast<const uint8_t*>(field);
    const uint8_t* start = packet.data() + packet.headerSize();
    if (at < start || at + size > packet.data() + packet.length()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t steps = data[0] % 32;
    if (size < 1 + 2 * steps) return 0;
    const uint8_t* program = data + 1;
    const size_t packetSize = size - 1 - 2 * steps;
    // An exact-size copy, so any read past the packet's bytes is caught.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[packetSize ? packetSize : 1]);
    std::memcpy(bytes.get(), program + 2 * steps, packetSize);
    PacketReader packet(bytes.get(), packetSize);
    if (packet.length() < 0 || static_cast<size_t>(packet.length()) > packetSize) std::abort();

    int offset = 0;
    for (size_t i = 0; i < steps; ++i) {
        const uint8_t op = program[2 * i];
        const int arg = program[2 * i + 1];
        const int before = offset;
        bool ok = false;
        switch (op % 8) {
        case 0: {
            uint8_t v;
            ok = ReadPacketU8(packet, offset, v);
            if (!ok && v != 0) std::abort();
            break;
        }
        case 1: {
            uint16_t v;
            ok = ReadPacketU16(packet, offset, v);
            if (!ok && v != 0) std::abort();
            break;
        }
        case 2: {
            uint32_t v;
            ok = ReadPacketU32(packet, offset, v);
            if (!ok && v != 0) std::abort();
            break;
        }
        case 3: {
            const uint8_t* field = nullptr;
            const int n = (op & 0x80) ? arg * 257 : arg;
            ok = ReadPacketBytes(packet, offset, field, n);
            if (ok)
                CheckField(packet, field, static_cast<size_t>(n));
            else if (field)
                std::abort();
            break;
        }
        case 4:
        case 5: {
            const char* text = nullptr;
            ok = (op % 8) == 4 ? ReadPacketString(packet, offset, text)
                               : ReadPacketStringChecked(packet, offset, text);
            if (ok)
                CheckField(packet, text, std::strlen(text) + 1);
            else if (text)
                std::abort();
            break;
        }
        case 6: {
            std::string text;
            ok = ReadPacketFixedText(packet, offset, arg, text);
            if (text.size() > static_cast<size_t>(arg)) std::abort();
            break;
        }
        default:
            offset = arg - 16 + ((op & 0x80) ? 0x7FFFFF00 : 0); // jumps, negative and huge ones too
            continue;
        }
        if (!ok && (offset != before || !packet.bad())) std::abort();
        if (ok && offset < before) std::abort();
    }
    return 0;
}
