#pragma once
// The sound card as the client's sound code expects it: a device, a primary buffer and looping
// sound buffers with frequency, pan and volume controls, play and write cursors, and Lock/Unlock.
// The buffers are mixed in portable code (platform/AudioMixer.h); a backend only pulls periods of
// mixed samples from it: SDL's audio callback, or the headless virtual device, which pulls whole
// periods as the manual clock advances and records what it pulled (platform/headless.h).
//
// The device runs at 44,100 Hz, stereo, 16 bits; whatever rate the backend really gets, the mixer
// resamples to it. Levels are hundredths of a decibel (0 full, -10000 silent); pan runs -10000
// (right lowered) to 10000 (left lowered).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace platform {

// Result codes as the sound code reports them (the classic HRESULT values).
using AudioResult = int32_t;
constexpr AudioResult kAudioOk = 0;
namespace dserr {
constexpr AudioResult ALLOCATED = static_cast<int32_t>(0x8878000A);
constexpr AudioResult CONTROLUNAVAIL = static_cast<int32_t>(0x8878001E);
constexpr AudioResult INVALIDPARAM = static_cast<int32_t>(0x80070057);
constexpr AudioResult INVALIDCALL = static_cast<int32_t>(0x88780032);
constexpr AudioResult GENERIC = static_cast<int32_t>(0x80004005);
constexpr AudioResult PRIOLEVELNEEDED = static_cast<int32_t>(0x88780046);
constexpr AudioResult OUTOFMEMORY = static_cast<int32_t>(0x8007000E);
constexpr AudioResult BADFORMAT = static_cast<int32_t>(0x88780064);
constexpr AudioResult UNSUPPORTED = static_cast<int32_t>(0x80004001);
constexpr AudioResult NODRIVER = static_cast<int32_t>(0x88780078);
constexpr AudioResult ALREADYINITIALIZED = static_cast<int32_t>(0x88780082);
constexpr AudioResult NOAGGREGATION = static_cast<int32_t>(0x80040110);
constexpr AudioResult BUFFERLOST = static_cast<int32_t>(0x88780096);
constexpr AudioResult OTHERAPPHASPRIO = static_cast<int32_t>(0x887800A0);
} // namespace dserr

constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
constexpr int kMinLevel = -10000;
constexpr int kMaxPan = 10000;
constexpr int kMinFrequency = 100;
constexpr int kMaxFrequency = 200000;

struct PcmFormat {
    int rate = 22050;
    int channels = 1; // 1 or 2
    int bits = 16;    // 16 only
    int BlockAlign() const { return channels * bits / 8; }
};

// 10^(level / 2000): the amplitude factor of a level in hundredths of a decibel.
double LevelToGain(int level);

class AudioMixer;

// One looping (or one-shot) buffer of PCM. Controls are read by the audio thread without locks;
// the bytes are guarded by the buffer's lock, which the audio thread only tries: a buffer it finds
// locked adds silence for that period and its play cursor does not move.
class SoundBuffer {
  public:
    SoundBuffer(AudioMixer& mixer, size_t bytes, const PcmFormat& format);
    ~SoundBuffer();
    SoundBuffer(const SoundBuffer&) = delete;
    SoundBuffer& operator=(const SoundBuffer&) = delete;

    size_t Size() const { return bytes_.size(); }
    const PcmFormat& Format() const { return format_; }
    int OwnRate() const { return format_.rate; }

    AudioResult SetFrequency(int hz); // 0: the buffer's own rate
    int GetFrequency() const { return frequency_.load(std::memory_order_relaxed); }
    AudioResult SetPan(int pan);
    int GetPan() const { return pan_.load(std::memory_order_relaxed); }
    AudioResult SetVolume(int level);
    int GetVolume() const { return volume_.load(std::memory_order_relaxed); }

