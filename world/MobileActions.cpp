// Mobiles per world step: queued steps shown frame by frame, resting and idle actions, the
// player's turn toward its opponent; a mobile's actions and the animating set that runs them.
#include "core/DefManager.h"
#include "core/GameTicks.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/SharedServices.h"
#include "platform/platform.h"
#include "render/GraphicManager.h"
#include "world/BodyTypes.h"
#include "world/CObjectManager.h"
#include "world/MapManager.h"
#include "world/PlayerWalk.h"
#include "world/ServerWorld.h"
#include "world/TileData.h"
#include "world/WorldHooks.h"
#include "world/animCrap.h"
#include "world/objects.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMultiRange = 18;
constexpr uint32_t kRestAfterMs = 2000;
constexpr uint32_t kIdleAfterMs = 15000;
constexpr int kMaxIdleMobiles = 20;

std::vector<CMobile*>& Animating() {
    static auto* set = new std::vector<CMobile*>;
    return *set;
}

bool IdlesInPlace(const CMobile* m) {
    const int body = m->graphic & 0x3FFF;
    if (body == 13 || body == 15 || body == 16 || body == 574) return true;
    if (body >= 400)
        if (const CDynamicObj* held = m->layers[2])
            return (TileData::Item(held->graphic).flags & TileFlag::LightSource) != 0;
    return false;
}

void CountIdleFrame(CMobile* m) {
    if (!IdlesInPlace(m)) return;
    ++m->idleFrameCounter;
    if (m->listed) m->AddToDrawList();
}

int BodyAfterDef(int body) {
    const DefTable* table = DefManager::GetTable(DefManager::Body);
    if (table && table->Contains(body)) return table->PickAlternative(body, 0);
    return body;
}

// The pixel shift of k frames left of n toward a facing.
void StepOffsets(int facing, int k, int n, int32_t& ox, int32_t& oy) {
    const int h = 22 * k / n, f = 44 * k / n;
    static const int kDx[8] = {1, 2, 1, 0, -1, -2, -1, 0};
    static const int kDy[8] = {-1, 0, 1, 2, 1, 0, -1, -2};
    const int d = facing & 7;
    ox = kDx[d] == 2 ? f : kDx[d] == -2 ? -f : kDx[d] * h;
    oy = kDy[d] == 2 ? f : kDy[d] == -2 ? -f : kDy[d] * h;
}

void SoundForStep(CMobile* m, int id) {
    WorldHooks& h = WorldHook::Table();
    if (m->IsPlayer())
        WorldHook::Call(h.playSound, id, 0, -1000, false, 14, true);
    else
        WorldHook::Call(h.playSoundAt, id, m->locX, m->locY, 1.0f, false, 14, true);
}

} // namespace

// ---------------------------------------------------------------- actions
void CMobile::PlayAction(int newAction, int frames, int newDelay, int newRepeatCount, int newReverse,
                         int returnPass) {
    if (WorldHook::Ask(WorldHook::Table().recordAction, this, newAction, frames, newDelay, newRepeatCount,
                       newReverse, returnPass))
        return;
    // No frames would start a reversed action before its first frame.
    if (frames < 1) frames = 1;
    lastActionTick = platform::TickCount();
    const bool wasListed = listed != 0;
    if (wasListed) RemoveFromDrawList();
    action = static_cast<uint16_t>(newAction);
    animating = 1;
    frameIndex = static_cast<uint16_t>(newReverse ? frames - 1 : 0);
    repeatsDone = static_cast<uint16_t>(newReverse && newRepeatCount > 0 ? newRepeatCount - 1 : 0);
    reverse = static_cast<uint16_t>(newReverse ? 1 : 0);
    repeatCount = static_cast<uint16_t>(newRepeatCount);
    repeat = static_cast<uint16_t>(returnPass ? 1 : 0);
    delayCounter = 0;
    delay = static_cast<uint16_t>(newDelay);
    frameCount = static_cast<uint16_t>(frames);
    BeginMobileAnimation(this);
    if (wasListed) AddToDrawList();
}

void CMobile::StopAction() {
    if (!animating) return;
    animating = 0;
    EndMobileAnimation(this, false);
}

