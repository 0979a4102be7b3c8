#pragma once
// Scripted sequences: the server opens a recording (0x7B with 0), sends effects, sounds and mobile
// actions, which are stored as steps instead of played, and closes it with a repeat count; the
// steps then play one after another, each waiting for the previous effect or action to end.
//
// Steps keep objects by serial: a step whose object has gone is skipped. Steps that end at once
// (sounds, skipped steps) run in a loop, never by recursion, however many there are.
#include "gumps/MissileGump.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace SequenceStep {
// 0..6 plain effects, 9..15 their hued forms (see EffectStepKind), 7 a mobile action, 8 a sound.
constexpr uint32_t kAction = 7;
constexpr uint32_t kSound = 8;
constexpr uint32_t kHuedOffset = 9;
} // namespace SequenceStep

struct EffectStepData {
    uint32_t sourceSerial;
    uint32_t targetSerial;
    EffectPosition source;
    EffectPosition target;
    EffectParams params;
};
struct ActionStepData {
    uint32_t serial;
    uint16_t action;
    uint16_t frameCount;
    uint16_t delay;
    uint16_t repeatCount;
    uint16_t reverse;
    uint16_t returnPass;
};
struct SoundStepData {
    uint16_t soundId;
    uint16_t x;
    uint16_t y;
    uint16_t z;
};

class CSequence {
  public:
    CSequence();
    virtual ~CSequence();
    CSequence(const CSequence&) = delete;
    CSequence& operator=(const CSequence&) = delete;

    void AddStep(uint32_t kind, const void* data, size_t length);
    // Sets the repeat count and plays from the first step; a sequence without steps deletes itself.
    void Start(uint8_t repeat);
    // The running step ended: the next one plays (after the last, the next pass, or the end).
    void NextStep();
    int StepCount() const { return static_cast<int>(steps_.size()); }
    int CurrentStep() const { return current_; }

    uint8_t repeatCount = 0;

    // A live sequence (not deleted since); with an id, the same one that had it (a new sequence at
    // a freed one's address does not pass).
    static bool IsLive(const CSequence* sequence);
    static bool IsLive(const CSequence* sequence, uint64_t id);
    uint64_t Id() const { return id_; }
    static int LiveCount();

  private:
    struct Step {
        uint32_t kind;
        std::vector<uint8_t> data;
    };
    enum class Outcome { Waits, Done, Stops };
    Outcome RunStep(const Step& step);
    // From the current step on, until a step waits or the sequence ends.
    void Run();
    // Moves past the current step; false when the last pass is over.
    bool Advance();

    std::vector<Step> steps_;
    uint64_t id_ = 0;
    int current_ = 0;
    bool running_ = false; // Run is on the stack
    bool advancePending_ = false;
};

// What a sequence asks of parts built elsewhere: playing a mobile's action (true when it started;
// the action's end calls NextStep of its sequence) and a positional sound.
struct SequenceServices {
    std::function<bool(CSequence* sequence, const ActionStepData& step)> runAction;
    std::function<void(int soundId, int x, int y, int z)> playSound;
};
void SetSequenceServices(SequenceServices services);

// ---------------------------------------------------------------- recording
bool IsRecordingSequence();
CSequence* RecordingSequence();
// 0x7B's flag: 0 starts recording ("already sequencing!" while one records); a count ends it and
// plays ("not sequencing!" when none records).
void HandleSequenceFlag(uint8_t flag);
// The producers' side: true when the step was recorded (and must not be played now).
bool RecordSoundStep(int soundId, int x, int y, int z);
bool RecordActionStep(const ActionStepData& step);
bool RecordEffectStep(uint32_t kind, const EffectStepData& step);

// Teardown (closing all gumps, deleting missiles, leaving the world): the sequence of an effect
// that goes is abandoned, and one still recording is dropped.
void AbandonSequence(CSequence* sequence);
void DropRecordingSequence();
// Deletes every sequence (tests, shutdown).
void ResetSequencesForTests();
