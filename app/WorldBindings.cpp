// The world's calls into the sound and music modules and the system lines, bound as soon as the
// application is linked in.
#include "app/PlayerActions.h"
#include "app/multcli.h"
#include "gumps/CGump.h"
#include "gumps/EffectHooks.h"
#include "gumps/Sequence.h"
#include "media/MusicManager.h"
#include "media/SoundManager.h"
#include "net/NetServices.h"
#include "render/DrawManager.h"
#include "world/CObjectManager.h"
#include "world/WorldHooks.h"
#include "world/objects.h"

#include <unordered_map>

namespace {

// Actions a sequence started, by mobile serial: their end moves the sequence on.
struct SequenceAction {
    CSequence* sequence = nullptr;
    uint64_t id = 0;
};
std::unordered_map<uint32_t, SequenceAction>& SequenceActions() {
    static std::unordered_map<uint32_t, SequenceAction> actions;
    return actions;
}
bool g_playingStep = false; // a sequence's own action is played, not recorded again

bool RunSequenceAction(CSequence* sequence, const ActionStepData& step) {
    CObj* o = CObjectManager::FindBySerial(step.serial);
    if (!o || !o->IsMobile()) return false;
    auto* mobile = static_cast<CMobile*>(o);
    g_playingStep = true;
    mobile->PlayAction(step.action, step.frameCount, step.delay, step.repeatCount, step.reverse,
                       step.returnPass);
    g_playingStep = false;
    if (!mobile->animating) return false;
    SequenceActions()[step.serial] = SequenceAction{sequence, sequence->Id()};
    return true;
}

void SequenceActionEnded(CMobile* mobile) {
    auto& actions = SequenceActions();
    const auto it = actions.find(mobile->serial & 0x7FFFFFFF);
    if (it == actions.end()) return;
    const SequenceAction done = it->second;
    actions.erase(it);
    if (CSequence::IsLive(done.sequence, done.id)) done.sequence->NextStep();
}

void BindSequenceServices() {
    SequenceServices s;
    s.runAction = RunSequenceAction;
    s.playSound = [](int id, int x, int y, int) {
        SoundManager::PlaySoundAt(id, x, y, 1.0f, false, 0, false);
    };
    SetSequenceServices(std::move(s));
}

void BindWorldHooks(WorldHooks& h) {
    h.recordAction = [](CMobile* mobile, int action, int frames, int delay, int repeat, int reverse,
                        int returnPass) {
        if (g_playingStep || !IsRecordingSequence()) return false;
        return RecordActionStep(ActionStepData{mobile->serial & 0x7FFFFFFF, static_cast<uint16_t>(action),
                                               static_cast<uint16_t>(frames), static_cast<uint16_t>(delay),
                                               static_cast<uint16_t>(repeat), static_cast<uint16_t>(reverse),
                                               static_cast<uint16_t>(returnPass)});
    };
    h.actionEnded = SequenceActionEnded;
    // Windows the world lets go of (an object's windows, the dragged item's) close at once and are
    // freed at the next safe point.
    h.deleteGump = [](CGump* gump) {
        if (gump) gump->Close();
    };
    // The season listed the view again: the roof over the player may have changed.
    h.seasonRedraw = [] { DrawManager::UpdateCeiling(); };
    h.playSound = [](int id, int pan, int volume, bool loop, int pitch, bool second) {
        SoundManager::PlaySound(id, pan, volume, loop, pitch, second);
    };
    h.playSoundAt = [](int id, int x, int y, float volume, bool loop, int pitch, bool second) {
        SoundManager::PlaySoundAt(id, x, y, volume, loop, pitch, second);
    };
    h.playAmbientSound = SoundManager::PlayAmbientSound;
    h.playSong = MusicManager::PlaySong;
    CApp::BindPlayerActionHooks(h);
    BindEffectHooks(h);
    h.showSystemMessage = [](int hue, int font, const char* text) {
        if (const auto& show = GetNetServices().showSystemMessage) show(hue, font, text);
    };
}

} // namespace

namespace CApp {
void BindWorldHooks() {
    WorldHook::SetBinder(::BindWorldHooks);
    BindSequenceServices();
}
} // namespace CApp
