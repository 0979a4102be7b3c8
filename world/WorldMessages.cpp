// The server's world messages: items and mobiles created, moved, contained, equipped, animated and
// killed; light, time, season and weather; and the few that are read and dropped.
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/ShardRecord.h"
#include "net/CGameSock.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/DrawItem.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerWalk.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WeatherManager.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <string>

namespace {

constexpr int kContainerItemSize = 19;
constexpr int kCorpseEntries = 40;

uint32_t Pack(int x, int y) {
    return static_cast<uint32_t>(x & 0xFFFF) | (static_cast<uint32_t>(y & 0xFFFF) << 16);
}

void Short(const char* handler, const PacketReader& packet) {
    QVReport::warning("PacketManager::%s: packet of %d bytes is short; dropped.\n", handler, packet.length());
}

uint32_t PlayerSerial() {
    return pPlayerObject ? pPlayerObject->serial : 0xFFFFFFFFu;
}

bool IsPlayerSerial(uint32_t serial) {
    return pPlayerObject && pPlayerObject->serial == serial;
}

// Whether an entry naming item would release the wearer or one of its holders, or the player.
bool ClosesLoop(uint32_t item, const CDynamicObj* holder) {
    if (IsPlayerSerial(item)) return true;
    for (const CDynamicObj* p = holder; p; p = p->parent)
        if (p->serial == item) return true;
    return false;
}

CDynamicObj* NewWornItem(uint32_t serial, int graphic, int increment) {
    if (IsContainerGraphic(graphic)) return new CContainerObj(serial, graphic, increment);
    return NewDynamicObj(serial, graphic, increment);
}

// The player's flags from a move or incoming message: relisted around the change.
bool StorePlayerFlags(uint8_t flags) {
    CPlayerMobile* player = pPlayerObject;
    const bool changed = player->status != flags;
    if (player->listed) {
        player->RemoveFromDrawList();
        player->status = flags;
        player->AddToDrawList();
    } else {
        player->status = flags;
    }
    return changed;
}

std::set<uint32_t>& MarkedSet() {
    if (ShardRecord* record = GetActiveShardRecord()) return record->markedSerials;
    if (ShardRecord* record = CApp::GetCurrentRecord()) return record->markedSerials;
    return WorldState::FallbackMarkedSerials();
}

struct MobileHead {
    uint32_t serial = 0;
    uint16_t body = 0, x = 0, y = 0, hue = 0;
    int8_t z = 0;
    uint8_t facing = 0, flags = 0, notoriety = 0;
};

// The 16 bytes every mobile message starts with, read under one bounds check (these come often).
bool ReadMobileHead(PacketReader& packet, int& at, MobileHead& m) {
    constexpr int kHeadSize = 16;
    const uint8_t* b = packet.fieldAt(at, kHeadSize);
    if (!b) return false;
    auto u16 = [b](int i) { return static_cast<uint16_t>(b[i] << 8 | b[i + 1]); };
    m.serial = static_cast<uint32_t>(u16(0)) << 16 | u16(2);
    m.body = u16(4);
    m.x = u16(6);
    m.y = u16(8);
    m.z = static_cast<int8_t>(b[10]);
    m.facing = b[11];
    m.hue = u16(12);
    m.flags = b[14];
    m.notoriety = b[15];
    at += kHeadSize;
    return true;
}

void MobileMoving(PacketReader& packet, const char* handler) {
    int at = 0;
    MobileHead h;
    if (!ReadMobileHead(packet, at, h)) return Short(handler, packet);
    CObj* o = CObjectManager::FindBySerial(h.serial);
    if (!o || !o->IsMobile()) return;
    CMobile* m = static_cast<CMobile*>(o);
    // An unchanged notoriety needs no redraw.
    if (m->notoriety != h.notoriety) m->SetNotoriety(h.notoriety);
    if (!m->IsPlayer()) {
        if (m->notPlaced && !m->parent) m->AddToWorld(Pack(m->locX, m->locY), m->z);
        CObjectManager::HandleMoveOf(m, h.serial, h.body, 0, 0, h.x, h.y, h.z, h.facing, h.hue, h.flags);
        return;
    }
    if (StorePlayerFlags(h.flags)) {
        const bool war = (h.flags & 0x40) != 0;
        if (war != (m->warMode != 0)) WorldHook::Call(WorldHook::Table().setWarMode, war);
        WorldHook::Call(WorldHook::Table().redrawPlayerStatus);
    }
}

void MobileIncoming(PacketReader& packet, bool extended, const char* handler) {
    int at = 0;
    MobileHead h;
    if (!ReadMobileHead(packet, at, h)) return Short(handler, packet);
    if (extended) {
        uint16_t unused = 0;
        for (int i = 0; i < 3; ++i)
            if (!ReadPacketU16(packet, at, unused)) return Short(handler, packet);
    }
    const bool known = CObjectManager::FindBySerial(h.serial) != nullptr;
    if (IsPlayerSerial(h.serial))
        StorePlayerFlags(h.flags);
    else
        CObjectManager::HandleMove(h.serial, h.body, 0, 0, h.x, h.y, h.z, h.facing, h.hue, h.flags);

    CObj* found = CObjectManager::FindBySerial(h.serial);
    CMobile* m = found && found->IsMobile() ? static_cast<CMobile*>(found) : nullptr;
    if (m) {
        if (m->listed) m->RemoveFromDrawList();
        m->SetNotoriety(h.notoriety);
    }
    for (;;) {
        uint32_t itemSerial = 0;
        uint16_t graphic = 0, hue = 0;
        uint8_t layer = 0;
        if (!ReadPacketU32(packet, at, itemSerial)) break;
        if (itemSerial == 0) break;
        if (!ReadPacketU16(packet, at, graphic) || !ReadPacketU8(packet, at, layer)) break;
        const bool hasHue = (graphic & 0x8000) != 0;
        graphic &= 0x7FFF;
        if (hasHue && !ReadPacketU16(packet, at, hue)) break;
        if (!m) continue;
        if (layer >= kLayerCount) {
            QVReport::warning("PacketManager::%s: layer %d of 0x%08X is not a slot; entry dropped.\n",
                              handler, layer, itemSerial);
            continue;
        }
        if (ClosesLoop(itemSerial, m)) {
            QVReport::warning("PacketManager::%s: 0x%08X cannot be worn by 0x%08X; entry dropped.\n", handler,
                              itemSerial, m->serial);
            continue;
        }
        CObj* existing = CObjectManager::FindBySerial(itemSerial);
        CDynamicObj* item = nullptr;
        bool made = false;
        if (existing && existing->IsDynamic()) {
            item = static_cast<CDynamicObj*>(existing);
            if (!item->notPlaced || item->parent) item->RemoveFromWorld();
        } else if (!existing) {
            item = NewWornItem(itemSerial, graphic, 0);
            made = true;
        }
        if (!item) continue;
        item->SetGraphic(item->graphic, NormalizeHue(hue));
        if (!item->Equip(m, layer) && made) item->Release();
    }
    if (!m) return;
    uint32_t statusOwner = 0;
    if (const auto& ask = WorldHook::Table().statusGumpOwner) statusOwner = ask(m);
    if (m->parent && !m->layers[25]) {
        if (m->parent->IsMobile()) static_cast<CMobile*>(m->parent)->mounted = 0;
        const int x = m->locX, y = m->locY, z = m->z;
        m->RemoveFromWorld();
        m->AddToWorld(Pack(x, y), z);
    } else if (m->notPlaced) {
        m->AddToWorld(Pack(m->locX, m->locY), m->z);
    } else if (!m->listed) {
        m->AddToDrawList();
    }
    if (statusOwner) {
        uint8_t buffer[16];
        PacketWriter out(buffer);
        PacketManager::SendStatusRequest(out, 4, statusOwner);
        SendPacket(out);
    }
    if (pPlayerObject && !pPlayerObject->layers[25]) pPlayerObject->mounted = 0;
    if (ShowIncomingNames && !known && !(h.flags & 0x80) && h.body != 0 && !m->IsPlayer()) {
        uint8_t buffer[8];
        PacketWriter out(buffer);
        PacketManager::SendSingleClick(out, h.serial);
        SendPacket(out);
    }
}

bool ReadContainerItem(PacketReader& packet, int& at, CObjectManager::ContainerItem& item) {
    uint16_t graphic = 0, x = 0, y = 0;
    uint8_t increment = 0;
    const bool ok = ReadPacketU32(packet, at, item.serial) && ReadPacketU16(packet, at, graphic) &&
                    ReadPacketU8(packet, at, increment) && ReadPacketU16(packet, at, item.amount) &&
                    ReadPacketU16(packet, at, x) && ReadPacketU16(packet, at, y) &&
                    ReadPacketU32(packet, at, item.container) && ReadPacketU16(packet, at, item.hue);
    item.graphic = graphic;
    item.increment = increment;
    item.x = x;
    item.y = y;
    return ok;
}

void ReadAndDrop(PacketReader& packet, const char* handler, int n) {
    int at = 0;
    const uint8_t* bytes = nullptr;
    if (!ReadPacketBytes(packet, at, bytes, n)) Short(handler, packet);
}

} // namespace

