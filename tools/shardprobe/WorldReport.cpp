#include "shardprobe/WorldReport.h"

#include "core/Options.h"
#include "net/CGameSock.h"
#include "platform/platform.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WeatherManager.h"
#include "world/WorldLogin.h"
#include "world/objects.h"

#include <cstdio>
#include <map>

namespace shardprobe {
namespace {

// Without an installation the probe knows the test server's two container graphics.
constexpr int kContainerGraphics[] = {0x0E40, 0x0E75};

const char* ClassOf(const CDynamicObj* o) {
    if (o->IsPlayer()) return "player";
    if (o->IsMobile()) return "mobile";
    if (o->IsCorpse()) return "corpse";
    if (o->IsContainer()) return "container";
    if (o->multiList || o->graphic == 1) return "multi";
    return "item";
}

std::string Line(const CDynamicObj* o) {
    char buffer[200];
    int n = std::snprintf(buffer, sizeof buffer, "0x%08X %s graphic %d", o->serial, ClassOf(o), o->graphic);
    if (o->amount != 1) n += std::snprintf(buffer + n, sizeof buffer - n, " amount %d", o->amount);
    if (o->parent && o->parent->IsMobile() && o->parent->IsContainer() &&
        static_cast<const CMobile*>(o->parent)->layers[o->layer] == o)
        n += std::snprintf(buffer + n, sizeof buffer - n, " on 0x%08X layer %d", o->parent->serial, o->layer);
    else if (o->parent)
        n += std::snprintf(buffer + n, sizeof buffer - n, " in 0x%08X at %d,%d", o->parent->serial, o->locX,
                           o->locY);
    else
        n += std::snprintf(buffer + n, sizeof buffer - n, " at %d,%d,%d", o->locX, o->locY, o->z);
    if (o->IsMobile()) {
        const auto* m = static_cast<const CMobile*>(o);
        if (m->stepCount) n += std::snprintf(buffer + n, sizeof buffer - n, " steps %d", m->stepCount);
        if (m->animating) n += std::snprintf(buffer + n, sizeof buffer - n, " action %d", m->action);
    }
    return buffer;
}

} // namespace

void PrepareWorld() {
    WorldLogin::BindNetServices();
    TileData::Free();
    TileData::Allocate();
    for (int g : kContainerGraphics)
        TileData::MutableItem(g)->flags = TileFlag::Container;
    InitBodyTypes();
    WeatherManager::startup();
}

std::string DescribeWorld() {
    std::map<uint32_t, std::string> lines;
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o; o = AllObjectsList::Next(o))
        lines[o->serial] = Line(o);
    if (pPlayerObject) lines[pPlayerObject->serial] = Line(pPlayerObject);
    std::string out;
    for (const auto& [serial, line] : lines)
        out += line + "\n";
    static const char* const kWeather[] = {"rain", "?", "snow"};
    const int state = WeatherManager::GetState();
    const WorldState::ServerTime t = WorldState::GetServerTime();
    char buffer[200];
    std::snprintf(buffer, sizeof buffer,
                  "weather %s particles %d; light %d personal %d; time %02d:%02d:%02d; season %d\n",
                  state == WeatherManager::kNone ? "none" : kWeather[state % 3],
                  WeatherManager::GetLiveCount(), WorldState::GetGlobalLightLevel(),
                  WorldState::GetPersonalLightLevel(), t.hour, t.minute, t.second, Season);
    return out + buffer;
}

void FollowWorld(uint32_t milliseconds) {
    const uint32_t start = platform::TickCount();
    uint32_t lastStep = start;
    std::string shown;
    while (platform::TickCount() - start < milliseconds && HasGameSock()) {
        PollNetwork();
        if (platform::TickCount() - lastStep >= 100) {
            lastStep = platform::TickCount();
            CObjectManager::UpdateMovement();
            WeatherManager::Update();
            UpdateAnimations();
            const std::string now = DescribeWorld();
            if (now != shown) {
                std::printf("--- %u ms\n%s", platform::TickCount() - start, now.c_str());
                std::fflush(stdout);
                shown = now;
            }
        }
        platform::SleepMillis(2);
    }
}

} // namespace shardprobe