bool CMobile::GetCurrentAction(int& currentAction, int& frame) const {
    if (!animating) return false;
    currentAction = action;
    frame = frameIndex;
    return true;
}

void CMobile::StepAnimation() {
    auto show = [this](int frame) {
        const bool wasListed = listed != 0;
        if (wasListed) RemoveFromDrawList();
        frameIndex = static_cast<uint16_t>(frame);
        delayCounter = 0;
        if (wasListed) AddToDrawList();
        PlayFootstepSound();
    };
    if (!reverse) {
        if (frameIndex + 1 < frameCount) {
            show(frameIndex + 1);
        } else if (repeatCount == 0 || repeatsDone != repeatCount - 1) {
            ++repeatsDone;
            show(0);
        } else if (repeat) {
            reverse = 1;
            repeat = 0;
            show(frameIndex > 0 ? frameIndex - 1 : 0);
        } else {
            EndMobileAnimation(this, false);
        }
    } else {
        if (frameIndex != 0 && frameIndex <= frameCount) {
            show(frameIndex - 1);
        } else if (repeatsDone != 0) {
            --repeatsDone;
            show(frameCount > 0 ? frameCount - 1 : 0);
        } else if (repeat) {
            reverse = 0;
            repeat = 0;
            show(frameIndex + 1 < frameCount ? frameIndex + 1 : frameIndex);
        } else {
            EndMobileAnimation(this, false);
        }
    }
}

int CMobile::MovesPerTile() {
    if (graphic >= 1000) SetGraphic(50, hue);
    // The file's bytes are signed.
    const int walk = static_cast<int8_t>(GraphicManager::GetWalkFrames(graphic));
    const int run = static_cast<int8_t>(GraphicManager::GetRunFrames(graphic));
    int n;
    if (falling)
        n = walk + (fallHeight / 11) * 2;
    else
        n = running ? run : walk;
    // The table holds signed bytes: nothing below one frame.
    return n < 1 ? 1 : n;
}

void CMobile::PlayFootstepSound() {
    if (GetBodyType(graphic) != BodyType::Human || !Sound || graphic >= 1000 || IsGhost() || resting ||
        (status & 0x80))
        return;
    int act = 0, frame = 0;
    if (!GetCurrentAction(act, frame)) {
        int frames = 10;
        if (IsMounted()) {
            act = running ? 24 : 23;
            frames = 5;
        } else {
            const CDynamicObj* held = layers[1];
            const bool light =
                IsPlayer() && held && (TileData::Item(held->graphic).flags & TileFlag::LightSource) != 0;
            act = running ? (light ? 6 : 4) : (light ? 2 : 0);
        }
        frame = idleFrameCounter % (frames - 1);
    }
    if ((act <= 7 || act == 23) && (frame == 1 || frame == 6))
        SoundForStep(this, frame == 1 ? 299 : 300);
    else if (act == 24 && (frame == 1 || frame == 3))
        SoundForStep(this, frame == 1 ? 297 : 298);
}

// ---------------------------------------------------------------- the animating set
void BeginMobileAnimation(CMobile* mobile) {
    if (!mobile || mobile->animatingListMarker >= 0) return;
    mobile->animatingListMarker = 1;
    Animating().push_back(mobile);
}

int EndMobileAnimation(CMobile* mobile, bool keep) {
    if (!mobile) return 0;
    if (mobile->animatingListMarker >= 0) {
        mobile->animating = 0;
        if (mobile->listed) mobile->AddToDrawList();
        auto& set = Animating();
        set.erase(std::remove(set.begin(), set.end(), mobile), set.end());
        mobile->animatingListMarker = -1;
        // Last: what the end starts (a show's next action) joins the set afresh.
        WorldHook::Call(WorldHook::Table().actionEnded, mobile);
    }
    if (mobile->dying && !mobile->IsPlayer()) {
        mobile->dying = 0;
        const uint32_t serial = mobile->serial;
        if (!IsInDeathTable(0, serial)) {
            // A death without a corpse has no row: the mobile, whose serial no message can name
            // any more, goes now.
            if (keep) return 0;
            mobile->Release();
            return 1;
        }
        FinishDeath(0, serial, keep);
        return keep ? 0 : 1;
    }
    mobile->dying = 0;
    return 0;
}

