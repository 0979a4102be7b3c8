#include "sceneview/SceneView.h"

#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/SharedServices.h"
#include "gumps/CGumpManager.h"
#include "gumps/EffectHooks.h"
#include "net/CGameSock.h"
#include "net/NetServices.h"
#include "net/PacketBuffer.h"
#include "net/PacketManager.h"
#include "render/Art.h"
#include "render/BackBuffer.h"
#include "render/DirtyRects.h"
#include "render/DrawManager.h"
#include "render/HueManager.h"
#include "render/Light.h"
#include "render/SceneBlits.h"
#include "testshard/EffectScenarios.h"
#include "testshard/WorldPackets.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerObject.h"
#include "world/Scene.h"
#include "world/ServerWorld.h"
#include "world/Terrain.h"
#include "world/WorldHooks.h"
#include "world/WorldLogin.h"
#include "world/objects.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace sceneview {
namespace {
bool g_open = false;

namespace tw = testshard::world;

constexpr uint32_t kFirstMobile = 0x1000;
constexpr uint32_t kFirstItem = 0x40001000;

bool Int(const std::string& text, int& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < 0 || v > 0xFFFF) return false;
    out = static_cast<int>(v);
    return true;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

// The four leading numbers shared by mobiles and corpses.
bool Head(const std::vector<std::string>& parts, int& x, int& y, int& body, int& facing) {
    return parts.size() >= 4 && Int(parts[0], x) && Int(parts[1], y) && Int(parts[2], body) &&
           Int(parts[3], facing) && facing < 8;
}

template <class Handler>
void Feed(CGameSock& connection, Handler handler, const std::vector<uint8_t>& bytes) {
    PacketReader reader(bytes.data(), bytes.size());
    handler(connection, reader);
}

// Sends the figures as the server would, and poses the ones given an action.
void PlaceFigures(const Options& o, std::string& error) {
    CGameSock connection;
    Feed(connection, PacketManager::HandleLightLevel, tw::LightLevel(static_cast<uint8_t>(o.light)));
    if (pPlayerObject)
        Feed(connection, PacketManager::HandlePersonalLight,
             tw::PersonalLight(pPlayerObject->serial, static_cast<uint8_t>(o.personal)));
    uint32_t item = kFirstItem;
    for (size_t i = 0; i < o.mobiles.size(); ++i) {
        const MobileSpec& spec = o.mobiles[i];
        tw::MobileFields m;
        m.serial = kFirstMobile + static_cast<uint32_t>(i);
        m.body = static_cast<uint16_t>(spec.body);
        m.x = static_cast<uint16_t>(spec.x);
        m.y = static_cast<uint16_t>(spec.y);
        m.z = static_cast<int8_t>(MapManager::GetLandZ(spec.x, spec.y));
        m.facing = static_cast<uint8_t>(spec.facing);
        m.hue = static_cast<uint16_t>(spec.hue);
        std::vector<tw::WornFields> worn;
        for (const auto& [graphic, layer, hue] : spec.equip)
            worn.push_back({item++, static_cast<uint16_t>(graphic), static_cast<uint8_t>(layer), hue});
        if (spec.mount) worn.push_back({item++, static_cast<uint16_t>(spec.mount), 25});
        Feed(connection, PacketManager::HandleMobileIncoming, tw::MobileIncoming(m, worn));
        CObj* placed = CObjectManager::FindBySerial(m.serial);
        if (!placed || !placed->IsMobile()) {
            error = "mobile " + std::to_string(i + 1) + " was not placed";
            continue;
        }
        auto* mobile = static_cast<CMobile*>(placed);
        if (spec.action >= 0 || spec.resting) {
            const bool wasListed = mobile->listed != 0;
            if (wasListed) mobile->RemoveFromDrawList();
            if (spec.action >= 0) {
                mobile->animating = 1;
                mobile->action = static_cast<uint16_t>(spec.action);
                mobile->frameIndex = static_cast<uint16_t>(spec.frame);
            }
            if (spec.resting) { // as the world step leaves a mobile that stopped moving
                mobile->resting = 1;
                mobile->idleFrameCounter = 3;
            }
            if (wasListed) mobile->AddToDrawList();
        }
    }
    for (size_t i = 0; i < o.corpses.size(); ++i) {
        const CorpseSpec& spec = o.corpses[i];
        tw::ItemFields f;
        f.serial = item++;
        f.graphic = 0x2006;
        f.amount = spec.body;
        f.x = static_cast<uint16_t>(spec.x);
        f.y = static_cast<uint16_t>(spec.y);
        f.z = static_cast<int8_t>(MapManager::GetLandZ(spec.x, spec.y));
        f.facing = spec.facing;
        Feed(connection, PacketManager::HandleWorldItem, tw::WorldItem(f));
    }
}

// The serial of the player (0) or the n-th figure; 0 when there is no such figure.
uint32_t FigureSerial(const Options& o, int index) {
    if (index == 0) return pPlayerObject ? pPlayerObject->serial : 0;
    return index > 0 && index <= static_cast<int>(o.mobiles.size())
               ? kFirstMobile + static_cast<uint32_t>(index - 1)
               : 0;
}

// Sends the effects as the server would, then lets them run their updates.
void PlaceEffects(const Options& o, std::string& error) {
    CGameSock connection;
    // Lightning picks its pictures at random: the same picture every time.
    if (!o.effects.empty()) SeedRandom(1);
    for (size_t i = 0; i < o.effects.size(); ++i) {
        const EffectSpec& spec = o.effects[i];
        testshard::world::EffectFields f;
        f.kind = static_cast<uint8_t>(spec.kind);
        for (const auto& [index, serial] : {std::pair{spec.from, &f.source}, std::pair{spec.to, &f.target}}) {
            if (!index) continue;
            *serial = FigureSerial(o, *index);
            if (!*serial)
                error = "effect " + std::to_string(i + 1) + " names no mobile " + std::to_string(*index);
        }
        f.graphic = static_cast<uint16_t>(spec.graphic);
        f.sourceX = static_cast<uint16_t>(spec.x);
        f.sourceY = static_cast<uint16_t>(spec.y);
        f.sourceZ = static_cast<int8_t>(spec.z ? *spec.z : MapManager::GetLandZ(spec.x, spec.y));
        f.targetX = static_cast<uint16_t>(spec.toX);
        f.targetY = static_cast<uint16_t>(spec.toY);
        f.targetZ = static_cast<int8_t>(spec.toZ ? *spec.toZ : MapManager::GetLandZ(spec.toX, spec.toY));
        f.speed = static_cast<uint8_t>(spec.speed);
        f.duration = static_cast<uint8_t>(spec.duration);
        f.descending = spec.descending;
        f.pingPong = spec.pingPong;
        f.fixedDirection = spec.fixedDirection;
        f.explode = spec.explode;
        f.hue = static_cast<uint32_t>(spec.hue);
        f.blendMode = static_cast<uint32_t>(spec.blend);
        const std::vector<uint8_t> packet = testshard::world::GraphicEffect(f);
        Feed(connection,
             packet[0] == 0xC0 ? PacketManager::HandleHuedEffect : PacketManager::HandleGraphicEffect,
             packet);
    }
    for (int i = 0; i < o.updates; ++i)
        CGumpManager::Update();
}

} // namespace

