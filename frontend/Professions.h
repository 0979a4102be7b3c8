#pragma once
// The profession tree of character creation as "prof.txt" describes it, and the slider groups that
// hold the custom profession's attributes and skills at their totals.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ProfessionRecord {
    struct Skill {
        int16_t index = 0;
        int16_t value = 0;
    };
    std::string name;        // at most 127 characters; children are found by it
    std::string displayName; // at most 127 characters
    int32_t description = 0;
    int32_t pictureArt = 0;
    bool category = false;
    bool topLevel = false;
    int16_t strength = 0, dexterity = 0, intelligence = 0;
    std::vector<Skill> skills;
    std::vector<std::string> children;
    const ProfessionRecord* parent = nullptr;
};
using ProfessionList = std::vector<std::unique_ptr<ProfessionRecord>>;

// The records of a "prof.txt" text, parents linked. Lines are read as at most 254 characters.
ProfessionList ParseProfessions(std::string_view text);
// "prof.txt" through the file manager; missing: an error line and no records.
ProfessionList LoadProfessions();
// The record named name (any case), or null.
const ProfessionRecord* FindProfession(const ProfessionList& list, std::string_view name);

// 0 .. 48 for the names "prof.txt" may use (any case), else -1.
int SkillIndexFromName(std::string_view name);
// False for the skills creation never offers.
bool IsSkillSelectable(int skill);
// The profession code the server knows a description number by.
uint8_t ProfessionCode(int description);

// One slider's range and value.
struct SliderValue {
    int minimum = 0;
    int maximum = 100;
    int value = 0;
};
// Thumb offset for a value on a 96-pixel track and back: one mapping both ways, so a thumb that is
// touched but not moved keeps its value.
int SliderThumbX(const SliderValue& slider);
int SliderValueAt(const SliderValue& slider, int x);

// After slider moved changed, the two others (a, b in creation order) give or take the difference
// from total, each within its range; a sum below minimumTotal goes to the first with room.
void BalanceSliders(SliderValue& moved, SliderValue& a, SliderValue& b, int total, int minimumTotal);
