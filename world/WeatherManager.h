#pragma once
// The weather: rain or snow as up to 70 particles that drift over the game view, lightning,
// thunder and wind, fading by itself. The particles are this module's records; picture gumps only
// show them and are reached through weak references.
#include <cstdint>
#include <memory>

namespace WeatherManager {

constexpr int kNone = 0xFF;
constexpr int kRain = 0;
constexpr int kSnow = 2;
constexpr int kMaxParticles = 70;

struct Particle {
    int x = 0, y = 0;
    int lifetime = 0;
    int dx = 0, dy = 0;
    bool live = false;
    bool snow = false;
    bool hadPicture = false;
    std::weak_ptr<void> picture;
};

void startup();
void shutdown();
// Message 0x65 (type, count, value).
void HandleWeather(int type, int count, int value);
// One world step.
void Update();
// No weather, every particle gone.
void StopAll();
void ScrollParticles(int dx, int dy);
void AddRainDrop();
void AddSnowFlake();
void LightningFlash();
void PlayThunder();
void PlayRainSound();
void RandomEffect();

int GetState();
int GetWantedCount();
int GetStrength();
int GetLiveCount();
int GetSeason();
int GetTemperature();
int GetWind();
const Particle* Particles(); // kMaxParticles slots
// The view the particles drift over (the game view's size).
void SetViewSize(int width, int height);

} // namespace WeatherManager