namespace PacketManager {

void HandleWorldItem(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    uint16_t graphic = 0, amount = 1, x = 0, y = 0, hue = 0;
    uint8_t increment = 0, facing = 0, z = 0, flags = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU16(packet, at, graphic))
        return Short("HandleWorldItem", packet);
    const bool hasAmount = (serial & 0x80000000u) != 0;
    serial &= 0x7FFFFFFF;
    const bool hasIncrement = (graphic & 0x8000) != 0;
    graphic &= 0x7FFF;
    if (hasIncrement && !ReadPacketU8(packet, at, increment)) return Short("HandleWorldItem", packet);
    if (hasAmount && !ReadPacketU16(packet, at, amount)) return Short("HandleWorldItem", packet);
    if (!ReadPacketU16(packet, at, x) || !ReadPacketU16(packet, at, y))
        return Short("HandleWorldItem", packet);
    const bool hasFacing = (x & 0x8000) != 0, hasHue = (y & 0x8000) != 0, hasFlags = (y & 0x4000) != 0;
    x &= 0x7FFF;
    y &= 0x3FFF;
    if ((hasFacing && !ReadPacketU8(packet, at, facing)) || !ReadPacketU8(packet, at, z) ||
        (hasHue && !ReadPacketU16(packet, at, hue)) || (hasFlags && !ReadPacketU8(packet, at, flags)))
        return Short("HandleWorldItem", packet);
    if (serial == PlayerSerial()) return;
    CObjectManager::HandleMove(serial, graphic, increment, amount, x, y, static_cast<int8_t>(z), facing, hue,
                               flags);
}

