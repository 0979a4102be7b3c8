// Targets, prompts, menus, signs, text queries, tips and help texts the server asks for: each
// request read into a bounded record and handed to its window's slot; the replies' builders.
#include "core/QVReport.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketManager.h"
#include "net/ServerWindows.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace PacketManager {
namespace {

PendingTarget g_target;
LastTarget g_lastTarget;
PendingPrompt g_prompt;

bool Short(const char* handler, PacketReader& packet) {
    QVReport::warning("PacketManager::%s: packet of %d bytes is short; dropped.\n", handler, packet.length());
    return false;
}

// A u16 length and that many 8-bit bytes; a zero ends the text early.
bool ReadCountedText(PacketReader& packet, int& at, std::string& out) {
    uint16_t n = 0;
    const uint8_t* bytes = nullptr;
    if (!ReadPacketU16(packet, at, n) || !ReadPacketBytes(packet, at, bytes, n)) return false;
    const char* text = reinterpret_cast<const char*>(bytes);
    out.assign(text, std::find(text, text + n, '\0'));
    return true;
}

// The rest of the packet as 8-bit text, up to a zero.
std::string RestText(PacketReader& packet, int at) {
    const int n = std::max(0, packet.length() - packet.headerSize() - at);
    const uint8_t* bytes = nullptr;
    if (n == 0 || !ReadPacketBytes(packet, at, bytes, n)) return {};
    const char* text = reinterpret_cast<const char*>(bytes);
    return std::string(text, std::find(text, text + n, '\0'));
}

template <typename T>
void Hand(const std::function<void(const T&)>& slot, const T& record, const char* handler) {
    if (slot)
        slot(record);
    else
        QVReport::message("PacketManager::%s: no window for it; dropped.\n", handler);
}

void Send(PacketWriter& writer) {
    std::span<const uint8_t> wire = FinishPacket(writer);
    if (wire.empty()) return;
    SendServerWindowPacket(std::vector<uint8_t>(wire.begin(), wire.end()));
}

void EndTargeting() {
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.endTargeting) slots.endTargeting();
    g_target.cursorFlag = 0;
    g_target.serverTarget = false;
}

std::string Language() {
    ServerWindowSlots& slots = GetServerWindowSlots();
    std::string language = slots.language ? slots.language() : std::string();
    return language.empty() ? "ENU" : language;
}

} // namespace

const PendingTarget& GetPendingTarget() {
    return g_target;
}
const LastTarget& GetLastTarget() {
    return g_lastTarget;
}
const PendingPrompt& GetPendingPrompt() {
    return g_prompt;
}
void ResetServerWindowState() {
    g_target = {};
    g_lastTarget = {};
    g_prompt = {};
}

// ---------------------------------------------------------------- targets

void HandleTargetRequest(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t type = 0, flag = 0;
    uint32_t id = 0;
    if (!ReadPacketU8(packet, at, type) || !ReadPacketU32(packet, at, id) ||
        !ReadPacketU8(packet, at, flag)) {
        Short("HandleTargetRequest", packet);
        return;
    }
    if (flag == 3) {
        SendTargetCancel();
        return;
    }
    g_target.targetId = id;
    g_target.cursorType = type;
    g_target.cursorFlag = flag;
    g_target.serverTarget = true;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.beginTargeting) slots.beginTargeting(type);
}

void SendTargetReply(PacketWriter& packet, uint8_t type, uint32_t serial, uint16_t x, uint16_t y, uint16_t z,
                     uint16_t graphic) {
    BeginPacket(packet, 0x6C);
    WritePacketU8(packet, type);
    WritePacketU32(packet, g_target.targetId);
    WritePacketU8(packet, g_target.cursorFlag);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, x);
    WritePacketU16(packet, y);
    WritePacketU16(packet, z);
    WritePacketU16(packet, graphic);
}

