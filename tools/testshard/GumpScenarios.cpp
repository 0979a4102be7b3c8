#include "testshard/GumpScenarios.h"

#include <zlib.h>

#include <cstdio>

namespace testshard {
namespace {

void U8(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
}
void U16(std::vector<uint8_t>& out, uint32_t v) {
    U8(out, v >> 8);
    U8(out, v);
}
void U32(std::vector<uint8_t>& out, uint32_t v) {
    U16(out, v >> 16);
    U16(out, v & 0xFFFF);
}
void Bytes(std::vector<uint8_t>& out, const std::string& s) {
    out.insert(out.end(), s.begin(), s.end());
}
// A variable packet: the id, its length big-endian, the body.
std::vector<uint8_t> Var(uint8_t id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> p = {id};
    U16(p, static_cast<uint32_t>(body.size() + 3));
    p.insert(p.end(), body.begin(), body.end());
    return p;
}

std::vector<uint8_t> Compressed(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()));
    out.resize(size);
    return out;
}

uint32_t Be32(const std::vector<uint8_t>& p, size_t at) {
    return at + 4 <= p.size()
               ? static_cast<uint32_t>(p[at] << 24 | p[at + 1] << 16 | p[at + 2] << 8 | p[at + 3])
               : 0;
}

} // namespace

std::vector<uint8_t> GenericGumpAllKinds() {
    const std::string layout =
        "{page 0}{resizepic 0 0 9300 330 250}{gumppic 10 10 0}{gumppic 50 10 0 hue=33}{tilepic 90 10 1}"
        "{tilepichue 130 10 2 40}{text 10 40 0 0}{croppedtext 10 60 80 18 40 1}{textentry 10 85 120 18 0 5 2}"
        "{checkbox 150 40 210 211 1 10}{group 1}{radio 180 40 210 211 1 21}{radio 200 40 210 211 0 22}{group "
        "0}"
        "{button 150 70 1150 1151 1 0 7}{button 210 70 1153 1154 0 2 0}{checkertrans 150 110 120 50}"
        "{gumppictiled 170 120 40 30 9304}{htmlgump 10 110 130 60 3 1 1}"
        "{gumppic 280 10 0 hue=2404 class=VirtueGumpItem}{page 2}{text 10 200 50 4}"
        "{button 210 200 1150 1151 0 1 0}";
    const std::vector<std::u16string> lines = {u"Generic gump", u"A text much too long to fit", u"entry",
                                               u"<b>Bold</b> and plain", u"Page two"};
    std::vector<uint8_t> b;
    U32(b, kGumpSerial);
    U32(b, kGumpTypeId);
    U32(b, 40);
    U32(b, 30);
    U16(b, static_cast<uint32_t>(layout.size()));
    Bytes(b, layout);
    U16(b, static_cast<uint32_t>(lines.size()));
    for (const std::u16string& line : lines) {
        U16(b, static_cast<uint32_t>(line.size()));
        for (char16_t c : line)
            U16(b, c);
    }
    return Var(0xB0, b);
}

