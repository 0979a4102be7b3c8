// Light, shows and the death fade end to end: the client logs in to the test server's "night" and
// "show" scenarios and is watched through its own objects, pass by pass on the manual clock; the
// server's word of death fades the screen and the client answers when the fade is over.
#include "FrontEndFixture.h"

#include "gumps/CGumpManager.h"
#include "gumps/MissileGump.h"
#include "gumps/Sequence.h"
#include "media/CStreamBuf.h"
#include "media/SoundManager.h"
#include "platform/headless.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"
#include "render/Light.h"
#include "testshard/EffectScenarios.h"
#include "testshard/WorldPackets.h"
#include "world/CObjectManager.h"
#include "world/PlayerObject.h"
#include "world/ServerWorld.h"
#include "world/WorldLight.h"
#include "world/objects.h"

#include "mkinstall/WorldFiles.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qvtest {
namespace {

class EffectsEndToEndTest : public FrontEndTest {
  protected:
    static testshard::Script ScriptOf(const char* scenario) {
        testshard::Script script;
        EXPECT_TRUE(testshard::EffectScenario(scenario, script));
        return script;
    }
};

std::string Describe(const testshard::ShowStep& s) {
    const char* kinds[] = {"effect", "action", "sound"};
    return std::string(kinds[s.kind]) + " " + std::to_string(s.what);
}

TEST_F(EffectsEndToEndTest, TheShowPlaysItsStepsInOrderTwiceAndEnds) {
    const testshard::Script script = ScriptOf("show");
    EnterWorld(script);
    ASSERT_FALSE(HasFatalFailure());

    // Every pass: effects not seen before (with the step and pass of the sequence that started
    // them), the performer's action and the sound as they begin. The step after a sound starts in
    // the same pass as the sound: the sound is listed first.
    std::vector<std::string> seen;
    std::vector<std::string> effectSteps;
    std::vector<GumpRef<CMissileGump>> known;
    bool wasActing = false, wasSounding = false;
    auto observe = [&] {
        std::vector<std::string> started;
        auto* performer = dynamic_cast<CMobile*>(CObjectManager::FindBySerial(testshard::kShowPerformer));
        const bool acting = performer && performer->animating && performer->action == testshard::kShowAction;
        if (acting && !wasActing)
            started.push_back(Describe({testshard::ShowStep::Action, testshard::kShowAction}));
        wasActing = acting;
        bool sounding = false;
        for (int i = 0; i < SoundManager::kVoiceCount; ++i)
            if (CStreamBuf* v = SoundManager::Voice(i); v && v->Id() == testshard::kShowSound)
                sounding = true;
        if (sounding && !wasSounding)
            started.push_back(Describe({testshard::ShowStep::Sound, testshard::kShowSound}));
        wasSounding = sounding;
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next()) {
            if (!g->IsMissileGump() || g->IsClosed()) continue;
            auto* e = static_cast<CMissileGump*>(g);
            if (std::any_of(known.begin(), known.end(),
                            [&](const GumpRef<CMissileGump>& r) { return r == e; }))
                continue;
            known.emplace_back(e);
            started.push_back(Describe({testshard::ShowStep::Effect, e->firstGraphic}));
            const bool owned = CSequence::IsLive(e->sequence, e->sequenceId);
            effectSteps.push_back(std::to_string(e->firstGraphic) + " step " +
                                  std::to_string(owned ? e->sequence->CurrentStep() : -1) + " pass " +
                                  std::to_string(owned ? e->sequence->repeatCount : -1));
        }
        seen.insert(seen.end(), started.begin(), started.end());
    };
    const std::vector<testshard::ShowStep> steps = testshard::ShowSteps();
    std::vector<std::string> expected;
    std::vector<std::string> expectedEffectSteps;
    for (int pass = testshard::kShowRepeat; pass >= 1; --pass)
        for (size_t i = 0; i < steps.size(); ++i) {
            expected.push_back(Describe(steps[i]));
            if (steps[i].kind == testshard::ShowStep::Effect)
                expectedEffectSteps.push_back(std::to_string(steps[i].what) + " step " + std::to_string(i) +
                                              " pass " + std::to_string(pass));
        }
    ASSERT_TRUE(RunUntil(
        [&] {
            observe();
            return seen.size() >= expected.size() && CSequence::LiveCount() == 0 && !wasActing;
        },
        30))
        << "seen: " << ::testing::PrintToString(seen);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(effectSteps, expectedEffectSteps);
    EXPECT_FALSE(IsRecordingSequence());
    // The last effect goes with its sequence; nothing starts after it.
    ASSERT_TRUE(RunUntil([&] {
        observe();
        for (CGump* g = CGumpManager::TopLevel().first; g; g = g->next())
            if (g->IsMissileGump() && !g->IsClosed()) return false;
        return true;
    }));
    Passes(20);
    observe();
    EXPECT_EQ(seen, expected);
}