void SendTargetSelection(const TargetPick& pick) {
    uint8_t type = 1;
    uint32_t serial = 0;
    uint16_t graphic = 0;
    switch (pick.kind) {
    case TargetPick::Land:
        g_lastTarget = LastTarget{LastTarget::Land, 0, pick.x, pick.y, pick.z, 0};
        break;
    case TargetPick::Object:
        if (!pick.isPlayer) {
            ServerWindowSlots& slots = GetServerWindowSlots();
            const bool already =
                g_lastTarget.kind == LastTarget::Object && g_lastTarget.serial == pick.serial;
            if (pick.isMobile && !already && slots.openTargetHealthBar)
                slots.openTargetHealthBar(pick.serial);
            g_lastTarget = LastTarget{LastTarget::Object, pick.serial, pick.x, pick.y, pick.z, pick.graphic};
        }
        type = 0;
        serial = pick.serial;
        graphic = pick.graphic;
        break;
    default:
        g_lastTarget = LastTarget{LastTarget::Static, 0, pick.x, pick.y, pick.z, pick.graphic};
        graphic = pick.graphic;
        break;
    }
    uint8_t buffer[19];
    PacketWriter writer(buffer);
    SendTargetReply(writer, type, serial, static_cast<uint16_t>(pick.x), static_cast<uint16_t>(pick.y),
                    static_cast<uint16_t>(pick.z), graphic);
    Send(writer);
    EndTargeting();
}

void SendTargetCancel() {
    uint8_t buffer[19];
    PacketWriter writer(buffer);
    SendTargetReply(writer, 0, 0, 0xFFFF, 0xFFFF, 0, 0);
    Send(writer);
    EndTargeting();
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.forgetNameRequester) slots.forgetNameRequester();
}

void HandleMultiPlacementTarget(CGameSock&, PacketReader& packet) {
    int at = 0;
    MultiPlacement m;
    uint32_t unused = 0;
    uint16_t skip = 0, x = 0, y = 0, z = 0;
    bool ok = ReadPacketU8(packet, at, m.type) && ReadPacketU32(packet, at, m.targetId) &&
              ReadPacketU32(packet, at, unused);
    for (int i = 0; ok && i < 4; ++i)
        ok = ReadPacketU16(packet, at, skip);
    ok = ok && ReadPacketU16(packet, at, m.multiId) && ReadPacketU16(packet, at, x) &&
         ReadPacketU16(packet, at, y) && ReadPacketU16(packet, at, z);
    if (!ok) {
        Short("HandleMultiPlacementTarget", packet);
        return;
    }
    m.xOffset = static_cast<int16_t>(x);
    m.yOffset = static_cast<int16_t>(y);
    m.zOffset = static_cast<int16_t>(z);
    g_target.targetId = m.targetId;
    g_target.cursorType = m.type;
    g_target.serverTarget = true;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.beginTargeting) slots.beginTargeting(m.type);
    Hand(slots.multiPlacement, m, "HandleMultiPlacementTarget");
}

void HandleMultiPlacementTargetList(CGameSock&, PacketReader& packet) {
    int at = 0;
    MultiPlacement m;
    uint16_t x = 0, y = 0, z = 0, count = 0;
    if (!ReadPacketU8(packet, at, m.type) || !ReadPacketU32(packet, at, m.targetId) ||
        !ReadPacketU16(packet, at, x) || !ReadPacketU16(packet, at, y) || !ReadPacketU16(packet, at, z) ||
        !ReadPacketU16(packet, at, count)) {
        Short("HandleMultiPlacementTargetList", packet);
        return;
    }
    m.xOffset = static_cast<int16_t>(x);
    m.yOffset = static_cast<int16_t>(y);
    m.zOffset = static_cast<int16_t>(z);
    const uint8_t* bytes = nullptr;
    if (!ReadPacketBytes(packet, at, bytes, count * 10)) {
        Short("HandleMultiPlacementTargetList", packet);
        return;
    }
    m.records.resize(count);
    for (int i = 0; i < count; ++i) {
        const uint8_t* r = bytes + i * 10;
        auto word = [r](int k) { return static_cast<uint16_t>(r[2 * k] << 8 | r[2 * k + 1]); };
        m.records[i] = MultiPlacement::Record{word(0), word(1), static_cast<int16_t>(word(2)),
                                              static_cast<int16_t>(word(3)), static_cast<int16_t>(word(4))};
    }
    g_target.targetId = m.targetId;
    g_target.cursorType = m.type;
    g_target.serverTarget = true;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.beginTargeting) slots.beginTargeting(m.type);
    Hand(slots.multiPlacement, m, "HandleMultiPlacementTargetList");
}