bool ParseEffect(const std::string& text, EffectSpec& out) {
    const std::vector<std::string> parts = Split(text, ',');
    EffectSpec e;
    if (parts.size() < 4 || !Int(parts[0], e.kind) || e.kind > 3 || !Int(parts[1], e.graphic) ||
        !Int(parts[2], e.x) || !Int(parts[3], e.y))
        return false;
    e.toX = e.x;
    e.toY = e.y;
    auto number = [](const std::string& value, std::optional<int>& into) {
        int v = 0;
        if (!Int(value, v)) return false;
        into = v;
        return true;
    };
    auto byte = [](const std::string& value, int& into) { return Int(value, into) && into <= 0xFF; };
    for (size_t i = 4; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        const size_t eq = p.find('=');
        const std::string key = p.substr(0, eq), value = eq == std::string::npos ? "" : p.substr(eq + 1);
        if (eq == std::string::npos) {
            bool* flag = p == "descending" ? &e.descending
                         : p == "pingpong" ? &e.pingPong
                         : p == "fixed"    ? &e.fixedDirection
                         : p == "explode"  ? &e.explode
                                           : nullptr;
            if (!flag) return false;
            *flag = true;
        } else if (key == "z") {
            if (!number(value, e.z) || *e.z > 127) return false;
        } else if (key == "from") {
            if (!number(value, e.from)) return false;
        } else if (key == "target") {
            if (!number(value, e.to)) return false;
        } else if (key == "to") {
            const std::vector<std::string> fields = Split(value, ':');
            if (fields.size() < 2 || fields.size() > 3 || !Int(fields[0], e.toX) || !Int(fields[1], e.toY) ||
                (fields.size() == 3 && (!number(fields[2], e.toZ) || *e.toZ > 127)))
                return false;
        } else if (key == "speed") {
            if (!byte(value, e.speed)) return false;
        } else if (key == "duration") {
            if (!byte(value, e.duration)) return false;
        } else if (key == "hue") {
            if (!Int(value, e.hue)) return false;
        } else if (key == "blend") {
            if (!Int(value, e.blend) || e.blend > 15) return false;
        } else {
            return false;
        }
    }
    out = e;
    return true;
}