void HandleDeleteObject(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    if (!ReadPacketU32(packet, at, serial)) return Short("HandleDeleteObject", packet);
    CObj* o = CObjectManager::FindBySerial(serial);
    if (!o || o->IsPlayer() || !o->IsDynamic()) return;
    CDynamicObj* d = static_cast<CDynamicObj*>(o);
    if (d->IsMobile() && IsInDeathTable(0, d->serial)) return;
    CObjectManager::SaveOverheadTexts(d);
    d->Release();
}

void HandleEquipItem(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t itemSerial = 0, wearerSerial = 0;
    uint16_t graphic = 0, hue = 0;
    uint8_t increment = 0, layer = 0;
    if (!ReadPacketU32(packet, at, itemSerial) || !ReadPacketU16(packet, at, graphic) ||
        !ReadPacketU8(packet, at, increment) || !ReadPacketU8(packet, at, layer) ||
        !ReadPacketU32(packet, at, wearerSerial) || !ReadPacketU16(packet, at, hue))
        return Short("HandleEquipItem", packet);
    if (layer >= kLayerCount) {
        QVReport::warning("PacketManager::HandleEquipItem: layer %d is not a slot; dropped.\n", layer);
        return;
    }
    CObj* wearerObj = CObjectManager::FindBySerial(wearerSerial);
    if (!wearerObj || !wearerObj->IsMobile()) {
        QVReport::warning("PacketManager::HandleEquipItem: 0x%08X wears nothing; dropped.\n", wearerSerial);
        return;
    }
    CMobile* wearer = static_cast<CMobile*>(wearerObj);
    if (itemSerial == wearer->serial || ClosesLoop(itemSerial, wearer)) {
        QVReport::warning("PacketManager::HandleEquipItem: 0x%08X cannot be worn by 0x%08X; dropped.\n",
                          itemSerial, wearerSerial);
        return;
    }
    CObj* existing = CObjectManager::FindBySerial(itemSerial);
    if (existing && !existing->IsDynamic()) return;
    CDynamicObj* item = static_cast<CDynamicObj*>(existing);
    bool made = false;
    if (item) {
        if (!item->notPlaced || item->parent) item->RemoveFromWorld();
        item->SetGraphic(graphic & 0x3FFF, item->hue);
        item->graphicIncrement = static_cast<int8_t>(increment);
    } else {
        item = NewWornItem(itemSerial, graphic & 0x3FFF, increment);
        if (!item) return;
        made = true;
    }
    const bool wasListed = wearer->listed != 0;
    if (!wearer->IsPlayer() && wasListed) wearer->RemoveFromDrawList();
    item->SetGraphic(item->graphic, NormalizeHue(hue));
    if (!item->Equip(wearer, layer) && made) item->Release();
    if (!wearer->listed && !wearer->notPlaced && !wearer->parent) wearer->AddToDrawList();
}

