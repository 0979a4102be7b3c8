#pragma once
// Helpers the packet module's files share.
#include "net/PacketBuffer.h"

#include <string>

namespace PacketManager {

// A zero-padded text field of width bytes; a longer text is cut to width bytes.
void WriteFixedText(PacketWriter& packet, const char* text, int width);
const std::string& GetAccountWebSite();

} // namespace PacketManager
