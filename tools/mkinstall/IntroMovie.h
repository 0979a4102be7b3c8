#pragma once
// "music\intro.wve": a 3-second intro of 320 x 240 pictures (shown doubled) with IMA sound, at 60
// pictures a second so that the "intro" section's TIME ranges (in loop passes) time its subtitles.
#include <string>

namespace mkinstall {

bool WriteIntroMovie(const std::string& dir, std::string* error);

} // namespace mkinstall