void HandleMobileAnimation(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    uint16_t action = 0, frames = 0, repeatCount = 0;
    uint8_t reverse = 0, repeat = 0, delay = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU16(packet, at, action) ||
        !ReadPacketU16(packet, at, frames) || !ReadPacketU16(packet, at, repeatCount) ||
        !ReadPacketU8(packet, at, reverse) || !ReadPacketU8(packet, at, repeat) ||
        !ReadPacketU8(packet, at, delay))
        return Short("HandleMobileAnimation", packet);
    CObj* o = CObjectManager::FindBySerial(serial);
    if (!o || !o->IsMobile()) return;
    static_cast<CMobile*>(o)->PlayAction(action, frames, delay, repeatCount, reverse, repeat);
}

void HandleServerBoundary(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint16_t x = 0, y = 0, z = 0, bx = 0, by = 0, bw = 0, bh = 0;
    uint8_t map = 0;
    if (!ReadPacketU16(packet, at, x) || !ReadPacketU16(packet, at, y) || !ReadPacketU16(packet, at, z) ||
        !ReadPacketU8(packet, at, map) || !ReadPacketU16(packet, at, bx) || !ReadPacketU16(packet, at, by) ||
        !ReadPacketU16(packet, at, bw) || !ReadPacketU16(packet, at, bh))
        return Short("HandleServerBoundary", packet);
    WorldState::SetBounds({bx, by, bw, bh});
    MapManager::SetCenter(-1, -1, -1, map);
    SetInWorld(true);
}

void HandleMobileMoving(CGameSock&, PacketReader& packet) {
    MobileMoving(packet, "HandleMobileMoving");
}

void HandleMobileMovingEx(CGameSock&, PacketReader& packet) {
    MobileMoving(packet, "HandleMobileMovingEx");
}

void HandleMobileIncoming(CGameSock&, PacketReader& packet) {
    MobileIncoming(packet, false, "HandleMobileIncoming");
}

void HandleMobileIncomingEx(CGameSock&, PacketReader& packet) {
    MobileIncoming(packet, true, "HandleMobileIncomingEx");
}

void HandleCorpseEquipment(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    if (!ReadPacketU32(packet, at, serial)) return Short("HandleCorpseEquipment", packet);
    CObj* o = CObjectManager::FindBySerial(serial);
    CCorpse* corpse = o && o->IsCorpse() ? static_cast<CCorpse*>(o) : nullptr;
    for (int i = 0; i < kCorpseEntries; ++i) {
        uint8_t layer = 0;
        uint32_t item = 0;
        if (!ReadPacketU8(packet, at, layer) || layer == 0) break;
        if (!ReadPacketU32(packet, at, item)) break;
        // The table has rows for layers 0..26 only.
        if (corpse && layer < CCorpse::kCorpseLayers) corpse->layerSerials[layer] = item;
    }
}

