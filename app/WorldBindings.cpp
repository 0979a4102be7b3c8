// The world's calls into the sound and music modules and the system lines, bound as soon as the
// application is linked in.
#include "app/multcli.h"
#include "media/MusicManager.h"
#include "media/SoundManager.h"
#include "net/NetServices.h"
#include "world/WorldHooks.h"

namespace {

void BindWorldHooks(WorldHooks& h) {
    h.playSound = [](int id, int pan, int volume, bool loop, int pitch, bool second) {
        SoundManager::PlaySound(id, pan, volume, loop, pitch, second);
    };
    h.playSoundAt = [](int id, int x, int y, float volume, bool loop, int pitch, bool second) {
        SoundManager::PlaySoundAt(id, x, y, volume, loop, pitch, second);
    };
    h.playAmbientSound = SoundManager::PlayAmbientSound;
    h.playSong = MusicManager::PlaySong;
    h.systemMessage = [](int hue, int font, const char* text) {
        if (const auto& show = GetNetServices().showSystemMessage) show(hue, font, text);
    };
}

} // namespace

namespace CApp {
void BindWorldHooks() {
    WorldHook::SetBinder(::BindWorldHooks);
}
} // namespace CApp
