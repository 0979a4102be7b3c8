// The world-editing messages: an editing server (the "EditServer" address) may replace tile data,
// art, multi data and numbered data items; the others are read and dropped. 0xC6 switches on the
// map block check, whose failures go back as 0xC5.
#include "core/CDHDCache.h"
#include "core/QVReport.h"
#include "net/PacketManager.h"
#include "net/csocket.h"
#include "render/GraphicManager.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/MultiManager.h"
#include "world/RegionManager.h"
#include "world/TileData.h"

#include <cstring>

namespace PacketManager {
namespace {

// Reads n bytes past the id (and length) and drops them; a short packet is logged.
void ReadAndDrop(PacketReader& packet, const char* handler, int n) {
    int offset = 0;
    const uint8_t* bytes = nullptr;
    if (!ReadPacketBytes(packet, offset, bytes, n))
        QVReport::warning("PacketManager::%s: packet of %d bytes is short.\n", handler, packet.length());
}

// The bytes after offset to the end of the packet.
int Rest(const PacketReader& packet, int offset) {
    const int rest = packet.length() - packet.headerSize() - offset;
    return rest > 0 ? rest : 0;
}

} // namespace

void HandleEditData3E(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleEditData3E", 36);
}

void HandleEditStaticsBlock(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint32_t block = 0, count = 0, value = 0;
    if (!ReadPacketU32(packet, offset, block) || !ReadPacketU32(packet, offset, count) ||
        !ReadPacketU32(packet, offset, value))
        QVReport::warning("PacketManager::HandleEditStaticsBlock: short packet.\n");
}

void HandleEditMapBlock(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleEditMapBlock", 200);
}

void HandleEditTiledataGroup(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint32_t group = 0;
    if (!ReadPacketU32(packet, offset, group)) return;
    if (!IsEditServerConfigured()) return;
    const bool itemGroup = group >= static_cast<uint32_t>(TileData::kFirstItemGroup);
    const int rest = Rest(packet, offset);
    const uint8_t* bytes = nullptr;
    if (!ReadPacketBytes(packet, offset, bytes, rest)) return;
    // Groups outside the tables and short groups are refused by the writers.
    std::vector<uint8_t> group_bytes =
        TileData::GroupFromNetworkOrder(bytes, static_cast<size_t>(rest), itemGroup);
    if (group > 0x7FFFFFFFu) return;
    if (itemGroup)
        CObjectManager::SetItemTileData(static_cast<int>(group), group_bytes.data(), group_bytes.size());
    else
        CObjectManager::SetLandTileData(static_cast<int>(group), group_bytes.data(), group_bytes.size());
}

void HandleEditArt(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint32_t artId = 0, value = 0, length = 0;
    if (!ReadPacketU32(packet, offset, artId) || !ReadPacketU32(packet, offset, value) ||
        !ReadPacketU32(packet, offset, length))
        return;
    if (!IsEditServerConfigured()) return;
    const int rest = Rest(packet, offset);
    if (length == 0xFFFFFFFFu) {
        GraphicManager::UpdateArt(nullptr, 0, static_cast<int>(artId), -1, static_cast<int>(value));
        return;
    }
    const uint8_t* bytes = nullptr;
    if (!ReadPacketBytes(packet, offset, bytes, rest)) return;
    if (length > static_cast<uint32_t>(rest)) {
        QVReport::warning("PacketManager::HandleEditArt: art %u claims %u bytes, %d arrived.\n", artId,
                          length, rest);
        return;
    }
    GraphicManager::UpdateArt(bytes, static_cast<size_t>(rest), static_cast<int>(artId),
                              static_cast<int>(length), static_cast<int>(value));
}

void HandleEditData43(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleEditData43", 552);
}

void HandleEditData44(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleEditData44", 712);
}

void HandleEditData45(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleEditData45", 4);
}

void HandleRegionRecord(CGameSock&, PacketReader& packet) {
    // Read into a record and dropped: the client keeps its own regions.
    int offset = 0;
    RegionRecord region{};
    std::string name, text;
    uint32_t word = 0;
    bool ok = ReadPacketFixedText(packet, offset, 40, name) && ReadPacketU32(packet, offset, word);
    for (int16_t& v : region.values) {
        uint16_t u = 0;
        ok = ok && ReadPacketU16(packet, offset, u);
        v = static_cast<int16_t>(u);
    }
    ok = ok && ReadPacketU32(packet, offset, word) && ReadPacketFixedText(packet, offset, 40, text) &&
         ReadPacketU16(packet, offset, region.value1) && ReadPacketU16(packet, offset, region.value2) &&
         ReadPacketU16(packet, offset, region.value3) && ReadPacketU8(packet, offset, region.value4) &&
         ReadPacketU16(packet, offset, region.value5);
    if (!ok) QVReport::warning("PacketManager::HandleRegionRecord: short packet.\n");
}

void HandleEditServerByte(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t value = 0;
    ReadPacketU8(packet, offset, value);
}

void HandleEditMultiData(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint32_t multiId = 0, value = 0;
    if (!ReadPacketU32(packet, offset, multiId) || !ReadPacketU32(packet, offset, value)) return;
    if (!IsEditServerConfigured()) return;
    // Whole records only: a trailing partial record is no component.
    const int rest = Rest(packet, offset) / MradeRunager::kRecordSize * MradeRunager::kRecordSize;
    const uint8_t* bytes = nullptr;
    if (rest > 0 && !ReadPacketBytes(packet, offset, bytes, rest)) return;
    if (multiId >= 0x10000) {
        QVReport::warning("PacketManager::HandleEditMultiData: multi %u is outside the table.\n", multiId);
        return;
    }
    std::vector<uint8_t> host = MradeRunager::ConvertNetworkComponents(bytes, rest);
    CDHDCache::AddVersionedItem(CDHDCache::kMultiIdx, CDHDCache::kMulti, static_cast<int>(multiId),
                                static_cast<int>(value), host.data(), static_cast<int>(host.size()));
}

void HandleEditCacheItem(CGameSock&, PacketReader& packet) {
    int offset = 0;
    uint8_t index = 0;
    uint32_t id = 0;
    if (!ReadPacketU8(packet, offset, index) || !ReadPacketU32(packet, offset, id)) return;
    if (!IsEditServerConfigured()) return;
    const int rest = Rest(packet, offset);
    const uint8_t* bytes = nullptr;
    if (rest > 0 && !ReadPacketBytes(packet, offset, bytes, rest)) return;
    CDHDCache::AddVersionedItem(CDHDCache::kSkillsIdx, CDHDCache::kSkills, index, static_cast<int>(id), bytes,
                                rest);
}

void HandleMapCheckEnable(CGameSock&, PacketReader&) {
    MapManager::EnableMapCheck();
}

void SendMapBlockReport(PacketWriter& packet, int block, uint16_t value, const uint8_t* blockData) {
    BeginPacket(packet, 0xC5);
    WritePacketU32(packet, static_cast<uint32_t>(block));
    WritePacketU16(packet, value);
    if (blockData) WritePacketBytes(packet, blockData, MapManager::kBlockSize);
}

} // namespace PacketManager