void HandleDeathAnimation(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0, corpse = 0, flag = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU32(packet, at, corpse) ||
        !ReadPacketU32(packet, at, flag))
        return Short("HandleDeathAnimation", packet);
    // The player's own death comes with the death status message.
    if (IsPlayerSerial(serial)) return;
    CObj* o = CObjectManager::FindBySerial(serial);
    if (!o || !o->IsMobile()) return;
    static_cast<CMobile*>(o)->StartDeath(corpse, flag == 0 ? 1 : 0);
}

void HandlePointer(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t show = 0;
    uint16_t x = 0, y = 0;
    if (!ReadPacketU8(packet, at, show) || !ReadPacketU16(packet, at, x) || !ReadPacketU16(packet, at, y))
        return Short("HandlePointer", packet);
    WorldState::SetPointer(show != 0, x, y);
    WorldHook::Call(WorldHook::Table().showPointer, x, y, show != 0);
}

void HandleMarkMobile(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    uint8_t flag = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU8(packet, at, flag))
        return Short("HandleMarkMobile", packet);
    std::set<uint32_t>& marked = MarkedSet();
    if (serial == 0xFFFFFFFFu) {
        for (uint32_t s : marked)
            CDrawItem::Invalidate(CObjectManager::FindBySerial(s));
        marked.clear();
        return;
    }
    CObj* o = CObjectManager::FindBySerial(serial);
    if (!o) return;
    if (flag == 1)
        marked.insert(serial);
    else if (flag == 0)
        marked.erase(serial);
    CDrawItem::Invalidate(o);
}

void HandleNameReply(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    std::string name;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketFixedText(packet, at, 30, name))
        return Short("HandleNameReply", packet);
    WorldHook::Ask(WorldHook::Table().nameArrived, serial, name.c_str());
}

void HandleContainerItem(CGameSock&, PacketReader& packet) {
    int at = 0;
    CObjectManager::ContainerItem item;
    if (!ReadContainerItem(packet, at, item)) return Short("HandleContainerItem", packet);
    CObjectManager::AddToContainer(item);
    WorldState::SetContentsArriving(false);
}

void HandleContainerContents(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint16_t count = 0;
    if (!ReadPacketU16(packet, at, count)) return Short("HandleContainerContents", packet);
    if (packet.length() - packet.headerSize() - 2 < count * kContainerItemSize)
        return Short("HandleContainerContents", packet);
    WorldState::SetContentsArriving(true);
    CContainerObj* last = nullptr;
    for (int i = 0; i < count; ++i) {
        CObjectManager::ContainerItem item;
        if (!ReadContainerItem(packet, at, item)) break;
        CObj* box = CObjectManager::FindBySerial(item.container);
        CContainerObj* container = box && box->IsContainer() ? static_cast<CContainerObj*>(box) : nullptr;
        if (i == 0 && container) {
            WorldHook::Call(WorldHook::Table().destroyShopWindow, container);
            container->ReleaseContents();
        }
        CObjectManager::AddToContainer(item);
        if (container) last = container;
    }
    WorldState::SetContentsArriving(false);
    if (last) WorldHook::Call(WorldHook::Table().contentsArrived, last);
}

// ---------------------------------------------------------------- surroundings
void HandleLightLevel(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t level = 0;
    if (!ReadPacketU8(packet, at, level)) return Short("HandleLightLevel", packet);
    if (level == WorldState::GetGlobalLightLevel()) return;
    WorldState::SetGlobalLightLevel(level);
    WorldHook::Call(WorldHook::Table().radarRebuild);
    WorldHook::Call(WorldHook::Table().invalidateAll);
}