TEST_F(EffectsEndToEndTest, TheNightGivesTheLightLevelAndTheTorchsLight) {
    const testshard::Script script = ScriptOf("night");
    EnterWorld(script);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(RunUntil([] {
        CObj* torch = CObjectManager::FindBySerial(testshard::kNightTorch);
        return torch && torch->inLightList && WorldState::GetGlobalLightLevel() == testshard::kNightLight;
    }));
    // The view is centred on the player once a frame of the world has been shown.
    const int shown = platform::headless::PresentedFrameCount();
    ASSERT_TRUE(RunUntil([&] { return platform::headless::PresentedFrameCount() > shown; }));
    EXPECT_EQ(WorldState::GetPersonalLightLevel(), testshard::kNightPersonalLight);
    auto* torch = static_cast<CDynamicObj*>(CObjectManager::FindBySerial(testshard::kNightTorch));
    EXPECT_EQ(torch->parent, pPlayerObject);
    EXPECT_EQ(pPlayerObject->layers[testshard::kNightTorchLayer], torch);

    // The frame the renderers light: the levels, and the torch shining from the player.
    LightFrame frame;
    WorldLight::FillFrame(Rect{0, 0, BackBuffer::Width(), BackBuffer::Height()}, frame);
    EXPECT_EQ(frame.levels.global, testshard::kNightLight);
    EXPECT_EQ(frame.levels.personal, testshard::kNightPersonalLight);
    EXPECT_FALSE(frame.levels.ghost);
    // The yard's own lamps shine too: the torch is the one light of its graphic.
    std::vector<PlacedLight> torches;
    for (const PlacedLight& light : frame.lights)
        if (light.graphic == mkinstall::WorldItem::Torch) torches.push_back(light);
    ASSERT_EQ(torches.size(), 1u);
    EXPECT_EQ(torches[0].lightId, mkinstall::kTorchLightId);
    int x = 0, y = 0;
    WorldLight::CentreOf(pPlayerObject, x, y);
    EXPECT_EQ(torches[0].x, x);
    EXPECT_EQ(torches[0].y, y);
    // On the screen, not at the world pixel.
    EXPECT_GT(x, 0);
    EXPECT_LT(x, BackBuffer::Width());
    EXPECT_GT(y, 0);
    EXPECT_LT(y, BackBuffer::Height());
}

TEST_F(EffectsEndToEndTest, DeathFadesThirtyOneFramesThenTheServerHearsActionTwo) {
    testshard::Script script;
    EnterWorld(script);
    ASSERT_FALSE(HasFatalFailure());
    Passes(5);
    ASSERT_TRUE(server.Send(testshard::world::DeathStatus(0)));
    ASSERT_TRUE(RunUntil([] { return GraphicManager::GetDeathFadeCounter() != 0; }));
    // A frame is drawn at most once a pass and each darkens one step: every step from the first
    // look to 31 is seen, then the fade ends; the answer comes only after the 31st faded frame
    // (a frame may be drawn in the pass that took the word).
    std::vector<int> counters{GraphicManager::GetDeathFadeCounter()};
    EXPECT_LE(counters.front(), 2);
    ASSERT_TRUE(RunUntil([&] {
        const int c = GraphicManager::GetDeathFadeCounter();
        if (c != counters.back()) counters.push_back(c);
        if (c != 0) {
            EXPECT_TRUE(Received(0x2C).empty()) << "answered at fade step " << c;
        }
        return c == 0;
    }));
    std::vector<int> expected;
    for (int c = counters.front(); c <= 31; ++c)
        expected.push_back(c);
    expected.push_back(0);
    EXPECT_EQ(counters, expected);
    ASSERT_TRUE(RunUntil([&] { return !Received(0x2C).empty(); })) << "no answer";
    EXPECT_EQ(Received(0x2C), (std::vector<uint8_t>{0x2C, 2}));
    Passes(10);
    EXPECT_TRUE(Received(0x2C, 2).empty()) << "a second answer";
}

} // namespace
} // namespace qvtest
