#pragma once
// The game's skills as the data files name them: names, flags and the order of the names. The
// values, locks and groups join this table with the skills window.
#include <array>
#include <cstdint>

struct SkillTableData {
    static constexpr int kMaxSkills = 50;
    static constexpr int kNameBytes = 80;
    int count = 0;
    std::array<std::array<char, kNameBytes>, kMaxSkills> names{};
    // Bit 0: the skill can be used directly; bit 1: its row in the skills window reaches further.
    std::array<uint8_t, kMaxSkills> flags{};
    // Skill numbers sorted by name (byte order); positions 0 .. count - 1 hold.
    std::array<uint8_t, kMaxSkills> order{};
};
SkillTableData& SkillTable();

// Rebuilds names, flags and order from "skills.idx" / "skills.mul" entries 0 to 48. A missing entry
// leaves no gap: the next present one takes its number.
void LoadSkillNames();
// The name of skill number skill, or "" outside the table.
const char* SkillName(int skill);
