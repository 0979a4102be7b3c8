// Sound buffers, the device's common part and the portable mixer.
#include "platform/Audio.h"

#include "platform/AudioMixer.h"
#include "platform/backend.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace platform {

double LevelToGain(int level) {
    if (level <= kMinLevel) return 0.0;
    return std::pow(10.0, level / 2000.0);
}

namespace {

int GainQ16(double gain) {
    return static_cast<int>(std::lround(gain * 65536.0));
}

int16_t Clamp16(int32_t v) {
    return static_cast<int16_t>(std::clamp<int32_t>(v, -32768, 32767));
}

} // namespace

// ---------------------------------------------------------------- SoundBuffer

SoundBuffer::SoundBuffer(AudioMixer& mixer, size_t bytes, const PcmFormat& format)
    : mixer_(mixer), format_(format), bytes_(bytes, 0) {
    frames_ = static_cast<uint32_t>(bytes / static_cast<size_t>(format.BlockAlign()));
    mixer_.AddBuffer(this);
}

SoundBuffer::~SoundBuffer() {
    mixer_.RemoveBuffer(this); // waits for a mixing pass that holds the list
}

AudioResult SoundBuffer::SetFrequency(int hz) {
    if (hz != 0 && (hz < kMinFrequency || hz > kMaxFrequency)) return dserr::INVALIDPARAM;
    frequency_.store(hz, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::SetPan(int pan) {
    if (pan < -kMaxPan || pan > kMaxPan) return dserr::INVALIDPARAM;
    pan_.store(pan, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::SetVolume(int level) {
    if (level < kMinLevel || level > 0) return dserr::INVALIDPARAM;
    volume_.store(level, std::memory_order_relaxed);
    return kAudioOk;
}

AudioResult SoundBuffer::Play(bool looping) {
    looping_.store(looping, std::memory_order_relaxed);
    playing_.store(true, std::memory_order_release);
    return kAudioOk;
}

AudioResult SoundBuffer::Stop() {
    playing_.store(false, std::memory_order_release);
    return kAudioOk;
}

void SoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
    const uint32_t align = static_cast<uint32_t>(format_.BlockAlign());
    const uint32_t frame = frames_ ? static_cast<uint32_t>((position_.load() >> 32) % frames_) : 0;
    if (play) *play = frame * align;
    if (write) {
        // One device period plus 10 ms ahead, in this buffer's frames at its present frequency.
        const uint64_t freq = static_cast<uint64_t>(GetFrequency() ? GetFrequency() : format_.rate);
        const uint64_t period = static_cast<uint64_t>(mixer_.PeriodFrames());
        const uint64_t rate = static_cast<uint64_t>(std::max(1, mixer_.Rate()));
        const uint64_t lead = (period * freq + rate - 1) / rate + (freq * 10 + 999) / 1000;
        *write = frames_ ? static_cast<uint32_t>((frame + lead) % frames_) * align : 0;
    }
}

AudioResult SoundBuffer::SetCurrentPosition(uint32_t play) {
    if (play >= bytes_.size()) return dserr::INVALIDPARAM;
    while (!TryHold())
        std::this_thread::yield();
    position_.store(static_cast<uint64_t>(play / static_cast<uint32_t>(format_.BlockAlign())) << 32);
    Release();
    return kAudioOk;
}

bool SoundBuffer::TryHold() {
    bool expected = false;
    return held_.compare_exchange_strong(expected, true, std::memory_order_acquire);
}

AudioResult SoundBuffer::Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2,
                              uint32_t* n2) {
    const size_t size = bytes_.size();
    if (!p1 || !n1 || offset >= size || bytes == 0 || bytes > size) return dserr::INVALIDPARAM;
    // The audio thread holds a buffer only for one pass and never waits, so this wait is short.
    while (!TryHold())
        std::this_thread::yield();
    const uint32_t first = static_cast<uint32_t>(std::min<size_t>(bytes, size - offset));
    *p1 = bytes_.data() + offset;
    *n1 = first;
    if (p2) *p2 = first < bytes ? bytes_.data() : nullptr;
    if (n2) *n2 = bytes - first;
    return kAudioOk;
}

AudioResult SoundBuffer::Unlock() {
    if (!held_.load()) return dserr::INVALIDCALL;
    Release();
    return kAudioOk;
}

int16_t SoundBuffer::SampleAt(uint32_t frame, int channel) const {
    int16_t v;
    std::memcpy(&v, bytes_.data() + static_cast<size_t>(frame) * format_.BlockAlign() + channel * 2, 2);
    return v;
}

bool SoundBuffer::MixInto(int32_t* acc, int frames, int deviceRate, int primaryGainQ16) {
    if (!TryHold()) return false;
    if (frames_ == 0 || deviceRate <= 0) {
        Release();
        return true;
    }
    const int freq = GetFrequency() ? GetFrequency() : format_.rate;
    const uint64_t step = (static_cast<uint64_t>(freq) << 32) / static_cast<uint64_t>(deviceRate);
    const int pan = GetPan();
    const double level = LevelToGain(GetVolume()) * primaryGainQ16 / 65536.0;
    const int gl = GainQ16(level * (pan > 0 ? LevelToGain(-pan) : 1.0));
    const int gr = GainQ16(level * (pan < 0 ? LevelToGain(pan) : 1.0));
    const bool looping = IsLooping();
    const bool stereo = format_.channels == 2;
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    uint64_t pos = position_.load(std::memory_order_relaxed);
    const auto* samples = reinterpret_cast<const int16_t*>(bytes_.data());

    int i = 0;
    while (i < frames) {
        if (pos >= end) {
            if (!looping) {
                playing_.store(false, std::memory_order_release);
                pos = 0;
                break;
            }
            pos %= end;
        }
        if (step == (uint64_t{1} << 32) && static_cast<uint32_t>(pos) == 0) {
            // Same rate, on a sample: a straight scaled copy up to the buffer's end.
            const uint32_t at = static_cast<uint32_t>(pos >> 32);
            const int run = static_cast<int>(std::min<uint64_t>(frames - i, frames_ - at));
            int32_t* a = acc + 2 * i;
            if (stereo) {
                const int16_t* s = samples + 2 * static_cast<size_t>(at);
                for (int k = 0; k < run; ++k) {
                    a[2 * k] += (s[2 * k] * gl + 0x8000) >> 16;
                    a[2 * k + 1] += (s[2 * k + 1] * gr + 0x8000) >> 16;
                }
            } else {
                const int16_t* s = samples + at;
                for (int k = 0; k < run; ++k) {
                    a[2 * k] += (s[k] * gl + 0x8000) >> 16;
                    a[2 * k + 1] += (s[k] * gr + 0x8000) >> 16;
                }
            }
            i += run;
            pos += static_cast<uint64_t>(run) << 32;
            continue;
        }
        // Resampling: linear interpolation between a sample and the next (the first one again at
        // the end of a looping buffer, the last one at the end of a one-shot buffer).
        const uint32_t at = static_cast<uint32_t>(pos >> 32);
        const uint32_t frac = static_cast<uint32_t>(pos);
        uint32_t next = at + 1;
        if (next >= frames_) next = looping ? 0 : at;
        for (int c = 0; c < 2; ++c) {
            const int ch = stereo ? c : 0;
            const int32_t s0 = SampleAt(at, ch);
            const int32_t s1 = SampleAt(next, ch);
            const int32_t s = s0 + static_cast<int32_t>((static_cast<int64_t>(s1 - s0) * frac) >> 32);
            acc[2 * i + c] += (s * (c == 0 ? gl : gr) + 0x8000) >> 16;
        }
        pos += step;
        ++i;
    }
    position_.store(pos, std::memory_order_relaxed);
    Release();
    return true;
}

// ---------------------------------------------------------------- AudioMixer

void AudioMixer::Mix(int16_t* out, int frames, int rate) {
    std::unique_lock<std::mutex> lock(listMutex_, std::try_to_lock);
    if (!lock || frames <= 0) {
        std::fill(out, out + 2 * std::max(frames, 0), int16_t{0});
        return;
    }
    if (acc_.size() < static_cast<size_t>(2 * frames)) acc_.resize(static_cast<size_t>(2 * frames));
    std::fill(acc_.begin(), acc_.begin() + 2 * frames, 0);
    const int primary = primaryGainQ16_.load(std::memory_order_relaxed);
    for (SoundBuffer* b : buffers_) {
        if (!b->IsPlaying()) continue;
        if (!b->MixInto(acc_.data(), frames, rate, primary)) skipped_.fetch_add(1);
    }
    for (AudioSource* s : sources_)
        s->MixInto(acc_.data(), frames, rate);
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = Clamp16(acc_[static_cast<size_t>(i)]);
}

void AudioMixer::AddBuffer(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> lock(listMutex_);
    buffers_.push_back(buffer);
}

void AudioMixer::RemoveBuffer(SoundBuffer* buffer) {
    std::lock_guard<std::mutex> lock(listMutex_);
    buffers_.erase(std::remove(buffers_.begin(), buffers_.end(), buffer), buffers_.end());
}

void AudioMixer::AddSource(AudioSource* source) {
    std::lock_guard<std::mutex> lock(listMutex_);
    sources_.push_back(source);
}

void AudioMixer::RemoveSource(AudioSource* source) {
    std::lock_guard<std::mutex> lock(listMutex_);
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void AudioMixer::SetPrimaryLevel(int level) {
    primaryGainQ16_.store(GainQ16(LevelToGain(level)), std::memory_order_relaxed);
}

void AudioMixer::SetPeriod(int frames, int rate) {
    periodFrames_.store(std::max(1, frames), std::memory_order_relaxed);
    rate_.store(std::max(1, rate), std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(listMutex_);
    acc_.assign(static_cast<size_t>(2 * std::max(1, frames)), 0);
}

// ---------------------------------------------------------------- AudioDevice

AudioDevice::AudioDevice(int rate, int periodFrames)
    : rate_(rate), periodFrames_(periodFrames), mixer_(std::make_unique<AudioMixer>()) {
    mixer_->SetPeriod(periodFrames, rate);
}

AudioDevice::~AudioDevice() = default;

std::unique_ptr<AudioDevice> AudioDevice::Open(AudioResult* result) {
    AudioResult r = kAudioOk;
    std::unique_ptr<AudioDevice> device =
        ActiveBackend() == BackendKind::Headless ? detail::OpenHeadlessAudio(&r) : detail::OpenSdlAudio(&r);
    if (result) *result = device ? kAudioOk : r;
    return device;
}

AudioResult AudioDevice::SetCooperativeLevel(uintptr_t) {
    return Fails(AudioStage::CooperativeLevel);
}

AudioResult AudioDevice::CreatePrimaryBuffer() {
    if (AudioResult r = Fails(AudioStage::PrimaryBuffer)) return r;
    hasPrimary_ = true;
    return kAudioOk;
}

AudioResult AudioDevice::SetPrimaryFormat(const PcmFormat& format) {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (format.bits != 16 || format.channels < 1 || format.channels > 2) return dserr::BADFORMAT;
    primaryFormat_ = format; // the mix itself stays at the device's rate
    return kAudioOk;
}

AudioResult AudioDevice::SetPrimaryVolume(int level) {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (level < kMinLevel || level > 0) return dserr::INVALIDPARAM;
    mixer_->SetPrimaryLevel(level);
    return kAudioOk;
}

AudioResult AudioDevice::PlayPrimary() {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    if (AudioResult r = Fails(AudioStage::PrimaryPlay)) return r;
    mixer_->SetPrimaryPlaying(true);
    return kAudioOk;
}

AudioResult AudioDevice::StopPrimary() {
    if (!hasPrimary_) return dserr::INVALIDCALL;
    mixer_->SetPrimaryPlaying(false);
    return kAudioOk;
}

bool AudioDevice::IsPrimaryPlaying() const {
    return mixer_->PrimaryPlaying();
}

std::unique_ptr<SoundBuffer> AudioDevice::CreateSoundBuffer(size_t bytes, const PcmFormat& format,
                                                            AudioResult* result) {
    AudioResult r = Fails(AudioStage::SoundBuffer);
    if (r == kAudioOk && (format.bits != 16 || format.channels < 1 || format.channels > 2 ||
                          format.rate < kMinFrequency || format.rate > kMaxFrequency))
        r = dserr::BADFORMAT;
    if (r == kAudioOk && (bytes < static_cast<size_t>(format.BlockAlign()) || bytes > (size_t{1} << 28)))
        r = dserr::INVALIDPARAM;
    if (result) *result = r;
    if (r != kAudioOk) return nullptr;
    return std::make_unique<SoundBuffer>(*mixer_, bytes, format);
}

void AudioDevice::Pull(int16_t* out, int frames) {
    mixer_->Mix(out, frames, rate_);
}

} // namespace platform
