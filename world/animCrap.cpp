#include "world/animCrap.h"

#include "core/QVReport.h"
#include "world/WorldBytes.h"

#include <cstring>
#include <memory>
#include <vector>

namespace animCrap {
namespace {

struct State {
    std::unique_ptr<Record[]> records;
    uint32_t steps = 0;
    void (*walk)() = nullptr;
};

State& S() {
    static State state;
    return state;
}

const Record kZero{};

// A count above 64 would index past the increments; a frame at or past the count would too.
void Sanitize(Record& rec) {
    if (rec.frameCount > kMaxFrames) rec.frameCount = kMaxFrames;
    if (rec.frame >= rec.frameCount) rec.frame = 0;
}

// Every record zero with the initial interval; a table already there is reused.
void Fresh() {
    if (!S().records) S().records = std::make_unique<Record[]>(kRecordCount);
    std::memset(static_cast<void*>(S().records.get()), 0, sizeof(Record) * kRecordCount);
    for (int i = 0; i < kRecordCount; ++i)
        S().records[static_cast<size_t>(i)].interval = kInitialInterval;
}

} // namespace

int LoadFromBytes(const uint8_t* bytes, size_t size) {
    Fresh();
    world::ByteReader r(bytes, size);
    int read = 0;
    for (; read < kRecordCount; ++read) {
        if (read % kGroupRecords == 0) r.skip(4);
        if (!r.has(kRecordSize)) break;
        Record& rec = S().records[static_cast<size_t>(read)];
        r.bytes(rec.frames, sizeof rec.frames);
        rec.frame = r.u8();
        rec.frameCount = r.u8();
        rec.interval = r.u8();
        rec.startOffset = r.u8();
        Sanitize(rec);
    }
    if (read < kRecordCount)
        QVReport::message("animCrap::Load: '%s' holds %d of %d records; the rest do not move.\n", kFileName,
                          read, kRecordCount);
    return read;
}

void Load() {
    QVReport::message("animCrap::Load: begin.\n");
    world::FileBytes bytes;
    if (!world::ReadInstallationFile(kFileName, kFileSize, bytes)) {
        Fresh();
        QVReport::warning("animCrap::Load: cannot open '%s'.\n", kFileName);
        return;
    }
    LoadFromBytes(bytes.data.get(), bytes.size);
}

void ApplyVersionGroup(int group, const VerData::AnimTileRecord (&records)[8]) {
    if (group < 0 || group >= kRecordCount / kGroupRecords) {
        QVReport::warning("animCrap::ApplyVersionGroup: group %d is outside the table; dropped.\n", group);
        return;
    }
    if (!S().records) Fresh();
    for (int i = 0; i < kGroupRecords; ++i) {
        Record& rec = S().records[static_cast<size_t>(group * kGroupRecords + i)];
        const VerData::AnimTileRecord& in = records[i];
        for (int f = 0; f < kMaxFrames; ++f)
            rec.frames[f] = in.frames[f];
        rec.frame = in.frame;
        rec.frameCount = in.frameCount;
        rec.interval = in.interval;
        rec.startOffset = in.startInterval;
        rec.lastStep = 0;
        Sanitize(rec);
    }
}

void Reset() {
    S().records.reset();
    S().steps = 0;
}

const Record& Get(int graphic) {
    if (graphic < 0 || graphic >= kRecordCount || !S().records) return kZero;
    return S().records[static_cast<size_t>(graphic)];
}

void Update() {
    S().steps += 1;
    if (S().walk) S().walk();
}

void SetListWalk(void (*walk)()) {
    S().walk = walk;
}

uint32_t GetStepCount() {
    return S().steps;
}

void SetStepCount(uint32_t steps) {
    S().steps = steps;
}

bool StepFrame(int graphic, int& increment) {
    if (graphic < 0 || graphic >= kRecordCount || !S().records) return false;
    Record& rec = S().records[static_cast<size_t>(graphic)];
    if (rec.interval == 0 || (S().steps + rec.startOffset) % rec.interval != 0) return false;
    if (rec.lastStep != S().steps) {
        rec.frame = rec.frameCount ? static_cast<uint8_t>((rec.frame + 1) % rec.frameCount) : 0;
        rec.lastStep = S().steps;
    }
    increment = rec.frames[rec.frame];
    return true;
}

} // namespace animCrap