std::vector<std::vector<uint8_t>> GumpScenarioPackets() {
    std::vector<std::vector<uint8_t>> out = {GenericGumpAllKinds()};
    auto menu = [](uint16_t id, const std::string& title,
                   const std::vector<std::pair<uint16_t, std::string>>& entries) {
        std::vector<uint8_t> b;
        U32(b, 0x40000300);
        U16(b, id);
        U8(b, static_cast<uint32_t>(title.size()));
        Bytes(b, title);
        U8(b, static_cast<uint32_t>(entries.size()));
        for (const auto& [graphic, text] : entries) {
            U16(b, graphic);
            U16(b, 0);
            U8(b, static_cast<uint32_t>(text.size()));
            Bytes(b, text);
        }
        return Var(0x7C, b);
    };
    out.push_back(menu(1, "Pick an item", {{1, "Stone"}, {2, "Leaf"}, {3, "Key"}}));
    out.push_back(menu(2, "Pick a road", {{0, "North"}, {0, "South"}}));
    { // the text query
        std::vector<uint8_t> b;
        U32(b, 0x40000400);
        U16(b, 3);
        const std::string prompt = "Name your pet", description = "at most 16 letters";
        U16(b, static_cast<uint32_t>(prompt.size()));
        Bytes(b, prompt);
        U8(b, 1); // cancel allowed
        U8(b, 1); // text
        U32(b, 16);
        U16(b, static_cast<uint32_t>(description.size()));
        Bytes(b, description);
        out.push_back(Var(0xAB, b));
    }
    { // the prompts
        std::vector<uint8_t> b;
        U32(b, 0x40000500);
        U32(b, 11);
        U32(b, 0);
        Bytes(b, std::string("Say the word", 12));
        b.push_back(0);
        out.push_back(Var(0x9A, b));
        std::vector<uint8_t> u;
        U32(u, 0x40000500);
        U32(u, 12);
        U32(u, 0);
        Bytes(u, "ENU");
        u.push_back(0);
        out.push_back(Var(0xC2, u));
    }
    { // the target request: an object, cursor flag 0
        std::vector<uint8_t> p = {0x6C, 0};
        U32(p, 0x000A0B0C);
        U8(p, 0);
        p.resize(19, 0);
        out.push_back(p);
    }
    { // the sign
        std::vector<uint8_t> b;
        U32(b, 0x40000600);
        U16(b, 7);
        U16(b, 0);
        const std::string text = "The Rusty Anchor";
        U16(b, static_cast<uint32_t>(text.size()));
        Bytes(b, text);
        out.push_back(Var(0x8B, b));
    }
    return out;
}

std::vector<uint8_t> PopupMenuAnswer(uint32_t serial) {
    std::vector<uint8_t> b;
    U16(b, 0x14);
    U16(b, 1);
    U32(b, serial);
    const struct {
        uint16_t tag, number, flags, colour;
    } entries[] = {
        {1, 100, 0, 0}, {2, 101, 0x02, 0}, {3, 102, 0x01, 0}, {4, 103, 0x20, 0x03E0}, {5, 104, 0x02, 0}};
    U8(b, 5);
    for (const auto& e : entries) {
        U16(b, e.tag);
        U16(b, e.number);
        U16(b, e.flags);
        if (e.flags & 0x20) U16(b, e.colour);
    }
    return Var(0xBF, b);
}

std::vector<std::vector<uint8_t>> AnswerGumpScenario(const std::vector<uint8_t>& packet) {
    if (packet.size() >= 9 && packet[0] == 0xBF && packet[3] == 0 && packet[4] == 0x13)
        return {PopupMenuAnswer(Be32(packet, 5))};
    return {};
}

const char* const kConfigText = "AlwaysRun=on\nSoundOn=off\n";
const char* const kMacrosText = "Macro 1\nSay Hello there\n";

std::vector<std::vector<uint8_t>> ConfigScenarioPackets() {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& [slot, text] : {std::pair<int, const char*>{3, kConfigText}, {11, kMacrosText}}) {
        std::vector<uint8_t> b = {static_cast<uint8_t>(slot)};
        const std::vector<uint8_t> data = Compressed(text);
        b.insert(b.end(), data.begin(), data.end());
        out.push_back(Var(0xD0, b));
    }
    return out;
}

bool ReadConfigUpload(const std::vector<uint8_t>& packet, int* slot, std::string* content) {
    if (packet.size() < 4 || packet[0] != 0xD0) return false;
    *slot = packet[3];
    content->clear();
    if (packet.size() == 4) return true;
    std::vector<uint8_t> out(1 << 16);
    uLongf size = out.size();
    if (uncompress(out.data(), &size, packet.data() + 4, static_cast<uLong>(packet.size() - 4)) != Z_OK)
        return false;
    content->assign(out.begin(), out.begin() + static_cast<long>(size));
    return true;
}

std::string DescribeReply(const std::vector<uint8_t>& packet) {
    std::string line;
    char hex[4];
    for (uint8_t b : packet) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return "reply " + line;
}

} // namespace testshard