void UpdateAnimations() {
    // A step may end the action and leave the set: walk a copy.
    const std::vector<CMobile*> members = Animating();
    for (CMobile* m : members) {
        // A step may release other members (what a dying mobile holds): only members still in the
        // set are touched.
        const auto& live = Animating();
        if (std::find(live.begin(), live.end(), m) == live.end()) continue;
        const uint16_t before = m->delayCounter++;
        if (before > m->delay) m->StepAnimation();
    }
}

bool IsAnimating(const CMobile* mobile) {
    return mobile && mobile->animatingListMarker >= 0;
}

int AnimatingCount() {
    return static_cast<int>(Animating().size());
}

void ClearAnimatingSet() {
    for (CMobile* m : Animating())
        m->animatingListMarker = -1;
    Animating().clear();
}

// ---------------------------------------------------------------- the world step
namespace CObjectManager {

void PlayRandomIdleAction(CMobile* m) {
    if (!m || m->IsMounted()) return;
    const int mobiles = ObjectPools::MobileCount();
    if (mobiles > kMaxIdleMobiles) return;
    if (platform::TickCount() - m->lastMoveTick <= kIdleAfterMs) return;
    const int c = std::rand() % (4 * mobiles + 120);
    if (c > 1) return;
    const int body = BodyAfterDef(m->graphic);
    switch (GetBodyType(body)) {
    case BodyType::Creature:
        m->PlayAction(c == 0 ? 18 : 17, 5, 0, 1, 0, body == 21);
        break;
    case BodyType::CreatureRunsWith1:
        if (c == 0)
            m->PlayAction(4, 20, 0, 1, 0, 0);
        else
            m->PlayAction(3, 15, 0, 1, 0, 0);
        break;
    case BodyType::Animal:
        if (c == 0 && body != 5)
            m->PlayAction(10, 3, 0, 1, 0, 0);
        else
            m->PlayAction(9, 5, 0, 1, 0, 0);
        break;
    default:
        if (c == 0)
            m->PlayAction(6, 5, 0, 1, 0, 0);
        else
            m->PlayAction(5, 5, 0, 1, 0, 1);
        break;
    }
}

void FaceCombatTarget() {
    CPlayerMobile* player = pPlayerObject;
    if (!player) return;
    // Not while a step waits for its answer or one went out in the last three seconds.
    const PlayerWalk::State& walk = PlayerWalk::GetState();
    const double sinceRequest = GetGameTicks() / 1000.0 - walk.lastRequestSeconds;
    if (walk.length > 0 || (walk.lastRequestSeconds > 0 && sinceRequest < 3.0)) return;
    CObj* target = FindBySerial(WorldState::GetLastSwingSerial());
    if (!target || !target->IsMobile() || target == player) return;
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    const int sx = sign(target->locX - player->locX), sy = sign(target->locY - player->locY);
    static const int kDx[7] = {0, 1, 1, 1, 0, -1, -1};
    static const int kDy[7] = {-1, -1, 0, 1, 1, 1, 0};
    int direction = 7;
    for (int d = 0; d < 7; ++d)
        if (kDx[d] == sx && kDy[d] == sy) {
            direction = d;
            break;
        }
    if (direction != (player->facing & 7)) PlayerWalk::QueueWalkStep(direction + 1, -1, false);
}

void UpdateMovement() {
    int cx = 0, cy = 0, cz = 0;
    MapManager::GetCenter(cx, cy, cz);
    // 1. Multi parts enter and leave the range.
    for (CObj* part = WorldLists::MultiComponents().Head(); part;) {
        CObj* next = MultiCompList::Next(part);
        if (!QV_VALID_OBJECT(part)) {
            QVReport::error(
                "CObjectManager::UpdateMovement: either pointer 'pMyObj' is not valid, or the data it "
                "points to is not valid. breaking out of loop.\n");
            break;
        }
        const bool near =
            std::abs(part->locX - cx) <= kMultiRange && std::abs(part->locY - cy) <= kMultiRange;
        if (near && part->notPlaced)
            part->AddToWorld(static_cast<uint32_t>(part->locX & 0xFFFF) |
                                 (static_cast<uint32_t>(part->locY & 0xFFFF) << 16),
                             part->z);
        else if (!near && !part->notPlaced)
            part->RemoveFromWorld();
        part = next;
    }

    // 2.-5. The all-objects list.
    for (CDynamicObj* o = WorldLists::AllObjects().Head(); o;) {
        CDynamicObj* next = AllObjectsList::Next(o);
        if (!QV_VALID_OBJECT(o)) {
            QVReport::error(
                "CObjectManager::UpdateMovement: either pointer 'pObj' is not valid, or the data it "
                "points to is not valid. releasing pObj.\n");
            o->Release();
            QVReport::error("CObjectManager::UpdateMovement: released 'pObj'. breaking out of loop.\n");
            break;
        }
        if (!o->parent && !o->IsInUpdateRange() && !o->IsPlayer()) {
            // What it holds may go with it.
            while (next && next->parent)
                next = AllObjectsList::Next(next);
            o->Release();
            o = next;
            continue;
        }
        if (!o->IsMobile()) {
            o = next;
            continue;
        }
        CMobile* m = static_cast<CMobile*>(o);
        bool unlisted = false, consumed = false;
        if (m->stepFramesLeft > 0 || m->stepCount > 0) {
            m->lastMoveTick = platform::TickCount();
            if (m->listed) {
                WorldHook::Call(WorldHook::Table().invalidateLight, m);
                m->RemoveFromDrawList();
                unlisted = true;
            }
            if (m->animating || IsAnimating(m)) {
                m->animating = 0;
                // Ending a death releases the mobile and what it wears.
                while (next && next->parent)
                    next = AllObjectsList::Next(next);
                if (EndMobileAnimation(m, false)) {
                    o = next;
                    continue;
                }
            }
            ++m->idleFrameCounter;
            consumed = true;
        } else if (m->resting) {
            if (!m->warMode && !m->animating) PlayRandomIdleAction(m);
            CountIdleFrame(m);
        } else if (platform::TickCount() - m->lastMoveTick > kRestAfterMs || m->graphic == 80 ||
                   m->graphic == 81) {
            m->resting = 1;
            m->idleFrameCounter = 3;
            if (m->listed) m->AddToDrawList();
        }
        if (m->stepFramesLeft > 0) --m->stepFramesLeft;
        if (m->stepFramesLeft == 0 && m->stepCount > 0) {
            const CMobile::Step s = m->steps[0];
            m->facing = s.facing & 0x7F;
            m->falling = m->z - s.z > 21 ? 1 : 0;
            m->fallHeight = m->falling ? m->z - s.z : 0;
            m->running = (s.facing & 0x80) ? 1 : 0;
            m->previousX = m->locX;
            m->previousY = m->locY;
            m->previousZ = m->z;
            m->SetGraphic(s.body & 0x3FFF, m->hue);
            const int dx = s.x - m->locX, dy = s.y - m->locY;
            m->SetLocation(static_cast<uint32_t>(s.x & 0xFFFF) | (static_cast<uint32_t>(s.y & 0xFFFF) << 16),
                           s.z);
            m->drawZ = s.z;
            SetObjectStatus(m, s.status);
            if (std::abs(dx) <= 1 && std::abs(dy) <= 1 && (dx != 0 || dy != 0))
                m->stepFramesLeft = m->MovesPerTile() - 1;
            std::copy(m->steps + 1, m->steps + m->stepCount, m->steps);
            --m->stepCount;
        }
        m->stepOffsetX = m->stepOffsetY = 0;
        if (m->stepFramesLeft > 0)
            StepOffsets(m->facing, m->stepFramesLeft, m->MovesPerTile(), m->stepOffsetX, m->stepOffsetY);
        if (unlisted) {
            m->drawZ = m->z;
            m->AddToDrawList();
            if (consumed) WorldHook::Call(WorldHook::Table().invalidateLight, m);
        }
        o = next;
    }
    // The player is not on the all-objects list.
    if (CPlayerMobile* player = pPlayerObject; player && !player->notPlaced && player->resting) {
        CountIdleFrame(player);
        if (!player->warMode) {
            if (!player->animating) PlayRandomIdleAction(player);
        } else {
            FaceCombatTarget();
        }
    }
    animCrap::Update();
}

} // namespace CObjectManager
