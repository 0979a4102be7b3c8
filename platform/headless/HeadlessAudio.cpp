// The virtual audio device: no sound card. It pulls whole periods from the mixer as the manual
// clock advances and keeps everything it pulled, so tests compare what was played with what they
// expect.
#include "platform/backend.h"
#include "platform/headless.h"

#include <cstdint>
#include <mutex>

namespace platform {
namespace detail {
namespace {

class HeadlessAudioDevice;

constexpr int kPeriodMs = 10;

struct AudioState {
    std::mutex mutex; // guards everything here; the device pulls with it held
    int rate = kDeviceRate;
    int periodMs = kPeriodMs;
    std::optional<AudioStage> failStage;
    AudioResult failCode = dserr::GENERIC;
    std::vector<int16_t> recorded;
    HeadlessAudioDevice* device = nullptr;
};

AudioState& S() {
    static AudioState s;
    return s;
}

void OnClockAdvanced();

class HeadlessAudioDevice final : public AudioDevice {
  public:
    HeadlessAudioDevice(int rate, int periodMs, std::optional<AudioStage> failStage, AudioResult failCode)
        : AudioDevice(rate, std::max(1, static_cast<int>(int64_t{rate} * periodMs / 1000))),
          failStage_(failStage), failCode_(failCode), startTick_(TickCount()) {}

    ~HeadlessAudioDevice() override {
        std::lock_guard<std::mutex> lock(S().mutex);
        if (S().device == this) S().device = nullptr;
    }

    // With the state's mutex held.
    void PullDue() {
        const uint64_t elapsed = static_cast<uint32_t>(TickCount() - startTick_);
        const uint64_t due = elapsed * static_cast<uint64_t>(Rate()) / 1000;
        const int period = PeriodFrames();
        std::vector<int16_t> block(static_cast<size_t>(2 * period));
        while (pulled_ + static_cast<uint64_t>(period) <= due) {
            Pull(block.data(), period);
            S().recorded.insert(S().recorded.end(), block.begin(), block.end());
            pulled_ += static_cast<uint64_t>(period);
        }
    }

  protected:
    AudioResult Fails(AudioStage stage) const override {
        return failStage_ && *failStage_ == stage ? failCode_ : kAudioOk;
    }

  private:
    std::optional<AudioStage> failStage_;
    AudioResult failCode_;
    uint32_t startTick_;
    uint64_t pulled_ = 0;
};

void OnClockAdvanced() {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (S().device && IsManualClock()) S().device->PullDue();
}

} // namespace

std::unique_ptr<AudioDevice> OpenHeadlessAudio(AudioResult* result) {
    std::lock_guard<std::mutex> lock(S().mutex);
    if (S().failStage == AudioStage::Open) {
        if (result) *result = S().failCode;
        return nullptr;
    }
    if (S().device) { // one device at a time, as with the card
        if (result) *result = dserr::ALLOCATED;
        return nullptr;
    }
    auto device = std::make_unique<HeadlessAudioDevice>(S().rate, S().periodMs, S().failStage, S().failCode);
    S().device = device.get();
    SetManualClockListener(OnClockAdvanced);
    if (result) *result = kAudioOk;
    return device;
}

void ResetHeadlessAudio() {
    std::lock_guard<std::mutex> lock(S().mutex);
    S().rate = kDeviceRate;
    S().periodMs = kPeriodMs;
    S().failStage.reset();
    S().failCode = dserr::GENERIC;
    S().recorded.clear();
}

} // namespace detail

namespace headless {

std::vector<int16_t> RecordedAudio() {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    return detail::S().recorded;
}

void ClearRecordedAudio() {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    detail::S().recorded.clear();
}

void SetAudioRate(int rate) {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    detail::S().rate = rate > 0 ? rate : kDeviceRate;
}

void SetAudioPeriod(int milliseconds) {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    detail::S().periodMs = milliseconds > 0 ? milliseconds : detail::kPeriodMs;
}

void FailAudioDevice(std::optional<AudioStage> stage, AudioResult code) {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    detail::S().failStage = stage;
    detail::S().failCode = code;
}

bool AudioDeviceOpen() {
    std::lock_guard<std::mutex> lock(detail::S().mutex);
    return detail::S().device != nullptr;
}

} // namespace headless
} // namespace platform
