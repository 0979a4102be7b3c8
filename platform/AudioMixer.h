#pragma once
// The portable mixer behind every audio backend. The audio thread calls Mix for each period; it
// never waits: a buffer it cannot take adds silence for that period, and a list being changed
// at that moment makes the whole period silent.
#include "platform/Audio.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

// Something else that renders into the mix (the music synthesiser): adds frames of interleaved
// stereo at rate into acc. Called on the audio thread; it must not block.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    virtual void MixInto(int32_t* acc, int frames, int rate) = 0;
};

class AudioMixer {
  public:
    // Audio thread: frames of interleaved stereo at rate.
    void Mix(int16_t* out, int frames, int rate);

    void AddBuffer(SoundBuffer* buffer);
    void RemoveBuffer(SoundBuffer* buffer);
    void AddSource(AudioSource* source);
    void RemoveSource(AudioSource* source);

    void SetPrimaryLevel(int level);
    void SetPrimaryPlaying(bool on) { primaryPlaying_.store(on, std::memory_order_release); }
    bool PrimaryPlaying() const { return primaryPlaying_.load(std::memory_order_acquire); }
    // The period the backend pulls, for the write cursor's lead.
    void SetPeriod(int frames, int rate);
    int PeriodFrames() const { return periodFrames_.load(std::memory_order_relaxed); }
    int Rate() const { return rate_.load(std::memory_order_relaxed); }

    // Periods in which a held buffer added silence (tests, diagnostics).
    uint64_t SkippedBufferPeriods() const { return skipped_.load(); }

  private:
    std::mutex listMutex_;
    std::vector<SoundBuffer*> buffers_;
    std::vector<AudioSource*> sources_;
    std::vector<float> left_, right_; // the buffers' sums, one array per channel
    std::vector<int32_t> sourceAcc_;  // the sources' sum, interleaved
    std::atomic<float> primaryGain_{1.0f};
    std::atomic<bool> primaryPlaying_{false};
    std::atomic<int> periodFrames_{1024};
    std::atomic<int> rate_{kDeviceRate};
    std::atomic<uint64_t> skipped_{0};
};

} // namespace platform