bool ParseMobile(const std::string& text, MobileSpec& out) {
    const std::vector<std::string> parts = Split(text, ',');
    MobileSpec m;
    if (!Head(parts, m.x, m.y, m.body, m.facing)) return false;
    bool hasAction = false, hasFrame = false;
    for (size_t i = 4; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        const size_t eq = p.find('=');
        const std::string key = p.substr(0, eq), value = eq == std::string::npos ? "" : p.substr(eq + 1);
        if (p == "seated") {
            m.seated = true;
        } else if (p == "rest") {
            m.resting = true;
        } else if (eq == std::string::npos) {
            return false;
        } else if (key == "hue") {
            if (!Int(value, m.hue)) return false;
        } else if (key == "action") {
            if (!Int(value, m.action) || m.action > 99) return false;
            hasAction = true;
        } else if (key == "frame") {
            if (!Int(value, m.frame) || m.frame > 99) return false;
            hasFrame = true;
        } else if (key == "mount") {
            if (!Int(value, m.mount) || m.mount == 0) return false;
        } else if (key == "equip") {
            for (const std::string& pair : Split(value, '+')) {
                const std::vector<std::string> fields = Split(pair, ':');
                int graphic = 0, layer = 0, hue = -1;
                if (fields.size() < 2 || fields.size() > 3 || !Int(fields[0], graphic) ||
                    !Int(fields[1], layer) || layer < 1 || layer > 24 ||
                    (fields.size() == 3 && !Int(fields[2], hue)))
                    return false;
                m.equip.push_back({graphic, layer, hue});
            }
        } else {
            return false;
        }
    }
    if (hasFrame && !hasAction) return false;
    out = m;
    return true;
}

bool ParseCorpse(const std::string& text, CorpseSpec& out) {
    const std::vector<std::string> parts = Split(text, ',');
    CorpseSpec c;
    if (parts.size() != 4 || !Head(parts, c.x, c.y, c.body, c.facing)) return false;
    out = c;
    return true;
}

bool Open(const std::string& installDir, std::string* error) {
    if (g_open) Close();
    (void)error;
    FileManager::startupWithPaths(installDir, "");
    CDHDCache::startup();
    CDHDCache::Init();
    DefManager::startup();
    CObjectManager::startup();
    HueManager::startup();
    thelightthingie::startup();
    InitBodyTypes();
    MapManager::startup();
    DrawManager::ResetWindow();
    ResetArtCache();
    ResetLandTextures();
    g_open = true;
    return true;
}

