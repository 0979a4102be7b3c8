#pragma once
// Animated tiles ("animdata.mul"): for every item graphic a short sequence of graphic increments
// and its speed. Every object showing one graphic shares one frame counter, so fires and water
// wheels move in step.
//
// File, little-endian: 16384 records of 68 bytes in groups of 8, each group after a 4-byte header.
// Record: 64 s8 frame increments, current frame, frame count, interval (world steps per frame,
// 0 = never), start offset added to the step counter.
#include "core/VerData.h"

#include <cstddef>
#include <cstdint>

namespace animCrap {

constexpr int kRecordCount = 16384;
constexpr int kGroupRecords = 8;
constexpr int kRecordSize = 68;
constexpr int kGroupSize = 4 + kGroupRecords * kRecordSize;
constexpr size_t kFileSize = static_cast<size_t>(kRecordCount / kGroupRecords) * kGroupSize;
constexpr int kMaxFrames = 64;
constexpr uint8_t kInitialInterval = 8;
constexpr const char* kFileName = "animdata.mul";

struct Record {
    int8_t frames[kMaxFrames]; // graphic increment of each frame
    uint8_t frame;             // always below frameCount (0 when the count is 0)
    uint8_t frameCount;        // at most 64
    uint8_t interval;
    uint8_t startOffset;
    uint32_t lastStep; // the step count of the last advance
};

// Start-up: every record zero with interval 8, then the file.
void Load();
// The same from a file image; a short image is read as far as it goes (one line is logged).
// Returns the number of records read.
int LoadFromBytes(const uint8_t* bytes, size_t size);
// A patched group (8 records) from "verdata.mul".
void ApplyVersionGroup(int group, const VerData::AnimTileRecord (&records)[8]);
// No table: every graphic has the zero record.
void Reset();

// The record of an item graphic; a zero record outside the table.
const Record& Get(int graphic);

// One world step: the step counter advances, then the animation list is walked (the walk belongs
// to the object lists and is bound with SetListWalk).
void Update();
void SetListWalk(void (*walk)());
uint32_t GetStepCount();
void SetStepCount(uint32_t steps);

// For an object of this graphic in the current step: false when the record does not move now
// (interval 0, or step counter + start offset not a multiple of it). Otherwise advances the
// shared frame once per step and gives the increment of the current frame.
bool StepFrame(int graphic, int& increment);

} // namespace animCrap
