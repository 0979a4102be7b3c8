// The SDL audio device: SDL's callback pulls each period from the portable mixer. It opens at
// 44,100 Hz stereo 16-bit and takes whatever rate and period SDL offers; the mixer resamples.
#include "platform/backend.h"

#include <SDL.h>
#include <atomic>
#include <cstdio>

namespace platform::detail {
namespace {

class SdlAudioDevice;

// The callback's user data. The device object is made only once SDL has told its real format,
// so the callback finds it through this slot (silence until it is set).
struct CallbackSlot {
    std::atomic<SdlAudioDevice*> device{nullptr};
};

class SdlAudioDevice final : public AudioDevice {
  public:
    SdlAudioDevice(std::unique_ptr<CallbackSlot> slot, SDL_AudioDeviceID id, int rate, int period)
        : AudioDevice(rate, period), slot_(std::move(slot)), id_(id) {
        slot_->device.store(this);
        SDL_PauseAudioDevice(id_, 0);
    }
    ~SdlAudioDevice() override {
        SDL_CloseAudioDevice(id_); // waits for a callback in progress; none comes afterwards
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    static void Callback(void* user, Uint8* stream, int len) {
        SdlAudioDevice* self = static_cast<CallbackSlot*>(user)->device.load();
        if (!self) {
            SDL_memset(stream, 0, static_cast<size_t>(len));
            return;
        }
        self->Pull(reinterpret_cast<int16_t*>(stream), len / 4);
    }

  private:
    std::unique_ptr<CallbackSlot> slot_;
    SDL_AudioDeviceID id_;
};

} // namespace

std::unique_ptr<AudioDevice> OpenSdlAudio(AudioResult* result) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SDL audio: %s\n", SDL_GetError());
        if (result) *result = dserr::NODRIVER;
        return nullptr;
    }
    auto slot = std::make_unique<CallbackSlot>();
    SDL_AudioSpec want{};
    want.freq = kDeviceRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = SdlAudioDevice::Callback;
    want.userdata = slot.get();
    SDL_AudioSpec have{};
    // Opened paused; only the rate and the period may differ from what was asked.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(
        nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (id == 0) {
        std::fprintf(stderr, "SDL audio device: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (result) *result = dserr::NODRIVER;
        return nullptr;
    }
    if (result) *result = kAudioOk;
    return std::make_unique<SdlAudioDevice>(std::move(slot), id, have.freq,
                                            have.samples ? have.samples : 1024);
}

} // namespace platform::detail
