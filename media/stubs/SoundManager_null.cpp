// Stand-in until sound effects are built: silent.
#include "core/QVReport.h"
#include "media/MediaStandIns.h"

namespace SoundManager {
void CSoundManager() {
    QVReport::message("SoundManager::CSoundManager(): begin.\n");
}
void shutdown() {
    QVReport::message("SoundManager::shutdown: begin.\n");
}
void InitDirectSound() {}
void Update() {}
void EnableSound(bool) {}
void SetVolume(int) {}
bool IsEnabled() {
    return false;
}
} // namespace SoundManager