// ---------------------------------------------------------------- prompts

void HandleAsciiPrompt(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0, id = 0, type = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU32(packet, at, id) ||
        !ReadPacketU32(packet, at, type)) {
        Short("HandleAsciiPrompt", packet);
        return;
    }
    g_prompt = PendingPrompt{true, false, serial, id};
}

void HandleUnicodePrompt(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0, id = 0, type = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU32(packet, at, id) ||
        !ReadPacketU32(packet, at, type)) {
        Short("HandleUnicodePrompt", packet);
        return;
    }
    g_prompt = PendingPrompt{true, true, serial, id};
}

void SendPromptReply(uint32_t type, const std::u16string& text) {
    if (!g_prompt.pending) return;
    std::vector<uint8_t> buffer(19 + 2 * text.size() + 1);
    if (buffer.size() > 0xFFFF) {
        QVReport::warning("PacketManager::SendPromptReply: a line of %zu units does not fit; not sent.\n",
                          text.size());
        return;
    }
    PacketWriter writer(buffer.data(), buffer.size());
    if (g_prompt.unicode) {
        SendUnicodePromptReply(writer, g_prompt.serial, g_prompt.promptId, type, text);
        g_prompt.unicode = false;
    } else {
        std::string ascii;
        for (char16_t c : text)
            if (c < 128) ascii.push_back(static_cast<char>(c));
        SendAsciiPromptReply(writer, g_prompt.serial, g_prompt.promptId, type, ascii);
    }
    Send(writer);
    g_prompt.pending = false;
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.promptAnswered) slots.promptAnswered();
}

void SendAsciiPromptReply(PacketWriter& packet, uint32_t serial, uint32_t promptId, uint32_t type,
                          const std::string& text) {
    BeginPacket(packet, 0x9A);
    WritePacketU32(packet, serial);
    WritePacketU32(packet, promptId);
    WritePacketU32(packet, type);
    WritePacketBytes(packet, text.c_str(), text.size() + 1);
}

void SendUnicodePromptReply(PacketWriter& packet, uint32_t serial, uint32_t promptId, uint32_t type,
                            const std::u16string& text) {
    BeginPacket(packet, 0xC2);
    WritePacketU32(packet, serial);
    WritePacketU32(packet, promptId);
    WritePacketU32(packet, type);
    char language[4] = {};
    std::strncpy(language, Language().c_str(), 3);
    WritePacketBytes(packet, language, 4);
    // Host (little-endian) order, as the servers read it.
    for (char16_t c : text) {
        const uint8_t pair[2] = {static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)};
        WritePacketBytes(packet, pair, 2);
    }
}

// ---------------------------------------------------------------- menus, signs, queries

bool ReadMenuRecord(PacketReader& packet, ItemListMenu* out) {
    int at = 0;
    uint8_t titleLength = 0, count = 0;
    const uint8_t* bytes = nullptr;
    if (!ReadPacketU32(packet, at, out->serial) || !ReadPacketU16(packet, at, out->menuId) ||
        !ReadPacketU8(packet, at, titleLength) || !ReadPacketBytes(packet, at, bytes, titleLength) ||
        !ReadPacketU8(packet, at, count))
        return Short("HandleItemListMenu", packet);
    const char* title = reinterpret_cast<const char*>(bytes);
    out->title.assign(title, std::find(title, title + titleLength, '\0'));
    out->entries.clear();
    for (int i = 0; i < count; ++i) {
        MenuEntry e;
        uint8_t length = 0;
        if (!ReadPacketU16(packet, at, e.graphic) || !ReadPacketU16(packet, at, e.hue) ||
            !ReadPacketU8(packet, at, length) || !ReadPacketBytes(packet, at, bytes, length))
            return Short("HandleItemListMenu", packet);
        const char* text = reinterpret_cast<const char*>(bytes);
        e.text.assign(text, std::find(text, text + length, '\0'));
        out->entries.push_back(std::move(e));
    }
    return true;
}