void HandlePersonalLight(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint32_t serial = 0;
    uint8_t level = 0;
    if (!ReadPacketU32(packet, at, serial) || !ReadPacketU8(packet, at, level))
        return Short("HandlePersonalLight", packet);
    CObj* o = CObjectManager::FindBySerial(serial);
    if (o && o->IsDynamic()) static_cast<CDynamicObj*>(o)->SetPersonalLight(level);
}

void HandleTime(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t h = 0, m = 0, s = 0;
    if (!ReadPacketU8(packet, at, h) || !ReadPacketU8(packet, at, m) || !ReadPacketU8(packet, at, s))
        return Short("HandleTime", packet);
    WorldState::SetServerTime(h, m, s);
}

void HandleWeather(CGameSock&, PacketReader& packet) {
    int at = 0;
    uint8_t type = 0, count = 0, value = 0;
    if (!ReadPacketU8(packet, at, type) || !ReadPacketU8(packet, at, count) ||
        !ReadPacketU8(packet, at, value))
        return Short("HandleWeather", packet);
    WeatherManager::HandleWeather(type, count, value);
}

void HandleIgnoredTwoBytes(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleIgnoredTwoBytes", 2);
}

void HandlePingEcho(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandlePingEcho", 1);
}

void HandleIgnoredTwoWords(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleIgnoredTwoWords", 8);
}

void HandleViewRange(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleViewRange", 1);
}

void HandleIgnoredByteWord(CGameSock&, PacketReader& packet) {
    ReadAndDrop(packet, "HandleIgnoredByteWord", 5);
}

void ClearCellDrawItems(int x, int y) {
    CDrawItem*& head = DrawMapThingie::table[y & 63][x & 63];
    bool playerFound = false;
    for (CDrawItem* item = head; item;) {
        CDrawItem* next = item->nextDraw;
        if (item == pPlayerObject) playerFound = true;
        if (item->IsLand()) {
            item->RemoveFromDrawList();
            item->Release();
        }
        item = next;
    }
    if (playerFound) {
        WorldHook::Call(WorldHook::Table().invalidateAll);
        pPlayerObject->AddToDrawList();
    }
}

void HandleSeason(CGameSock& connection, PacketReader& packet) {
    int at = 0;
    uint8_t value = 0, soundFlag = 0;
    if (!ReadPacketU8(packet, at, value) || !ReadPacketU8(packet, at, soundFlag))
        return Short("HandleSeason", packet);
    auto next = [](int current, int wanted) {
        if (wanted >= 5) return 0;
        if (wanted == 4) return Desolation ? 4 : current;
        return wanted;
    };
    if (&connection != GetCurrentConnection()) {
        ShardRecord* record = CApp::FindShardRecordByConnection(&connection);
        if (!record || (record->saved.season == 4 && soundFlag == 0)) return;
        if (record->saved.season != value) record->saved.season = next(record->saved.season, value);
        return;
    }
    if (Season == 4 && soundFlag == 0) return;
    if (Season == value) return;
    Season = next(Season, value);

    WorldState::SetGlobalLightLevel(0);
    CPlayerMobile* player = pPlayerObject;
    const int px = player ? player->locX : 0, py = player ? player->locY : 0, pz = player ? player->z : 0;
    if (player && !player->notPlaced) player->RemoveFromWorld();
    WorldLists::World().ForEach([](CObj* o) {
        if (!o->IsDynamic() && !o->IsMultiComponent()) o->Release();
    });
    MapManager::ForgetLoadedBlocks();
    for (int cy = 0; cy < DrawMapThingie::kCells; ++cy)
        for (int cx = 0; cx < DrawMapThingie::kCells; ++cx)
            ClearCellDrawItems(cx, cy);
    PlayerWalk::ResetWalkState();
    if (player) {
        player->AddToWorld(Pack(px, py), pz);
        MapManager::SetCenter(px, py, pz, MapManager::GetMap());
    }
    WorldHook::Call(WorldHook::Table().seasonRedraw);
    WorldHook::Call(WorldHook::Table().invalidateAll);
    if (Season == 4 && IsInWorld() && player)
        WorldHook::Call(WorldHook::Table().playSoundAt, 581, px, py, 1.0f, false, 0, false);
}

} // namespace PacketManager
