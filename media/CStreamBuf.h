#pragma once
// One sound voice: a 64 KB looping buffer (mono, 16 bits, 22,048 Hz) that plays from start-up to
// shutdown, silence while the voice is free. A sample is written into it as it plays: the start
// fills everything from the write cursor round to the play cursor, and each refill writes the next
// 32 KB where the last write ended once that much has been played, so every byte plays once and in
// order. The sample is fetched again by id for every write; the voice keeps no pointer into the
// data cache.
#include "platform/Audio.h"

#include <cstdint>
#include <memory>

class CStreamBuf {
  public:
    static constexpr uint32_t kBufferBytes = 65536;
    static constexpr uint32_t kHalfBytes = kBufferBytes / 2;
    static constexpr int kRate = 22048;
    static constexpr int kHeaderBytes = 40;
    static constexpr int kFree = 0xFFFF;

    // Creates the voice's buffer on the device; a failure is reported and leaves the voice without
    // one (every operation then passes it by).
    explicit CStreamBuf(platform::AudioDevice& device);
    ~CStreamBuf();
    CStreamBuf(const CStreamBuf&) = delete;
    CStreamBuf& operator=(const CStreamBuf&) = delete;

    // Starts sound id (its item in "sound.mul") on this voice; false when it does not start.
    bool Play(int id, int pan, int level, bool loop, int frequency);
    // Writes the next half when it is due and frees the voice once its sound has ended.
    void Update();
    // Silences the voice and frees it at once.
    void Release();

    bool HasBuffer() const { return buffer_ != nullptr; }
    platform::SoundBuffer* Buffer() { return buffer_.get(); }
    int Id() const { return id_; }
    bool IsFree() const { return id_ == kFree; }
    bool Loops() const { return loop_; }
    // The level the voice was asked for, before the master gain.
    int Level() const { return level_; }
    // Keeps the requested level and applies it with the voice's gain.
    void SetLevel(int level);
    void SetGain(float gain);
    float Gain() const { return gain_; }
    // The buffer volume for a level under a gain: trunc(-2500 (1 - (1 + level / 2500) gain)).
    static int VolumeFor(int level, float gain);

  private:
    // Copies the sample into dst from the read position, looping or padding with silence, as one
    // run that starts at absolute buffer position at.
    void Fill(uint8_t* dst, uint32_t n, const uint8_t* data, uint32_t available, uint64_t at);
    void Write(uint64_t at, uint32_t n);
    void Free();

    std::unique_ptr<platform::SoundBuffer> buffer_;
    uint32_t readPos_ = 0;    // bytes into the sample data
    uint32_t dataLength_ = 0; // whole samples only
    bool loop_ = false;
    uint32_t loopStart_ = 0;
    uint32_t loopEnd_ = 0;
    int id_ = kFree;
    float gain_ = 1.0f;
    int level_ = 0;
    // Positions counted since the sound started, in bytes, never wrapping: the ring offset is the
    // position modulo the buffer size.
    uint64_t playAbs_ = 0;  // where the play cursor stood at the last look
    uint64_t writeAbs_ = 0; // where the last write ended
    int64_t endAbs_ = -1;   // where the sample's last byte ends, once written
};
