#pragma once
// The gump arts of the window controls in the synthetic installation. Every piece has a colour of
// its own and a white mark in its top-left corner, so a picture shows which piece went where and
// which way round: the message box frame (2600-2608) and buttons (1150-1155), the question box
// (2070-2076), scroll bar pieces (250-257), check boxes (210-215), a nine-piece set with its
// ornament pairs, a bar of three pieces and a sign.
#include "mkinstall/ArtFiles.h"

namespace mkinstall {

constexpr int kControlFrameArt = 9300; // nine pieces, ornament pairs at +11..+18
constexpr int kControlBarArt = 9350;   // three pieces: left, middle, right
constexpr int kControlTileArt = 9304;  // 10 x 10 (the frame's centre)
constexpr int kControlSignArt = 7;     // 300 x 200, an art with a text area of its own
constexpr int kCheckUnchecked = 210;   // 211 checked, 212/213 read-only, 214/215 hover
constexpr int kControlThumbArt = 254;
constexpr uint16_t kControlMark = 0x7FFF;

Picture SampleControlArt(int gumpId); // empty for an id this set does not hold
void AddControlArts(IndexedFile& gumps);

} // namespace mkinstall
