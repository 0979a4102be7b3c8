// "verdata.mul" images: the records, the patch buckets and the group records.
#include "core/VerData.h"
#include "core/CDHDCache.h"

#include <cstdint>
#include <cstring>

// Reads go here, so that they are not optimised away.
static unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VerData::Load(data, size);
    unsigned sum = 0;
    // Look up every id the first records name, in every row, and read the bytes found.
    for (size_t at = 4; at + VerData::kRecordSize <= size && at < 4 + 64 * VerData::kRecordSize;
         at += VerData::kRecordSize) {
        int32_t id;
        std::memcpy(&id, data + at + 4, sizeof id);
        for (int row = 0; row < CDHDCache::kRowCount; ++row) {
            const VerData::Entry* e = VerData::Find(row, id);
            if (!e) continue;
            const uint8_t* bytes = VerData::Bytes(*e);
            for (int32_t i = 0; bytes && i < e->length; ++i)
                sum += bytes[i];
        }
    }
    g_sink += sum;
    VerData::Reset();
    return 0;
}
