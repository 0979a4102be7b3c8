#pragma once
// The credits of the synthetic installation: "credits.dat" with every directive, two songs and 60
// text lines in two fonts, and the roll's full-screen background (gump art 1280).
#include "mkinstall/ArtFiles.h"

#include <string>

namespace mkinstall {

constexpr int kCreditsArt = 1280;
constexpr int kSampleCreditLines = 60;
// Songs 5 and 7, in that order.
std::string SampleCredits();
Picture SampleCreditsBackground();
void AddCreditsArts(IndexedFile& gumps);
bool WriteCreditsFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
