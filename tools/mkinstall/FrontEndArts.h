#pragma once
// The gump arts of the login screens in the synthetic installation, drawn to be read: the main
// menu's background tile, picture, banner and crest, the account dialog's frame, and every
// front-end button with its role written on it (normal, hover brighter with a gold rim, pressed
// darker and shifted), the shard list's select button and rule, the character screen's buttons
// and the password question with its field and buttons.
#include "mkinstall/ArtFiles.h"

#include <string>

namespace mkinstall {

constexpr int kMenuTileArt = 3604;
constexpr int kMenuPictureArt = 5500;
constexpr int kMenuBannerArt = 5536;
constexpr int kLoginFrameArt = 5054; // nine pieces, 5054..5062
constexpr int kLoginCrestArt = 1418;

// The caption written on a front-end button art, empty for other ids.
std::string FrontEndButtonCaption(int gumpId);
Picture SampleFrontEndArt(int gumpId); // empty for an id this set does not hold
void AddFrontEndArts(IndexedFile& gumps);

// The edition file "verinfo" names this patch.
constexpr int kSamplePatch = 27;
std::string SampleVerinfo();
bool WriteFrontEndFiles(const std::string& dir, std::string* error);

} // namespace mkinstall
