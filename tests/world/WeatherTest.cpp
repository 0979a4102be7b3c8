// Rain and snow: their start, thinning, limit, fading and filter, and particles whose pictures
// went.
#include "core/Options.h"
#include "support/TestSupport.h"
#include "world/WeatherManager.h"
#include "world/WorldHooks.h"

#include <memory>
#include <string>
#include <vector>

namespace {

class WeatherTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        CleanState::SetUp();
        WorldHook::Reset();
        WorldHook::Table().showSystemMessage = [this](int, int, const char* text) { messages.push_back(text); };
        WeatherManager::startup();
    }
    void TearDown() override {
        WeatherManager::StopAll();
        WorldHook::Reset();
        FilterWeather = false;
        CleanState::TearDown();
    }
    std::vector<std::string> messages;
};

TEST_F(WeatherTest, RainAskedWithFewDropsStartsAt23AndThinsOneAStep) {
    WeatherManager::HandleWeather(0, 5, 60);
    EXPECT_EQ(messages, std::vector<std::string>{"It begins to rain."});
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kRain);
    EXPECT_EQ(WeatherManager::GetLiveCount(), 23);
    for (int i = 1; i <= 18; ++i) {
        WeatherManager::Update();
        EXPECT_EQ(WeatherManager::GetLiveCount(), 23 - i);
    }
    WeatherManager::Update();
    EXPECT_EQ(WeatherManager::GetLiveCount(), 5);
}

TEST_F(WeatherTest, CountsAreHeldTo70) {
    WeatherManager::HandleWeather(2, 200, 10);
    EXPECT_EQ(WeatherManager::GetWantedCount(), 70);
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kSnow);
    EXPECT_EQ(WeatherManager::GetLiveCount(), 70);
    for (int i = 0; i < 50; ++i)
        WeatherManager::Update();
    EXPECT_EQ(WeatherManager::GetLiveCount(), 70);
}

TEST_F(WeatherTest, UnrenewedWeatherFadesAfterTwelveFades) {
    WeatherManager::HandleWeather(0, 23, 60);
    for (int i = 0; i < 12 * 360 - 1; ++i)
        WeatherManager::Update();
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kRain);
    EXPECT_EQ(WeatherManager::GetStrength(), 1);
    WeatherManager::Update();
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kNone);
    WeatherManager::Update();
    EXPECT_EQ(WeatherManager::GetLiveCount(), 0);
}

TEST_F(WeatherTest, ActiveWeatherChangesItsStrengthAndStops) {
    WeatherManager::HandleWeather(2, 10, 10);
    WeatherManager::HandleWeather(2, 30, 10);
    EXPECT_EQ(WeatherManager::GetLiveCount(), 30);
    WeatherManager::HandleWeather(2, 12, 10);
    EXPECT_EQ(WeatherManager::GetLiveCount(), 12);
    WeatherManager::HandleWeather(0xFF, 0, 0);
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kNone);
    EXPECT_EQ(WeatherManager::GetLiveCount(), 0);
}

TEST_F(WeatherTest, FilterWeatherTakesNeitherWeatherNorSeason) {
    FilterWeather = true;
    WeatherManager::HandleWeather(254, 3, 40);
    WeatherManager::HandleWeather(0, 20, 40);
    EXPECT_EQ(WeatherManager::GetSeason(), 0);
    EXPECT_EQ(WeatherManager::GetTemperature(), 72);
    EXPECT_EQ(WeatherManager::GetState(), WeatherManager::kNone);
    FilterWeather = false;
    WeatherManager::HandleWeather(254, 3, 40);
    EXPECT_EQ(WeatherManager::GetSeason(), 3);
    EXPECT_EQ(WeatherManager::GetTemperature(), 40);
}

TEST_F(WeatherTest, AParticleWhosePictureWentLeavesTheTable) {
    std::vector<std::shared_ptr<int>> pictures;
    WorldHook::Table().weatherParticlePicture = [&](int slot) {
        pictures.push_back(std::make_shared<int>(slot));
        return std::weak_ptr<void>(pictures.back());
    };
    WeatherManager::HandleWeather(1, 10, 50);
    ASSERT_EQ(pictures.size(), 10u);
    pictures[3].reset();
    pictures[7].reset();
    WeatherManager::HandleWeather(1, 8, 50); // the wanted count follows, so none is added back
    EXPECT_EQ(WeatherManager::GetLiveCount(), 8);
    WeatherManager::Update();
    int live = 0;
    for (int i = 0; i < WeatherManager::kMaxParticles; ++i)
        live += WeatherManager::Particles()[i].live;
    EXPECT_EQ(live, WeatherManager::GetLiveCount());
    EXPECT_EQ(live, 6);
    EXPECT_FALSE(WeatherManager::Particles()[3].live);
    EXPECT_FALSE(WeatherManager::Particles()[7].live);
    WeatherManager::Update(); // one more toward the wanted count
    EXPECT_EQ(WeatherManager::GetLiveCount(), 7);
}

TEST_F(WeatherTest, ParticlesDriftAndStayOnTheView) {
    WeatherManager::SetViewSize(640, 480);
    WeatherManager::HandleWeather(0, 23, 60);
    for (int i = 0; i < 100; ++i) {
        WeatherManager::Update();
        for (int s = 0; s < WeatherManager::kMaxParticles; ++s) {
            const WeatherManager::Particle& p = WeatherManager::Particles()[s];
            if (!p.live) continue;
            ASSERT_GE(p.x, 0);
            ASSERT_LT(p.x, 640);
            ASSERT_GE(p.y, 0);
            ASSERT_LT(p.y, 480);
            ASSERT_GT(p.lifetime, 0);
        }
    }
}

} // namespace
