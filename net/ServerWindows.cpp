// The generic gump's request and reply, the sink the windows send through, and the slots.
#include "net/ServerWindows.h"
#include "core/QVReport.h"
#include "net/CGameSock.h"
#include "net/PacketLengthTable.h"

#include <algorithm>

namespace {

ServerWindowSink& Sink() {
    static ServerWindowSink sink;
    return sink;
}

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, static_cast<uint16_t>(v >> 16));
    PutU16(out, static_cast<uint16_t>(v));
}
void SetLength(std::vector<uint8_t>& out) {
    out[1] = static_cast<uint8_t>(out.size() >> 8);
    out[2] = static_cast<uint8_t>(out.size());
}

} // namespace

bool ReadGenericGumpPacket(PacketReader& packet, GenericGumpPacket* out) {
    int at = 0;
    uint32_t x = 0, y = 0;
    uint16_t layoutLength = 0, lineCount = 0;
    const uint8_t* layout = nullptr;
    auto fail = [&](const char* what) {
        QVReport::warning("PacketManager::HandleGenericGump: %s overruns the packet of %d bytes; dropped.\n",
                          what, packet.length());
        return false;
    };
    if (!ReadPacketU32(packet, at, out->serial) || !ReadPacketU32(packet, at, out->typeId) ||
        !ReadPacketU32(packet, at, x) || !ReadPacketU32(packet, at, y) ||
        !ReadPacketU16(packet, at, layoutLength))
        return fail("the header");
    if (!ReadPacketBytes(packet, at, layout, layoutLength)) return fail("the layout");
    out->x = static_cast<int32_t>(x);
    out->y = static_cast<int32_t>(y);
    const char* text = reinterpret_cast<const char*>(layout);
    out->layout.assign(text, std::find(text, text + layoutLength, '\0'));
    if (!ReadPacketU16(packet, at, lineCount)) return fail("the line count");
    out->lines.clear();
    out->lines.reserve(std::min<int>(lineCount, packet.length() / 2));
    for (int i = 0; i < lineCount; ++i) {
        uint16_t units = 0;
        const uint8_t* bytes = nullptr;
        if (!ReadPacketU16(packet, at, units) || !ReadPacketBytes(packet, at, bytes, units * 2))
            return fail("a text line");
        std::u16string line(units, u'\0');
        for (int k = 0; k < units; ++k)
            line[k] = static_cast<char16_t>(bytes[2 * k] << 8 | bytes[2 * k + 1]);
        // Lines end at their first zero, as the windows read them.
        line.resize(std::char_traits<char16_t>::length(line.c_str()));
        out->lines.push_back(std::move(line));
    }
    return true;
}

std::vector<uint8_t> BuildGumpReply(uint32_t serial, uint32_t typeId, uint32_t buttonId,
                                    const std::vector<uint32_t>& switches,
                                    const std::vector<GumpReplyText>& texts) {
    size_t size = 23 + 4 * switches.size();
    for (const GumpReplyText& t : texts)
        size += 4 + 2 * std::min(t.text.size(), kMaxGumpReplyText);
    if (size > 0xFFFF) {
        QVReport::warning(
            "GenericGump::SendReply: a reply of %zu bytes (%zu switches, %zu texts) does not fit a "
            "packet; not sent.\n",
            size, switches.size(), texts.size());
        return {};
    }
    std::vector<uint8_t> out;
    out.reserve(size);
    out.push_back(0xB1);
    PutU16(out, 0);
    PutU32(out, serial);
    PutU32(out, typeId);
    PutU32(out, buttonId);
    PutU32(out, static_cast<uint32_t>(switches.size()));
    for (uint32_t s : switches)
        PutU32(out, s);
    PutU32(out, static_cast<uint32_t>(texts.size()));
    for (const GumpReplyText& t : texts) {
        const size_t n = std::min(t.text.size(), kMaxGumpReplyText);
        PutU16(out, t.id);
        PutU16(out, static_cast<uint16_t>(n));
        for (size_t k = 0; k < n; ++k)
            PutU16(out, static_cast<uint16_t>(t.text[k]));
    }
    SetLength(out);
    return out;
}

std::vector<uint8_t> BuildVirtueReply(uint32_t playerSerial, uint32_t art) {
    std::vector<uint8_t> out{0xB1, 0, 0};
    PutU32(out, playerSerial);
    PutU32(out, 461);
    PutU32(out, art);
    SetLength(out);
    return out;
}

void SetServerWindowSink(ServerWindowSink sink) {
    Sink() = std::move(sink);
}

void SendServerWindowPacket(const std::vector<uint8_t>& wire) {
    if (wire.empty()) return;
    if (Sink()) {
        Sink()(wire);
        return;
    }
    const int header = PacketHeaderSize(wire[0]);
    if (header <= 0 || wire.size() < static_cast<size_t>(header)) return;
    std::vector<uint8_t> buffer(wire.size());
    PacketWriter writer(buffer.data(), buffer.size());
    BeginPacket(writer, wire[0]);
    WritePacketBytes(writer, wire.data() + header, wire.size() - header);
    SendPacket(writer);
}

ServerWindowSlots& GetServerWindowSlots() {
    static ServerWindowSlots slots;
    return slots;
}

void ResetServerWindowSlots() {
    GetServerWindowSlots() = ServerWindowSlots{};
    Sink() = nullptr;
    PacketManager::ResetServerWindowState();
}
