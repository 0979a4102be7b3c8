// Stand-in until the speech messages are built: nothing is connected, so speech is dropped.
#include "core/QVReport.h"
#include "net/SpeechMessages.h"

namespace PacketManager {
void SendUnicodeSpeech(const char16_t*, int length, int mode) {
    QVReport::message("PacketManager::SendUnicodeSpeech: %d units, mode %d dropped.\n", length, mode);
}
void SendUnicodeSpeechThrottled(const char16_t*, int mode, int) {
    QVReport::message("PacketManager::SendUnicodeSpeechThrottled: mode %d dropped.\n", mode);
}
} // namespace PacketManager
