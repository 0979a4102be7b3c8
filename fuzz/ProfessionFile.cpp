// "prof.txt" from any text: every record read, every parent linked to a record of the list, and the
// skills' indices inside the skill names.
#include "frontend/Professions.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ProfessionList list = ParseProfessions(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& record : list) {
        if (record->name.size() > 127 || record->displayName.size() > 127) std::abort();
        for (const ProfessionRecord::Skill& skill : record->skills)
            if (skill.index < 0 || skill.index > 48) std::abort();
        if (record->parent) {
            bool listed = false;
            for (const auto& other : list)
                listed = listed || other.get() == record->parent;
            if (!listed) std::abort();
        }
    }
    return 0;
}
