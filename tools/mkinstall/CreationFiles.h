#pragma once
// Character creation in the synthetic installation: "prof.txt" with two top-level professions and
// a category of two, and the profession screen's arts, each with its name written on it.
#include "mkinstall/ArtFiles.h"

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
bool WriteCreationFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
