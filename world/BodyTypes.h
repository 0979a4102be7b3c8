#pragma once
// Body types: which animation layout and actions a mobile's body uses. Type 0 and 1 creatures
// (110-action layout), 2 animals (65 actions), 3 humans and 4 other human-layout bodies (175
// actions); every body outside the table (0..1999) or not listed in it is type 4.

namespace BodyType {
constexpr int Creature = 0;
constexpr int CreatureRunsWith1 = 1;
constexpr int Animal = 2;
constexpr int Human = 3;
constexpr int Other = 4;
} // namespace BodyType

constexpr int kBodyTypeCount = 2000;

// Fills the table at start-up (every entry -1 before).
void InitBodyTypes();
int GetBodyType(int body);

bool IsHumanBody(int body);
bool IsAnimalBody(int body);
bool IsBodyFive(int body);
bool LacksAction21(int body);
bool IdlesWithAction8(int body);
// Body 46 flies only while "bodyconv.def" is not both loaded and enabled by the server.
bool FliesWhenRunning(int body);
bool UsesMonsterAnimLayout(int body);
bool UsesAnimalAnimLayout(int body);
bool LacksHitAndBlockActions(int body);
bool HasReducedActions(int body);
bool UsesHumanActionMap(int body);
bool HasAction12(int body);
bool IsBigMobBody(int body);
