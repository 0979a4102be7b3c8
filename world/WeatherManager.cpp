#include "world/WeatherManager.h"

#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "world/WorldHooks.h"

namespace WeatherManager {
namespace {

constexpr int kFadeSteps = 360;
constexpr int kEffectSteps = 90;
constexpr int kStartRain = 23;

struct State {
    int state = kNone;
    int wanted = 0;
    int strength = 0;
    int season = 0;
    int temperature = 72;
    int effectCounter = 0;
    int fadeCounter = 0;
    Particle particles[kMaxParticles];
    int live = 0;
    bool gust = false;
    int maxWind = 0, wind = 0, windChange = 0, gustLength = 0, gustStep = 0;
    int viewWidth = 640, viewHeight = 480;
};

State& S() {
    static State s;
    return s;
}

void Message(const char* text) {
    WorldHook::Call(WorldHook::Table().showSystemMessage, 0, 3, text);
}

void SoundAtRandomPoint(int id) {
    WorldHook::Call(WorldHook::Table().playSoundAt, id, 22 + RandomBelow(30), 103, 1.0f, false, 0, false);
}

void DeleteAll() {
    for (Particle& p : S().particles)
        p = Particle{};
    S().live = 0;
}

// The particle of a slot leaves the table.
void Remove(int slot) {
    if (!S().particles[slot].live) return;
    S().particles[slot] = Particle{};
    --S().live;
}

void RemoveOne() {
    for (int i = kMaxParticles - 1; i >= 0; --i)
        if (S().particles[i].live) {
            Remove(i);
            return;
        }
}

int FreeSlot() {
    for (int i = 0; i < kMaxParticles; ++i)
        if (!S().particles[i].live) return i;
    return -1;
}

void Add(bool snow) {
    State& s = S();
    if (s.strength > kMaxParticles) return;
    const int slot = FreeSlot();
    if (slot < 0) return;
    Particle& p = s.particles[slot];
    p = Particle{};
    p.live = true;
    p.snow = snow;
    p.x = RandomBelow(s.viewWidth);
    p.y = RandomBelow(s.viewHeight);
    if (snow) {
        p.dx = RandomBelow(4) + 2;
        p.dy = RandomBelow(4) + 2;
        p.lifetime = RandomBelow(40) + 40;
    } else {
        p.dx = 16;
        p.dy = 16;
        p.lifetime = RandomBelow(10) + 10;
    }
    ++s.live;
    if (const auto& make = WorldHook::Table().weatherParticlePicture) {
        p.picture = make(slot);
        p.hadPicture = !p.picture.expired();
    }
}

void AddParticles(int n, bool snow) {
    for (int i = 0; i < n; ++i)
        snow ? AddSnowFlake() : AddRainDrop();
}

void Wind() {
    State& s = S();
    if (!s.gust) {
        s.wind = 0;
        if (RandomBelow(25000) == 0) {
            s.gust = true;
            s.maxWind = RandomBelow(10);
            s.wind = 0;
            s.windChange = 2;
            s.gustLength = RandomBelow(500) + 15000;
            s.gustStep = 0;
            PlayRainSound();
        }
        return;
    }
    ++s.gustStep;
    if (s.gustStep % 100 == 0) {
        s.wind += s.windChange;
        if (s.wind < 0) s.wind = 0;
        if (s.wind > s.maxWind) s.wind = s.maxWind;
    }
    if (s.gustStep > s.gustLength / 2 && s.windChange > 0) s.windChange = -s.windChange;
    if (s.gustStep >= s.gustLength) {
        s.gust = false;
        s.wind = 0;
    }
}

} // namespace

void startup() {
    QVReport::message("WeatherManager::startup: begin.\n");
    S() = State{};
}

void shutdown() {
    QVReport::message("WeatherManager::shutdown: begin.\n");
    DeleteAll();
}

void HandleWeather(int type, int count, int value) {
    if (FilterWeather) return;
    State& s = S();
    s.effectCounter = 0;
    s.fadeCounter = 0;
    if (type == 254) {
        s.season = count;
        s.temperature = value;
        return;
    }
    if (count > kMaxParticles) count = kMaxParticles;
    s.wanted = count;
    if (s.state == kNone) {
        switch (type) {
        case 0:
            Message("It begins to rain.");
            s.state = kRain;
            s.strength = kStartRain;
            AddParticles(kStartRain, false);
            break;
        case 1:
            Message("A fierce storm approaches.");
            PlayThunder();
            s.state = kRain;
            s.strength = count;
            AddParticles(count, false);
            break;
        case 2:
            Message("It begins to snow.");
            WorldHook::Call(WorldHook::Table().playSound, 22, 0, 0, false, 0, false);
            s.state = kSnow;
            s.strength = count;
            AddParticles(count, true);
            break;
        case 3:
            Message("A storm is brewing.");
            PlayThunder();
            break;
        default:
            break;
        }
        return;
    }
    if (type == 3) LightningFlash();
    if (type == 0xFF) {
        s.state = kNone;
        DeleteAll();
    }
    if (s.strength < count)
        AddParticles(count - s.strength, type != 0);
    else
        for (int i = count; i < s.strength; ++i)
            RemoveOne();
    s.strength = count;
}

void Update() {
    State& s = S();
    if (s.state == kNone) {
        DeleteAll();
        return;
    }
    const bool snow = s.state == kSnow;
    if (s.live < s.wanted)
        snow ? AddSnowFlake() : AddRainDrop();
    else if (s.live > s.wanted)
        RemoveOne();
    if (++s.fadeCounter >= kFadeSteps) {
        s.fadeCounter = 0;
        s.strength -= 2;
        if (s.strength <= 0) {
            s.strength = 0;
            s.state = kNone;
        }
    }
    if (++s.effectCounter >= kEffectSteps) {
        s.effectCounter = 0;
        RandomEffect();
    }
    if (snow)
        Wind();
    else
        s.wind = 0;
    for (int i = 0; i < kMaxParticles; ++i) {
        Particle& p = s.particles[i];
        if (!p.live) continue;
        if (p.hadPicture && p.picture.expired()) {
            Remove(i);
            continue;
        }
        --p.lifetime;
        p.x -= p.dx;
        p.y += p.dy;
        p.x -= s.wind;
        if (p.snow && RandomBelow(10) == 0) p.dx += RandomBelow(2) - 1;
        if (p.lifetime <= 0 || p.x < 0 || p.y < 0 || p.x >= s.viewWidth || p.y >= s.viewHeight) {
            if (p.snow) {
                p.dx = RandomBelow(4) + 2;
                p.dy = RandomBelow(4) + 2;
                p.lifetime = RandomBelow(40) + 40;
            } else {
                p.lifetime = RandomBelow(10) + 10;
            }
            p.x = RandomBelow(s.viewWidth);
            p.y = RandomBelow(s.viewHeight);
        }
    }
}

void StopAll() {
    S().state = kNone;
    DeleteAll();
}

void ScrollParticles(int dx, int dy) {
    for (Particle& p : S().particles)
        if (p.live) {
            p.x += dx;
            p.y += dy;
        }
}

void AddRainDrop() {
    Add(false);
}

void AddSnowFlake() {
    Add(true);
}

void LightningFlash() {
    const int x = 22 + RandomBelow(30);
    WorldHook::Call(WorldHook::Table().weatherFlash, x, 103, 4);
    WorldHook::Call(WorldHook::Table().playSoundAt, 41, x, 103, 1.0f, false, 0, false);
}

void PlayThunder() {
    SoundAtRandomPoint(40);
}

void PlayRainSound() {
    SoundAtRandomPoint(20 + RandomBelow(3));
}

void RandomEffect() {
    if (S().state != kRain) return;
    const int r = RandomBelow(100);
    if (r < 20)
        LightningFlash();
    else if (r > 90)
        PlayThunder();
}

int GetState() {
    return S().state;
}
int GetWantedCount() {
    return S().wanted;
}
int GetStrength() {
    return S().strength;
}
int GetLiveCount() {
    return S().live;
}
int GetSeason() {
    return S().season;
}
int GetTemperature() {
    return S().temperature;
}
int GetWind() {
    return S().wind;
}
const Particle* Particles() {
    return S().particles;
}
void SetViewSize(int width, int height) {
    if (width > 0) S().viewWidth = width;
    if (height > 0) S().viewHeight = height;
}

} // namespace WeatherManager
