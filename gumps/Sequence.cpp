#include "gumps/Sequence.h"

#include "core/QVReport.h"
#include "gumps/CGumpManager.h"
#include "world/CObjectManager.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

struct SequenceState {
    std::set<const CSequence*> live;
    uint64_t nextId = 1;
    CSequence* recording = nullptr;
    SequenceServices services;
};

SequenceState& S() {
    static auto* state = new SequenceState; // sequences may end during static destruction
    return *state;
}

template <class T> bool ReadStep(const std::vector<uint8_t>& data, T& out) {
    if (data.size() != sizeof(T)) return false;
    std::memcpy(&out, data.data(), sizeof(T));
    return true;
}

bool Exists(uint32_t serial) {
    return serial == 0 || CObjectManager::FindBySerial(serial) != nullptr;
}

} // namespace

CSequence::CSequence() {
    QVReport::message("CSequence::CSequence(): begin.\n");
    id_ = S().nextId++;
    S().live.insert(this);
}

CSequence::~CSequence() {
    S().live.erase(this);
    if (S().recording == this) S().recording = nullptr;
}

bool CSequence::IsLive(const CSequence* sequence) {
    return sequence && S().live.count(sequence) != 0;
}

bool CSequence::IsLive(const CSequence* sequence, uint64_t id) {
    return IsLive(sequence) && sequence->id_ == id;
}

int CSequence::LiveCount() {
    return static_cast<int>(S().live.size());
}

void CSequence::AddStep(uint32_t kind, const void* data, size_t length) {
    Step step{kind, {}};
    if (data && length)
        step.data.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + length);
    steps_.push_back(std::move(step));
}

void CSequence::Start(uint8_t repeat) {
    repeatCount = repeat;
    current_ = 0;
    if (steps_.empty() || repeatCount == 0) {
        delete this;
        return;
    }
    Run();
}

bool CSequence::Advance() {
    if (current_ + 1 < static_cast<int>(steps_.size())) {
        ++current_;
        return true;
    }
    if (repeatCount > 0) --repeatCount;
    if (repeatCount == 0) return false;
    current_ = 0;
    return true;
}

void CSequence::NextStep() {
    if (running_) {
        // A step ended while it was being started: the loop below moves on.
        advancePending_ = true;
        return;
    }
    if (!Advance()) {
        delete this;
        return;
    }
    Run();
}

void CSequence::Run() {
    running_ = true;
    for (;;) {
        advancePending_ = false;
        const Outcome outcome = RunStep(steps_[static_cast<size_t>(current_)]);
        if (!IsLive(this)) return; // abandoned while the step started
        if (outcome == Outcome::Stops) {
            running_ = false;
            delete this;
            return;
        }
        if (outcome == Outcome::Waits && !advancePending_) break;
        if (!Advance()) {
            running_ = false;
            delete this;
            return;
        }
    }
    running_ = false;
}

CSequence::Outcome CSequence::RunStep(const Step& step) {
    const uint32_t kind = step.kind;
    if (kind == SequenceStep::kSound) {
        SoundStepData sound{};
        if (ReadStep(step.data, sound) && S().services.playSound)
            S().services.playSound(sound.soundId, sound.x, sound.y, sound.z);
        return Outcome::Done;
    }
    if (kind == SequenceStep::kAction) {
        ActionStepData action{};
        if (!ReadStep(step.data, action) || !Exists(action.serial) || action.serial == 0)
            return Outcome::Done;
        if (action.frameCount == 0) return Outcome::Done; // nothing to show: it ends at once
        if (!S().services.runAction || !S().services.runAction(this, action)) return Outcome::Done;
        return Outcome::Waits;
    }
    const bool hued = kind >= SequenceStep::kHuedOffset && kind <= SequenceStep::kHuedOffset + 6;
    const uint32_t plain = hued ? kind - SequenceStep::kHuedOffset : kind;
    if (plain > 6 || (!hued && kind > 6)) return Outcome::Stops;
    EffectStepData e{};
    if (!ReadStep(step.data, e)) return Outcome::Stops;
    // Every object the step names must still be in the world.
    if (!Exists(e.sourceSerial) || !Exists(e.targetSerial)) return Outcome::Done;
    EffectParams params = e.params;
    if (!hued) params.hue = params.blendMode = 0;
    using Shape = CMissileGump::Shape;
    const EffectEnd from{e.sourceSerial, e.source}, to{e.targetSerial, e.target};
    CMissileGump* effect = nullptr;
    switch (plain) {
    case 0:
        effect = StartEffect(Shape::FixedAtPosition, EffectEnd{0, e.source}, to, params);
        break;
    case 1:
        effect = StartEffect(Shape::FixedOnObject, from, to, params);
        break;
    case 2:
        effect = StartEffect(Shape::Lightning, from, to, params);
        break;
    default:
        effect = StartEffect(Shape::Moving, from, to, params);
        break;
    }
    if (!effect) return Outcome::Done;
    effect->sequence = this;
    effect->sequenceId = id_;
    return Outcome::Waits;
}

void SetSequenceServices(SequenceServices services) {
    S().services = std::move(services);
}

bool IsRecordingSequence() {
    return S().recording != nullptr;
}

CSequence* RecordingSequence() {
    return S().recording;
}

void HandleSequenceFlag(uint8_t flag) {
    SequenceState& s = S();
    if (flag == 0) {
        if (s.recording) {
            CGumpManager::ShowModalMessage("already sequencing!");
            return;
        }
        s.recording = new CSequence;
        return;
    }
    if (!s.recording) {
        CGumpManager::ShowModalMessage("not sequencing!");
        return;
    }
    CSequence* sequence = s.recording;
    s.recording = nullptr;
    sequence->Start(flag);
}

bool RecordSoundStep(int soundId, int x, int y, int z) {
    if (!S().recording) return false;
    const SoundStepData step{static_cast<uint16_t>(soundId), static_cast<uint16_t>(x),
                             static_cast<uint16_t>(y), static_cast<uint16_t>(z)};
    S().recording->AddStep(SequenceStep::kSound, &step, sizeof step);
    return true;
}

bool RecordActionStep(const ActionStepData& step) {
    if (!S().recording) return false;
    S().recording->AddStep(SequenceStep::kAction, &step, sizeof step);
    return true;
}

bool RecordEffectStep(uint32_t kind, const EffectStepData& step) {
    if (!S().recording) return false;
    S().recording->AddStep(kind, &step, sizeof step);
    return true;
}

void AbandonSequence(CSequence* sequence) {
    if (!CSequence::IsLive(sequence)) return;
    QVReport::message("CSequence: abandoned while its effect was torn down.\n");
    delete sequence;
}

void DropRecordingSequence() {
    if (CSequence* recording = S().recording) {
        S().recording = nullptr;
        delete recording;
    }
}

void ResetSequencesForTests() {
    S().recording = nullptr;
    while (!S().live.empty())
        delete const_cast<CSequence*>(*S().live.begin());
    S().services = SequenceServices{};
}
