#pragma once
// Character creation in the synthetic installation: "prof.txt" with two top-level professions and
// a category of two, the start cities' texts, and the creation screens' arts (the profession
// pictures, the body, clothes, hair styles and beards, the start-city map and its spots).
#include "mkinstall/ArtFiles.h"
#include "mkinstall/TextFiles.h"

#include <string>

namespace mkinstall {

// Picture arts of the sample professions (pressed look at id + 1).
constexpr int kWarriorArt = 5571;
constexpr int kMageArt = 5573;
constexpr int kCraftsArt = 5575;
constexpr int kSmithArt = 5577;
constexpr int kTailorArt = 5579;

std::string SampleProfessions();
Picture SampleCreationArt(int gumpId); // empty for an id this set does not hold
void AddCreationArts(IndexedFile& gumps);
// "citytext": a ".END", then per start city its name, a line of description and ".END".
SampleSection CityTextSection();
bool WriteCreationFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