void Close() {
    if (!g_open) return;
    CGumpManager::DeleteMissiles();
    CGumpManager::FreeClosedGumps();
    MapManager::SetPlayerPlaced(false);
    DeletePlayerObject();
    CObjectManager::ReleaseAll();
    DrawManager::FlushAllCells();
    DrawManager::ResetForTests();
    ResetArtCache();
    ResetLandTextures();
    HueManager::shutdown();
    thelightthingie::shutdown();
    SetDarkNights(false);
    CObjectManager::shutdown();
    DefManager::shutdown();
    CDHDCache::shutdown();
    g_open = false;
}

std::string DescribeItem(const void* p) {
    const CDrawItem* item = static_cast<const CDrawItem*>(p);
    if (!item) return "nothing";
    char where[64];
    std::snprintf(where, sizeof where, " at %d,%d,%d", item->locX, item->locY, item->z);
    if (item->IsPlayer()) return std::string("player") + where;
    if (item->IsLand()) {
        const int id = item->IsStretchedLand() ? static_cast<const CStretchedLandTile*>(item)->landId
                                               : static_cast<const CLandTile*>(item)->landId;
        return (item->IsStretchedLand() ? "sloped land " : "land ") + std::to_string(id) + where;
    }
    if (item->IsObj()) {
        const CObj* o = static_cast<const CObj*>(item);
        return (o->IsDynamic() ? "item " : "static ") + std::to_string(o->displayedGraphic) + where;
    }
    return std::string("other") + where;
}

Picture Render(const Options& o) {
    Picture out;
    // The effects of an earlier picture go.
    CGumpManager::DeleteMissiles();
    CGumpManager::FreeClosedGumps();
    BackBuffer::Resize(o.width, o.height);
    ResetDirtyRectsForTests();
    MapManager::SetMap(o.facet);
    LoginConfirmation c;
    c.serial = 1;
    c.body = static_cast<uint16_t>(o.ghost ? 402 : 400);
    c.x = static_cast<uint16_t>(o.x);
    c.y = static_cast<uint16_t>(o.y);
    c.z = static_cast<int16_t>(o.z ? *o.z : MapManager::GetLandZ(o.x, o.y));
    c.facing = static_cast<uint8_t>(o.facing & 7);
    c.map = static_cast<uint8_t>(o.facet);
    WorldLogin::PlacePlayer(c);
    if (o.season && *o.season != Season) {
        Season = *o.season;
        SceneHooks::RefreshSeason();
    }
    UpdatePlayerStepZ();
    if (pPlayerObject) pPlayerObject->AddToDrawList();
    DrawManager::UpdateCeiling();
    UseCircleTrans = o.circle > 0;
    if (o.circle > 0) {
        CircleTrans::SetRadius(o.circle);
        CircleTrans::SetCenter(o.width / 2, o.height / 2);
    }
    PlaceFigures(o, out.error);
    BindEffectHooks(WorldHook::Table());
    PlaceEffects(o, out.error);
    SetDarkNights(o.darkNights);
    ResetDirtyRects();
    SetColoredLighting(o.colored);
    RenderFrame();
    for (size_t i = 0; i < o.mobiles.size(); ++i) {
        if (!o.mobiles[i].seated) continue;
        CObj* placed = CObjectManager::FindBySerial(kFirstMobile + static_cast<uint32_t>(i));
        if (!placed || !placed->IsMobile() || !static_cast<CMobile*>(placed)->IsSeated())
            out.error = "mobile " + std::to_string(i + 1) + " is not seated";
    }
    out.width = BackBuffer::Width();
    out.height = BackBuffer::Height();
    out.pixels.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    const uint16_t* pixels = BackBuffer::Pixels();
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.pixels[static_cast<size_t>(y) * out.width + x] =
                pixels ? pixels[BackBuffer::IndexOf(x, y)] : 0;
    if (o.pick)
        out.picked = DescribeItem(DrawManager::GetDrawItemAtScreenLoc(o.pick->first, o.pick->second, false));
    UseCircleTrans = false;
    return out;
}

} // namespace sceneview