    AudioResult Play(bool looping);
    AudioResult Stop();
    bool IsPlaying() const { return playing_.load(std::memory_order_acquire); }
    bool IsLooping() const { return looping_.load(std::memory_order_relaxed); }
    // Byte offsets: the audio plays at the play cursor; the write cursor is where new bytes are
    // safe to write, one device period plus 10 ms ahead.
    void GetCurrentPosition(uint32_t* play, uint32_t* write) const;
    AudioResult SetCurrentPosition(uint32_t play);
    // Buffers are never lost on this platform; the answer is always false.
    bool IsLost() const { return false; }
    AudioResult Restore() { return kAudioOk; }

    // Locks bytes from offset on, wrapping at the end: one or two regions. Waits for the audio thread
    // to finish with the buffer (it holds it for one mixing pass at most).
    AudioResult Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2, uint32_t* n2);
    AudioResult Unlock();
    bool IsLockedForTests() const { return held_.load(); }

    // Audio thread: adds this buffer's contribution to left and right (frames long each) at
    // deviceRate. False, with nothing added, when the buffer is held.
    bool MixInto(float* left, float* right, int frames, int deviceRate, float primaryGain);

  private:
    bool TryHold();
    void Release() { held_.store(false, std::memory_order_release); }
    int16_t SampleAt(uint32_t frame, int channel) const;

    AudioMixer& mixer_;
    PcmFormat format_;
    std::vector<uint8_t> bytes_;
    uint32_t frames_ = 0;
    std::atomic<bool> held_{false};
    std::atomic<int> frequency_{0};
    std::atomic<int> pan_{0};
    std::atomic<int> volume_{0};
    std::atomic<bool> playing_{false};
    std::atomic<bool> looping_{false};
    // Play position in frames, 32.32 fixed point, moved only by the audio thread while it holds
    // the buffer (or by SetCurrentPosition under the buffer's lock).
    std::atomic<uint64_t> position_{0};
    // The channel gains of the controls last seen by the audio thread.
    int gainVolume_ = 1;
    int gainPan_ = 0;
    float gainPrimary_ = -1.0f;
    float gainLeft_ = 0.0f, gainRight_ = 0.0f;
};

// What a device is told to do at each stage; the headless backend can make a stage fail.
enum class AudioStage { Open, CooperativeLevel, PrimaryBuffer, PrimaryPlay, SoundBuffer };

class AudioDevice {
  public:
    virtual ~AudioDevice();
    // The device at kDeviceRate stereo 16-bit on the active backend; null with the reason in
    // *result when it cannot be opened.
    static std::unique_ptr<AudioDevice> Open(AudioResult* result);

    // Exclusive use of the device for a window; nothing to do here beyond the reported result.
    AudioResult SetCooperativeLevel(uintptr_t window);
    // The primary buffer: its format is recorded and its volume scales the whole mix. As with the
    // card's own primary buffer, stopping it does not silence buffers that still play (music keeps
    // going while the sound effects are off; those stop their own buffers).
    AudioResult CreatePrimaryBuffer();
    AudioResult SetPrimaryFormat(const PcmFormat& format);
    const PcmFormat& PrimaryFormat() const { return primaryFormat_; }
    AudioResult SetPrimaryVolume(int level);
    AudioResult PlayPrimary();
    AudioResult StopPrimary();
    bool IsPrimaryPlaying() const;

    // A sound buffer mixed into this device until it is destroyed (before the device).
    std::unique_ptr<SoundBuffer> CreateSoundBuffer(size_t bytes, const PcmFormat& format,
                                                   AudioResult* result);

    // The rate and period (frames per pull) the backend really has.
    int Rate() const { return rate_; }
    int PeriodFrames() const { return periodFrames_; }
    AudioMixer& Mixer() { return *mixer_; }

  protected:
    AudioDevice(int rate, int periodFrames);
    // Pulls frames of mixed output (audio thread).
    void Pull(int16_t* out, int frames);
    virtual AudioResult Fails(AudioStage) const { return kAudioOk; }

  private:
    int rate_;
    int periodFrames_;
    bool hasPrimary_ = false;
    PcmFormat primaryFormat_{kDeviceRate, 2, 16};
    std::unique_ptr<AudioMixer> mixer_;
};

} // namespace platform