void HandleItemListMenu(CGameSock&, PacketReader& packet) {
    ItemListMenu menu;
    if (ReadMenuRecord(packet, &menu)) Hand(GetServerWindowSlots().itemListMenu, menu, "HandleItemListMenu");
}

void HandleSignGump(CGameSock&, PacketReader& packet) {
    int at = 0;
    SignRequest sign;
    std::string unused;
    if (!ReadPacketU32(packet, at, sign.serial) || !ReadPacketU16(packet, at, sign.art) ||
        !ReadCountedText(packet, at, unused) || !ReadCountedText(packet, at, sign.text)) {
        Short("HandleSignGump", packet);
        return;
    }
    Hand(GetServerWindowSlots().sign, sign, "HandleSignGump");
}

void HandleTextEntryGump(CGameSock&, PacketReader& packet) {
    int at = 0;
    TextQueryRequest q;
    if (!ReadPacketU32(packet, at, q.serial) || !ReadPacketU16(packet, at, q.parentId) ||
        !ReadCountedText(packet, at, q.prompt) || !ReadPacketU8(packet, at, q.cancelAllowed) ||
        !ReadPacketU8(packet, at, q.style) || !ReadPacketU32(packet, at, q.maximum) ||
        !ReadCountedText(packet, at, q.description)) {
        Short("HandleTextEntryGump", packet);
        return;
    }
    Hand(GetServerWindowSlots().textQuery, q, "HandleTextEntryGump");
}

void HandleDyeRequest(CGameSock&, PacketReader& packet) {
    int at = 0;
    DyeRequest d;
    if (!ReadPacketU32(packet, at, d.serial) || !ReadPacketU16(packet, at, d.value) ||
        !ReadPacketU16(packet, at, d.graphic)) {
        Short("HandleDyeRequest", packet);
        return;
    }
    Hand(GetServerWindowSlots().dyeRequest, d, "HandleDyeRequest");
}

void HandleOpenWebLink(CGameSock&, PacketReader& packet) {
    const std::string url = RestText(packet, 0);
    ServerWindowSlots& slots = GetServerWindowSlots();
    if (slots.openUrl)
        slots.openUrl(url);
    else
        QVReport::message("PacketManager::HandleOpenWebLink: no browser; dropped.\n");
}

void HandleTipNotice(CGameSock&, PacketReader& packet) {
    int at = 0;
    TipNotice tip;
    std::string text;
    if (!ReadPacketU8(packet, at, tip.kind) || !ReadPacketU32(packet, at, tip.number) ||
        !ReadCountedText(packet, at, text)) {
        Short("HandleTipNotice", packet);
        return;
    }
    // Line ends start new lines; long lines are cut into pieces; the table holds at most 100.
    size_t start = 0;
    while (start <= text.size() && tip.lines.size() < TipNotice::kMaxLines) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        do {
            tip.lines.push_back(line.substr(0, TipNotice::kMaxLineLength));
            line.erase(0, std::min(line.size(), TipNotice::kMaxLineLength));
        } while (!line.empty() && tip.lines.size() < TipNotice::kMaxLines);
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    NetServices& services = GetNetServices();
    const std::string number = std::to_string(tip.number);
    if (tip.kind == 1) {
        if (services.saveConfigDirective) services.saveConfigDirective("CurrentVer", number.c_str());
        return;
    }
    if (tip.kind == 0 && services.saveConfigDirective)
        services.saveConfigDirective("LastTip", number.c_str());
    Hand(GetServerWindowSlots().tipNotice, tip, "HandleTipNotice");
}

