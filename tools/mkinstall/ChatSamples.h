#pragma once
// The chat family's part of the synthetic installation: the border strips, buttons, resize
// handle and minimised picture of the chat window (2700-2715, 2642), the larger frame set of HTML
// boxes (3500-3508; the tooltip's 3000-3008 serve the small one), and the "chat" text section (captions,
// command words, prompts).
#include "mkinstall/ArtFiles.h"
#include "mkinstall/TextFiles.h"

namespace mkinstall {

Picture SampleChatArt(int gumpId); // empty for an id this set does not hold
void AddChatArts(IndexedFile& gumps);
SampleSection ChatSampleSection();

} // namespace mkinstall
