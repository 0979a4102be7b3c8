#include "windows/SkillTable.h"

#include "core/CDHDCache.h"
#include "core/QVReport.h"

#include <algorithm>
#include <cstring>

SkillTableData& SkillTable() {
    static SkillTableData table;
    return table;
}

const char* SkillName(int skill) {
    const SkillTableData& t = SkillTable();
    if (skill < 0 || skill >= t.count) return "";
    return t.names[static_cast<size_t>(skill)].data();
}

void LoadSkillNames() {
    QVReport::message("LoadSkillNames: begin.\n");
    SkillTableData& t = SkillTable();
    t.count = 0;
    constexpr int kEntries = 49;
    for (int entry = 0; entry < kEntries; ++entry) {
        int length = 0, extra = 0;
        const uint8_t* bytes =
            CDHDCache::GetCacheItem(CDHDCache::kSkillsIdx, CDHDCache::kSkills, entry, length, extra);
        auto& name = t.names[static_cast<size_t>(t.count)];
        if (!bytes || length < 1) {
            t.flags[static_cast<size_t>(t.count)] = 0;
            name[0] = 0;
            continue;
        }
        t.flags[static_cast<size_t>(t.count)] = bytes[0];
        // The name is cut to the slot; a terminator inside the entry ends it sooner.
        const size_t n = std::min<size_t>(static_cast<size_t>(length - 1), SkillTableData::kNameBytes - 1);
        std::memcpy(name.data(), bytes + 1, n);
        name[n] = 0;
        ++t.count;
    }
    t.order.fill(0);
    for (int i = 0; i < t.count; ++i)
        t.order[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    // Stable: equal names keep their numbers' order.
    std::stable_sort(t.order.begin(), t.order.begin() + t.count, [&t](uint8_t a, uint8_t b) {
        return std::strcmp(t.names[a].data(), t.names[b].data()) < 0;
    });
}