void HandleObjectHelp(CGameSock&, PacketReader& packet) {
    int at = 0;
    ObjectHelp help;
    if (!ReadPacketU32(packet, at, help.serial)) {
        Short("HandleObjectHelp", packet);
        return;
    }
    const int n = std::max(0, packet.length() - packet.headerSize() - at) / 2;
    const uint8_t* bytes = nullptr;
    if (n > 0 && ReadPacketBytes(packet, at, bytes, n * 2))
        for (int i = 0; i < n && (bytes[2 * i] | bytes[2 * i + 1]); ++i)
            help.text.push_back(static_cast<char16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]));
    Hand(GetServerWindowSlots().objectHelp, help, "HandleObjectHelp");
}

// ---------------------------------------------------------------- builders

void SendMenuChoice(PacketWriter& packet, uint32_t serial, uint16_t menuId, uint16_t index, uint16_t graphic,
                    uint16_t hue) {
    BeginPacket(packet, 0x7D);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, menuId);
    WritePacketU16(packet, index);
    WritePacketU16(packet, graphic);
    WritePacketU16(packet, hue);
}

void SendDyeChoice(PacketWriter& packet, uint32_t serial, uint16_t value, uint16_t hue) {
    BeginPacket(packet, 0x95);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, value);
    WritePacketU16(packet, hue);
}

void SendHelpRequest(PacketWriter& packet, uint8_t value, const std::string& text) {
    BeginPacket(packet, 0x9B);
    WritePacketU8(packet, value);
    char field[256] = {};
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
    WritePacketBytes(packet, field, sizeof field);
}

void SendTextEntryReply(PacketWriter& packet, uint32_t serial, uint16_t parentId, uint8_t code,
                        const std::string& text) {
    BeginPacket(packet, 0xAC);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, parentId);
    WritePacketU8(packet, code);
    WritePacketU16(packet, static_cast<uint16_t>(text.size() + 1));
    WritePacketBytes(packet, text.c_str(), text.size() + 1);
}

void SendObjectHelpRequest(PacketWriter& packet, uint32_t serial, uint8_t value) {
    BeginPacket(packet, 0xB6);
    WritePacketU32(packet, serial);
    WritePacketU8(packet, value);
    char language[3] = {};
    const std::string l = Language();
    std::memcpy(language, l.data(), std::min<size_t>(3, l.size()));
    WritePacketBytes(packet, language, 3);
}

} // namespace PacketManager

bool ReadItemListMenu(PacketReader& packet, ItemListMenu* out) {
    return PacketManager::ReadMenuRecord(packet, out);
}

bool ReadPopupMenu(PacketReader& packet, int at, PopupMenuPacket* out) {
    uint16_t unused = 0;
    uint8_t count = 0;
    auto fail = [&] {
        QVReport::warning("CPopupMenuMgr::HandleMenu: a menu of %d bytes ends inside its entries; dropped.\n",
                          packet.length());
        return false;
    };
    if (!ReadPacketU16(packet, at, unused) || !ReadPacketU32(packet, at, out->serial) ||
        !ReadPacketU8(packet, at, count))
        return fail();
    out->entries.clear();
    for (int i = 0; i < count; ++i) {
        PopupEntry e;
        uint16_t number = 0, extra = 0;
        if (!ReadPacketU16(packet, at, e.tag) || !ReadPacketU16(packet, at, number) ||
            !ReadPacketU16(packet, at, e.flags))
            return fail();
        e.textId = number + 3000000u;
        if ((e.flags & 0x84) && !ReadPacketU16(packet, at, e.extra2)) return fail();
        if (e.flags & 0x40) {
            if (!ReadPacketU16(packet, at, extra)) return fail();
            e.extra1 = extra;
        }
        if ((e.flags & PopupEntry::kColoured) && !ReadPacketU16(packet, at, e.colour)) return fail();
        out->entries.push_back(e);
    }
    return true;
}

namespace PacketManager {

void SendPopupRequest(PacketWriter& packet, uint32_t serial) {
    BeginExtendedCommand(packet, 0x13);
    WritePacketU32(packet, serial);
}

void SendPopupChoice(PacketWriter& packet, uint32_t serial, uint16_t tag) {
    BeginExtendedCommand(packet, 0x15);
    WritePacketU32(packet, serial);
    WritePacketU16(packet, tag);
}

} // namespace PacketManager
