// "animdata.mul" images and the animated-tile groups of "verdata.mul". The first byte chooses: even
// a file image, odd a patch group (the next two bytes name the group); then every graphic the input
// reached is stepped through a few world steps.
#include "core/QVReport.h"
#include "core/VerData.h"
#include "world/animCrap.h"

#include <cstdint>

static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        QVReport::setRecorder([](QVReport::Level, const std::string&) {});
        return true;
    }();
    (void)once;
    if (size < 1) return 0;
    const bool group = data[0] & 1;
    ++data;
    --size;
    int first = 0, count = 0;
    if (!group) {
        animCrap::LoadFromBytes(data, size);
        count = static_cast<int>(size / animCrap::kRecordSize) + 1;
    } else {
        if (size < 2) return 0;
        const int number = static_cast<int16_t>(data[0] | data[1] << 8);
        VerData::AnimTileRecord records[8];
        if (!VerData::ParseAnimTileGroup(data + 2, size - 2, records)) return 0;
        animCrap::ApplyVersionGroup(number, records);
        first = number * animCrap::kGroupRecords;
        count = animCrap::kGroupRecords;
    }
    unsigned sum = 0;
    animCrap::SetStepCount(0);
    for (int step = 0; step < 8; ++step) {
        animCrap::Update();
        for (int g = first; g < first + count && g < first + 256; ++g) {
            int increment = 0;
            if (animCrap::StepFrame(g, increment)) sum += static_cast<unsigned>(increment);
        }
    }
    g_sink += sum;
    return 0;
}
