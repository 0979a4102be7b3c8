// Stand-in until music is built: silent.
#include "core/QVReport.h"
#include "media/MediaStandIns.h"

namespace MusicManager {
void CMusicManager() {
    QVReport::message("MusicManager::CMusicManager(): begin.\n");
}
void shutdown() {
    QVReport::message("MusicManager::shutdown: begin.\n");
}
void Update() {}
void EnableMusic(bool) {}
void SetVolume(int) {}
bool IsEnabled() {
    return false;
}
void PlayNextSong() {}
} // namespace MusicManager
