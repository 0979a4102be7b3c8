#pragma once
// The "chat" and "html" scenes of gumplab: the player chat window with lines arriving on a timer,
// and a read-only and an editable HTML box showing a file.
#include <string>

namespace gumplab {

void BuildChatScene();
// Adds the next transcript line every few calls (once per frame).
void ChatSceneTick();
// The text of the file (its bytes widened; at most 64 KiB); false when it cannot be read.
bool BuildHtmlScene(const std::string& file, std::string* error);

} // namespace gumplab
